#pragma once

// One running editor per settings folder: a lock file in the folder guards the preference
// files, and a local socket lets a second start hand its file to the running instance.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& settingsFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when no other process holds the folder; this instance then accepts files.
    bool acquire();
    // Sends path to the running instance; true when it confirmed within timeoutMs.
    bool sendToRunning(const QString& path, int timeoutMs = 5000);
    QString serverName() const { return serverName_; }

Q_SIGNALS:
    void fileReceived(const QString& path);

private:
    void onConnection();

    QLockFile lock_;
    QLocalServer server_;
    QString serverName_;
};
