#pragma once

// The key axis left of the piano roll's plane: a keyboard with the keys named (note names, or
// drum names when the shown notes are on drum tracks) and, with the grid shown, the keys of the
// plane's lines (0, 32, 64, 96) beside the keyboard, so that no label covers a note. The wheel
// scrolls the keys, Ctrl+wheel zooms them.

#include <QWidget>

class RollState;

class KeyRuler : public QWidget {
    Q_OBJECT
public:
    KeyRuler(RollState& state, QWidget* parent = nullptr);
    // The width that fits the names (drum names are long), the line numbers and the keyboard;
    // never narrower than the value labels of the lane below, which share the width.
    int wantedWidth() const;

Q_SIGNALS:
    void zoomKeys(double factor, int y);
    void scrollKeys(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    RollState& state_;
};
