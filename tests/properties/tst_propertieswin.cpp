#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tests/properties/fakes.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/typing.h"
#include "tests/testmain.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

const QString kData = QStringLiteral("Данные");
const QString kConstructor = QStringLiteral("Конструктор");
const QString kCatchers = QStringLiteral("Отлавливатель");

// The caption and image a key of ide_data is listed with.
QPair<QString, int> EntryOfKey(const QString &key)
{
    if (key == QLatin1String("constructor"))
        return {kConstructor, 0};
    if (key == QLatin1String("hooks"))
        return {kCatchers, 2};
    return {key, 1};
}

} // namespace

class TestPropertiesWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;
    FakeSelection m_selection;
    FakeAsker m_asker;
    std::unique_ptr<TPropertiesWin> m_win;

    QTreeWidget *List() const { return m_win->PropNames(); }
    MethodEditor *Editor() const { return m_win->Method(); }

    // The list's entries: their captions, or their images as numbers.
    QStringList Captions(int role = Qt::DisplayRole) const
    {
        QStringList entries;
        for (int i = 0; i < List()->topLevelItemCount(); ++i)
            entries.append(List()->topLevelItem(i)->data(0, role).toString());
        return entries;
    }

    int RowOf(const QString &caption) const { return Captions().indexOf(caption); }

    QString SelectedCaption() const
    {
        const QList<QTreeWidgetItem *> selected = List()->selectedItems();
        return selected.size() == 1 ? selected.first()->text(0) : QString();
    }

    QString Eval(const QString &expression) { return m_host->EvalString(expression); }

    // The lines the window echoed, and those Lua reported as errors.
    QStringList Echoes() const { return m_console.Texts(ConsoleKind::Command); }
    QStringList Errors() const { return m_console.Texts(ConsoleKind::Error); }

    // The tree selects the object and shows it, as a click on its node does.
    void Pick(const QString &uid, const QString &parent)
    {
        m_selection.Select(uid, parent);
        m_win->ShowObject(uid);
    }

    // Gives hall the sources (unless null), shows it as the tree would, and clicks the entry.
    void ShowHall(const QString &ideData, const QString &caption = QString())
    {
        if (!ideData.isNull())
            m_host->RunLua(QStringLiteral("hall.ide_data = ") + ideData);
        Pick(QStringLiteral("hall"), QStringLiteral("room"));
        if (!caption.isEmpty())
            ClickEntry(caption);
    }

    void ClickEntry(const QString &caption)
    {
        const int row = RowOf(caption);
        QVERIFY2(row >= 0, qPrintable(caption));
        const QRect rect = List()->visualItemRect(List()->topLevelItem(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    static void Focus(QWidget *widget)
    {
        widget->setFocus();
        QTRY_VERIFY(widget->hasFocus());
    }

    void FocusEditor()
    {
        QVERIFY(Editor()->isVisible());
        Focus(Editor());
        Editor()->moveCursor(QTextCursor::End);
    }

    // The author leaves the editor for the list.
    void LeaveEditor() { Focus(List()); }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_selection = FakeSelection();
        m_asker = FakeAsker();
        m_asker.confirm = true;
        m_host = std::make_unique<ScriptHost>();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
        m_host->RunLua(QStringLiteral(
            "world:create('room', 'Комната'); room:create('hall', 'Зал'); world:create('apple', 'Яблоко')"));
        m_win = std::make_unique<TPropertiesWin>(*m_host);
        m_win->SetSelection(&m_selection);
        m_win->SetAsker(&m_asker);
        m_win->show();
        m_win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_win.get()));
        m_console.lines.clear();
    }

    void cleanup()
    {
        m_win.reset();
        m_host->SetConsole(nullptr);
        m_host.reset();
    }

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
        QTest::newRow("methods only") << hall + "{ ['осмотреть'] = '', take = '', drop = '', open = '' }"
                                      << "hall" << "Зал" << "table";
        QTest::newRow("empty") << hall + "{}" << "hall" << "Зал" << "table";
        QTest::newRow("many") << hall + "(function () local t = { hooks = '' } "
                                        "for i = 1, 25 do t['m' .. i] = '' end return t end)()"
                              << "hall" << "Зал" << "table";
        QTest::newRow("never shown before") << "hall.ide_data = nil" << "hall" << "Зал" << "table";
        QTest::newRow("no such object") << "" << "ghost" << "прежнее" << "nil";
        QTest::newRow("a number") << "ghost = 5" << "ghost" << "прежнее" << "nil";
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
        QStringList images{QStringLiteral("3")};
        for (const QString &key : order.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            captions.append(EntryOfKey(key).first);
            images.append(QString::number(EntryOfKey(key).second));
        }

        m_win->ObjName()->setText(QStringLiteral("прежнее"));
        Pick(uid, QStringLiteral("room"));
        QCOMPARE(Captions(), captions);
        QCOMPARE(Captions(TPropertiesWin::ImageRole), images);
        QCOMPARE(SelectedCaption(), kData);
        QCOMPARE(m_win->ObjName()->text(), name);
        QCOMPARE(m_selection.searches.last(), uid);
        QCOMPARE(Eval(QStringLiteral("type(%1)").arg(ideData)), ideDataType);
        // Showing runs nothing and captures nothing; "Данные" shows no editor.
        QCOMPARE(m_console.lines.size(), 0);
        QVERIFY(m_win->Pending().uid.isEmpty());
        QVERIFY(!Editor()->isVisible());
        QVERIFY(!m_win->Field()->isEnabled());
    }

    void addProperty_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("selected");
        QTest::newRow("blanks around, Insert") << true << "  look \t" << true << "look";
        QTest::newRow("menu item") << false << "open" << true << "open";
        QTest::newRow("cancelled") << true << "look" << false << kData;
        QTest::newRow("cancelled from the menu") << false << "look" << false << kData;
        // What cannot name a Lua method is refused before any Lua is built from it.
        QTest::newRow("empty") << true << "  " << true << "take";
        QTest::newRow("a blank inside") << true << "look at" << true << "take";
        QTest::newRow("Cyrillic") << false << QString::fromUtf8("осмотреть") << true << "take";
        QTest::newRow("a keyword") << true << "end" << true << "take";
    }

    void addProperty()
    {
        QFETCH(bool, byKey);
        QFETCH(QString, answer);
        QFETCH(bool, confirm);
        QFETCH(QString, selected);
        ShowHall(QStringLiteral("{ take = 'x = 1' }"), QStringLiteral("take"));
        m_asker.text = answer;
        m_asker.confirm = confirm;
        const bool refused = confirm && selected == QLatin1String("take");
        if (byKey) {
            List()->setFocus();
            QTest::keyClick(List(), Qt::Key_Insert);
        } else {
            m_win->PopupMenu1()->findChild<QAction *>(QStringLiteral("N2"))->trigger();
        }
        QCOMPARE(m_asker.textsAsked,
                 QStringList{"Добавление действия к объекту hall|Введите добавляемое действие|"});
        QCOMPARE(SelectedCaption(), selected);
        QCOMPARE(m_asker.asked.size(), refused ? 1 : 0);
        if (refused) {
            QVERIFY2(m_asker.asked.first().contains(QStringLiteral("в имена действий")),
                     qPrintable(m_asker.asked.first()));
            QCOMPARE(Captions(), (QStringList{kData, QStringLiteral("take")}));
            QCOMPARE(m_console.lines.size(), 0);
            return;
        }
        const QString key = confirm ? selected : QStringLiteral("look");
        QCOMPARE(Eval(QStringLiteral("type(hall.ide_data['") + key + QStringLiteral("'])")),
                 confirm ? QStringLiteral("string") : QStringLiteral("nil"));
        QCOMPARE(Captions().size(), confirm ? 3 : 2);
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.take")), QStringLiteral("x = 1"));
        // Storing source is not echoed.
        QCOMPARE(m_console.lines.size(), 0);
        QCOMPARE(Editor()->isVisible(), confirm);
        if (confirm)
            QCOMPARE(m_win->BeginLabel()->text(), QStringLiteral("function hall:") + selected
                                                      + QStringLiteral(" (event)"));
    }

    // Asking for a constructor, catchers or method the object has already leads to it and keeps
    // its source; asking for a new one creates it empty.
    void addFixedKinds_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("world");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("image");
        QTest::newRow("new constructor") << "N10" << "" << "" << kConstructor << "constructor" << "" << 0;
        QTest::newRow("new catchers") << "N4" << "" << "" << kCatchers << "hooks" << "" << 2;
        QTest::newRow("existing constructor")
            << "N10" << "" << "hall.ide_data.constructor = 'self.data.n = 1'" << kConstructor
            << "constructor" << "self.data.n = 1" << 0;
        QTest::newRow("existing catchers") << "N4" << "" << "hall.ide_data.hooks = 'print(event)'"
                                           << kCatchers << "hooks" << "print(event)" << 2;
        QTest::newRow("existing method") << "N2" << " look " << "hall.ide_data.look = 'print(1)'"
                                         << "look" << "look" << "print(1)" << 1;
    }

    void addFixedKinds()
    {
        QFETCH(QString, action);
        QFETCH(QString, answer);
        QFETCH(QString, world);
        QFETCH(QString, caption);
        QFETCH(QString, key);
        QFETCH(QString, source);
        QFETCH(int, image);
        m_host->RunLua(world);
        Pick(QStringLiteral("hall"), QStringLiteral("room"));
        m_asker.text = answer;
        m_win->PopupMenu1()->findChild<QAction *>(action)->trigger();
        QCOMPARE(SelectedCaption(), caption);
        QCOMPARE(Captions(TPropertiesWin::ImageRole).at(RowOf(caption)), QString::number(image));
        QCOMPARE(Captions().count(caption), 1);
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.") + key), source);
        QCOMPARE(Editor()->Text(), source);
        QVERIFY(Editor()->isVisible());
        QCOMPARE(m_console.lines.size(), 0);
    }

    void deleteProperty_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("last");
        QTest::newRow("last entry, Delete") << true << true;
        QTest::newRow("middle entry, Delete") << true << false;
        QTest::newRow("last entry, menu") << false << true;
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
        const QString key = caption == kConstructor ? QStringLiteral("constructor") : caption;
        ClickEntry(caption);
        QCOMPARE(SelectedCaption(), caption);
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
        const QString shownKey = SelectedCaption() == kConstructor ? QStringLiteral("constructor")
                                                                   : SelectedCaption();
        QCOMPARE(Editor()->Text(), Eval(QStringLiteral("hall.ide_data.") + shownKey));
    }

    void nameWriteBack_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("stored");
        QTest::newRow("blanks around, leaving")
            << "  Большой зал  " << false << "hall.name = 'Большой зал'" << "Большой зал";
        QTest::newRow("blanks around, Enter")
            << "  Большой зал  " << true << "hall.name = 'Большой зал'" << "Большой зал";
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
        Pick(QStringLiteral("hall"), QStringLiteral("room"));
        QLineEdit *name = m_win->ObjName();
        Focus(name);
        name->selectAll();
        TypeText(name, typed);
        QCOMPARE(m_console.lines.size(), 0);
        if (byEnter)
            QTest::keyClick(name, Qt::Key_Return);
        else
            LeaveEditor();
        QCOMPARE(Echoes(), QStringList{statement});
        QCOMPARE(Errors(), QStringList());
        QCOMPARE(Eval(QStringLiteral("hall.name")), stored);
        QCOMPARE(m_win->Pending().name, stored);
        QCOMPARE(m_win->Pending().uid, QStringLiteral("hall"));
    }

    // Leaving a field writes only what the author typed since it was last written.
    void leavingWithoutTypingRunsNothing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("field");
        QTest::newRow("name, nothing typed yet") << "" << "name";
        QTest::newRow("editor, nothing typed yet") << "" << "editor";
        QTest::newRow("name, after a name was written") << "name" << "name";
        QTest::newRow("editor, after code was written") << "editor" << "editor";
        QTest::newRow("name, after code was written") << "editor" << "name";
        QTest::newRow("editor, after a name was written") << "name" << "editor";
    }

    void leavingWithoutTypingRunsNothing()
    {
        QFETCH(QString, before);
        QFETCH(QString, field);
        ShowHall(QStringLiteral("{ look = '' }"), QStringLiteral("look"));
        const auto widget = [this](const QString &which) -> QWidget * {
            return which == QLatin1String("name") ? static_cast<QWidget *>(m_win->ObjName()) : Editor();
        };
        QWidget *beforeWidget = widget(before);
        QWidget *fieldWidget = widget(field);
        if (!before.isEmpty()) {
            Focus(beforeWidget);
            TypeText(beforeWidget, QStringLiteral("--x"));
            LeaveEditor();
            QVERIFY(!m_console.lines.isEmpty());
            // Meanwhile the world changes by other means; nothing may write over it.
            m_host->RunLua(QStringLiteral("hall.name = 'Другое'; hall.ide_data.look = 'y = 2'"));
            m_console.lines.clear();
        }
        for (int pass = 0; pass < 2; ++pass) {
            Focus(fieldWidget);
            LeaveEditor();
        }
        QCOMPARE(m_console.lines.size(), 0);
        if (!before.isEmpty()) {
            QCOMPARE(Eval(QStringLiteral("hall.name")), QStringLiteral("Другое"));
            QCOMPARE(Eval(QStringLiteral("hall.ide_data.look")), QStringLiteral("y = 2"));
        }
    }

    // What was typed for one object lands in that object when the tree moves on before the
    // editor is left.
    void pendingEditFollowsTheEditedObject()
    {
        m_host->RunLua(QStringLiteral(
            "hall.ide_data = { look = '' }; apple.ide_data = { look = 'print(\"яблоко\")' }"));
        ShowHall(QString(), QStringLiteral("look"));
        FocusEditor();
        TypeText(Editor(), QStringLiteral("print(\"зал\")"));
        QCOMPARE(m_win->Pending().uid, QStringLiteral("hall"));
        QCOMPARE(m_win->Pending().property, QStringLiteral("look"));

        Pick(QStringLiteral("apple"), QStringLiteral("world"));
        QCOMPARE(Echoes(), QStringList{QStringLiteral("function hall:look(event)\nprint(\"зал\")\nend")});
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.look")), QStringLiteral("print(\"зал\")"));
        QCOMPARE(Eval(QStringLiteral("apple.ide_data.look")), QStringLiteral("print(\"яблоко\")"));
        m_host->RunLua(QStringLiteral("hall:look()"));
        QCOMPARE(m_console.Texts(ConsoleKind::Normal), QStringList{QStringLiteral("зал\t")});
    }

    void codeWriteBack_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("echoes");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("probeValue");
        QTest::newRow("method")
            << "look" << "probe = \"Темно\""
            << QStringList{"function hall:look(event)\nprobe = \"Темно\"\nend"} << "look"
            << "hall:look(); return probe" << "Темно";
        QTest::newRow("catchers")
            << kCatchers << "probe = event"
            << QStringList{"hall.hooks = nil; hall:add (function (event)\nprobe = event\nend)"}
            << "hooks" << "hall.hooks[1]('шаг'); return probe .. table.getn(hall.hooks)" << "шаг1";
        QTest::newRow("constructor")
            << kConstructor << "self.data.n = (self.data.n or 0) + 1"
            << QStringList{"function hall:constructor ()\nself.data.n = (self.data.n or 0) + 1\nend",
                           "hall:constructor ()"}
            << "constructor" << "return hall.data.n" << "1";
        QTest::newRow("a closing bracket in the body")
            << "look" << "probe = ']]' .. \"[[\""
            << QStringList{"function hall:look(event)\nprobe = ']]' .. \"[[\"\nend"} << "look"
            << "hall:look(); return probe" << "]][[";
        QTest::newRow("a leading line break")
            << "look" << "\nprobe = 2" << QStringList{"function hall:look(event)\n\nprobe = 2\nend"}
            << "look" << "hall:look(); return probe" << "2";
        QTest::newRow("paired brackets")
            << "look" << "probe = [[a [[b]] c]]"
            << QStringList{"function hall:look(event)\nprobe = [[a [[b]] c]]\nend"} << "look"
            << "hall:look(); return probe" << "a [[b]] c";
    }

    void codeWriteBack()
    {
        QFETCH(QString, caption);
        QFETCH(QString, typed);
        QFETCH(QStringList, echoes);
        QFETCH(QString, key);
        QFETCH(QString, probe);
        QFETCH(QString, probeValue);
        // Catchers left from an earlier write-back must go: hooks is reset first.
        m_host->RunLua(QStringLiteral("hall.ide_data = { look = '', hooks = '', constructor = '' }; "
                                      "hall:add(function () end)"));
        ShowHall(QString(), caption);
        FocusEditor();
        // Typed as it stands: "[[" would otherwise be closed on the author's behalf.
        Editor()->AutoSubstitution()->setChecked(false);
        TypeText(Editor(), typed);
        LeaveEditor();
        QCOMPARE(Echoes(), echoes);
        QCOMPARE(Errors(), QStringList());
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.") + key), typed);
        QCOMPARE(Eval(QStringLiteral("(function () ") + probe + QStringLiteral(" end)()")), probeValue);

        // Shown again, the editor holds exactly what was typed.
        Pick(QStringLiteral("apple"), QStringLiteral("world"));
        ShowHall(QString(), caption);
        QCOMPARE(Editor()->Text(), typed);
    }

    void constructorRunsOnEveryWriteBack()
    {
        ShowHall(QStringLiteral("{ constructor = '' }"), kConstructor);
        for (int run = 1; run <= 3; ++run) {
            FocusEditor();
            TypeText(Editor(),
                     run == 1 ? QStringLiteral("self.data.n = (self.data.n or 0) + 1") : QStringLiteral(" "));
            LeaveEditor();
            QCOMPARE(Eval(QStringLiteral("hall.data.n")), QString::number(run));
            QCOMPARE(Echoes().last(), QStringLiteral("hall:constructor ()"));
        }
        QCOMPARE(Echoes().size(), 6);
    }

    // A body Lua rejects still keeps its source; the failure shows in the console.
    void rejectedBodyKeepsItsSource()
    {
        ShowHall(QStringLiteral("{ look = '' }"), QStringLiteral("look"));
        FocusEditor();
        TypeText(Editor(), QStringLiteral("if then"));
        LeaveEditor();
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.look")), QStringLiteral("if then"));
        QCOMPARE(Errors().size(), 1);
    }

    void headings_data()
    {
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("begin");
        QTest::addColumn<QString>("end");
        QTest::newRow("method") << "hall" << "room" << "look" << "function hall:look (event)" << "end";
        QTest::newRow("catchers") << "hall" << "room" << kCatchers << "hall:add (function (event)"
                                  << "end)";
        QTest::newRow("constructor")
            << "hall" << "room" << kConstructor
            << "room:create (\"hall\", \"Зал\"); function hall:constructor ()" << "end";
        QTest::newRow("constructor of the root") << "world" << "" << kConstructor
                                                 << "function world:constructor ()" << "end";
    }

    void headings()
    {
        QFETCH(QString, uid);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        m_host->RunLua(uid + QStringLiteral(".ide_data = { look = '', hooks = '', constructor = '' }"));
        Pick(uid, parent);
        ClickEntry(caption);
        QVERIFY(m_win->BeginLabel()->isVisible());
        QCOMPARE(m_win->BeginLabel()->text(), begin);
        QCOMPARE(m_win->EndLabel()->text(), end);
    }

    void constructorHeadingFollowsTheName()
    {
        ShowHall(QStringLiteral("{ constructor = '' }"), kConstructor);
        QLineEdit *name = m_win->ObjName();
        Focus(name);
        name->selectAll();
        TypeText(name, QStringLiteral("  Новый зал "));
        QCOMPARE(m_win->BeginLabel()->text(),
                 QStringLiteral("room:create (\"hall\", \"Новый зал\"); function hall:constructor ()"));
    }

    // Opening the editor's own popup menu is not leaving it: nothing is written until the author
    // really goes elsewhere.
    void popupMenuIsNotLeaving()
    {
        ShowHall(QStringLiteral("{ look = '' }"), QStringLiteral("look"));
        FocusEditor();
        TypeText(Editor(), QStringLiteral("x = 1"));
        QSignalSpy left(Editor(), &MethodEditor::Left);
        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(Editor(), &toPopup);
        QCOMPARE(left.size(), 0);
        QCOMPARE(m_console.lines.size(), 0);
        LeaveEditor();
        QCOMPARE(left.size(), 1);
        QCOMPARE(Echoes(), QStringList{QStringLiteral("function hall:look(event)\nx = 1\nend")});
    }
};

TARNWICK_TEST(TestPropertiesWin)
#include "tst_propertieswin.moc"
