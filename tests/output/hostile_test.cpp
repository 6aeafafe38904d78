// Both tools tried as an adversarial user would: nothing may be lost, nor
// replaced that fopen(path, "w") would refuse, nor left behind.
#include <sys/syscall.h>
#include <sys/xattr.h>

#include "Blocks.h"
#include "tool.h"

namespace {

class Hostile : public ToolTest {
  protected:
    void SetUp() override {
        data = RandomBytes(1000, 1);
        WriteFile(dir / "in.bin", data);
        header = FreshHeader(data);
    }
    // A name long enough that the report fills stdio's buffer while the
    // header is still unfinished.
    static std::string LongPath(const std::string &name) {
        std::string path = name;
        for (int i = 0; i < 2000; ++i)
            path = "./" + path;
        return path;
    }
    std::string data, header;
};

// Through a FIFO and a pipe, with the heap poisoned; the padding after a
// block's worth of other bytes is zero. Files in /proc and /sys, whose
// size says nothing true, are read to their end.
TEST_P(Hostile, InputsOfEveryKindAreReadToTheirEnd) {
    for (const char *path : {"/proc/version", "/sys/kernel/mm/transparent_hugepage/enabled",
                             "/sys/kernel/btf/vmlinux"}) {
        EXPECT_EQ(Run({path, "out.h"}).status, access(path, R_OK) == 0 ? 0 : GetParam().failStatus);
        EXPECT_TRUE(access(path, R_OK) != 0 ||
                    ReadFile(dir / "out.h") == FreshHeader(ReadFile(path)));
    }
    std::string more = RandomBytes(300 * 1024 + 5, 2), whole = IsPacker() ? data + more : more;
    WriteFile(dir / "more.bin", more);
    for (std::string input : {"fifo", "/dev/stdin"}) {
        std::vector<std::string> args{input, "out.h"};
        if (IsPacker())
            args.insert(args.begin(), "in.bin");
        RunResult run =
            Sh((input == "fifo" ? "mkfifo fifo; (cat more.bin > fifo &); " : "cat more.bin | ") +
               ("MALLOC_PERTURB_=165 exec \"$tool\" " + args[0] + " ") + args[1] +
               (IsPacker() ? " out.h" : ""));
        EXPECT_EQ(run.out, Printed(args, Stop::Done, whole)) << run.err;
        EXPECT_TRUE(ReadFile(dir / "out.h") == FreshHeader(whole));
        EXPECT_TRUE(IsPacker() ||
                    ReadFile(dir / "out.h").find(", 0x00, 0x00, 0x00, \n};") != std::string::npos);
        fs::remove(dir / "fifo");
    }
}

// The input is emptied while it is read: the packer, which reads each input
// to its end, writes what it read whole and in order. (The converter reads
// a file to the size it found: see its own cases.)
TEST_P(Hostile, AnInputEmptiedDuringTheRunLeavesAWholeHeader) {
    if (!IsPacker())
        GTEST_SKIP() << "a file cut short fails the converter";
    std::string big = RandomBytes(2 << 20, 4);
    WriteFile(dir / "big.bin", big);
    RunResult run = Sh("\"$tool\" big.bin got.h > /dev/null & wait_ready $!; : > big.bin; wait $!");
    EXPECT_EQ(run.status, 0) << run.err;
    std::string got = ReadFile(dir / "got.h");
    EXPECT_TRUE(got == FreshHeader(big.substr(0, Occurrences(got, "0x"))));
}

// The longest name, the longest path, and a backslash, which is no
// separator here.
TEST_P(Hostile, AnyValidNameOrPathWorks) {
    std::string deep;
    for (int i = 0; i < 16; ++i)
        deep += std::string(250, static_cast<char>('a' + i)) + "/";
    Sh("mkdir -p " + deep);
    for (std::string out : {std::string(255, 'n'), deep + std::string(4090 - deep.size(), 'x'),
                            std::string("w\\z.h")}) {
        EXPECT_EQ(Run({"in.bin", out}).status, 0);
        EXPECT_TRUE(Sh("cat '" + out + "'").out == header);
    }
}

// A folder, a FIFO with no reader or a symbolic link loop put in the
// output's place while the run waits for its input: a failure, and no hang.
TEST_P(Hostile, AFolderOrFifoAtTheOutputDuringTheRunIsAFailure) {
    for (auto [make, reason] :
         {std::pair<std::string, std::string>{"mkdir out.h", "Is a directory"},
          {"mkfifo out.h", "No such device or address"},
          {"ln -s loop out.h; ln -s out.h loop", "Too many levels of symbolic links"}}) {
        RunResult run =
            Sh("echo old > out.h; mkfifo fifo; \"$tool\" fifo out.h > /dev/null & pid=$!; "
               "exec 3<> fifo; wait_ready $pid; rm out.h; " +
               make + "; echo data >&3; exec 3>&-; wait $pid");
        Sh("rm -rf fifo loop out.h");
        ExpectFailure(run, reason);
    }
}

TEST_P(Hostile, FilesThatCannotBeReplacedAreWrittenInPlace) {
    SKIP_UNLESS_ROOT();
    // Old files longer than the header: another owner's, in a sticky folder
    // and in one that takes no new file; a hard link; an attribute that the
    // caller can't give a new file; an append-only folder, which must never
    // see a temporary name. A folder that only its owner may write and
    // search, not read, takes new files all the same.
    WriteFile(dir / "old", std::string(20000, 'o'));
    WriteFile(dir / "out.h", header + "x"); // one byte longer
    Sh("mkdir sticky ro ao && chmod 1777 sticky && for f in sticky/out.h ro/out.h perm.h noted.h "
       "ao/out.h; do cp old $f; done && chmod 666 sticky/out.h ro/out.h && chgrp nogroup "
       "sticky/out.h && ln out.h alias.h && install -m 6766 -o nobody -g root old theirs.h && "
       "setfattr -n security.note -v kept theirs.h");
    Sh("cp old grouped.h && chown nobody:root grouped.h && chown nobody noted.h && "
       "setfattr -n security.note -v kept noted.h");
    ino_t noted = StatOf(dir / "noted.h").st_ino, grouped = StatOf(dir / "grouped.h").st_ino;
    RunResult run =
        AsNobody("\"$tool\" in.bin sticky/out.h && \"$tool\" in.bin ro/out.h && mkdir wx && "
                 "chmod 300 wx && \"$tool\" in.bin wx/new.h && cp old wx/out.h && "
                 "\"$tool\" in.bin wx/out.h && chmod 700 wx && \"$tool\" in.bin noted.h && "
                 "exec \"$tool\" in.bin grouped.h");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(StatOf(dir / "noted.h").st_ino, noted);
    EXPECT_EQ(StatOf(dir / "grouped.h").st_ino, grouped); // its group is none of the caller's
    EXPECT_EQ(StatOf(dir / "grouped.h").st_gid, 0u);
    EXPECT_EQ(Run({"in.bin", "out.h"}).status, 0);
    // Root replaces another user's file whole, and gives it back as it was.
    ino_t before = StatOf(dir / "theirs.h").st_ino;
    EXPECT_EQ(Sh("ulimit -f 16; exec \"$tool\" in.bin theirs.h").status, 0);
    struct stat theirs = StatOf(dir / "theirs.h");
    EXPECT_NE(theirs.st_ino, before) << "replaced, not written in place";
    EXPECT_EQ(theirs.st_uid * 100000 + theirs.st_gid, 65534u * 100000);
    EXPECT_EQ(theirs.st_mode & 07777, 06766u); // set-ID bits too, which a change of owner clears
    Sh("echo o > short.h && ln short.h grown.h && FAULT=fallocate:0:95 LD_PRELOAD=$fault_library "
       "exec \"$tool\" in.bin short.h"); // in place, growing, with no fallocate
    Sh("FAULT=fchmod:1:1 LD_PRELOAD=$fault_library exec \"$tool\" in.bin perm.h"); // mode refused
    Sh("chattr +a ao"); // where the file system has the flag
    EXPECT_EQ(Run({"in.bin", "ao/out.h"}).status, 0);
    Sh("chattr -a ao");
    EXPECT_EQ(ListFolder(dir / "ao"), "out.h\n");
    for (const char *file : {"sticky/out.h", "ro/out.h", "alias.h", "noted.h", "theirs.h", "perm.h",
                             "ao/out.h", "wx/new.h", "wx/out.h", "grouped.h", "grown.h"})
        EXPECT_TRUE(ReadFile(dir / file) == header) << file;
    EXPECT_EQ(StatOf(dir / "sticky/out.h").st_uid + StatOf(dir / "ro/out.h").st_uid, 0u);
    char note[8] = {};
    EXPECT_EQ(getxattr((dir / "noted.h").c_str(), "security.note", note, sizeof note), 4);
    EXPECT_EQ(getxattr((dir / "theirs.h").c_str(), "security.note", note, sizeof note), 4);
    ExpectNoLeftovers();
}

// A bind mount is written in place; a file system with no inode or space
// to spare for the output or for its held text fails and keeps the old one,
// whether it is reached through a link, written in place through a hard
// link (where space can be reserved, and where it can't), carries an
// attribute, or does not exist yet.
TEST_P(Hostile, MountPointsAndFullFileSystemsKeepTheOldOutput) {
    SKIP_UNLESS_ROOT();
    WriteFile(dir / "big.bin", RandomBytes(FORMAT_BLOCK_BYTES, 2));
    RunResult run =
        Sh("echo old > real.h && : > mnt.h && mkdir fs small sx && exec unshare -m "
           "sh -c 'mount --bind real.h mnt.h && \"$tool\" in.bin mnt.h > /dev/null && "
           "ls -a > listed && mount -t tmpfs -o nr_inodes=2 none fs && "
           "echo old > fs/out.h && ! \"$tool\" in.bin fs/out.h > /dev/null 2> fs.err && "
           "cat fs/out.h > full.h && mount -t tmpfs -o size=64k none small && "
           "! TMPDIR=small \"$tool\" big.bin mnt.h > /dev/null 2> small.err && "
           "cat real.h > small.h && mount -t tmpfs -o size=64k none sx && "
           "\"$tool\" in.bin sx/real.h > /dev/null && cp sx/real.h sx/noted.h && "
           "setfattr -n security.test -v x sx/noted.h && ln -s real.h sx/link.h && "
           "ln sx/real.h sx/hard.h && ln -s gone.h sx/dangling.h && for out in "
           "link.h hard.h noted.h dangling.h; do ! \"$tool\" big.bin sx/$out > /dev/null "
           "2>> sx.err || exit; done; ! FAULT=fallocate:0:95 LD_PRELOAD=$fault_library"
           " \"$tool\" big.bin sx/hard.h > /dev/null 2>> sx.err && cmp sx/real.h "
           "sx/noted.h && ls -a sx > sx.list'");
    if (run.err.find("unshare:") != std::string::npos ||
        run.err.find("mount:") != std::string::npos)
        GTEST_SKIP() << "no mount namespace: " << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "listed").find(std::string(".") + GetParam().name), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "full.h"), "old\n");
    EXPECT_NE(ReadFile(dir / "fs.err").find("No space left on device"), std::string::npos);
    EXPECT_TRUE(ReadFile(dir / "small.h") == header);
    EXPECT_NE(ReadFile(dir / "small.err").find("in small: No space left"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "sx.list"), ".\n..\ndangling.h\nhard.h\nlink.h\nnoted.h\nreal.h\n");
    std::string err = ReadFile(dir / "sx.err"); // morvash names the file too
    EXPECT_EQ(Occurrences(err, ": No space left on device\n"), IsPacker() ? 5u : 10u) << err;
}

