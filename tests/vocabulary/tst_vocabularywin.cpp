// The vocabulary window in the assembled main window, driven by mouse, keys and drags, over
// vocabulary files of its own in a folder of their own.

#include "app/mainwin.h"
#include "properties/propertieswin.h"
#include "script/codepage.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/typing.h"
#include "tests/testmain.h"
#include "vocabulary/vocabularygrid.h"
#include "vocabulary/vocabularytable.h"
#include "vocabulary/vocabularywin.h"

#include <QDir>
#include <QDrag>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

namespace {

const char *const kVerbs = "-- verbs\r\n-- vocabulary\r\nvocabulary ('verbs', [==[\r\n"
                           "take взять брать* *бери\r\nlook осмотреть смотреть\r\nagain опять ещё\r\n"
                           "]==]):check ()\r\n-- /vocabulary\r\n";
const char *const kRows = "take взять брать* *бери|look осмотреть смотреть|again опять ещё";

// The main window started in a folder holding the engine scripts and the vocabulary given.
struct Program
{
    explicit Program(const char *verbs = kVerbs)
    {
        const QDir bin(QCoreApplication::applicationDirPath());
        for (const QString &script : bin.entryList({QStringLiteral("*.lua")}, QDir::Files))
            QFile::copy(bin.filePath(script), dir.filePath(script));
        QVERIFY(WriteBytes(dir.filePath(QStringLiteral("verbs.lua")), CodePage::ToLua(QString::fromUtf8(verbs))));
        QDir::setCurrent(dir.path());
        main = std::make_unique<TMainWin>();
        asker.answer = QMessageBox::Cancel;
        main->SetAsker(&asker);
        main->Host().SetConsole(&console);
        main->show();
        // A window that never becomes active fails the test that started it.
        if (!QTest::qWaitForWindowActive(main.get()))
            QTest::qFail("the main window is not active", __FILE__, __LINE__);
        win = main->Vocabulary();
        grid = win->Vocabulary();
        console.lines.clear();
    }
    ~Program()
    {
        main.reset();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }

    QPoint At(int column, int row) const
    {
        return grid->visualRect(grid->model()->index(row, column)).center();
    }
    void Click(int column, int row)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, At(column, row));
    }
    // Typed into whatever has the focus, as the author types; "\b" is Backspace.
    static void Type(const QString &text)
    {
        for (const QChar c : text)
            TypeText(QApplication::focusWidget(), QString(c));
    }
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }
    // The rows down to the last word, "_" for an empty cell.
    QString Rows() const
    {
        const VocabularyTable *table = grid->Table();
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c)
                cells << (table->Cell(c, r).isEmpty() ? QStringLiteral("_") : table->Cell(c, r));
            while (!cells.isEmpty() && cells.last() == QLatin1String("_"))
                cells.removeLast();
            rows << cells.join(QLatin1Char(' '));
        }
        while (!rows.isEmpty() && rows.last().isEmpty())
            rows.removeLast();
        return rows.join(QLatin1Char('|'));
    }
    // A drag from a cell: the button goes down there and the pointer moves on; the drag then
    // passes over `over` in the grid (or the property list when over is (-1, -1)) and drops.
    void Drag(QPoint from, QPoint over, Qt::KeyboardModifiers overKeys, Qt::KeyboardModifiers dropKeys)
    {
        QWidget *target = over.x() < 0 ? main->Properties()->PropNames()->viewport() : grid->viewport();
        const QPoint at = over.x() < 0 ? target->rect().center() : At(over.x(), over.y());
        grid->SetDragRunner([&](QDrag *drag) {
            QMimeData *data = drag->mimeData();
            const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
            QDragEnterEvent enter(At(from.x(), from.y()), actions, data, Qt::LeftButton, overKeys);
            QApplication::sendEvent(grid->viewport(), &enter);
            if (target != grid->viewport()) {
                QDragLeaveEvent leave;
                QApplication::sendEvent(grid->viewport(), &leave);
                QDragEnterEvent onto(at, actions, data, Qt::LeftButton, overKeys);
                QApplication::sendEvent(target, &onto);
            }
            QDragMoveEvent move(at, actions, data, Qt::LeftButton, overKeys);
            QApplication::sendEvent(target, &move);
            dragAccepted = move.isAccepted();
            QDropEvent drop(at, actions, data, Qt::LeftButton, dropKeys);
            QApplication::sendEvent(target, &drop);
            drag->deleteLater();
        });
        const QPoint start = At(from.x(), from.y());
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, start);
        QTest::mouseMove(grid->viewport(), start + QPoint(VocabularyGrid::kDragDistance + 1, 0));
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, start);
    }

    QTemporaryDir dir;
    FakeAsker asker;
    RecordingConsole console;
    std::unique_ptr<TMainWin> main;
    TVocabularyWin *win = nullptr;
    VocabularyGrid *grid = nullptr;
    bool dragAccepted = false;
};

