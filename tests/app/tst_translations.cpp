#include "tests/testmain.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

// The toolkit's own dialogs speak Russian whatever the system's language (the tests run in
// whatever locale the machine has, as the program does).
class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestRegistry::FailOnWarnings(); }
    void standardDialogsAreRussian();
};

namespace {

QStringList ButtonTexts(const QWidget &dialog)
{
    QStringList texts;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>())
        texts << button->text().remove(QLatin1Char('&'));
    return texts;
}

} // namespace

void TestTranslations::standardDialogsAreRussian()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Выход"), QString(),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const QStringList answers = ButtonTexts(box);
    QVERIFY2(answers.contains(QStringLiteral("Да")) && answers.contains(QStringLiteral("Нет"))
                 && answers.contains(QStringLiteral("Отмена")),
             qPrintable(answers.join(QLatin1Char(','))));

    QFileDialog open;
    open.setAcceptMode(QFileDialog::AcceptOpen);
    QVERIFY2(ButtonTexts(open).contains(QStringLiteral("Открыть")),
             qPrintable(ButtonTexts(open).join(QLatin1Char(','))));
    QFileDialog save;
    save.setAcceptMode(QFileDialog::AcceptSave);
    QVERIFY2(ButtonTexts(save).contains(QStringLiteral("Сохранить")),
             qPrintable(ButtonTexts(save).join(QLatin1Char(','))));
    QVERIFY(ButtonTexts(save).contains(QStringLiteral("Отмена")));
}

TARNWICK_TEST(TestTranslations)
#include "tst_translations.moc"
