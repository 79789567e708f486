#pragma once

#include <QByteArray>

#include <cstdio>

// Reads the player's lines from a terminal with editing and a history of the lines typed: the
// arrow keys, Home and End, Ctrl+R to search the history. It uses the system's line-editing
// library (libedit), which speaks the terminal's own encoding (UTF-8).
class LineEditor
{
public:
    LineEditor(std::FILE *in, std::FILE *out);
    ~LineEditor();
    LineEditor(const LineEditor &) = delete;
    LineEditor &operator=(const LineEditor &) = delete;

    // Whether lines from `in` can be edited: it is a terminal.
    static bool Available(std::FILE *in);

    // One line typed after the prompt, without its line break; false at the end of the input
    // (Ctrl+D on an empty line).
    bool ReadLine(const QByteArray &prompt, QByteArray *line);
};
