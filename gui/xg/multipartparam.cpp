#include "xg/multipartparam.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "prompts.h"
#include "radiogroup.h"
#include "song/events.h"
#include "xg/xg_editor.h"
#include "xg/xgediting.h"
#include "xg/xgeffectparam.h"
#include "xg/xgreceivmap.h"

using namespace tonvela;

namespace {

QSpinBox* spin(const QString& name, int min, int max, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(min, max);
    return s;
}

QSlider* slider(const QString& name, int min, int max, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setMinimumWidth(200);
    return s;
}

QString detuneText(int position) { return QString::asprintf("%2.1f Hz", (position - 128) * 0.1); }

}  // namespace

TMutiPartParam::TMutiPartParam(XGEditing& editing, int part, QWidget* parent)
    : QDialog(parent), editing_(editing), part_(std::clamp(part, 0, 63)) {
    setObjectName("MutiPartParam");
    setWindowTitle(QString("Muti Part Parameter Part %1").arg(part_ + 1));
    const QString partName = QString("Part%1").arg(part_ + 1);
    auto* grid = new QGridLayout;
    int row = 0;
    auto label = [&](const QString& text) { grid->addWidget(new QLabel(text, this), row, 0); };
    // One data byte at AL; `stored` turns the control's value into the byte.
    auto bindValue = [&](QSpinBox* s, const QString& caption, int al, int defaultValue, int offset = 0) {
        bindSpin(s, editing_, loading_, QString("XG %1 %2").arg(partName, caption),
                 [this, al, defaultValue, offset](XGEditor& x, int v) { x.setXGValue(at(al), v + offset, defaultValue); });
    };
    auto addSpin = [&](QSpinBox* s, const QString& caption, int al, int defaultValue, int offset = 0) {
        label(caption);
        grid->addWidget(s, row++, 1, Qt::AlignLeft);
        bindValue(s, caption, al, defaultValue, offset);
    };
    auto addSlider = [&](QSlider* s, const QString& caption, int al, int defaultValue) {
        label(caption);
        auto* value = new QLabel(this);
        value->setMinimumWidth(50);
        grid->addWidget(s, row, 1);
        grid->addWidget(value, row++, 2);
        bindSlider(s, editing_, loading_, QString("XG %1 %2").arg(partName, caption),
                   [this, al, defaultValue](XGEditor& x, int v) { x.setXGValue(at(al), v, defaultValue); },
                   [value](int v) { value->setNum(v); });
    };
    auto addRadio = [&](RadioGroup* r, const QString& caption, int al, int defaultValue) {
        grid->addWidget(r, row++, 0, 1, 3);
        connect(r, &RadioGroup::itemClicked, this, [this, caption, partName, al, defaultValue](int i) {
            editing_.edit(QString("XG %1 %2").arg(partName, caption),
                          [&](XGEditor& x) { x.setXGValue(at(al), i, defaultValue); });
        });
    };

    UpDownElResv = spin("UpDownElResv", 0, 32, this);
    addSpin(UpDownElResv, "Element Reserve", 0x00, part_ == 9 ? 0 : 2);
    QStringList channels;
    for (int i = 1; i <= 16; ++i) channels << QString::number(i);
    channels << "Off";
    ComboBoxRcvNo = new QComboBox(this);
    ComboBoxRcvNo->setObjectName("ComboBoxRcvNo");
    ComboBoxRcvNo->addItems(channels);
    label("Receive Channnel");
    grid->addWidget(ComboBoxRcvNo, row++, 1, Qt::AlignLeft);
    // Parts above 16 have no default item: every choice is written.
    connect(ComboBoxRcvNo, &QComboBox::activated, this, [this, partName](int i) {
        editing_.edit(QString("XG %1 Receive Channel").arg(partName),
                      [&](XGEditor& x) { x.setXGValue(at(0x04), i == 16 ? 127 : i, part_); });
    });
    RadioGroupMonopoly = new RadioGroup("Mono/Poly", {"Mono", "Poly"}, Qt::Horizontal, this);
    RadioGroupMonopoly->setObjectName("RadioGroupMonopoly");
    addRadio(RadioGroupMonopoly, "Mono/Poly", 0x05, 1);
    RadioGroupSamenotenum =
        new RadioGroup("Same Note Number Key On Assign", {"Single", "Multi", "Inst(for Drum) "}, Qt::Horizontal, this);
    RadioGroupSamenotenum->setObjectName("RadioGroupSamenotenum");
    addRadio(RadioGroupSamenotenum, "Same Note Key Assign", 0x06, 1);
    RadioGroupPartMode = new RadioGroup("Part Mode", {"Normal", "Drum", "Drums1", "Drums2", "Drums3", "Drums4"},
                                        Qt::Horizontal, this);
    RadioGroupPartMode->setObjectName("RadioGroupPartMode");
    addRadio(RadioGroupPartMode, "Part Mode", 0x07, part_ == 9 ? 2 : part_ == 25 ? 4 : 0);
    UpDownNoteShift = spin("UpDownNoteShift", -24, 24, this);
    addSpin(UpDownNoteShift, "Note Shift", 0x08, 64, 64);

    TrackBarDetune = slider("TrackBarDetune", 0, 255, this);
    StaticTextDetune = new QLabel(this);
    StaticTextDetune->setObjectName("StaticTextDetune");
    label("Detune");
    grid->addWidget(TrackBarDetune, row, 1);
    grid->addWidget(StaticTextDetune, row++, 2);
    // Two bytes of four bits at 09 and 0A; the default removes the message without sending.
    bindSlider(TrackBarDetune, editing_, loading_, QString("XG %1 Detune").arg(partName),
               [this](XGEditor& x, int v) {
                   if (v == 128) {
                       x.dropXGMessage(at(0x09));
                   } else {
                       const int data[] = {v / 16, v % 16};
                       x.setXGData(at(0x09), data);
                   }
               },
               [this](int v) { StaticTextDetune->setText(detuneText(v)); });

    UpDownVSDepth = spin("UpDownVSDepth", 0, 127, this);
    addSpin(UpDownVSDepth, "Velocity Sense Depth", 0x0C, 64);
    UpDownVSOffset = spin("UpDownVSOffset", 0, 127, this);
    addSpin(UpDownVSOffset, "Velocity Sense Offset", 0x0D, 64);
    UpDownNLLow = spin("UpDownNLLow", 0, 127, this);
    addSpin(UpDownNLLow, "Note Limit Low", 0x0F, 0);
    UpDownNLHigh = spin("UpDownNLHigh", 0, 127, this);
    addSpin(UpDownNLHigh, "Note Limit High", 0x10, 127);
    TrackBarDryLevel = slider("TrackBarDryLevel", 0, 127, this);
    addSlider(TrackBarDryLevel, "Dry Level", 0x11, 127);
    UpDownVLLow = spin("UpDownVLLow", 0, 127, this);
    addSpin(UpDownVLLow, "Velocity Limit Low", 0x6D, 0);
    UpDownVLHigh = spin("UpDownVLHigh", 0, 127, this);
    addSpin(UpDownVLHigh, "Velocity Limit High", 0x6E, 127);
    TrackBarBPLCont = slider("TrackBarBPLCont", 40, 88, this);
    addSlider(TrackBarBPLCont, "Bend Pitch Low Control", 0x70, 62);
    TrackBarEGDepth = slider("TrackBarEGDepth", 0, 127, this);
    addSlider(TrackBarEGDepth, "Filter EG Depth", 0x71, 64);

    auto pageButton = [this](const QString& name, const QString& caption, int page) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, page] { PageButtonClick(page); });
        return b;
    };
    ButtonMWParams = pageButton("ButtonMWParams", "Modulation Wheel...", xgMultiPartMW);
    ButtonBendParam = pageButton("ButtonBendParam", "Pitch Bend Change ...", xgMultiPartBend);
    ButtonScaleTune = pageButton("ButtonScaleTune", "Scale Tune ...", xgMultiPartScaleTuning);
    ButtonCAT = pageButton("ButtonCAT", "Channel After Touch...", xgMultiPartCAT);
    ButtonPAT = pageButton("ButtonPAT", "Poly After Touch ...", xgMultiPartPAT);
    ButtonAC1 = pageButton("ButtonAC1", "Assignable Controller1 ...", xgMultiPartAC1);
    ButtonAC2 = pageButton("ButtonAC2", "Assignable Controller2 ...", xgMultiPartAC2);
    ButtonPitchEG = pageButton("ButtonPitchEG", "Pitch EG ...", xgMultiPartPitchEG);
    ButtonEQ = pageButton("ButtonEQ", "EQ ...", xgMultiPartEQ);
    ButtonReceiveMap = new QPushButton("Receive Map...", this);
    ButtonReceiveMap->setObjectName("ButtonReceiveMap");
    ButtonReceiveMap->setAutoDefault(false);
    connect(ButtonReceiveMap, &QPushButton::clicked, this, &TMutiPartParam::ReceiveMapClick);
    auto* pages = new QVBoxLayout;
    for (QPushButton* b : {ButtonMWParams, ButtonBendParam, ButtonScaleTune, ButtonCAT, ButtonPAT, ButtonAC1, ButtonAC2,
                           ButtonPitchEG, ButtonEQ, ButtonReceiveMap})
        pages->addWidget(b);
    pages->addStretch();
    CloseButton = new QPushButton("Close", this);
    CloseButton->setObjectName("CloseButton");
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* body = new QHBoxLayout;
    body->addLayout(grid, 1);
    body->addLayout(pages);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(CloseButton);
    auto* main = new QVBoxLayout(this);
    main->addLayout(body);
    main->addLayout(bottom);
    load();
}

