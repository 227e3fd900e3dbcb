#include "eventlist/event_list_model.h"

#include "eventlist/list_widgets.h"
#include "song/textcodec.h"

using namespace tonvela;

void EventListModel::fill(const midiSong& song, int firstTrack, int lastTrack, int firstBar, int lastBar) {
    beginResetModel();
    list_.fill(song, firstTrack, lastTrack, firstBar, lastBar);
    endResetModel();
}

void EventListModel::clear() {
    beginResetModel();
    list_.clear();
    endResetModel();
}

anyEvent* EventListModel::eventAt(int row) const {
    return row >= 0 && row < list_.size() ? list_.at(row) : nullptr;
}

QString EventListModel::lineAt(int row) const {
    const anyEvent* e = eventAt(row);
    return e ? QString::fromStdString(displayText(eventLine(*e))) : QString();
}

int EventListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.size(); }

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.size()) return {};
    switch (role) {
    case Qt::DisplayRole: return lineAt(index.row());
    case ListItemRole: return QVariant::fromValue(reinterpret_cast<quintptr>(list_.at(index.row())));
    case Qt::SizeHintRole: return itemSize_.isValid() ? QVariant(itemSize_) : QVariant();
    default: return {};
    }
}
