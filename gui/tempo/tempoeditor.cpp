#include "tempo/tempoeditor.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "appfolders.h"
#include "host/editor_context.h"
#include "host/window_place.h"
#include "host/selection_steps.h"
#include "output/midi_device.h"
#include "pianoroll/roll_frame.h"
#include "prompts.h"
#include "radiogroup.h"
#include "settings/numbertext.h"
#include "settings/preffile.h"
#include "song/song.h"
#include "song/tempo_units.h"
#include "tempo/tempoplane.h"
#include "tempo/tempowin_prefs.h"

using namespace tonvela;

namespace {

constexpr NoteValue kDefaultSnap = NoteValue::quarter;

}  // namespace

TTempoEditor::TTempoEditor(EditorContext& context, QWidget* parent) : ToolWindow(context, parent) {
    setObjectName("TempoEditor");
    setWindowTitle("Tempo Editor");
    setMinimumSize(480, 300);
    prefPath_ = context.folders().settings + "tempowin.prf";
    buildControls();
    resize(860, 520);
    playWatch_ = new QTimer(this);
    playWatch_->setInterval(200);
    connect(playWatch_, &QTimer::timeout, this, [this] {
        if (this->context().playing()) return;
        playWatch_->stop();
        refreshFromEditor();
    });
    readPrefs();
}

TTempoEditor::~TTempoEditor() { writePrefs(); }

// ---- construction ---------------------------------------------------------------------------

