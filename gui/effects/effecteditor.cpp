#include "effects/effecteditor.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "appfolders.h"
#include "effects/curveview.h"
#include "effects/effect_controls.h"
#include "host/editor_context.h"
#include "prompts.h"
#include "radiogroup.h"
#include "settings/numbertext.h"
#include "settings/preffile.h"
#include "song/selection.h"
#include "song/song.h"
#include "songtext.h"

using namespace tonvela;

namespace {

// Pages of each effect type, the first one active (index = effectType).
const std::vector<TEffectEditor::Page> kTypePages[8] = {
    {TEffectEditor::TabAddEvent, TEffectEditor::TabFunction},
    {TEffectEditor::TabDelete},
    {TEffectEditor::TabVelocity, TEffectEditor::TabFunction},
    {TEffectEditor::TabTimeShift, TEffectEditor::TabFunction},
    {TEffectEditor::TabEcho},
    {TEffectEditor::TabModifyControl, TEffectEditor::TabFunction},
    {TEffectEditor::TabDuration},
    {TEffectEditor::TabChord},
};

QString qtext(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QToolButton* actionButton(QAction* action, const QString& name) {
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setDefaultAction(action);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(72);
    return b;
}

// The widgets of the controls, reached by the control names of the core's description
// (effects/effect_controls.h): the reader and the writer are its visitors.
struct ControlBinding {
    const QHash<QString, QWidget*>& controls;
    QWidget* widget(const char* name) const { return controls.value(QLatin1String(name)); }
    bool has(int) const { return true; }
    bool peekFunctionBlock() const { return true; }
};

// Controls -> settings.
struct ControlReader : ControlBinding {
    const QHash<QString, std::string>& shownBytes;

    void text(const char* name, std::string& field) const {
        QWidget* w = widget(name);
        QString shown;
        if (auto* e = qobject_cast<QLineEdit*>(w)) shown = e->text();
        else if (auto* c = qobject_cast<QComboBox*>(w)) shown = c->currentText();
        else return;
        // A text shown as it came from a file keeps its bytes (the file's code page).
        auto it = shownBytes.constFind(QLatin1String(name));
        field = it != shownBytes.constEnd() && fromSongText(*it) == shown ? *it : shown.toStdString();
    }
    void unstored(const char* name, std::string& field) const { text(name, field); }
    void choice(const char* name, int& field) const {
        QWidget* w = widget(name);
        if (auto* c = qobject_cast<QComboBox*>(w)) field = c->currentIndex();
        else if (auto* r = qobject_cast<RadioGroup*>(w)) field = r->itemIndex();
    }
    template <class OnRead>
    void item(const char* name, int& field, ItemList, OnRead) const { choice(name, field); }
    void index(const char* name, int& field, ItemList) const { choice(name, field); }
    void number(const char* name, int& field, int, int) const { choice(name, field); }
    void toggle(const char* name, bool& field) const {
        if (auto* c = qobject_cast<QCheckBox*>(widget(name))) field = c->isChecked();
    }
    void position(const char* name, int& field, int, int) const {
        QWidget* w = widget(name);
        if (auto* s = qobject_cast<QSlider*>(w)) field = s->value();
        else if (auto* b = qobject_cast<QSpinBox*>(w)) field = b->value();
    }
};

// Settings -> controls; no change handler runs (the caller holds the editor's filling flag and
// the signals are blocked).
struct ControlWriter : ControlBinding {
    QHash<QString, std::string>& shownBytes;

    void text(const char* name, const std::string& field) const {
        QWidget* w = widget(name);
        const QString shown = fromSongText(field);
        shownBytes.insert(QLatin1String(name), field);
        const QSignalBlocker block(w);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            if (e->text() != shown) e->setText(shown);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            c->setCurrentText(shown);
        }
    }
    void unstored(const char* name, const std::string& field) const { text(name, field); }
    void choice(const char* name, const int& field) const {
        QWidget* w = widget(name);
        const QSignalBlocker block(w);
        if (auto* c = qobject_cast<QComboBox*>(w)) c->setCurrentIndex(field >= 0 && field < c->count() ? field : -1);
        else if (auto* r = qobject_cast<RadioGroup*>(w)) r->setItemIndex(field);
    }
    template <class OnRead>
    void item(const char* name, const int& field, ItemList, OnRead) const { choice(name, field); }
    void index(const char* name, const int& field, ItemList) const { choice(name, field); }
    void number(const char* name, const int& field, int, int) const { choice(name, field); }
    void toggle(const char* name, const bool& field) const {
        QWidget* w = widget(name);
        const QSignalBlocker block(w);
        if (auto* c = qobject_cast<QCheckBox*>(w)) c->setChecked(field);
    }
    void position(const char* name, const int& field, int, int) const {
        QWidget* w = widget(name);
        // Sliders keep their value labels in step, so only the handlers are held back.
        if (auto* s = qobject_cast<QSlider*>(w)) s->setValue(field);
        else if (auto* b = qobject_cast<QSpinBox*>(w)) b->setValue(field);
    }
};

// The previous unit of a unit list: the index it had before the user last chose.
constexpr const char* kPreviousUnit = "previousUnit";

}  // namespace

