#pragma once

// The piano roll (`TEditWindow`, caption "Piano Roll"): the notes of the selected tracks and
// bars on a key-by-time plane, one lane of values below it, and the editing of both. It follows
// the main window's selection; every edit is one journaled step per track through the core's
// piano roll operations, after which the editor refreshes every view.
//
// Mouse: click / Shift+click / drag on empty space choose notes; drag moves them (snapped to
// the chosen note value, Alt for free), dragging a note's right end changes the length,
// Ctrl+click adds a note to the current track; drag in the lane draws values.
// Keys: Delete removes the chosen notes, Up/Down transpose (Shift: an octave), Left/Right move
// by the snap value, Ctrl+A chooses every shown note, + / - zoom the time, Ctrl++ / Ctrl+- the
// keys, 0 shows everything again, Space plays or stops, Ctrl+Z undoes. The wheel scrolls the
// keys (Shift: the time), Ctrl+wheel zooms the time (Ctrl+Shift: the keys).

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "host/tool_window.h"
#include "pianoroll/rollstate.h"

class QAction;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QPushButton;
class QScrollBar;
class QSplitter;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolBar;
class QToolButton;
class KeyRuler;
class RollLane;
class RollPlane;

namespace tonvela {
class midiTrack;
}

class TEditWindow : public ToolWindow {
    Q_OBJECT
public:
    TEditWindow(EditorContext& context, QWidget* parent = nullptr);
    // Writes pnroll.prf.
    ~TEditWindow() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    // ---- state tests and other code read ----------------------------------------------------
    const RollState& state() const { return state_; }
    // Chooses notes as a click would (the GUI tests and locateEvent use it).
    void choose(const std::vector<tonvela::RollNote>& notes);
    // Shows a time window of the shown bars and a run of keys (clamped).
    void setView(int32_t start, int32_t span, int keyLow, int keyCount);
    void zoomTime(double factor, int anchorX);
    void zoomKeys(double factor, int anchorY);
    void resetZoom();
    QString statusText() const;

    // ---- controls (names as in the window's design) ----------------------------------------
    QToolBar* ToolBar1;
    QPushButton* Button1;  // play the shown part
    QPushButton* Button2;  // stop
    QAction* ActionSelLeft;
    QAction* ActionSelRight;
    QAction* ActionMoveLeft;
    QAction* ActionMoveRight;
    QAction* ActionShrinkLeft;
    QAction* ActionShrinkRight;
    QAction* ActionUndo;
    QCheckBox* ShowGrid;
    QComboBox* ComboSnap;  // the note value of the grid that moves and lengths snap to
    QSplitter* Splitter1;
    QWidget* Panel4;
    KeyRuler* Ruler;
    RollPlane* Image1;
    QScrollBar* TimeScroll;
    QScrollBar* KeyScroll;
    QTabBar* TabControl1;
    QComboBox* ComboBox1;
    RollLane* ImageBottom;
    QWidget* LaneLead;  // keeps the lane under the plane: as wide as the key axis
    QPushButton* CloseButton;
    QStatusBar* StatusBar1;

    // ---- handlers ---------------------------------------------------------------------------
    void PlayClick();
    void StopClick();
    void UndoExecute();
    void DeleteExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void readPrefs();
    void writePrefs();
    void updateControls();
    void updateScrollBars();
    void redraw();
    void laneChanged();
    void planeKey(QKeyEvent* event);
    // Runs an edit of these tracks; the tracks whose journal grew are remembered for Undo and
    // every view is refreshed.
    void edit(const std::vector<int>& tracks, const std::function<void()>& change);
    std::vector<int> tracksOf(const std::vector<tonvela::RollNote>& notes) const;
    std::vector<int> undoTracks() const;
    bool canEdit() const;
    void moveChosen(int32_t ticks, int keys);
    void resizeChosen(int32_t ticks);
    void addNoteAt(int32_t time, int key);
    void applyPen();

    RollState state_;
    QString prefPath_;
    int wantedPaneHeight_ = -1;
    bool paneApplied_ = false;
    bool syncingScroll_ = false;
    // The tracks of each edit made here, newest last, for this window's Undo.
    std::vector<std::vector<int>> history_;
    QTimer* playWatch_;
};
