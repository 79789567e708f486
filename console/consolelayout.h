#pragma once

#include <QWidget>

// The console's client area: the log above, the input line and the toggle along the bottom,
// placed by fixed distances to the bottom edge as the window is resized.
class ConsoleLayout : public QWidget
{
public:
    ConsoleLayout(QWidget *output, QWidget *input, QWidget *toggle, QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(605, 452); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_output;
    QWidget *m_input;
    QWidget *m_toggle;
};