TEffectEditor::TEffectEditor(EditorContext& context, QWidget* parent) : ToolWindow(context, parent) {
    setObjectName("EffectEditor");
    setWindowTitle("Effect Element Editor");

    TargetComboBox = choice("TargetComboBox", kEffectTypeItems);
    EffectName = new QLineEdit;
    EffectName->setObjectName("EffectName");
    controls_.insert("EffectName", EffectName);
    Description = new QPlainTextEdit;
    Description->setObjectName("Description");
    Description->setFixedHeight(Description->fontMetrics().lineSpacing() * 3 + 12);
    Description->setTabChangesFocus(true);
    FromBar = field("FromBar", 48);
    FromBeat = field("FromBeat", 32);
    FromTickEdit = field("FromTickEdit", 44);
    ToBar = field("ToBar", 48);
    ToBeat = field("ToBeat", 32);
    ToTickEdit = field("ToTickEdit", 44);
    for (auto [edit, caption] : {std::pair{FromBar, "From Bar"}, {FromBeat, "From Beat"}, {FromTickEdit, "From Tick"},
                                 {ToBar, "To Bar"}, {ToBeat, "To Beat"}, {ToTickEdit, "To Tick"}})
        setFieldCaption(edit, caption);

    PageControl = new QTabWidget;
    PageControl->setObjectName("PageControl");
    pages_[TabAddEvent] = buildAddEventPage();
    pages_[TabDelete] = buildDeletePage();
    pages_[TabVelocity] = buildVelocityPage();
    pages_[TabTimeShift] = buildTimeShiftPage();
    pages_[TabEcho] = buildEchoPage();
    pages_[TabModifyControl] = buildModifyControlPage();
    pages_[TabDuration] = buildDurationPage();
    pages_[TabChord] = buildChordPage();
    pages_[TabFunction] = buildFunctionPage();
    const char* captions[PageCount] = {"Add Event", "Delete Event",        "Modify Velocity",
                                       "TimeShift", "Echo",                "Modify Control/Bend",
                                       "Modify Duration", "Chord Stroker", "Function"};
    for (int p = 0; p < PageCount; ++p) {
        pageCaptions_[p] = captions[p];
        PageControl->addTab(pages_[p], pageCaptions_[p]);
    }

    ActionApply = new QAction("Apply", this);
    ActionApply->setObjectName("ActionApply");
    ActionUndo = new QAction("Undo", this);
    ActionUndo->setObjectName("ActionUndo");
    SaveData = new QAction("Save Data", this);
    SaveData->setObjectName("SaveData");
    ModTest = actionButton(ActionApply, "ModTest");
    Undo = actionButton(ActionUndo, "Undo");
    SaveDataButton = actionButton(SaveData, "SaveDataButton");
    LoadButton = new QPushButton("Load");
    LoadButton->setObjectName("LoadButton");
    PreviewButton = new QPushButton("Preview");
    PreviewButton->setObjectName("PreviewButton");
    StopButton = new QPushButton("Stop");
    StopButton->setObjectName("StopButton");
    CloseButton = new QPushButton("Close");
    CloseButton->setObjectName("CloseButton");
    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);

    // Layout: the effect's identity and range on top, its pages, the commands, the status.
    auto* head = new QGridLayout;
    head->addWidget(new QLabel("Type"), 0, 0);
    head->addWidget(TargetComboBox, 0, 1);
    head->addWidget(new QLabel("Name"), 0, 2);
    head->addWidget(EffectName, 0, 3);
    head->addWidget(new QLabel("Description"), 1, 0, Qt::AlignTop);
    head->addWidget(Description, 1, 1, 1, 3);
    head->setColumnStretch(3, 1);
    auto* range = new QGroupBox("Range");
    range->setObjectName("Range");
    {
        auto* row = new QHBoxLayout(range);
        row->addWidget(new QLabel("From"));
        for (QLineEdit* e : {FromBar, FromBeat, FromTickEdit}) row->addWidget(e);
        row->addSpacing(16);
        row->addWidget(new QLabel("To"));
        for (QLineEdit* e : {ToBar, ToBeat, ToTickEdit}) row->addWidget(e);
        row->addSpacing(8);
        row->addWidget(new QLabel("(bar : beat : tick)"));
        row->addStretch();
    }
    auto* buttons = new QHBoxLayout;
    for (QWidget* b : std::initializer_list<QWidget*>{ModTest, Undo, PreviewButton, StopButton}) buttons->addWidget(b);
    buttons->addStretch();
    for (QWidget* b : std::initializer_list<QWidget*>{LoadButton, SaveDataButton, CloseButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(range);
    layout->addWidget(PageControl, 1);
    layout->addLayout(buttons);
    layout->addWidget(buildQuickSlots());
    layout->addWidget(StatusBar1);

    idleTimer_ = new QTimer(this);
    idleTimer_->setInterval(200);
    connect(idleTimer_, &QTimer::timeout, this, &TEffectEditor::updateActions);

    connectHandlers();
    // The state at creation: the first type and its pages, every default, the curve.
    showSettings(EffectSettings{});
    readPositionFile();
    updateActions();
}

TEffectEditor::~TEffectEditor() {
    // The context must not be called here: its window is being destroyed.
    previewSong_.reset();
}

void TEffectEditor::connectHandlers() {
    connect(TargetComboBox, &QComboBox::activated, this, &TEffectEditor::TargetComboBoxChange);
    connect(AddItem, &QComboBox::activated, this, &TEffectEditor::AddItemChange);
    connect(DelItemComboBox1, &QComboBox::activated, this, &TEffectEditor::DelItemComboBox1Change);
    connect(Modify, &QComboBox::activated, this, &TEffectEditor::ModifyChange);
    connect(PitchBendUnit, &QComboBox::activated, this, &TEffectEditor::PitchBendUnitChange);
    connect(MinDiffUnit, &QComboBox::activated, this, &TEffectEditor::MinDiffUnitChange);
    connect(DurationUnit, &QComboBox::activated, this, [this](int u) { timeUnitChange(DurationUnit, {DurMin, DurMax}, u); });
    connect(DistanceUnit, &QComboBox::activated, this, [this](int u) { timeUnitChange(DistanceUnit, {Distance}, u); });
    connect(ApplyTimeUnit, &QComboBox::activated, this, [this](int u) { timeUnitChange(ApplyTimeUnit, {ApplyTime}, u); });
    connect(modifydurComboBox1, &QComboBox::activated, this,
            [this](int u) { timeUnitChange(modifydurComboBox1, {durFilterDurMin, durFilterDurMax}, u); });
    connect(EchoDelayUnit, &QComboBox::activated, this, [this](int u) {
        if (previousEchoDelayUnit_ >= 0) EchoDelayUnit->setProperty(kPreviousUnit, previousEchoDelayUnit_);
        timeUnitChange(EchoDelayUnit, {EchoDelayText}, u);
        previousEchoDelayUnit_ = u;
    });

    for (QComboBox* c : {FunctionBox, Function2, Function3})
        connect(c, &QComboBox::currentIndexChanged, this, &TEffectEditor::functionChange);
    for (QCheckBox* c : {F2, F3, FlipY, FlipX, Abs}) connect(c, &QCheckBox::toggled, this, &TEffectEditor::functionChange);
    for (QSlider* s : {TrackBar1, TrackBar2, TrackBar3})
        connect(s, &QSlider::valueChanged, this, &TEffectEditor::functionChange);

    connect(EchoCount, &QSlider::valueChanged, this, &TEffectEditor::updateDependentControls);
    connect(EchoOtherTrack, &QCheckBox::toggled, this, [this](bool on) {
        // Echoes on their own channel only make sense in their own track.
        if (!on && !filling_) OtherChannel->setChecked(false);
        updateDependentControls();
    });
    connect(ChordBound, &QLineEdit::textChanged, this, &TEffectEditor::updateDependentControls);
    connect(StrokeMethod, &QComboBox::currentIndexChanged, this, &TEffectEditor::updateDependentControls);
    connect(Devision, &QSlider::valueChanged, this, &TEffectEditor::updateDependentControls);
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == TabEcho && !switchingPages_) echoPageShown();
    });

    connect(Distance, &QLineEdit::textChanged, this, &TEffectEditor::updateActions);
    connect(EffectName, &QLineEdit::textChanged, this, &TEffectEditor::updateActions);
    connect(ActionApply, &QAction::triggered, this, &TEffectEditor::ApplyExecute);
    connect(ActionUndo, &QAction::triggered, this, &TEffectEditor::UndoExecute);
    connect(SaveData, &QAction::triggered, this, &TEffectEditor::SaveDataExecute);
    connect(LoadButton, &QPushButton::clicked, this, &TEffectEditor::LoadButtonClick);
    connect(PreviewButton, &QPushButton::clicked, this, &TEffectEditor::PreviewClick);
    connect(StopButton, &QPushButton::clicked, this, &TEffectEditor::StopClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

// ---- the effect as a value --------------------------------------------------------------------

EffectSettings TEffectEditor::settings() const {
    EffectSettings s;
    s.effectType = TargetComboBox->currentIndex();
    ControlReader reader{{controls_}, shownBytes_};
    everyEffectControl(reader, s);
    reader.text("EffectName", s.EffectName);
    const QStringList lines = Description->toPlainText().split('\n');
    s.Description.clear();
    for (int i = 0; i < lines.size(); ++i) {
        const std::string original = i < static_cast<int>(shownDescription_.size()) ? shownDescription_[static_cast<size_t>(i)] : std::string();
        s.Description.push_back(fromSongText(original) == lines[i] ? original : lines[i].toStdString());
    }
    return s;
}

void TEffectEditor::showSettings(const EffectSettings& s) {
    // The type first: showing its pages may run the Echo page's first showing, whose defaults
    // the effect's own values then replace.
    {
        const QSignalBlocker block(TargetComboBox);
        TargetComboBox->setCurrentIndex(s.effectType >= 0 && s.effectType < TargetComboBox->count() ? s.effectType : -1);
    }
    showTypePages(s.effectType);
    writeControls(s);
}

void TEffectEditor::writeControls(const EffectSettings& s) {
    filling_ = true;
    EffectSettings shown = s;
    ControlWriter writer{{controls_}, shownBytes_};
    everyEffectControl(writer, shown);
    writer.text("EffectName", s.EffectName);
    shownDescription_ = s.Description;
    QStringList lines;
    for (const std::string& l : s.Description) lines << fromSongText(l);
    if (Description->toPlainText() != lines.join('\n')) Description->setPlainText(lines.join('\n'));
    for (QComboBox* unit : {DurationUnit, DistanceUnit, ApplyTimeUnit, modifydurComboBox1, PitchBendUnit, MinDiffUnit})
        unit->setProperty(kPreviousUnit, unit->currentIndex());
    if (previousEchoDelayUnit_ >= 0) previousEchoDelayUnit_ = EchoDelayUnit->currentIndex();
    filling_ = false;
    updateDependentControls();
    functionChange();
    updateActions();
}

const Curve& TEffectEditor::curve() const { return curve_; }

QStringList TEffectEditor::shownPages() const {
    QStringList shown;
    for (int p = 0; p < PageCount; ++p)
        if (PageControl->isTabVisible(p)) shown << pageCaptions_[p];
    return shown;
}

// ---- page handlers ---------------------------------------------------------------------------

void TEffectEditor::showTypePages(int type) {
    switchingPages_ = true;
    for (int p = 0; p < PageCount; ++p) PageControl->setTabVisible(p, false);
    if (type >= 0 && type < 8) {
        for (Page p : kTypePages[type]) PageControl->setTabVisible(p, true);
        PageControl->setCurrentIndex(kTypePages[type].front());
    }
    switchingPages_ = false;
    if (PageControl->currentIndex() == TabEcho && PageControl->isTabVisible(TabEcho)) echoPageShown();
}

void TEffectEditor::TargetComboBoxChange(int type) {
    if (filling_) return;
    showTypePages(type);
    updateActions();
}

void TEffectEditor::AddItemChange(int item) {
    if (filling_) return;
    EffectSettings s = settings();
    chooseAddItem(s.addEvent, item);
    writeControls(s);
}

void TEffectEditor::DelItemComboBox1Change(int item) {
    if (filling_) return;
    EffectSettings s = settings();
    chooseDeleteItem(s.deleteEvents, item);
    writeControls(s);
}

void TEffectEditor::ModifyChange(int index) {
    if (filling_) return;
    EffectSettings s = settings();
    chooseModify(s.modifyControl, index);
    writeControls(s);
}

void TEffectEditor::PitchBendUnitChange(int unit) {
    const int previous = PitchBendUnit->property(kPreviousUnit).toInt();
    if (filling_ || unit == previous) return;
    EffectSettings s = settings();
    s.addEvent.PitchBendUnit = previous;
    changePitchBendUnit(s.addEvent, unit, bendRange());
    writeControls(s);
}

void TEffectEditor::MinDiffUnitChange(int unit) {
    const int previous = MinDiffUnit->property(kPreviousUnit).toInt();
    if (filling_ || unit == previous) return;
    EffectSettings s = settings();
    s.addEvent.MinDiffUnit = previous;
    changeMinDiffUnit(s.addEvent, unit, bendRange());
    writeControls(s);
}

void TEffectEditor::timeUnitChange(QComboBox* unitList, std::initializer_list<QLineEdit*> fields, int unit) {
    const int previous = unitList->property(kPreviousUnit).toInt();
    unitList->setProperty(kPreviousUnit, unit);
    if (filling_ || unit == previous) return;
    const UnitContext units = unitContext();
    for (QLineEdit* f : fields)
        f->setText(QString::fromStdString(convertTimeField(units, f->text().toStdString(), previous, unit)));
}

void TEffectEditor::functionChange() {
    if (filling_) return;
    curve_ = computeCurve(settings().function);
    CurveImage->setCurve(curve_);
}

void TEffectEditor::echoPageShown() {
    // The first showing of the page turns the delay into milliseconds.
    if (previousEchoDelayUnit_ < 0) {
        const QSignalBlocker a(EchoDelayUnit), b(EchoDelayText);
        EchoDelayUnit->setCurrentIndex(1);
        EchoDelayText->setText("150.0");
        previousEchoDelayUnit_ = 1;
    }
    refillTrackNames();
}

void TEffectEditor::refillTrackNames() {
    // The echo track may be any track of the song.
    const QString name = NewTrackName->currentText();
    const QSignalBlocker block(NewTrackName);
    NewTrackName->clear();
    if (midiSong* song = context().song())
        for (int i = 0; i < song->trackCount(); ++i) NewTrackName->addItem(fromSongText(song->track(i)->name));
    NewTrackName->setCurrentText(name);
}

void TEffectEditor::updateDependentControls() {
    const int item = AddItem->currentIndex();
    CtrlNoEdit->setVisible(item == 7);
    PitchBendUnit->setVisible(item <= 0);
    MinDiffUnit->setVisible(item <= 0);
    DelCtrlNoEdit1->setVisible(DelItemComboBox1->currentIndex() == 7);
    ComboBoxControl->setVisible(Modify->currentIndex() <= 0);

    for (int k = 0; k < 5; ++k) {
        EchoVol[k]->setVisible(k < EchoCount->value());
        EditOct[k]->setVisible(k < EchoCount->value());
    }
    OtherChannel->setEnabled(EchoOtherTrack->isChecked());
    UpDownEchannel->setEnabled(EchoOtherTrack->isChecked());

    Center->setEnabled(readInteger(ChordBound->text().toStdString()).value_or(0) != 0);
    const bool timeMap = StrokeMethod->currentIndex() <= 0;
    Devision->setVisible(timeMap);
    StrokeName->setVisible(timeMap);
    if (QLabel* l = findChild<QLabel*>("DivisionLabel")) l->setVisible(timeMap);
    StrokeName->setText(qtext(kStrokeNames[static_cast<size_t>(std::clamp(Devision->value(), 1, 6) - 1)]));
}

void TEffectEditor::copyFilterToMemo() {
    QString flags;
    if (AllowOverlap->isChecked()) flags += "Overlap ";
    if (Ascending->isChecked()) flags += "Ascending ";
    if (Decemdimg->isChecked()) flags += "Decending ";
    if (Independent->isChecked()) flags += "Independent ";
    if (Flat->isChecked()) flags += "Flat";
    for (const QString& line : {QString("Filter:"), "Note " + NoteMin->text() + " - " + NoteMax->text(),
                                "Vel. " + VeloMin->text() + " - " + VeloMax->text(),
                                "Dur. " + DurMin->text() + " - " + DurMax->text() + " " + DurationUnit->currentText(),
                                flags})
        Description->appendPlainText(line);
}

// ---- following the editor ----------------------------------------------------------------------

void TEffectEditor::showEvent(QShowEvent* event) {
    if (!placed_) {
        // Without a remembered place the editor first opens over the middle of the main window.
        placed_ = true;
        if (QWidget* p = parentWidget()) move(p->geometry().center() - rect().center());
    }
    if (!event->spontaneous()) {
        // Each showing starts these controls afresh.
        {
            const QSignalBlocker a(ComboBoxControl), b(PitchNameFilter);
            ComboBoxControl->setCurrentIndex(0);
            PitchNameFilter->setCurrentIndex(0);
        }
        if (midiSong* song = context().song()) {
            EffectSettings s = settings();
            setChordDefaults(s.chord, song->timeBase);
            ControlWriter writer{{controls_}, shownBytes_};
            writer.text("ChordBound", s.chord.ChordBound);
            writer.text("resStart", s.chord.resStart);
            writer.text("resEnd", s.chord.resEnd);
        }
        if (PageControl->currentIndex() == TabEcho && PageControl->isTabVisible(TabEcho)) echoPageShown();
        updateDependentControls();
        refreshQuickSlots();
        idleTimer_->start();
    }
    ToolWindow::showEvent(event);
}

void TEffectEditor::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        idleTimer_->stop();
        stopPreview();
    }
    ToolWindow::hideEvent(event);
}

