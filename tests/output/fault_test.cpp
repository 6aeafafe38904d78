// Every I/O call the tools make is failed in turn, once and from then on,
// until a run no longer reaches the Nth call: each run succeeds whole, or
// fails with a message that gives the reason, the old header intact and
// nothing left behind that it does not name.

#include <cstring>
#include <sys/xattr.h>

#include "Blocks.h"
#include "tool.h"

namespace {

using InjectedFault = ToolTest;

struct Fault {
    const char *call;
    int err;               // 0: a short transfer, zero random bytes
    const char *also = ""; // a fault that holds for the whole run besides
};

// An atomic output, a new one, one through a link into another folder, and
// a hard link written in place, which is emptied only once its text is
// held: a failed copy into it may leave the header's beginning. The whole
// walk runs again where the file system has no unnamed files. The input is
// longer than a read block, its header shorter than the old.
TEST_P(InjectedFault, EveryRunEndsWholeOrKeepsTheOldHeader) {
    // clang-format off
    const Fault faults[] = {
        {"open", EMFILE}, {"openat", ENOSPC}, {"tmpfile", EOPNOTSUPP}, {"read", EIO}, {"read", 0},
        {"write", ENOSPC}, {"write", 0}, {"close", EIO}, {"renameat", EIO}, {"linkat", ENOSPC},
        {"fchmod", EPERM}, {"fchown", EPERM}, {"ftruncate", EIO}, {"lseek", EIO}, {"fstat", EIO},
        {"fremovexattr", EIO}, {"getrandom", ENOSYS}, {"fsetxattr", ENOSPC}, {"fsetxattr", EPERM},
        {"fallocate", ENOSPC}, {"fallocate", EOPNOTSUPP}, {"renameat", EIO, ",unlinkat:0:5"}};
    // clang-format on
    const std::string data = RandomBytes(READ_BLOCK_BYTES + 1001, 5), header = FreshHeader(data);
    WriteFile(dir / "in.bin", data);
    Sh("mkdir tmp sub && ln -s sub/real.h link.h && touch sub/real.h hard.h && ln hard.h alias.h");
    setxattr((dir / "sub/real.h").c_str(), "user.kept", "1", 1, 0); // copied where it can be
    const std::string old(header.size() + 4096, 'o'), none = "(none)";
    const std::pair<const char *, const char *> outputs[] = {
        {"out.h", "out.h"}, {"new.h", "new.h"}, {"link.h", "sub/real.h"}, {"hard.h", "hard.h"}};
    for (const char *unnamed : {"", "tmpfile:0:95,"}) {
        for (auto [out, file] : outputs) {
            const std::string before = std::string(out) == "new.h" ? none : old;
            for (const Fault &f : faults) {
                for (const char *onward : {"", "+"}) {
                    int n = 1;
                    for (; n < 200; ++n) {
                        std::string rule = std::string(unnamed) + f.call + ":" + std::to_string(n) +
                                           onward + ":" + std::to_string(f.err) + f.also;
                        SCOPED_TRACE(rule + " to " + out);
                        if (before == none)
                            fs::remove(dir / file);
                        else // in place: the hard link stays
                            WriteFile(dir / file, before);
                        RunResult run =
                            Sh("export TMPDIR=tmp FAULT_MARK=tmp/reached FAULT=" + rule +
                               "; LD_PRELOAD=" FAULT_LIBRARY " exec $tool in.bin " + out +
                               " > /dev/null");
                        bool reached = fs::remove(dir / "tmp/reached");
                        std::string text = fs::exists(dir / file) ? ReadFile(dir / file) : none;
                        if (run.status == 0) {
                            EXPECT_TRUE(text == header && run.err.empty()) << run.err;
                        } else {
                            EXPECT_EQ(run.status, GetParam().failStatus);
                            // Once every write fails, no message gets out either.
                            bool mute = f.call == std::string("write") && *onward != '\0';
                            EXPECT_NE(f.err, 0) << run.err;
                            EXPECT_TRUE(mute ||
                                        run.err.find(std::strerror(f.err)) != std::string::npos)
                                << run.err;
                            bool beginning = std::string(out) == "hard.h" &&
                                             header.compare(0, text.size(), text) == 0;
                            bool console = run.err.find("standard output:") != std::string::npos;
                            EXPECT_TRUE(text == before || beginning ||
                                        ((console || mute) && text == header))
                                << run.err << text.size();
                        }
                        EXPECT_EQ(ListFolder(dir / "tmp"), "");
                        if (run.err.find("could not be removed") != std::string::npos)
                            Sh("rm -f .$name.* sub/.$name.*"); // named, so not lost
                        ExpectNoLeftovers();
                        if (!reached || HasFailure())
                            break;
                    }
                    ASSERT_LT(n, 200) << f.call << onward << " to " << out << ": no end";
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothTools, InjectedFault, BothTools(), ToolName);

} // namespace
