#pragma once

// The windows of a running editor, made in the order the program starts them and destroyed in
// reverse order (each writes its preference file then). main() and the GUI tests share it.

#include <QString>
#include <memory>

#include "appfolders.h"
#include "output/midi_port.h"

class TIntegerInput;
class TLogWindow;
class TMidiDevice;
class TMIDIPollimoMain;
class TOption;

class TonvelaApp {
public:
    // driver: the MIDI ports (nullptr: the system's ports and the built-in synthesizer).
    TonvelaApp(const AppFolders& folders, const QString& commandLineFile,
               std::unique_ptr<tonvela::PortDriver> driver = nullptr);
    ~TonvelaApp();
    TonvelaApp(const TonvelaApp&) = delete;
    TonvelaApp& operator=(const TonvelaApp&) = delete;

    // Reads device.prf and opens the remembered MIDI port (the device window appears when that
    // fails). The program does this once its main window is on screen, so a message about the
    // port shows in front of the song.
    void startDevice();

    TMIDIPollimoMain* MIDIPollimoMain() const { return main_.get(); }
    TLogWindow* LogWindow() const { return log_.get(); }
    TOption* Option() const { return option_.get(); }
    TIntegerInput* IntegerInput() const { return integerInput_.get(); }
    TMidiDevice* MidiDevice() const { return device_.get(); }

private:
    std::unique_ptr<TMIDIPollimoMain> main_;
    std::unique_ptr<TLogWindow> log_;
    std::unique_ptr<TMidiDevice> device_;
    std::unique_ptr<TOption> option_;
    std::unique_ptr<TIntegerInput> integerInput_;
};

// The application's names, set before any window is made. No display name: the toolkit would
// append it to every window title, and the main window's title is exactly its own.
void nameApplication();

// The texts whose source is Japanese (the data checker's explanations, the option dialog's hints)
// are shown in English through the translation built into the program, unless `locale` is
// Japanese. Windows made afterwards show the chosen texts. True when the English texts are in
// use; installing again replaces the earlier choice.
class QLocale;
bool installTranslations(const QLocale& locale);

// The program's icon, drawn (the toolkit may have no SVG support at run time).
class QIcon;
QIcon tonvelaIcon();
