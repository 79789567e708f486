#include "help/helpsource.h"

#include "script/codepage.h"

// Laid in by the build from help/help.lua, in Windows-1251.
extern const unsigned char kHelpSourceBytes[];
extern const int kHelpSourceSize;

namespace HelpSource {

QString Text()
{
    return CodePage::FromLua(reinterpret_cast<const char *>(kHelpSourceBytes), kHelpSourceSize);
}

} // namespace HelpSource
