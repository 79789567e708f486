#include "help/helpmarkup.h"

#include <QTextCursor>
#include <QTextDocument>

namespace HelpMarkup {

namespace {

// One kind of tag. A value tag ("[size=" or "[color=") carries exactly `digits` decimal digits
// after its name, then "]".
struct Tag
{
    QString opening;
    QString closing;
    int digits = 0;
};

Tag Plain(const char *name)
{
    const QString tag = QLatin1String(name);
    return {QLatin1Char('[') + tag + QLatin1Char(']'), QStringLiteral("[/%1]").arg(tag), 0};
}

Tag Valued(const char *name, int digits)
{
    const QString tag = QLatin1String(name);
    return {QLatin1Char('[') + tag + QLatin1Char('='), QStringLiteral("[/%1]").arg(tag), digits};
}

void Select(QTextCursor &cursor, qsizetype from, qsizetype to)
{
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
}

// Works on the document through one cursor and keeps a copy of its text in step, so that each
// search does not read the document again.
class Renderer
{
public:
    explicit Renderer(QTextDocument *document)
        : m_cursor(document), m_text(document->toPlainText())
    {
    }

    // Every opening tag of the kind in turn, first to last, with the first closing tag of the
    // kind left in the text at that moment: both are removed, then `apply` formats the
    // characters from p up to q (q excluded).
    template<typename Apply>
    void Pass(const Tag &tag, Apply apply)
    {
        qsizetype from = 0;
        for (;;) {
            const qsizetype p = m_text.indexOf(tag.opening, from);
            if (p < 0)
                return;
            int value = 0;
            const qsizetype length = OpeningLength(tag, p, &value);
            if (length == 0) { // not a tag of this kind: it stays as text
                from = p + 1;
                continue;
            }
            Remove(p, length);
            qsizetype q = m_text.indexOf(tag.closing);
            if (q >= 0)
                Remove(q, tag.closing.size());
            else
                q = m_text.size(); // an opening tag never closed reaches to the end
            if (q > p) // a closing tag before its opening tag encloses nothing
                apply(m_cursor, p, q, value);
            // A removal may join the characters around it into a new opening tag.
            from = qMax<qsizetype>(0, qMin(p, q) - tag.opening.size() + 1);
        }
    }

    QTextCursor &Cursor() { return m_cursor; }

private:
    qsizetype OpeningLength(const Tag &tag, qsizetype at, int *value) const
    {
        if (tag.digits == 0)
            return tag.opening.size();
        const qsizetype start = at + tag.opening.size();
        const qsizetype end = start + tag.digits;
        if (end >= m_text.size() || m_text.at(end) != QLatin1Char(']'))
            return 0;
        *value = 0;
        for (qsizetype i = start; i < end; ++i) {
            const char16_t c = m_text.at(i).unicode();
            if (c < u'0' || c > u'9')
                return 0;
            *value = *value * 10 + (c - u'0');
        }
        return tag.opening.size() + tag.digits + 1;
    }

    void Remove(qsizetype at, qsizetype length)
    {
        Select(m_cursor, at, at + length);
        m_cursor.removeSelectedText();
        m_text.remove(at, length);
    }

    QTextCursor m_cursor;
    QString m_text;
};

void MergeChars(QTextCursor &cursor, qsizetype p, qsizetype q, const QTextCharFormat &format)
{
    Select(cursor, p, q);
    cursor.mergeCharFormat(format);
}

// The paragraphs holding any of the characters from p up to q (q excluded): the character just
// before q may be the end of a paragraph, and the paragraph that q starts is not touched.
void Align(QTextCursor &cursor, qsizetype p, qsizetype q, Qt::Alignment alignment)
{
    Select(cursor, p, q - 1);
    QTextBlockFormat format;
    format.setAlignment(alignment);
    cursor.mergeBlockFormat(format);
}

// What a plain tag of style gives the characters it encloses: one setter of the character format.
template<typename Value>
auto Styled(void (QTextCharFormat::*set)(Value), Value value)
{
    return [set, value](QTextCursor &cursor, qsizetype p, qsizetype q, int) {
        QTextCharFormat format;
        (format.*set)(value);
        MergeChars(cursor, p, q, format);
    };
}

auto Aligned(Qt::Alignment alignment)
{
    return [alignment](QTextCursor &cursor, qsizetype p, qsizetype q, int) {
        Align(cursor, p, q, alignment);
    };
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

    Renderer renderer(document);
    // One edit block: the document is laid out once, when the last pass is done.
    renderer.Cursor().beginEditBlock();
    renderer.Pass(Plain("b"), Styled(&QTextCharFormat::setFontWeight, int(QFont::Bold)));
    renderer.Pass(Plain("i"), Styled(&QTextCharFormat::setFontItalic, true));
    renderer.Pass(Plain("u"), Styled(&QTextCharFormat::setFontUnderline, true));
    renderer.Pass(Valued("size", 2), [](QTextCursor &c, qsizetype p, qsizetype q, int points) {
        if (points <= 0) // "[size=00]": no size to give
            return;
        QTextCharFormat format;
        format.setFontPointSize(points);
        MergeChars(c, p, q, format);
    });
    renderer.Pass(Valued("color", 1), [](QTextCursor &c, qsizetype p, qsizetype q, int index) {
        const QColor colour = Palette(index);
        if (!colour.isValid()) // digits 8 and 9 lie outside the palette
            return;
        QTextCharFormat format;
        format.setForeground(colour);
        MergeChars(c, p, q, format);
    });
    renderer.Pass(Plain("c"), Aligned(Qt::AlignHCenter));
    renderer.Pass(Plain("r"), Aligned(Qt::AlignRight));
    renderer.Cursor().endEditBlock();
}

} // namespace HelpMarkup
