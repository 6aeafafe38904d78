// The header's destination. Text is written while the inputs are read, but
// the output itself is touched only once every input has been read and the
// whole text is held; any failure before that leaves it as it was.
// - Atomic: a regular file that the caller owns, with one link, no extended
//   attributes and no mount on it, or a path that does not exist yet. The
//   text goes to a file beside it, unnamed where the file system allows,
//   named and renamed over the output at the end.
// - In place: everything else (links, devices, FIFOs, files of another owner
//   or in a folder that takes no new file). The text is held in an unnamed
//   file in $TMPDIR and copied in at the end through the path as given, as
//   fopen(path, "w") would write it; whatever that open refuses is refused.
// - Console: the output is the file that standard output already writes,
//   so the header goes through it, in order with the console text.
// - Discard: the null device, where nothing needs holding.
#ifndef RUNTIME_OUTPUT_FILE_H
#define RUNTIME_OUTPUT_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

enum class OutputPlan { Atomic, InPlace, Console, Discard, Refused };

struct OutputFile {
    std::string path;             // as given
    const char *prefix = nullptr; // names a named temporary file
    OutputPlan plan = OutputPlan::Refused;
    int fd = -1;             // where the text goes until the end
    int folderFd = -1;       // Atomic: the output's folder
    int finalFd = -1;        // InPlace, Console: the output, once opened
    std::string name;        // Atomic: the output's name in that folder
    bool existed = false;    // Atomic: the output existed at the start
    bool unnamed = false;    // Atomic: the text's file has no name yet
    std::string holdFolder;  // InPlace, Console: where the text is held
    uint64_t written = 0;    // text bytes taken so far
    uint64_t accepted = 0;   // text bytes that reached the output
    int err = 0;             // the first failure's reason
    bool holdFailed = false; // that failure was the holding file's
};

// Decides how to write path and prepares where the text goes. Never fails:
// a problem is kept and reported by OpenFinalOutput. prefix names a named
// temporary file (".prefix.XXXXXX").
void BeginOutput(const char *path, const char *prefix, OutputFile &out);

// Appends text; after a failure nothing more is written. Returns false once
// the output has failed.
bool WriteOutput(OutputFile &out, const char *text, size_t len);

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

#endif
