#include "pianoroll/editwin.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <set>

#include "appfolders.h"
#include "host/editor_context.h"
#include "host/selection_steps.h"
#include "output/midi_device.h"
#include "pianoroll/keyruler.h"
#include "pianoroll/pnroll_prefs.h"
#include "pianoroll/rolllane.h"
#include "pianoroll/rollplane.h"
#include "prompts.h"
#include "settings/preffile.h"
#include "song/midispec.h"
#include "song/song.h"

using namespace tonvela;

namespace {

constexpr NoteValue kDefaultSnap = NoteValue::sixteenth;

}  // namespace

TEditWindow::TEditWindow(EditorContext& context, QWidget* parent) : ToolWindow(context, parent) {
    setObjectName("EditWindow");
    setWindowTitle("Piano Roll");
    prefPath_ = context.folders().settings + "pnroll.prf";
    state_.snapTicks = noteValueTicks(kDefaultSnap, 480);
    buildControls();
    resize(900, 620);
    playWatch_ = new QTimer(this);
    playWatch_->setInterval(200);
    connect(playWatch_, &QTimer::timeout, this, [this] {
        if (this->context().playing()) return;
        playWatch_->stop();
        refreshFromEditor();
    });
    readPrefs();
}

TEditWindow::~TEditWindow() {
    writePrefs();
}

// ---- construction ---------------------------------------------------------------------------

void TEditWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    QStyle* st = style();
    Button1 = new QPushButton(st->standardIcon(QStyle::SP_MediaPlay), "Play", ToolBar1);
    Button1->setObjectName("Button1");
    Button1->setToolTip("Play the shown part (Space)");
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
    ShowGrid = new QCheckBox("Show Grid", ToolBar1);
    ShowGrid->setObjectName("ShowGrid");
    ShowGrid->setChecked(true);
    ToolBar1->addWidget(ShowGrid);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(new QLabel(" Snap ", ToolBar1));
    ComboSnap = new QComboBox(ToolBar1);
    ComboSnap->setObjectName("ComboSnap");
    ComboSnap->setToolTip("Moves and lengths snap to this note value (hold Alt for free)");
    for (int i = 0; i < kNoteValueCount; ++i) ComboSnap->addItem(noteValueName(static_cast<NoteValue>(i)));
    ComboSnap->setCurrentIndex(static_cast<int>(kDefaultSnap));
    ToolBar1->addWidget(ComboSnap);
    ToolBar1->addSeparator();
    ActionUndo = new QAction(st->standardIcon(QStyle::SP_ArrowBack), "Undo", this);
    ActionUndo->setObjectName("ActionUndo");
    ActionUndo->setShortcut(QKeySequence::Undo);
    addAction(ActionUndo);
    ToolBar1->addAction(ActionUndo);
    auto* spacer = new QWidget(ToolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar1->addWidget(spacer);
    CloseButton = new QPushButton("Close", ToolBar1);
    CloseButton->setObjectName("CloseButton");
    ToolBar1->addWidget(CloseButton);
    layout->addWidget(ToolBar1);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setChildrenCollapsible(false);
    Panel4 = new QWidget(Splitter1);
    Panel4->setObjectName("Panel4");
    auto* grid = new QGridLayout(Panel4);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    Ruler = new KeyRuler(state_, Panel4);
    Image1 = new RollPlane(state_, Panel4);
    KeyScroll = new QScrollBar(Qt::Vertical, Panel4);
    KeyScroll->setObjectName("KeyScroll");
    TimeScroll = new QScrollBar(Qt::Horizontal, Panel4);
    TimeScroll->setObjectName("TimeScroll");
    grid->addWidget(Ruler, 0, 0);
    grid->addWidget(Image1, 0, 1);
    grid->addWidget(KeyScroll, 0, 2);
    grid->addWidget(TimeScroll, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

    auto* bottom = new QWidget(Splitter1);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(0);
    auto* tabs = new QHBoxLayout;
    TabControl1 = new QTabBar(bottom);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setDrawBase(false);
    for (int i = 0; i < kLaneTabCount; ++i) TabControl1->addTab(laneTabCaption(i));
    ComboBox1 = new QComboBox(bottom);
    ComboBox1->setObjectName("ComboBox1");
    for (const std::string& name : MIDISpec::controllerNames()) ComboBox1->addItem(QString::fromStdString(name));
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setVisible(false);
    tabs->addWidget(TabControl1);
    tabs->addWidget(ComboBox1);
    tabs->addStretch(1);
    bottomLayout->addLayout(tabs);
    auto* lane = new QHBoxLayout;
    LaneLead = new QWidget(bottom);
    ImageBottom = new RollLane(state_, bottom);
    auto* laneTail = new QWidget(bottom);
    laneTail->setFixedWidth(KeyScroll->sizeHint().width());
    lane->addWidget(LaneLead);
    lane->addWidget(ImageBottom, 1);
    lane->addWidget(laneTail);
    bottomLayout->addLayout(lane, 1);

    Splitter1->addWidget(Panel4);
    Splitter1->addWidget(bottom);
    Splitter1->setStretchFactor(0, 2);
    Splitter1->setStretchFactor(1, 1);
    layout->addWidget(Splitter1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    Ruler->setFixedWidth(Ruler->wantedWidth());
    LaneLead->setFixedWidth(Ruler->wantedWidth());

    connect(Button1, &QPushButton::clicked, this, &TEditWindow::PlayClick);
    connect(Button2, &QPushButton::clicked, this, &TEditWindow::StopClick);
    connect(ActionUndo, &QAction::triggered, this, &TEditWindow::UndoExecute);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(ShowGrid, &QCheckBox::toggled, this, [this](bool on) {
        state_.showGrid = on;
        redraw();
    });
    connect(ComboSnap, &QComboBox::currentIndexChanged, this, [this](int) { refreshFromEditor(); });
    connect(TabControl1, &QTabBar::currentChanged, this, [this](int) { laneChanged(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int) { laneChanged(); });
    connect(TimeScroll, &QScrollBar::valueChanged, this, [this](int v) {
        if (syncingScroll_ || !state_.valid) return;
        state_.viewStart = state_.time.start + v;
        state_.clampView();
        redraw();
    });
    connect(KeyScroll, &QScrollBar::valueChanged, this, [this](int v) {
        if (syncingScroll_) return;
        state_.keyLow = 128 - state_.keyCount - v;
        state_.clampView();
        redraw();
    });

    auto status = [this](const QString& text) {
        if (text.isEmpty())
            StatusBar1->clearMessage();
        else
            StatusBar1->showMessage(text);
    };
    connect(Image1, &RollPlane::hovered, this, status);
    connect(ImageBottom, &RollLane::hovered, this, status);
    connect(Image1, &RollPlane::chosenChanged, this, [this] {
        ImageBottom->update();
        updateControls();
    });
    connect(Image1, &RollPlane::moveFinished, this, &TEditWindow::moveChosen);
    connect(Image1, &RollPlane::resizeFinished, this, &TEditWindow::resizeChosen);
    connect(Image1, &RollPlane::addRequested, this, &TEditWindow::addNoteAt);
    connect(Image1, &RollPlane::zoomTime, this, &TEditWindow::zoomTime);
    connect(Image1, &RollPlane::zoomKeys, this, &TEditWindow::zoomKeys);
    connect(Ruler, &KeyRuler::zoomKeys, this, &TEditWindow::zoomKeys);
    auto scrollKeys = [this](int steps) { KeyScroll->setValue(KeyScroll->value() - steps * 3); };
    connect(Image1, &RollPlane::scrollKeys, this, scrollKeys);
    connect(Ruler, &KeyRuler::scrollKeys, this, scrollKeys);
    connect(Image1, &RollPlane::scrollTime, this,
            [this](int steps) { TimeScroll->setValue(TimeScroll->value() + steps * TimeScroll->singleStep() * 2); });
    connect(Image1, &RollPlane::keyPressed, this, &TEditWindow::planeKey);
    connect(ImageBottom, &RollLane::penFinished, this, &TEditWindow::applyPen);
}

// ---- pnroll.prf -------------------------------------------------------------------------------

void TEditWindow::readPrefs() {
    const auto lines = readPrefLines(prefPath_.toStdString());
    if (!lines) return;
    std::string error;
    const PianoRollPrefs prefs = readPianoRollPrefs(*lines, &error);
    if (!error.empty()) {
        prompts().message(this, QMessageBox::Warning, QString::fromStdString(error), QMessageBox::Ok);
        return;
    }
    if (prefs.place && prefs.place->width > 0 && prefs.place->height > 0) {
        const QRect wanted(prefs.place->left, prefs.place->top, prefs.place->width, prefs.place->height);
        bool onScreen = false;
        for (QScreen* s : QGuiApplication::screens()) onScreen = onScreen || s->availableGeometry().intersects(wanted);
        // A place on a screen that is no longer there would hide the window.
        if (onScreen)
            setGeometry(wanted);
        else
            resize(wanted.size());
    }
    if (prefs.paneHeight && *prefs.paneHeight > 0) wantedPaneHeight_ = *prefs.paneHeight;
}

void TEditWindow::writePrefs() {
    const QRect g = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    try {
        writePrefLines(prefPath_.toStdString(),
                       formatPianoRollPrefs(WindowPlace{g.y(), g.x(), g.width(), g.height()}, Panel4->height()));
    } catch (const std::exception&) {
        // Nothing can be reported while the program ends; the next start uses the defaults.
    }
}

void TEditWindow::showEvent(QShowEvent* event) {
    if (!paneApplied_ && wantedPaneHeight_ > 0) {
        paneApplied_ = true;
        layout()->activate();
        const int total = Splitter1->height() - Splitter1->handleWidth();
        const int pane = std::clamp(wantedPaneHeight_, 80, std::max(80, total - 60));
        Splitter1->setSizes({pane, std::max(total - pane, 60)});
    }
    ToolWindow::showEvent(event);
}

// ---- following the editor ---------------------------------------------------------------------

void TEditWindow::refreshFromEditor() {
    state_.editable = !context().playing();
    state_.lane = laneForTab(TabControl1->currentIndex(), ComboBox1->currentIndex());
    midiSong* song = context().song();
    const int value = ComboSnap->currentIndex();
    state_.snapTicks = noteValueTicks(static_cast<NoteValue>(std::clamp(value, 0, kNoteValueCount - 1)),
                                      song ? song->timeBase : 480);
    state_.show(song, context().selection());
    const int rulerWidth = Ruler->wantedWidth();
    if (Ruler->width() != rulerWidth) {
        Ruler->setFixedWidth(rulerWidth);
        LaneLead->setFixedWidth(rulerWidth);
    }
    updateScrollBars();
    updateControls();
    redraw();
}

void TEditWindow::songReplaced() {
    state_.clear();
    history_.clear();
    redraw();
}

void TEditWindow::redraw() {
    Image1->update();
    ImageBottom->update();
    Ruler->update();
}

void TEditWindow::laneChanged() {
    ComboBox1->setVisible(TabControl1->currentIndex() == kLaneTabCount - 1);
    state_.lane = laneForTab(TabControl1->currentIndex(), ComboBox1->currentIndex());
    ImageBottom->update();
}

void TEditWindow::updateScrollBars() {
    syncingScroll_ = true;
    const int32_t full = state_.fullSpan();
    TimeScroll->setRange(0, std::max(0, full - state_.viewSpan));
    TimeScroll->setPageStep(std::max(1, state_.viewSpan));
    TimeScroll->setSingleStep(std::max(1, state_.viewSpan / 16));
    TimeScroll->setValue(state_.valid ? state_.viewStart - state_.time.start : 0);
    KeyScroll->setRange(0, 128 - state_.keyCount);
    KeyScroll->setPageStep(state_.keyCount);
    KeyScroll->setSingleStep(1);
    KeyScroll->setValue(128 - state_.keyCount - state_.keyLow);
    syncingScroll_ = false;
}

void TEditWindow::updateControls() {
    const bool playing = context().playing();
    Button1->setEnabled(context().device() && state_.valid && !playing);
    for (QAction* a : {ActionSelLeft, ActionSelRight, ActionMoveLeft, ActionMoveRight, ActionShrinkLeft, ActionShrinkRight})
        a->setEnabled(state_.valid);
    const std::vector<int> undo = playing ? std::vector<int>{} : undoTracks();
    ActionUndo->setEnabled(!undo.empty());
    midiSong* song = context().song();
    ActionUndo->setToolTip(undo.empty() || !song ? QString("Undo")
                                                 : QString("Undo <%1>").arg(QString::fromStdString(
                                                       song->track(undo.front())->undoLabel())));
}

// ---- the view ---------------------------------------------------------------------------------

void TEditWindow::setView(int32_t start, int32_t span, int keyLow, int keyCount) {
    state_.viewStart = start;
    state_.viewSpan = span;
    state_.keyLow = keyLow;
    state_.keyCount = keyCount;
    state_.clampView();
    updateScrollBars();
    redraw();
}

void TEditWindow::zoomTime(double factor, int anchorX) {
    if (!state_.valid || factor <= 0) return;
    const RollFrame f = Image1->frame();
    const int x = std::clamp(anchorX, 0, f.width);
    const int32_t at = f.timeAt(x);
    const int64_t span = std::llround(state_.viewSpan / factor);
    const int64_t clamped = std::clamp<int64_t>(span, 1, state_.fullSpan());
    setView(static_cast<int32_t>(at - static_cast<int64_t>(x) * clamped / f.width), static_cast<int32_t>(clamped),
            state_.keyLow, state_.keyCount);
}

void TEditWindow::zoomKeys(double factor, int anchorY) {
    if (factor <= 0) return;
    const RollFrame f = Image1->frame();
    const int y = std::clamp(anchorY, 0, f.height - 1);
    const int key = f.keyAt(y);
    int count = static_cast<int>(std::lround(state_.keyCount / factor));
    if (count == state_.keyCount) count += factor > 1 ? -1 : 1;
    count = std::clamp(count, 8, 128);
    // Keep the key under the anchor where it is.
    const int above = static_cast<int>(static_cast<int64_t>(y) * count / std::max(f.height, 1));
    setView(state_.viewStart, state_.viewSpan, key + above - count + 1, count);
}

void TEditWindow::resetZoom() { setView(state_.time.start, state_.fullSpan(), 0, 128); }

QString TEditWindow::statusText() const { return StatusBar1->currentMessage(); }

void TEditWindow::choose(const std::vector<RollNote>& notes) {
    state_.chosen.clear();
    for (const RollNote& n : notes) state_.chosen.emplace(n.note, n.track);
    redraw();
    updateControls();
}

// ---- playing ----------------------------------------------------------------------------------

void TEditWindow::PlayClick() {
    MidiDevice* device = context().device();
    midiSong* song = context().song();
    if (!device || !song || context().playing() || !state_.valid) return;
    if (device->playSelectedPart(*song, state_.shown, PlayOptions{})) playWatch_->start();
    refreshFromEditor();
}

void TEditWindow::StopClick() {
    if (MidiDevice* device = context().device()) device->stop();
    playWatch_->stop();
    refreshFromEditor();
}

// ---- editing ----------------------------------------------------------------------------------

bool TEditWindow::canEdit() const { return state_.valid && state_.song && !context().playing(); }

std::vector<int> TEditWindow::tracksOf(const std::vector<RollNote>& notes) const {
    std::set<int> tracks;
    for (const RollNote& n : notes) tracks.insert(n.track);
    return {tracks.begin(), tracks.end()};
}

void TEditWindow::edit(const std::vector<int>& tracks, const std::function<void()>& change) {
    midiSong* song = state_.song;
    std::vector<size_t> before;
    for (int t : tracks) before.push_back(song->track(t)->journal.size());
    change();
    std::vector<int> changed;
    for (size_t i = 0; i < tracks.size(); ++i)
        if (song->track(tracks[i])->journal.size() > before[i]) changed.push_back(tracks[i]);
    if (changed.empty()) return;
    history_.push_back(changed);
    context().songEdited();
}

void TEditWindow::moveChosen(int32_t ticks, int keys) {
    if (!canEdit() || state_.chosen.empty()) return;
    const std::vector<RollNote> notes = state_.chosenNotes();
    edit(tracksOf(notes), [&] {
        moveNotes(*state_.song, notes, ticks, keys, TickRange{state_.time.start, state_.time.end - 1});
    });
}

void TEditWindow::resizeChosen(int32_t ticks) {
    if (!canEdit() || state_.chosen.empty()) return;
    const std::vector<RollNote> notes = state_.chosenNotes();
    edit(tracksOf(notes), [&] { resizeNotes(*state_.song, notes, ticks); });
}

void TEditWindow::addNoteAt(int32_t time, int key) {
    if (!canEdit() || !state_.notesShown) return;
    // New notes go to the current track, the top row of the selection.
    const int track = state_.shown.firstTrack;
    NoteOnEvent* added = nullptr;
    edit({track}, [&] { added = addNote(*state_.song, track, time, key, state_.snapTicks); });
    if (added) choose({{track, added}});
}

void TEditWindow::DeleteExecute() {
    if (!canEdit() || state_.chosen.empty()) return;
    const std::vector<RollNote> notes = state_.chosenNotes();
    edit(tracksOf(notes), [&] { deleteNotes(*state_.song, notes); });
}

void TEditWindow::applyPen() {
    if (!canEdit() || state_.penValues.empty()) return;
    std::vector<LaneChange> changes;
    std::set<int> tracks;
    for (const auto& [e, v] : state_.penValues) {
        changes.push_back({v.track, e, v.value});
        tracks.insert(v.track);
    }
    const Lane lane = state_.lane;
    edit({tracks.begin(), tracks.end()}, [&] { setLaneValues(*state_.song, lane, changes); });
}

std::vector<int> TEditWindow::undoTracks() const {
    midiSong* song = context().song();
    if (!song) return {};
    const std::string mark = "Piano Roll <";
    for (auto it = history_.rbegin(); it != history_.rend(); ++it) {
        std::vector<int> tracks;
        for (int t : *it) {
            if (t < 0 || t >= song->trackCount()) continue;
            midiTrack& track = *song->track(t);
            if (track.undoCount() > 0 && track.undoLabel().rfind(mark, 0) == 0) tracks.push_back(t);
        }
        if (!tracks.empty()) return tracks;
    }
    // Nothing of this window's own left: the current track, as the Edit menu does.
    const int current = context().selection().firstTrack;
    if (current >= 0 && current < song->trackCount() && song->track(current)->undoCount() > 0) return {current};
    return {};
}

void TEditWindow::UndoExecute() {
    if (context().playing()) return;
    const std::vector<int> tracks = undoTracks();
    if (tracks.empty()) return;
    // Entries past the one undone can no longer be undone from here.
    while (!history_.empty()) {
        const std::vector<int> last = history_.back();
        history_.pop_back();
        if (std::find(last.begin(), last.end(), tracks.front()) != last.end()) break;
    }
    for (int t : tracks) context().undo(t);
}

void TEditWindow::keyPressEvent(QKeyEvent* event) {
    planeKey(event);
    if (!event->isAccepted()) ToolWindow::keyPressEvent(event);
}

void TEditWindow::planeKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers m = event->modifiers();
    const bool ctrl = m & Qt::ControlModifier;
    const QPoint centre(Image1->width() / 2, Image1->height() / 2);
    event->accept();
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace: DeleteExecute(); break;
    case Qt::Key_Up: moveChosen(0, (m & Qt::ShiftModifier) ? 12 : 1); break;
    case Qt::Key_Down: moveChosen(0, (m & Qt::ShiftModifier) ? -12 : -1); break;
    case Qt::Key_Left: moveChosen(-state_.snapTicks, 0); break;
    case Qt::Key_Right: moveChosen(state_.snapTicks, 0); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (ctrl)
            zoomKeys(1.25, centre.y());
        else
            zoomTime(1.25, centre.x());
        break;
    case Qt::Key_Minus:
        if (ctrl)
            zoomKeys(0.8, centre.y());
        else
            zoomTime(0.8, centre.x());
        break;
    case Qt::Key_0: resetZoom(); break;
    case Qt::Key_Space:
        if (context().playing())
            StopClick();
        else
            PlayClick();
        break;
    case Qt::Key_Escape:
        choose({});
        break;
    case Qt::Key_A:
        if (ctrl) {
            state_.chosen.clear();
            state_.forEachNote(state_.time.start, state_.time.end,
                               [this](int track, NoteOnEvent* n) { state_.chosen.emplace(n, track); });
            redraw();
            break;
        }
        [[fallthrough]];
    default: event->ignore();
    }
}
