#include "expression/trillwin.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "base/errors.h"
#include "eventlist/list_widgets.h"
#include "expression/expression_edit.h"
#include "expression/shown_range.h"
#include "host/editor_context.h"
#include "output/midi_device.h"
#include "intinputwin.h"
#include "radiogroup.h"
#include "settings/numbertext.h"
#include "song/midispec.h"
#include "song/song.h"

using namespace tonvela;

namespace {

QLineEdit* field(const char* name, const QString& text, int width) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

QSpinBox* spin(const char* name, int low, int high, int value) {
    auto* s = new QSpinBox;
    s->setObjectName(name);
    s->setRange(low, high);
    s->setValue(value);
    return s;
}

QCheckBox* check(const char* name, const QString& text, bool on) {
    auto* c = new QCheckBox(text);
    c->setObjectName(name);
    c->setChecked(on);
    return c;
}

QString noteNameOf(int key) { return QString::fromStdString(MIDISpec::noteName(key)); }

QString errorText(const std::exception& e) {
    if (const auto* m = dynamic_cast<const MidiError*>(&e)) return QString::fromStdString(m->message());
    return QString::fromStdString(e.what());
}

NoteOnEvent* noteOf(const QListWidgetItem* item) {
    return item ? reinterpret_cast<NoteOnEvent*>(item->data(ListItemRole).value<quintptr>()) : nullptr;
}

}  // namespace

TTrillEditor::TTrillEditor(EditorContext& context, QWidget* parent) : ToolWindow(context, parent), player_(context) {
    setObjectName("TrillEditor");
    setWindowTitle("Trill Editor");

    auto* range = makeShownRange({FromBar, FromBeat, FromTickEdit, ToBar, ToBeat, ToTickEdit});

    ListBox1 = new QListWidget;
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListBox1->setMinimumSize(250, 320);

    PageControl = new QTabWidget;
    PageControl->setObjectName("PageControl");
    PageControl->addTab(buildTrillPage(), "Trill");
    PageControl->addTab(buildSlurPage(), "Slur Bender");

    TestPlayAction1 = new QAction("Test Play", this);
    TestPlayAction1->setObjectName("TestPlayAction1");
    ApplyAction1 = new QAction("Apply", this);
    ApplyAction1->setObjectName("ApplyAction1");
    TestPlayButton = new QPushButton("Test Play");
    TestPlayButton->setObjectName("TestPlayButton");
    TestPlayButton->setToolTip("Plays what Apply would write, alone");
    ApplyButton = new QPushButton("Apply");
    ApplyButton->setObjectName("ApplyButton");
    TestPlay = new QPushButton("Play");
    TestPlay->setObjectName("TestPlay");
    TestPlay->setToolTip("Play selected part");
    StopButton = new QPushButton("Stop");
    StopButton->setObjectName("StopButton");
    CloseButton1 = new QPushButton("Close");
    CloseButton1->setObjectName("CloseButton1");

    auto* middle = new QHBoxLayout;
    middle->addWidget(ListBox1, 1);
    middle->addWidget(PageControl);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {TestPlayButton, ApplyButton, TestPlay, StopButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(CloseButton1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(range);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!refreshing_) ListBox1Click();
    });
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { pageChanged(); });
    connect(Quantize, &RadioGroup::itemClicked, this, &TTrillEditor::QuantizeClick);
    connect(DefSpeedButton1, &QToolButton::clicked, this, &TTrillEditor::DefSpeedButton1Click);
    connect(EndwithGivenNote, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) TurnAtLast->setChecked(false);
        updateDependentControls();
    });
    for (QCheckBox* c : {TurnAtLast, Reverse, PortCheckBox1}) connect(c, &QCheckBox::toggled, this, &TTrillEditor::updateDependentControls);
    connect(UpperPitch, &QSpinBox::valueChanged, this, [this](int v) {
        UpperPitchName->setText(noteNameOf(v));
        TestPlayAction1Update();
    });
    connect(TurnNoteEdit, &QSpinBox::valueChanged, this, [this](int v) {
        TurnNoteName->setText(noteNameOf(v));
        TestPlayAction1Update();
    });
    for (QSpinBox* s : {FirstLength, LastLength}) connect(s, &QSpinBox::valueChanged, this, &TTrillEditor::TestPlayAction1Update);
    connect(TrillInterval, &QLineEdit::textChanged, this, &TTrillEditor::TestPlayAction1Update);
    connect(TrillMethod, &RadioGroup::itemClicked, this, &TTrillEditor::TestPlayAction1Update);
    connect(TestPlayAction1, &QAction::triggered, this, &TTrillEditor::TestPlayButtonClick);
    connect(ApplyAction1, &QAction::triggered, this, &TTrillEditor::ApplyButtonClick);
    connect(TestPlayButton, &QPushButton::clicked, TestPlayAction1, &QAction::trigger);
    connect(ApplyButton, &QPushButton::clicked, ApplyAction1, &QAction::trigger);
    connect(TestPlay, &QPushButton::clicked, this, &TTrillEditor::TestPlayClick);
    connect(StopButton, &QPushButton::clicked, this, &TTrillEditor::StopButtonClick);
    connect(CloseButton1, &QPushButton::clicked, this, &QWidget::close);

    idleTimer_ = new QTimer(this);
    idleTimer_->setInterval(200);
    connect(idleTimer_, &QTimer::timeout, this, &TTrillEditor::TestPlayAction1Update);
    UpperPitchName->setText(noteNameOf(UpperPitch->value()));
    TurnNoteName->setText(noteNameOf(TurnNoteEdit->value()));
    updateDependentControls();
}

