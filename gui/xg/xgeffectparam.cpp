#include "xg/xgeffectparam.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "song/events.h"
#include "xg/xg_editor.h"
#include "xg/xgediting.h"

using namespace tonvela;

TXGEffectParam::TXGEffectParam(XGEditing& editing, int effectNumber, std::vector<int32_t> addresses, QWidget* parent)
    : QDialog(parent), editing_(editing), page_(xgParamPage(effectNumber)), addresses_(std::move(addresses)) {
    setObjectName("XGEffectParam");
    setWindowTitle(QString::fromStdString(page_.caption));
    auto* grid = new QGridLayout;
    for (int i = 0; i < XGParamPage::maxSlots; ++i) {
        const XGParamSlot& s = page_.slots[static_cast<size_t>(i)];
        ParamName[i] = new QLabel(QString::fromStdString(s.label), this);
        ParamName[i]->setObjectName(QString("ParamName%1").arg(i + 1));
        TrackBar[i] = new QSlider(Qt::Horizontal, this);
        TrackBar[i]->setObjectName(QString("TrackBar%1").arg(i + 1));
        TrackBar[i]->setRange(s.min, s.max);
        TrackBar[i]->setMinimumWidth(220);
        StaticText[i] = new QLabel("---", this);
        StaticText[i]->setObjectName(QString("StaticText%1").arg(i + 1));
        StaticText[i]->setMinimumWidth(70);
        StaticText[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const bool on = used(i);
        ParamName[i]->setEnabled(on);
        TrackBar[i]->setEnabled(on);
        StaticText[i]->setEnabled(on);
        if (on) {
            connect(TrackBar[i], &QSlider::valueChanged, this, [this, i](int v) {
                StaticText[i]->setText(QString::fromStdString(page_.slots[static_cast<size_t>(i)].valueText(v)));
            });
            if (s.twoByte()) TrackBar[i]->setPageStep(100);
        }
        // The 17th slot exists on the multi EQ pages only.
        const bool shown = i < page_.slotCount;
        ParamName[i]->setVisible(shown);
        TrackBar[i]->setVisible(shown);
        StaticText[i]->setVisible(shown);
        grid->addWidget(ParamName[i], i, 0);
        grid->addWidget(TrackBar[i], i, 1);
        grid->addWidget(StaticText[i], i, 2);
    }
    OkButton = new QPushButton("Ok", this);
    OkButton->setObjectName("OkButton");
    ResetButton = new QPushButton("Reset", this);
    ResetButton->setObjectName("ResetButton");
    ResetButton->setAutoDefault(false);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(ResetButton);
    buttons->addWidget(CancelButton);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);
    connect(OkButton, &QPushButton::clicked, this, &TXGEffectParam::OkClick);
    connect(ResetButton, &QPushButton::clicked, this, &TXGEffectParam::ResetClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    load();
}

bool TXGEffectParam::used(int slot) const {
    return slot < page_.slotCount && page_.slots[static_cast<size_t>(slot)].enabled && address(slot) >= 0;
}

int32_t TXGEffectParam::address(int slot) const {
    return slot >= 0 && static_cast<size_t>(slot) < addresses_.size() ? addresses_[static_cast<size_t>(slot)] : -1;
}

void TXGEffectParam::load() {
    XGEditor* x = editing_.xg();
    for (int i = 0; i < XGParamPage::maxSlots; ++i) {
        const XGParamSlot& s = page_.slots[static_cast<size_t>(i)];
        if (!used(i)) {
            TrackBar[i]->setValue(0);
            StaticText[i]->setText("---");
            continue;
        }
        int v = s.defaultValue;
        if (const sysexEvent* e = x ? x->findXGMessage(address(i)) : nullptr)
            v = s.twoByte() ? xgData(*e, 0) * 128 + xgData(*e, 1) : xgData(*e, 0);
        TrackBar[i]->setValue(v);
        StaticText[i]->setText(QString::fromStdString(s.valueText(TrackBar[i]->value())));
        start_[i] = TrackBar[i]->value();
    }
}

void TXGEffectParam::ResetClick() {
    for (int i = 0; i < XGParamPage::maxSlots; ++i)
        if (used(i)) TrackBar[i]->setValue(page_.slots[static_cast<size_t>(i)].defaultValue);
}

void TXGEffectParam::OkClick() {
    // Only what the user changed: a value the song holds out of a slot's range, shown clamped,
    // stays as it is.
    std::vector<int> changed;
    for (int i = 0; i < XGParamPage::maxSlots; ++i)
        if (used(i) && TrackBar[i]->value() != start_[i]) changed.push_back(i);
    if (!changed.empty())
        editing_.edit("XG " + windowTitle(), [&](XGEditor& x) {
            for (int i : changed) {
                const XGParamSlot& s = page_.slots[static_cast<size_t>(i)];
                const int v = TrackBar[i]->value();
                if (s.twoByte()) x.setXGValue2(address(i), v, s.defaultValue);
                else x.setXGValue(address(i), v, s.defaultValue);
            }
        });
    accept();
}
