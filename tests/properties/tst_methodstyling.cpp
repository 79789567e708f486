// Keyword styling and auto-substitution in the method editor, typed through the real widgets:
// what shows bold, what the keys enter, how undo takes it back, and what is written back.

#include "script/luaquote.h"
#include "tests/properties/fixture.h"
#include "tests/support/typing.h"
#include "tests/testmain.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTextBlock>
#include <QTextLayout>

class TestMethodStyling : public QObject, private PropertiesBench
{
    Q_OBJECT

private:
    void Load(const QString &body)
    {
        ShowHall(QStringLiteral("{ look = ") + LuaQuote::LongString(body) + QStringLiteral(" }"),
                 QStringLiteral("look"));
        FocusEditor();
    }

    QStringList BoldWords() const
    {
        QStringList words;
        for (QTextBlock block = Editor()->document()->begin(); block.isValid(); block = block.next()) {
            for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
                if (range.format.fontWeight() == QFont::Bold)
                    words << block.text().mid(range.start, range.length);
            }
        }
        return words;
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        Start();
    }

    void cleanup() { Stop(); }

    // Reserved words are bold in any letter case, in comments too, when loaded and as typed;
    // punctuation is part of a word.
    void keywordsBold()
    {
        const QString text = QStringLiteral("End THEN x -- or end) --end if(x) ends");
        const QStringList bold{QStringLiteral("End"), QStringLiteral("THEN"), QStringLiteral("or")};
        Load(text);
        QTRY_COMPARE(BoldWords(), bold);
        Load(QString());
        TypeText(Editor(), text);
        QCOMPARE(BoldWords(), bold);
    }

    void autoSubstitution_data()
    {
        QTest::addColumn<QString>("before"); // "|" marks the caret, at the end when there is none
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QPoint>("caretAfter");
        QTest::newRow("then") << "\t" << "if x then\n" << true << "\tif x then\n\t\t\n\tend" << QPoint(2, 1);
        QTest::newRow("elseif") << "\t" << "elseif y then\n" << true << "\telseif y then\n\t\t"
                                << QPoint(2, 1);
        QTest::newRow("do") << "" << "for i = 1, 3 do\n" << true << "for i = 1, 3 do\n\t\nend" << QPoint(1, 1);
        QTest::newRow("long bracket") << "" << "x = [[" << true << "x = [[\n]]" << QPoint(0, 1);
        QTest::newRow("Enter keeps the indentation") << "\t\t" << "x = 1\n" << true << "\t\tx = 1\n\t\t"
                                                     << QPoint(2, 1);
        QTest::newRow("Enter in the indentation") << "\t|\tx" << "\n" << true << "\t\n\t\tx" << QPoint(1, 1);
        QTest::newRow("unticked") << "\t" << "if x then\n" << false << "\tif x then\n" << QPoint(0, 1);
    }
    void autoSubstitution()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(bool, ticked);
        QFETCH(QString, after);
        QFETCH(QPoint, caretAfter);
        const int caret = before.indexOf(QLatin1Char('|'));
        before.remove(QLatin1Char('|'));
        Editor()->AutoSubstitution()->setChecked(ticked);
        Load(before);
        if (caret >= 0) {
            QTextCursor cursor = Editor()->textCursor();
            cursor.setPosition(caret);
            Editor()->setTextCursor(cursor);
        }
        TypeText(Editor(), typed);
        QCOMPARE(Editor()->Text(), after);
        QCOMPARE(QPoint(Editor()->textCursor().positionInBlock(), Editor()->textCursor().blockNumber()),
                 caretAfter);
        QCOMPARE(BoldWords().contains(QStringLiteral("end")), after.endsWith(QLatin1String("end")));
        if (ticked) {
            // The whole substitution is one step back (to the text before its last key) and one
            // step forward.
            QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(Editor()->Text(), (before + typed).chopped(1));
            QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(Editor()->Text(), after);
        }
        LeaveEditor();
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.look")), after);
    }

    void editorKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("after");
        QTest::newRow("middle line") << "a = 1\nb = 2\nc = 3" << 1 << "a = 1\nc = 3";
        QTest::newRow("last line") << "a = 1\nb = 2\nc = 3" << 2 << "a = 1\nb = 2";
        QTest::newRow("only line") << "a = 1" << 0 << "";
    }

    // Ctrl+Y deletes the caret's line (not redo); the deletion is the author's and can be undone.
    void editorKeys()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, after);
        Load(text);
        Editor()->setTextCursor(QTextCursor(Editor()->document()->findBlockByNumber(line)));
        QTest::keyClick(Editor(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Editor()->Text(), after);
        QCOMPARE(m_win->Pending().code, after);
        QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Editor()->Text(), text);
        QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Editor()->Text(), after);
        // Loading the property is not an edit the author can undo.
        QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Editor()->Text(), text);
    }

    void editorTypingAndPaste()
    {
        Load(QStringLiteral("end"));
        Editor()->moveCursor(QTextCursor::Start);
        QTest::keyClick(Editor(), Qt::Key_Tab);
        QCOMPARE(Editor()->Text(), QStringLiteral("\tend"));
        QVERIFY(Editor()->hasFocus());

        QGuiApplication::clipboard()->setText(QStringLiteral("if x then\n\t"));
        Editor()->moveCursor(QTextCursor::Start);
        QTest::keyClick(Editor(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Editor()->Text(), QStringLiteral("if x then\n\t\tend"));
        QCOMPARE(Editor()->textCursor().position(), 11);

        QGuiApplication::clipboard()->setText(QStringLiteral("print(1) "));
        m_win->Method()->PopupMenu2()->findChild<QAction *>(QStringLiteral("N7"))->trigger();
        QCOMPARE(Editor()->Text(), QStringLiteral("if x then\n\tprint(1) \tend"));
        QCOMPARE(Editor()->textCursor().position(), 20);
        LeaveEditor();
        QCOMPARE(Eval(QStringLiteral("hall.ide_data.look")),
                 QStringLiteral("if x then\n\tprint(1) \tend"));
    }
};

TARNWICK_TEST(TestMethodStyling)
#include "tst_methodstyling.moc"
