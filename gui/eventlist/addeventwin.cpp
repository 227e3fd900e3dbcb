#include "eventlist/addeventwin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "intinputwin.h"
#include "song/midispec.h"

using namespace tonvela;

namespace {

// Lets only digits (and, when asked, a minus sign) through as typed characters; backspace and
// keys that type nothing (arrows, Delete, Tab) pass.
class DigitKeys : public QObject {
public:
    DigitKeys(QObject* parent, bool minus) : QObject(parent), minus_(minus) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.isEmpty() || text == "\b") return false;
        for (QChar c : text) {
            if (c.isDigit() && c.unicode() < 128) continue;
            if (minus_ && c == '-') continue;
            if (c.unicode() < 0x20) continue;  // Enter, Tab, ...
            return true;
        }
        return false;
    }

private:
    bool minus_;
};

QLineEdit* numberEdit(const QString& name, const QString& text, QWidget* parent, bool digitsOnly, bool minus = false) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    if (digitsOnly) e->installEventFilter(new DigitKeys(e, minus));
    return e;
}

QSpinBox* upDown(const QString& name, int min, int max, int value, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

// Page indexes of EventType, in the order of tonvela::EventPage.
int pageIndex(EventPage p) { return static_cast<int>(p); }

}  // namespace

TAddEvent::TAddEvent(Mode mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    setObjectName("AddEvent");
    setWindowTitle(mode == Mode::add ? "Add Event" : "Edit Event");

    FromBar = numberEdit("FromBar", "1", this, true);
    FromBeat = numberEdit("FromBeat", "1", this, true);
    FromTickEdit = numberEdit("FromTickEdit", "0", this, true);
    ChannelUpDown2 = upDown("ChannelUpDown2", 1, 16, 1, this);
    Channel = ChannelUpDown2->findChild<QLineEdit*>();
    Channel->setObjectName("Channel");
    Add = new QPushButton(mode == Mode::add ? "Add" : "Modify", this);
    Add->setObjectName("Add");
    Add->setDefault(true);
    CloseButton1 = new QPushButton("Close", this);
    CloseButton1->setObjectName("CloseButton1");

    EventType = new QTabWidget(this);
    EventType->setObjectName("EventType");
    EventType->setUsesScrollButtons(false);  // every page tab in sight
    EventType->addTab(buildNotePage(), "Note");
    EventType->addTab(buildControlPage(), "Control Change");
    EventType->addTab(buildProgramPage(), "Program Change");
    EventType->addTab(buildPitchBendPage(), "PitchBend");
    EventType->addTab(new QWidget(this), "sysEx");
    EventType->addTab(buildMetaPage(), "MetaEvent");
    auto* cantEdit = new QWidget(this);
    CantEditLabel = new QLabel("Can't modify", cantEdit);
    CantEditLabel->setObjectName("CantEditLabel");
    (new QVBoxLayout(cantEdit))->addWidget(CantEditLabel, 0, Qt::AlignCenter);
    EventType->addTab(cantEdit, "Can't Edit");
    EventType->setTabVisible(pageIndex(EventPage::sysex), false);
    EventType->setTabVisible(pageIndex(EventPage::cantEdit), false);

    auto* position = new QHBoxLayout;
    position->addWidget(new QLabel("Time", this));
    for (QLineEdit* e : {FromBar, FromBeat, FromTickEdit}) {
        e->setMaximumWidth(70);
        position->addWidget(e);
    }
    position->addSpacing(16);
    position->addWidget(new QLabel("Channel", this));
    position->addWidget(ChannelUpDown2);
    position->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Add);
    buttons->addWidget(CloseButton1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(position);
    layout->addWidget(EventType);
    layout->addLayout(buttons);

    connect(Add, &QPushButton::clicked, this, &TAddEvent::AddClick);
    connect(CloseButton1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Channel, &QLineEdit::textChanged, this, &TAddEvent::updateAddButton);
    connect(EventType, &QTabWidget::currentChanged, this, [this] {
        // The channel means nothing to a system exclusive event.
        ChannelUpDown2->setEnabled(channelUsed_ && page() != EventPage::sysex);
        updateAddButton();
    });
    updateAddButton();
}

