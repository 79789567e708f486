#include "help/helpsource.h"
#include "help/helpwin.h"
#include "script/scripthost.h"

#include "tests/testmain.h"

#include <QHash>
#include <QRegularExpression>

// The help text as the program carries it: HELP holds the 17 topics, each opening with its
// title and using the mark-up well formed, so a topic renders as its writer meant.
class TestHelpText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void topics_data();
    void topics();

private:
    ScriptHost m_host;
};

void TestHelpText::initTestCase()
{
    m_host.RunLua(HelpSource::Text());
    QCOMPARE(m_host.EvalString(QStringLiteral("table.getn(HELP)")), QStringLiteral("17"));
    QVERIFY(!m_host.EvalDefined(QStringLiteral("HELP[18]")));
}

void TestHelpText::topics_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("heading");
    const QStringList &titles = THelpWin::TopicTitles();
    QTest::newRow("1") << 1 << QStringLiteral("[b]") + titles.first() + QStringLiteral("[/b]");
    for (int n = 2; n <= titles.size(); ++n)
        QTest::newRow(QByteArray::number(n).constData())
            << n << QStringLiteral("[c][b]") + titles.at(n - 1) + QStringLiteral("[/b][/c]");
}

void TestHelpText::topics()
{
    QFETCH(int, number);
    QFETCH(QString, heading);
    const QString text = m_host.EvalString(QStringLiteral("HELP[%1]").arg(number));
    QVERIFY(text.startsWith(QLatin1Char('\n') + heading + QLatin1Char('\n')));
    QVERIFY(text.size() > heading.size() + 100);

    // Every tag the viewer knows must be well formed and closed by its own kind.
    static const QRegularExpression tag(
        QStringLiteral("\\[(/?)(b|i|u|c|r|size|color)(?:=([^\\]\\[]*))?\\]"));
    static const QRegularExpression sizeValue(QStringLiteral("^\\d\\d$"));
    static const QRegularExpression colorValue(QStringLiteral("^[0-7]$"));
    QHash<QString, int> open;
    for (QRegularExpressionMatchIterator it = tag.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString kind = match.captured(2);
        const QString value = match.captured(3);
        const QString where =
            QStringLiteral("%1 at %2").arg(match.captured(0)).arg(match.capturedStart());
        if (!match.captured(1).isEmpty()) {
            QVERIFY2(match.capturedStart(3) < 0, qPrintable(where));
            QVERIFY2(--open[kind] >= 0, qPrintable(QStringLiteral("unopened ") + where));
            continue;
        }
        if (kind == QLatin1String("size"))
            QVERIFY2(sizeValue.match(value).hasMatch(), qPrintable(where));
        else if (kind == QLatin1String("color"))
            QVERIFY2(colorValue.match(value).hasMatch(), qPrintable(where));
        else
            QVERIFY2(match.capturedStart(3) < 0, qPrintable(where));
        ++open[kind];
    }
    for (auto it = open.cbegin(); it != open.cend(); ++it)
        QVERIFY2(it.value() == 0,
                 qPrintable(QStringLiteral("unclosed [") + it.key() + QLatin1Char(']')));
}

TARNWICK_TEST(TestHelpText)
#include "tst_helptext.moc"
