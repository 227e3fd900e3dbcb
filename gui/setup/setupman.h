#pragma once

// The Setup Manager, a modal dialog made for each opening: the sound of one channel at a time
// (bank, program, volume, expression, pan, effect sends, tone controllers, vibrato and decay,
// bend sensitivity). Every change is heard at once on the output port; Set writes the channel's
// set-up into the song, at the head (setup mode) or, as "Halfway Setup", only the differences at
// the start of the selected bar.

#include <QString>
#include <array>
#include <vector>

#include "expression/expression_play.h"
#include "host/tool_window.h"
#include "setup/setup_manager.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

class TSetupMan : public ToolWindow {
    Q_OBJECT
public:
    // What opening the dialog asks first: in setup mode, when notes begin within the first beat,
    // whether to make a leading bar; "No Valid data" (and nullptr) when there is no channel to
    // set up. Halfway the channel is the current track's first channel and the set-up goes to the
    // start of the first selected bar.
    static TSetupMan* make(EditorContext& context, QWidget* parent, bool setupMode);

    bool setupMode() const { return setupMode_; }
    // The channel shown (0..15).
    int channel() const;
    // The Set the controls describe; false (after asking for a number again, or when the user
    // gave up) when a time field does not hold one.
    bool request(tonvela::SetupRequest& out);

    void refreshFromEditor() override;
    void songReplaced() override;

    // ---- handlers -----------------------------------------------------------------------------
    void ComboBoxChannelChange();
    void ButtonSetClick();
    void ActionOKExecute();  // Set && Next
    void copyFromButtonClick();
    void ButtonDefaultClick();
    void SendBankSelClick();

    // ---- controls -----------------------------------------------------------------------------
    QComboBox* ComboBoxChannel;
    QComboBox* ComboBoxTrackName;
    QLabel* LabelBankSelect;
    QSpinBox* EditBSMSB;
    QSpinBox* EditBSLSB;
    QCheckBox* SendBankSel;
    QComboBox* ComboBoxprogram;
    QSpinBox* Editvolume;  // with its up-down
    QSpinBox* EditExp;
    QSpinBox* EditPitchBend;
    QSlider* TrackBarPanpot;
    QSlider* TrackBarReverb;
    QSlider* TrackBarChorus;
    QSlider* TrackBarVariation;
    QSlider* TrackBarbrightness;
    QSlider* TrackBarHC;
    QSlider* TrackBarAttack;
    QSlider* TrackBarRelease;
    QSlider* TrackBarDecay;
    QSlider* ViblatoRate;
    QSlider* ViblatoDepth;
    QSlider* ViblatoDelay;
    QLineEdit* EditStart;
    QLineEdit* EditInterval;
    QLineEdit* EditOffset;
    QCheckBox* CheckBox1;  // Send even if default value
    QCheckBox* CheckBoxSendNullRPN;
    QCheckBox* CheckBoxSetAtZero;
    QPushButton* ButtonSet;
    QPushButton* ButtonOk;  // Set && Next
    QPushButton* copyFromButton;
    QPushButton* ButtonDefault;
    QPushButton* ButtonPlay;
    QPushButton* ButtonPlayAll;
    QPushButton* ButtonStop;
    QPushButton* ButtonClose;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TSetupMan(EditorContext& context, QWidget* parent, bool setupMode, const std::vector<int>& channels,
              int32_t halfwayStart);

    // The control that shows a value, and its value.
    int value(tonvela::SetupControl control) const;
    void showValue(tonvela::SetupControl control, int value);
    void showValues(const tonvela::SetupValues& values, bool keepVibrato);
    void fillProgramList(bool drumKits);
    // Sends what a control now holds (nothing without an open port).
    void sendLive(tonvela::SetupControl control);
    void sendAll();
    bool set();
    bool portOpen() const;

    bool setupMode_;
    int32_t halfwayStart_;
    bool drumPart_ = false;
    bool drumList_ = false;
    int shownBendRange_ = 2;
    bool loading_ = false;  // controls are being filled: nothing is sent
    bool changedSong_ = false;
    ExpressionPlayer player_;
    std::array<QLabel*, tonvela::setupControlCount> valueLabels_{};
};