// On ext2 (no fallocate) a signal still leaves the whole header; a waited-for writer is named.
TEST_P(Hostile, InPlaceNeverLeavesZerosAndSaysWhatItWaitsFor) {
    SKIP_UNLESS_ROOT();
    WriteFile(dir / "big.bin", RandomBytes(READ_BLOCK_BYTES * 2, 3));
    RunResult run = Sh(
        "truncate -s 16M e2.img && mkfs.ext2 -q -F e2.img && mkdir e2 && exec unshare -m sh -c '. "
        "\"$helpers\"; mount -o loop e2.img e2 || exit 99; p() { exec env $pause "
        "FAULT=fallocate:1:pause \"$tool\" big.bin e2/hard.h; }; echo OLD > e2/out.h; ln e2/out.h "
        "e2/hard.h; p > /dev/null & "
        "wait_paused $!; kill -TERM $!; resume; wait $!; echo $?; exec 9>&-; cp e2/hard.h s.h; p "
        "> /dev/null & wait_paused $!; \"$tool\" in.bin e2/hard.h 2> w.err > /dev/null & i=0; "
        "until "
        "grep -q . w.err || [ $i -ge 500 ]; do i=$((i+1)); sleep 0.01; done; resume; wait; cat "
        "w.err; cp e2/hard.h w.h'");
    if (run.status == 99 || run.err.find("unshare:") != std::string::npos)
        GTEST_SKIP() << "no loop-mounted ext2 here: " << run.err;
    EXPECT_EQ(run.out, std::to_string(128 + SIGTERM) + "\n" + GetParam().name +
                           ": e2/hard.h: waiting for another program that is writing it\n");
    EXPECT_TRUE(ReadFile(dir / "s.h") == FreshHeader(ReadFile(dir / "big.bin")) &&
                ReadFile(dir / "w.h") == header);
}

