#include "xg/xgeditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "base/errors.h"
#include "host/editor_context.h"
#include "output/midi_device.h"
#include "radiogroup.h"
#include "song/song.h"
#include "songtext.h"
#include "xg/xgbitmapview.h"

using namespace tonvela;

namespace {

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QComboBox* combo(const QString& name, const QStringList& items, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setMaxVisibleItems(20);
    return c;
}

QCheckBox* checkBox(const QString& name, const QString& caption, QWidget* parent) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    return c;
}

QLineEdit* numberField(const QString& name, int min, int max, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setValidator(new QIntValidator(min, max, e));
    e->setMaximumWidth(70);
    return e;
}

// "Part1".."Part64", "AD1".."AD63", "OFF": the item index is the value sent.
QStringList partChoices() {
    QStringList l;
    for (int i = 1; i <= 64; ++i) l << QString("Part%1").arg(i);
    for (int i = 1; i <= 63; ++i) l << QString("AD%1").arg(i);
    l << "OFF";
    return l;
}

QStringList typeChoices(XGBlock block) {
    QStringList l;
    for (const XGTypeChoice& c : xgTypeChoices(block)) l << QString::fromLatin1(c.name);
    return l;
}

// Master tune: the position 0-2047 shown and typed as cents.
class TuneSpin : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int v) const override { return QString::number((v - 1024) * 0.1, 'f', 1); }
    int valueFromText(const QString& text) const override {
        return static_cast<int>(std::lround(text.toDouble() * 10)) + 1024;
    }
    QValidator::State validate(QString& text, int&) const override {
        if (text.isEmpty() || text == "-" || text == "+" || text == "." || text == "-.") return QValidator::Intermediate;
        bool ok = false;
        const double d = text.toDouble(&ok);
        if (!ok) return QValidator::Invalid;
        return d >= -102.45 && d <= 102.35 ? QValidator::Acceptable : QValidator::Intermediate;
    }
};

// A VL control number: 0 "off", 96 "AT", 97 "Velo.", 98 "PB".
class VLControlSpin : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int v) const override {
        switch (v) {
        case 0: return "off";
        case 96: return "AT";
        case 97: return "Velo.";
        case 98: return "PB";
        default: return QString::number(v);
        }
    }
    int valueFromText(const QString& text) const override {
        const QString t = text.trimmed();
        if (t.compare("off", Qt::CaseInsensitive) == 0) return 0;
        if (t.compare("AT", Qt::CaseInsensitive) == 0) return 96;
        if (t.compare("Velo.", Qt::CaseInsensitive) == 0) return 97;
        if (t.compare("PB", Qt::CaseInsensitive) == 0) return 98;
        return t.toInt();
    }
    QValidator::State validate(QString& text, int&) const override {
        const QString t = text.trimmed();
        for (const char* word : {"off", "AT", "Velo.", "PB"}) {
            if (t.compare(word, Qt::CaseInsensitive) == 0) return QValidator::Acceptable;
            if (QString(word).startsWith(t, Qt::CaseInsensitive)) return QValidator::Intermediate;
        }
        bool ok = false;
        const int v = t.toInt(&ok);
        return ok && v >= 0 && v <= 98 ? QValidator::Acceptable : QValidator::Invalid;
    }
};

constexpr const char* kVLControls[10] = {"Pressure", "EMBouchure", "Tonguing", "Scream", "Breath",
                                         "Glowl", "Throat Formant", "Harm. Enh", "Damping", "Absorption"};
constexpr const char* kControlSources[5] = {"MW", "Bend", "CAT", "AC1", "AC2"};

}  // namespace

TXGEditor::TXGEditor(EditorContext& context, QWidget* parent) : ToolWindow(context, parent) {
    setObjectName("XGEditor");
    setWindowTitle("XG Editor");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Target Track", this));
    ComboBoxTargTrack = combo("ComboBoxTargTrack", {}, this);
    ComboBoxTargTrack->setMinimumWidth(200);
    ComboBoxTargTrack->setToolTip("New messages go to this track; choosing a track moves every message there");
    top->addWidget(ComboBoxTargTrack);
    top->addStretch();
    UndoButton = button("UndoButton", "Undo", this);
    top->addWidget(UndoButton);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    PageControl->setUsesScrollButtons(false);  // every tab in sight
    const char* captions[PageCount] = {"System", "Reverb", "Chorus", "Variation", "Insertion", "Multi EQ",
                                       "Multi Part", "Multi Part for VL", "Drum Setup", "Display"};
    for (int p = 0; p < PageCount; ++p) {
        pages_[p] = new QWidget(PageControl);
        PageControl->addTab(pages_[p], captions[p]);
    }
    buildSystemPage();
    buildEffectPages();
    buildPartPages();
    buildDrumPage();
    buildDisplayPage();

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setMinimumWidth(300);
    ListBox1->setToolTip("The song's XG messages; Arrange re-times the checked ones");
    auto* messages = new QVBoxLayout;
    messages->addWidget(new QLabel("XG Messages", this));
    messages->addWidget(ListBox1, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(PageControl, 3);
    middle->addLayout(messages, 2);

    auto* arrange = new QGroupBox("Arrange", this);
    auto* al = new QHBoxLayout(arrange);
    EditsysExStart = numberField("EditsysExStart", 0, 1 << 30, arrange);
    EditsysExOffset = numberField("EditsysExOffset", 0, 1 << 20, arrange);
    StaticTextsysExRange = new QLabel(arrange);
    StaticTextsysExRange->setObjectName("StaticTextsysExRange");
    ArrangeButton = button("ArrangeButton", "Arrange", arrange);
    ArrangeButton->setToolTip("Re-time the checked messages: Start Time, then one Offset apart");
    al->addWidget(new QLabel("Start Time", arrange));
    al->addWidget(EditsysExStart);
    al->addWidget(new QLabel("Offset", arrange));
    al->addWidget(EditsysExOffset);
    al->addWidget(StaticTextsysExRange, 1);
    al->addWidget(ArrangeButton);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(middle, 1);
    main->addWidget(arrange);

    connect(ComboBoxTargTrack, &QComboBox::activated, this, &TXGEditor::ComboBoxTargTrackChange);
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int p) {
        loadPage(p, true);
        updateActions();
    });
    connect(ListBox1, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        checks_[item->data(Qt::UserRole + 1).toUInt()] = item->checkState() == Qt::Checked;
    });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (sysexEvent* e = messageAt(ListBox1->row(item))) this->context().locateEvent(e);
    });
    connect(EditsysExStart, &QLineEdit::textEdited, this, [this] {
        startEdited_ = true;
        updateArrangeFields();
    });
    connect(EditsysExOffset, &QLineEdit::textEdited, this, [this] {
        offsetEdited_ = true;
        updateArrangeFields();
    });
    connect(ArrangeButton, &QPushButton::clicked, this, &TXGEditor::ArrangeExecute);
    connect(UndoButton, &QPushButton::clicked, this, &TXGEditor::UndoExecute);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TXGEditor::updateActions);
    resize(1120, 660);
}

