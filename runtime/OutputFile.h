// The header's destination. Text is written while the inputs are read, but
// the output itself is touched only once every input has been read and the
// whole text is held; any failure before that leaves it as it was.
//
// BeginOutput plans how the output will be written:
// - Atomic: the output does not exist yet, or is a regular file (reached
//   through any symbolic links) with one link, whose owner, group, mode,
//   extended attributes and ACL a new file can take, in a folder that takes
//   new files and has nothing mounted on it. The text goes to a file beside
//   it that takes its place at the end.
// - InPlace: everything else (hard links, devices, FIFOs, attributes that
//   can't be copied, another owner's file, a folder that takes no new file).
//   The text is held in an unnamed file in $TMPDIR and copied in at the end
//   through the path as given, as fopen(path, "w") would write it; whatever
//   that open refuses is refused.
// - Console: the output is the file that standard output (or, failing that,
//   standard error) already writes, so the header goes through it, in order
//   with the console text, at its offset.
// - Discard: the null device, where nothing needs holding.
// - Failed: the plan could not be made; the reason is reported when the
//   output is opened.
//
// What is live after each step; Commit and Abandon leave nothing:
//   plan      after BeginOutput                 after OpenFinalOutput
//   Atomic    the output's folder, and the text  the same, the old file
//             in an unnamed file there (or in    checked to be writable
//             .program.XXXXXX where the file
//             system has none)
//   InPlace   the text, held in $TMPDIR          the text, and the output
//                                                opened but not yet changed
//   Console   the text, held in $TMPDIR, and     the same
//             which of descriptors 1 and 2
//   Discard   nothing                            nothing
//   Failed    nothing                            nothing
// At the commit, an atomic text file takes the output's name; held text is
// copied in with the space reserved first, other writers locked out, and
// terminating signals deferred until it is whole.
#ifndef RUNTIME_OUTPUT_FILE_H
#define RUNTIME_OUTPUT_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "HexLines.h"

struct OutputFile;

// Plans how to write path and prepares where the text goes. Never fails: a
// problem is kept and reported by OpenFinalOutput. A run has one output at
// a time; a temporary file is named after ProgramName().
OutputFile &BeginOutput(const char *path);

// Appends text; after a failure nothing more is written. Returns false once
// the output has failed.
bool WriteOutput(OutputFile &out, const char *text, size_t len);

// Formats count bytes in blocks through one reused buffer and writes them.
// Returns false once the output has failed.
bool WriteHexLines(OutputFile &out, HexLines &lines, const uint8_t *data, size_t count);

bool OutputFailed(const OutputFile &out);

// Text bytes taken so far.
uint64_t OutputWritten(const OutputFile &out);

// Text bytes that reached the output: all of them after a commit, fewer
// when copying in failed.
uint64_t OutputAccepted(const OutputFile &out);

// Opens the output proper, now that every input is read, without changing
// it. False with errno set when it can't be opened for writing, or when the
// text could not be held whole; then nothing has changed.
bool OpenFinalOutput(OutputFile &out);

// Puts the text in place and closes everything. False with errno set when
// anything failed, earlier writes included; then an atomic output keeps its
// old contents. No temporary file is left either way.
bool CommitOutput(OutputFile &out);

// Drops the text without touching the output.
void AbandonOutput(OutputFile &out);

// Why the output failed, for a message: the system's reason, naming the
// holding folder when the text could not be held there.
std::string OutputFailureReason(const OutputFile &out, int err);

// True when that reason is the holding folder's rather than the output's.
bool OutputTextUnheld(const OutputFile &out);

#endif
