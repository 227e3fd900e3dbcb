#pragma once

// The lower pane of the piano roll (`ImageBottom`): one lane of values under the plane, on the
// same time scale (note velocities, pitch bends or one controller). In the velocity lane a drag
// draws a line of new velocities over the notes it passes (with chosen notes, only theirs). In
// the other lanes a drag draws new values at the snap grid, replacing the lane's values under it,
// and a click sets one value. The pane shows the gesture as it goes and reports it when it ends.
//
// LaneScale, left of the lane, labels the lane's grid lines.

#include <QPoint>
#include <QWidget>

class RollState;

class RollLane : public QWidget {
    Q_OBJECT
public:
    RollLane(RollState& state, QWidget* parent = nullptr);

Q_SIGNALS:
    // state.penValues (velocity lane) or state.stroke (other lanes) holds what was drawn.
    void penFinished();
    void hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Velocity lane: sets the values of the notes between the last pen point and p along the line
    // between them. Other lanes: adds p to the stroke.
    void penTo(QPoint p);
    void startStroke(QPoint p);
    QString describe(QPoint p) const;

    RollState& state_;
    bool drawing_ = false;
    QPoint last_;
};

// The value labels of the lane's grid lines, beside the lane (as wide as the key ruler above it,
// so that the lane keeps the plane's time scale). Labels that would crowd are left out.
class LaneScale : public QWidget {
    Q_OBJECT
public:
    LaneScale(RollState& state, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RollState& state_;
};