TXGEditor::~TXGEditor() = default;

// ---- controls -------------------------------------------------------------------------------------

QSlider* TXGEditor::addSlider(QGridLayout* grid, int row, const QString& name, const QString& caption, int min,
                              int max, std::function<void(XGEditor&, int)> change, QLabel** valueLabel) {
    QWidget* parent = grid->parentWidget();
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setMinimumWidth(180);
    auto* value = new QLabel(parent);
    value->setMinimumWidth(36);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (valueLabel) *valueLabel = value;
    grid->addWidget(new QLabel(caption, parent), row, 0);
    grid->addWidget(s, row, 1);
    grid->addWidget(value, row, 2);
    bindSlider(s, *this, loading_, "XG " + caption, std::move(change), [value](int v) { value->setNum(v); });
    return s;
}

QSlider* TXGEditor::addValueSlider(QGridLayout* grid, int row, const QString& name, const QString& caption,
                                   int32_t address, int min, int max, int defaultValue) {
    return addSlider(grid, row, name, caption, min, max,
                     [address, defaultValue](XGEditor& x, int v) { x.setXGValue(address, v, defaultValue); });
}

void TXGEditor::buildSystemPage() {
    QWidget* p = pages_[PageSystem];
    auto* grid = new QGridLayout(p);
    UpDownMasterTune = new TuneSpin(p);
    UpDownMasterTune->setObjectName("UpDownMasterTune");
    UpDownMasterTune->setRange(0, 2047);
    UpDownMasterTune->setValue(1024);
    UpDownMasterTune->setToolTip("-102.4 to +102.3 cents, in steps of 0.1");
    StaticTextMasterTune = new QLabel("0.0", p);
    StaticTextMasterTune->setObjectName("StaticTextMasterTune");
    grid->addWidget(new QLabel("Master Tune(cent)", p), 0, 0);
    grid->addWidget(UpDownMasterTune, 0, 1, Qt::AlignLeft);
    grid->addWidget(StaticTextMasterTune, 0, 2);
    bindSpin(UpDownMasterTune, *this, loading_, "XG Master Tune", [](XGEditor& x, int v) { x.setMasterTune(v); },
             [this](int v) { StaticTextMasterTune->setText(QString::number((v - 1024) * 0.1, 'f', 1)); });

    TrackBar1 = addSlider(grid, 1, "TrackBar1", "Master Volume", 0, 127,
                          [](XGEditor& x, int v) { x.setXGValue(0x000004, v, 127); }, &StaticTextMasterVolume);
    StaticTextMasterVolume->setObjectName("StaticTextMasterVolume");
    TrackBar2 = addSlider(grid, 2, "TrackBar2", "Master Attenuator", 0, 127,
                          [](XGEditor& x, int v) { x.setXGValue(0x000005, v, 0); }, &StaticTextMasterAtt);
    StaticTextMasterAtt->setObjectName("StaticTextMasterAtt");

    UpDownTranspose = new QSpinBox(p);
    UpDownTranspose->setObjectName("UpDownTranspose");
    UpDownTranspose->setRange(-24, 24);
    UpDownTranspose->setSuffix(" semitones");
    grid->addWidget(new QLabel("Transpose", p), 3, 0);
    grid->addWidget(UpDownTranspose, 3, 1, Qt::AlignLeft);
    bindSpin(UpDownTranspose, *this, loading_, "XG Transpose",
             [](XGEditor& x, int v) { x.setXGValue(0x000006, v + 64, 64); });

    CheckBoxDrumPartProtectMode = checkBox("CheckBoxDrumPartProtectMode", "Drum Part Protect Mode", p);
    CheckBoxDrumPartProtectMode->setChecked(true);
    CheckBoxAllParameterReset = checkBox("CheckBoxAllParameterReset", "All Parameter Reset", p);
    grid->addWidget(CheckBoxDrumPartProtectMode, 4, 0, 1, 2);
    grid->addWidget(CheckBoxAllParameterReset, 5, 0, 1, 2);
    connect(CheckBoxDrumPartProtectMode, &QCheckBox::clicked, this, [this](bool on) {
        edit("XG Drum Part Protect Mode", [on](XGEditor& x) { x.setXGValue(0x000007, on ? 1 : 0, 1); });
    });
    connect(CheckBoxAllParameterReset, &QCheckBox::clicked, this, [this](bool on) {
        edit("XG All Parameter Reset", [on](XGEditor& x) {
            if (on) {
                const int data[] = {0};
                x.setXGData(xgAllParameterResetAddress, data);
            } else {
                x.dropXGMessage(xgAllParameterResetAddress);
            }
        });
    });
    RadioGroupDrumSetupReset = new RadioGroup("Drum Setup Reset", {"0", "1", "2", "3", "None"}, Qt::Horizontal, p);
    RadioGroupDrumSetupReset->setObjectName("RadioGroupDrumSetupReset");
    RadioGroupDrumSetupReset->setItemIndex(4);
    grid->addWidget(RadioGroupDrumSetupReset, 6, 0, 1, 3);
    connect(RadioGroupDrumSetupReset, &RadioGroup::itemClicked, this, [this](int i) {
        edit("XG Drum Setup Reset", [i](XGEditor& x) { x.setXGValue(0x00007D, i, 4); });
    });
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);
}

