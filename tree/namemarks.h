#pragma once

#include <QString>
#include <QStringList>

// The names an author has marked in the object tree, in the order marked, each once. Marks belong
// to names, not nodes: every node bearing a marked name is marked.
class NameMarks
{
public:
    // What a mouse press over a node asks of the tree.
    struct PressResult
    {
        // The marks that are drawn changed, so the tree must be repainted.
        bool repaint = false;
        // Non-empty: select the owned node of this name instead of the pressed one.
        QString select;
    };

    // A press on a node bearing name, with Ctrl held or not. With Ctrl a name is added, or taken
    // off while others remain (the last remaining name is then to be selected); the only mark
    // stays. Without Ctrl a name that is not marked replaces the marks; a marked name keeps them,
    // so a drag from it carries them all.
    PressResult Press(const QString &name, bool ctrl);

    // The marks become the one name.
    void Reset(const QString &name);
    void Clear() { m_names.clear(); }
    // A renamed object keeps its mark under its new name.
    void Rename(const QString &oldName, const QString &newName);

    // Whether a node bearing text is drawn marked: only while two or more names are marked.
    bool Underlines(const QString &text) const;

    const QStringList &Names() const { return m_names; }

private:
    QStringList m_names;
};