void TTempoEditor::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    QStyle* st = style();
    Button1 = new QPushButton(st->standardIcon(QStyle::SP_MediaPlay), "Play", ToolBar1);
    Button1->setObjectName("Button1");
    Button1->setToolTip("Play the selected part (Space)");
    Button2 = new QPushButton(st->standardIcon(QStyle::SP_MediaStop), "Stop", ToolBar1);
    Button2->setObjectName("Button2");
    ToolBar1->addWidget(Button1);
    ToolBar1->addWidget(Button2);
    ToolBar1->addSeparator();
    const SelectionStepActions steps = addSelectionStepActions(ToolBar1, this, context());
    ActionSelLeft = steps.selLeft;
    ActionSelRight = steps.selRight;
    ActionMoveLeft = steps.moveLeft;
    ActionMoveRight = steps.moveRight;
    ActionShrinkLeft = steps.shrinkLeft;
    ActionShrinkRight = steps.shrinkRight;
    ToolBar1->addSeparator();
    auto modeButton = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        b->setCheckable(true);
        b->setAutoRaise(true);
        ToolBar1->addWidget(b);
        return b;
    };
    UpDownButton = modeButton("UpDownButton", "\u2195 Value", "Modify Tempo Value");
    LeftRightButton = modeButton("LeftRightButton", "\u2194 Tick", "Modify Tempo Tick");
    auto* modes = new QButtonGroup(this);
    modes->setExclusive(true);
    modes->addButton(UpDownButton);
    modes->addButton(LeftRightButton);
    UpDownButton->setChecked(true);
    ToolBar1->addWidget(new QLabel(" Snap ", ToolBar1));
    ComboSnap = new QComboBox(ToolBar1);
    ComboSnap->setObjectName("ComboSnap");
    ComboSnap->setToolTip("Shift+drag moves a tempo change along the grid of this note value");
    for (int i = 0; i < kNoteValueCount; ++i) ComboSnap->addItem(noteValueName(static_cast<NoteValue>(i)));
    ComboSnap->setCurrentIndex(static_cast<int>(kDefaultSnap));
    ToolBar1->addWidget(ComboSnap);
    ToolBar1->addSeparator();
    ActionUndoTempo = new QAction(st->standardIcon(QStyle::SP_ArrowBack), "Undo", this);
    ActionUndoTempo->setObjectName("ActionUndoTempo");
    // Ctrl+Z is the window's own (ToolWindow): its newest edit, even after a later one in track 0.
    addAction(ActionUndoTempo);
    ToolBar1->addAction(ActionUndoTempo);
    ActionRedoTempo = new QAction(st->standardIcon(QStyle::SP_ArrowForward), "Redo", this);
    ActionRedoTempo->setObjectName("ActionRedoTempo");
    addAction(ActionRedoTempo);
    ToolBar1->addAction(ActionRedoTempo);
    ToolBar1->addSeparator();
    TempoToolButton = new QToolButton(ToolBar1);
    TempoToolButton->setObjectName("TempoToolButton");
    TempoToolButton->setText("Tools");
    TempoToolButton->setToolTip("Show or hide Up/Down, rit./accel. and Copy&Paste");
    TempoToolButton->setCheckable(true);
    TempoToolButton->setAutoRaise(true);
    ToolBar1->addWidget(TempoToolButton);
    auto* spacer = new QWidget(ToolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar1->addWidget(spacer);
    CloseButton = new QPushButton("Close", ToolBar1);
    CloseButton->setObjectName("CloseButton");
    ToolBar1->addWidget(CloseButton);
    layout->addWidget(ToolBar1);

    auto* fields = new QHBoxLayout;
    fields->setContentsMargins(4, 0, 4, 0);
    auto readOut = [this](const char* name, const QString& text, int width) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setReadOnly(true);
        e->setFixedWidth(width);
        e->setFocusPolicy(Qt::NoFocus);
        return e;
    };
    StartTick = readOut("StartTick", "000:00:000", 90);
    SetTempo = readOut("SetTempo", "0", 50);
    fields->addWidget(new QLabel("Cursor", this));
    fields->addWidget(StartTick);
    fields->addWidget(SetTempo);
    fields->addWidget(new QLabel("bpm", this));
    fields->addSpacing(12);
    ShowGrid = new QCheckBox("Show Grid", this);
    ShowGrid->setObjectName("ShowGrid");
    ShowGrid->setChecked(true);
    ShowNote = new QCheckBox("Show Note", this);
    ShowNote->setObjectName("ShowNote");
    ShowNote->setChecked(true);
    fields->addWidget(ShowGrid);
    fields->addWidget(ShowNote);
    fields->addStretch(1);
    ChosenPlace = new QLabel(this);
    ChosenPlace->setObjectName("ChosenPlace");
    EditBpm = new QLineEdit(this);
    EditBpm->setObjectName("EditBpm");
    EditBpm->setFixedWidth(80);
    EditBpm->setToolTip("The chosen tempo change in bpm (two decimals); Enter sets it");
    ButtonSetBpm = new QPushButton("Set", this);
    ButtonSetBpm->setObjectName("ButtonSetBpm");
    fields->addWidget(ChosenPlace);
    fields->addWidget(EditBpm);
    fields->addWidget(new QLabel("bpm", this));
    fields->addWidget(ButtonSetBpm);
    layout->addLayout(fields);

    auto* centre = new QHBoxLayout;
    centre->setSpacing(4);
    ImageTempo = new TempoPlane(this);
    centre->addWidget(ImageTempo, 1);
    Panel3 = buildPanel();
    Panel3->setVisible(false);
    centre->addWidget(Panel3);
    layout->addLayout(centre, 1);

    TempoPopup = new QMenu(this);
    TempoPopup->setObjectName("TempoPopup");
    SetCurrentTempo = TempoPopup->addAction("Set Current Tempo");
    SetCurrentTempo->setObjectName("SetCurrentTempo");
    TempoPopup->addAction("Cancel");

    connect(Button1, &QPushButton::clicked, this, &TTempoEditor::PlayClick);
    connect(Button2, &QPushButton::clicked, this, &TTempoEditor::StopClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(ActionUndoTempo, &QAction::triggered, this, &TTempoEditor::UndoExecute);
    connect(ActionRedoTempo, &QAction::triggered, this, &TTempoEditor::RedoExecute);
    connect(TempoToolButton, &QToolButton::toggled, Panel3, &QWidget::setVisible);
    connect(UpDownButton, &QToolButton::toggled, this, [this](bool on) {
        ImageTempo->setDragMode(on ? TempoPlane::DragMode::value : TempoPlane::DragMode::tick);
    });
    connect(ComboSnap, &QComboBox::currentIndexChanged, this, [this](int) { refreshFromEditor(); });
    connect(ShowGrid, &QCheckBox::toggled, ImageTempo, &TempoPlane::setShowGrid);
    connect(ShowNote, &QCheckBox::toggled, ImageTempo, &TempoPlane::setShowNote);
    connect(ButtonSetBpm, &QPushButton::clicked, this, &TTempoEditor::SetBpmClick);
    connect(EditBpm, &QLineEdit::returnPressed, this, &TTempoEditor::SetBpmClick);
    connect(SetCurrentTempo, &QAction::triggered, this, &TTempoEditor::SetCurrentTempoClick);

    connect(ImageTempo, &TempoPlane::cursorMoved, this, [this](int32_t tick, int bpm) {
        if (midiSong* song = context().song()) StartTick->setText(QString::fromStdString(tempoCursorText(*song, tick)));
        SetTempo->setText(QString::number(bpm));
    });
    connect(ImageTempo, &TempoPlane::addRequested, this, [this](int32_t tick, int bpm) {
        edit([&] { chosen_ = addTempo(*context().song(), tick, bpmToMicros(bpm)); });
    });
    connect(ImageTempo, &TempoPlane::contextRequested, this, [this](QPoint global, int32_t tick) {
        if (!canEdit()) return;
        popupTick_ = tick;
        TempoPopup->popup(global);
    });
    connect(ImageTempo, &TempoPlane::deleteRequested, this, [this](TempoEvent* e) {
        edit([&] { deleteTempo(*context().song(), e); });
    });
    connect(ImageTempo, &TempoPlane::chosen, this, &TTempoEditor::choose);
    connect(ImageTempo, &TempoPlane::valueDropped, this, [this](TempoEvent* e, int bpm) {
        edit([&] { setTempoValue(*context().song(), e, bpmToMicros(bpm)); });
    });
    connect(ImageTempo, &TempoPlane::tickDropped, this, [this](TempoEvent* e, int32_t tick) {
        edit([&] { moveTempo(*context().song(), e, tick); });
    });
}

