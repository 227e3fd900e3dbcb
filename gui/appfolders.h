#pragma once

// Where the program keeps and finds its files. The settings folder takes the role of the
// program folder for the preference files; the data folder holds what the program ships
// (the manual and the effect library).

#include <QString>

struct AppFolders {
    QString settings;  // preference files; ends with '/'
    QString effects;   // settings + "Effects/"
    QString data;      // shipped files; empty when none was found
};

// settingsArg is the --settings value (empty: the platform's per-user configuration folder).
// Creates the settings and effects folders when missing.
AppFolders resolveFolders(const QString& settingsArg);

// The installed share/tonvela beside the executable, else the source tree the program was
// built from, else empty.
QString findDataFolder();
