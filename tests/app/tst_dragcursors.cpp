#include "widgets/dragcursors.h"

#include "tests/testmain.h"

#include <QImage>

namespace {

// A set bitmap pixel is black (colour 1).
bool IsSet(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

int DifferingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += IsSet(a, x, y) != IsSet(b, x, y);
    return count;
}

} // namespace

class TestDragCursors : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestRegistry::FailOnWarnings(); }
    void initTestCase();
    void cursors_data();
    void cursors();
    void picturesDiffer_data();
    void picturesDiffer();
    void loadingTwiceKeepsCursors();
    void unknownNumbers_data();
    void unknownNumbers();
};

void TestDragCursors::initTestCase()
{
    // Another test class in this program may have loaded them already.
    if (!DragCursors::IsLoaded()) {
        QCOMPARE(DragCursors::Cursor(DragCursors::MoveTo).shape(), Qt::ArrowCursor);
        QVERIFY(DragCursors::Bitmap(DragCursors::MoveTo).isNull());
    }
    DragCursors::Load();
    QVERIFY(DragCursors::IsLoaded());
}

void TestDragCursors::cursors_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::newRow("move") << int(DragCursors::MoveTo) << QStringLiteral("MOVETO");
    QTest::newRow("clone") << int(DragCursors::Clone) << QStringLiteral("CLONE");
    QTest::newRow("add") << int(DragCursors::Add) << QStringLiteral("ADD");
}

void TestDragCursors::cursors()
{
    QFETCH(int, number);
    QFETCH(QString, name);

    QCOMPARE(DragCursors::ResourceName(number), name);

    const QCursor cursor = DragCursors::Cursor(number);
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.hotSpot(), QPoint(9, 3));
    QCOMPARE(cursor.bitmap().size(), QSize(32, 32));
    QCOMPARE(cursor.mask().size(), QSize(32, 32));
    QCOMPARE(cursor.bitmap().toImage(), DragCursors::Bitmap(number).toImage());
    QCOMPARE(cursor.mask().toImage(), DragCursors::Mask(number).toImage());

    const QImage bitmap = DragCursors::Bitmap(number).toImage();
    const QImage mask = DragCursors::Mask(number).toImage();
    QVERIFY(IsSet(bitmap, 9, 3));
    QVERIFY(IsSet(mask, 9, 3));

    // The hot spot is the arrow's tip: nothing black above it or beside it on its row.
    for (int y = 0; y <= 3; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (x == 9 && y == 3)
                continue;
            QVERIFY2(!IsSet(bitmap, x, y), qPrintable(QStringLiteral("black at %1,%2").arg(x).arg(y)));
        }
    }

    // A black pixel outside the mask would be drawn inverted on some systems.
    int black = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (!IsSet(bitmap, x, y))
                continue;
            ++black;
            QVERIFY2(IsSet(mask, x, y), qPrintable(QStringLiteral("unmasked %1,%2").arg(x).arg(y)));
        }
    }
    QVERIFY(black > 40);

    // The sign sits at the lower right, below the pointer.
    bool signBelow = false;
    for (int y = 22; y < 32 && !signBelow; ++y)
        for (int x = 16; x < 32 && !signBelow; ++x)
            signBelow = IsSet(bitmap, x, y);
    QVERIFY(signBelow);
}

void TestDragCursors::picturesDiffer_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("move-clone") << int(DragCursors::MoveTo) << int(DragCursors::Clone);
    QTest::newRow("move-add") << int(DragCursors::MoveTo) << int(DragCursors::Add);
    QTest::newRow("clone-add") << int(DragCursors::Clone) << int(DragCursors::Add);
}

void TestDragCursors::picturesDiffer()
{
    QFETCH(int, first);
    QFETCH(int, second);
    // A handful of pixels could pass unseen; the signs must differ by a visible shape.
    QVERIFY(DifferingPixels(DragCursors::Bitmap(first).toImage(),
                            DragCursors::Bitmap(second).toImage()) >= 10);
}

void TestDragCursors::loadingTwiceKeepsCursors()
{
    const int numbers[] = {DragCursors::MoveTo, DragCursors::Clone, DragCursors::Add};
    QList<qint64> before;
    for (int number : numbers)
        before << DragCursors::Cursor(number).bitmap().cacheKey();
    DragCursors::Load();
    QVERIFY(DragCursors::IsLoaded());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(DragCursors::Cursor(numbers[i]).bitmap().cacheKey(), before[i]);
}

void TestDragCursors::unknownNumbers_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("below") << -101;
    QTest::newRow("above") << -97;
    QTest::newRow("zero") << 0;
    QTest::newRow("positive") << 100;
}

void TestDragCursors::unknownNumbers()
{
    QFETCH(int, number);
    QCOMPARE(DragCursors::Cursor(number).shape(), Qt::ArrowCursor);
    QVERIFY(DragCursors::Bitmap(number).isNull());
    QVERIFY(DragCursors::Mask(number).isNull());
    QVERIFY(DragCursors::ResourceName(number).isEmpty());
}

TARNWICK_TEST(TestDragCursors)
#include "tst_dragcursors.moc"
