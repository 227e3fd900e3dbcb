#pragma once

// The lower pane of the piano roll (`ImageBottom`): one lane of values under the plane, on the
// same time scale (note velocities, pitch bends or one controller). Dragging draws a line of
// new values over the events it passes (with chosen notes, only theirs in the velocity lane);
// the pane shows the line as it goes and reports the values when the drag ends.

#include <QPoint>
#include <QWidget>

class RollState;

class RollLane : public QWidget {
    Q_OBJECT
public:
    RollLane(RollState& state, QWidget* parent = nullptr);

Q_SIGNALS:
    // state.penValues holds the new values.
    void penFinished();
    void hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Sets the values of the events between the last pen point and p along the line between them.
    void penTo(QPoint p);

    RollState& state_;
    bool drawing_ = false;
    QPoint last_;
};
