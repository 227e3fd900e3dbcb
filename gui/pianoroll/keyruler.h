#pragma once

// The key axis left of the piano roll's plane: a keyboard with the keys named (note names, or
// drum names when the shown notes are on drum tracks). The wheel scrolls the keys, Ctrl+wheel
// zooms them.

#include <QWidget>

class RollState;

class KeyRuler : public QWidget {
    Q_OBJECT
public:
    KeyRuler(RollState& state, QWidget* parent = nullptr);
    // The width that fits the names (drum names are long).
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
