#include "pianoroll/rolllane.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "pianoroll/rollstate.h"
#include "song/song.h"
#include "songtext.h"

using namespace tonvela;

namespace {

const QColor kValue(0, 0, 255);
const QColor kChosenValue(230, 120, 0);
const QColor kPen(0, 150, 60);

// Grid lines closer than this make a lane look striped.
constexpr int kMinLaneLinePixels = 4;

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
        const Selection& s = state_.shown;
        const BarGridPlan plan = state_.barPlan(f, 1);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        const int firstBar = std::max(s.firstBar, song.timeToBarBeatTick(f.viewStart).bar);
        for (int bar = firstBar - firstBar % plan.lineStep; bar <= s.lastBar; bar += plan.lineStep) {
            if (bar < s.firstBar) continue;
            const int32_t start = barStartTick(song, bar);
            if (start >= f.viewEnd) break;
            const int64_t x = f.x(start);
            if (x >= 0) p.drawLine(static_cast<int>(x), 0, static_cast<int>(x), h);
        }
        p.setPen(Qt::black);
        const int step = laneGridStep(lane, h, kMinLaneLinePixels);
        for (int v : laneGridValues(lane)) {
            if (!laneGridKeeps(lane, v, step)) continue;
            const int y = laneLineY(lane, v, h);
            p.drawLine(0, y, f.width, y);
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
    auto put = [&](int64_t x, int value, int kind) {
        if (x < 0 || x >= f.width) return;
        const LaneSpan s = laneSpan(lane, value, h);
        Column& c = columns[static_cast<size_t>(x) * kinds + static_cast<size_t>(kind)];
        c.top = std::min(c.top, s.top);
        c.bottom = std::max(c.bottom, std::max(s.bottom, s.top + 1));
    };
    // A stroke in progress hides the values it replaces and shows its own.
    const LaneStroke* stroke = state_.stroke ? &*state_.stroke : nullptr;
    const StrokeCells& cells = state_.strokeCells;
    state_.forEachLaneEvent(f.viewStart, f.viewEnd, [&](int track, anyEvent* e) {
        if (stroke && e->time >= cells.from && e->time < cells.to && e->channelOf() == stroke->channel &&
            track >= stroke->firstTrack && track <= stroke->lastTrack)
            return;
        const auto pen = state_.penValues.find(e);
        const bool isDrawn = pen != state_.penValues.end();
        put(f.x(e->time), isDrawn ? pen->second.value : laneValue(*e, lane),
            isDrawn ? drawn : onlyChosen && state_.isChosen(e) ? chosen : plain);
    });
    if (stroke) {
        const auto first = std::lower_bound(cells.values.begin(), cells.values.end(), f.viewStart,
                                            [](const LanePoint& v, int32_t t) { return v.time < t; });
        for (auto it = first; it != cells.values.end() && it->time < f.viewEnd; ++it) put(f.x(it->time), it->value, drawn);
    }
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
    state_.stroke.reset();
    last_ = event->position().toPoint();
    if (state_.lane.kind != LaneKind::velocity) startStroke(last_);
    penTo(last_);
}

void RollLane::startStroke(QPoint) {
    const midiSong& song = *state_.song;
    // New values go to the current track (the top shown row), on the channel its new notes get.
    LaneStroke s;
    s.lane = state_.lane;
    s.track = state_.shown.firstTrack;
    s.channel = newNoteChannel(*song.track(s.track));
    s.firstTrack = state_.shown.firstTrack;
    s.lastTrack = state_.shown.lastTrack;
    s.grid = std::max(state_.snapTicks, 1);
    s.allowed = TickRange{state_.time.start, state_.time.end - 1};
    state_.stroke = std::move(s);
    state_.strokeCells = {};
}

QString RollLane::describe(QPoint pos) const {
    const Lane& lane = state_.lane;
    const int v = laneValueAt(lane, pos.y(), height());
    QString text = lane.kind == LaneKind::pitchBend  ? QString("Bend %1").arg(v - 8192)
                   : lane.kind == LaneKind::velocity ? QString("Vel %1").arg(v)
                                                     : QString("Ctrl %1 = %2").arg(lane.controller).arg(v);
    const int32_t t = state_.frame(width(), height()).timeAt(pos.x());
    text += "  " + QString::fromStdString(state_.positionText(t));
    if (lane.kind != LaneKind::velocity && state_.song) {
        // Where a drawn value goes.
        const int track = state_.stroke ? state_.stroke->track : state_.shown.firstTrack;
        const int channel = state_.stroke ? state_.stroke->channel : newNoteChannel(*state_.song->track(track));
        text += QString("  \u2192 %1, channel %2")
                    .arg(fromSongLine(state_.song->track(track)->name, state_.song->textEncoding))
                    .arg(channel + 1);
    }
    return text;
}

void RollLane::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (state_.valid) Q_EMIT hovered(describe(pos));
    if (!drawing_) return;
    penTo(pos);
}

void RollLane::penTo(QPoint p) {
    const RollFrame f = state_.frame(width(), height());
    if (state_.stroke) {
        state_.stroke->points.push_back({f.timeAt(std::clamp(p.x(), 0, f.width - 1)), laneValueAt(state_.lane, p.y(), height())});
        state_.strokeCells = strokeCells(*state_.song, *state_.stroke);
        last_ = p;
        update();
        return;
    }
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
    if (!state_.penValues.empty() || state_.stroke) Q_EMIT penFinished();
    state_.penValues.clear();
    state_.stroke.reset();
    state_.strokeCells = {};
    update();
}

void RollLane::leaveEvent(QEvent* event) {
    Q_EMIT hovered(QString());
    QWidget::leaveEvent(event);
}

// ---- LaneScale --------------------------------------------------------------------------------

LaneScale::LaneScale(RollState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("LaneScale");
}

void LaneScale::paintEvent(QPaintEvent*) {
    if (!state_.valid || !state_.showGrid) return;
    QPainter p(this);
    const Lane& lane = state_.lane;
    const QFontMetrics fm = fontMetrics();
    const int h = height(), w = width();
    const int step = laneGridStep(lane, h, fm.height());
    const std::vector<int> values = laneGridValues(lane);
    int lastTop = INT32_MAX;  // labels go upwards with the values
    p.setPen(Qt::black);
    // The lowest line is the lane's floor: it has no label.
    for (size_t i = 1; i < values.size(); ++i) {
        if (!laneGridKeeps(lane, values[i], step)) continue;
        const int y = laneLineY(lane, values[i], h);
        const int base = std::clamp(y + (fm.ascent() - fm.descent()) / 2, fm.ascent(), h - fm.descent());
        const int top = base - fm.ascent();
        if (top + fm.height() > lastTop) continue;
        p.drawLine(w - 4, y, w, y);
        p.drawText(QRect(0, top, w - 6, fm.height()), Qt::AlignRight, QString::number(values[i]));
        lastTop = top;
    }
}
