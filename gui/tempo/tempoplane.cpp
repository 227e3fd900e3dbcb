#include "tempo/tempoplane.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "pianoroll/roll_frame.h"
#include "song/song.h"

using namespace tonvela;

namespace {

const QColor kCurve(220, 0, 0);
const QColor kNote(70, 110, 235);
const QColor kChosen(20, 20, 20);

}  // namespace

TempoPlane::TempoPlane(QWidget* parent) : QWidget(parent) {
    setObjectName("ImageTempo");
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 80);
}

void TempoPlane::showSong(midiSong* song, const Selection& selection) {
    song_ = song;
    selection_ = selection;
    range_ = song ? selection.ticks(*song) : TickRange{};
    drag_ = {};
    click_ = {};
    if (!song_) chosen_ = nullptr;
    rebuild();
}

void TempoPlane::setShowGrid(bool on) {
    showGrid_ = on;
    update();
}

void TempoPlane::setShowNote(bool on) {
    showNote_ = on;
    rebuild();
}

void TempoPlane::setChosen(const TempoEvent* event) {
    chosen_ = event;
    update();
}

void TempoPlane::cancelDrag() {
    drag_ = {};
    click_ = {};
    update();
}

TempoFrame TempoPlane::frame() const { return TempoFrame{range_, std::max(width(), 1), std::max(height(), 1)}; }

void TempoPlane::rebuild() {
    curve_ = {};
    notes_.clear();
    if (valid() && song_->firstTrack) {
        const TempoFrame f = frame();
        curve_ = tempoCurve(*song_->firstTrack, f);
        if (showNote_) notes_ = tempoNoteBoxes(*song_, selection_, f);
    }
    update();
}

QRect TempoPlane::markerRect(const TempoPoint& point) const {
    const int top = std::clamp(point.y, 0, std::max(0, height() - kTempoMarkerSize));
    return QRect(point.x - 2, top, kTempoMarkerSize, kTempoMarkerSize);
}

const TempoPoint* TempoPlane::markerAt(QPoint pos) const {
    for (auto it = curve_.points.rbegin(); it != curve_.points.rend(); ++it)
        if (it->marker && markerRect(*it).contains(pos)) return &*it;
    return nullptr;
}

// ---- painting ---------------------------------------------------------------------------------

void TempoPlane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!valid()) return;
    if (showNote_)
        for (const TempoNoteBox& n : notes_)
            p.fillRect(QRect(n.left, n.top, std::max(n.right - n.left, 1), std::max(n.bottom - n.top, 1)), kNote);
    if (showGrid_) paintGrid(p);
    paintCurve(p);
}

void TempoPlane::paintGrid(QPainter& p) const {
    const TempoFrame f = frame();
    const QFontMetrics fm = p.fontMetrics();
    const int textHeight = fm.height();
    QPen bar(Qt::black, 1, Qt::DotLine);
    for (int b = selection_.firstBar; b <= selection_.lastBar; ++b) {
        const int x = f.x(barStartTick(*song_, b));
        const bool numbered = (b + 1) % 5 == 0 && b != selection_.firstBar;
        p.setPen(bar);
        p.drawLine(x, numbered ? textHeight : 0, x, f.height);
        if (numbered) {
            const QString n = QString::number(b + 1);
            p.setPen(Qt::black);
            p.drawText(QRect(x - 40, 0, 80, textHeight), Qt::AlignHCenter | Qt::AlignTop, n);
        }
    }
    const QPen fine(QColor(0, 0, 0, 70), 1, Qt::SolidLine);
    const QPen strong(Qt::black, 1, Qt::SolidLine);
    for (int bpm = kTempoScaleBottom; bpm <= kTempoScaleTop; bpm += 10) {
        const int y = f.gridY(bpm);
        const bool labelled = bpm % 50 == 0;
        p.setPen(labelled ? strong : fine);
        p.drawLine(0, y, f.width, y);
        if (!labelled) continue;
        // Centred on its line, unless the line is too near the top for that.
        const int top = y > textHeight ? y - textHeight / 2 : y + 1;
        p.drawText(QRect(2, top, 60, textHeight), Qt::AlignLeft | Qt::AlignVCenter, QString::number(bpm));
    }
}

void TempoPlane::paintCurve(QPainter& p) const {
    const TempoFrame f = frame();
    p.setPen(QPen(kCurve, 2, Qt::DotLine));
    QPoint at(0, std::clamp(f.y(curve_.startBpm), 0, f.height));
    for (const TempoPoint& point : curve_.points) {
        const QPoint corner(point.x, at.y());
        p.drawLine(at, corner);
        at = QPoint(point.x, point.y);
        p.drawLine(corner, at);
    }
    p.drawLine(at, QPoint(f.width, at.y()));

    p.setPen(Qt::NoPen);
    for (const TempoPoint& point : curve_.points) {
        const bool dragged = drag_.active && drag_.moved && point.event == drag_.event;
        if (point.marker) {
            const QRect r = markerRect(point);
            p.setBrush(dragged ? QColor(220, 0, 0, 70) : kCurve);
            p.drawRect(r);
            if (point.event == chosen_) {
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(kChosen, 2));
                p.drawRect(r.adjusted(-2, -2, 2, 2));
                p.setPen(Qt::NoPen);
            }
        } else {
            p.setBrush(kCurve);
            p.drawRect(QRect(point.x - 1, point.y - 1, 4, 4));
        }
    }
    if (drag_.active && drag_.moved) {
        // Where the change goes: the marker and a guide across the picture.
        p.setPen(QPen(kCurve, 1, Qt::DashLine));
        if (drag_.byTime)
            p.drawLine(drag_.now.left() + 2, 0, drag_.now.left() + 2, f.height);
        else
            p.drawLine(0, drag_.now.top(), f.width, drag_.now.top());
        p.setPen(QPen(kChosen, 1));
        p.setBrush(kCurve);
        p.drawRect(drag_.now.adjusted(0, 0, -1, -1));
    }
    p.setBrush(Qt::NoBrush);
}