QWidget* TAddEvent::buildNotePage() {
    auto* page = new QWidget(this);
    NoteUpDown3 = upDown("NoteUpDown3", 0, 127, 1, page);
    Edit1 = NoteUpDown3->findChild<QLineEdit*>();
    Edit1->setObjectName("Edit1");
    NoteName = new QLabel(page);
    NoteName->setObjectName("NoteName");
    VelocityEdit1 = numberEdit("VelocityEdit1", "1", page, true);
    DurationEdit1 = numberEdit("DurationEdit1", "1", page, true);
    auto* key = new QHBoxLayout;
    key->addWidget(NoteUpDown3);
    key->addWidget(NoteName);
    key->addStretch();
    auto* form = new QFormLayout(page);
    form->addRow("Note", key);
    form->addRow("Velocity", VelocityEdit1);
    form->addRow("Duration", DurationEdit1);
    connect(NoteUpDown3, &QSpinBox::valueChanged, this, &TAddEvent::showNoteName);
    showNoteName();
    return page;
}

QWidget* TAddEvent::buildControlPage() {
    auto* page = new QWidget(this);
    ControlNoComboBox = new QComboBox(page);
    ControlNoComboBox->setObjectName("ControlNoComboBox");
    for (const std::string& name : MIDISpec::controllerNames()) ControlNoComboBox->addItem(QString::fromStdString(name));
    ControlNoComboBox->setMaxVisibleItems(24);
    ControlValEdit2 = numberEdit("ControlValEdit2", "1", page, true);
    auto* form = new QFormLayout(page);
    form->addRow("Control No.", ControlNoComboBox);
    form->addRow("Control Val.", ControlValEdit2);
    return page;
}

QWidget* TAddEvent::buildProgramPage() {
    auto* page = new QWidget(this);
    ProgramNoComboBox1 = new QComboBox(page);
    ProgramNoComboBox1->setObjectName("ProgramNoComboBox1");
    for (int p = 0; p < 128; ++p) ProgramNoComboBox1->addItem(QString::fromStdString(MIDISpec::programName(p)));
    ProgramNoComboBox1->setMaxVisibleItems(24);
    BankSelectMSBCheckBox1 = new QCheckBox("Bank Select MSB", page);
    BankSelectMSBCheckBox1->setObjectName("BankSelectMSBCheckBox1");
    MSBValEdit1 = numberEdit("MSBValEdit1", "0", page, false);
    // Digits only as typed, but the offset's own default is negative: the minus sign is let in.
    MSBOffsetEdit1 = numberEdit("MSBOffsetEdit1", "-10", page, true, true);
    BankSelectLSBCheckBox1 = new QCheckBox("Bank Select LSB", page);
    BankSelectLSBCheckBox1->setObjectName("BankSelectLSBCheckBox1");
    LSBValEdit2 = numberEdit("LSBValEdit2", "0", page, false);
    LSBOffsetEdit1 = numberEdit("LSBOffsetEdit1", "-5", page, false);
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Program No.", page), 0, 0);
    grid->addWidget(ProgramNoComboBox1, 0, 1, 1, 4);
    grid->addWidget(new QLabel("Value", page), 1, 1);
    grid->addWidget(new QLabel("Offset", page), 1, 3);
    grid->addWidget(BankSelectMSBCheckBox1, 2, 0);
    grid->addWidget(MSBValEdit1, 2, 1);
    grid->addWidget(MSBOffsetEdit1, 2, 3);
    grid->addWidget(BankSelectLSBCheckBox1, 3, 0);
    grid->addWidget(LSBValEdit2, 3, 1);
    grid->addWidget(LSBOffsetEdit1, 3, 3);
    grid->setColumnStretch(4, 1);
    return page;
}

QWidget* TAddEvent::buildPitchBendPage() {
    auto* page = new QWidget(this);
    PitchBendEdit1 = numberEdit("PitchBendEdit1", "0", page, false);
    auto* form = new QFormLayout(page);
    form->addRow("Value", PitchBendEdit1);
    return page;
}

QWidget* TAddEvent::buildMetaPage() {
    auto* page = new QWidget(this);
    MetaType = new QComboBox(page);
    MetaType->setObjectName("MetaType");
    MetaType->addItems({"Marker", "Text", "Lyric", "Queue Point"});
    MetaText = new QLineEdit(page);
    MetaText->setObjectName("MetaText");
    MetaText->setMinimumWidth(260);
    auto* form = new QFormLayout(page);
    form->addRow("Event Type", MetaType);
    form->addRow(MetaText);
    return page;
}

void TAddEvent::showNoteName() { NoteName->setText(QString::fromStdString(MIDISpec::noteName(NoteUpDown3->value()))); }

