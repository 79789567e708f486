#pragma once

// A tree window over a real script host, shown and active, with the windows around it replaced
// by fakes that note what they are asked: the tree's editing and drag tests share it.

#include "widgets/windowlinks.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/recordingconsole.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QTest>
#include <QTreeWidgetItemIterator>

#include <memory>

namespace TreeFixture {

// world(player, hall(box*), room(box, key)), then more: hall lists box, which room owns.
inline QString World(const QString &more = QString())
{
    return QStringLiteral("dofile 'startup.lua' world:create('hall') world:create('room') "
                          "room:create('box') room:create('key') hall:add(box) ")
           + more;
}

inline QString PathOf(const QTreeWidgetItem *node)
{
    QStringList texts;
    for (; node; node = node->parent())
        texts.prepend(node->text(0));
    return texts.join(QLatin1Char('/'));
}

inline QStringList Words(const char *text, char separator = ' ')
{
    return QString::fromUtf8(text).split(QLatin1Char(separator), Qt::SkipEmptyParts);
}

// Lua lines, separated by "|".
inline QStringList Lines(const char *text)
{
    return Words(text, '|');
}

class FakeView : public ObjectView
{
public:
    void ShowObjectProperties(const QString &uid) override
    {
        calls << QStringLiteral("ShowObjectProperties ") + uid;
        if (tree)
            tree->WriteSearch(uid);
    }
    void ShowProperty(const QString &uid, const QString &caption) override
    {
        calls << QStringLiteral("ShowProperty ") + uid + QLatin1Char(' ') + caption;
    }
    void ShowObject(const QString &uid) override
    {
        calls << QStringLiteral("ShowObject ") + uid;
        if (tree)
            tree->WriteSearch(uid);
    }

    TItemsWin *tree = nullptr;
    QStringList calls;
};

class FakeWorkbench : public TreeWorkbench
{
public:
    void EndPropertyEdit() override { ++ends; }
    void CopySelectedSubtree() override { ++copies; }
    QString SelectedPropertyCaption() const override { return caption; }

    int ends = 0;
    int copies = 0;
    QString caption;
};

// Builds the world from the Lua text, then the window over it.
class Harness
{
public:
    explicit Harness(const QString &lua)
    {
        host = std::make_unique<ScriptHost>();
        host->SetConsole(&console);
        host->RunLua(lua);
        win = std::make_unique<TItemsWin>(*host);
        view.tree = win.get();
        win->SetObjectView(&view);
        asker.answer = QMessageBox::Yes;
        win->SetAsker(&asker);
        win->SetWorkbench(&workbench);
        host->SetItems(win.get());
        win->resize(300, 500);
        win->show();
        win->activateWindow();
        // A window that never becomes active fails the test that built it.
        if (!QTest::qWaitForWindowActive(win.get()))
            QTest::qFail("the tree window is not active", __FILE__, __LINE__);
        win->Items()->expandAll();
        win->Items()->setFocus();
        view.calls.clear();
        console.lines.clear();
    }
    ~Harness()
    {
        host->SetItems(nullptr);
        host->SetConsole(nullptr);
    }

    TItemsTree *Tree() const { return win->Items(); }

    // Rebuilds the tree with the object named selected, every node open.
    void Rebuild(const QString &uid)
    {
        win->UpdateItems(uid);
        Tree()->expandAll();
    }

    QTreeWidgetItem *Node(const QString &path) const
    {
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            if (PathOf(*it) == path)
                return *it;
        }
        return nullptr;
    }

    QString Selected() const { return PathOf(win->SelectedNode()); }

    QStringList Paths() const
    {
        QStringList paths;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            paths << PathOf(*it);
        return paths;
    }

    // The owned (o) or reference (r) kind of every node, as "path:kind".
    QStringList Kinds() const
    {
        QStringList kinds;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            kinds << PathOf(*it) + QLatin1Char(':')
                         + QLatin1Char((*it)->data(0, Qt::UserRole).toInt() == 1 ? 'r' : 'o');
        }
        return kinds;
    }

    // The lines echoed as commands, the rebuild's check left out.
    QStringList Commands() const
    {
        QStringList commands;
        for (const auto &line : console.lines) {
            if (line.second == ConsoleKind::Command && line.first != QLatin1String("world:check()"))
                commands << line.first;
        }
        return commands;
    }

    int Rebuilds() const
    {
        return int(console.Texts().count(QStringLiteral("world:check()")));
    }

    // A click on a node: "^path" with Ctrl, "!path" with the right button, "-" below the last row.
    void Click(QString path)
    {
        Qt::MouseButton button = Qt::LeftButton;
        Qt::KeyboardModifiers modifiers;
        if (path.startsWith(QLatin1Char('!'))) {
            button = Qt::RightButton;
            path.remove(0, 1);
        }
        if (path.startsWith(QLatin1Char('^'))) {
            modifiers = Qt::ControlModifier;
            path.remove(0, 1);
        }
        QPoint at(10, Tree()->viewport()->height() - 2);
        if (path != QLatin1String("-")) {
            QTreeWidgetItem *node = Node(path);
            QVERIFY2(node, qPrintable(path));
            Tree()->scrollToItem(node);
            at = Tree()->visualItemRect(node).center();
        }
        QTest::mouseClick(Tree()->viewport(), button, modifiers, at);
    }

    // Selects a node as a click does; the marks become its name alone.
    void Select(const QString &path)
    {
        Click(path);
        view.calls.clear();
        console.lines.clear();
    }

    std::unique_ptr<ScriptHost> host;
    RecordingConsole console;
    FakeView view;
    FakeAsker asker;
    FakeWorkbench workbench;
    std::unique_ptr<TItemsWin> win;
};

} // namespace TreeFixture
