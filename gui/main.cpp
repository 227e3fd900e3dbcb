// tonvela [--settings DIR] [FILE]

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <cstdio>

#include "application.h"
#include "mainwin.h"
#include "singleinstance.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    nameApplication();
    installTranslations(QLocale::system());

    QCommandLineParser parser;
    parser.setApplicationDescription("MIDI Tonvela, an editor for Standard MIDI Files.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption settingsOption("settings",
                                      "Keep the preference files in DIR instead of the user's "
                                      "configuration folder.",
                                      "DIR");
    parser.addOption(settingsOption);
    parser.addPositionalArgument("FILE", "A MIDI file to open.", "[FILE]");
    parser.process(app);

    const AppFolders folders = resolveFolders(parser.value(settingsOption));
    const QStringList files = parser.positionalArguments();
    const QString file = files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();

    SingleInstance instance(folders.settings);
    if (!instance.acquire()) {
        // Only one editor runs per settings folder: hand the file over and end.
        if (!file.isEmpty() && !instance.sendToRunning(file))
            std::fprintf(stderr, "tonvela: the running editor did not take %s\n", qPrintable(file));
        return 1;
    }

    app.setWindowIcon(tonvelaIcon());
    app.setQuitOnLastWindowClosed(false);
    TonvelaApp editor(folders, file);
    TMIDIPollimoMain* window = editor.MIDIPollimoMain();
    QObject::connect(window, &TMIDIPollimoMain::closed, &app, &QApplication::quit);
    QObject::connect(&instance, &SingleInstance::fileReceived, window,
                     &TMIDIPollimoMain::openFromOutside, Qt::QueuedConnection);
    QObject::connect(window, &TMIDIPollimoMain::firstShown, window, [&editor] { editor.startDevice(); },
                     Qt::QueuedConnection);
    window->show();
    return app.exec();
}
