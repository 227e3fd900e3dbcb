#pragma once

// The effect parameter dialog: up to 17 parameters of one effect block, multi part page or drum
// setup page, laid out from the page's table (label, range, value display, default). It shows
// the song's values (the defaults where the song has none) and on "Ok" writes, as one undo step,
// the slots the user changed: a slot at its default removes its message, others are written and
// sent.

#include <QDialog>
#include <vector>

#include "xg/xg_tables.h"

class QLabel;
class QPushButton;
class QSlider;
class XGEditing;

class TXGEffectParam : public QDialog {
    Q_OBJECT
public:
    // addresses[n] is the address of slot n + 1; -1 or a missing entry leaves the slot unused.
    TXGEffectParam(XGEditing& editing, int effectNumber, std::vector<int32_t> addresses, QWidget* parent = nullptr);

    const tonvela::XGParamPage& pageTable() const { return page_; }

    void OkClick();
    void ResetClick();

    QLabel* ParamName[tonvela::XGParamPage::maxSlots];
    QSlider* TrackBar[tonvela::XGParamPage::maxSlots];
    QLabel* StaticText[tonvela::XGParamPage::maxSlots];
    QPushButton *OkButton, *ResetButton, *CancelButton;

private:
    bool used(int slot) const;
    int32_t address(int slot) const;
    void load();

    XGEditing& editing_;
    tonvela::XGParamPage page_;
    std::vector<int32_t> addresses_;
    int start_[tonvela::XGParamPage::maxSlots] = {};
};
