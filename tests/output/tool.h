// The two tools as test parameters, with what a test needs to run either
// and to know what it should print.
#ifndef OUTPUT_TOOL_H
#define OUTPUT_TOOL_H

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "converter/expected.h"
#include "files.h"
#include "packer/expected.h"
#include "process.h"

struct Tool {
    const char *name;
    std::string path;
    int failStatus;
    friend void PrintTo(const Tool &tool, std::ostream *os) { *os << tool.name; }
};

inline auto BothTools() {
    return ::testing::Values(Tool{"Trelvic", TRELVIC_PATH, 1}, Tool{"morvash", MORVASH_PATH, 255});
}

inline const auto ToolName = ::testing::PrintToStringParamName(); // by PrintTo

inline struct stat StatOf(const fs::path &path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st;
}

// Where a run stopped, for what it printed: at an input it could not open
// or read, at the output it could not open, after a failed or a successful
// report; or it printed nothing that could be seen.
enum class Stop { Input, Read, Output, Report, Done, Silent };

// A test folder, and the means to run either tool in it.
class ToolTest : public ::testing::TestWithParam<Tool> {
  protected:
    bool IsPacker() const { return GetParam().failStatus == 1; }
    RunResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), GetParam().path);
        return RunProgram(args, dir.path);
    }
    // A shell script with $tool and $name set, and the helpers of
    // support/tool.sh.
    RunResult Sh(const std::string &script) {
        return RunShell("helpers='" TOOL_SHELL_HELPERS "' tool='" + GetParam().path +
                            "' name=" + GetParam().name + " pauses='" + pauses.path.string() +
                            "' fault_library='" + Preloadable(FAULT_LIBRARY) +
                            "'; . \"$helpers\"; " + script,
                        dir.path);
    }
    // What a run writes to a new file in a folder of its own.
    std::string FreshHeader(const std::string &input) {
        TempDir other;
        WriteFile(other / "in.bin", input);
        EXPECT_EQ(RunProgram({GetParam().path, "in.bin", "fresh.h"}, other.path).status, 0);
        return ReadFile(other / "fresh.h");
    }
    // The console text of a run with args that stopped where it says; data
    // is what a report sums up.
    std::string Printed(std::vector<std::string> args, Stop stop, const std::string &data = "") {
        if (!IsPacker())
            return stop >= Stop::Report ? converter::ReferenceReport(args[0], args[1], data)
                                        : converter::NameLines(args[0], args[1]);
        static const char *const kFailed[] = {"input", "read input", "output"};
        args.insert(args.begin(), GetParam().path);
        if (stop >= Stop::Report)
            return packer::ReportLines(args, stop == Stop::Done);
        return packer::EchoLines(args) + "\nFailed to " + (stop == Stop::Read ? "" : "open ") +
               kFailed[static_cast<int>(stop)] + " file !! \n";
    }
    // The run ended in failure, said why on standard error, and left no
    // temporary file beside the output.
    void ExpectFailure(const RunResult &run, const std::string &reason) {
        EXPECT_EQ(run.status, GetParam().failStatus) << run.out << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        ExpectNoLeftovers();
    }
    // In the test folder and every folder below it.
    void ExpectNoLeftovers() { EXPECT_EQ(Sh("find . -mindepth 1 -name '.*' ! -type l").out, ""); }
    // Runs the script as the unprivileged user nobody, in a folder it may
    // use, with $tool a copy it may run wherever the build lies; what it
    // prints names the tool as usual.
    RunResult AsNobody(const std::string &script) {
        static TempDir copies;
        std::string copy = copies / GetParam().name;
        fs::copy_file(GetParam().path, copy, fs::copy_options::skip_existing);
        chmod(copies.path.c_str(), 0755);
        chmod(dir.path.c_str(), 0777);
        RunResult run = Sh("tool=" + copy + " setpriv --reuid=65534 --regid=65534 " +
                           "--clear-groups -- sh -c '" + script + "'");
        for (size_t at; (at = run.out.find(copy)) != std::string::npos;)
            run.out.replace(at, copy.size(), GetParam().path);
        return run;
    }
    TempDir dir;
    TempDir pauses; // where a paused run and the test meet
};

#define SKIP_UNLESS_ROOT()                                                                         \
    if (geteuid() != 0)                                                                            \
    GTEST_SKIP() << "needs root, to stage other owners"

#endif
