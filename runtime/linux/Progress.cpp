#include "Progress.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

bool ProgressCanShow() {
    static const bool terminal = isatty(2) != 0;
    return terminal;
}

// A terminal that says it is dumb gets none.
bool TerminalTakesEscapes() {
    const char *term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}
