#include "app/aboutwin.h"

#include "tests/testmain.h"

#include <QLabel>
#include <QPushButton>

class TestAboutWin : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestRegistry::FailOnWarnings(); }
    void showsAndCloses_data();
    void showsAndCloses();
};

void TestAboutWin::showsAndCloses_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
}

void TestAboutWin::showsAndCloses()
{
    QFETCH(int, key);
    TAboutWin win;
    win.ShowCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QCOMPARE(win.size(), win.minimumSize()); // fixed size

    QStringList texts;
    QImage picture;
    for (const QLabel *label : win.findChildren<QLabel *>()) {
        texts << label->text();
        if (!label->pixmap().isNull())
            picture = label->pixmap().toImage();
    }
    QVERIFY(texts.contains(QStringLiteral("Tarnwick")));
    QVERIFY(texts.contains(QStringLiteral("Версия ") + QStringLiteral(TARNWICK_VERSION)));
    QVERIFY(texts.contains(QStringLiteral("Разработчики Tarnwick")));
    // Drawn, not merely allocated: painted in its middle, clear in a corner.
    QVERIFY(!picture.isNull());
    QVERIFY(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)) > 0);
    QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);

    QTest::keyClick(&win, Qt::Key(key));
    QVERIFY(!win.isVisible());
    win.ShowCentred(); // hidden, not gone
    QVERIFY(win.isVisible());
}

TARNWICK_TEST(TestAboutWin)
#include "tst_aboutwin.moc"
