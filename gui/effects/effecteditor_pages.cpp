// The pages of the effect editor: one per effect type, and the Function page of the curve.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "effects/curveview.h"
#include "effects/effecteditor.h"
#include "radiogroup.h"
#include "settings/numbertext.h"
#include "song/midispec.h"

using namespace tonvela;

namespace {

// A row of widgets (nullptr entries are skipped), packed to the left.
QWidget* inRow(std::initializer_list<QWidget*> widgets, QWidget* parent = nullptr) {
    auto* w = new QWidget(parent);
    auto* layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (QWidget* x : widgets)
        if (x) layout->addWidget(x);
    layout->addStretch();
    return w;
}

QLabel* label(const QString& text) { return new QLabel(text); }

void nameField(QLineEdit* edit, const QString& caption) { setFieldCaption(edit, caption); }

// Label and content as one grid row. The row's number fields are named after its label, with
// "min" or "max" when the field is one end of a range.
void addRow(QGridLayout* grid, int row, const QString& caption, QWidget* content, int column = 0) {
    if (!caption.isEmpty()) grid->addWidget(label(caption), row, column);
    grid->addWidget(content, row, column + 1);
    if (caption.isEmpty()) return;
    QList<QLineEdit*> edits = content->findChildren<QLineEdit*>();
    if (auto* e = qobject_cast<QLineEdit*>(content)) edits.prepend(e);
    for (QLineEdit* e : edits) {
        if (fieldCaption(e) != e->objectName()) continue;  // named already
        const QString name = e->objectName().toLower();
        const QString end = name.contains("min") ? " min" : name.contains("max") ? " max" : QString();
        nameField(e, edits.size() > 1 && end.isEmpty() ? caption + " " + QString::number(edits.indexOf(e) + 1)
                                                       : caption + end);
    }
}

// An integer field with up and down buttons that step it within low..high; the field keeps
// whatever text is typed (the check before a run asks for a number again).
QWidget* withUpDown(QLineEdit* edit, int low, int high) {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit);
    for (int step : {1, -1}) {
        auto* b = new QToolButton(box);
        b->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFixedSize(18, edit->sizeHint().height());
        QObject::connect(b, &QToolButton::clicked, edit, [edit, low, high, step] {
            const int v = readInteger(edit->text().toStdString()).value_or(low);
            edit->setText(QString::number(std::clamp(v + step, low, high)));
        });
        layout->addWidget(b);
    }
    return box;
}

QSlider* slider(const QString& name, Qt::Orientation orientation, int low, int high) {
    auto* s = new QSlider(orientation);
    s->setObjectName(name);
    s->setRange(low, high);
    return s;
}

}  // namespace

namespace {

constexpr const char* kFieldCaption = "fieldCaption";

}  // namespace

void setFieldCaption(QLineEdit* edit, const QString& caption) { edit->setProperty(kFieldCaption, caption); }

QString fieldCaption(const QLineEdit* edit) {
    const QVariant caption = edit->property(kFieldCaption);
    return caption.isValid() ? caption.toString() : edit->objectName();
}

QLineEdit* TEffectEditor::field(const QString& name, int width) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    // By default wide enough for a bend amount written back as a decimal ("-8192.00").
    e->setFixedWidth(width > 0 ? width : e->fontMetrics().horizontalAdvance("-8192.00") + 16);
    controls_.insert(name, e);
    return e;
}

