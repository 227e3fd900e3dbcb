#pragma once

// An editor context over a bare song, for testing a tool window without the main window.

#include <QString>
#include <QStringList>
#include <memory>

#include "appfolders.h"
#include "host/edit_owners.h"
#include "host/editor_context.h"
#include "host/tool_context.h"
#include "host/tool_window.h"
#include "song/song.h"

namespace guitest {

class FakeEditorContext : public EditorContext {
public:
    tonvela::midiSong* song() const override { return song_.get(); }
    tonvela::Selection selection() const override { return selection_; }
    void setSelection(const tonvela::Selection& s) override {
        selection_ = s;
        refreshTools();
    }
    tonvela::MidiDevice* device() const override { return device_; }
    bool playing() const override { return playing_; }
    tonvela::Options options() const override { return options_; }
    const AppFolders& folders() const override { return folders_; }
    bool undo(int track) override {
        if (!song_ || playing_ || track < 0 || track >= song_->trackCount()) return false;
        if (song_->track(track)->undoCount() == 0) return false;
        song_->undoTrack(track);
        owners.replayed(*song_);
        songEdited();
        return true;
    }
    bool redo(int track) override {
        if (!song_ || playing_ || track < 0 || track >= song_->trackCount()) return false;
        if (!song_->canRedoTrack(track)) return false;
        song_->redoTrack(track);
        owners.replayed(*song_);
        songEdited();
        return true;
    }
    void songEdited() override {
        ++edits;
        if (song_) owners.edited(*song_, nullptr);  // what no tool window wrote down is the editor's
        refreshTools();
    }
    void setBusy(bool b) override {
        busy = b;
        if (b) ++busyRuns;
    }
    void showStatus(const QString& text) override { statuses << text; }
    void reportError(const QString& message) override { errors << message; }
    void locateEvent(const tonvela::anyEvent* e) override {
        located = e;
        for (ToolWindow* w : tools) w->locateEvent(e);
    }
    QWidget* dialogParent() const override { return nullptr; }

    // Loads a song from bytes and selects every grid row and bar.
    void loadSong(const std::vector<uint8_t>& bytes) {
        for (ToolWindow* w : tools) w->songReplaced();
        if (!song_) song_ = std::make_unique<tonvela::midiSong>();
        song_->loadBytes(bytes.data(), bytes.size(), "test.mid");
        owners.clear();
        selection_ = tonvela::Selection::wholeSong(*song_);
    }
    // Windows to refresh after edits and selection changes, as the host does for visible ones.
    void refreshTools() {
        for (ToolWindow* w : tools)
            if (w->isVisible()) w->refreshFromEditor();
    }

    std::unique_ptr<tonvela::midiSong> song_;
    tonvela::Selection selection_{1, 0, 0, -1};
    tonvela::MidiDevice* device_ = nullptr;
    bool playing_ = false;
    tonvela::Options options_;
    AppFolders folders_;
    std::vector<ToolWindow*> tools;
    // Who made which step; `tool` is a context as the tool host gives one window.
    EditOwners owners;
    ToolContext tool{*this, owners};

    int edits = 0;
    bool busy = false;
    int busyRuns = 0;
    QStringList statuses, errors;
    const tonvela::anyEvent* located = nullptr;
};

}  // namespace guitest
