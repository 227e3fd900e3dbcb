#pragma once

// The main window: the song as a grid of tracks by bars, the information panel, the channel
// grid, the play bar, the File commands and the song tools. The window owns the one song.
// Commands translate controls into calls of the core and report results; the song logic
// lives in the core library.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "appfolders.h"
#include "host/editor_context.h"
#include "settings/filehistory.h"
#include "settings/mainprefs.h"
#include "tools/barsummary.h"
#include "tools/taptempo.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSlider;
class QStackedWidget;
class QTableWidget;
class QToolBar;
class QToolButton;
class QPushButton;
class BarGrid;
class RadioGroup;
class QTimer;
class TLogWindow;
class TMidiDevice;
class TOption;
class ToolHost;

namespace tonvela {
class midiSong;
class midiTrack;
class BarClipboard;
class MidiDevice;
}  // namespace tonvela

// What the channel grid shows of one channel.
struct ChannelSnapshot {
    QString instrument;
    int volume = 100, modulation = 0, pan = 64, expression = 127;
    int bendRange = 2, bend = 8192, harmonicContent = 64, brightness = 64;
};

class TMIDIPollimoMain : public QMainWindow, public EditorContext {
    Q_OBJECT
public:
    struct Context {
        AppFolders folders;
        TOption* option = nullptr;
        TLogWindow* logWindow = nullptr;
        TMidiDevice* deviceWindow = nullptr;  // none: no playback
        QString commandLineFile;  // opened at first show when it exists
    };
    explicit TMIDIPollimoMain(const Context& context, QWidget* parent = nullptr);
    // Writes main.prf.
    ~TMIDIPollimoMain() override;
    // The windows made after this one (options, log window) are handed in before first show.
    void setContext(const Context& context) { context_ = context; }

    // ---- the editor context of the tool windows ---------------------------------------------
    tonvela::midiSong* song() const override { return song_.get(); }
    tonvela::Selection selection() const override;
    void setSelection(const tonvela::Selection& selection) override;
    tonvela::MidiDevice* device() const override;
    bool playing() const override;
    tonvela::Options options() const override;
    const AppFolders& folders() const override { return context_.folders; }
    bool undo(int track) override;
    bool redo(int track) override;
    void songEdited() override;
    void setBusy(bool busy) override;
    void showStatus(const QString& text) override { status(text); }
    void reportError(const QString& message) override;
    void locateEvent(const tonvela::anyEvent* event) override;
    QWidget* dialogParent() const override { return const_cast<TMIDIPollimoMain*>(this); }
    void showOptions(int page) override;
    // The tool windows (made on first use).
    ToolHost& tools() const { return *toolHost_; }

    // ---- state other windows and tests read -------------------------------------------------
    QString currentPath() const { return currentPath_; }
    const tonvela::FileHistory& history() const { return history_; }
    tonvela::FileHistory& history() { return history_; }
    const tonvela::MainPrefs& prefs() const { return prefs_; }
    bool songChanged() const;

    // ---- selection operations ---------------------------------------------------------------
    void selectCell(int track, int bar);
    void extendLeft();
    void extendRight();
    void shiftLeft();
    void shiftRight();
    void shrinkLeft();
    void shrinkRight();
    // Redraws the grids and tells the views that follow the selection.
    void refreshSelectionViews();

    // ---- file commands ----------------------------------------------------------------------
    // Opens a file as Open does after its dialog; false when nothing was loaded.
    bool openPath(const QString& path);
    // The changed-data check; false when the user cancelled.
    bool checkChanged();
    bool saveFile();
    // Opens a file handed over by another start of the program, after the changed-data check.
    void openFromOutside(const QString& path);

    // Runs the first-show steps (main.prf, add-on installers, command-line file) once; show()
    // queues it.
    void firstShow();

