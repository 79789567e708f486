// A seeded random walk through the main window with real input: clicks on nodes and entries,
// keys, names valid and not, method bodies, drags with Ctrl and Alt, answers to the boxes. It fails
// on a crash, a sanitizer report, a toolkit warning, a red console line (nothing typed is bad
// Lua), a lost selection or an editor showing another property than the one selected.
// TARNWICK_MONKEY_SEED=<seed> replays a walk, TARNWICK_MONKEY_EVENTS=<n> sets its length.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "properties/propertystatements.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "tests/support/realinput.h"
#include "tests/testmain.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTreeWidgetItemIterator>

class TestMonkey : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainWin> m_main;
    QRandomGenerator m_random;
    QStringList m_done;
    int m_seenLines = 0;

    template <typename T> T OneOf(const QList<T> &list)
    {
        return list.at(int(m_random.bounded(int(list.size()))));
    }
    QString Name()
    {
        return OneOf<QString>({"lamp", "chest", "key2", "newobject0", "room", "1bad", "a b", "end",
                               QString::fromUtf8("осмотреть"), ""});
    }
    TItemsTree *Tree() const { return m_main->Items()->Items(); }
    QTreeWidget *List() const { return m_main->Properties()->PropNames(); }
    QWidget *Focus() const { return QApplication::focusWidget(); }

    // The middle of a node or entry on view, and its name; none gives an empty name.
    QPair<QPoint, QString> Spot(QTreeWidget *view)
    {
        QList<QTreeWidgetItem *> items;
        for (QTreeWidgetItemIterator it(view); *it; ++it) {
            if (view->viewport()->rect().contains(view->visualItemRect(*it).center()))
                items << *it;
        }
        QTreeWidgetItem *item = items.isEmpty() ? nullptr : OneOf(items);
        return item ? qMakePair(view->visualItemRect(item).center(), item->text(0))
                    : QPair<QPoint, QString>();
    }

    void Click(QTreeWidget *view, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        const auto [at, name] = Spot(view);
        m_done << QStringLiteral("click %1 %2").arg(name).arg(int(keys));
        if (!name.isEmpty())
            RealInput::Click(view->viewport(), at, keys);
    }

    void Drag(QTreeWidget *from)
    {
        const auto [source, what] = Spot(from);
        const auto [target, where] = Spot(Tree());
        int nodes = 0;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            ++nodes;
        // Clones of clones would soon crowd the world, and use up the thousand free names.
        const Qt::KeyboardModifiers keys = OneOf<Qt::KeyboardModifiers>(
            {Qt::NoModifier, Qt::AltModifier, nodes < 100 ? Qt::ControlModifier : Qt::NoModifier});
        m_done << QStringLiteral("drag %1 to %2 %3").arg(what, where).arg(int(keys));
        if (!what.isEmpty() && !where.isEmpty())
            RealInput::Drag(from->viewport(), source, Tree()->viewport(), target, keys);
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        m_done << QKeySequence(int(key) | int(keys)).toString();
        QTest::keyClick(RealInput::WindowOf(m_main.get()), key, keys);
    }

    // Into a label or the name field, or a whole body into the code editor; not the console.
    void Type(const QString &text, bool body = false)
    {
        auto *line = qobject_cast<QLineEdit *>(Focus());
        if ((body ? Focus() != m_main->Properties()->Method() : !line)
            || m_main->Console()->isAncestorOf(Focus()))
            return;
        m_done << QStringLiteral("type ") + text;
        if (line)
            line->selectAll();
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, Focus(), Qt::Key_unknown, QString(c), {});
    }

    void Step()
    {
        // The window system gives the main window its activation back when a box closes.
        if (!m_main->isActiveWindow())
            m_main->activateWindow();
        MethodEditor *editor = m_main->Properties()->Method();
        const bool editing = Focus() == editor;
        switch (m_random.bounded(12)) {
        case 0: case 1: Click(Tree(), OneOf<Qt::KeyboardModifiers>({{}, {}, Qt::ControlModifier}));
            break;
        case 2: Click(List());
            break;
        case 3: case 4:
            if (!editing)
                Key(OneOf<Qt::Key>({Qt::Key_Insert, Qt::Key_F2, Qt::Key_Return, Qt::Key_Delete,
                                    Qt::Key_Escape, Qt::Key_Up, Qt::Key_Down}));
            break;
        case 5: case 6: Type(Name());
            Key(Qt::Key_Return);
            break;
        case 7:
            if (editor->isVisible()) {
                RealInput::Click(editor->viewport(), QPoint(20, 10));
                Key(Qt::Key_A, Qt::ControlModifier);
                Type(OneOf<QString>({"x = 1", "local y = 'a]]b'"}), true);
            }
            break;
        case 8: RealInput::Click(m_main->Properties()->ObjName(), QPoint(10, 5));
            Type(OneOf<QString>({"Lamp", "O'Neil"}));
            break;
        case 9: case 10: Drag(Tree());
            break;
        default: Drag(List());
        }
        QCoreApplication::processEvents();
    }

    // What went wrong: a red console line, no node selected, or an editor that, not typed in
    // since, holds other text than the stored text of the property selected.
    QString Fault()
    {
        QString fault;
        QTextDocument *log = m_main->Console()->Output()->document();
        for (QTextBlock b = log->findBlockByNumber(m_seenLines); b.isValid(); b = b.next()) {
            if (!b.begin().atEnd() && b.begin().fragment().charFormat().foreground() == Qt::red)
                fault += b.text() + QLatin1Char('\n');
        }
        m_seenLines = log->blockCount();
        const QString uid = m_main->Items()->SelectedUid();
        if (!fault.isEmpty() || uid.isEmpty())
            return fault + QStringLiteral("selected: ") + uid;
        const QString caption = List()->selectedItems().value(0) ? List()->currentItem()->text(0)
                                                                 : QString();
        if (caption.isEmpty() || caption == PropertyStatements::DataCaption()
            || m_main->Properties()->Pending().codeUnsaved)
            return QString();
        const QString key = PropertyStatements::KeyOfCaption(caption);
        const QString stored = m_main->Host().EvalString(
            uid + QStringLiteral(".ide_data[") + LuaQuote::QuotedString(key) + QLatin1Char(']'));
        const QString shown = m_main->Properties()->Method()->Text();
        return shown == stored ? QString() : uid + QStringLiteral(".%1: %2").arg(key, shown);
    }