QWidget* TTempoEditor::buildPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel3");
    panel->setFixedWidth(290);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    PageControl = new QTabWidget(panel);
    PageControl->setObjectName("PageControl");

    TabUD = new QWidget;
    TabUD->setObjectName("TabUD");
    auto* ud = new QVBoxLayout(TabUD);
    addmethod = new RadioGroup("", {"Value", "Percent"}, Qt::Horizontal, TabUD);
    addmethod->setObjectName("addmethod");
    addmethod->setItemIndex(0);
    auto* amount = new QHBoxLayout;
    TempoVal = new QLineEdit("0", TabUD);
    TempoVal->setObjectName("TempoVal");
    TempoVal->setToolTip("bpm added to every tempo change of the selected bars (Value), or the percentage each becomes");
    PercentLabel = new QLabel("%", TabUD);
    PercentLabel->setVisible(false);
    amount->addWidget(TempoVal);
    amount->addWidget(PercentLabel);
    ud->addWidget(addmethod);
    ud->addLayout(amount);
    ud->addStretch(1);
    PageControl->addTab(TabUD, "Up/Down");

    AccRit = new QWidget;
    AccRit->setObjectName("AccRit");
    auto* ar = new QFormLayout(AccRit);
    auto percentBox = [this](const char* name, int value) {
        auto* s = new QSpinBox(AccRit);
        s->setObjectName(name);
        s->setRange(0, 100);
        s->setValue(value);
        s->setSuffix(" %");
        return s;
    };
    AccFrom = percentBox("AccFrom", 50);
    AccTo = percentBox("AccTo", 100);
    AccFrom->setToolTip("Where the ramp starts, in percent of the selected bars");
    AccTo->setToolTip("Where the ramp ends, in percent of the selected bars");
    accMethod = new RadioGroup("", {"Value(+/-)", "Percent"}, Qt::Horizontal, AccRit);
    accMethod->setObjectName("accMethod");
    accMethod->setItemIndex(0);
    AccValue = new QLineEdit("0", AccRit);
    AccValue->setObjectName("AccValue");
    AccValue->setToolTip("The target: bpm added to the starting tempo (Value), or the percentage of it (Percent)");
    NumofAcc = new QSpinBox(AccRit);
    NumofAcc->setObjectName("NumofAcc");
    NumofAcc->setRange(0, kMaxRampSteps);
    NumofAcc->setValue(2);
    atempo = new QCheckBox("a tempo", AccRit);
    atempo->setObjectName("atempo");
    ar->addRow("from", AccFrom);
    ar->addRow("to", AccTo);
    ar->addRow(accMethod);
    ar->addRow("", AccValue);
    ar->addRow("Add count", NumofAcc);
    ar->addRow(atempo);
    PageControl->addTab(AccRit, "rit./accel.");

    CopyPaste = new QWidget;
    CopyPaste->setObjectName("CopyPaste");
    auto* cp = new QVBoxLayout(CopyPaste);
    ButtonCopy = new QPushButton("Copy", CopyPaste);
    ButtonCopy->setObjectName("ButtonCopy");
    ButtonCopy->setToolTip("Copy the tempo changes of the selected bars");
    ActionPaste = new QAction("Paste", this);
    ActionPaste->setObjectName("ActionPaste");
    ButtonPaste = new QPushButton("Paste", CopyPaste);
    ButtonPaste->setObjectName("ButtonPaste");
    ButtonPaste->setToolTip("Paste the copied tempo pattern from the start of the selected bars, once per repetition");
    cp->addWidget(ButtonCopy);
    cp->addWidget(ButtonPaste);
    cp->addStretch(1);
    PageControl->addTab(CopyPaste, "Copy&&Paste");

    v->addWidget(PageControl, 1);
    ButtonApply = new QPushButton("Apply", panel);
    ButtonApply->setObjectName("ButtonApply");
    v->addWidget(ButtonApply);

    connect(addmethod, &RadioGroup::itemClicked, this, [this](int i) {
        TempoVal->setText(i == 1 ? "100" : "0");
        PercentLabel->setVisible(i == 1);
    });
    connect(accMethod, &RadioGroup::itemClicked, this, [this](int i) { AccValue->setText(i == 1 ? "100" : "0"); });
    // The ramp's start stays below its end: a box moved onto or past the other stops one short.
    connect(AccFrom, &QSpinBox::valueChanged, this, [this](int v) {
        if (v >= AccTo->value()) AccFrom->setValue(AccTo->value() - 1);
    });
    connect(AccTo, &QSpinBox::valueChanged, this, [this](int v) {
        if (v <= AccFrom->value()) AccTo->setValue(AccFrom->value() + 1);
    });
    connect(PageControl, &QTabWidget::currentChanged, this,
            [this](int page) { ButtonApply->setVisible(PageControl->widget(page) != CopyPaste); });
    connect(ButtonApply, &QPushButton::clicked, this, &TTempoEditor::ApplyClick);
    connect(ButtonCopy, &QPushButton::clicked, this, &TTempoEditor::CopyClick);
    connect(ActionPaste, &QAction::triggered, this, &TTempoEditor::PasteExecute);
    connect(ButtonPaste, &QPushButton::clicked, ActionPaste, &QAction::trigger);
    return panel;
}

