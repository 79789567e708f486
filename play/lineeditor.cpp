#include "play/lineeditor.h"

#include <clocale>
#include <cstdlib>
#include <unistd.h>

#include <editline/readline.h>

LineEditor::LineEditor(std::FILE *in, std::FILE *out)
{
    // The library reads the terminal's characters by the locale's encoding; only that part of
    // the locale is taken, so numbers stay as Lua writes them.
    std::setlocale(LC_CTYPE, "");
    rl_instream = in;
    rl_outstream = out;
    rl_readline_name = "tarnwick-play";
    using_history();
    // Ctrl+R searches the lines typed before, as in a shell.
    rl_parse_and_bind("bind ^R em-inc-search-prev");
}

LineEditor::~LineEditor()
{
    clear_history();
}

bool LineEditor::Available(std::FILE *in)
{
    return isatty(fileno(in)) != 0;
}

bool LineEditor::ReadLine(const QByteArray &prompt, QByteArray *line)
{
    char *typed = readline(prompt.constData());
    if (typed == nullptr)
        return false;
    *line = QByteArray(typed);
    std::free(typed);
    if (!line->trimmed().isEmpty())
        add_history(line->constData());
    return true;
}
