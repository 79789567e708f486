// The block of word lines in a vocabulary file: what is read, and what is written back around it.

#include "script/codepage.h"
#include "tests/testmain.h"
#include "vocabulary/vocabularyblock.h"

namespace {

// "a b||c d" as rows of Windows-1251 words, the second one empty; an empty text is no rows.
QList<VocabularyBlock::Row> RowsOf(const QString &text)
{
    QList<VocabularyBlock::Row> rows;
    for (const QString &line : text.isEmpty() ? QStringList() : text.split(QLatin1Char('|'))) {
        VocabularyBlock::Row row;
        for (const QString &word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            row.append(CodePage::ToLua(word));
        rows.append(row);
    }
    return rows;
}

} // namespace

class TestVocabularyBlock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readAndWrite_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("rows");    // as read; "" for a blank line, "-" for no block
        QTest::addColumn<QString>("written"); // rows written back
        QTest::addColumn<QString>("result");  // the file then; "=" for unchanged
        const QString lf = QStringLiteral("x\n-- vocabulary\nh\nвзять брать* *бери\nосмотреть\nf\n-- /vocabulary\ny\n");
        QTest::newRow("LF stays LF") << lf << "взять брать* *бери|осмотреть" << "взять|a b"
                                     << "x\n-- vocabulary\nh\nвзять\na b\nf\n-- /vocabulary\ny\n";
        QTest::newRow("spaces and blank lines kept while the rows are the same")
            << "-- vocabulary\nh\n  a   b \n\nc\nf\n-- /vocabulary\n\n\n" << "a b||c" << "a b|c" << "=";
        QTest::newRow("and written plainly once they differ")
            << "-- vocabulary\nh\n  a   b \n\nc\nf\n-- /vocabulary\n\n\n" << "a b||c" << "a b|d"
            << "-- vocabulary\nh\na b\nd\nf\n-- /vocabulary\n\n\n";
        QTest::newRow("a tab is part of a word") << "-- vocabulary\nh\na\tb c\nf\n-- /vocabulary"
                                                 << "a\tb c" << "a\tb c|d" << "-- vocabulary\nh\na\tb c\nd\nf\n-- /vocabulary";
        QTest::newRow("no data lines") << "-- vocabulary\nh\nf\n-- /vocabulary\n" << "" << "new row"
                                       << "-- vocabulary\nh\nnew row\nf\n-- /vocabulary\n";
        QTest::newRow("all rows removed") << lf << "взять брать* *бери|осмотреть" << ""
                                          << "x\n-- vocabulary\nh\nf\n-- /vocabulary\ny\n";
        QTest::newRow("the last of several blocks")
            << "-- vocabulary\nh\na\nf\n-- /vocabulary\n-- vocabulary\nh2\nb c\nf2\n-- /vocabulary\n"
            << "b c" << "d" << "-- vocabulary\nh\na\nf\n-- /vocabulary\n-- vocabulary\nh2\nd\nf2\n-- /vocabulary\n";
        QTest::newRow("no end marker") << "-- vocabulary\nh\na\nf\n" << "-" << "a" << "=";
        QTest::newRow("no footer") << "-- vocabulary\nh\n-- /vocabulary\n" << "-" << "a" << "=";
        QTest::newRow("markers with blanks are no markers")
            << "-- vocabulary \nh\na\nf\n-- /vocabulary\n" << "-" << "a" << "=";
        QTest::newRow("Latin and Cyrillic, no final line break")
            << "-- vocabulary\nh\ntake Взять ВЗЯТЬ ёлка\nf\n-- /vocabulary" << "take Взять ВЗЯТЬ ёлка"
            << "take Взять ВЗЯТЬ ёлка" << "=";
    }
    void readAndWrite()
    {
        QFETCH(QString, file);
        QFETCH(QString, rows);
        QFETCH(QString, written);
        QFETCH(QString, result);
        const QByteArray bytes = CodePage::ToLua(file);
        const VocabularyBlock block = VocabularyBlock::Read(bytes);
        QCOMPARE(block.Found(), rows != QLatin1String("-"));
        if (block.Found())
            QCOMPARE(block.Rows(), RowsOf(rows));
        const QByteArray out = block.Written(RowsOf(written));
        QCOMPARE(CodePage::FromLua(out), result == QLatin1String("=") ? file : result);
    }

    void problems_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("refused");
        QTest::newRow("single brackets") << "a[b] ]=x [=" << false;
        QTest::newRow("closing bracket") << "a ]]" << true;
        QTest::newRow("nested opening bracket") << "a [=[" << true;
        QTest::newRow("the end marker as a line") << "-- /vocabulary" << true;
    }
    void problems()
    {
        QFETCH(QString, row);
        QFETCH(bool, refused);
        QCOMPARE(!VocabularyBlock::RowProblem(RowsOf(row).value(0)).isEmpty(), refused);
    }
};

TARNWICK_TEST(TestVocabularyBlock)

#include "tst_vocabularyblock.moc"