void TXGEditor::buildEffectPages() {
    // Reverb
    {
        QWidget* p = pages_[PageReverb];
        auto* grid = new QGridLayout(p);
        ComboBoxReverbType = combo("ComboBoxReverbType", typeChoices(XGBlock::reverb), p);
        ButtonEditEffect = button("ButtonEditEffect", "Edit Parameter...", p);
        grid->addWidget(new QLabel("Reverb Type", p), 0, 0);
        grid->addWidget(ComboBoxReverbType, 0, 1);
        grid->addWidget(ButtonEditEffect, 0, 2);
        TrackBarrevreturn = addValueSlider(grid, 1, "TrackBarrevreturn", "Reverb Return", 0x02010C, 0, 127, 64);
        TrackBarRevPan = addValueSlider(grid, 2, "TrackBarRevPan", "Reverb Pan", 0x02010D, 1, 127, 64);
        grid->setRowStretch(3, 1);
        connect(ComboBoxReverbType, &QComboBox::activated, this, [this](int i) {
            const auto c = xgTypeChoices(XGBlock::reverb);
            if (i >= 0 && static_cast<size_t>(i) < c.size())
                edit("XG Reverb Type", [&](XGEditor& x) { x.setEffectType(0x020100, XGBlock::reverb, c[i].effectNumber); });
        });
        connect(ButtonEditEffect, &QPushButton::clicked, this, &TXGEditor::ButtonEditEffectClick);
    }
    // Chorus
    {
        QWidget* p = pages_[PageChorus];
        auto* grid = new QGridLayout(p);
        ComboBoxChorusType = combo("ComboBoxChorusType", typeChoices(XGBlock::chorus), p);
        ButtonEdirChorPar = button("ButtonEdirChorPar", "Edit Parameter...", p);
        grid->addWidget(new QLabel("Chorus Type", p), 0, 0);
        grid->addWidget(ComboBoxChorusType, 0, 1);
        grid->addWidget(ButtonEdirChorPar, 0, 2);
        TrackBarChorusReturn = addValueSlider(grid, 1, "TrackBarChorusReturn", "Chorus Return", 0x02012C, 0, 127, 64);
        TrackBarChorusPan = addValueSlider(grid, 2, "TrackBarChorusPan", "Chorus Pan", 0x02012D, 1, 127, 64);
        TrackBarSendChotoRet =
            addValueSlider(grid, 3, "TrackBarSendChotoRet", "Send Chorus to Reverb", 0x02012E, 0, 127, 0);
        grid->setRowStretch(4, 1);
        connect(ComboBoxChorusType, &QComboBox::activated, this, [this](int i) {
            const auto c = xgTypeChoices(XGBlock::chorus);
            if (i >= 0 && static_cast<size_t>(i) < c.size())
                edit("XG Chorus Type", [&](XGEditor& x) { x.setEffectType(0x020120, XGBlock::chorus, c[i].effectNumber); });
        });
        connect(ButtonEdirChorPar, &QPushButton::clicked, this, &TXGEditor::ButtonEdirChorParClick);
    }
    // Variation
    {
        QWidget* p = pages_[PageVariation];
        auto* grid = new QGridLayout(p);
        ComboBoxVariationType = combo("ComboBoxVariationType", typeChoices(XGBlock::variation), p);
        ButtonEdirVariation = button("ButtonEdirVariation", "Edit Parameter...", p);
        grid->addWidget(new QLabel("Variation Type", p), 0, 0);
        grid->addWidget(ComboBoxVariationType, 0, 1);
        grid->addWidget(ButtonEdirVariation, 0, 2);
        TrackBarVariationRet = addValueSlider(grid, 1, "TrackBarVariationRet", "Variation Return", 0x020156, 0, 127, 64);
        TrackBarVarPan = addValueSlider(grid, 2, "TrackBarVarPan", "Variation Pan", 0x020157, 1, 127, 64);
        TrackBarVartoReb = addValueSlider(grid, 3, "TrackBarVartoReb", "Send Variation to Reverb", 0x020158, 0, 127, 0);
        TrackBarVartoChor = addValueSlider(grid, 4, "TrackBarVartoChor", "Send Variation to Chorus", 0x020159, 0, 127, 0);
        RadioGroupConnection = new RadioGroup("Connection", {"Instertion", "System"}, Qt::Horizontal, p);
        RadioGroupConnection->setObjectName("RadioGroupConnection");
        grid->addWidget(RadioGroupConnection, 5, 0, 1, 2);
        ComboBoxVariationPart = combo("ComboBoxVariationPart", partChoices(), p);
        grid->addWidget(new QLabel("Variation Part", p), 6, 0);
        grid->addWidget(ComboBoxVariationPart, 6, 1);
        for (int i = 0; i < 5; ++i)
            VarConDepth[i] = addValueSlider(grid, 7 + i, QString("TrackBar%1VarConDepth").arg(kControlSources[i]),
                                            QString("%1 Variation Control Depth").arg(kControlSources[i]), 0x02015C + i,
                                            1, 127, 64);
        grid->setRowStretch(12, 1);
        connect(ComboBoxVariationType, &QComboBox::activated, this, [this](int i) {
            const auto c = xgTypeChoices(XGBlock::variation);
            if (i >= 0 && static_cast<size_t>(i) < c.size())
                edit("XG Variation Type",
                     [&](XGEditor& x) { x.setEffectType(0x020140, XGBlock::variation, c[i].effectNumber); });
        });
        connect(RadioGroupConnection, &RadioGroup::itemClicked, this, [this](int i) {
            edit("XG Variation Connection", [i](XGEditor& x) { x.setXGValue(0x02015A, i, 0); });
        });
        connect(ComboBoxVariationPart, &QComboBox::activated, this, [this](int i) {
            edit("XG Variation Part", [i](XGEditor& x) { x.setXGValue(0x02015B, i, 127); });
        });
        connect(ButtonEdirVariation, &QPushButton::clicked, this, &TXGEditor::ButtonEdirVariationClick);
    }
    // Insertion: the controls write to the chosen block k (03 k AL).
    {
        QWidget* p = pages_[PageInsertion];
        auto* grid = new QGridLayout(p);
        RadioGroupVarNo = new RadioGroup("Block", {"Insertion 1", "Insertion 2"}, Qt::Horizontal, p);
        RadioGroupVarNo->setObjectName("RadioGroupVarNo");
        RadioGroupVarNo->setItemIndex(0);
        grid->addWidget(RadioGroupVarNo, 0, 0, 1, 3);
        ComboBoxInsertionType = combo("ComboBoxInsertionType", typeChoices(XGBlock::variation), p);
        ButtonEditInsertion = button("ButtonEditInsertion", "Edit Parameter...", p);
        grid->addWidget(new QLabel("Insertion Type", p), 1, 0);
        grid->addWidget(ComboBoxInsertionType, 1, 1);
        grid->addWidget(ButtonEditInsertion, 1, 2);
        ComboBoxInsertionPart = combo("ComboBoxInsertionPart", partChoices(), p);
        grid->addWidget(new QLabel("Insertion Part", p), 2, 0);
        grid->addWidget(ComboBoxInsertionPart, 2, 1);
        for (int i = 0; i < 5; ++i)
            InsConDepth[i] = addSlider(grid, 3 + i, QString("TrackBar%1InsConDepth").arg(kControlSources[i]),
                                       QString("%1 Insertion Control Depth").arg(kControlSources[i]), 1, 127,
                                       [this, i](XGEditor& x, int v) {
                                           x.setXGValue(xgAddress(3, insertionBlock(), 0x0D + i), v, 64);
                                       });
        grid->setRowStretch(8, 1);
        connect(RadioGroupVarNo, &RadioGroup::itemClicked, this, [this] { loadInsertion(); });
        connect(ComboBoxInsertionType, &QComboBox::activated, this, [this](int i) {
            const auto c = xgTypeChoices(XGBlock::variation);
            const int k = insertionBlock();
            if (i >= 0 && static_cast<size_t>(i) < c.size())
                edit("XG Insertion Type",
                     [&](XGEditor& x) { x.setEffectType(xgAddress(3, k, 0), XGBlock::variation, c[i].effectNumber); });
        });
        connect(ComboBoxInsertionPart, &QComboBox::activated, this, [this](int i) {
            const int k = insertionBlock();
            edit("XG Insertion Part", [i, k](XGEditor& x) { x.setXGValue(xgAddress(3, k, 0x0C), i, 127); });
        });
        connect(ButtonEditInsertion, &QPushButton::clicked, this, &TXGEditor::ButtonEditInsertionClick);
    }
    // Multi EQ
    {
        QWidget* p = pages_[PageMultiEQ];
        auto* grid = new QGridLayout(p);
        QStringList eq;
        for (const char* n : xgEQTypeNames()) eq << n;
        ComboBoxEQType = combo("ComboBoxEQType", eq, p);
        ButtonEditMutiEQ = button("ButtonEditMutiEQ", "Edit Parameter...", p);
        grid->addWidget(new QLabel("EQ Type", p), 0, 0);
        grid->addWidget(ComboBoxEQType, 0, 1);
        grid->addWidget(ButtonEditMutiEQ, 0, 2);
        grid->setRowStretch(1, 1);
        grid->setColumnStretch(3, 1);
        connect(ComboBoxEQType, &QComboBox::activated, this, [this](int i) {
            edit("XG EQ Type", [i](XGEditor& x) { x.setXGValue(0x024000, i, 0); });
        });
        connect(ButtonEditMutiEQ, &QPushButton::clicked, this, &TXGEditor::ButtonEditMutiEQClick);
    }
}

