#pragma once

#include <QString>

// The engine parser's nine messages, PARSE_ERROR [1] to [9], as the messages editor shows them
// and writes them back.
namespace ParseMessages {

constexpr int kCount = 9;

// What message n (1 to 9) is printed for, as the editor's list shows it.
QString Caption(int n);

// The expression that reads message n, as in "PARSE_ERROR [3]".
QString Expression(const QString &n);

// A message as the edit area shows it: each line break (CR LF, CR or LF) one paragraph.
QString ToEditor(const QString &message);

// The edit area's raw text as the message: paragraphs joined by CR LF, nothing added at the end,
// every other character (no-break spaces included) as it is.
QString FromEditor(const QString &raw);

// The statement that stores the edit area's raw text as message n. The plain
// "PARSE_ERROR [n] = [[text]]" wherever it reads back as the text; otherwise a form that does
// (a text holding "]]", starting with a line break, or keeping CR LF between its lines).
QString Assignment(const QString &n, const QString &raw);

} // namespace ParseMessages
