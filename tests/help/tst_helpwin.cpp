#include "app/mainwin.h"
#include "console/consolewin.h"
#include "help/helpmarkup.h"
#include "help/helpsource.h"
#include "help/helpwin.h"
#include "script/scripthost.h"

#include "tests/testmain.h"

#include <QAction>
#include <QHash>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>

namespace {

// The style of every character as a short text: b, i, u, the point size and the palette index
// when they are set, so a whole rendering compares as one string per character run.
QString Styles(const QTextDocument &document)
{
    QStringList runs;
    QString last;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QString style;
            if (f.fontWeight() >= QFont::Bold)
                style += QLatin1Char('b');
            if (f.fontItalic())
                style += QLatin1Char('i');
            if (f.fontUnderline())
                style += QLatin1Char('u');
            if (f.hasProperty(QTextFormat::FontPointSize))
                style += QString::number(f.fontPointSize());
            for (int n = 0; n < 8 && f.hasProperty(QTextFormat::ForegroundBrush); ++n)
                if (f.foreground().color() == HelpMarkup::Palette(n))
                    style += QLatin1Char('c') + QString::number(n);
            if (style.isEmpty())
                style = QStringLiteral("-");
            if (style != last)
                runs.append(style + QLatin1Char(':'));
            runs.last() += it.fragment().text();
            last = style;
        }
    }
    return runs.join(QLatin1Char(' '));
}

void Click(QListWidget *list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->item(row)).center());
}

} // namespace

