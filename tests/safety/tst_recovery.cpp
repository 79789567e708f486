// Recovery copies: written without touching anything the author sees, never in the middle of a
// gesture, and offered again after the program was killed.

#include "app/autosave.h"
#include "app/mainwin.h"
#include "app/startup.h"
#include "console/consolewin.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/testmain.h"
#include "tree/itemswin.h"

#include <QComboBox>
#include <QDialog>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

int CopiesIn(const QString &folder)
{
    int copies = 0;
    for (QDirIterator it(folder, {QStringLiteral("copy.twk")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++copies;
    return copies;
}

void Say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The process's first line of output, waiting for it as long as the process runs.
QByteArray FirstLine(QProcess &process)
{
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(60000))
        out += process.readAllStandardOutput();
    return out.left(out.indexOf('\n'));
}

} // namespace

// The program as main() starts it, in the data folder the environment names: "edit" makes an
// edit, waits for its copy and stays until it is killed; "yes" and "no" answer the restore
// question, tell what they see, and end cleanly.
int RecoveryChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    PrepareApplication();
    const QByteArray phase = argv[2];
    FakeAsker answers;
    answers.answerFor.insert(QStringLiteral("Выход"), QMessageBox::No);
    answers.answer = phase == "yes" ? QMessageBox::Yes : QMessageBox::No;
    TMainWin main;
    main.SetAsker(&answers);
    main.show();
    main.StartRecovery();
    const QString recovery = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
    if (phase == "edit") {
        main.Recovery().SetInterval(50);
        QLineEdit *input = main.Console()->Input()->lineEdit();
        QTest::keyClicks(input, QStringLiteral("world:create('kept')"));
        QTest::keyClick(input, Qt::Key_Return);
        if (!QTest::qWaitFor([&main] { return !main.Recovery().CurrentCopy().isEmpty(); }, 30000))
            return 1;
        Say(QStringLiteral("copy ") + main.Recovery().CurrentCopy());
        return app.exec();
    }
    Say(QStringLiteral("asked ") + answers.asked.join(QLatin1Char('|')));
    Say(QStringLiteral("title ") + main.windowTitle());
    Say(QStringLiteral("kept ") + (main.Host().EvalDefined(QStringLiteral("kept")) ? QLatin1String("yes") : QLatin1String("no")));
    Say(QStringLiteral("copies %1").arg(CopiesIn(recovery)));
    main.close();
    Say(QStringLiteral("after %1").arg(CopiesIn(recovery)));
    return 0;
}

class TestRecovery : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_answers;
    std::unique_ptr<QTemporaryDir> m_data;

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        m_data = std::make_unique<QTemporaryDir>();
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_answers);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        m_main->Recovery().Start(m_data->path());
    }

    void cleanup() { m_main.reset(); }

    void copyLeavesEverythingTheAuthorSeesAsItWas()
    {
        QTemporaryDir project;
        const QString file = project.filePath(QStringLiteral("cave.twk"));
        QVERIFY(m_main->Project().WriteProject(file));
        m_main->SetCurrentProjectFile(file);
        m_main->Recovery().WriteNow();
        QCOMPARE(m_main->Recovery().CurrentCopy(), QString());
        m_main->Host().RunLua(QStringLiteral("world:create('hall')"));
        const QByteArray saved = ReadBytes(file);
        const QString title = m_main->windowTitle();
        const QString filename = m_main->Host().EvalString(QStringLiteral("filename"));
        const QString folder = QDir::currentPath();
        const QString log = m_main->Console()->Output()->toPlainText();
        m_main->Recovery().WriteNow();
        const QString copy = m_main->Recovery().CurrentCopy();
        QVERIFY(copy.startsWith(m_data->path()));
        QVERIFY(ReadBytes(copy).contains("world:create (\"hall\", \"hall\")"));
        QCOMPARE(ReadBytes(file), saved);
        QCOMPARE(m_main->windowTitle(), title);
        QCOMPARE(m_main->Host().EvalString(QStringLiteral("filename")), filename);
        QCOMPARE(QDir::currentPath(), folder);
        QCOMPARE(m_main->Console()->Output()->toPlainText(), log);
        // Saved, the work needs no copy.
        QVERIFY(m_main->Project().Save());
        QCOMPARE(m_main->Recovery().CurrentCopy(), QString());
        QVERIFY(!QFile::exists(copy));
    }

    void copiesWaitForTheAuthor_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("dialog") << "dialog";
        QTest::newRow("label edit") << "label edit";
        QTest::newRow("mouse held") << "mouse held";
    }
    void copiesWaitForTheAuthor()
    {
        QFETCH(QString, gesture);
        m_main->Host().RunLua(QStringLiteral("world:create('hall'); update_items()"));
        QTreeWidget *tree = m_main->Items()->Items();
        QTreeWidgetItem *hall = tree->findItems(QStringLiteral("hall"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
        QVERIFY(hall);
        const QPoint at = tree->visualItemRect(hall).center();
        QDialog dialog(m_main.get());
        if (gesture == QLatin1String("dialog")) {
            dialog.setModal(true);
            dialog.show();
        } else if (gesture == QLatin1String("label edit")) {
            tree->setCurrentItem(hall);
            tree->setFocus();
            QTest::keyClick(tree, Qt::Key_F2);
            QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        } else {
            QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
        }
        m_main->Recovery().WriteNow();
        QVERIFY(m_main->Recovery().Waiting());
        QCOMPARE(m_main->Recovery().CurrentCopy(), QString());
        if (gesture == QLatin1String("dialog"))
            dialog.close();
        else if (gesture == QLatin1String("label edit"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
        m_main->Recovery().WriteNow();
        QVERIFY(!m_main->Recovery().CurrentCopy().isEmpty());
    }

    void killedRunIsOfferedAtTheNextStart_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("yes") << "yes";
        QTest::newRow("no") << "no";
    }
    void killedRunIsOfferedAtTheNextStart()
    {
        QFETCH(QString, answer);
        QProcess first;
        QProcess second;
        for (QProcess *child : {&first, &second}) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_DATA_HOME"), m_data->path());
            child->setProcessEnvironment(environment);
        }
        first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--recovery-child"), QStringLiteral("edit")});
        const QByteArray said = FirstLine(first);
        QVERIFY2(said.startsWith("copy "), said.constData());
        const QString copy = QString::fromUtf8(said.mid(5));
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished());
        QVERIFY(ReadBytes(copy).contains("world:create (\"kept\", \"kept\")"));
        second.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--recovery-child"), answer});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(second.readAllStandardOutput()).split(QLatin1Char('\n'));
        const bool yes = answer == QLatin1String("yes");
        QCOMPARE(lines.mid(0, 5),
                 QStringList({QStringLiteral("asked Подтверждение|Восстановить несохранённую работу из Новый.twk?"),
                              QStringLiteral("title IF builder 'Tarnwick' - Новый.twk"),
                              yes ? QStringLiteral("kept yes") : QStringLiteral("kept no"),
                              QStringLiteral("copies 1"), QStringLiteral("after 0")}));
    }
};

TARNWICK_TEST(TestRecovery)
#include "tst_recovery.moc"
