#include "eventlist/list_widgets.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <unordered_set>

#include "song/song.h"
#include "songtext.h"

using namespace tonvela;

namespace {

const void* itemOf(const QModelIndex& index) {
    return reinterpret_cast<const void*>(index.data(ListItemRole).value<quintptr>());
}

}  // namespace

ListSelection rememberListSelection(const QAbstractItemView* list) {
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || !list->selectionModel() || !list->selectionModel()->isSelected(current)) return {};
    return {current.row(), itemOf(current)};
}

void restoreListSelection(QAbstractItemView* list, const ListSelection& before,
                          const std::function<int(const void*)>& rowOf) {
    QAbstractItemModel* model = list->model();
    if (!model) return;
    const int rows = model->rowCount();
    int found = -1;
    if (before.item) {
        if (rowOf) {
            found = rowOf(before.item);
        } else {
            for (int r = 0; r < rows && found < 0; ++r)
                if (itemOf(model->index(r, 0)) == before.item) found = r;
        }
    }
    const int row = restoredRow(before, rows, found);
    if (row < 0) {
        list->setCurrentIndex(QModelIndex());
        return;
    }
    const QModelIndex index = model->index(row, 0);
    list->setCurrentIndex(index);
    list->scrollTo(index);
}

void fillNoteList(QListWidget* list, const midiSong& song, int track, const Selection& bars) {
    const void* before = nullptr;
    if (list->selectionMode() == QAbstractItemView::SingleSelection && list->currentItem())
        before = reinterpret_cast<const void*>(list->currentItem()->data(ListItemRole).value<quintptr>());
    list->clear();
    if (track < 0 || track >= song.trackCount()) return;
    int select = 0;
    for (NoteOnEvent* n : notesInRange(*song.track(track), bars.ticks(song))) {
        auto* item = new QListWidgetItem(QString::fromStdString(noteLine(*n)), list);
        item->setData(ListItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(n)));
        if (before && n == before) select = list->count() - 1;
    }
    if (list->count() > 0) list->setCurrentRow(select);
}

std::vector<const void*> rememberSelectedItems(const QListWidget* list) {
    std::vector<const void*> items;
    for (int r : selectedRows(list)) items.push_back(reinterpret_cast<const void*>(list->item(r)->data(ListItemRole).value<quintptr>()));
    return items;
}

bool restoreSelectedItems(QListWidget* list, const std::vector<const void*>& items) {
    if (items.empty()) return false;
    const std::unordered_set<const void*> wanted(items.begin(), items.end());
    std::vector<int> rows;
    for (int r = 0; r < list->count(); ++r)
        if (wanted.count(reinterpret_cast<const void*>(list->item(r)->data(ListItemRole).value<quintptr>()))) rows.push_back(r);
    if (rows.empty()) return false;
    list->clearSelection();
    list->setCurrentRow(rows.front(), QItemSelectionModel::ClearAndSelect);
    for (int r : rows) list->item(r)->setSelected(true);
    list->scrollToItem(list->item(rows.front()));
    return true;
}

std::vector<int> selectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int r = 0; r < list->count(); ++r)
        if (list->item(r)->isSelected()) rows.push_back(r);
    return rows;
}

void fillTrackNames(QComboBox* box, const midiSong& song) {
    const QSignalBlocker block(box);
    box->clear();
    for (const std::string& name : trackNames(song)) box->addItem(fromSongLine(name));
}