void TXGEditor::buildPartPages() {
    {
        QWidget* p = pages_[PageMultiPart];
        auto* grid = new QGridLayout(p);
        QStringList parts;
        for (int i = 1; i <= 64; ++i) parts << QString("Part%1").arg(i);
        ComboBoxPartNo = combo("ComboBoxPartNo", parts, p);
        ButtonEditMultiPart = button("ButtonEditMultiPart", "Edit Parameter...", p);
        grid->addWidget(new QLabel("Part", p), 0, 0);
        grid->addWidget(ComboBoxPartNo, 0, 1);
        grid->addWidget(ButtonEditMultiPart, 0, 2);
        grid->setRowStretch(1, 1);
        grid->setColumnStretch(3, 1);
        connect(ButtonEditMultiPart, &QPushButton::clicked, this, &TXGEditor::ButtonEditMultiPartClick);
    }
    // Multi Part for VL: every address is 09 p AL.
    QWidget* p = pages_[PageVL];
    auto* grid = new QGridLayout(p);
    QStringList parts;
    for (int i = 1; i <= 64; ++i) parts << QString("Part%1").arg(i);
    ComboBoxVLPartNo = combo("ComboBoxVLPartNo", parts, p);
    grid->addWidget(new QLabel("Part", p), 0, 0);
    grid->addWidget(ComboBoxVLPartNo, 0, 1);
    CheckBoxNoteAssign = checkBox("CheckBoxNoteAssign", "Note Assign", p);
    CheckBoxNoteAssign->setChecked(true);
    grid->addWidget(CheckBoxNoteAssign, 1, 0, 1, 2);
    QStringList filters;
    for (int i = 1; i <= 16; ++i) filters << QString("ch%1").arg(i);
    filters << "THRU";
    ComboBoxNoteFilter = combo("ComboBoxNoteFilter", filters, p);
    ComboBoxNoteFilter->setCurrentIndex(16);
    grid->addWidget(new QLabel("Note Filter", p), 2, 0);
    grid->addWidget(ComboBoxNoteFilter, 2, 1);
    auto vlPart = [this] { return std::max(0, ComboBoxVLPartNo->currentIndex()); };
    for (int i = 0; i < 10; ++i) {
        const int row = 3 + i;
        UpDownControl[i] = new VLControlSpin(p);
        UpDownControl[i]->setObjectName(QString("UpDown%1").arg(i + 1));
        UpDownControl[i]->setRange(0, 98);
        UpDownControl[i]->setProperty("AL", 0x03 + 2 * i);
        grid->addWidget(new QLabel(kVLControls[i], p), row, 0);
        grid->addWidget(UpDownControl[i], row, 1);
        const int al = 0x03 + 2 * i;
        bindSpin(UpDownControl[i], *this, loading_, QString("XG VL %1 Control").arg(kVLControls[i]),
                 [vlPart, al](XGEditor& x, int v) { x.setXGValue(xgAddress(9, vlPart(), al), v, 0); });
        TrackBarDepth[i] = new QSlider(Qt::Horizontal, p);
        TrackBarDepth[i]->setObjectName(QString("TrackBar%1").arg(i + 4));
        TrackBarDepth[i]->setRange(0, 127);
        TrackBarDepth[i]->setProperty("AL", al + 1);
        auto* value = new QLabel(p);
        value->setMinimumWidth(36);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(TrackBarDepth[i], row, 2);
        grid->addWidget(value, row, 3);
        bindSlider(TrackBarDepth[i], *this, loading_, QString("XG VL %1 Depth").arg(kVLControls[i]),
                   [vlPart, al](XGEditor& x, int v) { x.setXGValue(xgAddress(9, vlPart(), al + 1), v, 64); },
                   [value](int v) { value->setNum(v); });
    }
    grid->setRowStretch(13, 1);
    grid->setColumnStretch(2, 1);
    connect(ComboBoxVLPartNo, &QComboBox::activated, this, [this] { loadVL(); });
    connect(CheckBoxNoteAssign, &QCheckBox::clicked, this, [this, vlPart](bool on) {
        const int part = vlPart();
        edit("XG VL Note Assign", [on, part](XGEditor& x) { x.setXGValue(xgAddress(9, part, 0x00), on ? 1 : 0, 1); });
    });
    connect(ComboBoxNoteFilter, &QComboBox::activated, this, [this, vlPart](int i) {
        const int part = vlPart();
        edit("XG VL Note Filter",
             [i, part](XGEditor& x) { x.setXGValue(xgAddress(9, part, 0x02), i >= 16 ? 127 : i, 127); });
    });
}

