#pragma once

// The tempo editor (`TTempoEditor`, caption "Tempo Editor"): the tempo changes of track 0 as a
// stepped curve over the selected bars, edited with the mouse (click adds, right click on a
// marker deletes, dragging a marker changes its tempo or its time, with Shift its time along the
// snap grid), the chosen change typed in exactly, and the side panel's Up/Down, rit./accel. and
// Copy&Paste. Every change is one journaled step of track 0 through the core's tempo operations;
// the window's Undo and Redo act on track 0. Place, size and Show Grid are kept in tempowin.prf.

#include <QString>
#include <functional>

#include "host/tool_window.h"
#include "tempo/tempo_edit.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class RadioGroup;
class TempoPlane;

class TTempoEditor : public ToolWindow {
    Q_OBJECT
public:
    TTempoEditor(EditorContext& context, QWidget* parent = nullptr);
    // Writes tempowin.prf.
    ~TTempoEditor() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    // ---- state tests read ----------------------------------------------------------------------
    const tonvela::TempoPattern& copyBuffer() const { return copyBuffer_; }
    // The chosen tempo change while track 0 holds it; nullptr otherwise.
    tonvela::TempoEvent* chosenTempo() const;
    void choose(tonvela::TempoEvent* event);
    int32_t popupTick() const { return popupTick_; }

    // ---- controls (names as in the window's design) ----------------------------------------
    QToolBar* ToolBar1;
    QPushButton* Button1;  // play the selected part
    QPushButton* Button2;  // stop
    QAction* ActionSelLeft;
    QAction* ActionSelRight;
    QAction* ActionMoveLeft;
    QAction* ActionMoveRight;
    QAction* ActionShrinkLeft;
    QAction* ActionShrinkRight;
    QToolButton* UpDownButton;    // a drag changes the tempo value
    QToolButton* LeftRightButton; // a drag changes the tick
    QComboBox* ComboSnap;         // the note value a Shift drag moves along
    QAction* ActionUndoTempo;
    QAction* ActionRedoTempo;
    QToolButton* TempoToolButton;  // shows or hides the side panel
    QPushButton* CloseButton;
    QLineEdit* StartTick;
    QLineEdit* SetTempo;
    QCheckBox* ShowGrid;
    QCheckBox* ShowNote;
    QLabel* ChosenPlace;      // where the chosen tempo change lies
    QLineEdit* EditBpm;       // its tempo in bpm, two decimals
    QPushButton* ButtonSetBpm;
    TempoPlane* ImageTempo;
    QWidget* Panel3;
    QTabWidget* PageControl;
    QWidget* TabUD;
    QLineEdit* TempoVal;
    RadioGroup* addmethod;
    QLabel* PercentLabel;
    QWidget* AccRit;
    QSpinBox* AccFrom;
    QSpinBox* AccTo;
    RadioGroup* accMethod;
    QLineEdit* AccValue;
    QSpinBox* NumofAcc;
    QCheckBox* atempo;
    QWidget* CopyPaste;
    QPushButton* ButtonCopy;
    QPushButton* ButtonPaste;
    QAction* ActionPaste;
    QPushButton* ButtonApply;
    QMenu* TempoPopup;
    QAction* SetCurrentTempo;

    // ---- handlers ---------------------------------------------------------------------------
    void ApplyClick();
    void CopyClick();
    void PasteExecute();
    void UndoExecute();
    void RedoExecute();
    void PlayClick();
    void StopClick();
    void SetBpmClick();
    void DeleteChosen();
    void SetCurrentTempoClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    QWidget* buildPanel();
    void readPrefs();
    void writePrefs();
    void updateControls();
    void showChosen();
    bool canEdit() const;
    tonvela::TickRange range() const;
    // Runs an edit of track 0; a refusal is reported, changes nothing and gives false. Every view
    // is refreshed after a change.
    bool edit(const std::function<void()>& change);

    tonvela::TempoPattern copyBuffer_;
    tonvela::TempoEvent* chosen_ = nullptr;
    int32_t popupTick_ = 0;
    QString prefPath_;
    QTimer* playWatch_;
};
