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
        old = std::string(header.size() + 4096, 'o');
        fs::create_directory(dir / "tmp");
        fs::create_symlink("real.h", dir / "link.h");
    }
    // Runs with the fault until it is no longer reached; out is the path
    // given, file the one that holds the header.
    void WalkFaults(const std::string &out, const std::string &file, bool inPlace) {
        for (const Fault &fault : kFaults) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(std::string(fault.call) + " call " + std::to_string(n) + " to " + out);
                WriteFile(dir / file, old);
                fs::remove(dir / "tmp/reached");
                RunResult run =
                    Sh("export TMPDIR=tmp FAULT_MARK=tmp/reached FAULT=" + std::string(fault.call) +
                       ":" + std::to_string(n) + ":" + std::to_string(fault.err) +
                       "; LD_PRELOAD=" FAULT_LIBRARY " exec $tool in.bin " + out + " > /dev/null");
                bool reached = fs::exists(dir / "tmp/reached");
                fs::remove(dir / "tmp/reached");
                ExpectWholeOrOld(run, ReadFile(dir / file), inPlace);
                EXPECT_EQ(ListFolder(dir / "tmp"), "");
                ExpectNoLeftovers();
                if (!reached || n == 200 || HasFailure())
                    break;
            }
        }
    }
    // Once an output written in place is emptied, a failed copy can only
    // leave the beginning of the header.
    void ExpectWholeOrOld(const RunResult &run, const std::string &text, bool inPlace) {
        if (run.status == 0) {
            EXPECT_TRUE(text == header) << run.err;
            EXPECT_EQ(run.err, "");
            return;
        }
        EXPECT_EQ(run.status, GetParam().failStatus);
        EXPECT_NE(run.err, "");
        bool beginning = inPlace && header.compare(0, text.size(), text) == 0;
        EXPECT_TRUE(text == old || beginning) << run.err << text.size();
    }
    std::string data, header, old;
};

TEST_P(InjectedFault, AnAtomicOutputIsWholeOrOld) {
    WalkFaults("out.h", "out.h", false);
}

TEST_P(InjectedFault, AnOutputWrittenInPlaceIsWholeOrOld) {
    WalkFaults("link.h", "real.h", true);
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