int32_t TMutiPartParam::at(int al) const { return xgAddress(8, part_, al); }

int TMutiPartParam::dataOr(int al, int fallback) const {
    XGEditor* x = editing_.xg();
    const sysexEvent* e = x ? x->findXGMessage(at(al)) : nullptr;
    return e ? xgData(*e, 0) : fallback;
}

void TMutiPartParam::load() {
    loading_ = true;
    UpDownElResv->setValue(dataOr(0x00, part_ == 9 ? 0 : 2));
    const int channel = dataOr(0x04, part_);
    ComboBoxRcvNo->setCurrentIndex(channel == 127 ? 16 : channel <= 15 ? channel : -1);
    RadioGroupMonopoly->setItemIndex(std::clamp(dataOr(0x05, 1), 0, 1));
    RadioGroupSamenotenum->setItemIndex(std::clamp(dataOr(0x06, 1), 0, 2));
    RadioGroupPartMode->setItemIndex(std::clamp(dataOr(0x07, part_ == 9 ? 2 : part_ == 25 ? 4 : 0), 0, 5));
    UpDownNoteShift->setValue(dataOr(0x08, 64) - 64);
    XGEditor* x = editing_.xg();
    const sysexEvent* detune = x ? x->findXGMessage(at(0x09)) : nullptr;
    TrackBarDetune->setValue(detune ? xgData(*detune, 0) * 16 + xgData(*detune, 1) : 128);
    StaticTextDetune->setText(detuneText(TrackBarDetune->value()));
    UpDownVSDepth->setValue(dataOr(0x0C, 64));
    UpDownVSOffset->setValue(dataOr(0x0D, 64));
    UpDownNLLow->setValue(dataOr(0x0F, 0));
    UpDownNLHigh->setValue(dataOr(0x10, 127));
    TrackBarDryLevel->setValue(dataOr(0x11, 127));
    UpDownVLLow->setValue(dataOr(0x6D, 0));
    UpDownVLHigh->setValue(dataOr(0x6E, 127));
    TrackBarBPLCont->setValue(dataOr(0x70, 62));
    TrackBarEGDepth->setValue(dataOr(0x71, 64));
    loading_ = false;
}