EventPage TAddEvent::page() const { return static_cast<EventPage>(EventType->currentIndex()); }

void TAddEvent::setFields(const EventFields& f, const QString& metaText) {
    FromBar->setText(QString::number(f.bar));
    FromBeat->setText(QString::number(f.beat));
    FromTickEdit->setText(QString::number(f.tick));
    ChannelUpDown2->setValue(f.channel);
    NoteUpDown3->setValue(f.key);
    VelocityEdit1->setText(QString::number(f.velocity));
    DurationEdit1->setText(QString::number(f.duration));
    ControlNoComboBox->setCurrentIndex(f.controller);
    ControlValEdit2->setText(QString::number(f.controlValue));
    ProgramNoComboBox1->setCurrentIndex(f.program);
    BankSelectMSBCheckBox1->setChecked(f.bankSelectMsb);
    MSBValEdit1->setText(QString::number(f.msbValue));
    MSBOffsetEdit1->setText(QString::number(f.msbOffset));
    BankSelectLSBCheckBox1->setChecked(f.bankSelectLsb);
    LSBValEdit2->setText(QString::number(f.lsbValue));
    LSBOffsetEdit1->setText(QString::number(f.lsbOffset));
    PitchBendEdit1->setText(QString::number(f.bend));
    MetaType->setCurrentIndex(static_cast<int>(f.metaKind));
    MetaText->setText(metaText);
    shownMetaText_ = metaText;
    metaBytes_ = f.metaText;
    EventType->setCurrentIndex(pageIndex(f.page));
    if (mode_ == Mode::edit)
        for (int i = 0; i < EventType->count(); ++i) EventType->setTabEnabled(i, i == pageIndex(f.page));
    updateAddButton();
}

void TAddEvent::setChannelUsed(bool used) {
    channelUsed_ = used;
    ChannelUpDown2->setEnabled(used && page() != EventPage::sysex);
    updateAddButton();
}

void TAddEvent::updateAddButton() {
    bool ok = true;
    if (ChannelUpDown2->isEnabled()) {
        const int channel = Channel->text().toInt(&ok);
        ok = ok && channel >= 1 && channel <= 16;
    }
    const EventPage p = page();
    if (mode_ == Mode::add && (p == EventPage::cantEdit || p == EventPage::sysex)) ok = false;
    Add->setEnabled(ok);
}

EventFields TAddEvent::fields() {
    auto number = [this](QLineEdit* e) {
        QString text = e->text();
        const int v = askInteger(text, this);
        e->setText(text);
        return v;
    };
    EventFields f;
    f.page = page();
    f.bar = number(FromBar);
    f.beat = number(FromBeat);
    f.tick = number(FromTickEdit);
    f.channel = ChannelUpDown2->value();
    switch (f.page) {
    case EventPage::note:
        f.key = NoteUpDown3->value();
        f.velocity = number(VelocityEdit1);
        f.duration = number(DurationEdit1);
        break;
    case EventPage::control:
        f.controller = ControlNoComboBox->currentIndex();
        f.controlValue = number(ControlValEdit2);
        break;
    case EventPage::program:
        f.program = ProgramNoComboBox1->currentIndex();
        f.bankSelectMsb = BankSelectMSBCheckBox1->isChecked();
        f.bankSelectLsb = BankSelectLSBCheckBox1->isChecked();
        if (f.bankSelectMsb) {
            f.msbValue = number(MSBValEdit1);
            f.msbOffset = number(MSBOffsetEdit1);
        }
        if (f.bankSelectLsb) {
            f.lsbValue = number(LSBValEdit2);
            f.lsbOffset = number(LSBOffsetEdit1);
        }
        break;
    case EventPage::pitchBend: f.bend = number(PitchBendEdit1); break;
    case EventPage::meta:
        f.metaKind = static_cast<MetaKind>(std::max(0, MetaType->currentIndex()));
        // An untouched text keeps the song's bytes, whatever their encoding.
        if (MetaText->text() == shownMetaText_)
            f.metaText = metaBytes_;
        else
            f.metaText = encoder_ ? encoder_(MetaText->text()) : MetaText->text().toStdString();
        break;
    case EventPage::sysex:
    case EventPage::cantEdit: break;
    }
    return f;
}

void TAddEvent::AddClick() {
    updateAddButton();
    if (!Add->isEnabled()) return;
    const EventFields f = fields();
    if (!apply_ || apply_(f)) accept();
}
