#include "host/window_place.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <exception>

#include "prompts.h"
#include "settings/placeprefs.h"
#include "settings/preffile.h"

using namespace tonvela;

void restoreWindowPlace(QWidget* window, const QString& path) {
    const auto lines = readPrefLines(path.toStdString());
    if (!lines) return;
    const PlacePrefs prefs = readPlacePrefs(*lines);
    if (prefs.status == PlacePrefsStatus::newerVersion) {
        prompts().message(window, QMessageBox::Warning, kNewerPrefVersion, QMessageBox::Ok);
        return;
    }
    if (!prefs.place) return;
    const WindowPlace& p = *prefs.place;
    window->move(p.left, p.top);
    if (p.width > 0 && p.height > 0) window->resize(p.width, p.height);
}

void keepWindowPlace(const QWidget* window, const QString& path) noexcept {
    try {
        writePrefLines(path.toStdString(), formatPlacePrefs({window->y(), window->x(), window->width(), window->height()}));
    } catch (const std::exception&) {
        // Called as the window goes, when nothing can be reported.
    }
}
