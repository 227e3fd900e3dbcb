// Construction of the main window and the views that show the song.

#include "mainwin.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <QGuiApplication>
#include <QVBoxLayout>

#include "bargrid.h"
#include "host/tool_host.h"
#include "tool_registry.h"
#include "devicewin.h"
#include "output/midi_device.h"
#include "optiondialog.h"
#include "radiogroup.h"
#include "song/midispec.h"
#include "song/song.h"
#include "song/system_flags.h"
#include "songtext.h"
#include "tools/barclipboard.h"

using namespace tonvela;

namespace {

QAction* action(QObject* owner, const QString& name, const QString& caption,
                const QKeySequence& shortcut = {}) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

QLineEdit* readOnlyEdit(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

}  // namespace

TMIDIPollimoMain::TMIDIPollimoMain(const Context& context, QWidget* parent)
    : QMainWindow(parent), context_(context) {
    setObjectName("MIDIPollimoMain");
    setWindowTitle("MIDI Tonvela");
    setAcceptDrops(true);
    QElapsedTimer started;
    started.start();
    clock_ = [started] { return started.elapsed(); };
    errorSound_ = [this] { playErrorSound(); };
    shiftHeld_ = [] { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; };
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    connect(Timer1, &QTimer::timeout, this, &TMIDIPollimoMain::Timer1Timer);
    qApp->installEventFilter(this);  // Shift changes the play buttons' hints wherever the focus is

    toolHost_ = new ToolHost(*this, this);
    buildMenus();
    registerTools(*toolHost_, *this);
    buildToolBar();
    buildCentral();
    BusyBar = new QProgressBar(this);
    BusyBar->setObjectName("BusyBar");
    BusyBar->setRange(0, 0);
    BusyBar->setMaximumWidth(160);
    BusyBar->hide();
    statusBar()->setObjectName("StatusBar1");
    statusBar()->addPermanentWidget(BusyBar);
    resize(1100, 760);
    updateActions();
}

TMIDIPollimoMain::~TMIDIPollimoMain() {
    writeMainPrefs();
    if (errorSoundThread_.joinable()) errorSoundThread_.join();
    if (tonvela::MidiDevice* d = device()) {
        d->stop();
        d->hooks = {};
    }
    toolHost_->songReplaced();  // the tool windows outlive the song by a moment
    clipboard_.reset();  // the copy buffer is a track of the song
    song_.reset();
}

// ---- construction ---------------------------------------------------------------------------

void TMIDIPollimoMain::buildMenus() {
    FileOpen = action(this, "FileOpen", "&Open...", QKeySequence::Open);
    FileOpen->setToolTip("Open");
    FileSave = action(this, "FileSave", "&Save...", QKeySequence::Save);
    FileSave->setToolTip("Save");
    FileSaveAs = action(this, "FileSaveAs", "Save &As", QKeySequence("Ctrl+Shift+S"));
    FileSaveAs->setToolTip("Save As");
    Exit = action(this, "Exit", "Exit", QKeySequence("Ctrl+Q"));
    Exit->setToolTip("Exit");
    HistoryClearAll = action(this, "HistoryClearAll", "Clear All");
    HistoryOptimize = action(this, "HistoryOptimize", "Optimize History");

    FileMenu = menuBar()->addMenu("&File");
    FileMenu->setObjectName("FileMenu");
    FileMenu->addAction(FileOpen);
    FileMenu->addAction(FileSave);
    FileMenu->addAction(FileSaveAs);
    FileMenu->addSeparator();
    FileMenu->addAction(Exit);
    FileMenu->addSeparator();
    HistoryMenu = FileMenu->addMenu("&History");
    HistoryMenu->setObjectName("HistoryMenu");
    HistoryMenu->addAction(HistoryClearAll);
    HistoryMenu->addAction(HistoryOptimize);
    FileMenu->addSeparator();
    connect(FileMenu, &QMenu::aboutToShow, this, &TMIDIPollimoMain::rebuildHistoryMenu);

    ActionUndo = action(this, "ActionUndo", "Undo", QKeySequence::Undo);
    ActionRedo = action(this, "ActionRedo", "Redo", QKeySequence("Ctrl+Shift+Z"));
    ActionRedo->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    ActionCut = action(this, "ActionCut", "Cut", QKeySequence::Cut);
    ActionCopy = action(this, "ActionCopy", "Copy", QKeySequence::Copy);
    ActionPaste = action(this, "ActionPaste", "Paste", QKeySequence::Paste);
    Action1MakeLeadingBar = action(this, "Action1MakeLeadingBar", "Make Leading &Bar");
    ActionDrumsNotesChanger = action(this, "ActionDrumsNotesChanger", "Drums/Notes Changer ...");
    Action1Statistics = action(this, "Action1Statistics", "Statistics...");
    EditMenu = menuBar()->addMenu("&Edit");
    EditMenu->setObjectName("EditMenu");
    EditMenu->addAction(ActionUndo);
    EditMenu->addAction(ActionRedo);
    EditMenu->addSeparator();
    EditMenu->addActions({ActionCut, ActionCopy, ActionPaste});
    EditMenu->addSeparator();
    EditMenu->addActions({Action1MakeLeadingBar, ActionDrumsNotesChanger, Action1Statistics});
    connect(EditMenu, &QMenu::aboutToShow, this, &TMIDIPollimoMain::updateUndoItem);

    ActionEventList = action(this, "ActionEventList", "Event &List...");
    ActionPianoRoll = action(this, "ActionPianoRoll", "Piano &Roll...");
    ActionEffectEditor = action(this, "ActionEffectEditor", "&Effct Editor...");
    ActionPortamentEditor = action(this, "ActionPortamentEditor", "&Portament Editor...");
    ActionTrillEditor = action(this, "ActionTrillEditor", "&Trill Editor...");
    ActionSlurBender = action(this, "ActionSlurBender", "Slur Bender...");
    ActionGlissandEditor = action(this, "ActionGlissandEditor", "Glissand Editor...");
    ActionDataChecker = action(this, "ActionDataChecker", "Data Checker...");
    ActionXGEditor = action(this, "ActionXGEditor", "XG Editor...");
    ActionTempoEditor = action(this, "ActionTempoEditor", "Tempo Editor...");
    ActionSetupManager = action(this, "ActionSetupManager", "Setup Manager...");
    ActionHalfwaySetup = action(this, "ActionHalfwaySetup", "&Halfway Setup...");
    ActionEffectGroupEditor = action(this, "ActionEffectGroupEditor", "Effect &Group Editor...");
    ActionOption = action(this, "ActionOption", "&Option...");
    WindowMenu = menuBar()->addMenu("&Window");
    WindowMenu->setObjectName("WindowMenu");
    WindowMenu->addActions({ActionEventList, ActionPianoRoll, ActionEffectEditor});
    WindowMenu->addSeparator();
    WindowMenu->addActions({ActionPortamentEditor, ActionTrillEditor, ActionSlurBender,
                            ActionGlissandEditor, ActionDataChecker, ActionXGEditor,
                            ActionTempoEditor, ActionSetupManager, ActionHalfwaySetup});
    WindowMenu->addSeparator();
    WindowMenu->addAction(ActionEffectGroupEditor);
    WindowMenu->addSeparator();
    WindowMenu->addAction(ActionOption);

    ActionMIDIDevice = action(this, "ActionMIDIDevice", "MIDI Device...");
    ActionPlayAll = action(this, "ActionPlayAll", "Play All");
    ActionPlayAll->setToolTip("Play");
    PlaySong = action(this, "PlaySong", "Play");
    PlaySong->setToolTip("Play selected part");
    ActionResumeplay = action(this, "ActionResumeplay", "Resume Play");
    ActionResumeplay->setToolTip("Play from");
    PlayStop = action(this, "PlayStop", "Stop");
    MidiMenu = menuBar()->addMenu("MIDI");
    MidiMenu->setObjectName("MidiMenu");
    MidiMenu->addActions({ActionMIDIDevice, ActionPlayAll, PlaySong, ActionResumeplay, PlayStop});
    ActionPlayToggle = action(this, "ActionPlayToggle", "Play/Stop", QKeySequence(Qt::Key_Space));
    addAction(ActionPlayToggle);

    EffectMenu = menuBar()->addMenu("Effect(&x)");
    EffectMenu->setObjectName("EffectMenu");

    Help2 = action(this, "Help2", "&Help", QKeySequence::HelpContents);
    ActionAbout = action(this, "ActionAbout", "&About...");
    HelpMenu = menuBar()->addMenu("&Help");
    HelpMenu->setObjectName("HelpMenu");
    HelpMenu->addActions({Help2, ActionAbout});

    connect(FileOpen, &QAction::triggered, this, &TMIDIPollimoMain::FileOpenExecute);
    connect(FileSave, &QAction::triggered, this, &TMIDIPollimoMain::FileSaveExecute);
    connect(FileSaveAs, &QAction::triggered, this, &TMIDIPollimoMain::FileSaveAsExecute);
    connect(Exit, &QAction::triggered, this, &TMIDIPollimoMain::ExitExecute);
    connect(HistoryClearAll, &QAction::triggered, this, [this] { history_.clearAll(); });
    connect(HistoryOptimize, &QAction::triggered, this, [this] {
        history_.optimize([](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); });
    });
    connect(ActionUndo, &QAction::triggered, this, &TMIDIPollimoMain::UndoExecute);
    connect(ActionRedo, &QAction::triggered, this, &TMIDIPollimoMain::RedoExecute);
    connect(ActionCut, &QAction::triggered, this, &TMIDIPollimoMain::CutExecute);
    connect(ActionCopy, &QAction::triggered, this, &TMIDIPollimoMain::CopyExecute);
    connect(ActionPaste, &QAction::triggered, this, &TMIDIPollimoMain::PasteExecute);
    connect(Action1MakeLeadingBar, &QAction::triggered, this, &TMIDIPollimoMain::MakeLeadingBarExecute);
    connect(Action1Statistics, &QAction::triggered, this, &TMIDIPollimoMain::StatisticsExecute);
    connect(ActionOption, &QAction::triggered, this, &TMIDIPollimoMain::OptionExecute);
    connect(Help2, &QAction::triggered, this, &TMIDIPollimoMain::HelpExecute);
    connect(ActionAbout, &QAction::triggered, this, [this] {
        QMessageBox::about(this, "About MIDI Tonvela",
                           QString("MIDI Tonvela %1").arg(QStringLiteral(TONVELA_VERSION)));
    });
    connect(PlaySong, &QAction::triggered, this, &TMIDIPollimoMain::PlaySongExecute);
    connect(ActionPlayAll, &QAction::triggered, this, &TMIDIPollimoMain::PlayAllExecute);
    connect(ActionResumeplay, &QAction::triggered, this, &TMIDIPollimoMain::ResumeplayExecute);
    connect(PlayStop, &QAction::triggered, this, &TMIDIPollimoMain::PlayStopExecute);
    connect(ActionPlayToggle, &QAction::triggered, this, &TMIDIPollimoMain::PlayToggleExecute);
    connect(ActionMIDIDevice, &QAction::triggered, this, &TMIDIPollimoMain::MIDIDeviceExecute);
    connect(ActionXGEditor, &QAction::triggered, this, [this] {
        if (!toolHost_->owns(ActionXGEditor)) status("XG Editor: not available in this version.");
    });
}