// A read-only file, and another user's link planted in a sticky folder,
// which the kernel refuses to follow: the tools never resolve links.
TEST_P(Hostile, WhatTheCallerMayNotWriteIsRefusedAndKept) {
    SKIP_UNLESS_ROOT();
    RunResult run = AsNobody("echo old > ro.h && chmod 444 ro.h && exec \"$tool\" in.bin ro.h");
    EXPECT_EQ(run.out, Printed({"in.bin", "ro.h"}, Stop::Output));
    ExpectFailure(run, "Permission denied");
    EXPECT_EQ(ReadFile(dir / "ro.h"), "old\n");
    if (Sh("cat /proc/sys/fs/protected_symlinks").out != "1\n")
        GTEST_SKIP() << "fs.protected_symlinks is off on this machine";
    Sh("echo secret > victim && mkdir box && chmod 1777 box");
    AsNobody("ln -s ../victim box/out.h");
    ExpectFailure(Run({"in.bin", "box/out.h"}), "Permission denied");
    EXPECT_EQ(ReadFile(dir / "victim"), "secret\n");
}

// With standard input and output closed, the input and the header would
// take their numbers; the long name spills the report midway.
TEST_P(Hostile, AClosedStandardOutputNeverReachesTheHeader) {
    RunResult run = Sh("exec \"$tool\" " + LongPath("in.bin") + " out.h <&- >&-");
    EXPECT_EQ(run.status, GetParam().failStatus);
    EXPECT_NE(run.err.find("standard output: Bad file descriptor"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadFile(dir / "out.h") == header);
}

// The header goes through standard output itself, in order with the
// console text: into a pipe, a log, or a log that is appended to. The file
// of standard error alone is written through it, after what it holds. A
// pipe that another process made non-blocking is waited on.
TEST_P(Hostile, StandardOutputAsTheOutputTakesTheHeaderInOrder) {
    auto inOrder = [&](const std::string &input, const std::string &out, const std::string &bytes) {
        std::string text = FreshHeader(bytes);
        if (!IsPacker())
            return converter::ReferenceReport(input, out, bytes) + text;
        std::vector<std::string> all{GetParam().path, input, out};
        std::string echo = packer::EchoLines(all);
        return echo + text + packer::ReportLines(all, true).substr(echo.size());
    };
    for (std::string out : {"/dev/stdout", "/dev/fd/1", "log.txt"}) {
        RunResult run = Sh("echo earlier > log.txt; exec \"$tool\" in.bin " + out + " >> log.txt");
        EXPECT_EQ(run.status, 0) << out << run.err;
        EXPECT_TRUE(ReadFile(dir / "log.txt") == "earlier\n" + inOrder("in.bin", out, data)) << out;
        if (out == "log.txt")
            continue;
        run = Sh("{ \"$tool\" in.bin " + out + "; echo $? > status; } | cat");
        EXPECT_TRUE(run.out == inOrder("in.bin", out, data)) << out;
        EXPECT_EQ(ReadFile(dir / "status"), "0\n") << out;
    }
    RunResult run = Sh("echo earlier > log.txt; exec \"$tool\" in.bin /dev/stderr 2>> log.txt");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadFile(dir / "log.txt") == "earlier\n" + header);

    std::string big = RandomBytes(FORMAT_BLOCK_BYTES * 3, 3);
    WriteFile(dir / "big.bin", big);
    const std::string nonBlocking = "{ perl -MFcntl -e 'fcntl(STDOUT, F_SETFL, fcntl(STDOUT, "
                                    "F_GETFL, 0) | O_NONBLOCK) or die; exec @ARGV' \"$tool\" ";
    run = Sh(nonBlocking + "big.bin /dev/stdout; echo $? > status; } | { sleep 0.3; cat; }");
    EXPECT_TRUE(run.out == inOrder("big.bin", "/dev/stdout", big)) << run.err;
    EXPECT_EQ(ReadFile(dir / "status"), "0\n");
    if (IsPacker()) { // more report than the pipe holds
        std::vector<std::string> args(3002, "in.bin");
        args.front() = GetParam().path, args.back() = "/dev/null";
        run = Sh(nonBlocking + "$(yes in.bin | head -3000) /dev/null; echo $? > status; } | "
                               "{ sleep 0.3; cat; }");
        EXPECT_TRUE(run.out == packer::ReportLines(args, true) &&
                    ReadFile(dir / "status") == "0\n");
    }
}

