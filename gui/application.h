#pragma once

// The windows of a running editor, made in the order the program starts them and destroyed in
// reverse order (each writes its preference file then). main() and the GUI tests share it.

#include <QString>
#include <memory>

#include "appfolders.h"

class TIntegerInput;
class TLogWindow;
class TMIDIPollimoMain;
class TOption;

class TonvelaApp {
public:
    TonvelaApp(const AppFolders& folders, const QString& commandLineFile);
    ~TonvelaApp();
    TonvelaApp(const TonvelaApp&) = delete;
    TonvelaApp& operator=(const TonvelaApp&) = delete;

    TMIDIPollimoMain* MIDIPollimoMain() const { return main_.get(); }
    TLogWindow* LogWindow() const { return log_.get(); }
    TOption* Option() const { return option_.get(); }
    TIntegerInput* IntegerInput() const { return integerInput_.get(); }

private:
    std::unique_ptr<TMIDIPollimoMain> main_;
    std::unique_ptr<TLogWindow> log_;
    std::unique_ptr<TOption> option_;
    std::unique_ptr<TIntegerInput> integerInput_;
};

// The program's icon, drawn (the toolkit may have no SVG support at run time).
class QIcon;
QIcon tonvelaIcon();
