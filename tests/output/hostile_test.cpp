// Both tools tried as an adversarial user would: odd inputs, odd output
// paths, other owners, closed descriptors and signals. Nothing may be lost,
// nothing replaced that fopen(path, "w") would refuse, and no temporary file
// may stay behind.
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tool.h"

namespace {

class Hostile : public ToolTest {
  protected:
    void SetUp() override {
        data = RandomBytes(1000, 1);
        WriteFile(dir / "in.bin", data);
        header = FreshHeader(data);
    }
    // The run ended in failure, said why on standard error, and left no
    // temporary file beside the output.
    void ExpectFailure(const RunResult &run, const std::string &reason) {
        EXPECT_EQ(run.status, GetParam().failStatus) << run.out << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        EXPECT_EQ(Sh("ls -a | grep -c '^\\.' ").out, "2\n") << ListFolder(dir.path);
    }
    // What the tool prints when the output can't be opened: no report.
    std::string OpenFailureOut(const std::string &out) {
        if (IsPacker())
            return "\nStart Packing\narg-0 : " + GetParam().path +
                   "\narg-1 : in.bin\narg-2 : " + out + "\n\nFailed to open output file !! \n";
        return "bin_name=in.bin\nsrc_name=" + out + "\n";
    }
    std::string OpenFailureErr(const std::string &out, const std::string &reason) {
        if (IsPacker())
            return "Trelvic: " + out + ": " + reason + "\n";
        return "fail to output file\n: " + reason + "\n";
    }
    // Runs the script as the unprivileged user nobody, in a folder it may use.
    RunResult AsNobody(const std::string &script) {
        chmod(dir.path.c_str(), 0777);
        return Sh("setpriv --reuid=65534 --regid=65534 --clear-groups -- sh -c '" + script + "'");
    }
    // in.bin by a name long enough that the report fills stdio's buffer
    // while the header is still unfinished.
    static std::string LongInputName() {
        std::string name = "in.bin";
        for (int i = 0; i < 1500; ++i)
            name = "./" + name;
        return name;
    }
    void SkipUnlessRoot() {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root, to stage other owners";
    }
    std::string data, header;
};

// Inputs whose size says nothing true, and block boundaries.

TEST_P(Hostile, ProcAndSysFilesAreReadToTheirEnd) {
    for (const char *path : {"/proc/version", "/sys/kernel/mm/transparent_hugepage/enabled",
                             "/sys/kernel/btf/vmlinux"}) {
        if (access(path, R_OK) != 0)
            continue;
        RunResult run = Run({path, "out.h"});
        EXPECT_EQ(run.status, 0) << path << run.err;
        EXPECT_TRUE(ReadFile(dir / "out.h") == FreshHeader(ReadFile(path))) << path;
    }
}

TEST_P(Hostile, AFifoInputLongerThanABlockComesOutWhole) {
    std::string fifoData = RandomBytes(300 * 1024 + 5, 2);
    WriteFile(dir / "fifo.bin", fifoData);
    std::string inputs = IsPacker() ? "in.bin fifo" : "fifo";
    RunResult run = Sh("mkfifo fifo; (cat fifo.bin > fifo &); MALLOC_PERTURB_=165 exec $tool " +
                       inputs + " out.h");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadFile(dir / "out.h") == FreshHeader(IsPacker() ? data + fifoData : fifoData));
    // The padding comes after a block's worth of other bytes, and is zero.
    if (!IsPacker()) {
        EXPECT_NE(ReadFile(dir / "out.h").find(", 0x00, 0x00, 0x00, \n};\n"), std::string::npos);
    }
}

// The input is long and sparse; a file size limit ends the header early.
TEST_P(Hostile, AHugeSparseInputEndsPromptly) {
    Sh("truncate -s 8T h"); // about the most that ext4 and tmpfs hold
    RunResult run = Sh(IsPacker() ? "ulimit -f 1024; exec $tool h h o.h" : "exec $tool h o.h");
    ExpectFailure(run, IsPacker() ? "o.h: File too large" : "input is too large");
    EXPECT_FALSE(fs::exists(dir / "o.h"));
}