TTrillEditor::~TTrillEditor() = default;

QWidget* TTrillEditor::buildTrillPage() {
    auto* page = new QWidget;
    page->setObjectName("TrillSheet");
    TrillMethod = new RadioGroup("Note/Bend", {"Note", "PitchBend"}, Qt::Horizontal);
    TrillMethod->setObjectName("TrillMethod");
    TrillMethod->setItemIndex(0);
    UpperPitch = spin("UpperPitch", 1, 127, 64);
    UpperPitchName = new QLabel;
    UpperPitchName->setObjectName("UpperPitchName");
    TrillInterval = field("TrillInterval", "10", 56);
    DefSpeedButton1 = new QToolButton;
    DefSpeedButton1->setObjectName("DefSpeedButton1");
    DefSpeedButton1->setText("Def.");
    DefSpeedButton1->setToolTip("The trill interval from Interval Time(ms) at the note's tempo");
    IntTime = field("IntTime", "85", 56);
    FirstLength = spin("FirstLength", 1, 9, 1);
    LastLength = spin("LastLength", 1, 9, 1);
    StartWith = new RadioGroup("StartWith", {"Up", "Down"}, Qt::Horizontal);
    StartWith->setObjectName("StartWith");
    StartWith->setItemIndex(0);
    EndwithGivenNote = check("EndwithGivenNote", "End with Given Note", true);
    TurnAtLast = check("TurnAtLast", "Turn at End", false);
    TurnNoteEdit = spin("TurnNoteEdit", 1, 127, 64);
    TurnNoteName = new QLabel;
    TurnNoteName->setObjectName("TurnNoteName");
    Quantize = new RadioGroup("Range Quantize", {"To Next Note", "Don't Adjust"}, Qt::Vertical);
    Quantize->setObjectName("Quantize");
    Quantize->setItemIndex(0);
    Fill = check("Fill", "Fill", true);
    RangeStatic = new QLabel("Range = 0");
    RangeStatic->setObjectName("RangeStatic");

    auto* grid = new QGridLayout;
    int r = 0;
    grid->addWidget(TrillMethod, r++, 0, 1, 4);
    grid->addWidget(new QLabel("Next Note"), r, 0);
    grid->addWidget(UpperPitch, r, 1);
    grid->addWidget(UpperPitchName, r++, 2);
    grid->addWidget(new QLabel("Trill Interval"), r, 0);
    grid->addWidget(TrillInterval, r, 1);
    grid->addWidget(DefSpeedButton1, r, 2);
    grid->addWidget(new QLabel("ticks"), r++, 3);
    grid->addWidget(new QLabel("Interval Time(ms)"), r, 0);
    grid->addWidget(IntTime, r++, 1);
    grid->addWidget(new QLabel("First Length x"), r, 0);
    grid->addWidget(FirstLength, r++, 1);
    grid->addWidget(new QLabel("Last Length x"), r, 0);
    grid->addWidget(LastLength, r++, 1);
    grid->addWidget(StartWith, r++, 0, 1, 4);
    grid->addWidget(EndwithGivenNote, r++, 0, 1, 4);
    grid->addWidget(TurnAtLast, r, 0);
    grid->addWidget(TurnNoteEdit, r, 1);
    grid->addWidget(TurnNoteName, r++, 2);
    grid->addWidget(Quantize, r++, 0, 1, 4);
    grid->addWidget(Fill, r, 0);
    grid->addWidget(RangeStatic, r++, 1, 1, 3);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(r, 1);
    page->setLayout(grid);
    return page;
}

