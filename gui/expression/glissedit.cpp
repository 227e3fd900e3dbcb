#include "expression/glissedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "base/errors.h"
#include "host/editor_context.h"
#include "output/midi_device.h"
#include "intinputwin.h"
#include "settings/numbertext.h"
#include "song/midispec.h"
#include "song/selection.h"
#include "song/song.h"

using namespace tonvela;

namespace {

const char* const kClassCaptions[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
const char* const kAlterations[5] = {"+2", "+1", "Natural(0)", "-1", "-2"};
constexpr int kNaturals[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kSharps[5] = {1, 3, 6, 8, 10};

QLineEdit* field(const char* name, const QString& text, int width) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

QToolButton* groupButton(const char* name, const QString& text, const QString& tip) {
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(tip);
    return b;
}

// Preset -7..7 as the menu shows it.
QString presetText(int sharps) {
    if (sharps == 0) return "(C)";
    return QString(sharps < 0 ? "b x%1" : "# x%1").arg(std::abs(sharps));
}

}  // namespace

TGlissand::TGlissand(EditorContext& context, QWidget* parent) : ToolWindow(context, parent), player_(context) {
    setObjectName("Glissand");
    setWindowTitle("Glissand Editor");
    setWindowModality(Qt::ApplicationModal);

    StartBar = field("StartBar", "1", 48);
    StartBeat = field("StartBeat", "1", 32);
    StartTick = field("StartTick", "0", 48);
    EndBar = field("EndBar", "1", 48);
    EndBeat = field("EndBeat", "1", 32);
    EndTick = field("EndTick", "0", 48);
    fromNote = new QComboBox;
    fromNote->setObjectName("fromNote");
    toNote = new QComboBox;
    toNote->setObjectName("toNote");
    for (int key = 0; key < 128; ++key) {
        const QString name = QString::fromStdString(MIDISpec::noteName(key));
        fromNote->addItem(name);
        toNote->addItem(name);
    }
    fromNote->setCurrentIndex(72);
    toNote->setCurrentIndex(60);
    UseLastNote = new QCheckBox("Last Note");
    UseLastNote->setObjectName("UseLastNote");
    VeloStart = field("VeloStart", "100", 48);
    VeloEnd = field("VeloEnd", "100", 48);
    Dur = field("Dur", "120", 48);
    UseSustain = new QCheckBox("Sustain");
    UseSustain->setObjectName("UseSustain");

    Panel1 = new QFrame;
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    NaturCHeck = groupButton("NaturCHeck", "Naturals", "The seven naturals on or off together");
    ChromCheck = groupButton("ChromCheck", "Sharps", "The five sharps on or off together");
    {
        auto* row = new QHBoxLayout(Panel1);
        for (int i = 0; i < 12; ++i) {
            Scale1[static_cast<size_t>(i)] = new QCheckBox(kClassCaptions[i]);
            Scale1[static_cast<size_t>(i)]->setObjectName(QString("CheckBox%1").arg(i + 1));
            Scale1[static_cast<size_t>(i)]->setChecked(kNaturalScale[static_cast<size_t>(i)]);
            Scale1[static_cast<size_t>(i)]->setToolTip("Right-click: alteration");
            row->addWidget(Scale1[static_cast<size_t>(i)]);
        }
        row->addSpacing(8);
        row->addWidget(NaturCHeck);
        row->addWidget(ChromCheck);
    }
    UseAlt = new QCheckBox("Use Alt");
    UseAlt->setObjectName("UseAlt");
    Panel2 = new QFrame;
    Panel2->setObjectName("Panel2");
    Panel2->setFrameShape(QFrame::StyledPanel);
    SpeedButton2 = groupButton("SpeedButton2", "Naturals", "The seven naturals of the second scale on or off together");
    SpeedButton1 = groupButton("SpeedButton1", "Sharps", "The five sharps of the second scale on or off together");
    DelayTime = field("DelayTime", "0", 56);
    {
        auto* row = new QHBoxLayout(Panel2);
        for (int i = 0; i < 12; ++i) {
            Scale2[static_cast<size_t>(i)] = new QCheckBox(QString(kClassCaptions[i]).trimmed());
            Scale2[static_cast<size_t>(i)]->setObjectName(QString("CheckBox%1").arg(i + 13));
            Scale2[static_cast<size_t>(i)]->setChecked(kNaturalScale[static_cast<size_t>(i)]);
            row->addWidget(Scale2[static_cast<size_t>(i)]);
        }
        row->addSpacing(8);
        row->addWidget(SpeedButton2);
        row->addWidget(SpeedButton1);
        row->addSpacing(8);
        row->addWidget(new QLabel("Delay"));
        row->addWidget(DelayTime);
        row->addWidget(new QLabel("ticks"));
    }
    Panel2->setVisible(false);

    ButtonTest = new QPushButton("Test");
    ButtonTest->setObjectName("ButtonTest");
    Make = new QPushButton("Make");
    Make->setObjectName("Make");
    ButtonOk = new QPushButton("Close");
    ButtonOk->setObjectName("ButtonOk");

    // Layout: the span, the keys, velocity and length, the scales, the commands.
    auto* grid = new QGridLayout;
    int r = 0;
    grid->addWidget(new QLabel("Span"), r, 0);
    {
        auto* row = new QHBoxLayout;
        for (QLineEdit* e : {StartBar, StartBeat, StartTick}) row->addWidget(e);
        row->addWidget(new QLabel("->"));
        for (QLineEdit* e : {EndBar, EndBeat, EndTick}) row->addWidget(e);
        row->addWidget(new QLabel("(bar : beat : tick)"));
        row->addStretch();
        grid->addLayout(row, r++, 1);
    }
    grid->addWidget(new QLabel("Note"), r, 0);
    {
        auto* row = new QHBoxLayout;
        row->addWidget(fromNote);
        row->addWidget(new QLabel("->Note->"));
        row->addWidget(toNote);
        row->addSpacing(12);
        row->addWidget(UseLastNote);
        row->addStretch();
        grid->addLayout(row, r++, 1);
    }
    grid->addWidget(new QLabel("Velocity"), r, 0);
    {
        auto* row = new QHBoxLayout;
        row->addWidget(VeloStart);
        row->addWidget(new QLabel("->Velocity->"));
        row->addWidget(VeloEnd);
        row->addSpacing(24);
        row->addWidget(new QLabel("Duration"));
        row->addWidget(Dur);
        row->addWidget(new QLabel("%"));
        row->addSpacing(12);
        row->addWidget(UseSustain);
        row->addStretch();
        grid->addLayout(row, r++, 1);
    }
    grid->addWidget(new QLabel("Scale"), r, 0);
    grid->addWidget(Panel1, r++, 1);
    grid->addWidget(UseAlt, r, 0);
    grid->addWidget(Panel2, r++, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonTest);
    buttons->addWidget(Make);
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    // Menus: an alteration per box of the first scale, the key presets over the first panel.
    for (int i = 0; i < 12; ++i) {
        QCheckBox* box = Scale1[static_cast<size_t>(i)];
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this, [this, box, i](const QPoint& at) {
            QMenu menu(this);
            for (const char* text : kAlterations)
                connect(menu.addAction(text), &QAction::triggered, this, [this, i, text] { setAlteration(i, text); });
            menu.exec(box->mapToGlobal(at));
        });
    }
    PresetMenu = new QMenu(this);
    PresetMenu->setObjectName("PresetMenu");
    for (int sharps : {0, -1, -2, -3, -4, -5, -6, -7, 1, 2, 3, 4, 5, 6, 7})
        connect(PresetMenu->addAction(presetText(sharps)), &QAction::triggered, this, [this, sharps] { applyPreset(sharps); });
    for (QWidget* w : std::initializer_list<QWidget*>{Panel1, NaturCHeck, ChromCheck}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& at) { PresetMenu->exec(w->mapToGlobal(at)); });
    }

    connect(NaturCHeck, &QToolButton::clicked, this, &TGlissand::NaturCHeckClick);
    connect(ChromCheck, &QToolButton::clicked, this, &TGlissand::ChromCheckClick);
    connect(SpeedButton2, &QToolButton::clicked, this, &TGlissand::SpeedButton2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TGlissand::SpeedButton1Click);
    connect(UseAlt, &QCheckBox::toggled, Panel2, &QWidget::setVisible);
    connect(ButtonTest, &QPushButton::clicked, this, &TGlissand::ButtonTestClick);
    connect(Make, &QPushButton::clicked, this, &TGlissand::MakeClick);
    connect(ButtonOk, &QPushButton::clicked, this, &QWidget::close);
}