private Q_SLOTS:
    void init() { TestRegistry::FailOnWarnings(); }
    void cleanup() { m_main.reset(); }

    void randomInput()
    {
        const quint32 seed = qEnvironmentVariableIsSet("TARNWICK_MONKEY_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TARNWICK_MONKEY_SEED"))
                                 : QRandomGenerator::global()->generate();
        const int events = qEnvironmentVariableIsSet("TARNWICK_MONKEY_EVENTS")
                               ? qEnvironmentVariableIntValue("TARNWICK_MONKEY_EVENTS")
                               : 2000;
        qInfo("seed %u: TARNWICK_MONKEY_SEED=%u replays this walk", seed, seed);
        m_random.seed(seed);
        m_main = std::make_unique<TMainWin>();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        m_main->Host().RunLua(QString::fromUtf8(
            "world:create('room', 'Комната') room:create('box') room:create('key') "
            "world:create('hall') hall:add(box) world:create('cellar') update_items() "
            "box.ide_data = {a = 'x = 1', b = 'y = 2', constructor = 'self.data.n = 1'} "
            "key.ide_data = {b = 'y = 3', hooks = 'local h = 1'}"));
        // Until the engine compiles an empty source, an added (empty) method would fail every
        // later compile: the walk adds none then.
        const bool adds =
            m_main->Host().EvalDefined(QStringLiteral("(compile_source ('o', 'm', ''))"));
        BoxAnswerer answerer;
        answerer.pick = [this](QMessageBox *box) {
            return box->windowTitle() == QStringLiteral("Выход") ? box->button(QMessageBox::Cancel)
                                                                 : OneOf(box->buttons());
        };
        answerer.fill = [this, adds](QInputDialog *dialog) {
            dialog->setTextValue(adds ? Name() : QStringLiteral("a b"));
            return m_random.bounded(4) != 0;
        };
        Fault();
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= events; ++i) {
            Step();
            const QString fault = Fault();
            if (QTest::currentTestFailed() || !fault.isEmpty()) {
                const QStringList last = m_done.mid(m_done.size() - 20);
                qInfo("after %s", qPrintable(last.join(QStringLiteral(", "))));
                QVERIFY2(fault.isEmpty(), qPrintable(fault));
                return;
            }
        }
        qInfo("%d events in %lld ms", events, clock.elapsed());
    }
};

TARNWICK_TEST(TestMonkey)
TARNWICK_TEST_MAIN
#include "tst_monkey.moc"