// The output is a FIFO held open by the test, so the run blocks once the
// input is read; the input is then emptied under it.
TEST_P(Hostile, AnInputEmptiedDuringTheRunLeavesAWholeHeader) {
    std::string big = RandomBytes(2 << 20, 4);
    WriteFile(dir / "big.bin", big);
    RunResult run = Sh("mkfifo fifo; exec 3<> fifo; $tool big.bin fifo > out.txt & pid=$!; "
                       "sleep 0.5; : > big.bin; cat <&3 > got.h & wait $pid; s=$?; "
                       "exec 3>&-; sleep 0.2; kill $! 2>/dev/null; exit $s");
    EXPECT_EQ(run.status, 0) << run.err;
    // Whatever was read before the input emptied comes out whole and in order.
    std::string got = ReadFile(dir / "got.h");
    size_t n = 0;
    if (IsPacker()) {
        for (size_t at = 0; (at = got.find("0x", at)) != std::string::npos; at += 2)
            ++n;
    } else {
        n = std::stoul(got.substr(got.find("_size = ") + 8));
    }
    EXPECT_TRUE(got == FreshHeader(big.substr(0, n))) << n;
}

// Output names and paths.

TEST_P(Hostile, AnyValidNameOrPathWorks) {
    std::string longName(255, 'n');
    EXPECT_EQ(Run({"in.bin", longName}).status, 0);
    EXPECT_TRUE(ReadFile(dir / longName) == header);

    std::string deep;
    for (int i = 0; i < 16; ++i)
        deep += std::string(250, static_cast<char>('a' + i)) + "/";
    Sh("mkdir -p " + deep);
    std::string path = deep + std::string(4090 - deep.size(), 'x');
    EXPECT_EQ(Run({"in.bin", path}).status, 0);
    EXPECT_TRUE(Sh("cat " + path).out == header);

    EXPECT_EQ(Run({"in.bin", "w\\z.h"}).status, 0); // a backslash is no separator here
    EXPECT_TRUE(ReadFile(dir / "w\\z.h") == header);
}

// Each link is relative to its own folder: a/l1 -> ../b/l2 -> c/target.h.
TEST_P(Hostile, AChainOfRelativeLinksIsFollowedToItsEnd) {
    Sh("mkdir -p a b/c && ln -s ../b/l2 a/l1 && ln -s c/target.h b/l2 && echo old > b/c/target.h");
    EXPECT_EQ(Run({"in.bin", "a/l1"}).status, 0);
    EXPECT_TRUE(ReadFile(dir / "b/c/target.h") == header);
    EXPECT_TRUE(fs::is_symlink(dir / "a/l1"));
}

TEST_P(Hostile, OutputsThatCannotBeOpenedAreRefusedBeforeAnyReport) {
    Sh("ln -s a b; ln -s b a");
    for (auto [out, reason] : {std::pair<std::string, std::string>{"", "No such file or directory"},
                               {"a", "Too many levels of symbolic links"}}) {
        RunResult run = Run({"in.bin", out});
        EXPECT_EQ(run.out, OpenFailureOut(out));
        EXPECT_EQ(run.err, OpenFailureErr(out, reason));
        ExpectFailure(run, reason);
    }
    EXPECT_TRUE(fs::is_symlink(dir / "a"));
}

// A folder put where the output goes, while the run waits for its input.
TEST_P(Hostile, AFolderAtTheOutputDuringTheRunIsAFailure) {
    RunResult run = Sh("mkfifo fifo; $tool fifo out.h > /dev/null & pid=$!; exec 3> fifo; "
                       "wait_temp; mkdir out.h; echo data >&3; exec 3>&-; wait $pid");
    ExpectFailure(run, "Is a directory");
    EXPECT_TRUE(fs::is_directory(dir / "out.h"));
}