// ---- tempowin.prf -----------------------------------------------------------------------------

void TTempoEditor::readPrefs() {
    const auto lines = readPrefLines(prefPath_.toStdString());
    if (!lines) return;
    std::string error;
    const TempoWindowPrefs prefs = readTempoWindowPrefs(*lines, &error);
    if (!error.empty()) {
        prompts().message(this, QMessageBox::Warning, QString::fromStdString(error), QMessageBox::Ok);
        return;
    }
    if (prefs.place) placeOnScreen(this, *prefs.place);
    ShowGrid->setChecked(prefs.showGrid);
}

void TTempoEditor::writePrefs() {
    const QRect g = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    try {
        writePrefLines(prefPath_.toStdString(),
                       formatTempoWindowPrefs(WindowPlace{g.y(), g.x(), g.width(), g.height()}, ShowGrid->isChecked()));
    } catch (const std::exception&) {
        // Nothing can be reported while the program ends; the next start uses the defaults.
    }
}

// ---- following the editor ---------------------------------------------------------------------

void TTempoEditor::refreshFromEditor() {
    midiSong* song = context().song();
    const int snap = std::clamp(ComboSnap->currentIndex(), 0, kNoteValueCount - 1);
    ImageTempo->setSnapTicks(noteValueTicks(static_cast<NoteValue>(snap), song ? song->timeBase : 480));
    ImageTempo->showSong(song, song ? context().selection() : Selection{});
    if (!chosenTempo()) chosen_ = nullptr;
    ImageTempo->setChosen(chosen_);
    showChosen();
    updateControls();
}

