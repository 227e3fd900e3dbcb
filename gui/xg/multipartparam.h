#pragma once

// The multi part dialog of one part (0-63): its controls write 08 p AL at every change, each
// change one undo step (a track-bar drag one step); buttons open the effect parameter dialog
// for the part's controller, scale tuning, pitch EG and EQ pages, and the receive map.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class RadioGroup;
class XGEditing;

class TMutiPartParam : public QDialog {
    Q_OBJECT
public:
    TMutiPartParam(XGEditing& editing, int part, QWidget* parent = nullptr);

    int part() const { return part_; }
    // Opens the effect parameter dialog of a page button (198-206).
    void PageButtonClick(int page);
    void ReceiveMapClick();

    QSpinBox* UpDownElResv;
    QComboBox* ComboBoxRcvNo;
    RadioGroup *RadioGroupMonopoly, *RadioGroupSamenotenum, *RadioGroupPartMode;
    QSpinBox* UpDownNoteShift;
    QSlider* TrackBarDetune;
    QLabel* StaticTextDetune;
    QSpinBox *UpDownVSDepth, *UpDownVSOffset, *UpDownNLLow, *UpDownNLHigh;
    QSlider* TrackBarDryLevel;
    QSpinBox *UpDownVLLow, *UpDownVLHigh;
    QSlider *TrackBarBPLCont, *TrackBarEGDepth;
    QPushButton *ButtonMWParams, *ButtonBendParam, *ButtonScaleTune, *ButtonCAT, *ButtonPAT, *ButtonAC1, *ButtonAC2,
        *ButtonPitchEG, *ButtonEQ, *ButtonReceiveMap, *CloseButton;

private:
    void load();
    int32_t at(int al) const;
    int dataOr(int al, int fallback) const;

    XGEditing& editing_;
    int part_;
    bool loading_ = false;
};
