#pragma once

#include <QByteArray>
#include <QString>

// The one border between widget text and the Windows-1251 bytes that Lua holds. Every string that
// goes from a window into Lua text, or from Lua into a window, passes through here.
namespace CodePage {

// Widget text to Windows-1251 bytes; a character the code page lacks becomes '?'.
QByteArray ToLua(const QString &text);

// Windows-1251 bytes to widget text.
QString FromLua(const char *bytes, qsizetype length);
QString FromLua(const QByteArray &bytes);

} // namespace CodePage