void TTempoEditor::songReplaced() {
    chosen_ = nullptr;
    ImageTempo->showSong(nullptr, {});
    showChosen();
    updateControls();
}

TempoEvent* TTempoEditor::chosenTempo() const {
    midiSong* song = context().song();
    if (!song || !chosen_ || !song->firstTrack || song->firstTrack->positionOf(chosen_) < 0) return nullptr;
    return chosen_;
}

void TTempoEditor::choose(TempoEvent* event) {
    chosen_ = event;
    ImageTempo->setChosen(chosenTempo());
    showChosen();
    updateControls();
}

void TTempoEditor::showChosen() {
    if (const TempoEvent* e = chosenTempo()) {
        ChosenPlace->setText("Chosen " + QString::fromStdString(positionText(*e)).trimmed());
        EditBpm->setText(QString::fromStdString(formatBpm(e->getTempo())));
    } else {
        ChosenPlace->setText("No tempo change chosen");
        EditBpm->clear();
    }
}

void TTempoEditor::updateControls() {
    midiSong* song = context().song();
    const bool playing = context().playing();
    const bool editable = canEdit();
    Button1->setEnabled(context().device() && song && !playing);
    Button2->setEnabled(context().device() != nullptr);
    for (QAction* a : {ActionSelLeft, ActionSelRight, ActionMoveLeft, ActionMoveRight, ActionShrinkLeft, ActionShrinkRight})
        a->setEnabled(song != nullptr);
    midiTrack* t = song && song->trackCount() > 0 ? song->firstTrack : nullptr;
    const bool canUndo = t && !playing && t->undoCount() > 0;
    ActionUndoTempo->setEnabled(canUndo);
    ActionUndoTempo->setToolTip(canUndo ? QString("Undo <%1>").arg(QString::fromStdString(t->undoLabel())) : QString());
    const bool canRedo = t && !playing && t->canRedo();
    ActionRedoTempo->setEnabled(canRedo);
    ActionRedoTempo->setToolTip(canRedo ? QString("Redo <%1>").arg(QString::fromStdString(t->redoLabel())) : QString());
    ButtonApply->setEnabled(editable);
    ButtonCopy->setEnabled(song != nullptr && ImageTempo->valid());
    ActionPaste->setEnabled(editable && !copyBuffer_.empty());
    ButtonPaste->setEnabled(ActionPaste->isEnabled());
    const bool chosen = editable && chosenTempo();
    EditBpm->setEnabled(chosen);
    ButtonSetBpm->setEnabled(chosen);
}

// ---- editing ----------------------------------------------------------------------------------

bool TTempoEditor::canEdit() const { return context().song() && !context().playing() && ImageTempo->valid(); }

TickRange TTempoEditor::range() const {
    midiSong* song = context().song();
    return song ? context().selection().ticks(*song) : TickRange{};
}

bool TTempoEditor::edit(const std::function<void()>& change) {
    midiSong* song = context().song();
    if (!canEdit() || !song->firstTrack) {
        refreshFromEditor();
        return false;
    }
    const size_t before = song->firstTrack->journal.size();
    try {
        change();
    } catch (const MidiError& e) {
        context().reportError(QString::fromStdString(e.what()));
        refreshFromEditor();
        return false;
    }
    if (song->firstTrack->journal.size() != before)
        context().songEdited();
    else
        refreshFromEditor();
    return true;
}

