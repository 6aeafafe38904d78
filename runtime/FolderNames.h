// A folder's names, and how the file system compares them: what the
// wildcard rule is built on, the same on every system.
#ifndef RUNTIME_FOLDER_NAMES_H
#define RUNTIME_FOLDER_NAMES_H

#include <cstdint>
#include <string>
#include <vector>

// The names in a folder ("" is the current one) as the file system stores
// them, never a short 8.3 alias, and without "." and "..". False when it
// can't be read.
bool ListFolder(const std::string &folder, std::vector<std::string> &names);

// Whether two characters of a name are the same to the file system: exactly
// on Linux, whatever their case on Windows.
bool SameNameCharacter(uint32_t a, uint32_t b);

// '/', and on Windows '\\' too.
bool IsPathSeparator(char c);

// How many leading characters of a path only say how to take the rest
// (Windows' \\?\ and \\.\), and so are never part of a pattern.
size_t LiteralPrefixLength(const std::string &path);

#endif
