#pragma once

// The trill editor and slur bender, one window with two pages over the notes of the current
// track within the selected bars. "Trill" replaces the chosen note by a trill of notes or of
// pitch bends; "Slur Bender" joins a phrase into one held note bent along it, or with
// "Bend->Note" splits bent notes into notes. Each builds into a work track first: Test Play plays
// that track alone, Apply copies it into the song. The caption follows the page.

#include <memory>
#include <vector>

#include "expression/expression_play.h"
#include "expression/slur.h"
#include "expression/trill.h"
#include "host/tool_window.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;
class RadioGroup;

namespace tonvela {
class midiTrack;
}

class TTrillEditor : public ToolWindow {
    Q_OBJECT
public:
    enum Page { TrillPage, SlurPage };

    explicit TTrillEditor(EditorContext& context, QWidget* parent = nullptr);
    ~TTrillEditor() override;

    void refreshFromEditor() override;
    void songReplaced() override;
    // "trill" opens the Trill page, "slurbender" the Slur Bender page; both reset the trill
    // interval to its millisecond default.
    void opening(const QString& id) override;

    Page page() const;
    void setPage(Page page);
    // The chosen note of the Trill page (the current line), nullptr when none.
    tonvela::NoteOnEvent* selectedNote() const;
    // The Slur Bender's phrase: the run of selected lines from the first one.
    std::vector<tonvela::NoteOnEvent*> phrase() const;
    int32_t trillRange() const { return trillRange_; }
    // The settings as the controls hold them; number fields that do not read count as 0.
    tonvela::TrillSettings trillSettings() const;
    tonvela::SlurSettings slurSettings() const;
    // What the last Test Play or Apply built.
    const tonvela::midiTrack* workTrack() const { return work_.get(); }

    // ---- handlers -----------------------------------------------------------------------------
    void ListBox1Click();
    void QuantizeClick();
    void DefSpeedButton1Click();
    void SlurBenderShow();
    void TestPlayButtonClick();
    void ApplyButtonClick();
    void TestPlayAction1Update();
    void TestPlayClick();
    void StopButtonClick();

    // ---- controls -----------------------------------------------------------------------------
    QLineEdit *FromBar, *FromBeat, *FromTickEdit, *ToBar, *ToBeat, *ToTickEdit;
    QListWidget* ListBox1;
    QTabWidget* PageControl;
    // Trill page
    RadioGroup* TrillMethod;
    QSpinBox* UpperPitch;
    QLabel* UpperPitchName;
    QLineEdit* TrillInterval;
    QToolButton* DefSpeedButton1;
    QLineEdit* IntTime;
    QSpinBox* FirstLength;
    QSpinBox* LastLength;
    RadioGroup* StartWith;
    QCheckBox* EndwithGivenNote;
    QCheckBox* TurnAtLast;
    QSpinBox* TurnNoteEdit;
    QLabel* TurnNoteName;
    RadioGroup* Quantize;
    QCheckBox* Fill;
    QLabel* RangeStatic;
    // Slur Bender page
    QLabel* CurrentBendRange;
    RadioGroup* SlurVelocity;
    QGroupBox* PortamentGroup;
    QCheckBox* PortCheckBox1;
    QSlider* PortTrackBar1;
    QCheckBox* DelayCheck;
    QLineEdit* MaxEffectRangeEdit1;
    QLineEdit* Precision;
    QCheckBox* Reverse;
    // Commands
    QAction* TestPlayAction1;
    QAction* ApplyAction1;
    QPushButton* TestPlayButton;
    QPushButton* ApplyButton;
    QPushButton* TestPlay;
    QPushButton* StopButton;
    QPushButton* CloseButton1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildTrillPage();
    QWidget* buildSlurPage();
    void pageChanged();
    void setTrillIntervalDefault();
    void updateDependentControls();
    int currentTrack() const;
    // Reads the number fields the page uses, asking again for any that does not read; false
    // when the user gave up.
    bool readFields();
    // Builds the work track for the page; the events of the track it replaces in `removals`.
    // False (after the message) when the build was refused.
    bool build(std::vector<tonvela::anyEvent*>& removals);

    ExpressionPlayer player_;
    std::unique_ptr<tonvela::midiTrack> work_;
    QTimer* idleTimer_;
    int32_t trillRange_ = 0;
    bool resetInterval_ = false;
    bool refreshing_ = false;
};