// The help window as the author meets it: opened from the main window, a topic chosen with the
// mouse.
class TestHelpWin : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestRegistry::FailOnWarnings(); }

    // The help text as the program carries it: a topic in HELP for each title, opening with it,
    // every tag well formed and closed by its own kind, so a topic renders as its writer meant.
    void helpTextIsWellFormed()
    {
        ScriptHost host;
        host.RunLua(HelpSource::Text());
        const QStringList &titles = THelpWin::TopicTitles();
        QCOMPARE(host.EvalString(QStringLiteral("table.getn(HELP)")), QString::number(titles.size()));
        // Anything that looks like a tag must be one: a value only for size (two digits) and
        // color (one of eight), none on a closing tag.
        static const QRegularExpression tag(QStringLiteral("\\[(/?)(b|i|u|c|r|size|color)(=[^\\]\\[]*)?\\]"));
        static const QRegularExpression wellFormed(
            QStringLiteral("^\\[(/(b|i|u|c|r|size|color)|b|i|u|c|r|size=\\d\\d|color=[0-7])\\]$"));
        for (int n = 1; n <= titles.size(); ++n) {
            const QString text = host.EvalString(QStringLiteral("HELP[%1]").arg(n));
            const QString title = QStringLiteral("[b]") + titles.at(n - 1) + QStringLiteral("[/b]");
            const QString heading = n == 1 ? title : QStringLiteral("[c]") + title + QStringLiteral("[/c]");
            QVERIFY2(text.startsWith(QLatin1Char('\n') + heading + QLatin1Char('\n')), qPrintable(heading));
            QHash<QString, int> open;
            for (QRegularExpressionMatchIterator it = tag.globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                QVERIFY2(wellFormed.match(match.captured(0)).hasMatch()
                             && (open[match.captured(2)] += match.captured(1).isEmpty() ? 1 : -1) >= 0,
                         qPrintable(match.captured(0)));
            }
            for (auto it = open.cbegin(); it != open.cend(); ++it)
                QVERIFY2(it.value() == 0, qPrintable(QStringLiteral("unclosed [") + it.key() + QLatin1Char(']')));
        }
    }

    // The help mark-up: each kind of tag in its own pass; a malformed one renders somehow.
    void rendersEachKindInItsOwnPass_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("styles");
        QTest::addColumn<QString>("alignments");
        struct Case
        {
            const char *name, *markup, *text, *styles, *alignments;
        };
        static const Case cases[] = {
            {"bold word", "x[b]bold[/b]y", "xboldy", "-:x b:bold -:y", "l"},
            {"centred heading", "[c][b]Title[/b][/c]\r\nnext", "Title\nnext", "b:Title -:next",
             "cl"},
            {"colours", "[color=4]red[/color] [color=1]blue[/color]", "red blue",
             "c4:red -:  c1:blue", "l"},
            {"size", "[size=14]big[/size]", "big", "14:big", "l"},
            {"one-digit size is no tag", "[size=9]x", "[size=9]x", "-:[size=9]x", "l"},
            {"mixed nesting", "[i]a[b]b[/i]c[/b]", "abc", "i:a bi:b b:c", "l"},
            {"same kind pairs in order", "[b]a[b]b[/b]c[/b]d", "abcd", "b:abc -:d", "l"},
            {"centre then right", "[c][r]x[/r][/c]", "x", "-:x", "r"},
            {"paragraphs touched", "a\n[r]b\nc[/r]\nd", "a\nb\nc\nd", "-:abcd", "lrrl"},
            {"centred up to a paragraph's end", "[c]a\n[/c]b", "a\nb", "-:ab", "cl"},
            // Malformed mark-up: rendered somehow, never failing.
            {"unclosed tags reach the end", "[b]a[i]b", "ab", "b:a bi:b", "l"},
            {"closing before opening", "[/b]a[b]b[b]c", "abc", "-:ab b:c", "l"},
            {"removal joins a tag", "[[b]b]x[/b]", "x", "b:x", "l"},
            {"colour not a digit", "[color=x]y[/color]", "[color=x]y[/color]",
             "-:[color=x]y[/color]", "l"},
            {"colour 8", "[color=8]x[/color]", "x", "-:x", "l"},
        };
        for (const Case &c : cases)
            QTest::newRow(c.name) << QString::fromUtf8(c.markup) << QString::fromUtf8(c.text)
                                  << QString::fromUtf8(c.styles) << QString::fromUtf8(c.alignments);
    }
    void rendersEachKindInItsOwnPass()
    {
        QFETCH(QString, markup);
        QFETCH(QString, text);
        QFETCH(QString, styles);
        QFETCH(QString, alignments);
        QTextDocument document;
        HelpMarkup::Render(&document, markup);
        QCOMPARE(document.toPlainText(), text);
        QCOMPARE(Styles(document), styles);
        QString aligned;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            const Qt::Alignment a = block.blockFormat().alignment();
            aligned += QLatin1Char(a & Qt::AlignHCenter ? 'c' : a & Qt::AlignRight ? 'r' : 'l');
        }
        QCOMPARE(aligned, alignments);
    }

    void choosingTopics()
    {
        TMainWin main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QAction *helpItem = main.findChild<QAction *>(QStringLiteral("N17"));
        QVERIFY(helpItem);
        THelpWin *help = main.HelpWin();
        QListWidget *topics = help->Topics();
        QTextDocument *view = help->Help()->document();

        // Nothing is chosen at first, not even when the list takes the focus.
        helpItem->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        topics->setFocus();
        QVERIFY(topics->selectedItems().isEmpty());
        QCOMPARE(help->Help()->toPlainText(), QString());

        // A click shows the topic from HELP with its heading centred and bold.
        Click(topics, 2);
        QCOMPARE(view->findBlockByNumber(1).text(), THelpWin::TopicTitles().at(2));
        QCOMPARE(view->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignHCenter);
        QVERIFY(QTextCursor(view->findBlockByNumber(1)).charFormat().fontWeight() >= QFont::Bold);
        const QString topic = help->Help()->toPlainText();

        // Taking the choice back leaves the topic; so does hiding the window and showing it again.
        Click(topics, 2, Qt::ControlModifier);
        QVERIFY(topics->selectedItems().isEmpty());
        QTest::keyClick(topics, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        QVERIFY(main.isVisible());
        helpItem->trigger();
        QVERIFY(help->isVisible());
        QCOMPARE(help->Help()->toPlainText(), topic);

        // A topic HELP does not hold as text shows nothing; a failing lookup is reported in red.
        main.Host().RunLua(QStringLiteral("HELP[5] = {}"));
        Click(topics, 4);
        QCOMPARE(help->Help()->toPlainText(), QString());
        main.Host().RunLua(QStringLiteral("HELP = nil"));
        Click(topics, 5);
        QCOMPARE(help->Help()->toPlainText(), QString());
        QVERIFY(
            main.Console()->Output()->document()->lastBlock().text().contains(QLatin1String("HELP")));
    }
};

TARNWICK_TEST(TestHelpWin)
#include "tst_helpwin.moc"
