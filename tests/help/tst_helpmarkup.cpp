#include "help/helpmarkup.h"
#include "help/helpwin.h"
#include "script/scripthost.h"
#include "tests/testmain.h"

#include <QListWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

namespace {

// The style of every character as a short text: b, i, u, the point size and the palette index
// when they are set, so a whole rendering compares as one string per character run.
QString Styles(const QTextDocument &document)
{
    QStringList runs;
    QString last;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (int i = 0; i < block.length() - 1; ++i) {
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + i + 1);
            const QTextCharFormat f = cursor.charFormat();
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
            const QString run = style.isEmpty() ? QStringLiteral("-") : style;
            if (run != last)
                runs.append(QString());
            runs.last() += block.text().at(i);
            runs.last() = runs.last();
            if (run != last)
                runs.last().prepend(run + QLatin1Char(':'));
            last = run;
        }
    }
    return runs.join(QLatin1Char(' '));
}

QString Alignments(const QTextDocument &document)
{
    QString out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment();
        out += a & Qt::AlignHCenter ? QLatin1Char('c') : a & Qt::AlignRight ? QLatin1Char('r') : QLatin1Char('l');
    }
    return out;
}

} // namespace

class TestHelpMarkup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { TestRegistry::FailOnWarnings(); }
    void rendersEachKindInItsOwnPass_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("styles");
        QTest::addColumn<QString>("alignments");
        QTest::newRow("bold word") << "x[b]bold[/b]y" << "xboldy" << "-:x b:bold -:y" << "l";
        QTest::newRow("centred heading") << "[c][b]Title[/b][/c]\r\nnext" << "Title\nnext"
                                         << "b:Title -:next" << "cl";
        QTest::newRow("colours") << "[color=4]red[/color] [color=1]blue[/color]" << "red blue"
                                 << "c4:red -:  c1:blue" << "l";
        QTest::newRow("size") << "[size=14]big[/size]" << "big" << "14:big" << "l";
        QTest::newRow("one-digit size is no tag") << "[size=9]x" << "[size=9]x" << "-:[size=9]x" << "l";
        QTest::newRow("mixed nesting") << "[i]a[b]b[/i]c[/b]" << "abc" << "i:a bi:b b:c" << "l";
        QTest::newRow("same kind pairs in order") << "[b]a[b]b[/b]c[/b]d" << "abcd" << "b:abc -:d" << "l";
        QTest::newRow("no tags") << "plain\ttext" << "plain\ttext" << "-:plain\ttext" << "l";
        QTest::newRow("centre then right") << "[c][r]x[/r][/c]" << "x" << "-:x" << "r";
        QTest::newRow("paragraphs touched") << "a\n[r]b\nc[/r]\nd" << "a\nb\nc\nd" << "-:abcd" << "lrrl";
        QTest::newRow("unclosed colour") << "[color=2]code" << "code" << "c2:code" << "l";
        QTest::newRow("colour outside the palette") << "[color=9]x[/color]" << "x" << "-:x" << "l";
        QTest::newRow("closing before opening") << "[/b]a[b]b" << "ab" << "-:ab" << "l";
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
        QCOMPARE(Alignments(document), alignments);
    }

    void helpWindowShowsTheChosenTopic()
    {
        ScriptHost host;
        host.RunLua(QStringLiteral("HELP = { '[c][b]First[/b][/c]', 'second' }"));
        THelpWin help(host);
        QCOMPARE(help.Topics()->count(), 17);
        QCOMPARE(help.Help()->toPlainText(), QString());
        help.Topics()->setCurrentRow(0);
        QCOMPARE(help.Help()->toPlainText(), QStringLiteral("First"));
        QCOMPARE(Alignments(*help.Help()->document()), QStringLiteral("c"));
        help.Topics()->setCurrentRow(1);
        QCOMPARE(help.Help()->toPlainText(), QStringLiteral("second"));
        help.Topics()->setCurrentRow(2);
        QCOMPARE(help.Help()->toPlainText(), QString());
    }
};

TARNWICK_TEST(TestHelpMarkup)
TARNWICK_TEST_MAIN
#include "tst_helpmarkup.moc"
