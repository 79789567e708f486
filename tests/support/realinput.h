#pragma once

// Mouse gestures as the window system delivers them: to the top-level window, which routes them
// to the widget under the pointer (or to the one holding the mouse), through every filter the
// running program has installed.
//
// A drag goes the same way up to its start in the source widget. The headless platform has no
// drag loop, so the drag is then carried to its drop as the toolkit's loop would carry it: drag
// events to the widget under the pointer that takes drops, with the keys held, while the source
// is still inside its start of the drag.

#include "tree/objectdrag.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace RealInput {

inline QWindow *WindowOf(QWidget *widget)
{
    return widget->window()->windowHandle();
}

// A point of the widget in its top-level window.
inline QPoint InWindow(QWidget *widget, QPoint at)
{
    return WindowOf(widget)->mapFromGlobal(widget->mapToGlobal(at));
}

inline void Click(QWidget *widget, QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier,
                  Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(WindowOf(widget), button, keys, InWindow(widget, at));
}

// Carries drag to the point at of the top-level widget window: enter, move, drop.
inline void CarryDrag(QDrag *drag, QWidget *window, QPoint at, Qt::KeyboardModifiers keys)
{
    QWidget *target = window->childAt(at);
    while (target && !target->acceptDrops())
        target = target->parentWidget();
    if (!target)
        return;
    const QPoint pos = target->mapFrom(window, at);
    const Qt::DropActions actions = drag->supportedActions();
    QDragEnterEvent enter(pos, actions, drag->mimeData(), Qt::LeftButton, keys);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return;
    QDragMoveEvent move(pos, actions, drag->mimeData(), Qt::LeftButton, keys);
    QCoreApplication::sendEvent(target, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(target, &leave);
        return;
    }
    QDropEvent drop(QPointF(pos), actions, drag->mimeData(), Qt::NoButton, keys);
    QCoreApplication::sendEvent(target, &drop);
}

// Presses on from, moves far enough for a drag to start, and drops on to with keys held while
// the drag moves there. What the drop does runs from the event loop, as it does in the program;
// then whileDown (when given) looks at the program before the button comes up. A drag gives up
// the mouse when it starts, so the release goes to the widget under the pointer.
inline void Drag(QWidget *from, QPoint fromAt, QWidget *to, QPoint toAt,
                 Qt::KeyboardModifiers keys = Qt::NoModifier,
                 const std::function<void()> &whileDown = {})
{
    QWindow *window = WindowOf(from);
    QWidget *top = from->window();
    const QPoint start = InWindow(from, fromAt);
    const QPoint end = InWindow(to, toAt);
    bool dragged = false;
    ObjectDrag::SetRunner([top, end, keys, &dragged](QDrag *drag) {
        dragged = true;
        CarryDrag(drag, top, end, keys);
    });
    const QPoint step(QApplication::startDragDistance() + 2, 0);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(window, start + step);
    QTest::mouseMove(window, start + 2 * step);
    ObjectDrag::SetRunner(nullptr);
    QCoreApplication::processEvents();
    if (whileDown)
        whileDown();
    QWidget *under = top->childAt(end);
    if (dragged && under)
        QTest::mouseRelease(under, Qt::LeftButton, keys, under->mapFrom(top, end));
    else
        QTest::mouseRelease(window, Qt::LeftButton, keys, end);
}

} // namespace RealInput
