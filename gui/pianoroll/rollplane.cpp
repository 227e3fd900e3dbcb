#include "pianoroll/rollplane.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

#include "pianoroll/roll_range.h"
#include "pianoroll/rollstate.h"
#include "song/song.h"
#include "songtext.h"

using namespace tonvela;

namespace {

// Soft notes light, loud notes deep red.
const std::array<QColor, 128>& velocityColours() {
    static const std::array<QColor, 128> colours = [] {
        std::array<QColor, 128> c;
        for (int v = 0; v < 128; ++v) {
            const double k = v / 127.0;
            c[static_cast<size_t>(v)] = QColor(static_cast<int>(250 - 70 * k), static_cast<int>(185 - 185 * k),
                                               static_cast<int>(160 - 160 * k));
        }
        return c;
    }();
    return colours;
}

const QColor kChosen(40, 100, 230);
const QColor kChosenEdge(10, 40, 120);
const QColor kBlackKeyRow(244, 244, 246);
const QColor kLightLine(222, 222, 226);

bool blackKey(int key) {
    const int k = key % 12;
    return k == 1 || k == 3 || k == 6 || k == 8 || k == 10;
}

// The few pixels at a note's right end that change its length.
bool onEndHandle(const QRect& r, QPoint p) {
    if (r.width() < 6) return false;
    const int handle = std::clamp(r.width() / 3, 2, 6);
    return p.x() > r.right() - handle;
}

}  // namespace

RollPlane::RollPlane(RollState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("Image1");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(120, 80);
}

RollFrame RollPlane::frame() const { return state_.frame(width(), height()); }

QRect RollPlane::noteRect(const NoteOnEvent* n) const {
    const RollFrame f = frame();
    if (!n || n->note() < f.keyLow || n->note() > f.keyHigh()) return {};
    const int64_t x0 = f.x(n->time);
    int64_t x1 = f.x(static_cast<int64_t>(n->time) + std::max(n->duration(), 0));
    if (x1 <= x0) x1 = x0 + 1;
    const int y0 = f.keyTop(n->note());
    const int y1 = std::max(f.keyBottom(n->note()), y0 + 1);
    // Far outside the pane: clip, so the rectangle stays within int.
    const int64_t l = std::clamp<int64_t>(x0, -2, f.width + 2), r = std::clamp<int64_t>(x1, -1, f.width + 3);
    return QRect(static_cast<int>(l), y0, static_cast<int>(std::max<int64_t>(r - l, 1)), y1 - y0);
}

RollNote RollPlane::noteAt(QPoint p) const {
    RollNote found;
    if (!state_.valid) return found;
    const RollFrame f = frame();
    state_.forEachNote(f.timeAt(p.x() - 3), f.timeAt(p.x() + 3) + 1, [&](int track, NoteOnEvent* n) {
        QRect r = noteRect(n);
        if (r.width() < 3) r.adjust(-1, 0, 1, 0);  // tiny notes stay within reach
        if (r.contains(p)) found = {track, n};
    });
    return found;
}

// ---- painting -------------------------------------------------------------------------------

