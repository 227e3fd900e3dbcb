#include "xg/xgreceivmap.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "song/events.h"
#include "xg/xg_editor.h"
#include "xg/xgediting.h"

using namespace tonvela;

namespace {

struct SwitchName {
    const char* name;
    const char* caption;
};
constexpr SwitchName kSwitches[TXGReceivMap::switchCount] = {
    {"RcvPitchBend", "Rcv PitchBend"},      {"Rcv_CAT", "Rcv Chn Aft Touch"},   {"RevProgChng", "Rcv Program Change"},
    {"RcvContChng", "Rcv Control Change"},  {"RcvplyAftTch", "Rcv Poly Aft Touch"}, {"RcvNote", "Rcv Note Message"},
    {"RcvRPN", "Rcv RPN"},                  {"RcvNRPN", "Rcv NRPN"},            {"RcvMod", "Rcv Modulation"},
    {"RcvVol", "Rcv Volume"},               {"RcvPan", "Rcv Pan"},              {"RcvExp", "Rcv Expression"},
    {"RcvHold1", "Rcv Hold1"},              {"RcvPortamento", "Rcv Portamento"}, {"RcvSostenuto", "Rcv Sostenuto"},
    {"RcvSoftPedal", "Rcv Soft Pedal"},     {"RcvBankSelect", "Rcv Bank Select"},
};

}  // namespace

TXGReceivMap::TXGReceivMap(XGEditing& editing, int part, QWidget* parent)
    : QDialog(parent), editing_(editing), part_(std::clamp(part, 0, 63)) {
    setObjectName("XGReceivMap");
    setWindowTitle("Receive Map");
    auto* grid = new QGridLayout;
    XGEditor* x = editing_.xg();
    for (int i = 0; i < switchCount; ++i) {
        Switch[i] = new QCheckBox(kSwitches[i].caption, this);
        Switch[i]->setObjectName(kSwitches[i].name);
        const sysexEvent* e = x ? x->findXGMessage(xgAddress(8, part_, 0x30 + i)) : nullptr;
        start_[i] = !e || xgData(*e, 0) == 1;
        Switch[i]->setChecked(start_[i]);
        grid->addWidget(Switch[i], i % 9, i / 9);
    }
    OkButton = new QPushButton("Ok", this);
    OkButton->setObjectName("OkButton");
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);
    connect(OkButton, &QPushButton::clicked, this, &TXGReceivMap::OkClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TXGReceivMap::OkClick() {
    bool any = false;
    for (int i = 0; i < switchCount; ++i) any = any || Switch[i]->isChecked() != start_[i];
    if (any)
        editing_.edit(QString("XG Part%1 Receive Map").arg(part_ + 1), [&](XGEditor& x) {
            for (int i = 0; i < switchCount; ++i)
                if (Switch[i]->isChecked() != start_[i])
                    x.setXGValue(xgAddress(8, part_, 0x30 + i), Switch[i]->isChecked() ? 1 : 0, 1);
        });
    accept();
}