void TEffectEditor::refreshFromEditor() {
    // A run in progress owns the fields it read.
    if (running_) return;
    midiSong* song = context().song();
    if (song) {
        const Selection sel = context().selection();
        if (!sel.empty()) {
            const RangeFields f = rangeFieldsFor(*song, sel);
            FromBar->setText(QString::number(f.fromBar));
            FromBeat->setText(QString::number(f.fromBeat));
            FromTickEdit->setText(QString::number(f.fromTick));
            ToBar->setText(QString::number(f.toBar));
            ToBeat->setText(QString::number(f.toBeat));
            ToTickEdit->setText(QString::number(f.toTick));
        }
    }
    updateActions();
}

void TEffectEditor::songReplaced() {
    // Nothing here points into the song; the preview plays its own copy.
    StatusBar1->clearMessage();
}

UnitContext TEffectEditor::unitContext() const {
    midiSong* song = context().song();
    if (!song) return UnitContext{};
    return UnitContext::at(*song, barStartTick(*song, std::max(context().selection().firstBar, 0)));
}

int TEffectEditor::bendRange() const {
    midiSong* song = context().song();
    const Selection sel = context().selection();
    if (!song || sel.firstTrack < 0 || sel.firstTrack >= song->trackCount()) return 2;
    return bendRangeFor(*song->track(sel.firstTrack), barStartTick(*song, std::max(sel.firstBar, 0)));
}

void TEffectEditor::readPositionFile() {
    const auto lines = readPrefLines((context().folders().settings + "effect.prf").toStdString());
    if (!lines || lines->empty()) return;
    const std::optional<int> version = readInteger((*lines)[0]);
    if (!version) return;
    if (*version > 0) {
        prompts().message(this, QMessageBox::Warning, kNewerPrefVersion, QMessageBox::Ok);
        return;
    }
    if (lines->size() < 3) return;
    const std::optional<int> top = readInteger((*lines)[1]), left = readInteger((*lines)[2]);
    if (top && left) {
        move(*left, *top);
        placed_ = true;
    }
}

QString TEffectEditor::statusText() const { return StatusBar1->currentMessage(); }

void TEffectEditor::setStatus(const QString& text) { StatusBar1->showMessage(text); }
