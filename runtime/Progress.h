// How far a long run has read, on one line of a terminal's standard error:
// shown only when standard error is a terminal and the run has taken more
// than a second, rewritten as it goes, and cleared before any other console
// text. Nothing else changes, and nothing at all when standard error is not
// a terminal.
#ifndef RUNTIME_PROGRESS_H
#define RUNTIME_PROGRESS_H

#include <cstdint>

// total is the bytes to read, or 0 when that is not known; the line starts
// with the program's name.
void StartProgress(const char *program, uint64_t total);

void ShowProgress(uint64_t done);

// No line from now on.
void SilenceProgress();

// Clears the line, if one was shown.
void EndProgress();

// Each system's room: whether a progress line can show at all (standard
// error is a terminal), and whether that terminal takes escape sequences.
bool ProgressCanShow();
bool TerminalTakesEscapes();

#endif