QComboBox* TEffectEditor::choice(const QString& name, ItemList items) {
    auto* c = new QComboBox;
    c->setObjectName(name);
    for (std::string_view item : items) c->addItem(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    controls_.insert(name, c);
    return c;
}

QCheckBox* TEffectEditor::check(const QString& name, const QString& caption) {
    auto* c = new QCheckBox(caption);
    c->setObjectName(name);
    controls_.insert(name, c);
    return c;
}

QWidget* TEffectEditor::buildAddEventPage() {
    auto* page = new QWidget;
    page->setObjectName("TabAddEvent");

    FilterGroup = new QGroupBox("Filter", page);
    FilterGroup->setObjectName("FilterGroup");
    NoteMin = field("NoteMin", 44);
    NoteMax = field("NoteMax", 44);
    VeloMin = field("VeloMin", 44);
    VeloMax = field("VeloMax", 44);
    DurMin = field("DurMin");
    DurMax = field("DurMax");
    DurationUnit = choice("DurationUnit", kShortTimeUnitItems);
    PitchNameFilter = choice("PitchNameFilter", kPitchNameItems);
    AllowOverlap = check("AllowOverlap", "Allow Overlap");
    Ascending = check("Ascending", "Ascending");
    Decemdimg = check("Decemdimg", "Decending");
    Flat = check("Flat", "Flat");
    Independent = check("Independent", "Independent");
    {
        auto* grid = new QGridLayout(FilterGroup);
        addRow(grid, 0, "Note", inRow({NoteMin, label("-"), NoteMax}));
        addRow(grid, 1, "Vel.", inRow({VeloMin, label("-"), VeloMax}));
        addRow(grid, 2, "Dur.", inRow({DurMin, label("-"), DurMax}));
        addRow(grid, 3, "", inRow({DurationUnit}));
        addRow(grid, 4, "Pitch", inRow({PitchNameFilter}));
        grid->addWidget(AllowOverlap, 5, 0, 1, 2);
        grid->addWidget(Ascending, 6, 0, 1, 2);
        grid->addWidget(Decemdimg, 7, 0, 1, 2);
        grid->addWidget(Flat, 8, 0, 1, 2);
        grid->addWidget(Independent, 9, 0, 1, 2);
        grid->setRowStretch(10, 1);
    }

    AddItem = choice("AddItem", kAddItemItems);
    CtrlNoEdit = field("CtrlNoEdit", 40);
    ValueMin = field("ValueMin");
    ValueMax = field("ValueMax");
    PitchBendUnit = choice("PitchBendUnit", kBendUnitItems);
    Cutoff = choice("Cutoff", kCutoffItems);
    Distance = field("Distance");
    DistanceUnit = choice("DistanceUnit", kTimeUnitItems);
    MinimunDifference = field("MinimunDifference");
    MinDiffUnit = choice("MinDiffUnit", kBendUnitItems);
    StartShift = field("StartShift");
    ApplyRange = choice("ApplyRange", kApplyRangeItems);
    DurationPercent = field("DurationPercent", 44);
    ApplyPosition = choice("ApplyPosition", kApplyPositionItems);
    ApplyTime = field("ApplyTime");
    ApplyTimeUnit = choice("ApplyTimeUnit", kShortTimeUnitItems);
    FunctionSource1 = choice("FunctionSource1", kFunctionSourceItems);
    ReplaceEvent = check("ReplaceEvent", "OverWrite");
    PreProcess = check("PreProcess", "PreProcess");
    PreprocValue = field("PreprocValue", 44);
    PostProcess = check("PostProcess", "PostProcess");
    PostprocValue = field("PostprocValue", 44);

    auto* item = new QGroupBox("Add Item", page);
    item->setObjectName("ItemGroup");
    {
        auto* grid = new QGridLayout(item);
        addRow(grid, 0, "Item", inRow({AddItem, CtrlNoEdit}));
        addRow(grid, 1, "Value", inRow({ValueMin, label("-"), ValueMax, PitchBendUnit, Cutoff}));
        addRow(grid, 2, "Interval", inRow({Distance, DistanceUnit}));
        addRow(grid, 3, "Min. Diff.", inRow({MinimunDifference, MinDiffUnit}));
        addRow(grid, 4, "Time Offset", inRow({StartShift, label("Ticks")}));
        addRow(grid, 5, "Apply Range", inRow({ApplyRange, DurationPercent, label("%")}));
        addRow(grid, 6, "", inRow({ApplyTime, ApplyTimeUnit}));
        nameField(ApplyTime, "Apply Range (time)");
        addRow(grid, 7, "Position", inRow({ApplyPosition}));
        addRow(grid, 8, "Func Source", inRow({FunctionSource1}));
        grid->addWidget(inRow({ReplaceEvent}), 9, 0, 1, 2);
        grid->addWidget(inRow({PreProcess, PreprocValue, PostProcess, PostprocValue}), 10, 0, 1, 2);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(11, 1);
    }

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(FilterGroup);
    layout->addWidget(item, 1);

    // The filter summary goes into the description from the pop-up menus.
    auto* summary = new QAction("Copy Text to Memo", this);
    summary->setObjectName("CopyTextToMemo");
    connect(summary, &QAction::triggered, this, &TEffectEditor::copyFilterToMemo);
    FilterGroup->setContextMenuPolicy(Qt::ActionsContextMenu);
    FilterGroup->addAction(summary);
    ValueMax->setContextMenuPolicy(Qt::ActionsContextMenu);
    ValueMax->addAction(summary);
    return page;
}

QWidget* TEffectEditor::buildFunctionPage() {
    auto* page = new QWidget;
    page->setObjectName("TabFunction");
    FunctionBox = choice("Function", kFunctionItems);
    Function2 = choice("Function2", kFunctionItems);
    Function3 = choice("Function3", kFunctionItems);
    F2 = check("F2", "f2");
    F3 = check("F3", "f3");
    FlipY = check("FlipY", "Invert Y");
    FlipX = check("FlipX", "Invert X");
    Abs = check("Abs", "Abs");
    TrackBar1 = slider("TrackBar1", Qt::Horizontal, -50, 50);
    TrackBar2 = slider("TrackBar2", Qt::Horizontal, -50, 50);
    TrackBar3 = slider("TrackBar3", Qt::Horizontal, -50, 50);
    CurveImage = new CurveView(page);
    CurveImage->setObjectName("CurveImage");

    auto* grid = new QGridLayout;
    int r = 0;
    auto addFunction = [&](QWidget* head, QComboBox* shape, QSlider* bar) {
        controls_.insert(bar->objectName(), bar);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(10);
        bar->setMinimumWidth(150);
        auto* value = new QLabel;
        value->setObjectName(bar->objectName() + "Value");
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance("-50") + 4);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(bar, &QSlider::valueChanged, value, [value](int v) { value->setNum(v); });
        value->setNum(bar->value());
        grid->addWidget(head, r, 0);
        grid->addWidget(shape, r, 1);
        grid->addWidget(inRow({bar, value}), r + 1, 0, 1, 2);
        r += 2;
    };
    addFunction(label("f1"), FunctionBox, TrackBar1);
    addFunction(F2, Function2, TrackBar2);
    addFunction(F3, Function3, TrackBar3);
    grid->addWidget(inRow({FlipY, FlipX, Abs}), r++, 0, 1, 2);
    grid->setRowStretch(r, 1);

    auto* layout = new QHBoxLayout(page);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(CurveImage, 0, Qt::AlignTop);
    layout->addStretch();
    return page;
}

