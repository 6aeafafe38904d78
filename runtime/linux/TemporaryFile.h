// The one named temporary file a run may have, beside its output: named by
// the rule of TemporaryName.h, so that nobody can guess or plant it, and
// removed by any signal that would end the run while it exists. Each call
// returns 0 or an errno value.
#ifndef RUNTIME_LINUX_TEMPORARY_FILE_H
#define RUNTIME_LINUX_TEMPORARY_FILE_H

#include <sys/types.h>

#include "TemporaryName.h"

// Creates such a file in temp.folder for writing into fd, as
// open(O_CREAT, mode) would, and catches the ending signals from then on.
int CreateNamedTemporary(NamedTemporary &temp, const char *program, mode_t mode, int &fd);

// Links the unnamed file fd to name in the folder.
int LinkUnnamedTemporary(int fd, int folderFd, const char *name);

// Gives the unnamed file fd such a name in temp.folder. No handler covers
// it: call with signals held, until it is renamed.
int NameUnnamedTemporary(NamedTemporary &temp, const char *program, int fd);

// Renames the temporary file to name in its folder; from then on it is no
// longer temporary. Call with signals held. On failure it is kept.
int RenameTemporary(NamedTemporary &temp, const char *name);

// Removes the temporary file, if any: 0, or why it is still there.
int RemoveTemporary(NamedTemporary &temp);

#endif
