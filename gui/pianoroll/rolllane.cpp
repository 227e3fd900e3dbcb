#include "pianoroll/rolllane.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "pianoroll/rollstate.h"
#include "song/song.h"

using namespace tonvela;

namespace {

const QColor kValue(0, 0, 255);
const QColor kChosenValue(230, 120, 0);
const QColor kPen(0, 150, 60);

}  // namespace

RollLane::RollLane(RollState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("ImageBottom");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumHeight(40);
}

void RollLane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!state_.valid) return;
    const RollFrame f = state_.frame(width(), height());
    const int h = height();
    const Lane& lane = state_.lane;
    const midiSong& song = *state_.song;
    if (state_.showGrid) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        for (int bar = state_.shown.firstBar; bar <= state_.shown.lastBar; ++bar) {
            const int32_t start = barStartTick(song, bar);
            if (start >= f.viewEnd) break;
            const int64_t x = f.x(start);
            if (x >= 0) p.drawLine(static_cast<int>(x), 0, static_cast<int>(x), h);
        }
        p.setPen(Qt::black);
        const QFontMetrics fm = fontMetrics();
        const std::vector<int> values = laneGridValues(lane);
        for (size_t i = 0; i < values.size(); ++i) {
            const int y = laneLineY(lane, values[i], h);
            p.drawLine(0, y, f.width, y);
            if (i == 0) continue;
            const int base = std::clamp(y + (fm.ascent() - fm.descent()) / 2, fm.ascent(), h - fm.descent());
            p.drawText(2, base, QString::number(values[i]));
        }
    }
    // Thousands of events share a pixel column in a wide view: draw each column's bars of one
    // colour as one (every bar reaches the bottom or the centre line, so together they are one span).
    const int barWidth = lane.kind == LaneKind::pitchBend ? 2 : 1;
    const bool onlyChosen = lane.kind == LaneKind::velocity && !state_.chosen.empty();
    struct Column {
        int top = INT32_MAX;
        int bottom = INT32_MIN;
    };
    enum { plain, chosen, drawn, kinds };
    std::vector<Column> columns(static_cast<size_t>(f.width) * kinds);
    state_.forEachLaneEvent(f.viewStart, f.viewEnd, [&](int, anyEvent* e) {
        const int64_t x = f.x(e->time);
        if (x < 0 || x >= f.width) return;
        const auto pen = state_.penValues.find(e);
        const bool isDrawn = pen != state_.penValues.end();
        const LaneSpan s = laneSpan(lane, isDrawn ? pen->second.value : laneValue(*e, lane), h);
        const int kind = isDrawn ? drawn : onlyChosen && state_.isChosen(e) ? chosen : plain;
        Column& c = columns[static_cast<size_t>(x) * kinds + static_cast<size_t>(kind)];
        c.top = std::min(c.top, s.top);
        c.bottom = std::max(c.bottom, std::max(s.bottom, s.top + 1));
    });
    const QColor colours[kinds] = {kValue, kChosenValue, kPen};
    for (int kind = 0; kind < kinds; ++kind) {
        for (int x = 0; x < f.width; ++x) {
            const Column& c = columns[static_cast<size_t>(x) * kinds + static_cast<size_t>(kind)];
            if (c.top < c.bottom) p.fillRect(x, c.top, barWidth, c.bottom - c.top, colours[kind]);
        }
    }
}

void RollLane::mousePressEvent(QMouseEvent* event) {
    if (!state_.valid || !state_.editable || event->button() != Qt::LeftButton) return;
    drawing_ = true;
    state_.penValues.clear();
    last_ = event->position().toPoint();
    penTo(last_);
}

void RollLane::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (state_.valid) {
        const Lane& lane = state_.lane;
        const int v = laneValueAt(lane, pos.y(), height());
        const QString value = lane.kind == LaneKind::pitchBend  ? QString("Bend %1").arg(v - 8192)
                              : lane.kind == LaneKind::velocity ? QString("Vel %1").arg(v)
                                                                : QString("Ctrl %1 = %2").arg(lane.controller).arg(v);
        const int32_t t = state_.frame(width(), height()).timeAt(pos.x());
        Q_EMIT hovered(value + "  " + QString::fromStdString(state_.positionText(t)));
    }
    if (!drawing_) return;
    penTo(pos);
}

void RollLane::penTo(QPoint p) {
    const RollFrame f = state_.frame(width(), height());
    const QPoint a = last_.x() <= p.x() ? last_ : p, b = last_.x() <= p.x() ? p : last_;
    const bool onlyChosen = state_.lane.kind == LaneKind::velocity && !state_.chosen.empty();
    state_.forEachLaneEvent(f.timeAt(a.x()), f.timeAt(b.x() + 1), [&](int track, anyEvent* e) {
        if (onlyChosen && !state_.isChosen(e)) return;
        const int64_t x = f.x(e->time);
        // The height of the drawn line where it passes the event.
        const int y = b.x() == a.x() ? p.y()
                                     : static_cast<int>(a.y() + (x - a.x()) * (b.y() - a.y()) / (b.x() - a.x()));
        state_.penValues[e] = {track, laneValueAt(state_.lane, y, height())};
    });
    last_ = p;
    update();
}

void RollLane::mouseReleaseEvent(QMouseEvent* event) {
    if (!drawing_ || event->button() != Qt::LeftButton) return;
    drawing_ = false;
    penTo(event->position().toPoint());
    if (!state_.penValues.empty()) Q_EMIT penFinished();
    state_.penValues.clear();
    update();
}

void RollLane::leaveEvent(QEvent* event) {
    Q_EMIT hovered(QString());
    QWidget::leaveEvent(event);
}