QWidget* TEffectEditor::buildDeletePage() {
    auto* page = new QWidget;
    page->setObjectName("TabDelete");
    DelItemComboBox1 = choice("DelItemComboBox1", kDeleteItemItems);
    DelCtrlNoEdit1 = field("DelCtrlNoEdit1", 40);
    DelVallMin = field("DelVallMin");
    DelValMax = field("DelValMax");
    DelNumel = field("DelNumel", 32);
    DelDenom = field("DelDenom", 32);
    nameField(DelNumel, "Delete Every (count)");
    nameField(DelDenom, "Delete Every (out of)");

    auto* group = new QGroupBox("Delete Item", page);
    group->setObjectName("DeleteItemGroup");
    auto* grid = new QGridLayout(group);
    addRow(grid, 0, "Item", inRow({DelItemComboBox1, DelCtrlNoEdit1}));
    auto* filter = new QGroupBox("Filter", group);
    {
        auto* g = new QGridLayout(filter);
        addRow(g, 0, "Value", inRow({DelVallMin, label("-"), DelValMax}));
        for (int k = 0; k < 3; ++k) {
            ExceptData[k] = check(QString("ExceptData%1").arg(k + 1), QString("Except %1").arg(k + 1));
            exceptval[k] = field(QString("exceptval%1").arg(k + 1));
            nameField(exceptval[k], QString("Except %1").arg(k + 1));
            g->addWidget(ExceptData[k], k + 1, 0);
            g->addWidget(inRow({exceptval[k]}), k + 1, 1);
        }
    }
    grid->addWidget(filter, 1, 0, 1, 2);
    addRow(grid, 2, "Delete Every",
           inRow({withUpDown(DelNumel, 1, 10), label("/"), withUpDown(DelDenom, 1, 10)}));
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* TEffectEditor::buildVelocityPage() {
    auto* page = new QWidget;
    page->setObjectName("TabVelocity");
    VeloRangeMin = field("VeloRangeMin", 44);
    VeloRangeMax = field("VeloRangeMax", 44);
    ChangeMethod = choice("ChangeMethod", kChangeMethodItems);
    VeloModScaling = choice("VeloModScaling", kCutoffItems);
    FunctionX = choice("FunctionX", kVelocitySourceItems);
    auto* grid = new QGridLayout;
    addRow(grid, 0, "Value", inRow({VeloRangeMin, label("-"), VeloRangeMax}));
    addRow(grid, 1, "Method", inRow({ChangeMethod, VeloModScaling}));
    addRow(grid, 2, "Function Source", inRow({FunctionX}));
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);

    auto* summary = new QAction("Copy Text to Memo", this);
    connect(summary, &QAction::triggered, this, &TEffectEditor::copyFilterToMemo);
    VeloRangeMax->setContextMenuPolicy(Qt::ActionsContextMenu);
    VeloRangeMax->addAction(summary);
    return page;
}

