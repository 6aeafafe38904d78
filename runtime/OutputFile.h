// The header's destination. Text is written while the inputs are read, but
// the output itself is touched only once every input has been read:
// - Atomic: a regular file that the caller owns, with one link and no
//   extended attributes, or a path that does not exist yet. The text goes to
//   a temporary file beside it, renamed over it at the end.
// - In place: everything else (links, devices, FIFOs, files of another owner
//   or in a folder that takes no new file). The text is held in an unnamed
//   temporary file and copied in at the end through the path as given, as
//   fopen(path, "w") would write it; whatever that open refuses is refused.
// - Discard: the null device, where nothing needs holding.
#ifndef RUNTIME_OUTPUT_FILE_H
#define RUNTIME_OUTPUT_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

enum class OutputPlan { Atomic, InPlace, Discard, Refused };

struct OutputFile {
    std::string path; // as given
    OutputPlan plan = OutputPlan::Refused;
    int fd = -1;           // where the text goes until the end
    int folderFd = -1;     // Atomic: the output's folder
    int finalFd = -1;      // InPlace, Discard: the output, once opened
    std::string name;      // Atomic: the output's name in that folder
    bool existed = false;  // Atomic: the output existed at the start
    uint64_t written = 0;  // text bytes taken so far
    uint64_t accepted = 0; // text bytes that reached the output
    int err = 0;           // the first failure's reason
};

// Decides how to write path and prepares where the text goes. Never fails:
// a problem is kept and reported by the step where fopen would meet it.
// prefix names the temporary file (".prefix.XXXXXX").
void BeginOutput(const char *path, const char *prefix, OutputFile &out);

// Appends text; after a failure nothing more is written. Returns false once
// the output has failed.
bool WriteOutput(OutputFile &out, const char *text, size_t len);

// Opens the output proper, now that every input is read. False with errno
// set when it can't be opened for writing; then nothing has changed.
bool OpenFinalOutput(OutputFile &out);

// Puts the text in place and closes everything. False with errno set when
// anything failed, earlier writes included; then an atomic output keeps its
// old contents. No temporary file is left either way.
bool CommitOutput(OutputFile &out);

// Drops the text without touching the output.
void AbandonOutput(OutputFile &out);

#endif