// A reader that has gone away is a failure, not a signal midway; a console
// that blocks holds nothing back from the header, which is old or whole.
TEST_P(Hostile, AConsoleThatBlocksOrGoesAwayNeverCostsTheHeader) {
    // The reader closes its end, then lets the run start.
    RunResult run = Sh("mkfifo go; { read x < go; \"$tool\" " + LongPath("in.bin") +
                       " piped.h; echo $? > status; } | { exec <&-; echo > go; }");
    EXPECT_EQ(ReadFile(dir / "status"), std::to_string(GetParam().failStatus) + "\n");
    EXPECT_TRUE(ReadFile(dir / "piped.h") == header);
    EXPECT_NE(run.err.find("standard output: Broken pipe\n"), std::string::npos) << run.err;
    // One failed write midway, none after: its reason is the one given.
    run = Sh("FAULT=write@1:1:28 LD_PRELOAD=$fault_library \"$tool\" " + LongPath("in.bin") +
             " once.h > console.txt");
    EXPECT_EQ(run.status, GetParam().failStatus);
    EXPECT_EQ(run.err,
              std::string(GetParam().name) + ": standard output: No space left on device\n");
    EXPECT_TRUE(ReadFile(dir / "once.h") == header);

    WriteFile(dir / "real.h", std::string(20000, 'o'));
    fs::create_symlink("real.h", dir / "link.h");
    // Standard output is a pipe of one page that nobody reads, and the
    // long names fill it; the run is stopped where it blocks.
    run = Sh("mkfifo p; exec 4<> p; perl -e 'open(F, \">\", \"p\") and fcntl(F, 1031, 4096) "
             "or die' && \"$tool\" " +
             LongPath("in.bin") + " " + LongPath("link.h") +
             " > p & pid=$!; i=0; until grep -q '^" + std::to_string(SYS_write) +
             " 0x1 ' /proc/$pid/syscall || [ $i -ge 2000 ]; do i=$((i+1)); sleep 0.005; done; "
             "cat real.h > blocked.h; kill -TERM $pid; wait $pid");
    EXPECT_EQ(run.status, 128 + SIGTERM) << run.err;
    for (const char *file : {"blocked.h", "real.h"}) {
        std::string text = ReadFile(dir / file);
        EXPECT_TRUE(text == std::string(20000, 'o') || text == header) << file << text.size();
    }
    ExpectNoLeftovers();
}

