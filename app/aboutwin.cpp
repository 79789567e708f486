#include "app/aboutwin.h"

#include "app/centred.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *MakeLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

TAboutWin::TAboutWin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutWin"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture"));
    picture->setAccessibleName(QStringLiteral("Picture"));
    picture->setPixmap(Picture());
    picture->setAlignment(Qt::AlignCenter);

    QLabel *name = MakeLabel(QStringLiteral("Tarnwick"), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    name->setFont(nameFont);

    QLabel *purpose =
        MakeLabel(QStringLiteral("Среда для создания интерактивной литературы на русском языке"), this);

    QLabel *quotation = MakeLabel(QStringLiteral("«Мир начинается с одной комнаты, а история — "
                                                 "с первого слова, которое скажет игрок.»"),
                                  this);
    QFont quotationFont = quotation->font();
    quotationFont.setItalic(true);
    quotation->setFont(quotationFont);

    QLabel *credits = MakeLabel(QStringLiteral("Команда Tarnwick"), this);
    QLabel *version = MakeLabel(QStringLiteral("Версия ") + Version(), this);

    m_closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    m_closeButton->setDefault(true);
    m_closeButton->setAutoDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &TAboutWin::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(name);
    layout->addWidget(purpose);
    layout->addSpacing(8);
    layout->addWidget(quotation);
    layout->addSpacing(8);
    layout->addWidget(credits);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    // The text is short and fixed; a frame the user could drag would only show empty space.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Word-wrapped labels would otherwise pick a narrow height-for-width shape.
    purpose->setMinimumWidth(purpose->fontMetrics().horizontalAdvance(purpose->text()) / 2 + 40);
    quotation->setMinimumWidth(purpose->minimumWidth());
}

QString TAboutWin::Version()
{
    return QStringLiteral("0.1");
}

void TAboutWin::ShowCentred()
{
    ::ShowCentred(this);
}

// An open book with a quill lying across it.
QPixmap TAboutWin::Picture()
{
    constexpr int kWidth = 112;
    constexpr int kHeight = 80;
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(60, 45, 30);
    painter.setPen(QPen(ink, 1.5));

    // Pages: each bows up from the spine and falls to the outer edge.
    const QColor paper(250, 244, 225);
    for (int side : {-1, 1}) {
        QPainterPath page;
        const qreal spine = kWidth / 2.0;
        const qreal outer = spine + side * 50;
        page.moveTo(spine, 22);
        page.cubicTo(spine + side * 18, 12, outer - side * 14, 12, outer, 18);
        page.lineTo(outer, 66);
        page.cubicTo(outer - side * 14, 60, spine + side * 18, 60, spine, 70);
        page.closeSubpath();
        painter.setBrush(paper);
        painter.drawPath(page);

        // Lines of text.
        painter.setPen(QPen(QColor(150, 135, 115), 1));
        for (int line = 0; line < 6; ++line) {
            const qreal y = 26 + line * 6.5;
            painter.drawLine(QPointF(spine + side * 8, y + 2), QPointF(outer - side * 8, y));
        }
        painter.setPen(QPen(ink, 1.5));
    }

    // The quill: a feather vane around a shaft, tip down on the right page.
    painter.save();
    painter.translate(78, 58);
    painter.rotate(-50);
    QPainterPath vane;
    vane.moveTo(6, 0);
    vane.cubicTo(16, -7, 40, -8, 58, 0);
    vane.cubicTo(40, 6, 16, 6, 6, 0);
    painter.setBrush(QColor(200, 60, 50));
    painter.drawPath(vane);
    painter.drawLine(QPointF(-4, 0), QPointF(60, 0));
    painter.setBrush(ink);
    painter.drawPolygon(QPolygonF({QPointF(-8, 0), QPointF(-3, -1.5), QPointF(-3, 1.5)}));
    painter.restore();

    return pixmap;
}
