#include "pianoroll/keyruler.h"

#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "pianoroll/rollstate.h"

using namespace tonvela;

namespace {

bool blackKey(int key) {
    const int k = key % 12;
    return k == 1 || k == 3 || k == 6 || k == 8 || k == 10;
}

}  // namespace

KeyRuler::KeyRuler(RollState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("KeyRuler");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int KeyRuler::wantedWidth() const {
    const QFontMetrics fm = fontMetrics();
    return state_.drum ? fm.horizontalAdvance("Acoustic Bass Drum") + 12 : fm.horizontalAdvance("C#-1") + 22;
}

void KeyRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    // The rows match the plane's, which has the same height.
    const RollFrame f = state_.frame(1, height());
    const QFontMetrics fm = fontMetrics();
    const int w = width();
    const int keyWidth = state_.drum ? 10 : w * 2 / 5;
    int lastLabel = INT32_MAX;  // top of the last label drawn; labels go upwards with the keys
    for (int key = f.keyLow; key <= f.keyHigh(); ++key) {
        const int top = f.keyTop(key), bottom = std::max(f.keyBottom(key), top + 1);
        p.fillRect(w - keyWidth, top, keyWidth, bottom - top, blackKey(key) ? QColor(40, 40, 40) : Qt::white);
        if (key % 12 == 0 || key % 12 == 5 || bottom - top >= 6) {
            p.setPen(QColor(150, 150, 150));
            p.drawLine(w - keyWidth, bottom - 1, w, bottom - 1);
        }
        const bool roomy = bottom - top >= fm.height() - 2;
        const bool wanted = roomy || (state_.drum ? true : key % 12 == 0);
        const int base = (top + bottom) / 2 + (fm.ascent() - fm.descent()) / 2;
        if (!wanted || base > lastLabel - fm.height() + fm.ascent() + 1) continue;
        p.setPen(Qt::black);
        const QString name = QString::fromStdString(state_.keyName(key));
        p.drawText(QRect(2, base - fm.ascent(), w - 4 - (state_.drum ? keyWidth : 0), fm.height()), Qt::AlignLeft, name);
        lastLabel = base - fm.ascent();
    }
    p.setPen(QColor(120, 120, 120));
    p.drawLine(w - 1, 0, w - 1, height());
}

void KeyRuler::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const double steps = delta / 120.0;
    if (event->modifiers() & Qt::ControlModifier)
        Q_EMIT zoomKeys(std::pow(1.25, steps), event->position().toPoint().y());
    else
        Q_EMIT scrollKeys(static_cast<int>(std::lround(steps)));
    event->accept();
}