// On a terminal, a run past a second shows on stderr how far it has read,
// and clears that before its report or a failure; a faster run, or one
// whose stderr is no terminal, shows nothing; a dumb one gets no escapes.
TEST_P(Hostile, ProgressShowsOnATerminalAlone) {
    // Then dozens of blocks in a moment: redrawn at most 5 times a second.
    const std::string slow = "{ head -c 300000 /dev/zero; sleep 1.2; head -c 9000000 /dev/zero; }";
    RunResult run = Sh("mkfifo f1 f2 f3 f4 f5 f6; for f in f1 f2 f3 f4 f5; do " + slow +
                       " > $f & done; { echo; sleep 0.3; echo; sleep 0.3; } > f6 & \"$tool\" f2 "
                       "o2.h > /dev/null & i=0; for run in 'f1 o1.h' 'f3 o3.h 2> err3' 'f4 " +
                       (IsPacker() ? "missing.bin o4.h" : "no/such/o4.h") +
                       "' 'f6 o5.h'; do i=$((i+1)); script -qec \"'$tool' $run\" /dev/null > "
                       "tty$i & done; TERM=dumb script -qec \"'$tool' f5 o6.h\" /dev/null > "
                       "dumb & wait");
    EXPECT_EQ(run.err, "");
    // The last count shown, whichever it was, cleared.
    const std::string name = GetParam().name, shown = " MiB read\033[K\r\033[K",
                      tty1 = ReadFile(dir / "tty1");
    EXPECT_TRUE(tty1.find("\r" + name + ": 0 MiB read") != std::string::npos &&
                tty1.find(shown) != std::string::npos);
    EXPECT_LE(Occurrences(tty1, "MiB read"), 12u);
    EXPECT_NE(ReadFile(dir / "tty3")
                  .find(shown + (IsPacker() ? "\r\nFailed to open input" : "fail to output file")),
              std::string::npos);
    EXPECT_EQ(ReadFile(dir / "tty2").find("MiB") + ReadFile(dir / "tty4").find("MiB"),
              2 * std::string::npos);
    EXPECT_EQ(ReadFile(dir / "err3"), "");
    std::string dumb = ReadFile(dir / "dumb"), blank(name.size() + 12, ' '); // ": 0 MiB read"
    EXPECT_NE(dumb.find(" MiB read\r" + blank + "\r"), std::string::npos);
    EXPECT_EQ(dumb.find("\033"), std::string::npos);
}

