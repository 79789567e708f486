#include "app/enginefolder.h"
#include "script/scripthost.h"

#include "tests/support/files.h"
#include "tests/testmain.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installedProgramFindsItsEngine();
};

void TestInstall::installedProgramFindsItsEngine()
{
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                   QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    const QDir root(prefix.path());
    for (const char *file :
         {"bin/tarnwick", "bin/tarnwick-play", "share/tarnwick/startup.lua",
          "share/tarnwick/objects.lua", "share/tarnwick/compile.lua", "share/tarnwick/verbs.lua",
          "share/tarnwick/examples/house.twk", "share/icons/hicolor/scalable/apps/tarnwick.svg",
          "share/icons/hicolor/48x48/apps/tarnwick.png", "share/applications/tarnwick.desktop"})
        QVERIFY2(root.exists(QLatin1String(file)), file);
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/tarnwick"))).isExecutable());
    // Run from a build, the engine lies beside the program.
    const QString built = QCoreApplication::applicationDirPath();
    QCOMPARE(EngineFolder::Prepare(built, QString()), built);
    // Installed, the author's folder receives the engine, which then starts a world.
    QTemporaryDir home;
    const QString user = home.filePath(QStringLiteral("Tarnwick"));
    const QString bin = root.filePath(QStringLiteral("bin"));
    QCOMPARE(EngineFolder::Prepare(bin, user), user);
    const QString current = QDir::currentPath();
    QDir::setCurrent(user);
    ScriptHost host;
    host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    QDir::setCurrent(current);
    QVERIFY(host.EvalDefined(QStringLiteral("player")));
    QVERIFY(QFile::exists(user + QStringLiteral("/examples/house.twk")));
    // The next start keeps the author's vocabulary and brings the engine back to the installed one.
    const QString runtime = QStringLiteral("/objects.lua");
    QVERIFY(WriteBytes(user + QStringLiteral("/verbs.lua"), "-- the author's words\n"));
    QVERIFY(WriteBytes(user + runtime, "-- stale\n"));
    QCOMPARE(EngineFolder::Prepare(bin, user), user);
    QCOMPARE(ReadBytes(user + QStringLiteral("/verbs.lua")), QByteArray("-- the author's words\n"));
    QCOMPARE(ReadBytes(user + runtime), ReadBytes(root.filePath(QStringLiteral("share/tarnwick")) + runtime));
}

TARNWICK_TEST(TestInstall)
TARNWICK_TEST_MAIN
#include "tst_install.moc"