QWidget* TEffectEditor::buildTimeShiftPage() {
    auto* page = new QWidget;
    page->setObjectName("TabTimeShift");
    TSValMin = field("TSValMin", 44);
    TSValMax = field("TSValMax", 44);
    QStringList sources;
    for (std::string_view s : kTimeShiftSourceItems) sources << QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    TimeShiftRadioGroup = new RadioGroup("Function Source", sources, Qt::Vertical, page);
    TimeShiftRadioGroup->setObjectName("TimeShiftRadioGroup");
    controls_.insert("TimeShiftRadioGroup", TimeShiftRadioGroup);
    auto* grid = new QGridLayout;
    addRow(grid, 0, "Value", inRow({TSValMin, label("-"), TSValMax, label("Ticks")}));
    grid->addWidget(TimeShiftRadioGroup, 1, 0, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);

    auto* summary = new QAction("Copy Text to Memo", this);
    connect(summary, &QAction::triggered, this, &TEffectEditor::copyFilterToMemo);
    TSValMax->setContextMenuPolicy(Qt::ActionsContextMenu);
    TSValMax->addAction(summary);
    return page;
}

QWidget* TEffectEditor::buildEchoPage() {
    auto* page = new QWidget;
    page->setObjectName("TabEcho");
    EchoDelayText = field("EchoDelayText");
    EchoDelayUnit = choice("EchoDelayUnit", kTimeUnitItems);
    EchoCount = slider("EchoCount", Qt::Horizontal, 1, 5);
    EchoCount->setTickPosition(QSlider::TicksBelow);
    EchoCount->setTickInterval(1);
    EchoCount->setPageStep(1);
    EchoCount->setFixedWidth(110);
    controls_.insert("EchoCount", EchoCount);
    auto* countValue = new QLabel;
    countValue->setObjectName("EchoCountValue");
    connect(EchoCount, &QSlider::valueChanged, countValue, [countValue](int v) { countValue->setNum(v); });
    OutOfRange = choice("OutOfRange", kOutOfRangeItems);
    Overlap = choice("Overlap", kOverlapItems);
    EchoOtherTrack = check("EchoOtherTrack", "Other Track");
    NewTrackName = new QComboBox;
    NewTrackName->setObjectName("NewTrackName");
    NewTrackName->setEditable(true);
    NewTrackName->setInsertPolicy(QComboBox::NoInsert);
    NewTrackName->setMinimumWidth(140);
    controls_.insert("NewTrackName", NewTrackName);
    OtherChannel = check("OtherChannel", "Specify Channel");
    UpDownEchannel = new QSpinBox;
    UpDownEchannel->setObjectName("UpDownEchannel");
    UpDownEchannel->setRange(1, 16);
    controls_.insert("UpDownEchannel", UpDownEchannel);
    EmulateSustain = check("EmulateSustain", "Emulate Sustain Pedal");
    SelectTarget = check("SelectTarget", "Select TargetTrack after Proc.");

    // The repeats: velocity scale sliders (top = louder) over their transposition fields.
    auto* repeats = new QGroupBox("Vel. / Note", page);
    auto* rg = new QGridLayout(repeats);
    rg->addWidget(label("100%-"), 0, 0, Qt::AlignTop);
    for (int k = 0; k < 5; ++k) {
        EchoVol[k] = slider(QString("EchoVol%1").arg(k + 1), Qt::Vertical, 1, 255);
        EchoVol[k]->setInvertedAppearance(true);
        EchoVol[k]->setFixedHeight(110);
        controls_.insert(EchoVol[k]->objectName(), EchoVol[k]);
        EditOct[k] = field(QString("EditOct%1").arg(k + 1), 36);
        nameField(EditOct[k], QString("Note of repeat %1").arg(k + 1));
        rg->addWidget(EchoVol[k], 0, k + 1, Qt::AlignHCenter);
        rg->addWidget(EditOct[k], 1, k + 1, Qt::AlignHCenter);
    }
    rg->addWidget(label("Note"), 1, 0);

    auto* grid = new QGridLayout;
    addRow(grid, 0, "Delay", inRow({EchoDelayText, EchoDelayUnit}));
    addRow(grid, 1, "Count", inRow({EchoCount, countValue}));
    addRow(grid, 2, "Out of Range", inRow({OutOfRange}));
    addRow(grid, 3, "Overlap", inRow({Overlap}));
    grid->addWidget(EchoOtherTrack, 4, 0);
    grid->addWidget(inRow({NewTrackName}), 4, 1);
    grid->addWidget(OtherChannel, 5, 0);
    grid->addWidget(inRow({UpDownEchannel}), 5, 1);
    grid->addWidget(EmulateSustain, 6, 0, 1, 2);
    grid->addWidget(SelectTarget, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);

    auto* layout = new QHBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(repeats, 0, Qt::AlignTop);
    layout->addStretch();
    return page;
}

