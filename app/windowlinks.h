#pragma once

#include <QString>

// What the object tree offers the other windows: the current object of the whole system is the
// text of its selected node.
class ObjectSelection
{
public:
    virtual ~ObjectSelection() = default;
    // The text (uid) of the selected node; empty when nothing is selected.
    virtual QString SelectedUid() const = 0;
    // The text of the selected node's parent node; empty for the root or without a selection.
    virtual QString SelectedParentUid() const = 0;
    // Writes the uid into the tree's search box without starting a search.
    virtual void WriteSearch(const QString &uid) = 0;
};

// What the properties window offers the object tree.
class ObjectView
{
public:
    virtual ~ObjectView() = default;
    // Fills the name field and the property list for the object, with "Данные" selected.
    virtual void ShowObjectProperties(const QString &uid) = 0;
    // Shows one property of the object in the right-hand area.
    virtual void ShowProperty(const QString &uid, const QString &caption) = 0;
    // ShowObjectProperties followed by ShowProperty with "Данные".
    virtual void ShowObject(const QString &uid) = 0;
};
