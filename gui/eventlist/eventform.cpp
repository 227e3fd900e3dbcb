#include "eventlist/eventform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "appfolders.h"
#include "base/errors.h"
#include "eventlist/addeventwin.h"
#include "eventlist/event_list_model.h"
#include "eventlist/evlist_prefs.h"
#include "eventlist/list_widgets.h"
#include "eventlist/uniform_list_view.h"
#include "host/editor_context.h"
#include "host/window_place.h"
#include "prompts.h"
#include "song/song.h"
#include "songtext.h"

using namespace tonvela;

namespace {

// Lines are measured once: every line reports this many characters of the fixed font.
constexpr int kLineChars = 100;

}  // namespace

TEventForm::TEventForm(EditorContext& context, QWidget* parent)
    : ToolWindow(context, parent), prefsPath_(context.folders().settings + kEventListPrefsName) {
    setObjectName("EventForm");
    setWindowTitle("Events");

    model_ = new EventListModel(this);
    ListBox1 = new UniformListView(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    const QFontMetrics metrics(ListBox1->font());
    model_->setItemSize(QSize(metrics.horizontalAdvance(QString(kLineChars, '0')), metrics.height() + 2));
    ListBox1->setModel(model_);

    TrackComboBox = new QComboBox(this);
    TrackComboBox->setObjectName("TrackComboBox");
    TrackComboBox->setMinimumContentsLength(24);
    TrackComboBox->setMaxVisibleItems(24);

    AddNew = new QAction("Add", this);
    AddNew->setObjectName("AddNew");
    ActionEdit = new QAction("Edit", this);
    ActionEdit->setObjectName("ActionEdit");
    ActionDelete = new QAction("Delete", this);
    ActionDelete->setObjectName("ActionDelete");
    Copy1 = new QAction("Copy", this);
    Copy1->setObjectName("Copy1");
    Copy1->setShortcut(QKeySequence::Copy);
    Copy1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(Copy1);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    PopupMenu1->addAction(Copy1);

    auto button = [this](const QString& name, QAction* action) {
        auto* b = new QPushButton(action ? action->text() : "Close", this);
        b->setObjectName(name);
        if (action) {
            connect(b, &QPushButton::clicked, action, &QAction::trigger);
            connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
        }
        return b;
    };
    AddButton = button("AddButton", AddNew);
    EditButton = button("EditButton", ActionEdit);
    DeleteButton = button("DeleteButton", ActionDelete);
    CloseButton = button("CloseButton", nullptr);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Track", this));
    top->addWidget(TrackComboBox, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {AddButton, EditButton, DeleteButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ListBox1, 1);
    layout->addLayout(buttons);

    connect(AddNew, &QAction::triggered, this, &TEventForm::AddNewExecute);
    connect(ActionEdit, &QAction::triggered, this, &TEventForm::ActionEditExecute);
    connect(ActionDelete, &QAction::triggered, this, &TEventForm::ActionDeleteExecute);
    connect(Copy1, &QAction::triggered, this, &TEventForm::Copy1Click);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(TrackComboBox, &QComboBox::activated, this, &TEventForm::TrackComboBoxChange);
    connect(ListBox1, &QAbstractItemView::doubleClicked, this, [this] {
        if (ActionEdit->isEnabled()) ActionEdit->trigger();
    });
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(p)); });
    connect(ListBox1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TEventForm::updateActions);
    connect(ListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this, &TEventForm::updateActions);

    resize(metrics.horizontalAdvance(QString(kLineChars, '0')) + 50, 560);
    readPrefs();
    updateActions();
}

TEventForm::~TEventForm() { writePrefs(); }

void TEventForm::readPrefs() { restoreWindowPlace(this, prefsPath_); }

void TEventForm::writePrefs() { keepWindowPlace(this, prefsPath_); }

// ---- following the editor -------------------------------------------------------------------

void TEventForm::refreshFromEditor() {
    midiSong* song = context().song();
    if (!song) {
        model_->clear();
        TrackComboBox->clear();
        updateActions();
        return;
    }
    const int chosen = TrackComboBox->currentIndex();
    fillTrackNames(TrackComboBox, *song);
    const QSignalBlocker block(TrackComboBox);
    if (ownEdit_) {
        // The window's own edit: it keeps its own choice of tracks.
        TrackComboBox->setCurrentIndex(std::min(chosen, TrackComboBox->count() - 1));
        fillEventList(std::min(listedTrack_, song->trackCount() - 1));
        return;
    }
    TrackComboBox->setCurrentIndex(std::min(context().selection().firstTrack, TrackComboBox->count() - 1));
    fillEventList(-1);
}

void TEventForm::songReplaced() {
    // The rows point into the old song.
    model_->clear();
    TrackComboBox->clear();
    listedTrack_ = -1;
    updateActions();
}

void TEventForm::hideEvent(QHideEvent* event) {
    // A hidden list is not kept in step with the song: it lets go of its events (and memory).
    model_->clear();
    ToolWindow::hideEvent(event);
}

