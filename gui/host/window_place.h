#pragma once

// Tool windows that keep only their place and size, each in a preference file of its own.

class QString;
class QWidget;

namespace tonvela {
struct WindowPlace;
}

// Puts the window at a kept place; on a screen that is no longer there only its size is kept,
// since the place would hide the window.
void placeOnScreen(QWidget* window, const tonvela::WindowPlace& place);

// Moves and sizes the window as the file says; nothing without a readable file, and a warning
// (the window keeps its own place) when the file comes from a newer version.
void restoreWindowPlace(QWidget* window, const QString& path);
// Writes the window's place; a place that cannot be kept is lost for the next run only.
void keepWindowPlace(const QWidget* window, const QString& path) noexcept;
