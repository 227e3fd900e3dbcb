#pragma once

// The glissando editor, a modal dialog: a run of notes between two keys over a span, through a
// twelve-note pedal scale with alterations, with an optional delayed second run and sustain
// pedal. "Test" plays the run alone, "Make" writes it into the current track. The settings
// stay as the user left them until the program ends; the span follows the selection at every
// opening.

#include <array>
#include <memory>

#include "expression/expression_play.h"
#include "expression/glissando.h"
#include "host/tool_window.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace tonvela {
class midiTrack;
}

class TGlissand : public ToolWindow {
    Q_OBJECT
public:
    explicit TGlissand(EditorContext& context, QWidget* parent = nullptr);
    ~TGlissand() override;

    void refreshFromEditor() override;
    void songReplaced() override;

    // The settings as the controls hold them; number fields that do not read count as 0.
    tonvela::GlissandoSettings settings() const;
    // What the last Test or Make built.
    const tonvela::midiTrack* workTrack() const { return work_.get(); }

    // The alteration menu of one of CheckBox1..CheckBox12 (index 0..11) chose `text`.
    void setAlteration(int pitchClass, const QString& text);
    // The key preset menu chose preset -7..7 ("b x7".."(C)".."# x7").
    void applyPreset(int sharps);

    // ---- handlers -----------------------------------------------------------------------------
    void ButtonTestClick();
    void MakeClick();
    void NaturCHeckClick();
    void ChromCheckClick();
    void SpeedButton2Click();
    void SpeedButton1Click();

    // ---- controls -----------------------------------------------------------------------------
    QLineEdit *StartBar, *StartBeat, *StartTick, *EndBar, *EndBeat, *EndTick;
    QComboBox* fromNote;
    QComboBox* toNote;
    QCheckBox* UseLastNote;
    QLineEdit* VeloStart;
    QLineEdit* VeloEnd;
    QLineEdit* Dur;
    QCheckBox* UseSustain;
    QFrame* Panel1;
    std::array<QCheckBox*, 12> Scale1;  // CheckBox1..CheckBox12
    QToolButton* NaturCHeck;
    QToolButton* ChromCheck;
    QCheckBox* UseAlt;
    QFrame* Panel2;
    std::array<QCheckBox*, 12> Scale2;  // CheckBox13..CheckBox24
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton1;
    QLineEdit* DelayTime;
    QPushButton* ButtonTest;
    QPushButton* Make;
    QPushButton* ButtonOk;
    QMenu* PresetMenu;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The span and the number fields, asking again for any that does not read; false when the
    // user gave up or a position is out of reach (after its message).
    bool readSpan(int32_t& start, int32_t& end, tonvela::GlissandoSettings& settings);
    bool buildRun(int32_t& start, int32_t& end, tonvela::GlissandoSettings& settings);
    void toggleGroup(std::array<QCheckBox*, 12>& boxes, bool naturals);
    int currentTrack() const;

    ExpressionPlayer player_;
    std::unique_ptr<tonvela::midiTrack> work_;
    std::array<int, 12> alteration_{};
};
