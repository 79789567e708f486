// The nine lessons of the help, followed literally from a fresh world: their Lua runs in a real
// script host (a method as the method editor writes it back), the player's lines go to the
// parser, the project is saved and opened again where a lesson says so, and every answer must be
// the one the lesson shows. The mark-up rules that tell these apart are written at the top of
// help/help.lua.

#include "help/helpsource.h"
#include "project/projectwriter.h"
#include "properties/propertystatements.h"
#include "tests/engine/enginetesting.h"
#include "tests/support/worldtree.h"
#include "tests/testmain.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace EngineTesting;

namespace {

struct Step
{
    enum Kind { Lua, Player, Answer, Error, Save, Open } kind;
    QString text;
    QString where;
};

// The steps of a topic in the order of its text.
QList<Step> StepsOf(const QString &text, const QString &topic)
{
    static const QRegularExpression opening(QStringLiteral("^\\[color=([124])\\]"));
    const QString closing = QStringLiteral("[/color]");
    QList<Step> steps;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString where = topic + QStringLiteral(", line %1").arg(i + 1);
        const QRegularExpressionMatch block = opening.match(lines[i]);
        if (!block.hasMatch()) {
            const qsizetype save = lines[i].indexOf(QStringLiteral("(Ctrl+S)"));
            const qsizetype open = lines[i].indexOf(QStringLiteral("(Ctrl+O)"));
            if (save >= 0)
                steps.append({Step::Save, QString(), where});
            if (open >= 0)
                steps.append({Step::Open, QString(), where});
            continue;
        }
        QStringList body{lines[i].mid(block.capturedLength())};
        while (!body.last().endsWith(closing) && i + 1 < lines.size())
            body.append(lines[++i]);
        body.last().chop(closing.size());
        const QChar colour = block.captured(1).at(0);
        if (colour == QLatin1Char('2')) {
            steps.append({Step::Lua, body.join(QLatin1Char('\n')), where});
            continue;
        }
        for (const QString &line : body) {
            if (colour == QLatin1Char('1') && line.startsWith(QStringLiteral("> ")))
                steps.append({Step::Player, line.mid(2), where});
            else
                steps.append({colour == QLatin1Char('1') ? Step::Answer : Step::Error, line, where});
        }
    }
    return steps;
}

// A method, constructor or catcher as the editor shows it: its uid, its list caption, its body.
bool EditorForm(const QString &text, QString *uid, QString *caption, QString *body)
{
    static const QRegularExpression method(
        QStringLiteral("^function (\\w+):(\\w+) \\((event)?\\)\\n(.*)\\nend$"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression catcher(QStringLiteral("^(\\w+):add \\(function \\(event\\)\\n(.*)\\nend\\)$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch m = method.match(text);
    if (m.hasMatch() && (m.captured(3).isEmpty() == (m.captured(2) == QLatin1String("constructor")))) {
        *uid = m.captured(1);
        *caption = PropertyStatements::CaptionOfKey(m.captured(2));
        *body = m.captured(4);
        return true;
    }
    m = catcher.match(text);
    if (!m.hasMatch())
        return false;
    *uid = m.captured(1);
    *caption = PropertyStatements::CatchersCaption();
    *body = m.captured(2);
    return true;
}

} // namespace

class TestLessons : public QObject
{
    Q_OBJECT

private slots:
    void lessonsPlayAsWritten();

private:
    void Run(const Step &step);

    ScriptHost m_host;
    RecordingConsole m_console;
    QTemporaryDir m_folder;
};

void TestLessons::Run(const Step &step)
{
    const QString project = m_folder.filePath(QStringLiteral("dom.twk"));
    QString uid, caption, body;
    if (step.kind == Step::Player) {
        Parse(m_host, step.text);
    } else if (step.kind == Step::Lua && EditorForm(step.text, &uid, &caption, &body)) {
        for (const PropertyStatements::Statement &statement : PropertyStatements::WriteBack(uid, caption, body))
            statement.echoed ? m_host.RunEchoed(statement.text) : m_host.RunLua(statement.text);
    } else if (step.kind == Step::Lua) {
        m_host.RunLua(step.text);
    } else if (step.kind == Step::Save) {
        // As the File menu saves: the writer's statements, then what postsave.lua adds.
        m_host.RunLua(QStringLiteral("if IDE_MAP then IDE_MAP:saveitems() end"));
        QList<QByteArray> lines;
        QString problem;
        QVERIFY2(ProjectWriter(m_host).ProjectLines(WorldTree::Read(m_host), &lines, &problem), qPrintable(problem));
        QVERIFY(WriteBytes(project, ProjectWriter::JoinLines(lines)));
        m_host.RunLua(QStringLiteral("filename = [[%1]]; dofile 'postsave.lua'").arg(project));
    } else if (step.kind == Step::Open) {
        QFile file(project);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(step.where + QStringLiteral(": opened before saved")));
        m_host.RunFile(file.readAll(), project);
        m_host.RunLua(QStringLiteral("dofile 'postload.lua'"));
    }
}

void TestLessons::lessonsPlayAsWritten()
{
    QVERIFY(m_folder.isValid());
    m_host.SetConsole(&m_console);
    m_host.RunLua(HelpSource::Text());
    m_host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    WorldTree::Define(m_host);
    QList<Step> steps;
    for (int n = 2; n <= 10; ++n)
        steps += StepsOf(m_host.EvalString(QStringLiteral("HELP[%1]").arg(n)), QStringLiteral("topic %1").arg(n));
    QVERIFY(steps.size() > 100);

    // Each step that acts is followed by the answers the lesson shows for it (none: nothing is
    // printed, no error either).
    for (int i = 0; i < steps.size();) {
        const Step &step = steps[i];
        QVERIFY2(step.kind != Step::Answer && step.kind != Step::Error,
                 qPrintable(step.where + QStringLiteral(": an answer to nothing")));
        const int from = int(m_console.lines.size());
        Run(step);
        QStringList expected;
        for (++i; i < steps.size() && (steps[i].kind == Step::Answer || steps[i].kind == Step::Error); ++i)
            expected.append(steps[i].kind == Step::Error ? QLatin1Char('!') + steps[i].text : steps[i].text);
        const QStringList answers = Answers(m_console, from);
        QVERIFY2(answers == expected,
                 qPrintable(step.where + QStringLiteral(": ") + step.text + QStringLiteral("\n  expected: ")
                            + expected.join(QStringLiteral("|")) + QStringLiteral("\n  answered: ")
                            + answers.join(QStringLiteral("|"))));
    }
}

TARNWICK_TEST(TestLessons)
#include "tst_lessons.moc"
