#pragma once

#include <QString>

namespace HelpSource {

// The Lua text that defines the table HELP of the 17 help topics, as the program carries it.
QString Text();

} // namespace HelpSource
