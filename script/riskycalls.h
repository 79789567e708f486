#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class ScriptHost;

// The functions that reach outside the world (run programs, change files, end the process, load
// code from elsewhere), as they are found in Lua code, so the author learns that a project uses
// them before playing it.
namespace RiskyCalls {

struct Use
{
    QString function;
    int line;
};

// Each mention of os.execute, os.remove, os.rename, os.exit, os.tmpname, io.popen, io.open,
// io.output, io.lines, loadlib, package.loadlib, require, dofile or loadfile in the code, in order,
// with its line (from 1). Strings and comments are passed over; a field of another table
// (t.require) is not a mention.
QList<Use> Find(const QByteArray &code);

// Writes one yellow console line per function the opened project uses: in the sources kept in
// its objects' ide_data, and in the project file's own statements (its text, outside strings
// and comments).
void ReportProject(ScriptHost &host, const QByteArray &projectText, const QString &projectFile);

} // namespace RiskyCalls
