#include "console/consolelayout.h"

namespace {

// Distances of the designed 605-pixel-wide window: input 520 wide at the left, toggle 71 wide
// 10 pixels from the right edge.
constexpr int kInputRightGap = 605 - 520;
constexpr int kToggleRightGap = 605 - 524;
constexpr int kToggleWidth = 71;

} // namespace

ConsoleLayout::ConsoleLayout(QWidget *output, QWidget *input, QWidget *toggle, QWidget *parent)
    : QWidget(parent), m_output(output), m_input(input), m_toggle(toggle)
{
    for (QWidget *child : {output, input, toggle})
        child->setParent(this);
    setMinimumSize(kInputRightGap + 80, 80);
}

void ConsoleLayout::resizeEvent(QResizeEvent *)
{
    const int w = width();
    const int h = height();
    m_output->setGeometry(0, 0, w, h - 28);
    m_input->setGeometry(0, h - 25, w - kInputRightGap, 24);
    m_toggle->setGeometry(w - kToggleRightGap, h - 24, kToggleWidth, 22);
}