QWidget* TEffectEditor::buildModifyControlPage() {
    auto* page = new QWidget;
    page->setObjectName("TabModifyControl");
    Modify = choice("Modify", kModifyItems);
    ComboBoxControl = new QComboBox;
    ComboBoxControl->setObjectName("ComboBoxControl");
    const std::vector<std::string>& names = MIDISpec::controllerNames();
    for (const std::string& n : names) ComboBoxControl->addItem(QString::fromStdString(n));
    ComboBoxControl->setMaxVisibleItems(20);
    controls_.insert("ComboBoxControl", ComboBoxControl);
    Edit1ModCOntrolMin = field("Edit1ModCOntrolMin");
    Edit2ModCOntrolMax = field("Edit2ModCOntrolMax");
    ModContFS = choice("ModContFS", kModContFSItems);
    ModContVal = choice("ModContVal", kChangeMethodItems);
    ContModScaling = choice("ContModScaling", kCutoffItems);
    auto* grid = new QGridLayout;
    addRow(grid, 0, "Modify", inRow({Modify, ComboBoxControl}));
    addRow(grid, 1, "Range", inRow({Edit1ModCOntrolMin, label("-"), Edit2ModCOntrolMax}));
    addRow(grid, 2, "Method", inRow({ModContVal, ContModScaling}));
    addRow(grid, 3, "Function Source", inRow({ModContFS}));
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    return page;
}