QWidget* TTrillEditor::buildSlurPage() {
    auto* page = new QWidget;
    page->setObjectName("SlurBenderSheet");
    CurrentBendRange = new QLabel("Band Range = 2");
    CurrentBendRange->setObjectName("CurrentBendRange");
    SlurVelocity = new RadioGroup("SlurVelocity", {"Start", "End", "Mean"}, Qt::Horizontal);
    SlurVelocity->setObjectName("SlurVelocity");
    SlurVelocity->setItemIndex(0);
    PortamentGroup = new QGroupBox("Portament");
    PortamentGroup->setObjectName("PortamentGroup");
    PortCheckBox1 = check("PortCheckBox1", "Use Portament", false);
    PortTrackBar1 = new QSlider(Qt::Horizontal);
    PortTrackBar1->setObjectName("PortTrackBar1");
    PortTrackBar1->setRange(1, 10);
    PortTrackBar1->setValue(7);
    PortTrackBar1->setTickPosition(QSlider::TicksBelow);
    PortTrackBar1->setPageStep(1);
    DelayCheck = check("DelayCheck", "Delay", true);
    MaxEffectRangeEdit1 = field("MaxEffectRangeEdit1", "450", 56);
    {
        auto* grid = new QGridLayout(PortamentGroup);
        grid->addWidget(PortCheckBox1, 0, 0, 1, 3);
        grid->addWidget(new QLabel("Smooth"), 1, 0);
        grid->addWidget(PortTrackBar1, 1, 1);
        grid->addWidget(new QLabel("Rapid"), 1, 2);
        grid->addWidget(DelayCheck, 2, 0, 1, 3);
        grid->addWidget(new QLabel("Max Intermidiate Time(ms)"), 3, 0, 1, 2);
        grid->addWidget(MaxEffectRangeEdit1, 3, 2);
    }
    Precision = field("Precision", "10", 56);
    Reverse = check("Reverse", "Bend->Note", false);

    auto* layout = new QVBoxLayout;
    layout->addWidget(CurrentBendRange);
    layout->addWidget(SlurVelocity);
    layout->addWidget(PortamentGroup);
    auto* reverseRow = new QHBoxLayout;
    reverseRow->addWidget(Reverse);
    reverseRow->addStretch();
    reverseRow->addWidget(new QLabel("Sensitivity"));
    reverseRow->addWidget(Precision);
    layout->addLayout(reverseRow);
    layout->addStretch();
    page->setLayout(layout);
    return page;
}

// ---- pages and opening --------------------------------------------------------------------------

TTrillEditor::Page TTrillEditor::page() const { return PageControl->currentIndex() == 1 ? SlurPage : TrillPage; }

void TTrillEditor::setPage(Page p) { PageControl->setCurrentIndex(p == SlurPage ? 1 : 0); }

void TTrillEditor::opening(const QString& id) {
    resetInterval_ = true;
    const QSignalBlocker block(PageControl);
    setPage(id == "slurbender" ? SlurPage : TrillPage);
    pageChanged();
}

void TTrillEditor::pageChanged() {
    const bool slur = page() == SlurPage;
    setWindowTitle(slur ? "Slur Bender" : "Trill Editor");
    ListBox1->setSelectionMode(slur ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    if (!slur) {
        // One line at most on the Trill page: the current one.
        QListWidgetItem* current = ListBox1->currentItem();
        const QSignalBlocker block(ListBox1);
        ListBox1->clearSelection();
        if (current) current->setSelected(true);
    }
    if (slur && isVisible()) SlurBenderShow();
    if (isVisible()) refreshFromEditor();
}

void TTrillEditor::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        idleTimer_->start();
        if (page() == SlurPage) SlurBenderShow();
    }
    ToolWindow::showEvent(event);
}

void TTrillEditor::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        idleTimer_->stop();
        player_.stopTest();
    }
    ToolWindow::hideEvent(event);
}

// ---- following the editor ----------------------------------------------------------------------

int TTrillEditor::currentTrack() const {
    midiSong* song = context().song();
    const int t = context().selection().firstTrack;
    return song && t >= 0 && t < song->trackCount() ? t : -1;
}