    // ---- seams for tests --------------------------------------------------------------------
    // The millisecond clock of the tap-tempo button.
    void setClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }
    // Called instead of the MIDI error sound when a command fails (and the option is on).
    void setErrorSound(std::function<void()> sound) { errorSound_ = std::move(sound); }
    // The tempo set by the play bar (tap tempo, Set), microseconds per quarter note.
    int32_t playTempo() const { return playTempo_; }
    void setChannelSnapshots(const std::array<ChannelSnapshot, 16>& channels);
    // Whether Shift is held for the play commands (Play from).
    void setShiftState(std::function<bool()> shiftHeld) { shiftHeld_ = std::move(shiftHeld); }
    // Brings the enabled states of every command up to date.
    void updateActions();

    // ---- the Effect menu (mainwin_effects.cpp) ------------------------------------------------
    // Makes the menu's entries again from the effects folder: group files as entries, sub-folders
    // as submenus (disabled when empty). Runs when the menu opens.
    void buildEffectsMenu();
    // Runs the effects of a group file one after another over the selection, with the status
    // texts of each step; members that cannot run are reported and skipped.
    void runEffectGroup(const QString& path);

    // ---- controls (names as in the window's design) ----------------------------------------
    QToolBar* ToolBar1;
    QWidget* ViewPanel;
    QStackedWidget* ViewStack;
    QLabel* Picture;
    BarGrid* MIDIDrawGrid11;
    QLabel* LabelBar1;
    QToolBar* ToolBar2;
    QWidget* InfoPanel;
    QLineEdit* TimeBase;
    QLineEdit* EditTune;
    RadioGroup* System;
    RadioGroup* Format;
    QCheckBox* GMOn;
    QLineEdit* EditTitle;
    QComboBox* CopyrightComboBox;
    QWidget* Panel3;
    QSlider* TrackBar1;
    QLineEdit* EditTempo;
    QPushButton* TempoSet;
    QToolButton* SpeedButton1;
    QTableWidget* StringGrid1;
    QCheckBox* AllTracks;
    QCheckBox* Loop;
    QCheckBox* SelectPlayPos;
    QLineEdit* TimeEdit2;
    QLineEdit* Marker;
    QProgressBar* BusyBar;

    // Menus and actions.
    QMenu* FileMenu;
    QMenu* HistoryMenu;
    QMenu* EditMenu;
    QMenu* WindowMenu;
    QMenu* MidiMenu;
    QMenu* EffectMenu;
    QMenu* HelpMenu;
    QAction* FileOpen;
    QAction* FileSave;
    QAction* FileSaveAs;
    QAction* Exit;
    QAction* HistoryClearAll;
    QAction* HistoryOptimize;
    QAction* ActionUndo;
    QAction* ActionRedo;
    QAction* ActionCut;
    QAction* ActionCopy;
    QAction* ActionPaste;
    QAction* Action1MakeLeadingBar;
    QAction* ActionDrumsNotesChanger;
    QAction* Action1Statistics;
    QAction* ActionEventList;
    QAction* ActionPianoRoll;
    QAction* ActionEffectEditor;
    QAction* ActionPortamentEditor;
    QAction* ActionTrillEditor;
    QAction* ActionSlurBender;
    QAction* ActionGlissandEditor;
    QAction* ActionDataChecker;
    QAction* ActionXGEditor;
    QAction* ActionTempoEditor;
    QAction* ActionSetupManager;
    QAction* ActionHalfwaySetup;
    QAction* ActionEffectGroupEditor;
    QAction* ActionOption;
    QAction* ActionMIDIDevice;
    QAction* ActionPlayAll;
    QAction* PlaySong;
    QAction* ActionResumeplay;
    QAction* PlayStop;
    QAction* ActionPlayToggle;
    QAction* Help2;
    QAction* ActionAbout;

    // ---- command handlers ---------------------------------------------------------------------
    void FileOpenExecute();
    void FileSaveExecute();
    void FileSaveAsExecute();
    void ExitExecute();
    void UndoExecute();
    void RedoExecute();
    void CutExecute();
    void CopyExecute();
    void PasteExecute();
    void MakeLeadingBarExecute();
    void StatisticsExecute();
    void HelpExecute();
    void OptionExecute();
    void SpeedButton1Click();
    void TempoSetClick();
    void PlaySongExecute();
    void PlayAllExecute();
    void ResumeplayExecute();
    void PlayStopExecute();
    // Space: Stop while playing, else Play.
    void PlayToggleExecute();
    void MIDIDeviceExecute();
    // The periodic display refresh while playing.
    void Timer1Timer();

    QTimer* Timer1;

Q_SIGNALS:
    // After every refresh of the selection-dependent views (tool windows follow it).
    void selectionViewsRefreshed();
    // The window was closed (Exit or its close box) and the program should end.
    void closed();
    // The first-show steps are done.
    void firstShown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildCentral();
    void buildPlayBar();
    QWidget* buildBottomPanel();
    void buildChannelGrid();
    void readMainPrefs();
    void writeMainPrefs();
    void offerInstallers();
    void rebuildHistoryMenu();
    void updateUndoItem();

    void fillViews();
    void refreshGrid();
    void refreshChannelGrid();
    void setTitleFromSong();
    void fillCopyrightList();
    void dropSong();
    void status(const QString& text);
    // Runs work on a helper thread while the window shows that it is busy; rethrows its error.
    void runBusy(const QString& text, const std::function<void()>& work);
    bool writeSong(const QString& path);
    // A load that failed: says where the file broke and, when the repairing load reads it,
    // offers "Open what can be read". True when the song now holds what was read (`repairs`
    // lists the repairs); false leaves the song to be dropped.
    bool openDamaged(const QString& path, const std::exception& failure, std::vector<std::string>& repairs);
    QString installedManual() const;

    // Parts of selection(): current (top) and last track, first and last bar (from 0); -1
    // without a song.
    int currentTrack() const;
    int lastTrack() const;
    int firstBar() const;
    int lastBar() const;
    tonvela::midiTrack* currentTrackObject() const;
    void connectDevice();
    // With no output open: says so in the status bar and returns true.
    bool refuseWithoutOutput();
    void afterPlayStarted(bool follow);
    void playDone();
    void readChannelStates();
    // Every channel back to its defaults, in the device and in the channel grid.
    void resetChannelGrid();
    void feedInitialChannelStates();
    void playErrorSound();
    // The play buttons' hints name what Shift makes of them.
    void updatePlayHints();
    // Stopped, the tempo box shows the song's tempo in force where the selection starts.
    void showSongTempo();

    Context context_;
    std::unique_ptr<tonvela::midiSong> song_;
    ToolHost* toolHost_ = nullptr;
    std::unique_ptr<tonvela::BarClipboard> clipboard_;
    std::function<bool()> shiftHeld_;
    std::thread errorSoundThread_;
    bool followPlay_ = false;
    tonvela::BarSummary summary_;
    tonvela::FileHistory history_;
    tonvela::MainPrefs prefs_;
    tonvela::TapTempo tap_;
    std::function<int64_t()> clock_;
    std::function<void()> errorSound_;
    std::array<ChannelSnapshot, 16> channels_{};
    QString currentPath_;
    QString openFolder_;
    int32_t playTempo_ = 500000;
    bool firstShown_ = false;
    bool busy_ = false;
    bool closing_ = false;  // the Exit command already ran its check
    bool fillingTitle_ = false;
    bool recovered_ = false;  // the song was read with repairs and not saved since
};