void TXGEditor::buildDrumPage() {
    QWidget* p = pages_[PageDrum];
    auto* grid = new QGridLayout(p);
    ComboBoxDrumSet = combo("ComboBoxDrumSet", {"Drum Set 1", "Drum Set 2", "Drum Set 3", "Drum Set 4"}, p);
    QStringList keys;
    for (const XGDrumDefault& d : xgDrumDefaults()) keys << QString::fromLatin1(d.name);
    ComboBoxNoteName = combo("ComboBoxNoteName", keys, p);
    grid->addWidget(ComboBoxDrumSet, 0, 0);
    grid->addWidget(ComboBoxNoteName, 0, 1);
    // Every control follows setXGValue with the key's own default.
    auto drum = [this](int al) {
        return [this, al](XGEditor& x, int v) {
            x.setXGValue(xgAddress(drumAH(), drumKey(), al), v, xgDrumDefault(drumKey(), al));
        };
    };
    TrackBarPitchC = addSlider(grid, 1, "TrackBarPitchC", "Pitch Coarse", 0, 127, drum(0x00));
    TrackBarPitchFine = addSlider(grid, 2, "TrackBarPitchFine", "Pitch Fine", 0, 127, drum(0x01));
    TrackBarDrumLevel = addSlider(grid, 3, "TrackBarDrumLevel", "Level", 0, 127, drum(0x02));
    QStringList groups = {"Off"};
    for (int i = 1; i <= 127; ++i) groups << QString::number(i);
    ComboBoxAltGroup = combo("ComboBoxAltGroup", groups, p);
    grid->addWidget(new QLabel("Alt. Group", p), 4, 0);
    grid->addWidget(ComboBoxAltGroup, 4, 1, Qt::AlignLeft);
    TrackBarDrumPan = addSlider(grid, 5, "TrackBarDrumPan", "Pan", 0, 127, drum(0x04));
    TrackBarRvSnd = addSlider(grid, 6, "TrackBarRvSnd", "Reverb Send", 0, 127, drum(0x05));
    TrackBarChoSnd = addSlider(grid, 7, "TrackBarChoSnd", "Chorus Send", 0, 127, drum(0x06));
    TrackBarVarSnd = addSlider(grid, 8, "TrackBarVarSnd", "Variation Send", 0, 127, drum(0x07));
    RadioGroupKeyAssign = new RadioGroup("Key Assign", {"Single", "Multi"}, Qt::Horizontal, p);
    RadioGroupKeyAssign->setObjectName("RadioGroupKeyAssign");
    grid->addWidget(RadioGroupKeyAssign, 9, 0, 1, 2);
    CheckBoxRcvNoteOff = checkBox("CheckBoxRcvNoteOff", "Rcv NoteOff", p);
    CheckBoxRdvNoteOn = checkBox("CheckBoxRdvNoteOn", "Rcv NoteOn", p);
    grid->addWidget(CheckBoxRcvNoteOff, 10, 0);
    grid->addWidget(CheckBoxRdvNoteOn, 10, 1);
    auto* buttons = new QHBoxLayout;
    ButtonEditDrum1 = button("ButtonEditDrum1", "Edit Param 1...", p);
    ButtonEditDrum2 = button("ButtonEditDrum2", "Edit Param 2...", p);
    ButtonEditDrum3 = button("ButtonEditDrum3", "Edit Param 3...", p);
    buttons->addWidget(ButtonEditDrum1);
    buttons->addWidget(ButtonEditDrum2);
    buttons->addWidget(ButtonEditDrum3);
    buttons->addStretch();
    grid->addLayout(buttons, 11, 0, 1, 3);
    grid->setRowStretch(12, 1);

    connect(ComboBoxDrumSet, &QComboBox::activated, this, [this] {
        ComboBoxNoteName->setCurrentIndex(0);
        loadDrum();
    });
    connect(ComboBoxNoteName, &QComboBox::activated, this, [this] { loadDrum(); });
    connect(ComboBoxAltGroup, &QComboBox::activated, this, [this, drum](int i) {
        edit("XG Drum Alt. Group", [&](XGEditor& x) { drum(0x03)(x, i); });
    });
    connect(RadioGroupKeyAssign, &RadioGroup::itemClicked, this, [this, drum](int i) {
        edit("XG Drum Key Assign", [&](XGEditor& x) { drum(0x08)(x, i); });
    });
    connect(CheckBoxRcvNoteOff, &QCheckBox::clicked, this, [this, drum](bool on) {
        edit("XG Drum Rcv NoteOff", [&](XGEditor& x) { drum(0x09)(x, on ? 1 : 0); });
    });
    connect(CheckBoxRdvNoteOn, &QCheckBox::clicked, this, [this, drum](bool on) {
        edit("XG Drum Rcv NoteOn", [&](XGEditor& x) { drum(0x0A)(x, on ? 1 : 0); });
    });
    connect(ButtonEditDrum1, &QPushButton::clicked, this, [this] { ButtonEditDrumClick(1); });
    connect(ButtonEditDrum2, &QPushButton::clicked, this, [this] { ButtonEditDrumClick(2); });
    connect(ButtonEditDrum3, &QPushButton::clicked, this, [this] { ButtonEditDrumClick(3); });
}

