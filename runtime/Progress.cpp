#include "Progress.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "Descriptor.h"

namespace {

using Clock = std::chrono::steady_clock;

const char *gProgram = "";
bool gSilent = false;
bool gTerminal = false;
bool gPlain = false; // a terminal that takes no escape sequences
size_t gShown = 0;   // the length of the line on show
uint64_t gTotal = 0;
Clock::time_point gStart, gLast;

// Straight to the descriptor: the console streams clear this line first.
void Draw(const char *text, size_t len) {
    WriteFull(2, text, len);
}

} // namespace

void StartProgress(const char *program, uint64_t total) {
    gProgram = program;
    gTerminal = !gSilent && ProgressCanShow();
    gPlain = gTerminal && !TerminalTakesEscapes();
    gTotal = total;
    gStart = gLast = Clock::now();
}

void ShowProgress(uint64_t done) {
    if (!gTerminal)
        return;
    Clock::time_point now = Clock::now();
    if (now - gStart < std::chrono::seconds(1) || now - gLast < std::chrono::milliseconds(200))
        return;
    gLast = now;
    char line[160];
    int len = gTotal != 0 && done <= gTotal
                  ? std::snprintf(line, 96, "\r%s: %llu MiB read (%u%%)", gProgram,
                                  static_cast<unsigned long long>(done >> 20),
                                  static_cast<unsigned>(done * 100 / gTotal))
                  : std::snprintf(line, 96, "\r%s: %llu MiB read", gProgram,
                                  static_cast<unsigned long long>(done >> 20));
    size_t text = len < 0 ? 0 : len < 96 ? static_cast<size_t>(len) : 95;
    size_t end = text;
    if (!gPlain) {
        std::memcpy(line + end, "\033[K", 3);
        end += 3;
    }
    for (; gPlain && end < gShown; ++end) // covers what is left of a longer line
        line[end] = ' ';
    Draw(line, end);
    gShown = text;
}

void SilenceProgress() {
    gSilent = true;
}

void EndProgress() {
    if (gShown == 0)
        return;
    if (gPlain) {
        char blank[160];
        std::memset(blank, ' ', gShown);
        blank[0] = blank[gShown] = '\r';
        Draw(blank, gShown + 1);
    } else {
        Draw("\r\033[K", 4);
    }
    gShown = 0;
}