void TMutiPartParam::PageButtonClick(int page) {
    const int p = part_;
    auto a = [p](int ah, int first, int last) {
        std::vector<int32_t> v;
        for (int al = first; al <= last; ++al) v.push_back(xgAddress(ah, p, al));
        return v;
    };
    // Slots 1-n at 08 p AL; slot 16 the part's HPF control depth at 0A p AL.
    auto withHpf = [&](std::vector<int32_t> v, int hpf) {
        v.resize(15, -1);
        v.push_back(xgAddress(0x0A, p, hpf));
        return v;
    };
    std::vector<int32_t> addresses;
    switch (page) {
    case xgMultiPartMW: addresses = withHpf(a(8, 0x1D, 0x22), 0x22); break;
    case xgMultiPartBend: addresses = withHpf(a(8, 0x23, 0x28), 0x23); break;
    case xgMultiPartScaleTuning: addresses = a(8, 0x41, 0x4C); break;
    case xgMultiPartCAT: addresses = withHpf(a(8, 0x4D, 0x52), 0x24); break;
    case xgMultiPartPAT: addresses = withHpf(a(8, 0x53, 0x58), 0x25); break;
    case xgMultiPartAC1: addresses = withHpf(a(8, 0x59, 0x5F), 0x25); break;
    case xgMultiPartAC2: addresses = withHpf(a(8, 0x60, 0x66), 0x26); break;
    case xgMultiPartPitchEG: addresses = a(8, 0x69, 0x6C); break;
    case xgMultiPartEQ: addresses = a(8, 0x72, 0x7F); break;
    default: return;
    }
    TXGEffectParam dialog(editing_, page, addresses, this);
    prompts().execDialog(&dialog);
}

void TMutiPartParam::ReceiveMapClick() {
    TXGReceivMap dialog(editing_, part_, this);
    prompts().execDialog(&dialog);
}
