#include "app/aboutwin.h"

#include "tests/testmain.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

class TestAboutWin : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestRegistry::FailOnWarnings(); }
    void caption();
    void fixedSize();
    void accessibleNames();
    void picture();
    void closing_data();
    void closing();
    void showCentred();
};

void TestAboutWin::caption()
{
    TAboutWin win;
    QCOMPARE(win.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(win.objectName(), QStringLiteral("TAboutWin"));
    QCOMPARE(QAccessible::queryAccessibleInterface(&win)->text(QAccessible::Name),
             win.windowTitle());
    QVERIFY(!win.isModal());
}

void TestAboutWin::fixedSize()
{
    TAboutWin win;
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QCOMPARE(win.minimumSize(), win.maximumSize());
    QCOMPARE(win.size(), win.minimumSize());
    // Every line of text must fit: no label squeezed below what it asks for.
    const QList<QLabel *> labels = win.findChildren<QLabel *>();
    for (QLabel *label : labels)
        QVERIFY2(label->height() >= label->minimumSizeHint().height(), qPrintable(label->text()));
}

void TestAboutWin::accessibleNames()
{
    TAboutWin win;
    const QList<QWidget *> children = win.findChildren<QWidget *>();
    QVERIFY(!children.isEmpty());
    for (QWidget *child : children) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(child);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), child->metaObject()->className());
    }
}

void TestAboutWin::picture()
{
    TAboutWin win;
    QStringList texts;
    QImage image;
    const QList<QLabel *> labels = win.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        texts << label->text();
        if (!label->pixmap().isNull())
            image = label->pixmap().toImage();
    }
    QVERIFY(texts.contains(QStringLiteral("Tarnwick")));
    QVERIFY(texts.contains(QStringLiteral("Версия ") + TAboutWin::Version()));
    QVERIFY(!image.isNull());
    // Drawn, not merely allocated: some pixels are painted and some are left clear.
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            painted += qAlpha(image.pixel(x, y)) > 0;
    QVERIFY(painted > image.width() * image.height() / 10);
    QVERIFY(painted < image.width() * image.height());
}

void TestAboutWin::closing_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("button") << QStringLiteral("button");
    QTest::newRow("escape") << QStringLiteral("escape");
    QTest::newRow("enter") << QStringLiteral("enter");
}

void TestAboutWin::closing()
{
    QFETCH(QString, way);
    TAboutWin win;
    QCOMPARE(win.CloseButton()->text(), QStringLiteral("Закрыть"));
    QVERIFY(win.CloseButton()->isDefault());
    win.ShowCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QVERIFY(win.isVisible());
    if (way == QStringLiteral("button"))
        QTest::mouseClick(win.CloseButton(), Qt::LeftButton);
    else if (way == QStringLiteral("escape"))
        QTest::keyClick(&win, Qt::Key_Escape);
    else
        QTest::keyClick(&win, Qt::Key_Return);
    QVERIFY(!win.isVisible());
    // Hidden, not gone: it can be shown again.
    win.ShowCentred();
    QVERIFY(win.isVisible());
}

void TestAboutWin::showCentred()
{
    TAboutWin win;
    win.ShowCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    const QPoint centre = screen->availableGeometry().center();
    const QPoint winCentre = win.frameGeometry().center();
    QVERIFY2((winCentre - centre).manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                            .arg(winCentre.x()).arg(winCentre.y()).arg(centre.x()).arg(centre.y())));
}

TARNWICK_TEST(TestAboutWin)
#include "tst_aboutwin.moc"
