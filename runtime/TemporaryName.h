// The one named temporary file a run may have, beside its output: made with
// a name nobody can guess or plant, ".program.XXXXXX", and removed by any
// signal that would end the run while it exists.
#ifndef RUNTIME_TEMPORARY_NAME_H
#define RUNTIME_TEMPORARY_NAME_H

#include <string>
#include <sys/types.h>

// Creates such a file in the folder for writing, as open(O_CREAT, mode)
// would, and catches the ending signals from then on. Returns the
// descriptor, or -1 with errno set.
int CreateNamedTemporary(int folderFd, const std::string &folderPath, mode_t mode);

// Links the unnamed file fd to name in the folder. False with errno set.
bool LinkUnnamedTemporary(int fd, int folderFd, const char *name);

// Gives the unnamed file fd such a name in the folder. No handler covers
// it: call with signals held, until it is renamed. False with errno set.
bool NameUnnamedTemporary(int fd, int folderFd, const std::string &folderPath);

// Renames the temporary file to name in its folder; from then on it is no
// longer temporary. Call with signals held. False with errno set, the
// temporary file kept.
bool RenameTemporary(const char *name);

// Removes the temporary file, if any, and says so on standard error when it
// can't.
void RemoveTemporary();

#endif