void TMIDIPollimoMain::buildToolBar() {
    ToolBar1 = addToolBar("Tools");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle* s = style();
    FileOpen->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    FileSave->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    FileSaveAs->setIcon(s->standardIcon(QStyle::SP_DriveFDIcon));
    Exit->setIcon(s->standardIcon(QStyle::SP_DialogCloseButton));
    const std::pair<QAction*, const char*> buttons[] = {
        {FileOpen, "ToolButton1"}, {FileSave, "ToolButton3"}, {FileSaveAs, "ButtonFileSaveAs"},
        {Exit, "ToolButton5"}};
    for (auto [a, name] : buttons) {
        ToolBar1->addAction(a);
        ToolBar1->widgetForAction(a)->setObjectName(name);
    }
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionOption);
}

void TMIDIPollimoMain::buildCentral() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);

    ViewPanel = new QWidget(central);
    ViewPanel->setObjectName("ViewPanel");
    auto* viewLayout = new QVBoxLayout(ViewPanel);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    ViewStack = new QStackedWidget(ViewPanel);
    Picture = new QLabel(ViewStack);
    Picture->setObjectName("Picture");
    Picture->setAlignment(Qt::AlignCenter);
    Picture->setText("<div style='font-size:28pt;color:#2b3a55'><b>MIDI Tonvela</b></div>"
                     "<div style='color:#555'>Open a MIDI file (Ctrl+O) or drop one here.</div>");
    Picture->setStyleSheet("background:#d8dde6;");
    MIDIDrawGrid11 = new BarGrid(ViewStack);
    ViewStack->addWidget(Picture);
    ViewStack->addWidget(MIDIDrawGrid11);
    LabelBar1 = new QLabel(ViewPanel);
    LabelBar1->setObjectName("LabelBar1");
    viewLayout->addWidget(ViewStack, 1);
    viewLayout->addWidget(LabelBar1);
    connect(MIDIDrawGrid11, &BarGrid::selectionFinished, this, &TMIDIPollimoMain::refreshSelectionViews);
    connect(MIDIDrawGrid11, &BarGrid::selectionChanged, this, &TMIDIPollimoMain::updateActions);

    buildPlayBar();
    auto* split = new QSplitter(Qt::Vertical, central);
    split->addWidget(ViewPanel);
    split->addWidget(buildBottomPanel());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
    setCentralWidget(central);
}