void TXGEditor::buildDisplayPage() {
    QWidget* p = pages_[PageDisplay];
    auto* grid = new QGridLayout(p);
    RadioDispSelect = new RadioGroup("Display", {"Letter", "Graphic"}, Qt::Horizontal, p);
    RadioDispSelect->setObjectName("RadioDispSelect");
    RadioDispSelect->setItemIndex(0);
    grid->addWidget(RadioDispSelect, 0, 0, 1, 4);
    EditLetter = new QLineEdit(p);
    EditLetter->setObjectName("EditLetter");
    EditLetter->setMaxLength(xgMaxLetters);
    // Only what the module's display can show: printable ASCII.
    EditLetter->setValidator(new QRegularExpressionValidator(QRegularExpression("[\\x20-\\x7E]{0,32}"), EditLetter));
    EditLetter->setToolTip("Up to 32 letters (space to ~)");
    grid->addWidget(new QLabel("Letters", p), 1, 0);
    grid->addWidget(EditLetter, 1, 1, 1, 3);
    Image1 = new XGBitmapView(p);
    Image1->setObjectName("Image1");
    grid->addWidget(Image1, 2, 0, 3, 2, Qt::AlignLeft | Qt::AlignTop);
    LoadBitmap = button("LoadBitmap", "Load Bitmap", p);
    PasteImage = button("PasteImage", "Paste Image", p);
    auto* clear = button("ClearImage", "Clear", p);
    grid->addWidget(LoadBitmap, 2, 2);
    grid->addWidget(PasteImage, 3, 2);
    grid->addWidget(clear, 4, 2, Qt::AlignTop);
    auto* at = new QHBoxLayout;
    EditBar = numberField("EditBar", 1, 999999, p);
    EditBeat = numberField("EditBeat", 1, 999, p);
    EditTick = numberField("EditTick", 0, 999999, p);
    EditBar->setText("1");
    EditBeat->setText("1");
    EditTick->setText("0");
    at->addWidget(new QLabel("Bar", p));
    at->addWidget(EditBar);
    at->addWidget(new QLabel("Beat", p));
    at->addWidget(EditBeat);
    at->addWidget(new QLabel("Tick", p));
    at->addWidget(EditTick);
    at->addStretch();
    grid->addLayout(at, 5, 0, 1, 4);
    auto* commands = new QHBoxLayout;
    NewDisp = button("NewDisp", "New", p);
    GetDispList = button("GetDispList", "Get", p);
    SetDispList = button("SetDispList", "Set", p);
    DeleteDisp = button("DeleteDisp", "Delete", p);
    for (QPushButton* b : {NewDisp, GetDispList, SetDispList, DeleteDisp}) commands->addWidget(b);
    commands->addStretch();
    grid->addLayout(commands, 6, 0, 1, 4);
    ListBoxDisplay = new QListWidget(p);
    ListBoxDisplay->setObjectName("ListBoxDisplay");
    grid->addWidget(ListBoxDisplay, 7, 0, 1, 4);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(3, 1);

    connect(RadioDispSelect, &RadioGroup::itemClicked, this, &TXGEditor::updateActions);
    connect(EditLetter, &QLineEdit::textChanged, this, &TXGEditor::updateActions);
    for (QLineEdit* e : {EditBar, EditBeat, EditTick}) connect(e, &QLineEdit::textChanged, this, &TXGEditor::updateActions);
    connect(LoadBitmap, &QPushButton::clicked, this, &TXGEditor::LoadBitmapClick);
    connect(PasteImage, &QPushButton::clicked, this, &TXGEditor::PasteImageClick);
    connect(clear, &QPushButton::clicked, this, [this] { Image1->setPicture({}); });
    connect(NewDisp, &QPushButton::clicked, this, &TXGEditor::NewDispClick);
    connect(GetDispList, &QPushButton::clicked, this, &TXGEditor::GetDispListClick);
    connect(SetDispList, &QPushButton::clicked, this, &TXGEditor::SetDispListClick);
    connect(DeleteDisp, &QPushButton::clicked, this, &TXGEditor::DeleteDispClick);
    connect(ListBoxDisplay, &QListWidget::currentRowChanged, this, &TXGEditor::updateActions);
    connect(ListBoxDisplay, &QListWidget::itemDoubleClicked, this, &TXGEditor::GetDispListClick);
}

