// Every I/O call the tools make is failed in turn, until a run no longer
// reaches the Nth call: each run succeeds whole, or fails with a message,
// the old header intact and nothing left behind.

#include "tool.h"

namespace {

using InjectedFault = ToolTest;

// An atomic output, then one written in place, which is emptied only once
// its text is held: a failed copy into it may leave the header's beginning.
// The input is longer than a read block, its header shorter than the old.
TEST_P(InjectedFault, EveryRunEndsWholeOrKeepsTheOldHeader) {
    const std::pair<const char *, int> faults[] = {
        // errno 0: a short transfer, zero random bytes
        {"open", EMFILE},      {"openat", ENOSPC},   {"tmpfile", EOPNOTSUPP},
        {"read", EIO},         {"read", 0},          {"write", ENOSPC},
        {"write", 0},          {"close", EIO},       {"renameat", EIO},
        {"linkat", ENOSPC},    {"fchmod", EPERM},    {"fchown", EPERM},
        {"ftruncate", EIO},    {"lseek", EIO},       {"fstat", EIO},
        {"fremovexattr", EIO}, {"getrandom", ENOSYS}};
    const std::string data = RandomBytes(256 * 1024 + 1001, 5), header = FreshHeader(data);
    WriteFile(dir / "in.bin", data);
    fs::create_directory(dir / "tmp");
    fs::create_symlink("real.h", dir / "link.h");
    const std::string old(header.size() + 4096, 'o');
    for (auto [out, file] :
         {std::pair<std::string, std::string>{"out.h", "out.h"}, {"link.h", "real.h"}}) {
        for (auto [call, err] : faults) {
            for (int n = 1; n <= 200; ++n) {
                std::string rule =
                    std::string(call) + ":" + std::to_string(n) + ":" + std::to_string(err);
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

INSTANTIATE_TEST_SUITE_P(BothTools, InjectedFault, BothTools(), ToolName);

} // namespace
