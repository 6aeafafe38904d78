// Both tools replace an existing header only with a whole one: whatever
// fails or interrupts a run leaves the old output and no temporary file.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "tool.h"

namespace {

const std::string kOld = "old header, longer than some new ones";

class AtomicOutput : public ToolTest {
  protected:
    void SetUp() override {
        data = RandomBytes(64 * 1024 + 3, 1);
        WriteFile(dir / "in.bin", data);
        Sh("echo -n '" + kOld + "' | tee out.h > real.h; ln -s real.h link.h; mkdir sub");
    }
    std::string data;
};

mode_t ModeOf(const fs::path &path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// New files get what open(O_CREAT, 0666) gives, from the umask or from the
// folder's default ACL; replaced ones keep their mode and gain no ACL.
TEST_P(AtomicOutput, AReplacedOutputKeepsItsModeAndANewOneGetsTheUsualMode) {
    chmod((dir / "out.h").c_str(), 0604);
    RunResult run = Sh("umask 027; $tool in.bin out.h && exec $tool in.bin new.h");
    EXPECT_EQ(run.status, 0);
    std::string header = FreshHeader(data);
    EXPECT_EQ(ReadFile(dir / "out.h"), header);
    EXPECT_EQ(ReadFile(dir / "new.h"), header);
    EXPECT_EQ(ModeOf(dir / "out.h"), 0604u);
    EXPECT_EQ(ModeOf(dir / "new.h"), 0640u);

    if (Sh("command -v setfacl").status != 0)
        GTEST_SKIP() << "no setfacl";
    run = Sh("mkdir acl acl2 && setfacl -d -m u::rw,g::r,o::- acl && umask 022 && "
             "echo x > acl/ref && echo old > acl2/out.h && chmod 640 acl2/out.h && "
             "setfacl -d -m u:nobody:rw acl2 && $tool in.bin acl/new.h && "
             "exec $tool in.bin acl2/out.h");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ModeOf(dir / "acl/new.h"), ModeOf(dir / "acl/ref"));
    EXPECT_EQ(ModeOf(dir / "acl2/out.h"), 0640u);
    EXPECT_EQ(listxattr((dir / "acl2/out.h").c_str(), nullptr, 0), 0);
}

TEST_P(AtomicOutput, ALinkedOutputReplacesItsTargetAndKeepsTheLink) {
    fs::create_symlink("real/missing.h", dir / "dangling.h");
    fs::create_directory(dir / "real");
    EXPECT_EQ(Run({"in.bin", "link.h"}).status, 0);
    EXPECT_EQ(Run({"in.bin", "dangling.h"}).status, 0);
    std::string header = FreshHeader(data);
    EXPECT_TRUE(fs::is_symlink(dir / "link.h"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.h"));
    EXPECT_EQ(ReadFile(dir / "real.h"), header);
    EXPECT_EQ(ReadFile(dir / "real/missing.h"), header);
    EXPECT_EQ(ListFolder(dir / "real"), "missing.h\n");
}

TEST_P(AtomicOutput, TheSamePathAsInputAndOutputIsReplacedByItsHeader) {
    EXPECT_EQ(Run({"in.bin", "in.bin"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "in.bin"), FreshHeader(data));
}

// Each run fails somewhere; what it prints, in order when both streams go
// to one place, and what it leaves.
struct Failure {
    const char *only; // one tool's case, or nullptr for both
    std::string setup;
    std::vector<std::string> args;
    Stop stop;
    std::string packerErr, converterErr;
    std::string file, kept; // what stays in file: the old text, or "new"
};

TEST_P(AtomicOutput, FailuresKeepTheOldOutput) {
    const std::string noHold = "cannot hold its text in ";
    const Failure failures[] = {
        {nullptr, "", {"missing.bin", "out.h"}, Stop::Input,
         "Trelvic: missing.bin: No such file or directory\n",
         "fail to input file\n: No such file or directory\n", "out.h", kOld},
        {nullptr, "", {"sub", "out.h"}, Stop::Read, "Trelvic: sub: Is a directory\n",
         "fail to read binary file\n: Is a directory\n", "out.h", kOld},
        {nullptr, "", {"in.bin", "no/such/dir.h"}, Stop::Output,
         "Trelvic: no/such/dir.h: No such file or directory\n",
         "fail to output file\n: No such file or directory\n", "out.h", kOld},
        {"morvash", "", {"in.bin", "out.h", ""}, Stop::Input, "",
         "morvash: the array name must not be empty\n", "out.h", kOld},
        {nullptr, "ulimit -f 64;", {"in.bin", "out.h"}, Stop::Report,
         "Trelvic: out.h: File too large\n", "fail to write header file\n: File too large\n",
         "out.h", kOld},
        {nullptr, "", {"in.bin", "/dev/full"}, Stop::Report,
         "Trelvic: /dev/full: No space left on device\n",
         "fail to write header file\n: No space left on device\n", "out.h", kOld},
        {"Trelvic", "", {"/dev/full"}, Stop::Report, // even with no bytes, the opening counts
         "Trelvic: /dev/full: No space left on device\n", "", "out.h", kOld},
        {nullptr, "ulimit -n 4;", {"in.bin", "out.h"}, Stop::Output,
         "Trelvic: out.h: Too many open files\n", "fail to output file\n: Too many open files\n",
         "out.h", kOld},
        // Text for an output written in place is held in $TMPDIR first.
        {nullptr, "export TMPDIR=/nonexistent;", {"in.bin", "link.h"}, Stop::Output,
         "Trelvic: link.h: " + noHold + "/nonexistent: No such file or directory\n",
         "morvash: link.h: " + noHold + "/nonexistent: No such file or directory\n"
         "fail to output file\n: No such file or directory\n",
         "real.h", kOld},
        {nullptr, "ln -f out.h hard.h; export TMPDIR=in.bin;", {"in.bin", "hard.h"},
         Stop::Output, "Trelvic: hard.h: " + noHold + "in.bin: Not a directory\n",
         "morvash: hard.h: " + noHold + "in.bin: Not a directory\n"
         "fail to output file\n: Not a directory\n",
         "out.h", kOld},
        {nullptr, "mkdir -p tmp; export TMPDIR=tmp; ulimit -f 64;", {"in.bin", "link.h"},
         Stop::Output, "Trelvic: link.h: " + noHold + "tmp: File too large\n",
         "morvash: link.h: " + noHold + "tmp: File too large\n"
         "fail to output file\n: File too large\n",
         "real.h", kOld},
        // A console that can't be written: the header is still whole.
        {nullptr, "exec > /dev/full;", {"missing.bin", "out.h"}, Stop::Silent,
         "Trelvic: missing.bin: No such file or directory\n",
         "fail to input file\n: No such file or directory\n", "out.h", kOld},
        {nullptr, "exec > /dev/full;", {"in.bin", "out.h"}, Stop::Silent,
         "Trelvic: standard output: No space left on device\n",
         "morvash: standard output: No space left on device\n", "out.h", "new"},
    };
    for (const Failure &f : failures) {
        if (f.only != nullptr && f.only != std::string(GetParam().name))
            continue;
        std::string command = f.setup + " exec $tool";
        for (const std::string &arg : f.args)
            command += " '" + arg + "'";
        SCOPED_TRACE(command);
        RunResult run = Sh(command);
        EXPECT_EQ(run.status, GetParam().failStatus);
        EXPECT_EQ(run.out, f.stop == Stop::Silent ? std::string() : Printed(f.args, f.stop, data));
        EXPECT_EQ(run.err, IsPacker() ? f.packerErr : f.converterErr);
        EXPECT_TRUE(ReadFile(dir / f.file) == (f.kept == "new" ? FreshHeader(data) : f.kept));
        ExpectNoLeftovers();
        if (f.stop != Stop::Silent) {
            EXPECT_EQ(Sh("exec 2>&1; " + command).out, run.out + run.err);
        }
    }
}

TEST_P(AtomicOutput, OutputsThatAreNotRegularFilesAreWrittenDirectly) {
    EXPECT_EQ(Run({"in.bin", "/dev/null"}).status, 0);
    RunResult run = Sh("mkfifo fifo; $tool in.bin fifo > /dev/null & cat fifo > piped.h; "
                       "wait $!");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(dir / "piped.h"), FreshHeader(data));
}

// Each run waits on a FIFO input, its text's file made, when the signal
// comes: with the unnamed file that the folder allows, and with a named one.
// A signal that the caller ignores or blocks stays so, and the run ends well.
TEST_P(AtomicOutput, NoSignalLeavesAFileBehind) {
    const std::pair<const char *, int> ending[] = {
        {"HUP", SIGHUP},   {"INT", SIGINT},   {"QUIT", SIGQUIT},     {"TERM", SIGTERM},
        {"USR1", SIGUSR1}, {"USR2", SIGUSR2}, {"ALRM", SIGALRM},     {"XCPU", SIGXCPU},
        {"PROF", SIGPROF}, {"PWR", SIGPWR},   {"VTALRM", SIGVTALRM}, {"KILL", SIGKILL}};
    // A background job's INT and QUIT are ignored unless set back.
    const std::string start = "env --default-signal=INT,QUIT ";
    for (std::string named : {"", "FAULT=tmpfile:0:95 LD_PRELOAD=" FAULT_LIBRARY " "}) {
        for (auto [sig, number] : ending) {
            if (!named.empty() && number == SIGKILL)
                continue; // a named file is the fallback's known cost
            WriteFile(dir / "out.h", kOld);
            RunResult run = Sh("mkfifo fifo; " + start + named + "$tool fifo out.h > /dev/null & " +
                               "exec 3<> fifo; wait_ready $!; kill -" + sig + " $!; wait $!");
            EXPECT_EQ(run.status, 128 + number) << sig << named;
            EXPECT_EQ(ReadFile(dir / "out.h"), kOld) << sig << named;
            fs::remove(dir / "fifo");
            ExpectNoLeftovers();
        }
        for (const std::string &caller : {"trap '' TERM; " + start, start + "--block-signal=TERM "}) {
            RunResult run = Sh("mkfifo fifo; " + caller + named + "$tool fifo out.h > /dev/null & " +
                               "exec 3<> fifo; wait_ready $!; kill -TERM $!; cat in.bin >&3; "
                               "exec 3>&-; wait $!");
            EXPECT_EQ(run.status, 0) << caller << named;
            EXPECT_TRUE(ReadFile(dir / "out.h") == FreshHeader(data)) << caller << named;
            fs::remove(dir / "fifo");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothTools, AtomicOutput, BothTools(), ToolName);

} // namespace