// ---- the song's editor and its steps ---------------------------------------------------------------

XGEditor* TXGEditor::xg() {
    midiSong* s = context().song();
    if (!s) {
        xg_.reset();
        xgSong_ = nullptr;
        return nullptr;
    }
    if (!xg_ || xgSong_ != s) {
        xg_ = std::make_unique<XGEditor>(*s);
        xgSong_ = s;
        xg_->send = [this](std::span<const uint8_t> m) {
            // Without an open port the output layer sends nothing and says nothing.
            if (MidiDevice* d = context().device()) d->sendLong(m);
        };
        xg_->onReplace = [this](const sysexEvent* before, sysexEvent* after) {
            if (!after) return;
            if (before) {
                auto it = checks_.find(before->serial);
                if (it != checks_.end()) checks_[after->serial] = it.value();
            } else {
                // A message the window makes is checked when it lies in the first bar.
                checks_[after->serial] = after->bar == 0;
            }
        };
    }
    const int t = ComboBoxTargTrack->currentData().isValid() ? ComboBoxTargTrack->currentData().toInt() : 0;
    xg_->targetTrack = t;
    return xg_.get();
}

void TXGEditor::edit(const QString& label, const std::function<void(XGEditor&)>& change) {
    XGEditor* x = xg();
    if (!x || loading_) return;
    if (!dragging_) x->beginStep(label.toStdString());
    try {
        change(*x);
    } catch (const MidiError& e) {
        context().reportError(QString::fromStdString(e.what()));
    }
    if (!dragging_) {
        stepDone(label, x->endStep());
        context().songEdited();
    }
}

void TXGEditor::beginDrag(const QString& label) {
    XGEditor* x = xg();
    if (!x) return;
    x->beginStep(label.toStdString());
    dragging_ = true;
    dragLabel_ = label;
}

void TXGEditor::endDrag() {
    if (!dragging_) return;
    dragging_ = false;
    if (xg_) stepDone(dragLabel_, xg_->endStep());
    context().songEdited();
}

void TXGEditor::stepDone(const QString& label, std::vector<int> tracks) {
    if (tracks.empty()) return;
    steps_.push_back({label, std::move(tracks)});
    // A long session keeps its recent steps; older ones stay in the tracks' own undo.
    if (steps_.size() > 200) steps_.erase(steps_.begin());
}

bool TXGEditor::undoable(const XGStep& step) const {
    midiSong* s = context().song();
    if (!s) return false;
    for (int t : step.tracks)
        if (t < s->trackCount() && s->track(t)->undoCount() != 0 &&
            QString::fromStdString(s->track(t)->undoLabel()) == step.label)
            return true;
    return false;
}

void TXGEditor::UndoExecute() {
    while (!steps_.empty()) {
        const XGStep step = steps_.back();
        steps_.pop_back();
        if (!undoable(step)) continue;
        midiSong* s = context().song();
        for (int t : step.tracks)
            if (t < s->trackCount() && s->track(t)->undoCount() != 0 &&
                QString::fromStdString(s->track(t)->undoLabel()) == step.label)
                context().undo(t);
        break;
    }
    updateActions();
}

// ---- lists, target track, Arrange -----------------------------------------------------------------

void TXGEditor::songReplaced() {
    dragging_ = false;
    xg_.reset();
    xgSong_ = nullptr;
    checks_.clear();
    steps_.clear();
    startEdited_ = offsetEdited_ = false;
    ListBox1->clear();
    ListBoxDisplay->clear();
    ComboBoxTargTrack->clear();
}

void TXGEditor::fillTargetTracks() {
    midiSong* s = context().song();
    QStringList names;
    if (s) {
        const int n = s->format == 0 ? std::min(1, s->trackCount()) : s->trackCount();
        for (int i = 0; i < n; ++i)
            names << QString("%1: %2").arg(i).arg(fromSongLine(s->track(i)->name, s->textEncoding));
    }
    QStringList now;
    for (int i = 0; i < ComboBoxTargTrack->count(); ++i) now << ComboBoxTargTrack->itemText(i);
    if (now == names) return;
    const int keep = ComboBoxTargTrack->currentIndex();
    QSignalBlocker block(ComboBoxTargTrack);
    ComboBoxTargTrack->clear();
    for (int i = 0; i < names.size(); ++i) ComboBoxTargTrack->addItem(names[i], i);
    ComboBoxTargTrack->setCurrentIndex(keep >= 0 && keep < names.size() ? keep : 0);
}

