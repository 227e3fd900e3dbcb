#pragma once

// The Function page's picture of the shaping curve: 256 points across, normalised to the
// curve's peak, with guide lines where the values +1 and -1 lie.

#include <QWidget>

#include "effects/curve.h"

class CurveView : public QWidget {
    Q_OBJECT
public:
    explicit CurveView(QWidget* parent = nullptr);

    void setCurve(const tonvela::Curve& curve);
    const tonvela::Curve& curve() const { return curve_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    tonvela::Curve curve_;
};
