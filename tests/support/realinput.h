#pragma once

// Input as an author gives it. Mouse gestures go to the top-level window, which routes them
// through the program's filters to the widget under the pointer or holding the mouse. The
// headless platform has no drag loop, so a drag they start is carried to its drop as the
// toolkit's loop carries it. The program's real boxes are answered from a timer that also runs
// in their own loops: the box takes the focus, runs its loop, and a key or click closes it.

#include "tree/objectdrag.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::Look);
        m_timer.start(0);
    }
    QStringList boxes; // "icon|caption|text" of each message box answered
    // The button to click; Return (the default button) when unset or null.
    std::function<QAbstractButton *(QMessageBox *)> pick;
    // Fills an input dialog, false to cancel it; unset, it is cancelled.
    std::function<bool(QInputDialog *)> fill;

private:
    void Look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        auto *box = qobject_cast<QMessageBox *>(modal);
        auto *dialog = qobject_cast<QDialog *>(modal);
        auto *input = qobject_cast<QInputDialog *>(modal);
        if (box) {
            boxes << QStringLiteral("%1|%2|%3").arg(box->icon()).arg(box->windowTitle(),
                                                                     box->text());
            if (QAbstractButton *button = pick ? pick(box) : nullptr)
                button->click();
            else
                QTest::keyClick(box, Qt::Key_Return);
        } else if (dialog) {
            input && fill && fill(input) ? dialog->accept() : dialog->reject();
        }
    }
    QTimer m_timer;
};

namespace RealInput {

inline QWindow *WindowOf(QWidget *widget)
{
    return widget->window()->windowHandle();
}

inline void Click(QWidget *widget, QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    QTest::mouseClick(WindowOf(widget), Qt::LeftButton, keys, widget->mapTo(widget->window(), at));
}

// Carries drag to the point at of the top-level widget top: enter, move, drop.
inline void CarryDrag(QDrag *drag, QWidget *top, QPoint at, Qt::KeyboardModifiers keys)
{
    QWidget *target = top->childAt(at);
    while (target && !target->acceptDrops())
        target = target->parentWidget();
    if (!target)
        return;
    const QPoint pos = target->mapFrom(top, at);
    QDragEnterEvent enter(pos, drag->supportedActions(), drag->mimeData(), Qt::LeftButton, keys);
    QDragMoveEvent move(pos, drag->supportedActions(), drag->mimeData(), Qt::LeftButton, keys);
    QDropEvent drop(QPointF(pos), drag->supportedActions(), drag->mimeData(), Qt::NoButton, keys);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return;
    QCoreApplication::sendEvent(target, &move);
    QCoreApplication::sendEvent(target, move.isAccepted() ? static_cast<QEvent *>(&drop) : &leave);
}

// Presses on from, moves until a drag starts, carries it to to with keys held; then whileDown
// looks at the program (the drop having run from the event loop) before the button comes up,
// over the widget under the pointer: a drag takes the mouse from the one pressed.
inline void Drag(QWidget *from, QPoint fromAt, QWidget *to, QPoint toAt,
                 Qt::KeyboardModifiers keys = Qt::NoModifier,
                 const std::function<void()> &whileDown = {})
{
    QWidget *top = from->window();
    const QPoint start = from->mapTo(top, fromAt);
    const QPoint end = to->mapTo(top, toAt);
    bool dragged = false;
    ObjectDrag::SetRunner([&](QDrag *drag) {
        dragged = true;
        CarryDrag(drag, top, end, keys);
    });
    const QPoint step(QApplication::startDragDistance() + 2, 0);
    QTest::mousePress(WindowOf(top), Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(WindowOf(top), start + step);
    QTest::mouseMove(WindowOf(top), start + 2 * step);
    ObjectDrag::SetRunner(nullptr);
    QCoreApplication::processEvents();
    if (whileDown)
        whileDown();
    QWidget *under = top->childAt(end);
    if (dragged && under)
        QTest::mouseRelease(under, Qt::LeftButton, keys, under->mapFrom(top, end));
    else
        QTest::mouseRelease(WindowOf(top), Qt::LeftButton, keys, end);
}

} // namespace RealInput
