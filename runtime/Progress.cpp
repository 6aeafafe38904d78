#include "Progress.h"

#include <chrono>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

bool gTerminal = false;
bool gShown = false;
const char *gProgram = "";
uint64_t gTotal = 0;
Clock::time_point gStart, gLast;

} // namespace

void StartProgress(const char *program, uint64_t total) {
    gTerminal = isatty(2) != 0;
    gProgram = program;
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
    unsigned long long mib = done >> 20;
    if (gTotal != 0 && done <= gTotal)
        std::fprintf(stderr, "\r%s: %llu MiB read (%u%%)\033[K", gProgram, mib,
                     static_cast<unsigned>(done * 100 / gTotal));
    else
        std::fprintf(stderr, "\r%s: %llu MiB read\033[K", gProgram, mib);
    gShown = true;
}

void EndProgress() {
    if (gShown)
        std::fputs("\r\033[K", stderr);
    gShown = false;
}