TGlissand::~TGlissand() = default;

int TGlissand::currentTrack() const {
    midiSong* song = context().song();
    const int t = context().selection().firstTrack;
    return song && t >= 0 && t < song->trackCount() ? t : -1;
}

void TGlissand::showEvent(QShowEvent* event) {
    midiSong* song = context().song();
    const Selection sel = context().selection();
    if (!event->spontaneous() && song && !sel.empty()) {
        // The span ends where the bar after the selection starts and begins a quarter before.
        const int32_t end = barStartTick(*song, sel.lastBar + 1);
        const int32_t start = std::max<int32_t>(end - song->timeBase, 0);
        const BarBeatTick s = song->timeToBarBeatTick(start);
        StartBar->setText(QString::number(s.bar + 1));
        StartBeat->setText(QString::number(s.beat + 1));
        StartTick->setText(QString::number(s.tick));
        EndBar->setText(QString::number(sel.lastBar + 2));
        EndBeat->setText("1");
        EndTick->setText("0");
        if (currentTrack() >= 0)
            if (const std::optional<int> preset = harpPreset(*song, *song->track(currentTrack()), start)) applyPreset(*preset);
    }
    ToolWindow::showEvent(event);
}

void TGlissand::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) player_.stopTest();
    ToolWindow::hideEvent(event);
}

