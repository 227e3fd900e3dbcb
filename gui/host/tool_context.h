#pragma once

// The editor context the tool host gives one tool window: everything is the editor's, except
// that the window's edits are written down as its own (EditOwners), so that its Undo and Redo
// (undoOwnEdit, redoOwnEdit) act on its own edits, whichever tracks they went to.
//
// Every function of EditorContext is passed on to the editor here: one added there needs its line
// here too.

#include "host/edit_owners.h"
#include "host/editor_context.h"

class ToolContext : public EditorContext {
public:
    ToolContext(EditorContext& editor, EditOwners& owners) : editor_(editor), owners_(owners) {}

    tonvela::midiSong* song() const override { return editor_.song(); }
    tonvela::Selection selection() const override { return editor_.selection(); }
    void setSelection(const tonvela::Selection& selection) override { editor_.setSelection(selection); }
    tonvela::MidiDevice* device() const override { return editor_.device(); }
    bool playing() const override { return editor_.playing(); }
    tonvela::Options options() const override { return editor_.options(); }
    const AppFolders& folders() const override { return editor_.folders(); }
    bool undo(int track) override { return editor_.undo(track); }
    bool redo(int track) override { return editor_.redo(track); }
    void songEdited() override;
    void setBusy(bool busy) override { editor_.setBusy(busy); }
    void showStatus(const QString& text) override { editor_.showStatus(text); }
    void reportError(const QString& message) override { editor_.reportError(message); }
    void locateEvent(const tonvela::anyEvent* event) override { editor_.locateEvent(event); }
    QWidget* dialogParent() const override { return editor_.dialogParent(); }
    void showOptions(int page) override { editor_.showOptions(page); }

    std::vector<int> ownUndoTracks() const override;
    std::vector<int> ownRedoTracks() const override;

private:
    EditorContext& editor_;
    EditOwners& owners_;
};
