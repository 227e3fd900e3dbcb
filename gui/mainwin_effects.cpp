// The main window's Effect menu: built from the effects folder each time it opens, each group
// file an entry that runs the group's effects one after another over the selection.

#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <exception>
#include <functional>

#include "effects/effect_group.h"
#include "mainwin.h"
#include "prompts.h"

using namespace tonvela;

namespace {

// A file or folder name as a menu caption: an ampersand is shown, not taken as a shortcut mark.
QString caption(const std::string& name) { return QString::fromStdString(name).replace('&', "&&"); }

}  // namespace

void TMIDIPollimoMain::buildEffectsMenu() {
    // Everything after the first entry (a separator line) is made again.
    const QList<QAction*> entries = EffectMenu->actions();
    for (int i = 1; i < entries.size(); ++i) {
        EffectMenu->removeAction(entries[i]);
        if (QMenu* sub = entries[i]->menu()) sub->deleteLater();
        entries[i]->deleteLater();
    }
    const QString root = context_.folders.effects;
    std::function<void(QMenu*, const std::vector<EffectFolderEntry>&, const QString&)> fill =
        [&](QMenu* menu, const std::vector<EffectFolderEntry>& list, const QString& folder) {
            for (const EffectFolderEntry& e : list) {
                const QString path = folder + QString::fromStdString(e.name);
                if (e.folder) {
                    QMenu* sub = menu->addMenu(caption(e.name));
                    sub->setObjectName("EffectFolder:" + path);
                    fill(sub, e.children, path + "/");
                    sub->setEnabled(!sub->actions().isEmpty());
                } else {
                    QAction* a = menu->addAction(caption(QFileInfo(QString::fromStdString(e.name)).completeBaseName().toStdString()));
                    a->setObjectName("EffectGroup:" + path);
                    connect(a, &QAction::triggered, this, [this, path] { runEffectGroup(path); });
                }
            }
        };
    fill(EffectMenu, scanEffectsFolder(root.toStdString(), ".fxg"), root);
}

void TMIDIPollimoMain::runEffectGroup(const QString& path) {
    if (!song_ || busy_) return;
    const Selection sel = selection();
    if (sel.empty()) return;
    EffectGroup group;
    try {
        group = loadEffectGroup(path.toStdString());
    } catch (const std::exception& e) {
        reportError(QFileInfo(path).fileName() + ": " + QString::fromStdString(e.what()));
        return;
    }
    // The status texts are painted as the run goes on; the user's input waits for its end.
    auto paint = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    };
    auto warn = [this](const QString& text, const QString& detail) {
        if (options().midiErrorSound && errorSound_) errorSound_();
        if (detail.isEmpty())
            prompts().message(this, QMessageBox::Warning, text, QMessageBox::Ok);
        else
            prompts().detailedMessage(this, QMessageBox::Warning, text, detail, QMessageBox::Ok);
    };
    GroupRunHooks hooks;
    hooks.status = [&](const std::string& text) {
        status(QString::fromStdString(text));
        paint();
    };
    hooks.failed = [&](const GroupFailure& f) {
        warn(QString::fromStdString(f.message), QString::fromStdString(f.detail));
    };
    hooks.warning = [&](const std::string& line, const std::string& warning) {
        warn(QString::fromStdString(warning), QString::fromStdString(line));
    };
    hooks.progress.report = [&](const EffectCounts&) { paint(); };

    setBusy(true);
    GroupRunResult result;
    try {
        result = tonvela::runEffectGroup(*song_, group, context_.folders.effects.toStdString(), sel, hooks);
    } catch (const std::exception& e) {
        setBusy(false);
        songEdited();
        reportError(QString::fromStdString(e.what()));
        return;
    }
    setBusy(false);
    songEdited();
    // The count of what ran stays in view when a member failed.
    status(QString::fromStdString(result.statusText()));
}
