#include "tests/properties/fixture.h"
#include "tests/support/typing.h"
#include "tests/testmain.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

const QString kData = QStringLiteral("Данные");
const QString kConstructor = QStringLiteral("Конструктор");
const QString kCatchers = QStringLiteral("Отлавливатель");

// The caption a key of ide_data is listed with, and back.
QString CaptionOf(const QString &key)
{
    if (key == QLatin1String("constructor"))
        return kConstructor;
    return key == QLatin1String("hooks") ? kCatchers : key;
}

QString KeyOf(const QString &caption)
{
    if (caption == kConstructor)
        return QStringLiteral("constructor");
    return caption == kCatchers ? QStringLiteral("hooks") : caption;
}

} // namespace

class TestPropertiesWin : public QObject, private PropertiesBench
{
    Q_OBJECT

private:
    QString SelectedCaption() const
    {
        const QList<QTreeWidgetItem *> selected = List()->selectedItems();
        return selected.size() == 1 ? selected.first()->text(0) : QString();
    }

    // The lines the window echoed, and those Lua reported as errors.
    QStringList Echoes() const { return m_console.Texts(ConsoleKind::Command); }
    QStringList Errors() const { return m_console.Texts(ConsoleKind::Error); }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        Start();
    }

    void cleanup() { Stop(); }

    // The entries follow the object's own ide_data; odd globals are read without a Lua error
    // escaping the window.
    void listFollowsIdeData_data()
    {
        QTest::addColumn<QString>("world");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ideDataType");
        const QString hall = QStringLiteral("hall.ide_data = ");
        QTest::newRow("the three kinds")
            << hall + "{ look = 'print(1)', hooks = '', constructor = '' }" << "hall" << "Зал" << "table";
        QTest::newRow("never shown before") << "hall.ide_data = nil" << "hall" << "Зал" << "table";
        QTest::newRow("no such object") << "" << "ghost" << "прежнее" << "nil";
        QTest::newRow("a name that is a table") << "ghost = { name = {}, ide_data = {} }" << "ghost"
                                                << "" << "table";
        QTest::newRow("field access raises")
            << "ghost = setmetatable({}, { __index = function () error('boom') end })" << "ghost"
            << "прежнее" << "nil";
    }

    void listFollowsIdeData()
    {
        QFETCH(QString, world);
        QFETCH(QString, uid);
        QFETCH(QString, name);
        QFETCH(QString, ideDataType);
        m_host->RunLua(world);
        const QString object = QStringLiteral("rawget(_G, '%1')").arg(uid);
        const QString ideData =
            QStringLiteral("(type(%1) == 'table' and rawget(%1, 'ide_data') or nil)").arg(object);
        const QString order = Eval(QStringLiteral(
            "(function () local d, t = %1, {} if type(d) == 'table' then for k in pairs(d) do "
            "table.insert(t, k) end end return table.concat(t, '|') end)()").arg(ideData));
        QStringList captions{kData};
        for (const QString &key : order.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            captions.append(CaptionOf(key));
        m_win->ObjName()->setText(QStringLiteral("прежнее"));
        Pick(uid, QStringLiteral("room"));
        QCOMPARE(Captions(), captions);
        QCOMPARE(SelectedCaption(), kData);
        QCOMPARE(m_win->ObjName()->text(), name);
        QCOMPARE(m_selection.searches.last(), uid);
        QCOMPARE(Eval(QStringLiteral("type(%1)").arg(ideData)), ideDataType);
        // Showing runs nothing and captures nothing; "Данные" shows no editor.
        QCOMPARE(m_console.lines.size(), 0);
        QVERIFY(!Editor()->isVisible());
    }

    // Adding leads to the entry and shows its heading: a new one empty, one the object has already
    // with its source kept. A method name that cannot name a Lua method is refused before any Lua
    // is built from it, and the entry selected before (take) stays.
    void addEntry_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("answer"); // null cancels the dialog
        QTest::addColumn<QString>("world");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<int>("entries");
        const QString take = QStringLiteral("function hall:take (event)|end");
        QTest::newRow("new method, blanks around") << "Insert" << "  look \t" << "" << "hall" << "look" << ""
                                                   << "function hall:look (event)|end" << 3;
        QTest::newRow("cancelled") << "Insert" << QString() << "" << "hall" << kData << "" << "" << 2;
        QTest::newRow("empty") << "Insert" << "  " << "" << "hall" << "take" << "x = 1" << take << 2;
        QTest::newRow("a blank inside") << "Insert" << "look at" << "" << "hall" << "take" << "x = 1" << take
                                        << 2;
        QTest::newRow("Cyrillic") << "N2" << "осмотреть" << "" << "hall" << "take" << "x = 1" << take << 2;
        QTest::newRow("a keyword") << "Insert" << "end" << "" << "hall" << "take" << "x = 1" << take << 2;
        QTest::newRow("new constructor") << "N10" << "" << "" << "hall" << kConstructor << ""
                                         << "room:create (\"hall\", \"Зал\"); function hall:constructor ()|end"
                                         << 3;
        QTest::newRow("new catchers") << "N4" << "" << "" << "hall" << kCatchers << ""
                                      << "hall:add (function (event)|end)" << 3;
        QTest::newRow("existing method") << "N2" << " look " << "hall.ide_data.look = 'print(1)'" << "hall"
                                         << "look" << "print(1)" << "function hall:look (event)|end" << 3;
        QTest::newRow("constructor of the root") << "N10" << "" << "" << "world" << kConstructor << ""
                                                 << "function world:constructor ()|end" << 2;
    }

    void addEntry()
    {
        QFETCH(QString, action);
        QFETCH(QString, answer);
        QFETCH(QString, world);
        QFETCH(QString, uid);
        QFETCH(QString, caption);
        QFETCH(QString, source);
        QFETCH(QString, heading);
        QFETCH(int, entries);
        m_host->RunLua(QStringLiteral("hall.ide_data = { take = 'x = 1' } ") + world);
        Pick(uid, uid == QLatin1String("hall") ? QStringLiteral("room") : QString());
        if (uid == QLatin1String("hall"))
            ClickEntry(QStringLiteral("take"));
        m_asker.text = answer;
        m_asker.confirm = !answer.isNull();
        if (action == QLatin1String("Insert")) {
            List()->setFocus();
            QTest::keyClick(List(), Qt::Key_Insert);
        } else {
            m_win->PopupMenu1()->findChild<QAction *>(action)->trigger();
        }
        const bool refused = caption == QLatin1String("take");
        QCOMPARE(m_asker.asked.size(), refused ? 1 : 0);
        if (refused)
            QVERIFY2(m_asker.asked.first().contains(QStringLiteral("в имена действий")),
                     qPrintable(m_asker.asked.first()));
        QCOMPARE(SelectedCaption(), caption);
        QCOMPARE(Captions().size(), entries);
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.take")), QStringLiteral("x = 1"));
        // Storing source is not echoed.
        QCOMPARE(m_console.lines.size(), 0);
        QCOMPARE(Editor()->isVisible(), caption != kData);
        if (caption == kData)
            return;
        QCOMPARE(Eval(uid + QStringLiteral(".ide_data.") + KeyOf(caption)), source);
        QCOMPARE(Editor()->Text(), source);
        QCOMPARE(m_win->BeginLabel()->text() + QLatin1Char('|') + m_win->EndLabel()->text(), heading);
    }

    void deleteProperty_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("last");
        QTest::newRow("last entry, Delete") << true << true;
        QTest::newRow("middle entry, menu") << false << false;
    }

    void deleteProperty()
    {
        QFETCH(bool, byKey);
        QFETCH(bool, last);
        m_host->RunLua(QStringLiteral(
            "hall.ide_data = { a = 'x = 1', b = 'x = 2', c = 'x = 3', constructor = 'y = 1' } "
            "function hall:a () end function hall:b () end function hall:c () end "
            "function hall:constructor () end"));
        Pick(QStringLiteral("hall"), QStringLiteral("room"));
        const int row = last ? Captions().size() - 1 : 2;
        const QString caption = Captions().at(row);
        const QString key = KeyOf(caption);
        ClickEntry(caption);
        if (byKey)
            QTest::keyClick(List(), Qt::Key_Delete);
        else
            m_win->PopupMenu1()->findChild<QAction *>(QStringLiteral("N1"))->trigger();

        QCOMPARE(Echoes(), QStringList{QStringLiteral("hall.") + key + QStringLiteral(" = nil")});
        QCOMPARE(Errors(), QStringList());
        QCOMPARE(Eval(QStringLiteral("type(hall.ide_data.") + key + QLatin1Char(')')), QStringLiteral("nil"));
        QCOMPARE(Eval(QStringLiteral("type(hall.") + key + QLatin1Char(')')), QStringLiteral("nil"));
        QCOMPARE(Captions().size(), 4);
        QVERIFY(!Captions().contains(caption));
        QCOMPARE(SelectedCaption(), Captions().at(last ? row - 1 : row));
        // The editor shows the entry that is now selected, never the deleted text.
        QCOMPARE(Editor()->Text(), Eval(QStringLiteral("hall.ide_data.") + KeyOf(SelectedCaption())));
    }

    void nameWriteBack_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("stored");
        QTest::newRow("blanks around, leaving")
            << "  Большой зал  " << false << "hall.name = 'Большой зал'" << "Большой зал";
        QTest::newRow("a quote in the name")
            << "Зал 'Б'" << false << "hall.name = \"Зал 'Б'\"" << "Зал 'Б'";
        QTest::newRow("a backslash in the name")
            << "Зал\\Б" << true << "hall.name = \"Зал\\\\Б\"" << "Зал\\Б";
    }

    void nameWriteBack()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byEnter);
        QFETCH(QString, statement);
        QFETCH(QString, stored);
        ShowHall(QStringLiteral("{ constructor = '' }"), kConstructor);
        QLineEdit *name = m_win->ObjName();
        Focus(name);
        name->selectAll();
        TypeText(name, typed);
        QCOMPARE(m_console.lines.size(), 0);
        QCOMPARE(m_win->BeginLabel()->text(), QStringLiteral("room:create (\"hall\", \"") + stored
                                                  + QStringLiteral("\"); function hall:constructor ()"));
        if (byEnter)
            QTest::keyClick(name, Qt::Key_Return);
        else
            LeaveEditor();
        QCOMPARE(Echoes(), QStringList{statement});
        QCOMPARE(Errors(), QStringList());
        QCOMPARE(Eval(QStringLiteral("hall.name")), stored);
    }

    // Leaving a field writes only what the author typed since it was last written: first with
    // nothing typed, then after the name and after the code were written and the world changed
    // by other means, which nothing may write over.
    void leavingWithoutTypingRunsNothing()
    {
        ShowHall(QStringLiteral("{ look = '' }"), QStringLiteral("look"));
        const QList<QWidget *> fields{m_win->ObjName(), Editor()};
        for (QWidget *typed : QList<QWidget *>{nullptr, fields.first(), fields.last()}) {
            if (typed) {
                Focus(typed);
                TypeText(typed, QStringLiteral("--x"));
                LeaveEditor();
                QVERIFY(!m_console.lines.isEmpty());
                m_host->RunLua(QStringLiteral("hall.name = 'Другое'; hall.ide_data.look = 'y = 2'"));
                m_console.lines.clear();
            }
            for (QWidget *left : fields) {
                Focus(left);
                LeaveEditor();
            }
            QCOMPARE(m_console.lines.size(), 0);
        }
        QCOMPARE(Eval(QStringLiteral("hall.name")), QStringLiteral("Другое"));
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.look")), QStringLiteral("y = 2"));
    }

    // Each kind's write-back, and bodies that quoting could break. What was typed lands in the
    // object it was typed for when the tree moves on before the editor is left. A body Lua
    // rejects still keeps its source; the failure shows in the console.
    void codeWriteBack_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("echoes");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("probeValue");
        QTest::addColumn<int>("failures");
        QTest::newRow("method")
            << "look" << "probe = \"Темно\""
            << QStringList{"function hall:look(event)\nprobe = \"Темно\"\nend"} << "" << "Темно" << 0;
        QTest::newRow("catchers")
            << kCatchers << "probe = event"
            << QStringList{"hall.hooks = nil; hall:add (function (event)\nprobe = event\nend)"}
            << "hall.hooks[1]('шаг'); return probe .. table.getn(hall.hooks)" << "шаг1" << 0;
        QTest::newRow("constructor")
            << kConstructor << "self.data.n = (self.data.n or 0) + 1"
            << QStringList{"function hall:constructor ()\nself.data.n = (self.data.n or 0) + 1\nend",
                           "hall:constructor ()"}
            << "return hall.data.n" << "1" << 0;
        QTest::newRow("a closing bracket in the body")
            << "look" << "probe = ']]' .. \"[[\""
            << QStringList{"function hall:look(event)\nprobe = ']]' .. \"[[\"\nend"} << "" << "]][[" << 0;
        QTest::newRow("a leading line break") << "look" << "\nprobe = 2"
            << QStringList{"function hall:look(event)\n\nprobe = 2\nend"} << "" << "2" << 0;
        QTest::newRow("paired brackets")
            << "look" << "probe = [[a [[b]] c]]"
            << QStringList{"function hall:look(event)\nprobe = [[a [[b]] c]]\nend"} << "" << "a [[b]] c"
            << 0;
        QTest::newRow("rejected")
            << "look" << "if then" << QStringList{"function hall:look(event)\nif then\nend"}
            << "return type(hall.look)" << "nil" << 1;
    }

    void codeWriteBack()
    {
        QFETCH(QString, caption);
        QFETCH(QString, typed);
        QFETCH(QStringList, echoes);
        QFETCH(QString, probe);
        QFETCH(QString, probeValue);
        QFETCH(int, failures);
        // Catchers left from an earlier write-back must go: hooks is reset first.
        m_host->RunLua(QStringLiteral("hall.ide_data = { look = '', hooks = '', constructor = '' }; "
                                      "hall:add(function () end)"));
        ShowHall(QString(), caption);
        FocusEditor();
        // Typed as it stands: "[[" would otherwise be closed on the author's behalf.
        Editor()->AutoSubstitution()->setChecked(false);
        TypeText(Editor(), typed);
        Pick(QStringLiteral("apple"), QStringLiteral("world"));
        QCOMPARE(Echoes(), echoes);
        QCOMPARE(Errors().size(), failures);
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.") + KeyOf(caption)), typed);
        QVERIFY(Eval(QStringLiteral("apple.ide_data.") + KeyOf(caption)).isEmpty());
        if (probe.isEmpty())
            probe = QStringLiteral("hall:look(); return probe");
        QCOMPARE(Eval(QStringLiteral("(function () ") + probe + QStringLiteral(" end)()")), probeValue);
        ShowHall(QString(), caption);
        QCOMPARE(Editor()->Text(), typed);
    }

    // Opening the editor's own popup menu is not leaving it: nothing is written until the author
    // really goes elsewhere.
    void popupMenuIsNotLeaving()
    {
        ShowHall(QStringLiteral("{ look = '' }"), QStringLiteral("look"));
        FocusEditor();
        TypeText(Editor(), QStringLiteral("x = 1"));
        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(Editor(), &toPopup);
        QCOMPARE(m_console.lines.size(), 0);
        LeaveEditor();
        QCOMPARE(Echoes(), QStringList{QStringLiteral("function hall:look(event)\nx = 1\nend")});
    }
};

TARNWICK_TEST(TestPropertiesWin)
#include "tst_propertieswin.moc"
