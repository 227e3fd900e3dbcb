#pragma once

// What a tool window may use of the editor: the song and the selection, the output device, a
// snapshot of the options, the journal, and a refresh request after it edits. The main window
// implements it; tests implement it over a bare song. Tool windows never see the main window.

#include <QString>
#include <vector>

#include "settings/options.h"
#include "song/selection.h"

class QWidget;
struct AppFolders;

namespace tonvela {
class anyEvent;
class midiSong;
class MidiDevice;
}  // namespace tonvela

class EditorContext {
public:
    virtual ~EditorContext() = default;

    // nullptr while no song is loaded. The pointer changes when another file is opened; tool
    // windows are told through ToolWindow::songReplaced and must not keep event pointers across.
    virtual tonvela::midiSong* song() const = 0;
    // The main window's selection (empty without a song).
    virtual tonvela::Selection selection() const = 0;
    // Selects tracks and bars in the main window and refreshes every view.
    virtual void setSelection(const tonvela::Selection& selection) = 0;

    // The output device; nullptr when the program runs without one (no test play).
    virtual tonvela::MidiDevice* device() const = 0;
    // While playing, commands that change the file or the device are disabled. The song may be
    // edited: the player plays its own copy of what it was when the play started.
    virtual bool playing() const = 0;
    // The options as they are now (a copy; the dialog may change them later).
    virtual tonvela::Options options() const = 0;
    virtual const AppFolders& folders() const = 0;

    // Undo and redo of a track's newest step, then every view is refreshed. False when there
    // was nothing to do or it is not allowed now (no song, a file being read).
    virtual bool undo(int track) = 0;
    virtual bool redo(int track) = 0;
    // Undo and redo where the calling tool window made its edit (Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y
    // in the window): the tracks whose newest step is the window's newest edit, or that would
    // redo the edit it undid last. A window without such an edit acts as the main window does,
    // on the current track. Only the context the tool host gives a window knows its edits; any
    // other answers for the current track. Empty: nothing to do.
    virtual std::vector<int> ownUndoTracks() const;
    virtual std::vector<int> ownRedoTracks() const;
    // Runs them; false when nothing was done.
    bool undoOwnEdit();
    bool redoOwnEdit();
    // Call after every change of the song: rebuilds the grid's summary and refreshes every view
    // (the calling window included).
    virtual void songEdited() = 0;
    // A long edit runs on the interface thread and lets the windows paint (input held back):
    // while busy the editor refuses every other command that changes the song, the file or the
    // device, and does not close. Every setBusy(true) is followed by setBusy(false).
    virtual void setBusy(bool busy) = 0;

    // A short result in the main window's status bar.
    virtual void showStatus(const QString& text) = 0;
    // A failed command: the MIDI error sound when the option is on, a message box, the status.
    virtual void reportError(const QString& message) = 0;
    // Shows an event of the song: its track and bar selected in the grid, and its line in the
    // event list when that is open. Nothing happens when no track holds the event.
    virtual void locateEvent(const tonvela::anyEvent* event) = 0;

    // Parent for the dialogs a tool opens.
    virtual QWidget* dialogParent() const = 0;
    // The options dialog, modal, turned to a page (0 General, 1 Data Check, 2 Copyright).
    // Nothing happens where there is none.
    virtual void showOptions(int page) { (void)page; }
};
