// The text of the statements the tree runs and the names it picks, without a window: what the
// tree runs without echoing it is seen only here.

#include "tests/testmain.h"
#include "tree/droprules.h"
#include "script/luanames.h"
#include "tree/treestatements.h"

#include <QSet>
#include <QTest>

namespace TS = TreeStatements;

using Statements = QList<QPair<QString, bool>>;

namespace {

Statements Texts(const DropRules::Plan &plan)
{
    Statements texts;
    for (const DropRules::Statement &statement : plan.statements)
        texts.append({statement.text, statement.echoed});
    return texts;
}

} // namespace

class TestTreeStatements : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statements_data()
    {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");
        QTest::newRow("create") << TS::Create(QStringLiteral("world"), QStringLiteral("newobject0"))
                                << "world:create (\"newobject0\", \"\")";
        QTest::newRow("delete owned") << TS::DeleteOwned(QStringLiteral("box"))
                                      << "box:remove(); box= nil";
        QTest::newRow("delete reference")
            << TS::DeleteReference(QStringLiteral("room"), QStringLiteral("player"))
            << "room:remove(player)";
        QTest::newRow("rename") << TS::Rename(QStringLiteral("key2"), QStringLiteral("key"))
                                << "key2, key = key; key2.uid = \"key2\"";
        QTest::newRow("level") << TS::MoveTo(QStringLiteral("a"), QStringLiteral("world"))
                               << "a:moveto (world)";
        QTest::newRow("reference dragged away")
            << TS::RemoveReference(QStringLiteral("hall"), QStringLiteral("box"))
            << "hall:remove (box)";
        QTest::newRow("add reference")
            << TS::AddReference(QStringLiteral("room"), QStringLiteral("box")) << "room:add (box)";
        QTest::newRow("clone")
            << TS::Clone(QStringLiteral("room"), QStringLiteral("box"), QStringLiteral("box1"))
            << "room:clone (box, 'box1')";
        QTest::newRow("copy constructor")
            << TS::CopySource(QStringLiteral("room"), QStringLiteral("constructor"),
                              QStringLiteral("box"))
            << "if not room.ide_data then room.ide_data = {} end\n"
               "room.ide_data.constructor = box.ide_data.constructor";
        QTest::newRow("copy data") << TS::CopyData(QStringLiteral("room"), QStringLiteral("box"))
                                   << "room.data = clone (box.data)";
        QTest::newRow("refresh") << TS::Refresh() << "update_items ()";
        QTest::newRow("postload") << TS::PostLoad() << "dofile 'postload.lua'";
    }
    void statements()
    {
        QFETCH(QString, built);
        QFETCH(QString, expected);
        QCOMPARE(built, expected);
    }

    void freeName_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("asked");
        QTest::newRow("nothing taken") << "newobject" << QStringList() << "newobject0" << 1;
        QTest::newRow("first two taken")
            << "newobject"
            << QStringList({QStringLiteral("newobject0"), QStringLiteral("newobject1")})
            << "newobject2" << 3;
        QTest::newRow("a gap is used")
            << "box" << QStringList({QStringLiteral("box0"), QStringLiteral("box2")}) << "box1"
            << 2;
        QStringList all;
        for (int i = 0; i < 1000; ++i)
            all << QStringLiteral("key%1").arg(i);
        QTest::newRow("all a thousand taken") << "key" << all << "key1000" << 1000;
        QTest::newRow("no leading zeros") << "n" << QStringList({QStringLiteral("n0")}) << "n1"
                                          << 2;
    }
    void freeName()
    {
        QFETCH(QString, prefix);
        QFETCH(QStringList, taken);
        QFETCH(QString, name);
        QFETCH(int, asked);
        const QSet<QString> set(taken.cbegin(), taken.cend());
        int count = 0;
        QCOMPARE(LuaNames::FreeName(prefix,
                                    [&](const QString &candidate) {
                                        ++count;
                                        return set.contains(candidate);
                                    }),
                 name);
        QCOMPARE(count, asked);
    }

    void pastePrefixed_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("pasted");
        QTest::newRow("owner replaced")
            << "hall:create (\"box\", \"Ящик\")\r\nbox.ide_data = {\r\n"
            << "room:create (\"box\", \"Ящик\")\r\nbox.ide_data = {\r\n";
        QTest::newRow("only the first colon")
            << "hall:create (\"a\", \"\")\r\na:create (\"b\", \"\")"
            << "room:create (\"a\", \"\")\r\na:create (\"b\", \"\")";
        QTest::newRow("no colon") << "box.data = {}" << "roombox.data = {}";
        QTest::newRow("colon first") << ":add (x)" << "room:add (x)";
    }
    void pastePrefixed()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, pasted);
        QCOMPARE(TS::PastePrefixed(clipboard, QStringLiteral("room")), pasted);
    }

    void pasteChunk_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("chunk");
        QTest::newRow("plain") << "room:create (\"box\", \"\")"
                               << "loadstring [[room:create (\"box\", \"\")]] (); "
                                  "dofile 'postload.lua'; update_items()";
        QTest::newRow("line breaks of the clipboard")
            << "a = 1\r\nb = 2\r\n"
            << "loadstring [[a = 1\nb = 2\n]] (); dofile 'postload.lua'; update_items()";
        QTest::newRow("balanced brackets inside")
            << "x.ide_data = {\nlook = [[print (1)]],\n}"
            << "loadstring [[x.ide_data = {\nlook = [[print (1)]],\n}]] (); "
               "dofile 'postload.lua'; update_items()";
    }
    void pasteChunk()
    {
        QFETCH(QString, text);
        QFETCH(QString, chunk);
        QCOMPARE(TS::PasteChunk(text), chunk);
    }

    void propertyDrop_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<Statements>("statements");
        const QString head = QStringLiteral("if not room.ide_data then room.ide_data = {} end\n");
        const QPair<QString, bool> postload{QStringLiteral("dofile 'postload.lua'"), false};
        QTest::newRow("constructor")
            << QString::fromUtf8("Конструктор")
            << Statements(
                   {{head + QStringLiteral("room.ide_data.constructor = box.ide_data.constructor"),
                     false},
                    postload});
        QTest::newRow("catchers")
            << QString::fromUtf8("Отлавливатель")
            << Statements(
                   {{head + QStringLiteral("room.ide_data.hooks = box.ide_data.hooks"), false},
                    postload});
        QTest::newRow("method")
            << "look"
            << Statements({{head + QStringLiteral("room.ide_data.look = box.ide_data.look"), false},
                           postload});
        QTest::newRow("data")
            << QString::fromUtf8("Данные")
            << Statements({{QStringLiteral("room.data = clone (box.data)"), false}});
        QTest::newRow("no entry selected") << "" << Statements();
    }
    void propertyDrop()
    {
        QFETCH(QString, caption);
        QFETCH(Statements, statements);
        const DropRules::Plan plan =
            DropRules::PropertyDrop(caption, QStringLiteral("box"), QStringLiteral("room"));
        QCOMPARE(Texts(plan), statements);
        QCOMPARE(int(plan.change), int(DropRules::NodeChange::None));
    }
};
TARNWICK_TEST(TestTreeStatements)

#include "tst_treestatements.moc"
