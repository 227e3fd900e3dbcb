#include "application.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QTranslator>

#include "devicewin.h"
#include "intinputwin.h"
#include "logwin.h"
#include "mainwin.h"
#include "optiondialog.h"

TonvelaApp::TonvelaApp(const AppFolders& folders, const QString& commandLineFile,
                       std::unique_ptr<tonvela::PortDriver> driver) {
    TMIDIPollimoMain::Context context;
    context.folders = folders;
    context.commandLineFile = commandLineFile;
    // The main window is made first; the windows it uses exist before it is first shown.
    auto mainWindow = std::make_unique<TMIDIPollimoMain>(context);
    log_ = std::make_unique<TLogWindow>();
    device_ = std::make_unique<TMidiDevice>(folders.settings, std::move(driver));
    option_ = std::make_unique<TOption>(folders.settings, mainWindow.get());
    integerInput_ = std::make_unique<TIntegerInput>(mainWindow.get());
    context.option = option_.get();
    context.logWindow = log_.get();
    context.deviceWindow = device_.get();
    main_ = std::move(mainWindow);
    main_->setContext(context);
    main_->setWindowIcon(tonvelaIcon());
    device_->setMessageParent(main_.get());
}

void TonvelaApp::startDevice() {
    device_->startUp();
    main_->updateActions();
}

TonvelaApp::~TonvelaApp() {
    integerInput_.reset();
    option_.reset();
    // The main window lets go of the device's hooks and its songs before the device ends.
    main_.reset();
    device_.reset();
    log_.reset();
}

void nameApplication() {
    QCoreApplication::setApplicationName("MidiTonvela");
    QCoreApplication::setApplicationVersion(TONVELA_VERSION);
    QGuiApplication::setDesktopFileName("tonvela");
}

bool installTranslations(const QLocale& locale) {
    static QTranslator* english = nullptr;
    if (english) {
        QCoreApplication::removeTranslator(english);
        delete english;
        english = nullptr;
    }
    if (locale.language() == QLocale::Japanese) return false;
    auto* t = new QTranslator;
    if (!t->load(QStringLiteral(":/i18n/tonvela_en.qm")) || !QCoreApplication::installTranslator(t)) {
        delete t;
        return false;
    }
    english = t;
    return true;
}

QIcon tonvelaIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = size / 64.0;
        p.setBrush(QColor("#2b3a55"));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(2 * u, 2 * u, 60 * u, 60 * u), 8 * u, 8 * u);
        const QColor colours[3][3] = {{"#f4d35e", "#c0c0c0", "#f4d35e"},
                                      {"#ff4fd8", "#ff4fd8", "#f4d35e"},
                                      {"#c0c0c0", "#f4d35e", "#f4d35e"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.fillRect(QRectF((10 + 14 * c) * u, (14 + 12 * r) * u, 12 * u, 8 * u), colours[r][c]);
        icon.addPixmap(pm);
    }
    return icon;
}
