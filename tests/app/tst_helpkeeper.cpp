#include "script/codepage.h"
#include "script/scripthost.h"

#include "tests/testmain.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

// The help text is compiled into a static library; its resource must be pulled in by name.
static void InitHelpResource()
{
    Q_INIT_RESOURCE(help);
}

class TestHelpKeeper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fitsCodePage();
    void defines17Strings();
    void topics_data();
    void topics();

private:
    QString m_text;
    ScriptHost m_host;
};

void TestHelpKeeper::initTestCase()
{
    InitHelpResource();
    QFile file(QStringLiteral(":/app/helpkeeper.lua"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    m_text = QString::fromUtf8(file.readAll());
    QVERIFY(m_text.startsWith(QStringLiteral("HELP = {")));
    m_host.RunLua(m_text);
}

void TestHelpKeeper::fitsCodePage()
{
    // Lua gets the text in Windows-1251; a character outside it would reach the reader as '?'.
    QCOMPARE(CodePage::FromLua(CodePage::ToLua(m_text)), m_text);
}

void TestHelpKeeper::defines17Strings()
{
    QCOMPARE(m_host.EvalString(QStringLiteral("type(HELP)")), QStringLiteral("table"));
    QCOMPARE(m_host.EvalString(QStringLiteral("table.getn(HELP)")), QStringLiteral("17"));
    QVERIFY(!m_host.EvalDefined(QStringLiteral("HELP[18]")));
    for (int n = 1; n <= 17; ++n)
        QCOMPARE(m_host.EvalString(QStringLiteral("type(HELP[%1])").arg(n)), QStringLiteral("string"));
}

void TestHelpKeeper::topics_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("heading");
    const char *const titles[] = {
        "Урок 1 - Создаем комнату",       "Урок 2 - Создаем вещи",
        "Урок 3 - Работа с данными",      "Урок 4 - Работаем со словарем",
        "Урок 5 - Испытываем парсер",     "Урок 6 - Учимся ходить",
        "Урок 7 - Отлавливаем (рыбу?)",   "Урок 8 - Ожидается глагол",
        "Урок 9 - Карта",                 "Методы и поля объекта",
        "Обработка действий",             "Глобальные функции",
        "Компиляция",                     "Наследование",
        "Полный синтаксис LUA",           "Последние слова",
    };
    QTest::newRow("1") << 1 << QStringLiteral("[b]Общие сведения[/b]");
    int number = 2;
    for (const char *title : titles) {
        QTest::newRow(QByteArray::number(number).constData())
            << number << QStringLiteral("[c][b]") + QString::fromUtf8(title) + QStringLiteral("[/b][/c]");
        ++number;
    }
}

void TestHelpKeeper::topics()
{
    QFETCH(int, number);
    QFETCH(QString, heading);
    const QString text = m_host.EvalString(QStringLiteral("HELP[%1]").arg(number));

    // The viewer shows the topic from its first line break on, the heading right after it.
    QVERIFY(text.startsWith(QLatin1Char('\n') + heading));
    QVERIFY(text.size() > heading.size() + 100);

    // Every tag the viewer knows must be well formed and closed by its own kind.
    static const QRegularExpression tag(
        QStringLiteral("\\[(/?)(b|i|u|c|r|size|color)(?:=([^\\]\\[]*))?\\]"));
    static const QRegularExpression sizeValue(QStringLiteral("^\\d\\d$"));
    static const QRegularExpression colorValue(QStringLiteral("^[0-7]$"));
    QHash<QString, int> open;
    int tags = 0;
    for (QRegularExpressionMatchIterator it = tag.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const bool closing = !match.captured(1).isEmpty();
        const QString kind = match.captured(2);
        const bool hasValue = match.capturedStart(3) >= 0;
        const QString where = QStringLiteral("%1 at %2").arg(match.captured(0)).arg(match.capturedStart());
        if (closing) {
            QVERIFY2(!hasValue, qPrintable(where));
            QVERIFY2(--open[kind] >= 0, qPrintable(QStringLiteral("unopened ") + where));
        } else {
            if (kind == QStringLiteral("size"))
                QVERIFY2(sizeValue.match(match.captured(3)).hasMatch(), qPrintable(where));
            else if (kind == QStringLiteral("color"))
                QVERIFY2(colorValue.match(match.captured(3)).hasMatch(), qPrintable(where));
            else
                QVERIFY2(!hasValue, qPrintable(where));
            ++open[kind];
        }
        ++tags;
    }
    QVERIFY(tags >= 2);
    for (auto it = open.cbegin(); it != open.cend(); ++it)
        QVERIFY2(it.value() == 0, qPrintable(QStringLiteral("unclosed [") + it.key() + QLatin1Char(']')));
}

TARNWICK_TEST(TestHelpKeeper)
#include "tst_helpkeeper.moc"