void TGlissand::refreshFromEditor() {
    const bool ready = context().song() && currentTrack() >= 0;
    ButtonTest->setEnabled(ready);
    Make->setEnabled(ready);
}

void TGlissand::songReplaced() { work_.reset(); }

// ---- the scales ----------------------------------------------------------------------------------

void TGlissand::setAlteration(int pitchClass, const QString& text) {
    if (pitchClass < 0 || pitchClass > 11) return;
    const QString base = kClassCaptions[pitchClass];
    QCheckBox* box = Scale1[static_cast<size_t>(pitchClass)];
    if (text == "Natural(0)") {
        alteration_[static_cast<size_t>(pitchClass)] = 0;
        box->setText(base);
        return;
    }
    const std::optional<int> value = readInteger(text.toStdString());
    if (!value || *value < -2 || *value > 2) return;
    alteration_[static_cast<size_t>(pitchClass)] = *value;
    box->setText(base + text);
}

void TGlissand::applyPreset(int sharps) {
    const PedalScale scale = keyPreset(sharps);
    for (size_t i = 0; i < 12; ++i) Scale1[i]->setChecked(scale[i]);
}

void TGlissand::toggleGroup(std::array<QCheckBox*, 12>& boxes, bool naturals) {
    const bool on = !boxes[naturals ? 0 : 1]->isChecked();
    if (naturals)
        for (int c : kNaturals) boxes[static_cast<size_t>(c)]->setChecked(on);
    else
        for (int c : kSharps) boxes[static_cast<size_t>(c)]->setChecked(on);
}

void TGlissand::NaturCHeckClick() { toggleGroup(Scale1, true); }
void TGlissand::ChromCheckClick() { toggleGroup(Scale1, false); }
void TGlissand::SpeedButton2Click() { toggleGroup(Scale2, true); }
void TGlissand::SpeedButton1Click() { toggleGroup(Scale2, false); }