void RollPlane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!state_.valid) return;
    const RollFrame f = frame();
    if (state_.showGrid) paintGrid(p, f);
    paintNotes(p, f);
    if (press_ == Press::band) {
        p.setPen(QPen(kChosenEdge, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(band_.adjusted(0, 0, -1, -1));
    }
}

void RollPlane::paintGrid(QPainter& p, const RollFrame& f) {
    const midiSong& song = *state_.song;
    const int rowHeight = f.height / std::max(f.keyCount, 1);
    // Rows of black keys and the octave lines help to find a key once the keys are large enough.
    if (rowHeight >= 4) {
        for (int key = f.keyLow; key <= f.keyHigh(); ++key) {
            if (blackKey(key)) p.fillRect(0, f.keyTop(key), f.width, f.keyBottom(key) - f.keyTop(key), kBlackKeyRow);
            if (key % 12 == 0) {
                p.setPen(kLightLine);
                p.drawLine(0, f.keyBottom(key) - 1, f.width, f.keyBottom(key) - 1);
            }
        }
    }
    // Beat lines once beats are far enough apart to be worth a line.
    const Selection& s = state_.shown;
    const TimeSignature ts = song.timeSignatureAt(f.viewStart);
    if (f.x(static_cast<int64_t>(f.viewStart) + ts.ticksPerBeat) >= 12) {
        p.setPen(kLightLine);
        for (int bar = s.firstBar; bar <= s.lastBar; ++bar) {
            const int32_t from = barStartTick(song, bar), to = barStartTick(song, bar + 1);
            if (to <= f.viewStart) continue;
            if (from >= f.viewEnd) break;
            const int32_t beat = std::max(song.timeSignatureAt(from).ticksPerBeat, 1);
            for (int64_t t = static_cast<int64_t>(from) + beat; t < to; t += beat) {
                const int64_t x = f.gridX(t);
                if (x >= 0 && x <= f.width) p.drawLine(static_cast<int>(x), 0, static_cast<int>(x), f.height);
            }
        }
    }

    // Bar lines, dotted, with bar numbers above their lines (not the first shown bar's); both thin
    // out as bars get narrower, and a number that would touch another or leave the pane is left out.
    const QFontMetrics fm = fontMetrics();
    const BarGridPlan plan = state_.barPlan(f, fm.horizontalAdvance(QString::number(s.lastBar + 1)) + 10);
    const QPen dotted(Qt::black, 1, Qt::DotLine);
    int lastNumberRight = INT32_MIN;
    const int firstBar = std::max(s.firstBar, song.timeToBarBeatTick(f.viewStart).bar);
    for (int bar = firstBar - firstBar % plan.lineStep; bar <= s.lastBar; bar += plan.lineStep) {
        if (bar < s.firstBar) continue;
        const int32_t start = barStartTick(song, bar);
        if (start >= f.viewEnd) break;
        const int64_t x = f.gridX(start);
        if (x < 0) continue;
        p.setPen(dotted);
        p.drawLine(static_cast<int>(x), 0, static_cast<int>(x), f.height);
        if (!plan.numbered(bar) || bar == s.firstBar) continue;
        const QString number = QString::number(bar + 1);
        const int left = static_cast<int>(x) - fm.horizontalAdvance(number) / 2;
        const int right = left + fm.horizontalAdvance(number);
        if (left < 0 || right > f.width || left < lastNumberRight + 4) continue;
        p.setPen(Qt::black);
        p.drawText(left, fm.ascent(), number);
        lastNumberRight = right;
    }
    // Solid lines at keys 0, 32, 64 and 96; the key ruler labels them.
    p.setPen(Qt::black);
    for (int key : {0, 32, 64, 96}) {
        if (key < f.keyLow || key > f.keyHigh() + 1) continue;
        const int y = f.keyLineY(key);
        p.drawLine(0, y, f.width, y);
    }
}

void RollPlane::paintNotes(QPainter& p, const RollFrame& f) {
    const auto& colours = velocityColours();
    const bool moving = state_.drag == RollState::Drag::move, resizing = state_.drag == RollState::Drag::resize;
    const bool lifted = moving || resizing;
    // Dense views put many notes on the same pixels of a key; a note inside the last one drawn
    // on its key adds nothing.
    std::array<int, 128> lastLeft{}, lastRight{};
    int lastTrack = -1;
    // Solid fills only: a rectangle drawn with a pen costs several times as much. Notes get an
    // edge once they are large enough for it to show.
    auto draw = [&](const QRect& r, const QColor& fill, bool chosen) {
        if (r.width() >= 4 && r.height() >= 6) {
            p.fillRect(r, chosen ? kChosenEdge : fill.darker(150));
            p.fillRect(r.adjusted(1, 1, -1, -1), fill);
        } else {
            p.fillRect(r, fill);
        }
    };
    state_.forEachNote(f.viewStart, f.viewEnd, [&](int track, NoteOnEvent* n) {
        const bool chosen = state_.isChosen(n);
        if (chosen && lifted) return;  // drawn where the gesture puts it
        if (track != lastTrack) {
            lastLeft.fill(INT32_MAX);
            lastRight.fill(INT32_MIN);
            lastTrack = track;
        }
        const QRect r = noteRect(n);
        if (r.isEmpty()) return;
        const size_t key = static_cast<size_t>(n->note());
        if (!chosen && r.left() >= lastLeft[key] && r.right() <= lastRight[key]) return;
        lastLeft[key] = r.left();
        lastRight[key] = r.right();
        draw(r, chosen ? kChosen : colours[static_cast<size_t>(n->velocity())], chosen);
    });
    if (!lifted) return;
    // The chosen notes as the gesture would leave them.
    for (const auto& [e, track] : state_.chosen) {
        const auto* n = static_cast<const NoteOnEvent*>(e);
        int64_t t = n->time;
        int key = n->note();
        int64_t d = std::max(n->duration(), 0);
        if (moving) {
            t += state_.dragTicks;
            key += state_.dragKeys;
        } else {
            d = std::max<int64_t>(1, d + state_.dragTicks);
            if (state_.lengthCaps)
                if (auto c = state_.lengthCaps->find(n); c != state_.lengthCaps->end()) d = std::min(d, c->second - t);
        }
        if (key < f.keyLow || key > f.keyHigh() || t >= f.viewEnd || t + d < f.viewStart) continue;
        const int64_t x0 = std::clamp<int64_t>(f.x(t), -2, f.width + 2);
        const int64_t x1 = std::clamp<int64_t>(f.x(t + d), x0 + 1, f.width + 3);
        const int y0 = f.keyTop(key), y1 = std::max(f.keyBottom(key), y0 + 1);
        draw(QRect(static_cast<int>(x0), y0, static_cast<int>(x1 - x0), y1 - y0), kChosen, true);
    }
}

// ---- mouse and keys ---------------------------------------------------------------------------

QString RollPlane::describe(QPoint pos) const {
    if (!state_.valid) return {};
    const RollFrame f = frame();
    const RollNote hit = noteAt(pos);
    if (hit.note) {
        const NoteOnEvent* n = hit.note;
        return QString("%1 (%2)  %3  Vel %4  Len %5  %6")
            .arg(QString::fromStdString(state_.trackKeyName(hit.track, n->note())))
            .arg(n->note())
            .arg(QString::fromStdString(state_.positionText(n->time)))
            .arg(n->velocity())
            .arg(n->duration())
            .arg(fromSongLine(state_.song->track(hit.track)->name, state_.song->textEncoding));
    }
    const int key = f.keyAt(pos.y());
    return QString("%1 (%2)  %3")
        .arg(QString::fromStdString(state_.keyName(key)))
        .arg(key)
        .arg(QString::fromStdString(state_.positionText(f.timeAt(pos.x()))));
}

void RollPlane::mousePressEvent(QMouseEvent* event) {
    if (!state_.valid || event->button() != Qt::LeftButton) return;
    setFocus();
    const QPoint pos = event->position().toPoint();
    pressPos_ = pos;
    pressModifiers_ = event->modifiers();
    if (event->modifiers() & Qt::ControlModifier) {
        if (!state_.editable || !state_.notesShown) return;
        const RollFrame f = frame();
        const int32_t t = f.timeAt(pos.x());
        const bool free = event->modifiers() & Qt::AltModifier;
        Q_EMIT addRequested(free ? t : snapTime(*state_.song, t, state_.snapTicks, true), f.keyAt(pos.y()));
        return;
    }
    const RollNote hit = noteAt(pos);
    if (hit.note) {
        anchor_ = hit;
        anchorWasChosen_ = state_.isChosen(hit.note);
        if (event->modifiers() & Qt::ShiftModifier) {
            if (anchorWasChosen_)
                state_.chosen.erase(hit.note);
            else
                state_.chosen.emplace(hit.note, hit.track);
            press_ = Press::none;
            update();
            Q_EMIT chosenChanged();
            return;
        }
        if (!anchorWasChosen_) {
            state_.chosen = {{hit.note, hit.track}};
            update();
            Q_EMIT chosenChanged();
        }
        press_ = Press::pending;
        resizeGrab_ = onEndHandle(noteRect(hit.note), pos);
        return;
    }
    if (!(event->modifiers() & Qt::ShiftModifier) && !state_.chosen.empty()) {
        state_.chosen.clear();
        update();
        Q_EMIT chosenChanged();
    }
    chosenBeforeBand_ = state_.chosen;
    band_ = QRect(pos, QSize(1, 1));
    press_ = Press::band;
}

void RollPlane::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    switch (press_) {
    case Press::none: {
        const RollNote hit = noteAt(pos);
        setCursor(!hit.note ? Qt::ArrowCursor : onEndHandle(noteRect(hit.note), pos) ? Qt::SizeHorCursor : Qt::SizeAllCursor);
        Q_EMIT hovered(describe(pos));
        return;
    }
    case Press::pending:
        if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance()) return;
        if (!state_.editable) {
            press_ = Press::none;
            return;
        }
        press_ = resizeGrab_ ? Press::resize : Press::move;
        if (press_ == Press::resize) findLengthCaps();
        [[fallthrough]];
    case Press::move:
    case Press::resize:
        updateDrag(pos, event->modifiers());
        return;
    case Press::band:
        band_ = QRect(pressPos_, pos).normalized();
        chooseInBand();
        update();
        return;
    }
}

