// Trelvic's own wildcard rule, the same on Windows and Linux, in place of
// what the Windows C runtime does before main. An argument that names an
// existing file is that file, whatever it holds; only one that names
// nothing is a pattern. In an input's pattern, '*' stands for any run of
// characters and '?' for one, in any part of the path; no other character
// is special. A pattern is replaced by the existing paths that match, in
// byte order of their UTF-8 names, each opened by the very name found, and
// stays as typed, marked as matching nothing, when none does. A name that
// starts with '.' matches only a part that does too. Names are compared as
// the file system compares them: exactly on Linux, whatever their case on
// Windows, and never through a short 8.3 alias.
#ifndef WILDCARDS_H
#define WILDCARDS_H

#include <string>
#include <vector>

// An argument as the run shows it, and the path that opens it: on Windows,
// for a name that a pattern found, its full \\?\ form, so that no device
// name, trailing dot or space changes its meaning. An empty path marks a
// pattern that matched nothing.
struct Argument {
    std::string name, path;
};

bool HasWildcard(const std::string &arg);

// Holds '*' or '?' and names nothing that exists.
bool IsPattern(const std::string &arg);

// The arguments with every input's pattern expanded; the program's path and
// the last argument, the output, stay as they are.
std::vector<Argument> ExpandArguments(const std::vector<std::string> &args);

#endif