// Owners, links and permissions: write in place rather than change a file's
// owner, links or attributes; refuse what the caller may not write.

TEST_P(Hostile, AReadOnlyFileIsRefusedAndKept) {
    SkipUnlessRoot();
    RunResult run = AsNobody("echo old > ro.h && chmod 444 ro.h && exec $tool in.bin ro.h");
    EXPECT_EQ(run.out, OpenFailureOut("ro.h"));
    ExpectFailure(run, "Permission denied");
    EXPECT_EQ(ReadFile(dir / "ro.h"), "old\n");
}

TEST_P(Hostile, FilesThatCannotBeReplacedAreWrittenInPlace) {
    SkipUnlessRoot();
    // Another owner's file the caller may write, in a sticky folder and in a
    // folder that takes no new file.
    Sh("mkdir sticky ro && chmod 1777 sticky && echo old > sticky/out.h && echo old > ro/out.h && "
       "chmod 666 sticky/out.h ro/out.h && chgrp nogroup sticky/out.h");
    RunResult run = AsNobody("$tool in.bin sticky/out.h && exec $tool in.bin ro/out.h");
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char *path : {"sticky/out.h", "ro/out.h"}) {
        EXPECT_TRUE(ReadFile(dir / path) == header) << path;
        struct stat st {};
        stat((dir / path).c_str(), &st);
        EXPECT_EQ(st.st_uid, 0u) << path;
    }
    // Root replaces another user's file, and gives it back.
    Sh("echo old > theirs.h && chown nobody:nogroup theirs.h");
    EXPECT_EQ(Run({"in.bin", "theirs.h"}).status, 0);
    struct stat theirs {};
    stat((dir / "theirs.h").c_str(), &theirs);
    EXPECT_EQ(theirs.st_uid, 65534u);
    // A hard link stays, and so do extended attributes.
    Sh("echo old > out.h && ln out.h alias.h && echo old > noted.h");
    setxattr((dir / "noted.h").c_str(), "user.note", "kept", 4, 0);
    EXPECT_EQ(Run({"in.bin", "out.h"}).status, 0);
    EXPECT_EQ(Run({"in.bin", "noted.h"}).status, 0);
    EXPECT_TRUE(ReadFile(dir / "alias.h") == header);
    EXPECT_TRUE(ReadFile(dir / "noted.h") == header);
    char note[8] = {};
    EXPECT_EQ(getxattr((dir / "noted.h").c_str(), "user.note", note, sizeof note), 4);
    EXPECT_EQ(Sh("ls -a | grep -c '^\\.' ").out, "2\n");
}

TEST_P(Hostile, MountPointsAndFullInodeTablesAreWrittenInPlace) {
    SkipUnlessRoot();
    RunResult run = Sh("echo old > real.h && : > mnt.h && mkdir fs && exec unshare -m sh -c '"
                       "mount --bind real.h mnt.h && $tool in.bin mnt.h > /dev/null && "
                       "mount -t tmpfs -o nr_inodes=2 none fs && echo old > fs/out.h && "
                       "$tool in.bin fs/out.h > /dev/null && cat fs/out.h > full.h'");
    if (run.err.find("unshare:") != std::string::npos ||
        run.err.find("mount:") != std::string::npos)
        GTEST_SKIP() << "no mount namespace: " << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadFile(dir / "real.h") == header);
    EXPECT_TRUE(ReadFile(dir / "full.h") == header);
}

// The kernel refuses to follow another user's link in a sticky folder; the
// tools must open through the kernel, not resolve links themselves.
TEST_P(Hostile, APlantedLinkInAStickyFolderIsNotFollowed) {
    SkipUnlessRoot();
    if (Sh("cat /proc/sys/fs/protected_symlinks").out != "1\n")
        GTEST_SKIP() << "fs.protected_symlinks is off on this machine";
    Sh("echo secret > victim && mkdir box && chmod 1777 box");
    AsNobody("ln -s ../victim box/out.h");
    ExpectFailure(Run({"in.bin", "box/out.h"}), "Permission denied");
    EXPECT_EQ(ReadFile(dir / "victim"), "secret\n");
}

