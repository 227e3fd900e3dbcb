#include "expression/portamentwin.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "base/errors.h"
#include "effects/effect_settings.h"
#include "effects/units.h"
#include "eventlist/list_widgets.h"
#include "expression/expression_edit.h"
#include "expression/shown_range.h"
#include "host/editor_context.h"
#include "intinputwin.h"
#include "radiogroup.h"
#include "song/song.h"

using namespace tonvela;

namespace {

QLineEdit* field(const char* name, const QString& text, int width) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setFixedWidth(width);
    return e;
}

QScrollBar* valueBar(const char* name, int value) {
    auto* b = new QScrollBar(Qt::Horizontal);
    b->setObjectName(name);
    b->setRange(1, 127);
    b->setValue(value);
    b->setMinimumWidth(160);
    return b;
}

}  // namespace

TPortamentEditor::TPortamentEditor(EditorContext& context, QWidget* parent) : ToolWindow(context, parent), player_(context) {
    setObjectName("PortamentEditor");
    setWindowTitle("Portament Editor");

    // The range always shows the main window's selection; the list follows that.
    auto* range = makeShownRange({FromBar, FromBeat, FromTickEdit, ToBar, ToBeat, ToTickEdit});

    TrackName = new QComboBox;
    TrackName->setObjectName("TrackName");
    TrackName->setMinimumWidth(200);
    ListBox1 = new QListWidget;
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListBox1->setMinimumSize(260, 300);

    RadioGroup1 = new RadioGroup("Value", {"Constant", "Glide"}, Qt::Horizontal);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioGroup1->setItemIndex(0);
    ControlValue = field("ControlValue", "64", 56);
    StartValue = field("StartValue", "32", 40);
    EndValue = field("EndValue", "1", 40);
    StartValue->setReadOnly(true);
    EndValue->setReadOnly(true);
    ScrollBar1 = valueBar("ScrollBar1", 32);
    ScrollBar2 = valueBar("ScrollBar2", 1);
    Curve = new QComboBox;
    Curve->setObjectName("Curve");
    Curve->addItem("Linear");
    Distance = field("Distance", "10", 64);
    DistanceUnit = new QComboBox;
    DistanceUnit->setObjectName("DistanceUnit");
    for (std::string_view item : kTimeUnitItems) DistanceUnit->addItem(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
    portaDuration = field("portaDuration", "50", 56);
    StartOffset = field("StartOffset", "5", 56);

    auto* constant = new QGroupBox("Constant");
    constant->setObjectName("ConstantGroup");
    {
        auto* row = new QHBoxLayout(constant);
        row->addWidget(new QLabel("Value"));
        row->addWidget(ControlValue);
        row->addStretch();
    }
    auto* glide = new QGroupBox("Glide");
    glide->setObjectName("GlideGroup");
    {
        auto* grid = new QGridLayout(glide);
        int r = 0;
        grid->addWidget(new QLabel("Start"), r, 0);
        grid->addWidget(StartValue, r, 1);
        grid->addWidget(ScrollBar1, r++, 2, 1, 2);
        grid->addWidget(new QLabel("End"), r, 0);
        grid->addWidget(EndValue, r, 1);
        grid->addWidget(ScrollBar2, r++, 2, 1, 2);
        grid->addWidget(new QLabel("Curve"), r, 0);
        grid->addWidget(Curve, r++, 1, 1, 2);
        grid->addWidget(new QLabel("Interval"), r, 0);
        grid->addWidget(Distance, r, 1);
        grid->addWidget(DistanceUnit, r++, 2);
        grid->addWidget(new QLabel("Duration"), r, 0);
        grid->addWidget(portaDuration, r, 1);
        grid->addWidget(new QLabel("  %  "), r++, 2);
        grid->addWidget(new QLabel("Start Offset"), r, 0);
        grid->addWidget(StartOffset, r, 1);
        grid->addWidget(new QLabel("ticks"), r++, 2);
        grid->setColumnStretch(3, 1);
    }

    Apply = new QAction("Apply", this);
    Apply->setObjectName("Apply");
    ApplyButton = new QPushButton("Apply");
    ApplyButton->setObjectName("ApplyButton");
    TestPlay = new QPushButton("Play");
    TestPlay->setObjectName("TestPlay");
    TestPlay->setToolTip("Play selected part");
    StopButton = new QPushButton("Stop");
    StopButton->setObjectName("StopButton");
    CloseButton1 = new QPushButton("Close");
    CloseButton1->setObjectName("CloseButton1");

    auto* controls = new QVBoxLayout;
    controls->addWidget(RadioGroup1);
    controls->addWidget(constant);
    controls->addWidget(glide);
    controls->addStretch();
    auto* trackRow = new QHBoxLayout;
    trackRow->addWidget(new QLabel("Track"));
    trackRow->addWidget(TrackName, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(trackRow);
    left->addWidget(ListBox1, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addLayout(controls);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ApplyButton, TestPlay, StopButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(CloseButton1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(range);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int v) { StartValue->setText(QString::number(v)); });
    connect(ScrollBar2, &QScrollBar::valueChanged, this, [this](int v) { EndValue->setText(QString::number(v)); });
    connect(RadioGroup1, &RadioGroup::itemClicked, this, [this] { updateModeControls(); });
    connect(DistanceUnit, &QComboBox::activated, this, &TPortamentEditor::DistanceUnitChange);
    connect(TrackName, &QComboBox::activated, this, &TPortamentEditor::TrackNameChange);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TPortamentEditor::ApplyUpdate);
    connect(Apply, &QAction::triggered, this, &TPortamentEditor::ApplyButtonClick);
    connect(ApplyButton, &QPushButton::clicked, Apply, &QAction::trigger);
    connect(TestPlay, &QPushButton::clicked, this, &TPortamentEditor::TestPlayClick);
    connect(StopButton, &QPushButton::clicked, this, &TPortamentEditor::StopButtonClick);
    connect(CloseButton1, &QPushButton::clicked, this, &QWidget::close);

    idleTimer_ = new QTimer(this);
    idleTimer_->setInterval(200);
    connect(idleTimer_, &QTimer::timeout, this, &TPortamentEditor::ApplyUpdate);
    updateModeControls();
}

TPortamentEditor::~TPortamentEditor() = default;

void TPortamentEditor::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) idleTimer_->start();
    ToolWindow::showEvent(event);
}

