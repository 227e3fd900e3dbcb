#include "optiondialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "prompts.h"
#include "radiogroup.h"
#include "settings/preffile.h"

using tonvela::Options;

namespace {

QSpinBox* spin(QWidget* parent, const QString& name, int low, int high) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(low, high);
    return s;
}

}  // namespace

QCheckBox* TOption::check(const QString& name, const QString& caption) {
    auto* c = new QCheckBox(caption, this);
    c->setObjectName(name);
    return c;
}

TOption::TOption(const QString& settingsFolder, QWidget* parent)
    : QDialog(parent), settingsFolder_(settingsFolder) {
    setObjectName("Option");
    setWindowTitle("Option");

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");

    // ---- General
    auto* general = new QWidget;
    general->setObjectName("TabGeneral");
    LabelHistoryCt = new QLabel("File History Count", general);
    UpDownHistoryCt = spin(general, "UpDownHistoryCt", 1, 100);
    auto* dispLabel = new QLabel("Realtime Display Interval", general);
    DispInterval = new QLineEdit(general);
    DispInterval->setObjectName("DispInterval");
    DispInterval->setMaximumWidth(80);
    MakeBackup = check("MakeBackup", "MakeBackup");
    Extension = new RadioGroup(
        "Extension", {".BAK", ".XXX(000,001,...)", "XXX000.mid , XXX001.mid , ..."}, Qt::Vertical,
        general);
    Extension->setObjectName("Extension");
    MIDIErrorSound = check("MIDIErrorSound", "MIDI Error Sound");
    {
        auto* grid = new QGridLayout(general);
        grid->addWidget(LabelHistoryCt, 0, 0);
        grid->addWidget(UpDownHistoryCt, 0, 1);
        grid->addWidget(dispLabel, 1, 0);
        auto* row = new QHBoxLayout;
        row->addWidget(DispInterval);
        row->addWidget(new QLabel("ms", general));
        row->addStretch();
        grid->addLayout(row, 1, 1);
        grid->addWidget(MakeBackup, 2, 0, 1, 2);
        grid->addWidget(Extension, 3, 0, 1, 2);
        grid->addWidget(MIDIErrorSound, 4, 0, 1, 2);
        grid->setRowStretch(5, 1);
    }
    PageControl->addTab(general, "General");

    // ---- Data Check
    auto* data = new QWidget;
    data->setObjectName("TabDataCheck");
    DeleteDuplicatedNote = check("DeleteDuplicatedNote", "Detect NoteON Doubling");
    DetectShortDuraion = check("DetectShortDuraion", "Detect Too Short Duration");
    UpDown1 = spin(data, "UpDown1", 1, 100);
    DetectIllegalVel = check("DetectIllegalVel", "Detect Illegal Velocity");
    UpDown2 = spin(data, "UpDown2", 1, 127);
    UpDown3 = spin(data, "UpDown3", 1, 127);
    DetectSametimeonoff = check("DetectSametimeonoff", "Detect Same time NoteON and OFF");
    DetectSameControlValue = check("DetectSameControlValue", "Detect Same Control Value");
    DetectSynchronousNoteON = check("DetectSynchronousNoteON", "Detect Synchronous NoteON");
    DetectSameBendValue = check("DetectSameBendValue", "Detect Same Bend Value");
    DetectInvalidDataEntry = check("DetectInvalidDataEntry", "Detect Invalid Data Entry");
    DetectSynchronousControl = check("DetectSynchronousControl", "Detect Synchronous Control");
    DetectSynchronousPitchBend = check("DetectSynchronousPitchBend", "Detect Synchronous PitchBend");
    CheckInitial = check("CheckInitial", "Skip Initial Control");
    DetectNoteOnandOtherEvent =
        check("DetectNoteOnandOtherEvent", "Detect NoteOn and OtherEvent on Same Tick");
    NoteonWhileVol0 = check("NoteonWhileVol0", "Detect NoteOn While Volume 0");
    InvalidOnOff = check("InvalidOnOff", "Detect Invalid On/Off switch");
    NonefctPB = check("NonefctPB", "Detect PitchBend while Note-Off");
    IneffectivePitchbend = check("IneffectivePitchbend", "Detect ineffective PitchBend");
    {
        auto* grid = new QGridLayout(data);
        int r = 0;
        auto add = [&](QWidget* w, QWidget* beside = nullptr) {
            grid->addWidget(w, r, 0);
            if (beside) grid->addWidget(beside, r, 1);
            ++r;
        };
        add(DeleteDuplicatedNote);
        add(DetectShortDuraion, UpDown1);
        auto* velo = new QWidget(data);
        auto* veloRow = new QHBoxLayout(velo);
        veloRow->setContentsMargins(0, 0, 0, 0);
        veloRow->addWidget(UpDown2);
        veloRow->addWidget(new QLabel(" - ", velo));
        veloRow->addWidget(UpDown3);
        add(DetectIllegalVel, velo);
        add(DetectSametimeonoff);
        add(DetectSameControlValue, CheckInitial);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 DetectSynchronousNoteON, DetectSameBendValue, DetectInvalidDataEntry,
                 DetectSynchronousControl, DetectSynchronousPitchBend, DetectNoteOnandOtherEvent,
                 NoteonWhileVol0, InvalidOnOff, NonefctPB, IneffectivePitchbend})
            add(w);
        grid->setRowStretch(r, 1);
    }
    PageControl->addTab(data, "Data Check");

    // ---- Copyright
    auto* copyright = new QWidget;
    copyright->setObjectName("TabCopyright");
    {
        auto* form = new QFormLayout(copyright);
        QLineEdit** edits[] = {&EditName1, &EditName2, &EditName3};
        for (int i = 0; i < 3; ++i) {
            *edits[i] = new QLineEdit(copyright);
            (*edits[i])->setObjectName(QString("EditName%1").arg(i + 1));
            form->addRow(QString("Name %1").arg(i + 1), *edits[i]);
        }
    }
    PageControl->addTab(copyright, "Copyright");
    pages_ = {general, data, copyright};

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    OkButton = new QPushButton("Ok", this);
    OkButton->setObjectName("OkButton");
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addWidget(OkButton, 0, Qt::AlignRight);
    layout->addWidget(StatusBar1);

    // Control rules: a detection switch enables its limits, MakeBackup its extension.
    auto enables = [](QCheckBox* box, std::initializer_list<QWidget*> targets) {
        connect(box, &QCheckBox::toggled, box, [targets = std::vector<QWidget*>(targets)](bool on) {
            for (QWidget* w : targets) w->setEnabled(on);
        });
    };
    enables(DetectShortDuraion, {UpDown1});
    enables(DetectIllegalVel, {UpDown2, UpDown3});
    enables(DetectSameControlValue, {CheckInitial});
    enables(MakeBackup, {Extension});
    connect(DispInterval, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString fixed =
            QString::fromStdString(tonvela::normalizedDispInterval(text.toStdString()));
        if (fixed != text) DispInterval->setText(fixed);
    });

    setHint(LabelHistoryCt, "過去にオープンしたファイルの履歴の個数を設定します。");
    setHint(MakeBackup, "上書き保存の時にバックアップファイルを作ります。");
    setHint(MIDIErrorSound, "エラー音をMIDIで鳴らします。");
    setHint(DeleteDuplicatedNote, "発音中のノートに対する重複したノートオンを検出します。");
    setHint(DetectShortDuraion, "指定したティックより短いノートを検出します。");
    setHint(DetectIllegalVel, "指定した範囲のベロシティを不正とみなし、検出します。");
    setHint(DetectSametimeonoff, "同一ティックにある同じノートに対するNoteON＋OFFを検出します。");
    setHint(DetectSameControlValue, "現在と同じ値のコントロールチェンジを検出します。");
    setHint(DetectSynchronousNoteON, "同一ティックで始まる同じノートを検出します。");
    setHint(DetectSameBendValue, "現在と同じ値のピッチベンドを検出します。");
    setHint(DetectInvalidDataEntry, "アドレス指定のないデータエントリを検出します。");
    setHint(DetectSynchronousControl, "同一ティックである同じコントロールを検出します。");
    setHint(DetectSynchronousPitchBend, "同一ティックであるピッチベンドを検出します。");
    setHint(DetectNoteOnandOtherEvent,
            "同一ティックにノートオンとコントロール／ピッチベンドがあるケースを検出します。");
    setHint(NoteonWhileVol0, "ボリュームが０の位置にあるノートオンを検出します");
    setHint(InvalidOnOff, "0,127以外のスイッチを検出します");
    setHint(NonefctPB, "無発音時の無効なピッチベンドを検出します");
    setHint(IneffectivePitchbend, "変化が１セントより小さいピッチベンドを検出します");
    for (QLineEdit* e : {EditName1, EditName2, EditName3}) setHint(e, "著作権情報を登録します");
    for (QObject* page : pages_) page->installEventFilter(this);

    setOptions(Options{});
    readPrefs();
}