void RollPlane::updateDrag(QPoint pos, Qt::KeyboardModifiers modifiers) {
    const RollFrame f = frame();
    const midiSong& song = *state_.song;
    const int64_t raw = static_cast<int64_t>(f.timeAt(pos.x())) - f.timeAt(pressPos_.x());
    const bool free = (modifiers & Qt::AltModifier) || state_.snapTicks <= 1;
    const NoteOnEvent* a = anchor_.note;
    auto snapped = [&](int64_t t) {
        const int32_t c = static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
        return free ? c : snapTime(song, c, state_.snapTicks);
    };
    if (press_ == Press::move) {
        const int64_t dt = static_cast<int64_t>(snapped(a->time + raw)) - a->time;
        const int dk = f.keyAt(pos.y()) - f.keyAt(pressPos_.y());
        const MoveResult m = limitMove(state_.chosenNotes(), static_cast<int32_t>(dt), dk,
                                       TickRange{state_.time.start, state_.time.end - 1});
        state_.drag = RollState::Drag::move;
        state_.dragTicks = m.ticks;
        state_.dragKeys = m.keys;
        Q_EMIT hovered(QString("%1 (%2)  %3")
                           .arg(QString::fromStdString(state_.trackKeyName(anchor_.track, a->note() + m.keys)))
                           .arg(a->note() + m.keys)
                           .arg(QString::fromStdString(state_.positionText(a->time + m.ticks))));
    } else {
        const int64_t end = static_cast<int64_t>(a->time) + std::max(a->duration(), 0);
        int64_t newEnd = snapped(end + raw);
        if (newEnd <= a->time) newEnd = static_cast<int64_t>(a->time) + (free ? 1 : state_.snapTicks);
        state_.drag = RollState::Drag::resize;
        state_.dragTicks = static_cast<int32_t>(newEnd - end);
        state_.dragKeys = 0;
        state_.lengthCaps = &lengthCaps_;
        const auto cap = lengthCaps_.find(a);
        Q_EMIT hovered(QString("Len %1").arg(std::min(newEnd, cap != lengthCaps_.end() ? cap->second : newEnd) - a->time));
    }
    update();
}

