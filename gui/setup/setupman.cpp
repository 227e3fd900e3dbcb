#include "setup/setupman.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "base/errors.h"
#include "host/editor_context.h"
#include "intinputwin.h"
#include "output/midi_device.h"
#include "prompts.h"
#include "song/midispec.h"
#include "song/selection.h"
#include "song/song.h"
#include "song/system_flags.h"
#include "songtext.h"
#include "tools/leadingbar.h"

using namespace tonvela;

namespace {

// Controller of the plain values; the non-registered parameters' LSB (MSB 1) of the others.
int controllerOf(SetupControl c) {
    switch (c) {
    case setupVolume: return 7;
    case setupExpression: return 11;
    case setupPan: return 10;
    case setupReverb: return 91;
    case setupChorus: return 93;
    case setupVariation: return 94;
    case setupBrightness: return 74;
    case setupHarmonic: return 71;
    case setupAttack: return 73;
    case setupRelease: return 72;
    default: return -1;
    }
}

int nrpnOf(SetupControl c) {
    switch (c) {
    case setupDecay: return 100;
    case setupVibratoRate: return 8;
    case setupVibratoDepth: return 9;
    case setupVibratoDelay: return 10;
    default: return -1;
    }
}

QSpinBox* spin(const char* name, int minimum, int maximum) {
    auto* s = new QSpinBox;
    s->setObjectName(name);
    s->setRange(minimum, maximum);
    return s;
}

QSlider* slider(const char* name) {
    auto* s = new QSlider(Qt::Horizontal);
    s->setObjectName(name);
    s->setRange(0, 127);
    s->setPageStep(8);
    s->setMinimumWidth(160);
    return s;
}

QLineEdit* field(const char* name, int width) {
    auto* e = new QLineEdit("0");
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

QPushButton* button(const char* name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TSetupMan* TSetupMan::make(EditorContext& context, QWidget* parent, bool setupMode) {
    midiSong* song = context.song();
    if (!song) return nullptr;
    std::vector<int> channels;
    int32_t start = 0;
    if (setupMode) {
        if (notesInFirstBeat(*song) &&
            prompts().message(context.dialogParent(), QMessageBox::Information,
                              "Note begines at the first beat. Make a setup bar?",
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
            makeLeadingBar(*song);
            context.songEdited();
        }
        channels = channelsInUse(*song);
    } else {
        const Selection sel = context.selection().clippedTo(*song);
        if (!sel.empty() && sel.firstTrack < song->trackCount()) {
            const int c = song->track(sel.firstTrack)->firstChannel();
            if (c < 16) channels.push_back(c);
            start = barStartTick(*song, sel.firstBar);
        }
    }
    if (channels.empty()) {
        prompts().message(context.dialogParent(), QMessageBox::Information, "No Valid data", QMessageBox::Ok);
        return nullptr;
    }
    return new TSetupMan(context, parent, setupMode, channels, start);
}

TSetupMan::TSetupMan(EditorContext& context, QWidget* parent, bool setupMode, const std::vector<int>& channels,
                     int32_t halfwayStart)
    : ToolWindow(context, parent), setupMode_(setupMode), halfwayStart_(halfwayStart), player_(context) {
    setObjectName("SetupMan");
    setWindowTitle(setupMode ? "Setup Manager" : "Halfway Setup");
    setWindowModality(Qt::ApplicationModal);

    ComboBoxChannel = new QComboBox;
    ComboBoxChannel->setObjectName("ComboBoxChannel");
    for (int c : channels) ComboBoxChannel->addItem("Channel " + QString::number(c + 1), c);
    ComboBoxTrackName = new QComboBox;
    ComboBoxTrackName->setObjectName("ComboBoxTrackName");
    ComboBoxTrackName->setMinimumContentsLength(16);
    ComboBoxTrackName->setToolTip("The track that receives the set-up");

    LabelBankSelect = new QLabel("*Bank Select");
    LabelBankSelect->setObjectName("LabelBankSelect");
    EditBSMSB = spin("EditBSMSB", -1, 127);
    EditBSLSB = spin("EditBSLSB", -1, 127);
    for (QSpinBox* s : {EditBSMSB, EditBSLSB}) s->setToolTip("-1: no bank select");
    SendBankSel = new QCheckBox("Send BS");
    SendBankSel->setObjectName("SendBankSel");
    ComboBoxprogram = new QComboBox;
    ComboBoxprogram->setObjectName("ComboBoxprogram");
    ComboBoxprogram->setMaxVisibleItems(24);
    Editvolume = spin("Editvolume", 0, 127);
    EditExp = spin("EditExp", 0, 127);
    EditPitchBend = spin("EditPitchBend", 0, 24);
    EditPitchBend->setSuffix(" semitones");
    TrackBarPanpot = slider("TrackBarPanpot");
    TrackBarReverb = slider("TrackBarReverb");
    TrackBarChorus = slider("TrackBarChorus");
    TrackBarVariation = slider("TrackBarVariation");
    TrackBarbrightness = slider("TrackBarbrightness");
    TrackBarHC = slider("TrackBarHC");
    TrackBarAttack = slider("TrackBarAttack");
    TrackBarRelease = slider("TrackBarRelease");
    TrackBarDecay = slider("TrackBarDecay");
    ViblatoRate = slider("ViblatoRate");
    ViblatoDepth = slider("ViblatoDepth");
    ViblatoDelay = slider("ViblatoDelay");
    EditStart = field("EditStart", 72);
    EditInterval = field("EditInterval", 56);
    EditOffset = field("EditOffset", 56);
    CheckBox1 = new QCheckBox("Send even if default value");
    CheckBox1->setObjectName("CheckBox1");
    CheckBoxSendNullRPN = new QCheckBox("Send Null RPN");
    CheckBoxSendNullRPN->setObjectName("CheckBoxSendNullRPN");
    CheckBoxSendNullRPN->setChecked(true);
    CheckBoxSetAtZero = new QCheckBox("Set at Time 0");
    CheckBoxSetAtZero->setObjectName("CheckBoxSetAtZero");
    ButtonSet = button("ButtonSet", "Set");
    ButtonOk = button("ButtonOk", "Set && Next");
    copyFromButton = button("copyFromButton", "Copy from..");
    ButtonDefault = button("ButtonDefault", "Default");
    ButtonPlay = button("ButtonPlay", "Play");
    ButtonPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ButtonPlayAll = button("ButtonPlayAll", "Play All");
    ButtonPlayAll->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    ButtonStop = button("ButtonStop", "Stop");
    ButtonStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    ButtonClose = button("ButtonClose", "Close");

    // Layout: channel and track; the sound on the left, the sliders on the right; the timing,
    // the switches and the commands below.
    auto* top = new QHBoxLayout;
    top->addWidget(ComboBoxChannel);
    top->addSpacing(12);
    top->addWidget(new QLabel("Track"));
    top->addWidget(ComboBoxTrackName, 1);

    auto* sound = new QGroupBox;
    auto* left = new QGridLayout(sound);
    int r = 0;
    left->addWidget(LabelBankSelect, r, 0);
    {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel("MSB"));
        row->addWidget(EditBSMSB);
        row->addWidget(new QLabel("LSB"));
        row->addWidget(EditBSLSB);
        row->addWidget(SendBankSel);
        row->addStretch();
        left->addLayout(row, r++, 1);
    }
    left->addWidget(new QLabel("Program Change"), r, 0);
    left->addWidget(ComboBoxprogram, r++, 1);
    left->addWidget(new QLabel("*Volume(7)"), r, 0);
    left->addWidget(Editvolume, r++, 1, Qt::AlignLeft);
    left->addWidget(new QLabel("*Expression(11)"), r, 0);
    left->addWidget(EditExp, r++, 1, Qt::AlignLeft);
    left->addWidget(new QLabel("Pitchbend Sensitivity"), r, 0);
    left->addWidget(EditPitchBend, r++, 1, Qt::AlignLeft);
    left->setRowStretch(r, 1);

    auto* sliders = new QGroupBox;
    auto* right = new QGridLayout(sliders);
    const std::pair<const char*, SetupControl> rows[] = {
        {"*Panpot(10)", setupPan},
        {"*Reverb(91)", setupReverb},
        {"*Chorus(93)", setupChorus},
        {"Variation(94)", setupVariation},
        {"Brightness(74)", setupBrightness},
        {"Harmonic Content(71)", setupHarmonic},
        {"Attack Time(73)", setupAttack},
        {"Release Time(72)", setupRelease},
        {"Decay Time(NRPN 1,100)", setupDecay},
        {"Viblato Rate(NRPN 1,8)", setupVibratoRate},
        {"Viblato Depth(NRPN 1,9)", setupVibratoDepth},
        {"Viblato Deray(NRPN 1,10)", setupVibratoDelay},
    };
    const std::array<QSlider*, 12> bars = {TrackBarPanpot,    TrackBarReverb, TrackBarChorus,  TrackBarVariation,
                                           TrackBarbrightness, TrackBarHC,     TrackBarAttack,  TrackBarRelease,
                                           TrackBarDecay,     ViblatoRate,    ViblatoDepth,    ViblatoDelay};
    for (size_t i = 0; i < bars.size(); ++i) {
        auto* number = new QLabel;
        number->setObjectName(bars[i]->objectName() + "Value");
        number->setMinimumWidth(fontMetrics().horizontalAdvance("0000"));
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        valueLabels_[static_cast<size_t>(rows[i].second)] = number;
        right->addWidget(new QLabel(rows[i].first), static_cast<int>(i), 0);
        right->addWidget(bars[i], static_cast<int>(i), 1);
        right->addWidget(number, static_cast<int>(i), 2);
    }

    auto* middle = new QHBoxLayout;
    middle->addWidget(sound);
    middle->addWidget(sliders, 1);

    auto* timing = new QHBoxLayout;
    timing->addWidget(new QLabel("Start Time"));
    timing->addWidget(EditStart);
    timing->addSpacing(12);
    timing->addWidget(new QLabel("Interval"));
    timing->addWidget(EditInterval);
    timing->addSpacing(12);
    timing->addWidget(new QLabel("Channel Offset"));
    timing->addWidget(EditOffset);
    timing->addWidget(new QLabel("ticks"));
    timing->addStretch();
    auto* switches = new QHBoxLayout;
    for (QCheckBox* b : {CheckBox1, CheckBoxSendNullRPN, CheckBoxSetAtZero}) switches->addWidget(b);
    switches->addStretch();
    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {ButtonSet, ButtonOk, copyFromButton, ButtonDefault}) commands->addWidget(b);
    commands->addSpacing(16);
    for (QPushButton* b : {ButtonPlay, ButtonPlayAll, ButtonStop}) commands->addWidget(b);
    commands->addStretch();
    commands->addWidget(ButtonClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(timing);
    layout->addLayout(switches);
    layout->addLayout(commands);

    // Every value control is heard at once.
    for (SetupControl c : {setupBankMsb, setupBankLsb, setupVolume, setupExpression, setupBendRange}) {
        QSpinBox* box = c == setupBankMsb ? EditBSMSB : c == setupBankLsb ? EditBSLSB
                        : c == setupVolume ? Editvolume : c == setupExpression ? EditExp : EditPitchBend;
        connect(box, &QSpinBox::valueChanged, this, [this, c] { sendLive(c); });
    }
    for (size_t i = 0; i < bars.size(); ++i) {
        const SetupControl c = rows[i].second;
        connect(bars[i], &QSlider::valueChanged, this, [this, c](int v) {
            valueLabels_[static_cast<size_t>(c)]->setText(QString::number(v));
            sendLive(c);
        });
    }
    connect(ComboBoxprogram, &QComboBox::currentIndexChanged, this, [this] { sendLive(setupProgram); });
    connect(ComboBoxChannel, &QComboBox::activated, this, [this] { ComboBoxChannelChange(); });
    connect(SendBankSel, &QCheckBox::clicked, this, [this] { SendBankSelClick(); });
    connect(ButtonSet, &QPushButton::clicked, this, [this] { ButtonSetClick(); });
    connect(ButtonOk, &QPushButton::clicked, this, [this] { ActionOKExecute(); });
    connect(copyFromButton, &QPushButton::clicked, this, [this] { copyFromButtonClick(); });
    connect(ButtonDefault, &QPushButton::clicked, this, [this] { ButtonDefaultClick(); });
    connect(ButtonPlay, &QPushButton::clicked, this, [this] {
        player_.playSelection();
        refreshFromEditor();
    });
    connect(ButtonPlayAll, &QPushButton::clicked, this, [this] {
        midiSong* song = this->context().song();
        if (!song || !player_.canPlay()) return;
        PlayOptions o;
        o.gmOn = carriesGmOn(song->systemFlags);
        o.system = systemMode(song->systemFlags);
        this->context().device()->playAll(*song, o);
        refreshFromEditor();
    });
    connect(ButtonStop, &QPushButton::clicked, this, [this] {
        player_.stop();
        refreshFromEditor();
    });
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    if (setupMode_) {
        copyFromButton->setEnabled(false);
    } else {
        CheckBoxSetAtZero->hide();
        CheckBox1->hide();
        ButtonOk->setEnabled(false);
        EditStart->setText(QString::number(halfwayStart_));
    }
    ComboBoxChannel->setCurrentIndex(0);
    ComboBoxChannelChange();
}

int TSetupMan::channel() const { return ComboBoxChannel->currentData().toInt(); }

bool TSetupMan::portOpen() const {
    MidiDevice* device = context().device();
    return device && device->isOpen();
}

// ---- values -------------------------------------------------------------------------------------

int TSetupMan::value(SetupControl c) const {
    switch (c) {
    case setupBankMsb: return EditBSMSB->value();
    case setupBankLsb: return EditBSLSB->value();
    case setupProgram: return std::max(ComboBoxprogram->currentIndex(), 0);
    case setupVolume: return Editvolume->value();
    case setupExpression: return EditExp->value();
    case setupPan: return TrackBarPanpot->value();
    case setupReverb: return TrackBarReverb->value();
    case setupChorus: return TrackBarChorus->value();
    case setupVariation: return TrackBarVariation->value();
    case setupBrightness: return TrackBarbrightness->value();
    case setupHarmonic: return TrackBarHC->value();
    case setupAttack: return TrackBarAttack->value();
    case setupRelease: return TrackBarRelease->value();
    case setupDecay: return TrackBarDecay->value();
    case setupVibratoRate: return ViblatoRate->value();
    case setupVibratoDepth: return ViblatoDepth->value();
    case setupVibratoDelay: return ViblatoDelay->value();
    case setupBendRange: return EditPitchBend->value();
    default: return 0;
    }
}

void TSetupMan::showValue(SetupControl c, int v) {
    switch (c) {
    case setupBankMsb: EditBSMSB->setValue(v); break;
    case setupBankLsb: EditBSLSB->setValue(v); break;
    case setupProgram: ComboBoxprogram->setCurrentIndex(v); break;
    case setupVolume: Editvolume->setValue(v); break;
    case setupExpression: EditExp->setValue(v); break;
    case setupPan: TrackBarPanpot->setValue(v); break;
    case setupReverb: TrackBarReverb->setValue(v); break;
    case setupChorus: TrackBarChorus->setValue(v); break;
    case setupVariation: TrackBarVariation->setValue(v); break;
    case setupBrightness: TrackBarbrightness->setValue(v); break;
    case setupHarmonic: TrackBarHC->setValue(v); break;
    case setupAttack: TrackBarAttack->setValue(v); break;
    case setupRelease: TrackBarRelease->setValue(v); break;
    case setupDecay: TrackBarDecay->setValue(v); break;
    case setupVibratoRate: ViblatoRate->setValue(v); break;
    case setupVibratoDepth: ViblatoDepth->setValue(v); break;
    case setupVibratoDelay: ViblatoDelay->setValue(v); break;
    case setupBendRange: EditPitchBend->setValue(v); break;
    default: break;
    }
}

void TSetupMan::showValues(const SetupValues& values, bool keepVibrato) {
    const bool wasLoading = loading_;
    loading_ = true;
    for (int c = 0; c < setupControlCount; ++c) {
        const auto control = static_cast<SetupControl>(c);
        if (keepVibrato && (control == setupVibratoRate || control == setupVibratoDepth || control == setupVibratoDelay))
            continue;
        showValue(control, values[static_cast<size_t>(c)]);
    }
    for (int c = 0; c < setupControlCount; ++c)
        if (QLabel* label = valueLabels_[static_cast<size_t>(c)])
            label->setText(QString::number(value(static_cast<SetupControl>(c))));
    loading_ = wasLoading;
}

void TSetupMan::fillProgramList(bool drumKits) {
    if (ComboBoxprogram->count() == 128 && drumList_ == drumKits) return;
    const bool wasLoading = loading_;
    loading_ = true;
    const int program = ComboBoxprogram->currentIndex();
    ComboBoxprogram->clear();
    for (int p = 0; p < 128; ++p)
        ComboBoxprogram->addItem(drumKits ? QString::fromStdString(MIDISpec::drumKitName(p))
                                          : QString::number(p + 1) + "-" + QString::fromStdString(MIDISpec::programName(p)));
    ComboBoxprogram->setCurrentIndex(std::max(program, 0));
    drumList_ = drumKits;
    loading_ = wasLoading;
}

// ---- live messages ------------------------------------------------------------------------------

void TSetupMan::sendLive(SetupControl c) {
    if (loading_ || !portOpen()) return;
    MidiDevice& device = *context().device();
    const int ch = channel();
    if (c == setupBankMsb || c == setupBankLsb || c == setupProgram) {
        // The bank is heard with the program it selects.
        const bool bank = SendBankSel->isChecked() && EditBSMSB->value() != -1 && EditBSLSB->value() != -1;
        device.sendProgram(ch, bank ? EditBSMSB->value() : -1, bank ? EditBSLSB->value() : -1, value(setupProgram));
        return;
    }
    if (const int controller = controllerOf(c); controller >= 0) {
        device.sendController(ch, controller, value(c));
    } else if (const int lsb = nrpnOf(c); lsb >= 0) {
        device.sendController(ch, 99, 1);
        device.sendController(ch, 98, lsb);
        device.sendController(ch, 6, value(c));
    } else if (c == setupBendRange) {
        device.sendController(ch, 101, 0);
        device.sendController(ch, 100, 0);
        device.sendController(ch, 6, value(c));
    }
}

void TSetupMan::sendAll() {
    for (int c = setupProgram; c < setupControlCount; ++c) sendLive(static_cast<SetupControl>(c));
}

// ---- the channel --------------------------------------------------------------------------------

void TSetupMan::ComboBoxChannelChange() {
    midiSong* song = context().song();
    if (!song) return;
    const int ch = channel();
    loading_ = true;
    SetupTiming timing;
    if (setupMode_) {
        timing = headTiming(*song, ComboBoxChannel->currentIndex(), ComboBoxChannel->count());
        EditStart->setText(QString::number(timing.start));
        EditInterval->setText(QString::number(timing.interval));
        EditOffset->setText(QString::number(timing.offset));
    }
    // Halfway the set-up in force where it will be written (a start that does not read: the bar).
    bool ok = false;
    const int start = EditStart->text().trimmed().toInt(&ok);
    const ChannelSetup found =
        readSetup(*song, ch, setupMode_ ? SetupMode::head : SetupMode::halfway, ok && start >= 0 ? start : halfwayStart_);
    drumPart_ = found.drumPart;
    fillProgramList(found.drumPart);
    const SetupRequest offer = headRequest(*song, found, ComboBoxChannel->currentIndex(), ComboBoxChannel->count());
    SendBankSel->setChecked(offer.sendBankSelect);
    LabelBankSelect->setText(offer.sendBankSelect ? "*Bank Select" : "Bank Select");
    if (setupMode_) CheckBoxSetAtZero->setChecked(offer.setAtZero);
    showValues(found.values, false);
    shownBendRange_ = found.values[setupBendRange];

    ComboBoxTrackName->clear();
    for (int t : found.tracks)
        ComboBoxTrackName->addItem(fromSongLine(song->track(t)->name, song->textEncoding), t);
    ComboBoxTrackName->setCurrentIndex(0);
    loading_ = false;
    refreshFromEditor();
}

void TSetupMan::SendBankSelClick() {
    LabelBankSelect->setText(SendBankSel->isChecked() ? "*Bank Select" : "Bank Select");
    sendLive(setupProgram);
}

void TSetupMan::ButtonDefaultClick() {
    midiSong* song = context().song();
    if (!song) return;
    showValues(setupDefaults(drumPart_, xgSong(*song)), true);
    sendAll();
}

void TSetupMan::copyFromButtonClick() {
    midiSong* song = context().song();
    if (!song) return;
    const int bars = static_cast<int>(song->barStarts.size());
    QString text = "1";
    int bar = 0;
    for (;;) {
        QInputDialog ask(this);
        ask.setWindowTitle("Copy Setup from");
        ask.setLabelText("Bar");
        ask.setTextValue(text);
        if (prompts().execDialog(&ask) != QDialog::Accepted) return;
        text = ask.textValue();
        bool ok = false;
        bar = text.trimmed().toInt(&ok);
        if (ok && bar >= 1 && bar <= std::max(bars, 1)) break;
    }
    // The values in force at the start of that bar (counted from 1, as every view shows bars).
    const ChannelSetup found = readSetup(*song, channel(), SetupMode::halfway, barStartTick(*song, bar - 1));
    showValues(found.values, false);
    sendAll();
}

// ---- Set ----------------------------------------------------------------------------------------

bool TSetupMan::request(SetupRequest& q) {
    QString texts[3] = {EditStart->text(), EditInterval->text(), EditOffset->text()};
    int numbers[3] = {};
    QLineEdit* fields[3] = {EditStart, EditInterval, EditOffset};
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> n = askIntegerOrCancel(texts[i], this);
        if (!n) return false;
        numbers[i] = *n;
        fields[i]->setText(texts[i]);
    }
    q = SetupRequest();
    q.channel = channel();
    q.track = ComboBoxTrackName->currentData().toInt();
    q.mode = setupMode_ ? SetupMode::head : SetupMode::halfway;
    for (int c = 0; c < setupControlCount; ++c) q.values[static_cast<size_t>(c)] = value(static_cast<SetupControl>(c));
    q.timing = {numbers[0], numbers[1], numbers[2]};
    q.sendBankSelect = SendBankSel->isChecked();
    q.sendEvenIfDefault = setupMode_ && CheckBox1->isChecked();
    q.sendNullRpn = CheckBoxSendNullRPN->isChecked();
    q.setAtZero = setupMode_ && CheckBoxSetAtZero->isChecked();
    q.shownBendRange = shownBendRange_;
    return true;
}

bool TSetupMan::set() {
    midiSong* song = context().song();
    if (!song || ComboBoxTrackName->count() == 0) return false;
    SetupRequest q;
    if (!request(q)) return false;
    try {
        if (setupMode_ && bendsToRescale(*song, q) > 0) {
            // Bends keep their pitch when the range grows; shrinking it may clip them.
            const bool overflow = q.values[setupBendRange] < q.shownBendRange;
            q.rescaleBends = prompts().message(this, QMessageBox::Question,
                                               overflow ? "Change Pitchbend Values ?\n(possibly overflow)"
                                                        : "Change Pitchbend Values ?",
                                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        }
        writeSetup(*song, q);
    } catch (const MidiError& e) {
        context().reportError(QString::fromStdString(e.message()));
        return false;
    }
    changedSong_ = true;
    context().songEdited();
    return true;
}

void TSetupMan::ButtonSetClick() {
    if (!set()) return;
    // Read back what was written; the track chosen stays.
    const int track = ComboBoxTrackName->currentIndex();
    ComboBoxChannelChange();
    if (track < ComboBoxTrackName->count()) ComboBoxTrackName->setCurrentIndex(track);
}

void TSetupMan::ActionOKExecute() {
    if (!set()) return;
    ComboBoxChannel->setCurrentIndex((ComboBoxChannel->currentIndex() + 1) % ComboBoxChannel->count());
    ComboBoxChannelChange();
}

// ---- the editor ---------------------------------------------------------------------------------

void TSetupMan::refreshFromEditor() {
    const bool song = context().song() != nullptr;
    for (QPushButton* b : {ButtonSet, ButtonDefault}) b->setEnabled(song);
    ButtonOk->setEnabled(song && setupMode_);
    copyFromButton->setEnabled(song && !setupMode_);
    ButtonPlay->setEnabled(player_.canPlay());
    ButtonPlayAll->setEnabled(player_.canPlay());
    ButtonStop->setEnabled(context().device() != nullptr);
}

void TSetupMan::songReplaced() {
    // The channels and tracks shown were those of the old song.
    changedSong_ = false;
    close();
}

void TSetupMan::showEvent(QShowEvent* event) {
    // A dialog made for one use opens over the window that opened it.
    if (!event->spontaneous() && parentWidget()) {
        adjustSize();
        const QRect over = parentWidget()->window()->frameGeometry();
        move(over.center() - rect().center());
    }
    ToolWindow::showEvent(event);
}

void TSetupMan::closeEvent(QCloseEvent* event) {
    if (midiSong* song = context().song()) {
        song->markDrumTracks();
        if (changedSong_) context().songEdited();
    }
    changedSong_ = false;
    ToolWindow::closeEvent(event);
}
