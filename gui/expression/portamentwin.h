#pragma once

// The portamento editor: the notes of a track within the selected bars, marked "+" while the
// portamento switch is on; a phrase chosen as consecutive lines gets the portamento switch
// around it and the portamento time as one value or as a glide over each note's start.

#include <memory>
#include <vector>

#include "expression/expression_play.h"
#include "expression/portamento.h"
#include "host/tool_window.h"

class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTimer;
class RadioGroup;

namespace tonvela {
class midiTrack;
}

class TPortamentEditor : public ToolWindow {
    Q_OBJECT
public:
    explicit TPortamentEditor(EditorContext& context, QWidget* parent = nullptr);
    ~TPortamentEditor() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    // The phrase: the notes of the run of selected lines from the first selected one.
    std::vector<tonvela::NoteOnEvent*> phrase() const;
    // The track whose notes are listed (TrackName), -1 without a song.
    int listedTrack() const;

    // ---- handlers -----------------------------------------------------------------------------
    void ApplyButtonClick();
    void ApplyUpdate();
    void DistanceUnitChange(int unit);
    void TrackNameChange(int index);
    void TestPlayClick();
    void StopButtonClick();

    // ---- controls -----------------------------------------------------------------------------
    QLineEdit *FromBar, *FromBeat, *FromTickEdit, *ToBar, *ToBeat, *ToTickEdit;
    QComboBox* TrackName;
    QListWidget* ListBox1;
    RadioGroup* RadioGroup1;
    QLineEdit* ControlValue;
    QLineEdit* StartValue;
    QScrollBar* ScrollBar1;
    QLineEdit* EndValue;
    QScrollBar* ScrollBar2;
    QComboBox* Curve;
    QLineEdit* Distance;
    QComboBox* DistanceUnit;
    QLineEdit* portaDuration;
    QLineEdit* StartOffset;
    QAction* Apply;
    QPushButton* ApplyButton;
    QPushButton* TestPlay;
    QPushButton* StopButton;
    QPushButton* CloseButton1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fillNotes();
    void updateModeControls();
    // The settings the mode uses, read from the fields; a field that does not read is asked for
    // again. False when the user gave up.
    bool readSettings(tonvela::PortamentoSettings& settings);
    int32_t unitTime() const;

    ExpressionPlayer player_;
    std::unique_ptr<tonvela::midiTrack> work_;  // the glide's values before they go in
    QTimer* idleTimer_;
    int previousUnit_ = 0;
    bool ownEdit_ = false;  // the refresh follows this window's own Apply: keep the track
};
