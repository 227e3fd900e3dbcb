#include "appfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString withSlash(QString path) {
    if (!path.endsWith('/')) path += '/';
    return path;
}

}  // namespace

QString findDataFolder() {
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        appDir + "/../share/tonvela",
        QStringLiteral(TONVELA_SOURCE_DATA_DIR),
    };
    for (const QString& c : candidates) {
        if (QFileInfo::exists(c + "/manual/manual.html")) return withSlash(QDir(c).canonicalPath());
    }
    return {};
}

AppFolders resolveFolders(const QString& settingsArg) {
    AppFolders f;
    QString settings = settingsArg;
    if (settings.isEmpty())
        settings = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(settings);
    f.settings = withSlash(QDir(settings).absolutePath());
    f.effects = f.settings + "Effects/";
    QDir().mkpath(f.effects);
    f.data = findDataFolder();
    return f;
}
