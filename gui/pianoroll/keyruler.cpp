#include "pianoroll/keyruler.h"

#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
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

namespace {

int keyboardWidth(bool drum) { return drum ? 10 : 18; }
int numberWidth(const QFontMetrics& fm) { return fm.horizontalAdvance("127") + 6; }

}  // namespace

int KeyRuler::wantedWidth() const {
    const QFontMetrics fm = fontMetrics();
    const int names = fm.horizontalAdvance(state_.drum ? "Acoustic Bass Drum" : "C#-1") + 6;
    return std::max(names + numberWidth(fm) + keyboardWidth(state_.drum), fm.horizontalAdvance("-8192") + 10);
}

void KeyRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    // The rows match the plane's, which has the same height.
    const RollFrame f = state_.frame(1, height());
    const QFontMetrics fm = fontMetrics();
    const int w = width();
    const int keyWidth = keyboardWidth(state_.drum);
    const int numbersLeft = w - keyWidth - numberWidth(fm);
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
        p.drawText(QRect(2, base - fm.ascent(), numbersLeft - 4, fm.height()), Qt::AlignLeft, name);
        lastLabel = base - fm.ascent();
    }
    // The keys of the plane's lines, in their own column: they cross the plane at these heights.
    if (state_.showGrid) {
        for (int key : {0, 32, 64, 96}) {
            if (key < f.keyLow || key > f.keyHigh() + 1) continue;
            const int y = f.keyLineY(key);
            p.setPen(Qt::black);
            p.drawLine(w - keyWidth, y, w, y);
            const int base = std::clamp(y + (fm.ascent() - fm.descent()) / 2, fm.ascent(), height() - fm.descent());
            p.drawText(QRect(numbersLeft, base - fm.ascent(), numberWidth(fm) - 3, fm.height()), Qt::AlignRight,
                       QString::number(key));
        }
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
