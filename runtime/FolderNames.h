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

// How many leading characters of a path only say where the rest starts
// (Windows' \\?\ and \\.\, and a drive-relative X:), and so are never
// part of a pattern.
size_t LiteralPrefixLength(const std::string &path);

// Whether a path names anything at all (a dangling link too).
bool PathExists(const std::string &path);

// The path by which names found in a folder (typed as folder, "" for the
// current one) are reached as they are: the folder itself on Linux; on
// Windows its full \\?\ form, in which no device name, trailing dot or
// space changes a name's meaning. It ends in a separator where not empty.
std::string LiteralFolder(const std::string &folder);

// Such a path with one more part, typed or found, appended.
std::string AppendLiteral(const std::string &literal, const std::string &part);

#endif
