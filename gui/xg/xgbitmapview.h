#pragma once

// The 16 x 16 one-bit picture of an XG display message, shown enlarged and drawn with the mouse:
// a press turns the pixel under it over, and dragging paints every pixel passed with that value.

#include <QWidget>

#include "xg/xg_editor.h"

class QImage;

class XGBitmapView : public QWidget {
    Q_OBJECT
public:
    explicit XGBitmapView(QWidget* parent = nullptr);

    const tonvela::XGBitmap& picture() const { return picture_; }
    void setPicture(const tonvela::XGBitmap& picture);
    // Any picture: scaled into the 16 x 16 grid; pixels darker than middle grey are set.
    void setImage(const QImage& image);
    QSize sizeHint() const override { return {286, 190}; }
    QSize minimumSizeHint() const override { return {143, 95}; }

Q_SIGNALS:
    // The user drew.
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int pixelAt(QPoint p) const;  // -1 outside
    void paintPixel(int index, bool on);

    tonvela::XGBitmap picture_;
    bool painting_ = false;
    bool paintValue_ = true;
};

// The one-bit picture of an image, as XGBitmapView::setImage makes it.
tonvela::XGBitmap bitmapOfImage(const QImage& image);