// Descriptors, pipes and signals.

// With standard input and output closed, the input and the header would
// take their numbers; the long input name makes the report spill while the
// header is open.
TEST_P(Hostile, AClosedStandardOutputNeverReachesTheHeader) {
    RunResult run = Sh("exec $tool " + LongInputName() + " out.h <&- >&-");
    EXPECT_EQ(run.status, GetParam().failStatus);
    EXPECT_NE(run.err.find("standard output: Bad file descriptor"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadFile(dir / "out.h") == header);
}

TEST_P(Hostile, StandardOutputAsTheOutputReachesThePipe) {
    for (const char *out : {"/dev/stdout", "/dev/fd/1"}) {
        RunResult run = Sh(std::string("{ $tool in.bin ") + out + "; echo $? > status; } | cat");
        EXPECT_NE(run.out.find(header), std::string::npos) << out;
        EXPECT_EQ(ReadFile(dir / "status"), "0\n") << out;
    }
}

// Signals that would end the run midway become failed writes instead.
TEST_P(Hostile, AFileSizeLimitOrAClosedPipeIsAFailureNotASignal) {
    WriteFile(dir / "big.bin", RandomBytes(256 * 1024, 3));
    ExpectFailure(Sh("ulimit -f 100; exec $tool big.bin out.h"), "File too large");

    RunResult run =
        Sh("{ sleep 0.3; $tool " + LongInputName() + " piped.h; echo $? > status; } | true");
    EXPECT_EQ(ReadFile(dir / "status"), std::to_string(GetParam().failStatus) + "\n");
    EXPECT_TRUE(ReadFile(dir / "piped.h") == header);
    EXPECT_EQ(Sh("ls -a | grep -c '^\\.' ").out, "2\n");
}

// The run waits on a FIFO input when the signal comes.
TEST_P(Hostile, AnInterruptThatTheCallerIgnoredStaysIgnored) {
    RunResult run = Sh("mkfifo fifo; trap '' TERM; $tool fifo out.h > /dev/null & exec 3> fifo; "
                       "wait_temp; kill -TERM $!; cat in.bin >&3; exec 3>&-; wait $!");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(ReadFile(dir / "out.h") == header);
}

// Arguments.

TEST_P(Hostile, OptionsAmongOtherArgumentsNameFiles) {
    WriteFile(dir / "-h", data);
    EXPECT_EQ(Run({"-h", "out.h"}).status, 0);
    EXPECT_TRUE(ReadFile(dir / "out.h") == header);
}

INSTANTIATE_TEST_SUITE_P(BothTools, Hostile, BothTools(), ToolName);

// What one tool alone has.

TEST(HostilePacker, OnlyStarAndQuestionMarkAreWildcards) {
    TempDir dir;
    WriteFile(dir / "b[1].bin", "bracket");
    WriteFile(dir / "b1.bin", "plain");
    ASSERT_EQ(RunProgram({TRELVIC_PATH, "b[1]*.bin", "o.h"}, dir.path).status, 0);
    ASSERT_EQ(RunProgram({TRELVIC_PATH, "b[1].bin", "ref.h"}, dir.path).status, 0);
    EXPECT_EQ(ReadFile(dir / "o.h"), ReadFile(dir / "ref.h"));
}

TEST(HostileConverter, AFailureReportGivesItsOwnReasonWhenStdoutIsFull) {
    TempDir dir;
    RunResult run = RunShell(std::string(MORVASH_PATH) + " missing.bin o.h > /dev/full", dir.path);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err.rfind("fail to input file\n: No such file or directory\n", 0), 0u) << run.err;
}

} // namespace
