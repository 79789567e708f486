#include "script/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace CodePage {

namespace {

const char *const kCodePageName = "windows-1251";

// Windows-1251 is a single-byte code page, so one converter of each direction can be reused
// without carrying state from one string into the next.
QStringEncoder &Encoder()
{
    static QStringEncoder encoder(kCodePageName, QStringConverter::Flag::Stateless);
    return encoder;
}

QStringDecoder &Decoder()
{
    static QStringDecoder decoder(kCodePageName, QStringConverter::Flag::Stateless);
    return decoder;
}

} // namespace

QByteArray ToLua(const QString &text)
{
    if (text.isEmpty())
        return QByteArray();
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();
    QByteArray bytes = Encoder().encode(text);
    Encoder().resetState();
    return bytes;
}

QString FromLua(const char *bytes, qsizetype length)
{
    if (length <= 0)
        return QString();
    // Names (uids, keys) are ASCII, which the code page keeps as it is; they need no converter.
    const QByteArrayView view(bytes, length);
    if (std::all_of(view.begin(), view.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes, length);
    QString text = Decoder().decode(QByteArrayView(bytes, length));
    Decoder().resetState();
    return text;
}

QString FromLua(const QByteArray &bytes)
{
    return FromLua(bytes.constData(), bytes.size());
}

} // namespace CodePage
