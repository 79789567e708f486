#pragma once

#include "widgets/windowlinks.h"
#include "tests/support/fakeasker.h"

#include <QStringList>

// The object tree as the properties window sees it: a selected node and its owner, set by the
// test, and a record of what was written into the search box.
class FakeSelection : public ObjectSelection
{
public:
    QString SelectedUid() const override { return uid; }
    QString SelectedParentUid() const override { return parentUid; }
    void WriteSearch(const QString &text) override { searches.append(text); }

    void Select(const QString &selected, const QString &parent)
    {
        uid = selected;
        parentUid = parent;
    }

    QString uid;
    QString parentUid;
    QStringList searches;
};
