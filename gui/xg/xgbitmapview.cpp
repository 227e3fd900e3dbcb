#include "xg/xgbitmapview.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

tonvela::XGBitmap bitmapOfImage(const QImage& image) {
    tonvela::XGBitmap bits;
    if (image.isNull()) return bits;
    // Transparent parts count as the white paper behind the picture.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    const QImage small = flat.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_Grayscale8);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            if (qGray(small.pixel(c, r)) < 128) bits.set(static_cast<size_t>(r * 16 + c));
    return bits;
}

XGBitmapView::XGBitmapView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    setCursor(Qt::CrossCursor);
    setToolTip("Click or drag to draw the picture");
}

void XGBitmapView::setPicture(const tonvela::XGBitmap& picture) {
    picture_ = picture;
    update();
}

void XGBitmapView::setImage(const QImage& image) { setPicture(bitmapOfImage(image)); }

int XGBitmapView::pixelAt(QPoint p) const {
    if (p.x() < 0 || p.y() < 0 || p.x() >= width() || p.y() >= height()) return -1;
    const int c = p.x() * 16 / width(), r = p.y() * 16 / height();
    return r * 16 + c;
}

void XGBitmapView::paintPixel(int index, bool on) {
    if (index < 0 || picture_.test(static_cast<size_t>(index)) == on) return;
    picture_.set(static_cast<size_t>(index), on);
    update();
    Q_EMIT changed();
}

void XGBitmapView::mousePressEvent(QMouseEvent* event) {
    const int i = pixelAt(event->position().toPoint());
    if (i < 0 || event->button() != Qt::LeftButton) return;
    painting_ = true;
    paintValue_ = !picture_.test(static_cast<size_t>(i));
    paintPixel(i, paintValue_);
}

void XGBitmapView::mouseMoveEvent(QMouseEvent* event) {
    if (painting_ && (event->buttons() & Qt::LeftButton)) paintPixel(pixelAt(event->position().toPoint()), paintValue_);
}

void XGBitmapView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC8, 0xD8, 0xB0));  // a display's pale green
    const QColor dot(0x20, 0x30, 0x20), grid(0xB0, 0xC0, 0x98);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            const QRect cell(c * width() / 16, r * height() / 16, (c + 1) * width() / 16 - c * width() / 16,
                             (r + 1) * height() / 16 - r * height() / 16);
            if (picture_.test(static_cast<size_t>(r * 16 + c))) p.fillRect(cell.adjusted(0, 0, -1, -1), dot);
            else p.fillRect(cell.adjusted(0, 0, -1, -1), QColor(0xC8, 0xD8, 0xB0));
        }
    p.setPen(grid);
    for (int i = 1; i < 16; ++i) {
        p.drawLine(i * width() / 16 - 1, 0, i * width() / 16 - 1, height());
        p.drawLine(0, i * height() / 16 - 1, width(), i * height() / 16 - 1);
    }
}
