#pragma once

// The event list window: every event of the selected tracks and bars as one line, with Add,
// Edit and Delete through the add/edit dialog (Add also with no line selected, so that a track
// with nothing in the selected bars gets its first event), a track choice, and Copy of the lines. The list
// is a model over the song's events (EventListModel) in a view that keeps nothing per line
// (UniformListView); the window keeps no text of its own.

#include <QString>

#include "eventlist/event_edit.h"
#include "host/tool_window.h"

class QAction;
class QComboBox;
class QMenu;
class QPushButton;
class EventListModel;
class UniformListView;
class TAddEvent;

class TEventForm : public ToolWindow {
    Q_OBJECT
public:
    TEventForm(EditorContext& context, QWidget* parent = nullptr);
    // Writes evlist.prf.
    ~TEventForm() override;

    void refreshFromEditor() override;
    void songReplaced() override;
    void locateEvent(const tonvela::anyEvent* event) override { selectEventLine(event); }

    // Rebuilds the list: the selected tracks (track -1) or one track, the selected bars.
    void fillEventList(int track);
    // Selects the line of the event (binary search); nothing when it is not listed.
    void selectEventLine(const tonvela::anyEvent* event);
    // The track the list shows, or -1 for the selected tracks.
    int listedTrack() const { return listedTrack_; }
    EventListModel* model() const { return model_; }
    // The selected line's event, or nullptr.
    tonvela::anyEvent* selectedEvent() const;
    // What Copy puts on the clipboard: every line as shown, CR LF between lines, no trailing blanks.
    QString copyText() const;

    // ---- controls (names as in the window's design) -------------------------------------------
    UniformListView* ListBox1;
    QComboBox* TrackComboBox;
    QPushButton* AddButton;
    QPushButton* EditButton;
    QPushButton* DeleteButton;
    QPushButton* CloseButton;
    QAction* AddNew;
    QAction* ActionEdit;
    QAction* ActionDelete;
    QAction* Copy1;
    QMenu* PopupMenu1;

    // ---- handlers -----------------------------------------------------------------------------
    void AddNewExecute();
    void ActionEditExecute();
    void ActionDeleteExecute();
    void Copy1Click();
    void TrackComboBoxChange(int index);
    void updateActions();

protected:
    void hideEvent(QHideEvent* event) override;
    void undoRequested() override;
    void redoRequested() override;

private:
    // Opens the add or edit dialog prefilled from the selected line and the two above it; Add
    // with no line selected starts at the selection's start in emptyLineTrack.
    void runDialog(bool adding);
    // Where Add with no line selected puts its event: the track the list shows (the top selected
    // track when it shows the selection); nullptr without a song or selected bars.
    tonvela::midiTrack* emptyLineTrack() const;
    // After an edit made here: the views are refreshed, the list keeps its own track choice and
    // selects `select`.
    void edited(const tonvela::anyEvent* select);
    void readPrefs();
    void writePrefs();

    EventListModel* model_;
    int listedTrack_ = -1;
    bool ownEdit_ = false;
    QString prefsPath_;
};