void TMIDIPollimoMain::buildPlayBar() {
    ToolBar2 = new QToolBar("Play", this);
    ToolBar2->setObjectName("ToolBar2");
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle* s = style();
    PlaySong->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    ActionPlayAll->setIcon(s->standardIcon(QStyle::SP_MediaSkipBackward));
    ActionResumeplay->setIcon(s->standardIcon(QStyle::SP_MediaSeekForward));
    PlayStop->setIcon(s->standardIcon(QStyle::SP_MediaStop));
    const std::pair<QAction*, const char*> buttons[] = {{PlaySong, "PlayToolButton"},
                                                        {ActionPlayAll, "ToolButtonPlayAll"},
                                                        {ActionResumeplay, "ToolButtonResumeplay"},
                                                        {PlayStop, "StopButton"}};
    for (auto [a, name] : buttons) {
        ToolBar2->addAction(a);
        ToolBar2->widgetForAction(a)->setObjectName(name);
    }
    ToolBar2->addSeparator();
    AllTracks = new QCheckBox("All Tracks", ToolBar2);
    AllTracks->setObjectName("AllTracks");
    Loop = new QCheckBox("Loop", ToolBar2);
    Loop->setObjectName("Loop");
    SelectPlayPos = new QCheckBox("Auto Select", ToolBar2);
    SelectPlayPos->setObjectName("SelectPlayPos");
    TimeEdit2 = readOnlyEdit("TimeEdit2", ToolBar2);
    TimeEdit2->setText("0");
    TimeEdit2->setMaximumWidth(110);
    Marker = readOnlyEdit("Marker", ToolBar2);
    Marker->setMinimumWidth(160);
    for (QWidget* w : std::initializer_list<QWidget*>{AllTracks, Loop, SelectPlayPos}) ToolBar2->addWidget(w);
    ToolBar2->addSeparator();
    ToolBar2->addWidget(TimeEdit2);
    ToolBar2->addWidget(Marker);
    addToolBarBreak();
    addToolBar(Qt::TopToolBarArea, ToolBar2);
}

