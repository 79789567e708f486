#include "app/aboutwin.h"

#include "app/emblem.h"
#include "widgets/centred.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPictureSide = 96;

QLabel *MakeLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

void Restyle(QLabel *label, qreal scale, bool bold, bool italic)
{
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    font.setItalic(italic);
    label->setFont(font);
}

} // namespace

TAboutWin::TAboutWin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutWin"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Picture"));
    m_picture->setAccessibleName(QStringLiteral("Picture"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(kPictureSide, kPictureSide);

    QLabel *name = MakeLabel(QStringLiteral("Tarnwick"), this);
    Restyle(name, 1.8, true, false);
    QLabel *purpose = MakeLabel(
        QStringLiteral("Среда для создания интерактивной литературы на русском языке"), this);
    QLabel *version = MakeLabel(QStringLiteral("Версия ") + Version(), this);

    // Our own words, written for this program.
    QLabel *quotation = MakeLabel(QStringLiteral("«Мир начинается с одной комнаты, а история — "
                                                 "с первого слова, которое скажет игрок.»"),
                                  this);
    Restyle(quotation, 1.0, false, true);

    QLabel *credits = MakeLabel(QStringLiteral("Разработчики Tarnwick"), this);
    Restyle(credits, 0.9, false, false);

    m_closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    m_closeButton->setDefault(true);
    m_closeButton->setAutoDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &TAboutWin::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->setContentsMargins(24, 18, 24, 14);
    layout->addWidget(m_picture);
    layout->addSpacing(4);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(purpose);
    layout->addSpacing(10);
    layout->addWidget(quotation);
    layout->addSpacing(10);
    layout->addWidget(credits);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    // The text is short and fixed; a frame the user could drag would only show empty space.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Word-wrapped labels would otherwise pick a narrow height-for-width shape.
    purpose->setMinimumWidth(purpose->fontMetrics().horizontalAdvance(purpose->text()) / 2 + 40);
    quotation->setMinimumWidth(purpose->minimumWidth());
}

QString TAboutWin::Version()
{
    return QStringLiteral(TARNWICK_VERSION);
}

void TAboutWin::ShowCentred()
{
    ::ShowCentred(this);
}

// Painted for the screen it shows on, so it stays sharp on a dense one.
void TAboutWin::showEvent(QShowEvent *event)
{
    const qreal ratio = devicePixelRatioF();
    QPixmap picture = QPixmap::fromImage(Emblem::Image(qRound(kPictureSide * ratio)));
    picture.setDevicePixelRatio(ratio);
    m_picture->setPixmap(picture);
    QDialog::showEvent(event);
}