QPoint Cell(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    return QPoint(parts.value(0).toInt(), parts.value(1).toInt());
}

} // namespace

class TestVocabularyWin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { TestRegistry::FailOnWarnings(); }

    // Steps: "c C R" clicks a cell, "t TEXT" types and presses Enter, "x" empties the cell in its
    // editor, "d" presses Delete, "esc TEXT" types and presses Escape.
    void editing_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("search");
        const QString rows = QString::fromUtf8(kRows);
        QTest::newRow("only the first word") << "c 1 1;t хватать брать" << "take взять брать* *бери|look хватать смотреть|again опять ещё" << "look";
        QTest::newRow("the last row grows the table") << "c 0 3;t go;c 1 3;t идти" << rows + "|go идти" << "go";
        QTest::newRow("a cell after a gap is not selected") << "c 1 1;c 4 1;t x" << "take взять брать* *бери|look x смотреть|again опять ещё" << "look";
        QTest::newRow("Delete closes a template's gap") << "c 1 0;d" << "take брать* *бери|look осмотреть смотреть|again опять ещё" << "take";
        QTest::newRow("Delete takes the row of a key word") << "c 0 1;d" << "take взять брать* *бери|again опять ещё" << "again";
        QTest::newRow("a key word emptied takes its row when left") << "c 0 0;x;c 0 2" << "look осмотреть смотреть|again опять ещё" << "again";
        QTest::newRow("Escape cancels the edit") << "c 1 0;esc xyz" << rows << "take";
        QTest::newRow("a word that would break the file") << "c 1 0;t a]==]" << rows << "take";
    }
    void editing()
    {
        QFETCH(QString, steps);
        QFETCH(QString, rows);
        QFETCH(QString, search);
        Program p;
        for (const QString &step : steps.split(QLatin1Char(';'))) {
            const QString verb = step.section(QLatin1Char(' '), 0, 0);
            const QString rest = step.section(QLatin1Char(' '), 1);
            if (verb == QLatin1String("c")) {
                p.Click(Cell(rest).x(), Cell(rest).y());
            } else if (verb == QLatin1String("t") || verb == QLatin1String("esc")) {
                Program::Type(rest);
                Program::Key(verb == QLatin1String("t") ? Qt::Key_Return : Qt::Key_Escape);
            } else if (verb == QLatin1String("x")) {
                Program::Key(Qt::Key_F2);
                Program::Key(Qt::Key_A, Qt::ControlModifier);
                Program::Key(Qt::Key_Backspace);
                Program::Key(Qt::Key_Return);
            } else if (verb == QLatin1String("d")) {
                Program::Key(Qt::Key_Delete);
            }
        }
        QCoreApplication::processEvents();
        QCOMPARE(p.Rows(), rows);
        QCOMPARE(p.win->Search()->text(), search);
        QCOMPARE(p.win->Accept()->isEnabled(), rows != QString::fromUtf8(kRows));
        QCOMPARE(p.asker.errors.size(), int(steps.contains(QLatin1String("]==]"))));
        QVERIFY(p.asker.asked.isEmpty());
    }

    void drag_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("ctrlOver");
        QTest::addColumn<bool>("ctrlAtDrop");
        QTest::addColumn<QString>("rows");
        const QString rows = QString::fromUtf8(kRows);
        QTest::newRow("swap onto the end of a row") << "1 0" << "3 2" << false << false << "take брать* *бери|look осмотреть смотреть|again опять ещё взять";
        QTest::newRow("swap into the last row") << "2 0" << "0 3" << false << false << "take взять *бери|look осмотреть смотреть|again опять ещё|брать*";
        QTest::newRow("insert a template as a new row") << "2 0" << "1 2" << true << true << "take взять *бери|look осмотреть смотреть|брать*|again опять ещё";
        QTest::newRow("insert a key word on a key word") << "0 0" << "0 2" << true << true << "again опять ещё|look осмотреть смотреть|take взять брать* *бери";
        QTest::newRow("insert a row after another") << "0 2" << "1 0" << true << true << "take взять брать* *бери again опять ещё|look осмотреть смотреть";
        QTest::newRow("insert a row after itself") << "0 0" << "2 0" << true << true << rows;
        QTest::newRow("Ctrl let go before the drop swaps") << "0 0" << "0 2" << true << false << "again взять брать* *бери|look осмотреть смотреть|take опять ещё";
        QTest::newRow("not where a cell cannot be selected") << "1 0" << "4 1" << false << false << rows;
    }
    void drag()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, ctrlOver);
        QFETCH(bool, ctrlAtDrop);
        QFETCH(QString, rows);
        Program p;
        p.Drag(Cell(from), Cell(to), ctrlOver ? Qt::ControlModifier : Qt::NoModifier,
               ctrlAtDrop ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(p.Rows(), rows);
        QCOMPARE(p.win->Accept()->isEnabled(), rows != QString::fromUtf8(kRows));
    }

    void applyWritesTheBlockAndRunsTheFile()
    {
        Program p;
        p.Click(3, 1);
        Program::Type(QStringLiteral("взять"));
        Program::Key(Qt::Key_Return);
        QTest::mouseClick(p.win->Accept(), Qt::LeftButton);
        QByteArray expected = CodePage::ToLua(QString::fromUtf8(kVerbs));
        expected.replace(CodePage::ToLua(QStringLiteral("смотреть\r\n")), CodePage::ToLua(QStringLiteral("смотреть взять\r\n")));
        QCOMPARE(ReadBytes(QStringLiteral("verbs.lua")), expected);
        QCOMPARE(p.console.lines.value(0), qMakePair(QStringLiteral("dofile 'verbs.lua'"), int(ConsoleKind::Command)));
        QCOMPARE(p.console.lines.value(1), qMakePair(QStringLiteral("verbs:check()"), int(ConsoleKind::Command)));
        // The new words are in force, and their conflict is told, naming both key words.
        QCOMPARE(p.main->Host().EvalString(QStringLiteral("verbs.rows[2][4]")), QStringLiteral("взять"));
        QVERIFY(p.console.Errors().contains(QStringLiteral("«take» и «look»")));
        QVERIFY(!p.win->Accept()->isEnabled());
    }

    void applyRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("typed");
        QTest::newRow("no block") << "-- verbs\nprint(1)\n" << "go";
        QTest::newRow("a line read as a marker") << kVerbs << "--;vocabulary";
    }
    void applyRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, typed);
        Program p(file.toUtf8().constData());
        const QByteArray before = ReadBytes(QStringLiteral("verbs.lua"));
        p.Click(0, p.grid->model()->rowCount() - 1);
        for (const QString &word : typed.split(QLatin1Char(';'))) {
            Program::Type(word);
            Program::Key(Qt::Key_Tab);
        }
        p.win->PopupMenu1()->findChild<QAction *>(QStringLiteral("N3"))->trigger();
        QCOMPARE(ReadBytes(QStringLiteral("verbs.lua")), before);
        QVERIFY(p.console.Errors().contains(QStringLiteral("verbs.lua")) || p.console.Errors().contains(QStringLiteral("-- vocabulary")));
        QVERIFY(!p.console.Texts().contains(QStringLiteral("dofile 'verbs.lua'")));
        QVERIFY(p.win->Accept()->isEnabled());
    }

    void tabChange_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("written");
        QTest::newRow("Cancel keeps the tab and the edit") << int(QMessageBox::Cancel) << 0 << false;
        QTest::newRow("No drops the edit") << int(QMessageBox::No) << 1 << false;
        QTest::newRow("Yes writes the tab left") << int(QMessageBox::Yes) << 1 << true;
    }
    void tabChange()
    {
        QFETCH(int, answer);
        QFETCH(int, tab);
        QFETCH(bool, written);
        Program p;
        const QByteArray nouns = ReadBytes(QStringLiteral("nouns.lua"));
        p.asker.answer = QMessageBox::StandardButton(answer);
        p.Click(1, 2);
        Program::Type(QStringLiteral("снова"));  // the editor is still open when the tab is clicked
        QTabBar *tabs = p.win->VocabularyTab();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(p.asker.asked.size(), 1);
        QCOMPARE(tabs->currentIndex(), tab);
        QCOMPARE(p.grid->Table()->Cell(1, 2) == QStringLiteral("снова"), tab == 0);
        QCOMPARE(ReadBytes(QStringLiteral("verbs.lua")).contains(CodePage::ToLua(QStringLiteral("again снова"))), written);
        QCOMPARE(ReadBytes(QStringLiteral("nouns.lua")), nouns);
    }

    void search_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("search");
        QTest::newRow("a template in capitals") << "*БЕРИ" << 0 << "take";
        QTest::newRow("е finds ё") << "еще" << 2 << "again";
        QTest::newRow("nothing found") << "xyz" << 0 << "xyz";
        QTest::newRow("nothing typed") << "x\b" << 3 << "";
    }
    void search()
    {
        QFETCH(QString, typed);
        QFETCH(int, row);
        QFETCH(QString, search);
        Program p;
        p.win->Search()->setFocus();
        Program::Key(Qt::Key_A, Qt::ControlModifier);
        Program::Type(typed);
        QCOMPARE(p.grid->currentIndex(), p.grid->model()->index(row, 0));
        QCOMPARE(p.win->Search()->text(), search);
        QCOMPARE(QApplication::focusWidget(), p.win->Search());
    }

    void dropOnPropertyList_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("method");
        QTest::newRow("a key word") << 0 << "0 1" << "look";
        QTest::newRow("a template gives its key word") << 0 << "2 0" << "take";
        QTest::newRow("again") << 0 << "0 2" << "";
        QTest::newRow("names") << 1 << "0 4" << "";
    }
    void dropOnPropertyList()
    {
        QFETCH(int, tab);
        QFETCH(QString, from);
        QFETCH(QString, method);
        Program p;
        p.win->VocabularyTab()->setCurrentIndex(tab);
        const QString rows = p.Rows();
        p.Drag(Cell(from), QPoint(-1, -1), {}, {});
        QCOMPARE(p.dragAccepted, !method.isEmpty());
        QTreeWidget *list = p.main->Properties()->PropNames();
        const QString selected = list->currentItem() ? list->currentItem()->text(0) : QString();
        QCOMPARE(selected, method.isEmpty() ? QStringLiteral("Данные") : method);
        if (!method.isEmpty())
            QCOMPARE(p.main->Host().EvalString(QStringLiteral("type(player.ide_data.") + method + QLatin1Char(')')), QStringLiteral("string"));
        QCOMPARE(p.Rows(), rows);
    }
};

TARNWICK_TEST(TestVocabularyWin)

#include "tst_vocabularywin.moc"
