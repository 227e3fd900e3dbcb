#pragma once

// Mouse gestures as a hand makes them, for the tests of the drawing windows.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QRect>
#include <QTest>
#include <QWidget>

// A left drag: press, two moves, release, the modifier keys held throughout.
inline void drag(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(w, Qt::LeftButton, modifiers, from);
    for (QPoint p : {(from + to) / 2, to}) {
        QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(w, &move);
    }
    QTest::mouseRelease(w, Qt::LeftButton, modifiers, to);
}

// The mouse passing over a point with no button held.
inline void hover(QWidget* w, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

inline QPoint centreOf(const QRect& r) { return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2); }
