// Every I/O call the tools make is failed in turn, once and from then on,
// until a run no longer reaches the Nth call: each run succeeds whole, or
// fails with a message that gives the reason, the old header intact and
// nothing left behind that it does not name. The rules are those of
// fault/inject.c, described in tests/README.md.

#include <cstring>
#include <sys/xattr.h>

#include "Blocks.h"
#include "tool.h"

namespace {

struct Fault {
    const char *call;
    int err;               // 0: a short transfer, zero random bytes
    const char *also = ""; // a fault that holds for the whole run besides
};

// An output as the run names it, the file that holds it, and what that file
// holds before each run.
struct Target {
    const char *out, *file;
    std::string before;
};

const std::string kNone = "(none)";

class InjectedFault : public ToolTest {
  protected:
    // One run with the rule; true when it reached the fault.
    bool RunOnce(const std::string &rule, const Target &target, const Fault &f, bool onward) {
        SCOPED_TRACE(rule + " to " + target.out);
        if (target.before == kNone)
            fs::remove(dir / target.file);
        else // in place: the hard link stays
            WriteFile(dir / target.file, target.before);
        RunResult run =
            Sh("export TMPDIR=tmp FAULT_MARK=tmp/reached FAULT=" + rule +
               "; LD_PRELOAD=$fault_library exec \"$tool\" in.bin " + target.out + " > /dev/null");
        bool reached = fs::remove(dir / "tmp/reached");
        std::string text = fs::exists(dir / target.file) ? ReadFile(dir / target.file) : kNone;
        if (run.status == 0)
            EXPECT_TRUE(text == header && run.err.empty()) << run.err;
        else
            ExpectFailedCleanly(run, target, text, f, onward);
        EXPECT_EQ(ListFolder(dir / "tmp"), "");
        if (run.err.find("could not be removed") != std::string::npos)
            Sh("rm -f .$name.* sub/.$name.*"); // named, so not lost
        ExpectNoLeftovers();
        return reached;
    }

    void ExpectFailedCleanly(const RunResult &run, const Target &target, const std::string &text,
                             const Fault &f, bool onward) {
        EXPECT_EQ(run.status, GetParam().failStatus);
        // Once every write fails, no message gets out either.
        bool mute = f.call == std::string("write") && onward;
        EXPECT_NE(f.err, 0) << run.err;
        EXPECT_TRUE(mute || run.err.find(std::strerror(f.err)) != std::string::npos) << run.err;
        bool beginning =
            std::string(target.out) == "hard.h" && header.compare(0, text.size(), text) == 0;
        bool console = run.err.find("standard output:") != std::string::npos;
        EXPECT_TRUE(text == target.before || beginning || ((console || mute) && text == header))
            << run.err << text.size();
    }

    // Fails the 1st, 2nd, ... call of f (and, onward, every call after it)
    // until a run no longer reaches it.
    void Walk(const char *unnamed, const Target &target, const Fault &f, bool onward) {
        int n = 1;
        for (; n < 200; ++n) {
            std::string rule = std::string(unnamed) + f.call + ":" + std::to_string(n) +
                               (onward ? "+" : "") + ":" + std::to_string(f.err) + f.also;
            if (!RunOnce(rule, target, f, onward) || HasFailure())
                break;
        }
        ASSERT_LT(n, 200) << f.call << (onward ? "+" : "") << " to " << target.out << ": no end";
    }

    std::string header;
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
    const std::string data = RandomBytes(READ_BLOCK_BYTES + 1001, 5);
    header = FreshHeader(data);
    WriteFile(dir / "in.bin", data);
    Sh("mkdir tmp sub && ln -s sub/real.h link.h && touch sub/real.h hard.h && ln hard.h alias.h");
    setxattr((dir / "sub/real.h").c_str(), "user.kept", "1", 1, 0); // copied where it can be
    const std::string old(header.size() + 4096, 'o');
    const Target targets[] = {{"out.h", "out.h", old},
                              {"new.h", "new.h", kNone},
                              {"link.h", "sub/real.h", old},
                              {"hard.h", "hard.h", old}};
    for (const char *unnamed : {"", "tmpfile:0:95,"})
        for (const Target &target : targets)
            for (const Fault &f : faults)
                for (bool onward : {false, true})
                    Walk(unnamed, target, f, onward);
}

INSTANTIATE_TEST_SUITE_P(BothTools, InjectedFault, BothTools(), ToolName);

} // namespace
