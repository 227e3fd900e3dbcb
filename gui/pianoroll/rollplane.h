#pragma once

// The upper pane of the piano roll (`Image1`): the notes of the shown tracks on a key-by-time
// plane with its grid. Mouse gestures choose notes (click, Shift+click, rubber band), move them
// (drag; Alt turns snapping off), change their length (drag the right end) and add a note
// (Ctrl+click). The pane shows a gesture as it would end and reports it when it ends; the window
// makes the edit.

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <unordered_map>

#include "pianoroll/roll_edit.h"

class RollState;

class RollPlane : public QWidget {
    Q_OBJECT
public:
    RollPlane(RollState& state, QWidget* parent = nullptr);

    tonvela::RollFrame frame() const;
    // The note whose rectangle holds a point (the one drawn last); note nullptr when none.
    tonvela::RollNote noteAt(QPoint p) const;
    // Where a note is drawn (before clipping); empty for a note that is not shown.
    QRect noteRect(const tonvela::NoteOnEvent* note) const;

Q_SIGNALS:
    void chosenChanged();
    void moveFinished(int32_t ticks, int keys);
    void resizeFinished(int32_t ticks);
    void addRequested(int32_t time, int key);
    // What is under the mouse, for the status bar.
    void hovered(const QString& text);
    void zoomTime(double factor, int x);
    void zoomKeys(double factor, int y);
    void scrollTime(int steps);
    void scrollKeys(int steps);
    void keyPressed(QKeyEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class Press { none, pending, move, resize, band };
    void paintGrid(QPainter& p, const tonvela::RollFrame& f);
    void paintNotes(QPainter& p, const tonvela::RollFrame& f);
    void updateDrag(QPoint pos, Qt::KeyboardModifiers modifiers);
    void chooseInBand();
    // Where each chosen note has to end at the latest: the next note of its key and channel
    // (a lengthened note stops there), searched within the shown time.
    void findLengthCaps();
    QString describe(QPoint pos) const;

    RollState& state_;
    Press press_ = Press::none;
    QPoint pressPos_;
    tonvela::RollNote anchor_;        // the note grabbed
    bool anchorWasChosen_ = false;
    bool resizeGrab_ = false;         // the press was on the note's right end
    Qt::KeyboardModifiers pressModifiers_;
    QRect band_;
    std::unordered_map<const tonvela::anyEvent*, int> chosenBeforeBand_;
    std::unordered_map<const tonvela::NoteOnEvent*, int64_t> lengthCaps_;
};
