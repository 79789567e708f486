#pragma once

#include <QString>

// Plays the game with the lines of standard input, as a walkthrough, and compares its transcript
// with the one in expectedFile (UTF-8, as the player writes it). The exit status: 0 when they
// agree; 1 at the first difference (its line, the input that led to it, and both lines are
// printed) or when the game stopped with an error; 2 when the expected transcript cannot be read.
int PlayExpecting(const QString &game, const QString &expectedFile);