void TPortamentEditor::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) idleTimer_->stop();
    ToolWindow::hideEvent(event);
}

void TPortamentEditor::updateModeControls() {
    const bool glide = RadioGroup1->itemIndex() == 1;
    findChild<QWidget*>("ConstantGroup")->setEnabled(!glide);
    findChild<QWidget*>("GlideGroup")->setEnabled(glide);
    ApplyUpdate();
}

// ---- following the editor ----------------------------------------------------------------------

void TPortamentEditor::refreshFromEditor() {
    midiSong* song = context().song();
    if (!song) {
        ListBox1->clear();
        TrackName->clear();
        ApplyUpdate();
        return;
    }
    const Selection sel = context().selection();
    if (!sel.empty()) {
        showRange({FromBar, FromBeat, FromTickEdit, ToBar, ToBeat, ToTickEdit}, rangeFieldsFor(*song, sel));
    }
    const int kept = TrackName->currentIndex();
    fillTrackNames(TrackName, *song);
    {
        const QSignalBlocker block(TrackName);
        const int track = ownEdit_ && kept >= 0 && kept < song->trackCount() ? kept : sel.firstTrack;
        TrackName->setCurrentIndex(track >= 0 && track < song->trackCount() ? track : -1);
    }
    Curve->setCurrentIndex(0);
    fillNotes();
}

void TPortamentEditor::songReplaced() {
    // The list and the work track point into the old song.
    ListBox1->clear();
    work_.reset();
}

void TPortamentEditor::fillNotes() {
    const std::vector<const void*> chosen = rememberSelectedItems(ListBox1);
    ListBox1->clear();
    midiSong* song = context().song();
    const int track = listedTrack();
    if (song && track >= 0) {
        const TickRange range = context().selection().ticks(*song);
        for (const PortamentoNote& n : portamentoNotes(*song->track(track), range)) {
            auto* item = new QListWidgetItem(QString::fromStdString(portamentoLine(n)), ListBox1);
            item->setData(ListItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(n.note)));
        }
    }
    restoreSelectedItems(ListBox1, chosen);
    ApplyUpdate();
}

