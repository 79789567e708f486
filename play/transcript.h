#pragma once

#include <QString>
#include <QStringList>

// A transcript is what a game writes while a walkthrough is played: the player's lines echoed
// after "> ", and the game's answers. Checking a game against its walkthrough is comparing the
// transcript with the one expected.
namespace Transcript {

// Where two transcripts first part.
struct Difference
{
    // The line number, from 1; 0 when the transcripts agree.
    int line = 0;
    // The player's line that led to it; empty before the first one.
    QString input;
    // The two lines; a null text where that transcript has already ended.
    QString expected;
    QString actual;
};

// The lines of a text as a transcript holds them: CR dropped, no empty line after the last break.
QStringList Lines(const QString &text);
// A transcript's lines as a file holds them, each ended by a line break.
QString Text(const QStringList &lines);

Difference Compare(const QStringList &expected, const QStringList &actual);

// The report of a difference, for the author: the line, the input, then the two lines.
QStringList Describe(const Difference &difference);

} // namespace Transcript