QWidget* TMIDIPollimoMain::buildBottomPanel() {
    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);

    InfoPanel = new QWidget(bottom);
    InfoPanel->setObjectName("InfoPanel");
    auto* info = new QGridLayout(InfoPanel);
    info->setContentsMargins(2, 2, 2, 2);
    TimeBase = readOnlyEdit("TimeBase", InfoPanel);
    EditTune = readOnlyEdit("EditTune", InfoPanel);
    // Short numbers: the room goes to the channel grid, whose names are shown whole.
    for (QLineEdit* e : {TimeBase, EditTune}) e->setMaximumWidth(fontMetrics().horizontalAdvance("000000") + 16);
    System = new RadioGroup("System", {"XG", "GS"}, Qt::Horizontal, InfoPanel);
    System->setObjectName("System");
    System->setContextMenuPolicy(Qt::CustomContextMenu);
    Format = new RadioGroup("Format", {"0", "1"}, Qt::Horizontal, InfoPanel);
    Format->setObjectName("Format");
    GMOn = new QCheckBox("GM", InfoPanel);
    GMOn->setObjectName("GMOn");
    EditTitle = new QLineEdit(InfoPanel);
    EditTitle->setObjectName("EditTitle");
    CopyrightComboBox = new QComboBox(InfoPanel);
    CopyrightComboBox->setObjectName("CopyrightComboBox");
    CopyrightComboBox->setMinimumContentsLength(24);
    info->addWidget(new QLabel("Time Base", InfoPanel), 0, 0);
    info->addWidget(TimeBase, 0, 1);
    info->addWidget(new QLabel("Tune(Cent)", InfoPanel), 0, 2);
    info->addWidget(EditTune, 0, 3);
    info->addWidget(System, 1, 0, 1, 2);
    info->addWidget(Format, 1, 2, 1, 1);
    info->addWidget(GMOn, 1, 3);
    info->addWidget(new QLabel("Title", InfoPanel), 2, 0);
    info->addWidget(EditTitle, 2, 1, 1, 3);
    info->addWidget(new QLabel("Copyright", InfoPanel), 3, 0);
    info->addWidget(CopyrightComboBox, 3, 1, 1, 3);
    info->setRowStretch(4, 1);

    connect(GMOn, &QCheckBox::clicked, this, [this](bool on) {
        if (!song_) return;
        song_->systemFlags = withGmOn(song_->systemFlags, on);
    });
    connect(System, &RadioGroup::itemClicked, this, [this](int index) {
        if (song_) song_->systemFlags = withSystemMode(song_->systemFlags, index == 0 ? SystemMode::xg : SystemMode::gs);
        updateActions();
    });
    connect(System, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* reset = menu.addAction("Reset");
        if (menu.exec(System->mapToGlobal(at)) != reset) return;
        System->setItemIndex(-1);
        if (song_) song_->systemFlags = withSystemMode(song_->systemFlags, SystemMode::none);
        updateActions();
    });
    connect(Format, &RadioGroup::itemClicked, this, [this](int index) {
        if (song_) song_->format = static_cast<int16_t>(index);
    });
    connect(EditTitle, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!song_) return;
        // The song's own bytes stay as they were unless the user changed the text.
        const std::string raw = song_->title();
        song_->setTitle(fromSongText(raw, song_->textEncoding) == text ? raw : toSongText(text, *song_));
    });
    connect(CopyrightComboBox, &QComboBox::activated, this, [this](int index) {
        const QString text = CopyrightComboBox->itemText(index);
        CopyrightComboBox->setToolTip(text);
        if (!song_) return;
        const QVariant raw = CopyrightComboBox->itemData(index);
        song_->setCopyright(raw.isValid() ? raw.toByteArray().toStdString() : toSongText(text, *song_));
        updateActions();
    });

    Panel3 = new QWidget(bottom);
    Panel3->setObjectName("Panel3");
    auto* tempo = new QGridLayout(Panel3);
    tempo->setContentsMargins(2, 2, 2, 2);
    TrackBar1 = new QSlider(Qt::Vertical, Panel3);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(20, 300);
    TrackBar1->setValue(120);
    EditTempo = new QLineEdit("120", Panel3);
    EditTempo->setObjectName("EditTempo");
    EditTempo->setMaximumWidth(48);
    EditTempo->setValidator(new QIntValidator(0, 999, EditTempo));
    TempoSet = new QPushButton("Set", Panel3);
    TempoSet->setObjectName("TempoSet");
    SpeedButton1 = new QToolButton(Panel3);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("Tap");
    SpeedButton1->setToolTip("Tap the beat to set the tempo");
    tempo->addWidget(TrackBar1, 0, 0, 4, 1);
    tempo->addWidget(EditTempo, 0, 1);
    tempo->addWidget(TempoSet, 1, 1);
    tempo->addWidget(SpeedButton1, 2, 1);
    connect(TrackBar1, &QSlider::valueChanged, this,
            [this](int v) { EditTempo->setText(QString::number(v)); });
    connect(TempoSet, &QPushButton::clicked, this, &TMIDIPollimoMain::TempoSetClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TMIDIPollimoMain::SpeedButton1Click);

    buildChannelGrid();
    // The channel grid takes the larger share up to its full width, the information panel the rest.
    row->addWidget(InfoPanel, 1);
    row->addWidget(Panel3, 0);
    row->addWidget(StringGrid1, 2);
    return bottom;
}

