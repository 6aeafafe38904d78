// The one named temporary file a run may have, beside its output: made with
// a name nobody can guess or plant, and removed by any signal that would end
// the run while it exists.
#ifndef RUNTIME_TEMPORARY_NAME_H
#define RUNTIME_TEMPORARY_NAME_H

// Creates ".prefix.XXXXXX" in the folder for writing, created as
// open(O_CREAT, 0666) would create it. Returns the descriptor, or -1 with
// errno set.
int CreateNamedTemporary(int folderFd, const char *prefix);

// Gives the unnamed file fd a name of that form in the folder. False with
// errno set.
bool NameUnnamedTemporary(int fd, int folderFd, const char *prefix);

// Renames the temporary file to name in the same folder; from then on it is
// no longer temporary. False with errno set, the temporary file kept.
bool RenameTemporary(const char *name);

// Removes the temporary file, if any.
void RemoveTemporary();

#endif
