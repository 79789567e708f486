// A seeded random walk through the assembled main window with real input: clicks on nodes and
// property entries, the tree's and the list's keys, names typed valid and not, method bodies,
// drags with and without Ctrl and Alt, and answers to the boxes that come up. Any crash,
// sanitizer report or toolkit warning fails it, and so do a red console line (the walk types
// nothing that Lua could reject) and an editor showing other text than the property selected.
//
// The seed is printed; TARNWICK_MONKEY_SEED=<seed> replays a walk, TARNWICK_MONKEY_EVENTS=<n>
// sets its length.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "properties/propertystatements.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "tests/support/boxanswerer.h"
#include "tests/support/realinput.h"
#include "tests/testmain.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTreeWidgetItemIterator>

#include <memory>

class TestMonkey : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    QRandomGenerator m_random;
    QStringList m_recent;
    int m_consoleBlocks = 0;

    int Pick(int count) { return int(m_random.bounded(count)); }

    template <typename T> const T &OneOf(const QList<T> &list)
    {
        return list.at(Pick(int(list.size())));
    }

    void Note(const QString &action)
    {
        m_recent << action;
        if (m_recent.size() > 25)
            m_recent.removeFirst();
    }

    QString Name()
    {
        return OneOf(QStringList{"lamp", "chest", "door", "key2", "box_1", "newobject0", "room",
                                 "hall", "1bad", "bad name", "end", QString::fromUtf8("осмотреть"),
                                 ""});
    }

    TItemsTree *Tree() const { return m_main->Items()->Items(); }
    QTreeWidget *List() const { return m_main->Properties()->PropNames(); }

    // A node or entry on view, by the point at its middle, with its name; none is null.
    struct Spot
    {
        QPoint at;
        QString name;
    };
    Spot SpotIn(QTreeWidget *view)
    {
        QList<QTreeWidgetItem *> items;
        for (QTreeWidgetItemIterator it(view); *it; ++it) {
            const QRect rect = view->visualItemRect(*it);
            if (!rect.isEmpty() && view->viewport()->rect().contains(rect.center()))
                items << *it;
        }
        if (items.isEmpty())
            return {};
        QTreeWidgetItem *item = OneOf(items);
        return {view->visualItemRect(item).center(), view->objectName() + QLatin1Char(' ')
                                                          + item->text(0)};
    }

    // The keys held over a drag. Clones of clones would soon grow the world past what a walk
    // needs (and past the thousand free names of a kind), so a crowded tree is not cloned in.
    Qt::KeyboardModifiers Keys()
    {
        int nodes = 0;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            ++nodes;
        const Qt::KeyboardModifiers ctrl = nodes < 120 ? Qt::ControlModifier : Qt::NoModifier;
        return OneOf(QList<Qt::KeyboardModifiers>{Qt::NoModifier, Qt::NoModifier, ctrl,
                                                  Qt::AltModifier});
    }

    void Click(QTreeWidget *view, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        const Spot spot = SpotIn(view);
        if (spot.name.isEmpty())
            return;
        Note(QStringLiteral("click ") + spot.name + (keys ? QStringLiteral(" +Ctrl") : QString()));
        RealInput::Click(view->viewport(), spot.at, keys);
    }

    void Drag(QTreeWidget *from)
    {
        const Spot source = SpotIn(from);
        const Spot target = SpotIn(Tree());
        if (source.name.isEmpty() || target.name.isEmpty())
            return;
        const Qt::KeyboardModifiers keys = Keys();
        Note(QStringLiteral("drag ") + source.name + QStringLiteral(" to ") + target.name
             + (keys & Qt::ControlModifier ? QStringLiteral(" +Ctrl") : QString())
             + (keys & Qt::AltModifier ? QStringLiteral(" +Alt") : QString()));
        RealInput::Drag(from->viewport(), source.at, Tree()->viewport(), target.at, keys);
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Note(QKeySequence(int(key) | int(keys)).toString());
        QTest::keyClick(RealInput::WindowOf(m_main.get()), key, keys);
    }

    // The code editor has the focus: what is typed there is Lua, and only whole bodies are.
    bool InEditor() const { return QApplication::focusWidget() == m_main->Properties()->Method(); }

    // Typed into the focused line (a label, the name field) or, for a body, the code editor;
    // never into the console.
    void Type(const QString &text, bool body = false)
    {
        QWidget *focus = QApplication::focusWidget();
        if (!focus || m_main->Console()->isAncestorOf(focus)
            || (body ? !InEditor() : !qobject_cast<QLineEdit *>(focus)))
            return;
        Note(QStringLiteral("type '") + text + QLatin1Char('\''));
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    void Step()
    {
        // The window system gives the main window back its activation when a box closes.
        if (!m_main->isActiveWindow()) {
            m_main->activateWindow();
            QCoreApplication::processEvents();
        }
        switch (Pick(16)) {
        case 0: case 1: case 2:
            Click(Tree(), Pick(4) == 0 ? Qt::ControlModifier : Qt::NoModifier);
            break;
        case 3: case 4:
            Click(List());
            break;
        case 5: case 6:
            if (!InEditor())
                Key(OneOf(QList<Qt::Key>{Qt::Key_Insert, Qt::Key_F2, Qt::Key_F2, Qt::Key_Return,
                                         Qt::Key_Delete, Qt::Key_Escape, Qt::Key_Down,
                                         Qt::Key_Up}));
            break;
        case 7: case 8:
            if (auto *line = qobject_cast<QLineEdit *>(QApplication::focusWidget())) {
                line->selectAll();
                Type(Name());
                Key(Qt::Key_Return);
            }
            break;
        case 9:
            if (m_main->Properties()->Method()->isVisible()) {
                Note(QStringLiteral("click the editor"));
                RealInput::Click(m_main->Properties()->Method()->viewport(), QPoint(20, 10));
                Key(Qt::Key_A, Qt::ControlModifier);
                Type(OneOf(QStringList{"x = 1", "local y = 'a]]b'", "z = {}"}), true);
            }
            break;
        case 10:
            Note(QStringLiteral("click the name field"));
            RealInput::Click(m_main->Properties()->ObjName(), QPoint(10, 5));
            m_main->Properties()->ObjName()->selectAll();
            Type(OneOf(QStringList{"Lamp", "O'Neil", ""}));
            break;
        case 11: case 12:
            Drag(Tree());
            break;
        case 13:
            Drag(List());
            break;
        case 14:
            if (!InEditor())
                Key(Qt::Key_Insert);
            break;
        default:
            Key(Qt::Key_R, Qt::ControlModifier);
            break;
        }
        QCoreApplication::processEvents();
    }

    // The red lines the console has shown since the last look.
    QStringList NewErrors()
    {
        QStringList errors;
        QTextDocument *log = m_main->Console()->Output()->document();
        for (QTextBlock block = log->findBlockByNumber(m_consoleBlocks); block.isValid();
             block = block.next()) {
            const QTextBlock::iterator first = block.begin();
            const bool red = !first.atEnd()
                             && first.fragment().charFormat().foreground().color() == Qt::red;
            if (red)
                errors << block.text();
        }
        m_consoleBlocks = log->blockCount();
        return errors;
    }

    // What the editor holds, unless the author has typed there since, is the stored text of the
    // property selected.
    QString EditorMismatch()
    {
        TPropertiesWin *properties = m_main->Properties();
        // Nor is the current object ever lost.
        if (m_main->Items()->SelectedUid().isEmpty())
            return QStringLiteral("no node is selected");
        const QList<QTreeWidgetItem *> selected = List()->selectedItems();
        if (selected.isEmpty() || properties->Pending().codeUnsaved)
            return QString();
        const QString caption = selected.first()->text(0);
        if (caption == PropertyStatements::DataCaption())
            return QString();
        const QString uid = m_main->Items()->SelectedUid();
        const QString stored = m_main->Host().EvalString(
            uid + QStringLiteral(".ide_data[")
            + LuaQuote::QuotedString(PropertyStatements::KeyOfCaption(caption)) + QLatin1Char(']'));
        if (properties->Method()->Text() == stored)
            return QString();
        return uid + QLatin1Char('.') + caption + QStringLiteral(" holds '") + stored
               + QStringLiteral("', the editor shows '") + properties->Method()->Text()
               + QLatin1Char('\'');
    }

private Q_SLOTS:
    void init() { TestRegistry::FailOnWarnings(); }

    void randomInput()
    {
        const quint32 seed = qEnvironmentVariableIsSet("TARNWICK_MONKEY_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TARNWICK_MONKEY_SEED"))
                                 : QRandomGenerator::global()->generate();
        const int events = qEnvironmentVariableIsSet("TARNWICK_MONKEY_EVENTS")
                               ? qEnvironmentVariableIntValue("TARNWICK_MONKEY_EVENTS")
                               : 2000;
        qInfo("monkey seed %u (TARNWICK_MONKEY_SEED=%u replays this walk)", seed, seed);
        m_random.seed(seed);

        BoxAnswerer answerer;
        answerer.pick = [this](QMessageBox *box) -> QAbstractButton * {
            // Leaving the program is not part of the walk.
            if (box->windowTitle() == QStringLiteral("Выход"))
                return box->button(QMessageBox::Cancel);
            const QList<QAbstractButton *> buttons = box->buttons();
            return buttons.isEmpty() ? nullptr : OneOf(buttons);
        };
        m_main = std::make_unique<TMainWin>();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        // A method is added empty; where the engine cannot compile an empty source yet, every
        // later compile would report it, so only names that are refused are given then.
        const bool emptyCompiles =
            m_main->Host().EvalDefined(QStringLiteral("(compile_source ('world', 'm', ''))"));
        if (!emptyCompiles)
            qInfo("the engine does not compile an empty method: no method is added");
        answerer.fill = [this, emptyCompiles](QInputDialog *dialog) {
            QString name = Name();
            if (!emptyCompiles)
                name = QStringLiteral("bad name");
            dialog->setTextValue(name);
            return Pick(4) != 0;
        };
        m_main->Host().RunLua(QString::fromUtf8(
            "world:create('room', 'Комната') room:create('box', 'Ящик') room:create('key') "
            "world:create('hall') hall:add(box) world:create('cellar') "
            "box.ide_data = {a = 'x = 1', b = 'y = 2', constructor = 'self.data.n = 1'} "
            "key.ide_data = {b = 'y = 3', hooks = 'local h = 1'} update_items()"));
        Tree()->expandAll();
        NewErrors();

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < events; ++i) {
            Step();
            const QStringList errors = NewErrors();
            const QString mismatch = EditorMismatch();
            if (QTest::currentTestFailed() || !errors.isEmpty() || !mismatch.isEmpty()) {
                qInfo("after %d events, the last of them:\n  %s", i + 1,
                      qPrintable(m_recent.join(QStringLiteral("\n  "))));
                QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
                QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
                return;
            }
        }
        qInfo("%d events in %lld ms", events, clock.elapsed());
        m_main.reset();
    }

    void cleanup() { m_main.reset(); }
};

TARNWICK_TEST(TestMonkey)
TARNWICK_TEST_MAIN
#include "tst_monkey.moc"