void TMIDIPollimoMain::buildChannelGrid() {
    StringGrid1 = new QTableWidget(17, 10, this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    const QStringList titles = {"Chn.", "Inst.", "Vol..", "Mod.", "Pan.", "Exp.", "Bd. Rng.", "Bd. Val.", "HC", "Bright"};
    const int rowHeight = fontMetrics().height() + 2;
    for (int c = 0; c < 10; ++c) {
        auto* item = new QTableWidgetItem(titles[c]);
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(QColor(212, 208, 200));
        StringGrid1->setItem(0, c, item);
        // The widths of the design, widened where the font would cut a title or a value.
        const int designed = c == 0 ? 20 : c == 1 ? 96 : 42;
        const QString widest = c == 0 ? QString("16") : c == 1 ? QString() : QString("-8192");
        StringGrid1->setColumnWidth(c, std::max({designed, fontMetrics().horizontalAdvance(titles[c]) + 8,
                                                 fontMetrics().horizontalAdvance(widest) + 8}));
    }
    // The instrument column holds every program and drum kit name whole.
    int widestName = 0;
    for (int p = 0; p < 128; ++p)
        for (const std::string& name : {MIDISpec::programName(p), MIDISpec::drumKitName(p)})
            widestName = std::max(widestName, fontMetrics().horizontalAdvance(QString::fromStdString(name)));
    StringGrid1->setColumnWidth(1, std::max(StringGrid1->columnWidth(1), widestName + 10));
    // No wider than its columns: the room left goes to the information panel.
    int columns = 2 * StringGrid1->frameWidth() + StringGrid1->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < 10; ++c) columns += StringGrid1->columnWidth(c);
    StringGrid1->setMaximumWidth(columns);
    for (int r = 0; r < 17; ++r) {
        StringGrid1->setRowHeight(r, rowHeight);
        if (r == 0) continue;
        auto* item = new QTableWidgetItem(QString::number(r));
        item->setBackground(QColor(212, 208, 200));
        StringGrid1->setItem(r, 0, item);
        for (int c = 1; c < 10; ++c) StringGrid1->setItem(r, c, new QTableWidgetItem);
    }
    MIDIDrawGrid11->setGridSize(2, 2);
    resetChannelGrid();
}

