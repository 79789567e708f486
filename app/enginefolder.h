#pragma once

#include <QString>

// The folder the engine scripts are run from, which is also where the program writes the
// vocabulary files and its temporary file. Run from a build, the scripts lie beside the program.
// Installed, they lie in a shared folder the author cannot write, so a folder of the author's own
// receives copies: the engine's scripts follow the installed ones, while the vocabulary files and
// the sample projects, once copied, are the author's and are kept.
namespace EngineFolder {

// The folder for a program whose executable lies in `programFolder`; `userFolder` receives the
// copies when the program is installed. The shared folder itself when the copies cannot be made.
QString Prepare(const QString &programFolder, const QString &userFolder);

} // namespace EngineFolder