void RollPlane::findLengthCaps() {
    lengthCaps_.clear();
    const midiSong& song = *state_.song;
    for (const auto& [chosen, track] : state_.chosen) {
        const auto* n = static_cast<const NoteOnEvent*>(chosen);
        const midiTrack& t = *song.track(track);
        const EventSpan span = eventSpan(t, n->time + 1, state_.time.end);
        for (int p = span.first; p < span.last; ++p) {
            const anyEvent* e = t.at(p);
            if (!e || e->time <= n->time || e->time >= state_.time.end || e->kind() != kindNote) continue;
            if ((e->status & 0x0F) != (n->status & 0x0F) || static_cast<const NoteOnEvent*>(e)->note() != n->note())
                continue;
            auto [it, added] = lengthCaps_.emplace(n, e->time);
            if (!added) it->second = std::min<int64_t>(it->second, e->time);
            if (span.exact) break;  // in time order the first one found is the next
        }
    }
}

void RollPlane::chooseInBand() {
    const RollFrame f = frame();
    state_.chosen = chosenBeforeBand_;
    state_.forEachNote(f.timeAt(band_.left()), f.timeAt(band_.right() + 1) + 1, [&](int track, NoteOnEvent* n) {
        if (noteRect(n).intersects(band_)) state_.chosen.emplace(n, track);
    });
}

void RollPlane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Press was = press_;
    press_ = Press::none;
    const int32_t ticks = state_.dragTicks;
    const int keys = state_.dragKeys;
    state_.drag = RollState::Drag::none;
    state_.dragTicks = 0;
    state_.dragKeys = 0;
    state_.lengthCaps = nullptr;
    switch (was) {
    case Press::pending:
        // A click on one of several chosen notes chooses it alone.
        if (anchorWasChosen_ && state_.chosen.size() > 1) {
            state_.chosen = {{anchor_.note, anchor_.track}};
            Q_EMIT chosenChanged();
        }
        break;
    case Press::move:
        if (ticks || keys) Q_EMIT moveFinished(ticks, keys);
        break;
    case Press::resize:
        if (ticks) Q_EMIT resizeFinished(ticks);
        break;
    case Press::band:
        Q_EMIT chosenChanged();
        break;
    case Press::none: break;
    }
    update();
}

void RollPlane::wheelEvent(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0) return;
    const double steps = delta / 120.0;
    const QPoint pos = event->position().toPoint();
    const Qt::KeyboardModifiers m = event->modifiers();
    if (m & Qt::ControlModifier) {
        if (m & Qt::ShiftModifier)
            Q_EMIT zoomKeys(std::pow(1.25, steps), pos.y());
        else
            Q_EMIT zoomTime(std::pow(1.25, steps), pos.x());
    } else if ((m & Qt::ShiftModifier) || angle.y() == 0) {
        Q_EMIT scrollTime(-static_cast<int>(std::lround(steps)));
    } else {
        Q_EMIT scrollKeys(static_cast<int>(std::lround(steps)));
    }
    event->accept();
}

void RollPlane::keyPressEvent(QKeyEvent* event) {
    event->ignore();
    Q_EMIT keyPressed(event);
    if (!event->isAccepted()) QWidget::keyPressEvent(event);
}

void RollPlane::leaveEvent(QEvent* event) {
    Q_EMIT hovered(QString());
    QWidget::leaveEvent(event);
}