// ---- views --------------------------------------------------------------------------------------

void TMIDIPollimoMain::setChannelSnapshots(const std::array<ChannelSnapshot, 16>& channels) {
    channels_ = channels;
    refreshChannelGrid();
}

void TMIDIPollimoMain::resetChannelGrid() {
    if (MidiDevice* d = device()) d->resetChannelStates();
    for (int ch = 0; ch < 16; ++ch) {
        ChannelSnapshot& s = channels_[static_cast<size_t>(ch)];
        s = ChannelSnapshot{};
        s.instrument = QString::fromStdString(ch == 9 ? MIDISpec::drumKitName(0) : MIDISpec::programName(0));
    }
    readChannelStates();
}

void TMIDIPollimoMain::refreshChannelGrid() {
    for (int ch = 0; ch < 16; ++ch) {
        const ChannelSnapshot& s = channels_[static_cast<size_t>(ch)];
        const int r = ch + 1;
        const QString cells[9] = {s.instrument,
                                  QString::number(s.volume),
                                  QString::number(s.modulation),
                                  QString::number(s.pan),
                                  QString::number(s.expression),
                                  QString::number(s.bendRange),
                                  QString::number(s.bend - 8192),
                                  QString::number(s.harmonicContent),
                                  QString::number(s.brightness)};
        for (int c = 1; c < 10; ++c) {
            QTableWidgetItem* item = StringGrid1->item(r, c);
            if (item->text() != cells[c - 1]) item->setText(cells[c - 1]);
        }
        // A narrow window still cuts names; the whole one shows on hovering.
        StringGrid1->item(r, 1)->setToolTip(s.instrument);
    }
}

void TMIDIPollimoMain::refreshGrid() {
    if (!song_) return;
    QStringList labels;
    labels.reserve(song_->trackCount());
    for (int i = 0; i < song_->trackCount(); ++i) {
        const midiTrack* t = song_->track(i);
        labels << fromSongLine(t->name, song_->textEncoding) + QString::fromStdString(t->channelLabel);
    }
    MIDIDrawGrid11->setLabels(labels);
    MIDIDrawGrid11->setSummary(&summary_);
    // An echo into a new track adds a row; undoing it takes the row away again.
    if (MIDIDrawGrid11->rowCount() != std::max(song_->trackCount(), 2))
        MIDIDrawGrid11->setGridSize(MIDIDrawGrid11->colCount(), song_->trackCount());
}

