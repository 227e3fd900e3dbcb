#pragma once

// The tempo editor's picture: the grid and the notes of the selection behind the stepped tempo
// curve, with a marker for each tempo change that can be dragged. It only reports what the mouse
// did; the window turns that into edits.
//
// Left click: add a tempo change. Left drag of a marker: change its tempo (value mode) or its
// time (tick mode); with Shift the time, along the snap grid. Right click on a marker: delete it;
// elsewhere: the context menu. A drag dropped outside the picture, or Escape, changes nothing.

#include <QWidget>
#include <optional>

#include "song/selection.h"
#include "tempo/tempo_view.h"

namespace tonvela {
class midiSong;
class TempoEvent;
}  // namespace tonvela

class TempoPlane : public QWidget {
    Q_OBJECT
public:
    enum class DragMode { value, tick };

    explicit TempoPlane(QWidget* parent = nullptr);

    // Shows the selected bars of the song (nullptr: nothing) and forgets a drag in progress.
    void showSong(tonvela::midiSong* song, const tonvela::Selection& selection);
    void setShowGrid(bool on);
    void setShowNote(bool on);
    void setDragMode(DragMode mode) { mode_ = mode; }
    // The grid a Shift drag moves along, in ticks.
    void setSnapTicks(int32_t ticks) { snapTicks_ = ticks; }
    // The tempo change shown as chosen (nullptr: none).
    void setChosen(const tonvela::TempoEvent* event);
    // Ends a drag without a change.
    void cancelDrag();

    // ---- what tests and the window read --------------------------------------------------------
    tonvela::TempoFrame frame() const;
    const tonvela::TempoCurve& curve() const { return curve_; }
    // The square of a point's marker: 10 x 10 from (x - 2, y), kept inside the picture.
    QRect markerRect(const tonvela::TempoPoint& point) const;
    // The marker under a position (the newest on top); nullptr when none.
    const tonvela::TempoPoint* markerAt(QPoint pos) const;
    bool dragging() const { return drag_.active; }
    bool valid() const { return song_ != nullptr && !range_.empty(); }

Q_SIGNALS:
    void cursorMoved(int32_t tick, int bpm);
    void addRequested(int32_t tick, int bpm);
    void contextRequested(QPoint globalPos, int32_t tick);
    void deleteRequested(tonvela::TempoEvent* event);
    void chosen(tonvela::TempoEvent* event);
    void valueDropped(tonvela::TempoEvent* event, int bpm);
    void tickDropped(tonvela::TempoEvent* event, int32_t tick);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Drag {
        bool active = false;
        tonvela::TempoEvent* event = nullptr;
        QPoint pressPos;
        QRect origin;  // the marker where the drag began
        QRect now;     // where it is shown
        bool moved = false;
        bool byTime = false;
        int32_t tick = 0;  // where it would go
        int bpm = 0;
    };
    struct Click {
        bool active = false;
        QPoint pos;
    };

    void rebuild();
    void dragTo(QPoint pos, Qt::KeyboardModifiers modifiers);
    void paintGrid(QPainter& p) const;
    void paintCurve(QPainter& p) const;

    tonvela::midiSong* song_ = nullptr;
    tonvela::Selection selection_;
    tonvela::TickRange range_;
    tonvela::TempoCurve curve_;
    std::vector<tonvela::TempoNoteBox> notes_;
    bool showGrid_ = true;
    bool showNote_ = true;
    DragMode mode_ = DragMode::value;
    int32_t snapTicks_ = 120;
    const tonvela::TempoEvent* chosen_ = nullptr;
    Drag drag_;
    Click click_;
    std::optional<QPoint> suppressMenuAt_;  // where a marker was just deleted with the right button
};
