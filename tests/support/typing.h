#pragma once

#include <QTest>

// Types text into a widget key by key; a line break is Enter, and a character beyond Latin-1
// (Cyrillic) goes as a key event carrying its text, as a keyboard layout would send it.
inline void TypeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            QTest::keyClick(widget, Qt::Key_Return);
        else if (c.unicode() < 128)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}
