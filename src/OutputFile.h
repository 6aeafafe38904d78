// The header's destination. A regular file is replaced only once the whole
// header is written: it goes to a temporary file in the same folder that is
// renamed over the output at the end. Anything else (a device, a FIFO) is
// written directly.
#ifndef OUTPUT_FILE_H
#define OUTPUT_FILE_H

#include <cstdio>
#include <string>

struct OutputFile {
    FILE *stream = nullptr;
    std::string finalPath; // the file to replace, symbolic links followed
    std::string tempPath;  // empty when writing directly
};

// Opens the header's destination for binary writing. On failure returns
// false with errno set.
bool OpenOutputFile(const char *path, OutputFile &out);

// Closes the stream, then either renames the temporary file over the output
// (commit) or removes it. Returns false with errno set when the close or the
// rename failed; a temporary file is never left behind.
bool CloseOutputFile(OutputFile &out, bool commit);

// Removes the temporary file of an unfinished header, if there is one. Safe
// to call from a signal handler.
void RemoveUnfinishedOutput();

#endif