void TXGEditor::rebuildLists() {
    midiSong* s = context().song();
    const uint32_t keptMessage = ListBox1->currentItem() ? ListBox1->currentItem()->data(Qt::UserRole + 1).toUInt() : 0;
    const int keptDisplay = ListBoxDisplay->currentRow();
    QSignalBlocker b1(ListBox1), b2(ListBoxDisplay);
    ListBox1->clear();
    ListBoxDisplay->clear();
    if (!s) return;
    const XGListItems items = xgListItems(*s);
    for (const XGListItem& i : items.messages) {
        auto* item = new QListWidgetItem(QString::fromLatin1(i.text.c_str()), ListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(i.message)));
        item->setData(Qt::UserRole + 1, i.message->serial);
        const auto own = checks_.find(i.message->serial);
        item->setCheckState((own != checks_.end() ? own.value() : i.checked) ? Qt::Checked : Qt::Unchecked);
        if (keptMessage != 0 && i.message->serial == keptMessage) ListBox1->setCurrentItem(item);
    }
    for (const XGListItem& i : items.display) {
        auto* item = new QListWidgetItem(QString::fromLatin1(i.text.c_str()), ListBoxDisplay);
        item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(i.message)));
    }
    if (keptDisplay >= 0 && ListBoxDisplay->count() > 0)
        ListBoxDisplay->setCurrentRow(std::min(keptDisplay, ListBoxDisplay->count() - 1));
}

sysexEvent* TXGEditor::messageAt(int row) const {
    QListWidgetItem* item = ListBox1->item(row);
    return item ? reinterpret_cast<sysexEvent*>(item->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

sysexEvent* TXGEditor::selectedDisplay() const {
    QListWidgetItem* item = ListBoxDisplay->currentItem();
    return item ? reinterpret_cast<sysexEvent*>(item->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

void TXGEditor::updateArrangeFields() {
    midiSong* s = context().song();
    if (!s) {
        StaticTextsysExRange->clear();
        return;
    }
    const XGArrangeFields f = xgArrangeDefaults(*s);
    if (!startEdited_) EditsysExStart->setText(QString::number(f.start));
    if (!offsetEdited_) EditsysExOffset->setText(QString::number(f.offset));
    const long long start = EditsysExStart->text().toLongLong(), offset = EditsysExOffset->text().toLongLong();
    const int n = std::max(ListBox1->count() - 1, 0);
    StaticTextsysExRange->setText(QString("Range = %1 - %2").arg(start).arg(offset * n + start));
    updateActions();
}

void TXGEditor::ComboBoxTargTrackChange(int index) {
    const int track = ComboBoxTargTrack->itemData(index).toInt();
    edit("XG Target Track", [track](XGEditor& x) {
        x.targetTrack = track;
        x.moveToTrack(track);
    });
}

void TXGEditor::ArrangeExecute() {
    bool okStart = false, okOffset = false;
    const int start = EditsysExStart->text().toInt(&okStart);
    const int offset = EditsysExOffset->text().toInt(&okOffset);
    if (!okStart || !okOffset || ListBox1->count() == 0) return;
    std::unordered_set<const sysexEvent*> checked;
    for (int i = 0; i < ListBox1->count(); ++i)
        if (ListBox1->item(i)->checkState() == Qt::Checked) checked.insert(messageAt(i));
    edit("Arrange SysEx", [&](XGEditor& x) {
        x.arrange(start, offset, [&](const sysexEvent& e) { return checked.count(&e) != 0; });
    });
}

void TXGEditor::refreshFromEditor() {
    midiSong* s = context().song();
    setEnabled(s != nullptr);
    if (!s) {
        songReplaced();
        updateActions();
        return;
    }
    fillTargetTracks();
    rebuildLists();
    if (!dragging_) loadPage(PageControl->currentIndex(), false);
    updateArrangeFields();
    updateActions();
}

void TXGEditor::showEvent(QShowEvent* event) {
    // Each opening starts from the first drum key, drum set, alternate group and parts, and
    // from the track that holds the song's first system exclusive message.
    for (QComboBox* c : {ComboBoxDrumSet, ComboBoxNoteName, ComboBoxAltGroup, ComboBoxPartNo, ComboBoxVLPartNo})
        c->setCurrentIndex(0);
    fillTargetTracks();
    if (midiSong* s = context().song()) {
        int holder = 0;
        if (!s->sysexEvents.empty())
            if (midiTrack* t = s->trackOf(s->sysexEvents.front()))
                for (int i = 0; i < s->trackCount(); ++i)
                    if (s->track(i) == t) holder = i;
        const int at = ComboBoxTargTrack->findData(holder);
        ComboBoxTargTrack->setCurrentIndex(at >= 0 ? at : 0);
    }
    ToolWindow::showEvent(event);
    if (PageControl->currentIndex() == PageSystem) loadSystem(true);
}

void TXGEditor::updateActions() {
    midiSong* s = context().song();
    const bool song = s != nullptr;
    const bool position = positionFilled();
    const bool letters = RadioDispSelect->itemIndex() == 0;
    const bool content = letters ? !EditLetter->text().isEmpty() : true;
    const bool selected = selectedDisplay() != nullptr;
    NewDisp->setEnabled(song && position && content);
    GetDispList->setEnabled(song && selected);
    SetDispList->setEnabled(song && selected && position && content);
    DeleteDisp->setEnabled(song && selected);
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    PasteImage->setEnabled(clip && clip->hasImage());
    bool okStart = false, okOffset = false;
    EditsysExStart->text().toInt(&okStart);
    EditsysExOffset->text().toInt(&okOffset);
    ArrangeButton->setEnabled(song && ListBox1->count() > 0 && okStart && okOffset);
    // Steps undone or saved elsewhere are no longer the window's to undo.
    while (!steps_.empty() && !undoable(steps_.back())) steps_.pop_back();
    UndoButton->setEnabled(song && !steps_.empty() && !context().playing());
    UndoButton->setToolTip(steps_.empty() ? QString("Undo") : "Undo <" + steps_.back().label + ">");
}