int TPortamentEditor::listedTrack() const {
    midiSong* song = context().song();
    const int t = TrackName->currentIndex();
    return song && t >= 0 && t < song->trackCount() ? t : -1;
}

std::vector<NoteOnEvent*> TPortamentEditor::phrase() const {
    std::vector<NoteOnEvent*> notes;
    for (int r : phraseRows(selectedRows(ListBox1)))
        notes.push_back(reinterpret_cast<NoteOnEvent*>(ListBox1->item(r)->data(ListItemRole).value<quintptr>()));
    return notes;
}

int32_t TPortamentEditor::unitTime() const {
    midiSong* song = context().song();
    return song ? barStartTick(*song, std::max(context().selection().firstBar, 0)) : 0;
}

// ---- commands ----------------------------------------------------------------------------------

void TPortamentEditor::ApplyUpdate() {
    const auto mode = RadioGroup1->itemIndex() == 1 ? PortamentoSettings::Mode::glide : PortamentoSettings::Mode::constant;
    const bool ready = context().song() && listedTrack() >= 0 &&
                       static_cast<int>(phraseRows(selectedRows(ListBox1)).size()) >= minimumPhrase(mode);
    Apply->setEnabled(ready);
    ApplyButton->setEnabled(ready);
    TestPlay->setEnabled(player_.canPlay());
    StopButton->setEnabled(context().playing());
}

bool TPortamentEditor::readSettings(PortamentoSettings& s) {
    auto readInt = [this](QLineEdit* edit, int& target) {
        QString text = edit->text();
        const std::optional<int> v = askIntegerOrCancel(text, this);
        if (!v) return false;
        edit->setText(text);
        target = *v;
        return true;
    };
    s.mode = RadioGroup1->itemIndex() == 1 ? PortamentoSettings::Mode::glide : PortamentoSettings::Mode::constant;
    if (s.mode == PortamentoSettings::Mode::constant) return readInt(ControlValue, s.ControlValue);
    s.StartValue = ScrollBar1->value();
    s.EndValue = ScrollBar2->value();
    s.DistanceUnit = std::max(DistanceUnit->currentIndex(), 0);
    QString text = Distance->text();
    const std::optional<double> d = askDecimalOrCancel(text, this);
    if (!d) return false;
    Distance->setText(text);
    s.Distance = *d;
    return readInt(portaDuration, s.portaDuration) && readInt(StartOffset, s.StartOffset);
}

void TPortamentEditor::ApplyButtonClick() {
    ApplyUpdate();
    midiSong* song = context().song();
    if (!Apply->isEnabled() || !song) return;
    PortamentoSettings s;
    if (!readSettings(s)) return;
    const std::vector<NoteOnEvent*> notes = phrase();
    if (!work_) work_ = std::make_unique<midiTrack>(song, 0, "");
    try {
        applyPortamento(*song, listedTrack(), notes, s, unitTime(), *work_);
    } catch (const std::exception& e) {
        const auto* m = dynamic_cast<const MidiError*>(&e);
        context().reportError(QString::fromStdString(m ? m->message() : std::string(e.what())));
        return;
    }
    ownEdit_ = true;
    context().songEdited();
    ownEdit_ = false;
}

void TPortamentEditor::DistanceUnitChange(int unit) {
    midiSong* song = context().song();
    if (unit < 0 || unit == previousUnit_) return;
    if (song) {
        const UnitContext units = UnitContext::at(*song, unitTime());
        Distance->setText(QString::fromStdString(convertTimeField(units, Distance->text().toStdString(), previousUnit_, unit)));
    }
    previousUnit_ = unit;
}

void TPortamentEditor::TrackNameChange(int) { fillNotes(); }

void TPortamentEditor::TestPlayClick() {
    player_.playSelection();
    ApplyUpdate();
}

void TPortamentEditor::StopButtonClick() {
    player_.stop();
    ApplyUpdate();
}
