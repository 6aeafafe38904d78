// The packer under test: the Linux build, or, where TRELVIC_EXE and
// TRELVIC_RUNNER are defined, the Windows executable run through Wine.
#ifndef PACKER_TRELVIC_H
#define PACKER_TRELVIC_H

#include <filesystem>
#include <string>
#include <vector>

#include "process.h"

#ifdef TRELVIC_EXE
inline const std::string kTrelvic = TRELVIC_EXE;
inline const std::string kRunner = TRELVIC_RUNNER;
#else
inline const std::string kTrelvic = TRELVIC_PATH;
inline const std::string kRunner;
#endif

inline bool UnderWine() {
    return !kRunner.empty();
}

// What the program sees as its own path, and echoes as argument 0.
inline std::string ProgramEcho() {
    if (!UnderWine())
        return kTrelvic;
    std::string dos = "Z:" + kTrelvic;
    for (char &c : dos)
        c = c == '/' ? '\\' : c;
    return dos;
}

// The Windows console ends its lines in CR LF.
inline std::string UnixLines(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

inline RunResult RunTrelvic(const std::vector<std::string> &args,
                            const std::filesystem::path &cwd) {
    std::vector<std::string> argv;
    if (UnderWine())
        argv.push_back(kRunner);
    argv.push_back(kTrelvic);
    argv.insert(argv.end(), args.begin(), args.end());
    RunResult run = RunProgram(argv, cwd);
    if (UnderWine()) {
        run.out = UnixLines(run.out);
        run.err = UnixLines(run.err);
    }
    return run;
}

// For tests of what only a POSIX system offers: /dev files, FIFOs, limits.
#define SKIP_UNDER_WINE()                                                                          \
    if (UnderWine())                                                                               \
    GTEST_SKIP() << "needs a POSIX system"

#endif