void TTrillEditor::refreshFromEditor() {
    midiSong* song = context().song();
    refreshing_ = true;
    if (!song || currentTrack() < 0) {
        ListBox1->clear();
    } else {
        const Selection sel = context().selection();
        showRange({FromBar, FromBeat, FromTickEdit, ToBar, ToBeat, ToTickEdit}, rangeFieldsFor(*song, sel));
        const std::vector<const void*> chosen = rememberSelectedItems(ListBox1);
        fillNoteList(ListBox1, *song, currentTrack(), sel);
        if (page() == SlurPage) restoreSelectedItems(ListBox1, chosen);
    }
    refreshing_ = false;
    ListBox1Click();
    if (resetInterval_) {
        resetInterval_ = false;
        setTrillIntervalDefault();
    }
    TestPlayAction1Update();
}

void TTrillEditor::songReplaced() {
    ListBox1->clear();
    work_.reset();
    trillRange_ = 0;
}

NoteOnEvent* TTrillEditor::selectedNote() const {
    QListWidgetItem* item = ListBox1->currentItem();
    if (item && item->isSelected()) return noteOf(item);
    const QList<QListWidgetItem*> chosen = ListBox1->selectedItems();
    return chosen.isEmpty() ? nullptr : noteOf(chosen.front());
}

std::vector<NoteOnEvent*> TTrillEditor::phrase() const {
    std::vector<NoteOnEvent*> notes;
    for (int r : phraseRows(selectedRows(ListBox1))) notes.push_back(noteOf(ListBox1->item(r)));
    return notes;
}

// ---- handlers ------------------------------------------------------------------------------------

void TTrillEditor::ListBox1Click() {
    midiSong* song = context().song();
    NoteOnEvent* n = selectedNote();
    const int track = currentTrack();
    if (!song || !n || track < 0) {
        trillRange_ = 0;
    } else {
        const TrillKeys keys = trillKeysFor(*song, *n);
        UpperPitch->setValue(keys.upper);
        TurnNoteEdit->setValue(keys.turn);
        trillRange_ = tonvela::trillRange(*song->track(track), *n, trillSettings().RangeQuantize);
    }
    RangeStatic->setText("Range = " + QString::number(trillRange_));
    TestPlayAction1Update();
}

void TTrillEditor::QuantizeClick() { ListBox1Click(); }

void TTrillEditor::setTrillIntervalDefault() {
    midiSong* song = context().song();
    if (!song) return;
    QString text = IntTime->text();
    const std::optional<double> ms = readDecimal(text.toStdString());
    if (!ms) return;
    NoteOnEvent* n = selectedNote();
    TrillInterval->setText(QString::number(trillIntervalDefault(*song, *ms, n ? n->time : 0)));
}

void TTrillEditor::DefSpeedButton1Click() {
    midiSong* song = context().song();
    if (!song) return;
    QString text = IntTime->text();
    const std::optional<double> ms = askDecimalOrCancel(text, this);
    if (!ms) return;
    IntTime->setText(text);
    NoteOnEvent* n = selectedNote();
    const QString ticks = QString::number(trillIntervalDefault(*song, *ms, n ? n->time : 0));
    if (TrillInterval->text() != ticks) TrillInterval->setText(ticks);
}

void TTrillEditor::SlurBenderShow() {
    midiSong* song = context().song();
    const int track = currentTrack();
    if (!song || track < 0) return;
    Precision->setText(QString::number(precisionDefault(*song->track(track))));
}

void TTrillEditor::updateDependentControls() {
    TurnAtLast->setEnabled(EndwithGivenNote->isChecked());
    const bool reverse = Reverse->isChecked();
    SlurVelocity->setEnabled(!reverse);
    PortamentGroup->setEnabled(!reverse);
    for (QWidget* w : std::initializer_list<QWidget*>{PortTrackBar1, DelayCheck, MaxEffectRangeEdit1})
        w->setEnabled(PortCheckBox1->isChecked());
    TestPlayAction1Update();
}

TrillSettings TTrillEditor::trillSettings() const {
    TrillSettings s;
    s.TrillMethod = TrillMethod->itemIndex() == 1 ? TrillSettings::Method::pitchBend : TrillSettings::Method::note;
    s.UpperPitch = UpperPitch->value();
    s.TrillInterval = readInteger(TrillInterval->text().toStdString()).value_or(0);
    s.IntTime = readDecimal(IntTime->text().toStdString()).value_or(0);
    s.FirstLength = FirstLength->value();
    s.LastLength = LastLength->value();
    s.StartDown = StartWith->itemIndex() == 1;
    s.EndwithGivenNote = EndwithGivenNote->isChecked();
    s.TurnAtLast = TurnAtLast->isChecked();
    s.TurnNote = TurnNoteEdit->value();
    s.RangeQuantize = Quantize->itemIndex() == 1 ? TrillSettings::Quantize::dontAdjust : TrillSettings::Quantize::toNextNote;
    s.Fill = Fill->isChecked();
    return s;
}

