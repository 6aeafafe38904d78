// Every I/O call the tools make is failed in turn, the first, then the
// second, and so on until a run no longer reaches the Nth call. Each run
// must either succeed whole or fail with a message, the old header intact
// and nothing left behind.
#include <gtest/gtest.h>

#include <string>

#include "tool.h"

namespace {

struct Fault {
    const char *call;
    int err; // 0: a short transfer, or random bytes all zero
};

const Fault kFaults[] = {{"open", EMFILE},      {"openat", ENOSPC},   {"tmpfile", EOPNOTSUPP},
                         {"read", EIO},         {"read", 0},          {"write", ENOSPC},
                         {"write", 0},          {"close", EIO},       {"renameat", EIO},
                         {"linkat", ENOSPC},    {"fchmod", EPERM},    {"fchown", EPERM},
                         {"ftruncate", EIO},    {"lseek", EIO},       {"fstat", EIO},
                         {"fremovexattr", EIO}, {"getrandom", ENOSYS}};

class InjectedFault : public ToolTest {
  protected:
    void SetUp() override {
        // Longer than a read block, with a header shorter than the old text.
        data = RandomBytes(256 * 1024 + 1001, 5);
        WriteFile(dir / "in.bin", data);
        header = FreshHeader(data);
        fs::create_directory(dir / "tmp");
        fs::create_symlink("real.h", dir / "link.h");
    }
    std::string data, header;
};

// An atomic output, then one written in place, which is emptied only once
// its text is held: a failed copy into it may leave the header's beginning.
TEST_P(InjectedFault, EveryRunEndsWholeOrKeepsTheOldHeader) {
    const std::string old(header.size() + 4096, 'o');
    for (auto [out, file] :
         {std::pair<std::string, std::string>{"out.h", "out.h"}, {"link.h", "real.h"}}) {
        for (const Fault &fault : kFaults) {
            for (int n = 1; n <= 200; ++n) {
                std::string rule = std::string(fault.call) + ":" + std::to_string(n) + ":" +
                                   std::to_string(fault.err);
                SCOPED_TRACE(rule + " to " + out);
                WriteFile(dir / file, old);
                RunResult run =
                    Sh("export TMPDIR=tmp FAULT_MARK=tmp/reached FAULT=" + rule +
                       "; LD_PRELOAD=" FAULT_LIBRARY " exec $tool in.bin " + out + " > /dev/null");
                bool reached = fs::remove(dir / "tmp/reached");
                std::string text = ReadFile(dir / file);
                if (run.status == 0) {
                    EXPECT_TRUE(text == header && run.err.empty()) << run.err;
                } else {
                    EXPECT_EQ(run.status, GetParam().failStatus);
                    EXPECT_NE(run.err, "");
                    bool beginning = out == "link.h" && header.compare(0, text.size(), text) == 0;
                    EXPECT_TRUE(text == old || beginning) << run.err << text.size();
                }
                EXPECT_EQ(ListFolder(dir / "tmp"), "");
                ExpectNoLeftovers();
                if (!reached || HasFailure())
                    break;
            }
        }
    }
}

// A link planted at the temporary name that a broken random source would
// give is never followed.
TEST_P(InjectedFault, APlantedTemporaryNameIsNotFollowed) {
    WriteFile(dir / "victim", "secret");
    std::string planted = std::string(".") + GetParam().name;
    fs::create_symlink("victim", dir / (planted + ".aaaaaa"));
    RunResult run =
        Sh("FAULT=tmpfile:0:95,getrandom:0:0 LD_PRELOAD=" FAULT_LIBRARY " exec $tool in.bin out.h");
    EXPECT_EQ(ReadFile(dir / "victim"), "secret");
    EXPECT_TRUE(run.status == 0 ? ReadFile(dir / "out.h") == header : !fs::exists(dir / "out.h"));
}

INSTANTIATE_TEST_SUITE_P(BothTools, InjectedFault, BothTools(), ToolName);

} // namespace
