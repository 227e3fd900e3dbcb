#include "host/window_place.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QWidget>
#include <exception>

#include "prompts.h"
#include "settings/placeprefs.h"
#include "settings/preffile.h"

using namespace tonvela;

void placeOnScreen(QWidget* window, const WindowPlace& place) {
    if (place.width <= 0 || place.height <= 0) return;
    const QRect wanted(place.left, place.top, place.width, place.height);
    bool onScreen = false;
    for (QScreen* s : QGuiApplication::screens()) onScreen = onScreen || s->availableGeometry().intersects(wanted);
    if (onScreen)
        window->setGeometry(wanted);
    else
        window->resize(wanted.size());
}

void restoreWindowPlace(QWidget* window, const QString& path) {
    const auto lines = readPrefLines(path.toStdString());
    if (!lines) return;
    const PlacePrefs prefs = readPlacePrefs(*lines);
    if (prefs.status == PlacePrefsStatus::newerVersion) {
        prompts().message(window, QMessageBox::Warning, kNewerPrefVersion, QMessageBox::Ok);
        return;
    }
    if (prefs.place) placeOnScreen(window, *prefs.place);
}

void keepWindowPlace(const QWidget* window, const QString& path) noexcept {
    try {
        writePrefLines(path.toStdString(), formatPlacePrefs({window->y(), window->x(), window->width(), window->height()}));
    } catch (const std::exception&) {
        // Called as the window goes, when nothing can be reported.
    }
}
