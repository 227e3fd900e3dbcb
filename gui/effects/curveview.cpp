#include "curveview.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

constexpr int kSide = 256;

// Row of a point value in the normalised drawing: the peak reaches the top (or bottom) row.
double rowOf(int value, int peak) { return 127.0 - static_cast<double>(value) * 127.0 / peak; }

}  // namespace

CurveView::CurveView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSide + 2, kSide + 2);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CurveView::setCurve(const tonvela::Curve& curve) {
    curve_ = curve;
    update();
}

void CurveView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.translate(1, 1);

    const int peak = std::max(curve_.peak, 1);
    p.setPen(QPen(QColor(200, 200, 200), 1));
    p.drawLine(kSide / 2, 0, kSide / 2, kSide - 1);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(0, 127, kSide - 1, 127);
    // Where the function values +1 and -1 lie once the drawing is normalised to the peak.
    if (peak > 127) {
        p.setPen(QPen(QColor(0, 0, 160), 1, Qt::DotLine));
        for (int v : {127, -127}) {
            const int y = static_cast<int>(rowOf(v, peak));
            p.drawLine(0, y, kSide - 1, y);
        }
    }

    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(0, rowOf(curve_.points[0], peak));
    for (int i = 2; i < tonvela::kCurvePoints; i += 2) path.lineTo(i, rowOf(curve_.points[static_cast<size_t>(i)], peak));
    path.lineTo(kSide - 1, rowOf(curve_.points[kSide - 1], peak));
    p.setPen(QPen(Qt::red, 2));
    p.drawPath(path);
}
