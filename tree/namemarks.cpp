#include "tree/namemarks.h"

NameMarks::PressResult NameMarks::Press(const QString &name, bool ctrl)
{
    PressResult result;
    const bool marked = m_names.contains(name);
    if (ctrl) {
        result.repaint = true;
        if (!marked) {
            m_names.append(name);
        } else if (m_names.size() >= 2) {
            m_names.removeOne(name);
            result.select = m_names.last();
        }
    } else if (!marked) {
        result.repaint = m_names.size() >= 2;
        Reset(name);
    }
    return result;
}

void NameMarks::Reset(const QString &name)
{
    m_names.clear();
    m_names.append(name);
}

bool NameMarks::Underlines(const QString &text) const
{
    return m_names.size() >= 2 && m_names.contains(text);
}

void NameMarks::Rename(const QString &oldName, const QString &newName)
{
    const qsizetype at = m_names.indexOf(oldName);
    if (at < 0)
        return;
    if (m_names.contains(newName))
        m_names.removeAt(at);
    else
        m_names[at] = newName;
}