QWidget* TEffectEditor::buildDurationPage() {
    auto* page = new QWidget;
    page->setObjectName("TabDuration");
    durFilterNoteMin = field("durFilterNoteMin", 44);
    durFilterNoteMax = field("durFilterNoteMax", 44);
    durFilterDurMin = field("durFilterDurMin");
    durFilterDurMax = field("durFilterDurMax");
    modifydurComboBox1 = choice("modifydurComboBox1", kShortTimeUnitItems);
    durChangeMethod = choice("durChangeMethod", kDurChangeMethodItems);
    durPercent = field("durPercent", 44);
    DurValue = field("DurValue");
    TenutoPC = field("TenutoPC", 44);
    SingleNote = check("SingleNote", "Single Note");
    durMaxLimit = field("durMaxLimit");
    durMinLimit = field("durMinLimit");

    auto* filter = new QGroupBox("Filter", page);
    {
        auto* g = new QGridLayout(filter);
        addRow(g, 0, "Note", inRow({durFilterNoteMin, label("-"), durFilterNoteMax}));
        addRow(g, 1, "Dur.", inRow({durFilterDurMin, label("-"), durFilterDurMax, modifydurComboBox1}));
        g->setColumnStretch(1, 1);
    }
    auto* change = new QGroupBox("Change", page);
    {
        auto* g = new QGridLayout(change);
        addRow(g, 0, "Method", inRow({durChangeMethod}));
        addRow(g, 1, "Percent", inRow({durPercent, label("%")}));
        addRow(g, 2, "Value", inRow({DurValue, label("Ticks")}));
        addRow(g, 3, "Tenuto", inRow({TenutoPC, label("%"), SingleNote}));
        addRow(g, 4, "Limit", inRow({label("Min"), durMinLimit, label("Max"), durMaxLimit}));
        g->setColumnStretch(1, 1);
    }
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(filter);
    layout->addWidget(change);
    layout->addStretch();
    return page;
}

QWidget* TEffectEditor::buildChordPage() {
    auto* page = new QWidget;
    page->setObjectName("TabChord");
    ChordBound = field("ChordBound", 44);
    Center = choice("Center", kCenterItems);
    StrokeMethod = choice("StrokeMethod", kStrokeMethodItems);
    Devision = slider("Devision", Qt::Horizontal, 1, 6);
    Devision->setTickPosition(QSlider::TicksBelow);
    Devision->setTickInterval(1);
    Devision->setPageStep(1);
    Devision->setFixedWidth(120);
    controls_.insert("Devision", Devision);
    StrokeName = new QLabel;
    StrokeName->setObjectName("StrokeName");
    StrokeName->setMinimumWidth(StrokeName->fontMetrics().horizontalAdvance("24-beat") + 6);
    Stroke = choice("Stroke", kStrokeItems);
    resStart = field("resStart", 44);
    resEnd = field("resEnd", 44);
    nameField(resStart, "Range from");
    nameField(resEnd, "Range to");
    auto* divisionLabel = label("Division(per quater)");
    divisionLabel->setObjectName("DivisionLabel");
    auto* grid = new QGridLayout;
    addRow(grid, 0, "Chord Tolerance(Ticks)", inRow({ChordBound}));
    addRow(grid, 1, "Center", inRow({Center}));
    addRow(grid, 2, "Stroke", inRow({StrokeMethod}));
    grid->addWidget(divisionLabel, 3, 0);
    grid->addWidget(inRow({Devision, StrokeName}), 3, 1);
    addRow(grid, 4, "Order", inRow({Stroke}));
    addRow(grid, 5, "Range", inRow({label("from"), resStart, label("to"), resEnd, label("Ticks")}));
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    return page;
}
