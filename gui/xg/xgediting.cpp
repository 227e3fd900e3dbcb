#include "xg/xgediting.h"

#include <QSlider>
#include <QSpinBox>

void bindSlider(QSlider* slider, XGEditing& editing, const bool& loading, const QString& label,
                std::function<void(tonvela::XGEditor&, int)> change, std::function<void(int)> shown) {
    QObject::connect(slider, &QSlider::sliderPressed, slider, [&editing, &loading, label] {
        if (!loading) editing.beginDrag(label);
    });
    QObject::connect(slider, &QSlider::sliderReleased, slider, [&editing] { editing.endDrag(); });
    if (shown) QObject::connect(slider, &QSlider::valueChanged, slider, shown);
    QObject::connect(slider, &QSlider::valueChanged, slider, [&editing, &loading, label, change](int v) {
        if (!loading) editing.edit(label, [&](tonvela::XGEditor& x) { change(x, v); });
    });
}

void bindSpin(QSpinBox* spin, XGEditing& editing, const bool& loading, const QString& label,
              std::function<void(tonvela::XGEditor&, int)> change, std::function<void(int)> shown) {
    if (shown) QObject::connect(spin, &QSpinBox::valueChanged, spin, shown);
    QObject::connect(spin, &QSpinBox::valueChanged, spin, [&editing, &loading, label, change](int v) {
        if (!loading) editing.edit(label, [&](tonvela::XGEditor& x) { change(x, v); });
    });
}
