// The wildcard expansion that the Windows C runtime does before main.
#ifndef WILDCARDS_H
#define WILDCARDS_H

#include <string>
#include <vector>

// The arguments with each pattern holding * or ? replaced by its sorted
// matches; a pattern that matches nothing stays as typed. No other
// character is special.
std::vector<std::string> ExpandArguments(int argc, char **argv);

#endif
