#pragma once

// The receive map of one part: the seventeen receive switches at 08 p 30 to 08 p 40. "Ok" writes
// the switches the user turned, as one undo step (on is the module's default: its message goes).

#include <QDialog>

class QCheckBox;
class QPushButton;
class XGEditing;

class TXGReceivMap : public QDialog {
    Q_OBJECT
public:
    TXGReceivMap(XGEditing& editing, int part, QWidget* parent = nullptr);

    static constexpr int switchCount = 17;
    void OkClick();

    QCheckBox* Switch[switchCount];  // RcvPitchBend (08 p 30) ... RcvBankSelect (08 p 40)
    QPushButton *OkButton, *CancelButton;

private:
    XGEditing& editing_;
    int part_;
    bool start_[switchCount] = {};
};