// ---- the mouse --------------------------------------------------------------------------------

void TempoPlane::mousePressEvent(QMouseEvent* event) {
    suppressMenuAt_.reset();
    if (!valid()) return;
    const QPoint pos = event->position().toPoint();
    const TempoPoint* marker = markerAt(pos);
    if (event->button() == Qt::RightButton) {
        if (marker) {
            suppressMenuAt_ = pos;
            TempoEvent* e = marker->event;
            cancelDrag();
            Q_EMIT deleteRequested(e);
        }
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (marker) {
        const QRect r = markerRect(*marker);
        drag_ = {true, marker->event, pos, r, r, false, false, marker->time, marker->bpm};
        chosen_ = marker->event;
        Q_EMIT chosen(marker->event);
        update();
    } else {
        click_ = {true, pos};
    }
}

void TempoPlane::mouseMoveEvent(QMouseEvent* event) {
    if (!valid()) return;
    const QPoint pos = event->position().toPoint();
    if (drag_.active) {
        dragTo(pos, event->modifiers());
        Q_EMIT cursorMoved(drag_.tick, drag_.bpm);
        return;
    }
    if (click_.active && (pos - click_.pos).manhattanLength() >= QApplication::startDragDistance()) click_ = {};
    const TempoFrame f = frame();
    Q_EMIT cursorMoved(f.tickAt(std::clamp(pos.x(), 0, f.width)), f.bpmAt(std::clamp(pos.y(), 0, f.height)));
}

void TempoPlane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !valid()) return;
    const QPoint pos = event->position().toPoint();
    if (drag_.active) {
        dragTo(pos, event->modifiers());
        const Drag d = drag_;
        drag_ = {};
        update();
        // Dropped outside the picture: nothing changes.
        if (!d.moved || !rect().contains(pos)) return;
        if (d.byTime)
            Q_EMIT tickDropped(d.event, d.tick);
        else
            Q_EMIT valueDropped(d.event, d.bpm);
        return;
    }
    if (click_.active && rect().contains(pos)) {
        click_ = {};
        const TempoFrame f = frame();
        Q_EMIT addRequested(f.tickAt(pos.x()), f.bpmAt(pos.y()));
    }
    click_ = {};
}

void TempoPlane::dragTo(QPoint pos, Qt::KeyboardModifiers modifiers) {
    const QPoint delta = pos - drag_.pressPos;
    if (delta.manhattanLength() >= QApplication::startDragDistance()) drag_.moved = true;
    const bool shift = modifiers & Qt::ShiftModifier;
    drag_.byTime = shift || mode_ == DragMode::tick;
    const TempoFrame f = frame();
    QRect r = drag_.origin;
    if (drag_.byTime) {
        const int left = std::clamp(drag_.origin.left() + delta.x(), -2, f.width - 2);
        drag_.tick = f.tickAt(left + 2);
        // With Shift the change lands on a line of the note value's grid, exactly.
        if (shift && song_) drag_.tick = snapTime(*song_, drag_.tick, snapTicks_);
        r.moveLeft(shift ? f.x(drag_.tick) - 2 : left);
    } else {
        r.moveTop(std::clamp(drag_.origin.top() + delta.y(), 0, f.height));
        drag_.tick = f.tickAt(r.left() + 2);
    }
    drag_.bpm = f.bpmAt(r.top());
    drag_.now = r;
    update();
}

void TempoPlane::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // The menu the platform sends for the press that deleted a marker is not shown.
    const bool deleting = suppressMenuAt_ && event->reason() == QContextMenuEvent::Mouse && event->pos() == *suppressMenuAt_;
    suppressMenuAt_.reset();
    if (deleting || !valid()) return;
    const QPoint pos = event->reason() == QContextMenuEvent::Mouse ? event->pos() : mapFromGlobal(QCursor::pos());
    Q_EMIT contextRequested(event->globalPos(), frame().tickAt(std::clamp(pos.x(), 0, width())));
}

void TempoPlane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && (drag_.active || click_.active)) {
        cancelDrag();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TempoPlane::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const TempoPoint* m = markerAt(help->pos()))
            QToolTip::showText(help->globalPos(), QString::fromStdString(tempoMarkerHint(*m->event)), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TempoPlane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuild();
}
