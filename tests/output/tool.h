// The two tools as test parameters, with what a test needs to run either.
#ifndef OUTPUT_TOOL_H
#define OUTPUT_TOOL_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "files.h"
#include "process.h"

struct Tool {
    const char *name;
    std::string path;
    int failStatus;
};

inline void PrintTo(const Tool &tool, std::ostream *os) {
    *os << tool.name;
}

inline auto BothTools() {
    return ::testing::Values(Tool{"Trelvic", TRELVIC_PATH, 1}, Tool{"morvash", MORVASH_PATH, 255});
}

inline std::string ToolName(const ::testing::TestParamInfo<Tool> &info) {
    return info.param.name;
}

// A test folder with an input, and the header a plain run makes of it.
class ToolTest : public ::testing::TestWithParam<Tool> {
  protected:
    bool IsPacker() const { return GetParam().failStatus == 1; }
    RunResult Run(const std::vector<std::string> &args) {
        std::vector<std::string> argv{GetParam().path};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, dir.path);
    }
    // A shell script with $tool and $name set, and wait_temp, which waits
    // (10 s at most) for the run's temporary file to appear.
    RunResult Sh(const std::string &script) {
        return RunShell("export tool=" + GetParam().path + " name=" + GetParam().name +
                            "; wait_temp() { i=0; until ls .$name.* > /dev/null 2>&1 || "
                            "[ $i -ge 2000 ]; do i=$((i+1)); sleep 0.005; done; }; " +
                            script,
                        dir.path);
    }
    // What a run writes to a new file in a folder of its own.
    std::string FreshHeader(const std::string &input) {
        TempDir other;
        WriteFile(other / "in.bin", input);
        EXPECT_EQ(RunProgram({GetParam().path, "in.bin", "fresh.h"}, other.path).status, 0);
        return ReadFile(other / "fresh.h");
    }
    TempDir dir;
};

#endif