// -h, --help and --version are answered alone, and name files anywhere else;
// too few arguments are refused, and nothing is touched.
TEST_P(Hostile, OptionsAloneAreAnsweredAndOtherwiseNameFiles) {
    for (std::vector<std::string> args : {std::vector<std::string>{}, {"in.bin"}}) {
        if (IsPacker() && !args.empty())
            continue; // one argument names the output
        RunResult run = Run(args);
        EXPECT_EQ(run.status, GetParam().failStatus);
        args.insert(args.begin(), GetParam().path);
        EXPECT_EQ(run.out, IsPacker()
                               ? packer::EchoLines(args) + "\n Error - not enough argument !!\n"
                               : "usage:\n\tmorvash input(binary files) output(C Header file)\n");
        EXPECT_EQ(run.err, "");
    }
    const std::string usage = IsPacker() ? "Usage: Trelvic [--quiet] [INPUT...] OUTPUT\n"
                                         : "Usage: morvash [--quiet] INPUT OUTPUT [ARRAY_NAME]\n";
    for (const char *help : {"-h", "--help"})
        EXPECT_EQ(Run({help}).out.substr(0, usage.size()), usage);
    RunResult run = Sh("exec \"$tool\" --help > /dev/full");
    EXPECT_EQ(run.status, GetParam().failStatus);
    EXPECT_EQ(run.err,
              std::string(GetParam().name) + ": standard output: No space left on device\n");
    run = Run({"--version"});
    EXPECT_EQ(run.status + Run({"-h"}).status + Run({"--help"}).status, 0);
    EXPECT_EQ(run.out, std::string(GetParam().name) + " 1.0.0\n");
    for (std::string in : {"in.bin", "no.bin"}) {
        RunResult loud = Run({in, "out.h"}), quiet = Run({"--quiet", in, "out.h"});
        EXPECT_EQ(quiet.status, loud.status); // and nothing on success, all of it on failure:
        EXPECT_EQ(quiet.out + "|" + quiet.err, loud.status == 0 ? "|" : loud.out + "|" + loud.err);
    }
    WriteFile(dir / "-h", data);
    EXPECT_EQ(Run({"-h", "out.h"}).status + Run({"in.bin", "--help"}).status, 0);
    EXPECT_TRUE(ReadFile(dir / "out.h") == header && ReadFile(dir / "--help") == header);
    EXPECT_EQ(ListFolder(dir.path), "--help\n-h\nin.bin\nout.h\n"); // and nothing else
}

INSTANTIATE_TEST_SUITE_P(BothTools, Hostile, BothTools(), ToolName);

// Only * and ? are wildcards, never in the program's own path, and a
// backslash is a plain character.
TEST(HostilePacker, OnlyStarAndQuestionMarkAreWildcards) {
    TempDir dir;
    WriteFile(dir / "b[1].bin", "bracket");
    WriteFile(dir / "b1.bin", "plain");
    WriteFile(dir / "w\\1.bin", "slash");
    ASSERT_EQ(RunProgram({TRELVIC_PATH, "b[1]*.bin", "w\\*.bin", "o[1].h"}, dir.path).status, 0);
    ASSERT_EQ(RunProgram({TRELVIC_PATH, "b[1].bin", "w\\1.bin", "ref.h"}, dir.path).status, 0);
    EXPECT_EQ(ReadFile(dir / "o[1].h"), ReadFile(dir / "ref.h"));

    fs::create_directories(dir / "x?");
    fs::create_directories(dir / "xa");
    fs::copy_file(TRELVIC_PATH, dir / "x?/Trelvic");
    WriteFile(dir / "xa/Trelvic", "not an input");
    RunResult run = RunProgram({"./x?/Trelvic", "b1.bin", "own.h"}, dir.path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, packer::ReportLines({"./x?/Trelvic", "b1.bin", "own.h"}, true));
}

} // namespace