SlurSettings TTrillEditor::slurSettings() const {
    SlurSettings s;
    const int v = SlurVelocity->itemIndex();
    s.SlurVelocity = v == 1 ? SlurSettings::Velocity::end : v == 2 ? SlurSettings::Velocity::mean : SlurSettings::Velocity::start;
    s.UsePortament = PortCheckBox1->isChecked();
    s.PortTrackBar1 = PortTrackBar1->value();
    s.Delay = DelayCheck->isChecked();
    s.MaxEffectRange = readInteger(MaxEffectRangeEdit1->text().toStdString()).value_or(0);
    s.Precision = readInteger(Precision->text().toStdString()).value_or(0);
    s.Reverse = Reverse->isChecked();
    return s;
}

void TTrillEditor::TestPlayAction1Update() {
    midiSong* song = context().song();
    const int track = currentTrack();
    bool ready = false;
    if (song && track >= 0) {
        const midiTrack& t = *song->track(track);
        if (page() == TrillPage) {
            NoteOnEvent* n = selectedNote();
            ready = n && trillReady(t, *n, trillSettings(), trillRange_);
        } else {
            const std::vector<NoteOnEvent*> notes = phrase();
            ready = slurReady(t, notes, slurSettings());
            const int32_t at = notes.empty() ? std::max(t.firstNoteTime, 0) : notes.front()->time;
            CurrentBendRange->setText("Band Range = " + QString::number(bendSensitivity(t, at)));
        }
    }
    TestPlayAction1->setEnabled(ready && player_.canTest());
    TestPlayButton->setEnabled(TestPlayAction1->isEnabled());
    MidiDevice* device = context().device();
    TestPlayButton->setToolTip(!device || !device->isOpen() ? "No MIDI output port is open (MIDI Device...)."
                                                            : "Plays what Apply would write, alone");
    ApplyAction1->setEnabled(ready);
    ApplyButton->setEnabled(ready);
    TestPlay->setEnabled(player_.canPlay());
    StopButton->setEnabled(context().playing());
}

bool TTrillEditor::readFields() {
    auto readInt = [this](QLineEdit* edit) {
        QString text = edit->text();
        if (!askIntegerOrCancel(text, this)) return false;
        edit->setText(text);
        return true;
    };
    if (page() == TrillPage) return readInt(TrillInterval);
    return Reverse->isChecked() ? readInt(Precision) : readInt(MaxEffectRangeEdit1);
}

void TTrillEditor::TestPlayButtonClick() {
    TestPlayAction1Update();
    midiSong* song = context().song();
    if (!TestPlayAction1->isEnabled() || !song || !readFields()) return;
    if (!work_) work_ = std::make_unique<midiTrack>(song, 0, "");
    const midiTrack& t = *song->track(currentTrack());
    try {
        if (page() == TrillPage)
            buildTrill(t, *selectedNote(), trillSettings(), trillRange_, *work_);
        else
            buildSlur(*song, t, phrase(), slurSettings(), *work_);
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    player_.playWork(*work_, currentTrack());
    TestPlayAction1Update();
}

void TTrillEditor::ApplyButtonClick() {
    TestPlayAction1Update();
    midiSong* song = context().song();
    if (!ApplyAction1->isEnabled() || !song || !readFields()) return;
    if (!work_) work_ = std::make_unique<midiTrack>(song, 0, "");
    const int track = currentTrack();
    bool changed = true;
    try {
        if (page() == TrillPage)
            changed = applyTrill(*song, track, *selectedNote(), trillSettings(), trillRange_, *work_);
        else
            applySlur(*song, track, phrase(), slurSettings(), *work_);
    } catch (const std::exception& e) {
        context().reportError(errorText(e));
        return;
    }
    if (changed) context().songEdited();
}

void TTrillEditor::TestPlayClick() {
    player_.playSelection();
    TestPlayAction1Update();
}

void TTrillEditor::StopButtonClick() {
    player_.stop();
    TestPlayAction1Update();
}