void TTempoEditor::ApplyClick() {
    if (!canEdit()) return;
    midiSong& song = *context().song();
    WrittenTempos written;
    if (PageControl->currentWidget() == TabUD) {
        const QString text = TempoVal->text();
        const std::optional<double> amount = readDecimal(text.toStdString());
        if (!amount) {
            context().reportError(QString("'%1' is not a valid floating point value").arg(text));
            return;
        }
        const UpDownSettings s{addmethod->itemIndex() == 1, *amount};
        if (!edit([&] { written = upDownTempo(song, range(), s); })) return;
    } else if (PageControl->currentWidget() == AccRit) {
        const QString text = AccValue->text();
        const std::optional<int> value = readInteger(text.toStdString());
        if (!value) {
            context().reportError(QString("'%1' is not a valid integer value").arg(text));
            return;
        }
        const RampSettings s{AccFrom->value(), AccTo->value(), accMethod->itemIndex() == 1, *value, NumofAcc->value(),
                             atempo->isChecked()};
        if (!edit([&] { written = ritAccel(song, range(), s); })) return;
    } else {
        return;
    }
    context().showStatus(QString("%1 tempo changes written").arg(written.size()));
}

void TTempoEditor::CopyClick() {
    midiSong* song = context().song();
    if (!song || !ImageTempo->valid()) return;
    try {
        copyBuffer_ = copyTempoPattern(*song, range());
    } catch (const MidiError& e) {
        context().reportError(QString::fromStdString(e.what()));
        return;
    }
    context().showStatus(QString("%1 tempo changes copied").arg(copyBuffer_.size()));
    updateControls();
}

void TTempoEditor::PasteExecute() {
    if (!canEdit() || copyBuffer_.empty()) return;
    WrittenTempos written;
    edit([&] { written = pasteTempoPattern(*context().song(), range(), copyBuffer_); });
    if (!written.empty()) context().showStatus(QString("%1 tempo changes written").arg(written.size()));
}

void TTempoEditor::SetCurrentTempoClick() {
    edit([&] { chosen_ = addCurrentTempo(*context().song(), popupTick_); });
}

void TTempoEditor::SetBpmClick() {
    TempoEvent* e = chosenTempo();
    if (!e || !canEdit()) return;
    const QString text = EditBpm->text().trimmed();
    // The tempo as shown: nothing to change (a tempo between two hundredths keeps its value).
    if (text == QString::fromStdString(formatBpm(e->getTempo()))) return;
    std::string error;
    const std::optional<int32_t> micros = bpmTextToMicros(text.toStdString(), &error);
    if (!micros) {
        context().reportError(QString::fromStdString(error));
        showChosen();
        return;
    }
    edit([&] { setTempoValue(*context().song(), e, *micros); });
}

void TTempoEditor::DeleteChosen() {
    TempoEvent* e = chosenTempo();
    if (!e) return;
    edit([&] { deleteTempo(*context().song(), e); });
}

void TTempoEditor::UndoExecute() {
    updateControls();
    if (ActionUndoTempo->isEnabled()) context().undo(0);
}

void TTempoEditor::RedoExecute() {
    updateControls();
    if (ActionRedoTempo->isEnabled()) context().redo(0);
}

// ---- playing ----------------------------------------------------------------------------------

void TTempoEditor::PlayClick() {
    MidiDevice* device = context().device();
    midiSong* song = context().song();
    if (!device || !song || context().playing()) return;
    if (device->playSelectedPart(*song, context().selection(), PlayOptions{})) playWatch_->start();
    refreshFromEditor();
}

void TTempoEditor::StopClick() {
    if (MidiDevice* device = context().device()) device->stop();
    playWatch_->stop();
    refreshFromEditor();
}

// Line edits take their own keys; what reaches the window is meant for it.
void TTempoEditor::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace: DeleteChosen(); return;
    case Qt::Key_Space:
        if (context().playing())
            StopClick();
        else
            PlayClick();
        return;
    default: ToolWindow::keyPressEvent(event);
    }
}
