// The header's destination. Text is written while the inputs are read, but
// the output itself is touched only once every input has been read and the
// whole text is held; any failure before that leaves it as it was.
//
// Words used here:
// - held: the text kept in a file of its own (in $TMPDIR, unnamed) until
//   every input is read, then copied into the output.
// - in place: the output keeps its inode; held text is copied into it
//   through the path as given, as fopen(path, "w") would write it.
// - atomic: a new file beside the output takes the text and then the
//   output's name; the old file is whole until that moment.
// - console: the output is the file that standard output or standard error
//   already writes; the held text goes through that descriptor.
//
// This layer calls neither the console nor progress: a caller clears any
// progress line before opening the output, and reports what the layer hands
// back (a failure's reason, a temporary file it could not remove).
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
// copied in with other writers locked out (a run waits for one that holds
// the output, and says so), and with the space reserved first and
// catchable signals held from then until it is whole. A SIGKILL can't be
// held: during that copy it may leave the old text followed by zeros (where
// space could only be reserved by writing them) or a beginning of the new.
#ifndef RUNTIME_OUTPUT_FILE_H
#define RUNTIME_OUTPUT_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "HexLines.h"
#include "TemporaryName.h"

enum class OutputPlan { Atomic, InPlace, Console, Discard, Failed };

// What only atomic replacement needs.
struct AtomicParts {
    std::string target;     // the file the text replaces, as the system's calls take it
    int folder = -1;        // that file's folder, open
    std::string folderPath; // that folder as typed, for messages ("" for the current one)
    std::string name;       // the file's name in that folder
    bool existed = false;   // the file existed at the start
    bool linked = false;    // it has other names: written in place, for all of them
    bool unnamed = false;   // the text's file has no name yet
    unsigned keep = 0;      // attributes of the old file that the new one takes
    NamedTemporary temporary;
};

// What only held text needs: in place and console.
struct HeldParts {
    std::string folder;     // where the text is held
    int final = -1;         // the output, once opened (console: descriptor 1 or 2)
    bool locked = false;    // other writers are locked out of it
    bool contended = false; // another program held it at the open: not yet said
};

// One output, owned by its caller, from BeginOutput to CommitOutput or
// AbandonOutput.
struct OutputFile {
    std::string path;         // as given
    const char *program = ""; // names the temporary file
    OutputPlan plan = OutputPlan::Failed;
    int text = -1;         // where the text goes until the commit
    uint64_t written = 0;  // text bytes taken so far
    uint64_t accepted = 0; // text bytes that reached the output
    int err = 0;           // the first failure's reason
    bool unheld = false;   // that failure was the holding file's
    std::string leftover;  // a temporary file that could not be removed
    int leftoverErr = 0;   // and why
    AtomicParts atomic;
    HeldParts held;
};

// Plans how to write path and prepares where the text goes. Never fails: a
// problem is kept and reported by OpenFinalOutput.
void BeginOutput(OutputFile &out, const char *path, const char *program);

// Appends text; after a failure nothing more is written. Returns 0, or the
// output's failure.
int WriteOutput(OutputFile &out, const char *text, size_t len);

// Formats count bytes in blocks through one reused buffer and writes them.
// Returns 0, or the output's failure.
int WriteHexLines(OutputFile &out, HexLines &lines, const uint8_t *data, size_t count);

bool OutputFailed(const OutputFile &out);

// True once the text could not be written or held; the output itself may
// yet open, and one that can't is told at the open.
bool OutputTextFailed(const OutputFile &out);

// True once, after OpenFinalOutput, when another program was writing the
// output: CommitOutput then waits until it is done.
bool OutputContended(OutputFile &out);

// Text bytes taken so far.
uint64_t OutputWritten(const OutputFile &out);

// Text bytes that reached the output: all of them after a commit, fewer
// when copying in failed.
uint64_t OutputAccepted(const OutputFile &out);

// Opens the output proper, now that every input is read, without changing
// it. Returns 0, or why it can't be opened for writing or the text could
// not be held whole; then nothing has changed.
int OpenFinalOutput(OutputFile &out);

// Puts the text in place and closes everything. Returns 0, or the first
// failure, earlier writes included; then an atomic output keeps its old
// contents. No temporary file is left either way, or it is named in
// out.leftover.
int CommitOutput(OutputFile &out);

// Drops the text without touching the output.
void AbandonOutput(OutputFile &out);

// Why the output failed, for a message: the reason that FailureReason
// gives, or the holding folder's when the text could not be held there.
std::string OutputFailureReason(const OutputFile &out, int err);

// True when that reason is the holding folder's rather than the output's.
bool OutputTextUnheld(const OutputFile &out);

#endif