void TMIDIPollimoMain::refreshSelectionViews() {
    if (song_) {
        refreshGrid();
        MIDIDrawGrid11->fitLabelColumn();
        const midiTrack* t = currentTrackObject();
        const int ch = t ? t->firstChannel() : 255;
        const int row = ch >= 0 && ch <= 15 ? ch + 1 : 1;
        StringGrid1->selectRow(row);
        StringGrid1->scrollToItem(StringGrid1->item(row, 0));
    }
    MIDIDrawGrid11->viewport()->update();
    updateActions();
    toolHost_->refreshVisible();
    Q_EMIT selectionViewsRefreshed();
}

void TMIDIPollimoMain::fillCopyrightList() {
    CopyrightComboBox->clear();
    if (song_ && song_->songCopyright) {
        const std::string raw = song_->songCopyright->text();
        CopyrightComboBox->addItem(fromSongLine(raw, song_->textEncoding), QByteArray::fromStdString(raw));
    }
    if (CopyrightComboBox->count() > 0) CopyrightComboBox->setCurrentIndex(0);
    const tonvela::Options o = options();
    const QString names[3] = {QString::fromStdString(o.editName1), QString::fromStdString(o.editName2),
                              QString::fromStdString(o.editName3)};
    const bool offer = CopyrightComboBox->count() == 0 ||
                       std::find(std::begin(names), std::end(names), CopyrightComboBox->itemText(0)) != std::end(names);
    if (offer) {
        for (const QString& n : names)
            if (!n.isEmpty()) CopyrightComboBox->addItem(n);
    }
    if (CopyrightComboBox->count() > 0 && !song_->songCopyright) CopyrightComboBox->setCurrentIndex(-1);
    CopyrightComboBox->setToolTip(CopyrightComboBox->currentText());  // a long text is cut in the box
}

void TMIDIPollimoMain::setTitleFromSong() {
    const QString text = fromSongText(song_->title(), song_->textEncoding);
    // The change handler runs also when the text happens to be the same as before.
    {
        const QSignalBlocker block(EditTitle);
        EditTitle->setText(text);
    }
    Q_EMIT EditTitle->textChanged(text);
}

void TMIDIPollimoMain::fillViews() {
    summary_.build(*song_);
    fillCopyrightList();
    Format->setItemIndex(song_->format == 0 ? 0 : 1);
    TimeBase->setText(QString::number(song_->timeBase));
    LabelBar1->setText(QString("%1 Bars").arg(song_->barStarts.size()));
    ViewStack->setCurrentWidget(MIDIDrawGrid11);
    MIDIDrawGrid11->setGridSize(static_cast<int>(song_->barStarts.size()), song_->trackCount());
    MIDIDrawGrid11->setSelection(1, 1, 1, 1);
    MIDIDrawGrid11->setLeftCol(1);
    EditTune->setText(QString::number(song_->masterTune() * 0.1));
}

// ---- selection ----------------------------------------------------------------------------------

int TMIDIPollimoMain::currentTrack() const { return song_ ? selection().firstTrack : -1; }
int TMIDIPollimoMain::lastTrack() const { return song_ ? selection().lastTrack : -1; }
int TMIDIPollimoMain::firstBar() const { return song_ ? selection().firstBar : -1; }
int TMIDIPollimoMain::lastBar() const { return song_ ? selection().lastBar : -1; }

midiTrack* TMIDIPollimoMain::currentTrackObject() const {
    const int t = currentTrack();
    if (!song_ || t < 1 || t >= song_->trackCount()) return nullptr;
    return song_->track(t);
}

void TMIDIPollimoMain::selectCell(int track, int bar) {
    BarGrid* g = MIDIDrawGrid11;
    g->setSelection(bar + 1, track, bar + 1, track);
    if (g->colCount() - (bar + 1) > g->visibleColCount()) g->setLeftCol(bar + 1);
    refreshSelectionViews();
}

void TMIDIPollimoMain::extendLeft() {
    BarGrid* g = MIDIDrawGrid11;
    if (g->selLeft() > 1) g->setSelection(g->selLeft() - 1, g->selTop(), g->selRight(), g->selBottom());
    refreshSelectionViews();
}

void TMIDIPollimoMain::extendRight() {
    BarGrid* g = MIDIDrawGrid11;
    if (g->selRight() < g->colCount() - 1)
        g->setSelection(g->selLeft(), g->selTop(), g->selRight() + 1, g->selBottom());
    refreshSelectionViews();
}

