// Trelvic's own wildcard rule, the same on Windows and Linux, in place of
// what the Windows C runtime does before main: in an input's argument, '*'
// stands for any run of characters and '?' for one, in any part of the
// path; no other character is special. A pattern is replaced by the paths
// that match, in byte order of their UTF-8 names, and stays as typed when
// none does. A name that starts with '.' matches only a part that does too.
// Names are compared as the file system compares them: exactly on Linux,
// whatever their case on Windows, and never through a short 8.3 alias.
#ifndef WILDCARDS_H
#define WILDCARDS_H

#include <string>
#include <vector>

bool HasWildcard(const std::string &arg);

// The arguments with every input's pattern expanded; the program's path and
// the last argument, the output, stay as they are.
std::vector<std::string> ExpandArguments(const std::vector<std::string> &args);

#endif
