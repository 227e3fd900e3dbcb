#include "devicewin.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "output/midi_device.h"
#include "prompts.h"

TMidiDevice::TMidiDevice(const QString& settingsFolder, std::unique_ptr<tonvela::PortDriver> driver,
                         QWidget* parent)
    : QDialog(parent), settingsFolder_(settingsFolder) {
    setObjectName("MidiDevice");
    setWindowTitle("MidiDevice");
    if (!driver) driver = tonvela::makePortDriver();
    device_ = std::make_unique<tonvela::MidiDevice>(std::move(driver));
    // The device may speak from the player thread; message boxes belong to this one.
    device_->onMessage = [this](const std::string& text) {
        // A port's error text is one sentence, then on further lines the backend's details
        // (every audio output tried, the sequencer's own words): those go behind Show Details.
        const QString message = QString::fromStdString(text);
        const qsizetype lineEnd = message.indexOf('\n');
        const QString sentence = lineEnd < 0 ? message : message.left(lineEnd);
        const QString details = lineEnd < 0 ? QString() : message.mid(lineEnd + 1).trimmed();
        auto show = [this, sentence, details] {
            QWidget* parent = isVisible() || !messageParent_ ? this : messageParent_;
            if (details.isEmpty())
                prompts().message(parent, QMessageBox::Warning, sentence, QMessageBox::Ok);
            else
                prompts().detailedMessage(parent, QMessageBox::Warning, sentence, details, QMessageBox::Ok);
        };
        if (QThread::currentThread() == thread())
            show();
        else
            QMetaObject::invokeMethod(this, show, Qt::QueuedConnection);
    };

    DevSummListBox1 = new QListWidget(this);
    DevSummListBox1->setObjectName("DevSummListBox1");
    OpenButton1 = new QPushButton("Open Device", this);
    OpenButton1->setObjectName("OpenButton1");
    CloseButton = new QPushButton("Close", this);
    CloseButton->setObjectName("CloseButton");
    ErrorTestButton1 = new QPushButton("Error Test", this);
    ErrorTestButton1->setObjectName("ErrorTestButton1");
    ErrorTestButton1->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OpenButton1);
    buttons->addStretch();
    buttons->addWidget(ErrorTestButton1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DevSummListBox1);
    layout->addLayout(buttons);

    connect(OpenButton1, &QPushButton::clicked, this, &TMidiDevice::OpenButton1Click);
    connect(DevSummListBox1, &QListWidget::itemDoubleClicked, this, &TMidiDevice::OpenButton1Click);
    connect(DevSummListBox1, &QListWidget::currentRowChanged, this, &TMidiDevice::updateButtons);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ErrorTestButton1, &QPushButton::clicked, this, [this] { device_->playErrorSound(); });
}

TMidiDevice::~TMidiDevice() {
    device_->windowTop = y();
    device_->windowLeft = x();
    device_->windowWidth = width();
    device_->windowHeight = height();
    device_->onMessage = nullptr;
    try {
        device_->shutDown(settingsFolder_.toStdString());
    } catch (const std::exception&) {
        // The program is ending: a device.prf that cannot be written keeps the old one.
    }
}

void TMidiDevice::startUp() {
    const int result = device_->startUp(settingsFolder_.toStdString());
    setGeometry(device_->windowLeft, device_->windowTop, device_->windowWidth, device_->windowHeight);
    if (result != 0) showDevices();
}

void TMidiDevice::fillList() {
    DevSummListBox1->clear();
    for (const std::string& line : device_->listDevices())
        DevSummListBox1->addItem(QString::fromStdString(line));
    DevSummListBox1->setCurrentRow(device_->deviceId() + 1);
    updateButtons();
}

void TMidiDevice::updateButtons() {
    OpenButton1->setEnabled(DevSummListBox1->currentRow() >= 0 && !device_->playing());
}

void TMidiDevice::showDevices() {
    fillList();
    prompts().execDialog(this);
}

void TMidiDevice::OpenButton1Click() {
    const int row = DevSummListBox1->currentRow();
    if (row < 0 || device_->playing()) return;
    if (device_->openDevice(row - 1) == 0) accept();
}