void TEventForm::fillEventList(int track) {
    midiSong* song = context().song();
    if (!song) return;
    const ListSelection before = rememberListSelection(ListBox1);
    const Selection s = context().selection();
    if (s.lastBar < s.firstBar)
        model_->clear();
    else if (track >= 0)
        model_->fill(*song, track, track, s.firstBar, s.lastBar);
    else
        model_->fill(*song, s.firstTrack, s.lastTrack, s.firstBar, s.lastBar);
    listedTrack_ = track;
    // The remembered event may be gone (freed): it is found by identity only, never read.
    restoreListSelection(ListBox1, before, [this](const void* item) {
        const auto& rows = model_->list().rows();
        const auto it = std::find(rows.begin(), rows.end(), item);
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    });
    updateActions();
}

void TEventForm::selectEventLine(const anyEvent* event) {
    const int row = model_->list().rowOf(event);
    if (row < 0) return;
    const QModelIndex index = model_->index(row);
    ListBox1->setCurrentIndex(index);
    ListBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

anyEvent* TEventForm::selectedEvent() const {
    const QModelIndex current = ListBox1->currentIndex();
    if (!current.isValid() || !ListBox1->selectionModel()->isSelected(current)) return nullptr;
    return model_->eventAt(current.row());
}

midiTrack* TEventForm::emptyLineTrack() const {
    midiSong* song = context().song();
    const Selection s = context().selection();
    if (!song || s.lastBar < s.firstBar) return nullptr;
    const int track = listedTrack_ >= 0 ? listedTrack_ : s.firstTrack;
    return track >= 0 && track < song->trackCount() ? song->track(track) : nullptr;
}

void TEventForm::updateActions() {
    const bool editable = selectedEvent() && context().song() && !context().playing();
    AddNew->setEnabled(editable || (!context().playing() && emptyLineTrack()));
    ActionEdit->setEnabled(editable);
    ActionDelete->setEnabled(editable);
    Copy1->setEnabled(model_->rowCount() > 0);
}

void TEventForm::TrackComboBoxChange(int index) { fillEventList(index); }

// ---- commands -------------------------------------------------------------------------------

void TEventForm::edited(const anyEvent* select) {
    ownEdit_ = true;
    context().songEdited();
    ownEdit_ = false;
    if (select) selectEventLine(select);
    updateActions();
}

void TEventForm::runDialog(bool adding) {
    midiSong* song = context().song();
    anyEvent* e0 = selectedEvent();
    if (!song || context().playing()) return;
    midiTrack* target = nullptr;
    EventFields prefill;
    if (e0) {
        const int row = ListBox1->currentIndex().row();
        const anyEvent* e1 = row >= 2 ? model_->eventAt(row - 1) : nullptr;
        const anyEvent* e2 = row >= 2 ? model_->eventAt(row - 2) : nullptr;
        target = song->trackOf(e0);
        if (!target) {
            context().reportError(kInternalError);
            return;
        }
        prefill = prefillEventFields(*e0, e1, e2);
    } else {
        // No line to start from (a track with nothing in the shown bars): the listed track, at the
        // start of the selection.
        target = adding ? emptyLineTrack() : nullptr;
        if (!target) return;
        prefill = emptyLineFields(*target, context().selection().firstBar);
    }

    TAddEvent dialog(adding ? TAddEvent::Mode::add : TAddEvent::Mode::edit, this);
    dialog.setFields(prefill, prefill.page == EventPage::meta ? fromSongText(prefill.metaText) : QString());
    if (!adding && e0) dialog.setChannelUsed(e0->channelOf() >= 0);
    dialog.setEncoder([song](const QString& text) { return toSongText(text, *song); });
    dialog.setApply([&](const EventFields& fields) {
        try {
            if (adding) {
                const AddedEvent added = addEventFromFields(*song, *target, fields);
                if (added.movedToFirstTrack) {
                    prompts().message(this, QMessageBox::Information, kAddedToTrack0, QMessageBox::Ok);
                    const QSignalBlocker block(TrackComboBox);
                    TrackComboBox->setCurrentIndex(0);
                    listedTrack_ = 0;
                }
                edited(added.event);
            } else {
                const EditedEvent changed = editEventFromFields(*song, *e0, fields);
                edited(changed.event);
            }
            return true;
        } catch (const MidiError& error) {
            context().reportError(QString::fromStdString(error.message()));
            return false;
        }
    });
    prompts().execDialog(&dialog);
}

void TEventForm::AddNewExecute() { runDialog(true); }

void TEventForm::undoRequested() {
    // Like its own edits, its own undo keeps the list on the track it shows.
    ownEdit_ = true;
    context().undoOwnEdit();
    ownEdit_ = false;
    updateActions();
}

void TEventForm::redoRequested() {
    ownEdit_ = true;
    context().redoOwnEdit();
    ownEdit_ = false;
    updateActions();
}

void TEventForm::ActionEditExecute() { runDialog(false); }

void TEventForm::ActionDeleteExecute() {
    midiSong* song = context().song();
    anyEvent* e = selectedEvent();
    if (!song || !e || context().playing()) return;
    try {
        deleteListedEvent(*song, *e);
        edited(nullptr);
    } catch (const MidiError& error) {
        context().reportError(QString::fromStdString(error.message()));
    }
}

QString TEventForm::copyText() const {
    QString text;
    const int rows = model_->rowCount();
    for (int r = 0; r < rows; ++r) {
        QString line = model_->lineAt(r);
        int end = line.size();
        while (end > 0 && line.at(end - 1).isSpace()) --end;
        line.truncate(end);
        if (r > 0) text += "\r\n";
        text += line;
    }
    return text;
}

void TEventForm::Copy1Click() { QApplication::clipboard()->setText(copyText()); }
