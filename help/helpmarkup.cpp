#include "help/helpmarkup.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>

namespace HelpMarkup {

namespace {

// The document's text and a mirror of it kept in step, so each search does not have to read the
// document again.
class Pass
{
public:
    Pass(QTextDocument *document, QString &text) : m_document(document), m_text(text) {}

    void Remove(qsizetype at, qsizetype length)
    {
        QTextCursor cursor(m_document);
        cursor.setPosition(int(at));
        cursor.setPosition(int(at + length), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        m_text.remove(at, length);
    }

    QTextCursor Range(qsizetype from, qsizetype to) const
    {
        QTextCursor cursor(m_document);
        cursor.setPosition(int(from));
        cursor.setPosition(int(to), QTextCursor::KeepAnchor);
        return cursor;
    }

    // Every opening tag in turn with the first closing tag after it. `parse` reads the opening
    // tag at a position, giving its length (0 when it is not well formed there) and its value.
    void Run(const QString &opening, const QString &closing,
             const std::function<int(qsizetype at, int *value)> &parse,
             const std::function<void(QTextCursor &, int value)> &apply)
    {
        qsizetype from = 0;
        for (;;) {
            qsizetype p = m_text.indexOf(opening, from);
            if (p < 0)
                return;
            int value = 0;
            const int length = parse(p, &value);
            if (length == 0) {
                from = p + 1;
                continue;
            }
            Remove(p, length);
            qsizetype q = m_text.indexOf(closing);
            if (q >= 0) {
                Remove(q, closing.size());
                // A closing tag before the opening one styles nothing; the opening tag's place
                // moved with the text taken out before it.
                if (q < p)
                    p -= closing.size();
            } else {
                q = m_text.size();
            }
            if (q > p) {
                QTextCursor range = Range(p, q);
                apply(range, value);
            }
            from = p;
        }
    }

    const QString &Text() const { return m_text; }

private:
    QTextDocument *m_document;
    QString &m_text;
};

void CharPass(Pass &pass, const char *tag, const std::function<void(QTextCharFormat &)> &style)
{
    const QString opening = QLatin1Char('[') + QLatin1String(tag) + QLatin1Char(']');
    const QString closing = QStringLiteral("[/") + QLatin1String(tag) + QLatin1Char(']');
    pass.Run(
        opening, closing, [&](qsizetype, int *) { return int(opening.size()); },
        [&](QTextCursor &range, int) {
            QTextCharFormat format;
            style(format);
            range.mergeCharFormat(format);
        });
}

// "[name=" followed by exactly `digits` decimal digits and "]".
std::function<int(qsizetype, int *)> ValueTag(const QString &text, const QString &opening, int digits)
{
    return [&text, opening, digits](qsizetype at, int *value) {
        const qsizetype start = at + opening.size();
        if (text.mid(start + digits, 1) != QLatin1String("]"))
            return 0;
        bool ok = false;
        *value = text.mid(start, digits).toInt(&ok);
        for (qsizetype i = start; i < start + digits; ++i)
            ok = ok && text.at(i).isDigit();
        return ok ? int(opening.size() + digits + 1) : 0;
    };
}

void AlignPass(Pass &pass, const char *tag, Qt::Alignment alignment)
{
    const QString opening = QLatin1Char('[') + QLatin1String(tag) + QLatin1Char(']');
    const QString closing = QStringLiteral("[/") + QLatin1String(tag) + QLatin1Char(']');
    pass.Run(
        opening, closing, [&](qsizetype, int *) { return int(opening.size()); },
        [&](QTextCursor &range, int) {
            QTextBlockFormat format;
            format.setAlignment(alignment);
            range.mergeBlockFormat(format);
        });
}

} // namespace

QColor Palette(int index)
{
    static const QColor colours[] = {QColor(0, 0, 0),     QColor(0, 0, 255),   QColor(0, 128, 0),
                                     QColor(0, 128, 128), QColor(255, 0, 0),   QColor(128, 0, 128),
                                     QColor(255, 255, 0), QColor(192, 192, 192)};
    return index >= 0 && index < 8 ? colours[index] : QColor();
}

void Render(QTextDocument *document, const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    document->setPlainText(plain);
    // The document's positions count a paragraph end as one character, as the mirror does.
    QString mirror = document->toPlainText();
    Pass pass(document, mirror);

    CharPass(pass, "b", [](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); });
    CharPass(pass, "i", [](QTextCharFormat &f) { f.setFontItalic(true); });
    CharPass(pass, "u", [](QTextCharFormat &f) { f.setFontUnderline(true); });
    const QString size = QStringLiteral("[size=");
    pass.Run(size, QStringLiteral("[/size]"), ValueTag(pass.Text(), size, 2),
             [](QTextCursor &range, int points) {
                 if (points <= 0)
                     return;
                 QTextCharFormat format;
                 format.setFontPointSize(points);
                 range.mergeCharFormat(format);
             });
    const QString color = QStringLiteral("[color=");
    pass.Run(color, QStringLiteral("[/color]"), ValueTag(pass.Text(), color, 1),
             [](QTextCursor &range, int index) {
                 const QColor colour = Palette(index);
                 if (!colour.isValid())
                     return;
                 QTextCharFormat format;
                 format.setForeground(colour);
                 range.mergeCharFormat(format);
             });
    AlignPass(pass, "c", Qt::AlignHCenter);
    AlignPass(pass, "r", Qt::AlignRight);
}

} // namespace HelpMarkup