TOption::~TOption() { writePrefs(); }

void TOption::setHint(QWidget* control, const char* utf8Hint) {
    // The Japanese hint is the source text; other locales see its English translation.
    hints_.insert(control, QCoreApplication::translate("TOption", utf8Hint));
    control->installEventFilter(this);
}

bool TOption::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        auto it = hints_.constFind(watched);
        if (it != hints_.constEnd())
            StatusBar1->showMessage(*it);
        else if (pages_.contains(watched))
            StatusBar1->clearMessage();
    }
    return QDialog::eventFilter(watched, event);
}

void TOption::showPage(Page page) {
    PageControl->setCurrentIndex(page);
    prompts().execDialog(this);
}

void TOption::done(int result) {
    options_ = fromControls();
    QDialog::done(result);
    Q_EMIT optionsChanged();
}

Options TOption::fromControls() const {
    Options o;
    o.historyCount = UpDownHistoryCt->value();
    o.dispInterval = DispInterval->text().toStdString();
    o.makeBackup = MakeBackup->isChecked();
    o.extension = std::max(Extension->itemIndex(), 0);
    o.midiErrorSound = MIDIErrorSound->isChecked();
    o.deleteDuplicatedNote = DeleteDuplicatedNote->isChecked();
    o.detectShortDuraion = DetectShortDuraion->isChecked();
    o.minimumDur = UpDown1->value();
    o.detectIllegalVel = DetectIllegalVel->isChecked();
    o.illegalVeloMin = UpDown2->value();
    o.illegalVeloMax = UpDown3->value();
    o.detectSametimeonoff = DetectSametimeonoff->isChecked();
    o.detectSameControlValue = DetectSameControlValue->isChecked();
    o.detectSynchronousNoteON = DetectSynchronousNoteON->isChecked();
    o.detectSameBendValue = DetectSameBendValue->isChecked();
    o.detectInvalidDataEntry = DetectInvalidDataEntry->isChecked();
    o.detectSynchronousControl = DetectSynchronousControl->isChecked();
    o.detectSynchronousPitchBend = DetectSynchronousPitchBend->isChecked();
    o.checkInitial = CheckInitial->isChecked();
    o.detectNoteOnandOtherEvent = DetectNoteOnandOtherEvent->isChecked();
    o.noteonWhileVol0 = NoteonWhileVol0->isChecked();
    o.invalidOnOff = InvalidOnOff->isChecked();
    o.nonefctPB = NonefctPB->isChecked();
    o.ineffectivePitchbend = IneffectivePitchbend->isChecked();
    o.editName1 = EditName1->text().toStdString();
    o.editName2 = EditName2->text().toStdString();
    o.editName3 = EditName3->text().toStdString();
    return o;
}