GlissandoSettings TGlissand::settings() const {
    GlissandoSettings s;
    s.fromNote = fromNote->currentIndex();
    s.toNote = toNote->currentIndex();
    s.UseLastNote = UseLastNote->isChecked();
    s.VeloStart = readInteger(VeloStart->text().toStdString()).value_or(0);
    s.VeloEnd = readInteger(VeloEnd->text().toStdString()).value_or(0);
    s.Dur = readInteger(Dur->text().toStdString()).value_or(0);
    s.UseSustain = UseSustain->isChecked();
    for (size_t i = 0; i < 12; ++i) {
        s.scale[i] = Scale1[i]->isChecked();
        s.altScale[i] = Scale2[i]->isChecked();
    }
    s.alteration = alteration_;
    s.UseAlt = UseAlt->isChecked();
    s.DelayTime = readInteger(DelayTime->text().toStdString()).value_or(0);
    return s;
}

// ---- Test and Make -------------------------------------------------------------------------------

bool TGlissand::readSpan(int32_t& start, int32_t& end, GlissandoSettings& s) {
    midiSong* song = context().song();
    if (!song || currentTrack() < 0) return false;
    QLineEdit* fields[] = {StartBar, StartBeat, StartTick, EndBar, EndBeat, EndTick, VeloStart, VeloEnd, Dur, DelayTime};
    int values[10];
    for (int i = 0; i < 10; ++i) {
        if (fields[i] == DelayTime && !UseAlt->isChecked()) {
            values[i] = 0;
            continue;
        }
        QString text = fields[i]->text();
        const std::optional<int> v = askIntegerOrCancel(text, this);
        if (!v) return false;
        fields[i]->setText(text);
        values[i] = *v;
    }
    std::string error;
    const std::optional<int32_t> from = positionTime(*song, values[0], values[1], values[2], &error);
    const std::optional<int32_t> to = from ? positionTime(*song, values[3], values[4], values[5], &error) : std::nullopt;
    if (!from || !to) {
        context().reportError(QString::fromStdString(error));
        return false;
    }
    start = *from;
    end = *to;
    s = settings();
    return true;
}

bool TGlissand::buildRun(int32_t& start, int32_t& end, GlissandoSettings& s) {
    midiSong* song = context().song();
    if (!readSpan(start, end, s)) return false;
    if (!work_) work_ = std::make_unique<midiTrack>(song, 0, "");
    try {
        buildGlissando(s, start, end, glissandoChannel(*song->track(currentTrack())), *work_);
    } catch (const std::exception& e) {
        const auto* m = dynamic_cast<const MidiError*>(&e);
        context().reportError(QString::fromStdString(m ? m->message() : std::string(e.what())));
        return false;
    }
    return true;
}

void TGlissand::ButtonTestClick() {
    if (!player_.canTest()) {
        context().showStatus(context().device() && context().device()->isOpen() ? "Test: the song is playing."
                                                                                 : "Test: no MIDI output port is open.");
        return;
    }
    int32_t start = 0, end = 0;
    GlissandoSettings s;
    if (!buildRun(start, end, s)) return;
    if (work_->countEvents() == 0) {
        context().showStatus("Glissand: the run has fewer than two notes.");
        return;
    }
    player_.playWork(*work_, currentTrack());
}

void TGlissand::MakeClick() {
    int32_t start = 0, end = 0;
    GlissandoSettings s;
    if (!readSpan(start, end, s)) return;
    midiSong* song = context().song();
    if (!work_) work_ = std::make_unique<midiTrack>(song, 0, "");
    bool made = false;
    try {
        made = applyGlissando(*song, currentTrack(), s, start, end, *work_);
    } catch (const std::exception& e) {
        const auto* m = dynamic_cast<const MidiError*>(&e);
        context().reportError(QString::fromStdString(m ? m->message() : std::string(e.what())));
        return;
    }
    if (!made) {
        context().showStatus("Glissand: the run has fewer than two notes.");
        return;
    }
    context().songEdited();
}