void TMIDIPollimoMain::shiftLeft() {
    BarGrid* g = MIDIDrawGrid11;
    if (g->selLeft() > 1)
        g->setSelection(g->selLeft() - 1, g->selTop(), g->selRight() - 1, g->selBottom());
    refreshSelectionViews();
}

void TMIDIPollimoMain::shiftRight() {
    BarGrid* g = MIDIDrawGrid11;
    if (g->selRight() < g->colCount() - 1)
        g->setSelection(g->selLeft() + 1, g->selTop(), g->selRight() + 1, g->selBottom());
    refreshSelectionViews();
}

void TMIDIPollimoMain::shrinkLeft() {
    BarGrid* g = MIDIDrawGrid11;
    if (g->selRight() > g->selLeft())
        g->setSelection(g->selLeft() + 1, g->selTop(), g->selRight(), g->selBottom());
    refreshSelectionViews();
}

void TMIDIPollimoMain::shrinkRight() {
    BarGrid* g = MIDIDrawGrid11;
    if (g->selRight() > g->selLeft())
        g->setSelection(g->selLeft(), g->selTop(), g->selRight() - 1, g->selBottom());
    refreshSelectionViews();
}

// ---- command states -----------------------------------------------------------------------------

void TMIDIPollimoMain::updateUndoItem() {
    midiTrack* t = currentTrackObject();
    const bool enabled = song_ && !busy_ && t && t->undoCount() != 0;
    ActionUndo->setEnabled(enabled);
    ActionUndo->setText(enabled ? QString("Undo <%1>").arg(QString::fromStdString(t->undoLabel()))
                                : QString("Undo"));
    const bool redo = song_ && !busy_ && t && song_->canRedoTrack(currentTrack());
    ActionRedo->setEnabled(redo);
    ActionRedo->setText(redo ? QString("Redo <%1>").arg(QString::fromStdString(song_->redoLabelOfTrack(currentTrack())))
                             : QString("Redo"));
}

void TMIDIPollimoMain::updateActions() {
    const bool hasSong = song_ != nullptr;
    // The player plays its own copy of the song, so the song may be edited while it plays;
    // the file and the device wait for the end of the play.
    const bool idle = !playing() && !busy_;
    const bool editable = hasSong && !busy_;
    FileOpen->setEnabled(idle);
    FileSave->setEnabled(hasSong && idle);
    FileSaveAs->setEnabled(hasSong && idle);
    Exit->setEnabled(!playing());
    updateUndoItem();
    ActionCut->setEnabled(editable);
    ActionCopy->setEnabled(hasSong);
    ActionPaste->setEnabled(editable && clipboard_ && !clipboard_->empty());
    Action1MakeLeadingBar->setEnabled(editable);
    Action1Statistics->setEnabled(hasSong);
    // A registered XG editor states the same rule through its ToolRules::enabledWhen.
    if (!toolHost_->owns(ActionXGEditor)) ActionXGEditor->setEnabled(System->itemIndex() == 0);
    toolHost_->updateActions(hasSong, !idle);
    // Windows that come with later versions stay disabled until they exist.
    for (QAction* a : {ActionDrumsNotesChanger, ActionEventList, ActionPianoRoll, ActionEffectEditor,
                       ActionPortamentEditor, ActionTrillEditor, ActionSlurBender, ActionGlissandEditor,
                       ActionDataChecker, ActionTempoEditor, ActionSetupManager, ActionHalfwaySetup,
                       ActionEffectGroupEditor})
        if (!toolHost_->owns(a)) a->setEnabled(false);
    const bool canPlay = hasSong && idle && device();
    ActionMIDIDevice->setEnabled(device() && idle);
    PlaySong->setEnabled(canPlay);
    ActionPlayAll->setEnabled(canPlay);
    ActionResumeplay->setEnabled(canPlay);
    PlayStop->setEnabled(true);
    InfoPanel->setEnabled(!busy_);
    updatePlayHints();
    HistoryClearAll->setEnabled(true);
    HistoryOptimize->setEnabled(true);
}

bool TMIDIPollimoMain::songChanged() const {
    if (!song_) return false;
    for (int i = 0; i < song_->trackCount(); ++i)
        if (song_->track(i)->undoCount() != 0) return true;
    return false;
}

void TMIDIPollimoMain::status(const QString& text) { statusBar()->showMessage(text); }
