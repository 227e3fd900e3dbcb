#pragma once

// The MIDI output window: the list of output ports (the first line is the built-in
// synthesizer), Open Device and Close. It owns the output device object, which reads
// device.prf and opens the remembered port when the program starts.

#include <QDialog>
#include <memory>

class QListWidget;
class QPushButton;

namespace tonvela {
class MidiDevice;
class PortDriver;
}  // namespace tonvela

class TMidiDevice : public QDialog {
    Q_OBJECT
public:
    // driver: the ports to use (nullptr: the system's ports and the built-in synthesizer).
    TMidiDevice(const QString& settingsFolder, std::unique_ptr<tonvela::PortDriver> driver,
                QWidget* parent = nullptr);
    // Stops playing, closes the port and writes device.prf.
    ~TMidiDevice() override;

    // Reads device.prf and opens its port; when that fails, shows this window modally so the
    // user can choose another. Messages of the device appear in message boxes.
    void startUp();
    // Shows the window modally with the current port selected.
    void showDevices();
    tonvela::MidiDevice& device() { return *device_; }
    // Where the device's messages appear (the main window); this window when unset.
    void setMessageParent(QWidget* parent) { messageParent_ = parent; }

    QListWidget* DevSummListBox1;
    QPushButton* OpenButton1;
    QPushButton* CloseButton;
    QPushButton* ErrorTestButton1;

    void OpenButton1Click();

private:
    void fillList();
    void updateButtons();

    QString settingsFolder_;
    QWidget* messageParent_ = nullptr;
    std::unique_ptr<tonvela::MidiDevice> device_;
};