void TOption::setOptions(const Options& o) {
    UpDownHistoryCt->setValue(o.historyCount);
    DispInterval->setText(QString::fromStdString(o.dispInterval));
    MakeBackup->setChecked(o.makeBackup);
    Extension->setItemIndex(o.extension);
    MIDIErrorSound->setChecked(o.midiErrorSound);
    DeleteDuplicatedNote->setChecked(o.deleteDuplicatedNote);
    DetectShortDuraion->setChecked(o.detectShortDuraion);
    UpDown1->setValue(o.minimumDur);
    DetectIllegalVel->setChecked(o.detectIllegalVel);
    UpDown2->setValue(o.illegalVeloMin);
    UpDown3->setValue(o.illegalVeloMax);
    DetectSametimeonoff->setChecked(o.detectSametimeonoff);
    DetectSameControlValue->setChecked(o.detectSameControlValue);
    DetectSynchronousNoteON->setChecked(o.detectSynchronousNoteON);
    DetectSameBendValue->setChecked(o.detectSameBendValue);
    DetectInvalidDataEntry->setChecked(o.detectInvalidDataEntry);
    DetectSynchronousControl->setChecked(o.detectSynchronousControl);
    DetectSynchronousPitchBend->setChecked(o.detectSynchronousPitchBend);
    CheckInitial->setChecked(o.checkInitial);
    DetectNoteOnandOtherEvent->setChecked(o.detectNoteOnandOtherEvent);
    NoteonWhileVol0->setChecked(o.noteonWhileVol0);
    InvalidOnOff->setChecked(o.invalidOnOff);
    NonefctPB->setChecked(o.nonefctPB);
    IneffectivePitchbend->setChecked(o.ineffectivePitchbend);
    EditName1->setText(QString::fromStdString(o.editName1));
    EditName2->setText(QString::fromStdString(o.editName2));
    EditName3->setText(QString::fromStdString(o.editName3));
    // The enable rules follow the switches also when they are set by the program.
    UpDown1->setEnabled(o.detectShortDuraion);
    UpDown2->setEnabled(o.detectIllegalVel);
    UpDown3->setEnabled(o.detectIllegalVel);
    CheckInitial->setEnabled(o.detectSameControlValue);
    Extension->setEnabled(o.makeBackup);
    // What the controls show after their own rules (DispInterval rewrites a negative text).
    options_ = fromControls();
}

void TOption::readPrefs() {
    const QString path = settingsFolder_ + "option.prf";
    auto lines = tonvela::readPrefLines(path.toStdString());
    if (!lines) return;
    Options o = options();
    tonvela::DialogPosition pos;
    switch (tonvela::readOptionPrefs(*lines, o, pos)) {
    case tonvela::OptionPrefsStatus::NewerVersion:
        prompts().message(nullptr, QMessageBox::Warning, tonvela::kNewerOptionVersion,
                          QMessageBox::Ok);
        return;
    case tonvela::OptionPrefsStatus::Unreadable:
        // A damaged file is replaced at the end of the run; the defaults stand meanwhile.
        return;
    case tonvela::OptionPrefsStatus::Read:
    case tonvela::OptionPrefsStatus::Short:
        break;
    }
    setOptions(o);
    if (pos.known) move(pos.left, pos.top);
}

void TOption::writePrefs() {
    const QString path = settingsFolder_ + "option.prf";
    try {
        tonvela::writePrefLines(
            path.toStdString(),
            tonvela::formatOptionPrefs(options(), y(), x(), width(), height()));
    } catch (const std::exception&) {
        // Settings that cannot be written are lost for the next run only; nothing to report at exit.
    }
}
