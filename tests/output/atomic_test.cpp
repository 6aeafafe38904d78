// Both tools replace an existing header only with a whole one: whatever
// fails or interrupts a run leaves the old output and no temporary file.

#include <algorithm>
#include <csignal>
#include <sys/xattr.h>

#include "Blocks.h"
#include "tool.h"

namespace {

const std::string kOld = "old header, longer than some new ones";

class AtomicOutput : public ToolTest {
  protected:
    void SetUp() override {
        data = RandomBytes(FORMAT_BLOCK_BYTES + 3, 1);
        WriteFile(dir / "in.bin", data);
        Sh("echo -n '" + kOld +
           "' | tee out.h > real.h; ln -s real.h link.h; mkdir sub; "
           "ln -s loop1 loop2; ln -s loop2 loop1");
    }
    std::string data;
};

// New files get what open(O_CREAT, 0666) gives, from the umask or from the
// folder's default ACL; replaced ones keep their mode, ACL and extended
// attributes, and gain none. A named temporary file is never readable by
// more than the file it replaces.
TEST_P(AtomicOutput, AReplacedOutputKeepsItsModeAndANewOneGetsTheUsualMode) {
    RunResult run =
        Sh("chmod 604 out.h && mkdir acl acl2 && setfacl -d -m u::rw,g::r,o::- acl && "
           "echo old > acl2/out.h && chmod 640 acl2/out.h && setfacl -d -m "
           "u:nobody:rw acl2 && (umask 027; \"$tool\" in.bin out.h && \"$tool\" in.bin new.h) "
           "> /dev/null && (umask 002; exec \"$tool\" in.bin new2.h > /dev/null) && "
           "umask 022 && echo x > acl/ref && \"$tool\" in.bin acl/new.h > "
           "/dev/null && \"$tool\" in.bin acl2/out.h > /dev/null && stat -c %a out.h "
           "new.h new2.h acl/ref acl/new.h acl2/out.h && echo secret > secret.h && "
           "chmod 600 secret.h && env $pause FAULT=tmpfile:0:95,fchmod:1:pause \"$tool\" "
           "in.bin secret.h > /dev/null & wait_paused $!; stat -c %a .$name.*; "
           "resume; wait");
    EXPECT_EQ(run.out, "604\n640\n664\n640\n640\n640\n600\n") << run.err;
    EXPECT_TRUE(ReadFile(dir / "out.h") == FreshHeader(data) &&
                ReadFile(dir / "new.h") == FreshHeader(data));
    EXPECT_EQ(listxattr((dir / "acl2/out.h").c_str(), nullptr, 0), 0);

    // Replaced whole, not written in place, with what a new file can carry:
    // its own ACL, never the folder's default.
    WriteFile(dir / "acl2/noted.h", kOld);
    ino_t before = StatOf(dir / "acl2/noted.h").st_ino;
    run = Sh("cd acl2 && setfacl --set u::rw,u:nobody:r,g::r,o::r noted.h && setfattr -n "
             "user.note -v kept noted.h && exec \"$tool\" ../in.bin noted.h > /dev/null");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(StatOf(dir / "acl2/noted.h").st_ino, before);
    EXPECT_EQ(Sh("cd acl2 && getfacl -c noted.h; getfattr -d noted.h").out,
              "user::rw-\nuser:nobody:r--\ngroup::r--\nmask::r--\nother::r--\n\n"
              "# file: noted.h\nuser.note=\"kept\"\n\n");
}

// Links (dangling, or chains relative to their own folders), a hard link
// (held in /tmp when TMPDIR is empty), a FIFO, the null device and the
// input itself all take the whole header; a link's target is replaced, and
// the link stays.
TEST_P(AtomicOutput, EveryKindOfOutputTakesTheWholeHeader) {
    ino_t real = StatOf(dir / "real.h").st_ino;
    RunResult run = Sh("mkdir -p real a b/c && ln -s real/missing.h dangling.h && ln -s "
                       "\"$PWD/real/abs.h\" a/abs.h && ln -s ../b/l2 a/l1 && ln -s c/target.h "
                       "b/l2 && mkfifo fifo && ln out.h hard.h && for out in link.h dangling.h "
                       "a/l1 a/abs.h /proc/self/cwd/proc.h /dev/null; do \"$tool\" in.bin $out "
                       "|| exit; done && TMPDIR= \"$tool\" in.bin hard.h && { \"$tool\" in.bin "
                       "fifo & cat fifo > piped.h; wait $!; } && exec \"$tool\" in.bin in.bin");
    EXPECT_EQ(run.status, 0) << run.err;
    std::string header = FreshHeader(data);
    for (const char *file : {"real.h", "real/missing.h", "real/abs.h", "b/c/target.h", "piped.h",
                             "in.bin", "out.h", "proc.h"})
        EXPECT_TRUE(ReadFile(dir / file) == header) << file;
    for (const char *link : {"link.h", "dangling.h", "a/l1", "a/abs.h"})
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
    EXPECT_NE(StatOf(dir / "real.h").st_ino, real);
    EXPECT_EQ(ListFolder(dir / "real"), "abs.h\nmissing.h\n");

    // Parallel runs onto one output through a link, or written in place:
    // each leaves one whole header.
    std::vector<std::string> headers;
    for (unsigned i = 0; i < 8; ++i) {
        std::string input = RandomBytes(400000 + 999 * i, 10 + i);
        char name[8];
        std::snprintf(name, sizeof name, "p%u", i);
        WriteFile(dir / name, input);
        headers.push_back(FreshHeader(input));
    }
    for (std::string out : {"link.h", "hard.h"}) {
        // All arrive at the commit together: in place, one at a time.
        const std::string start = out == "hard.h" ? "env $pause FAULT=fallocate:1:pause " : "";
        Sh("for i in 0 1 2 3 4 5 6 7; do " + start + "\"$tool\" p$i " + out +
           " > /dev/null & done; wait_paused $!; sleep 0.2; resume; wait");
        std::string text = ReadFile(dir / out);
        EXPECT_NE(std::find(headers.begin(), headers.end(), text), headers.end()) << out;
    }
    ExpectNoLeftovers();
}

// Each run fails somewhere; what it prints, in order when both streams go
// to one place, and what it leaves: the old out.h and real.h, unless the
// header was written whole.
struct Failure {
    const char *only; // one tool's case, or nullptr for both
    std::string setup;
    std::vector<std::string> args;
    Stop stop;
    std::string packerErr, converterErr;
    bool whole = false;
};

// The packer's line on standard error about a file.
std::string PackerSays(const std::string &file, const std::string &why) {
    return "Trelvic: " + file + ": " + why + "\n";
}

// What perror(text) prints, text ending in a line break as the converter's do.
std::string PerrorSays(const std::string &text, const std::string &why) {
    return text + "\n: " + why + "\n";
}

// What perror(text) prints, then the converter's line that names the file.
std::string MorvashSays(const std::string &text, const std::string &file, const std::string &why) {
    return PerrorSays(text, why) + "morvash: " + file + ": " + why + "\n";
}

// The reason given when an output's text can't be held in the folder.
std::string CannotHold(const std::string &out, const std::string &folder, const std::string &why) {
    return out + ": cannot hold its text in " + folder + ": " + why;
}

TEST_P(AtomicOutput, FailuresKeepTheOldOutput) {
    const std::string none = "No such file or directory", full = "No space left on device",
                      big = "File too large", loop = "Too many levels of symbolic links";
    // One case to a row.
    // clang-format off
    const Failure failures[] = {
        {nullptr, "", {"missing.bin", "out.h"}, Stop::Input, PackerSays("missing.bin", none),
         MorvashSays("fail to input file", "missing.bin", none)},
        {nullptr, "", {"sub", "out.h"}, Stop::Read, PackerSays("sub", "Is a directory"),
         MorvashSays("fail to read binary file", "sub", "Is a directory")},
        {nullptr, "", {"in.bin", ""}, Stop::Output, PackerSays("", none), MorvashSays("fail to output file", "", none)},
        {nullptr, "", {"in.bin", "loop1"}, Stop::Output, PackerSays("loop1", loop),
         MorvashSays("fail to output file", "loop1", loop)},
        {nullptr, "", {"in.bin", "no/such/dir.h"}, Stop::Output, PackerSays("no/such/dir.h", none),
         MorvashSays("fail to output file", "no/such/dir.h", none)},
        {"morvash", "", {"in.bin", "out.h", ""}, Stop::Input, "",
         "morvash: the array name must not be empty\n"},
        {"morvash", "truncate -s 8T huge.bin;", {"huge.bin", "out.h"}, Stop::Input, "",
         "morvash: huge.bin: input is too large (the limit is 2147483644 bytes)\n"},
        {nullptr, "ulimit -f 64;", {"in.bin", "out.h"}, Stop::Report, PackerSays("out.h", big),
         MorvashSays("fail to write header file", "out.h", big)},
        {nullptr, "", {"in.bin", "/dev/full"}, Stop::Report, PackerSays("/dev/full", full),
         MorvashSays("fail to write header file", "/dev/full", full)},
        {"Trelvic", "", {"/dev/full"}, Stop::Report, PackerSays("/dev/full", full), ""}, // no bytes
        // A link planted at the one name that a broken random source gives.
        {nullptr, "ln -sf ../real.h sub/.$name.aaaaaa; export FAULT=tmpfile:0:95,getrandom:0:0 "
         "LD_PRELOAD=$fault_library;", {"in.bin", "sub/out.h"}, Stop::Output,
         PackerSays("sub/out.h", "File exists"), MorvashSays("fail to output file", "sub/out.h", "File exists")},
        // The first input's writer removes the second after the arguments were taken.
        {"Trelvic", "echo b > b.bin; rm -f a; mkfifo a; (exec 3> a; rm b.bin; echo a >&3) &",
         {"a", "b.bin", "out.h"}, Stop::Input, PackerSays("b.bin", none), ""},
        {"Trelvic", "ulimit -f 1024;", {"/dev/zero", "o.h"}, Stop::Report, // an endless input
         PackerSays("o.h", big), ""},
        {"Trelvic", "truncate -s 8T h; ulimit -f 1024;", {"h", "h", "o.h"}, Stop::Report, // promptly
         PackerSays("o.h", big), ""},
        {nullptr, "ulimit -n 4;", {"in.bin", "out.h"}, Stop::Output,
         PackerSays("out.h", "Too many open files"), MorvashSays("fail to output file", "out.h", "Too many open files")},
        // The text of an output written in place is held in $TMPDIR first.
        {nullptr, "ln -f real.h held.h; export TMPDIR=/nonexistent;", {"in.bin", "held.h"},
         Stop::Output, "Trelvic: " + CannotHold("held.h", "/nonexistent", none) + "\n",
         "morvash: " + CannotHold("held.h", "/nonexistent", none) + "\n" + PerrorSays("fail to output file", none)},
        {nullptr, "ln -f real.h held.h; export TMPDIR=/nonexistent;", {"no.bin", "held.h"}, Stop::Input,
         PackerSays("no.bin", none), MorvashSays("fail to input file", "no.bin", none)},
        {nullptr, "ln -f out.h hard.h; export TMPDIR=in.bin;", {"in.bin", "hard.h"},
         Stop::Output, "Trelvic: " + CannotHold("hard.h", "in.bin", "Not a directory") + "\n",
         "morvash: " + CannotHold("hard.h", "in.bin", "Not a directory") + "\n" +
             PerrorSays("fail to output file", "Not a directory")},
        {nullptr, "ln -f real.h held.h; mkdir -p tmp; export TMPDIR=tmp; ulimit -f 64;",
         {"in.bin", "held.h"}, Stop::Output, "Trelvic: " + CannotHold("held.h", "tmp", big) + "\n",
         "morvash: " + CannotHold("held.h", "tmp", big) + "\n" + PerrorSays("fail to output file", big)},
        // Copying an attribute fails for want of space: never a reason to write in place.
        {nullptr, "rm -f hard.h; setfattr -n user.x -v 1 out.h; export FAULT=fsetxattr:1:28 LD_PRELOAD=$fault_library;", {"in.bin", "out.h"}, Stop::Output, PackerSays("out.h", full),
         MorvashSays("fail to output file", "out.h", full)},
        // A console that can't be written: the header is still whole.
        {nullptr, "exec > /dev/full;", {"missing.bin", "out.h"}, Stop::Silent,
         PackerSays("missing.bin", none), MorvashSays("fail to input file", "missing.bin", none)},
        {nullptr, "exec > /dev/full;", {"in.bin", "out.h"}, Stop::Silent,
         PackerSays("standard output", full), "morvash: standard output: " + full + "\n", true},
    };
    // clang-format on
    for (const Failure &f : failures) {
        if (f.only != nullptr && f.only != std::string(GetParam().name))
            continue;
        std::string command = f.setup + " exec \"$tool\"";
        for (const std::string &arg : f.args)
            command += " '" + arg + "'";
        SCOPED_TRACE(command);
        RunResult run = Sh(command);
        EXPECT_EQ(run.status, GetParam().failStatus);
        EXPECT_EQ(run.out, f.stop == Stop::Silent ? std::string() : Printed(f.args, f.stop, data));
        EXPECT_EQ(run.err, IsPacker() ? f.packerErr : f.converterErr);
        EXPECT_TRUE(ReadFile(dir / "out.h") == (f.whole ? FreshHeader(data) : kOld));
        EXPECT_EQ(ReadFile(dir / "real.h"), kOld);
        ExpectNoLeftovers();
        if (f.stop != Stop::Silent) {
            EXPECT_EQ(Sh("exec 2>&1; " + command).out, run.out + run.err);
        }
    }
}

// Each run waits on a FIFO input, its text's file made, when the signal
// comes: with the unnamed file that the folder allows, and with a named one.
// A signal that the caller ignores or blocks stays so, and the run ends well.
TEST_P(AtomicOutput, NoSignalLeavesAFileBehind) {
    // A background job's INT and QUIT are ignored unless set back.
    const std::string start = "env --default-signal=INT,QUIT ";
    const std::pair<const char *, int> ending[] = {
        {"HUP", SIGHUP},     {"INT", SIGINT},     {"QUIT", SIGQUIT}, {"TERM", SIGTERM},
        {"USR1", SIGUSR1},   {"USR2", SIGUSR2},   {"ALRM", SIGALRM}, {"XCPU", SIGXCPU},
        {"PROF", SIGPROF},   {"PWR", SIGPWR},     {"IO", SIGIO},     {"VTALRM", SIGVTALRM},
        {"RTMIN", SIGRTMIN}, {"RTMAX", SIGRTMAX}, {"KILL", SIGKILL}};
    std::vector<std::tuple<std::string, int, int>> runs;
    for (auto [sig, number] : ending)
        runs.emplace_back(start, number, number);
    runs.emplace_back("trap '' TERM; " + start, SIGTERM, 0);
    runs.emplace_back(start + "--block-signal=TERM ", SIGTERM, 0);
    for (std::string named : {"", "FAULT=tmpfile:0:95 LD_PRELOAD=$fault_library "}) {
        for (auto [caller, sig, number] : runs) {
            if (!named.empty() && number == SIGKILL)
                continue; // a named file is the fallback's known cost
            WriteFile(dir / "out.h", kOld);
            RunResult run = Sh("mkfifo fifo; " + caller + named +
                               "\"$tool\" fifo out.h > /dev/null & exec 3<> fifo; wait_ready $!; " +
                               "kill -" + std::to_string(sig) + " $!; " +
                               (number == 0 ? "cat in.bin >&3; exec 3>&-; " : "") + "wait $!");
            EXPECT_EQ(run.status, number == 0 ? 0 : 128 + number) << caller << sig << named;
            EXPECT_TRUE(ReadFile(dir / "out.h") == (number == 0 ? FreshHeader(data) : kOld));
            fs::remove(dir / "fifo");
            ExpectNoLeftovers();
        }
    }
    // At the commit: an output written in place is emptied and filled with
    // no catchable signal between; a new output gets no temporary name that
    // a SIGKILL could leave behind, and replaces a file that another program
    // gave its name meanwhile.
    const std::tuple<std::string, const char *, const char *, std::string, int> commits[] = {
        {"ln -f out.h hard.h; head -c 500000 /dev/zero > hard.h;", "hard.h", "ftruncate:1",
         "kill -TERM $!", 128 + SIGTERM},
        {"rm -f new.h;", "new.h", "renameat:1", "kill -KILL $!", 0},
        {"rm -f new.h;", "new.h", "linkat:1", "echo other > new.h", 0}};
    for (auto [setup, out, at, meanwhile, status] : commits) {
        RunResult run = Sh(setup + " env $pause FAULT=" + at + ":pause \"$tool\" in.bin " + out +
                           " > /dev/null & wait_paused $!; " + meanwhile + "; resume; wait $!");
        EXPECT_EQ(run.status, status) << out;
        EXPECT_TRUE(ReadFile(dir / out) == FreshHeader(data)) << out;
        ExpectNoLeftovers();
    }
}

INSTANTIATE_TEST_SUITE_P(BothTools, AtomicOutput, BothTools(), ToolName);

} // namespace
