// The packer run as a user runs it: header bytes, console text, exit status.
// Built with TRELVIC_EXE and TRELVIC_RUNNER, the same cases run against the
// Windows executable through Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Blocks.h"
#include "expected.h"
#include "files.h"
#include "process.h"

namespace {

using namespace packer;

#ifdef TRELVIC_EXE
const std::string kTrelvic = TRELVIC_EXE, kRunner = TRELVIC_RUNNER, kPrefix = TRELVIC_WINE_PREFIX;
#else
const std::string kTrelvic = TRELVIC_PATH, kRunner, kPrefix;
#endif

bool UnderWine() {
    return !kRunner.empty();
}

#define SKIP_UNDER_WINE()                                                                          \
    if (UnderWine())                                                                               \
    GTEST_SKIP() << "needs a POSIX system"

class PackerCli : public ::testing::Test {
  protected:
    // The Windows console ends its lines in CR LF; here they end in LF.
    RunResult Pack(const std::vector<std::string> &args) {
        std::vector<std::string> argv{kTrelvic};
        argv.insert(argv.end(), args.begin(), args.end());
        if (UnderWine())
            argv.insert(argv.begin(), kRunner);
        RunResult run = RunProgram(argv, dir.path);
        for (std::string *text : {&run.out, &run.err})
            for (size_t at; (at = text->find("\r\n")) != std::string::npos;)
                text->erase(at, 1);
        return run;
    }
    // The arguments as echoed, after the program's own path (a DOS path
    // under Wine).
    std::vector<std::string> Echo(const std::vector<std::string> &args) const {
        std::vector<std::string> all{UnderWine() ? "Z:" + kTrelvic : kTrelvic};
        std::replace(all[0].begin(), all[0].end(), '/', UnderWine() ? '\\' : '/');
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }
    void ExpectSuccess(const std::vector<std::string> &args, const std::string &data) {
        RunResult run = Pack(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, ReportLines(Echo(args), true));
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(ReadFile(dir / args.back()), ReferenceHeader(data));
    }
    // Packs inputs of the given sizes into out.
    void ExpectJoined(std::initializer_list<size_t> sizes, const std::string &out) {
        std::vector<std::string> args;
        std::string all;
        for (size_t size : sizes) {
            args.push_back("in" + std::to_string(args.size()));
            WriteFile(dir / args.back(), RandomBytes(size, static_cast<unsigned>(size)));
            all += ReadFile(dir / args.back());
        }
        args.push_back(out);
        ExpectSuccess(args, all);
    }
    TempDir dir;
};

// No inputs, a short line, and a whole line with and without more.
TEST_F(PackerCli, LinesHoldSixteenElementsWithCrLfEnds) {
    const std::string line16 = "\t0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, "
                               "0x61, 0x62, 0x63, 0x64, 0x65, 0x66, \r\n";
    RunShell("printf '\\n\\0\\20\\377' > a.bin; : > b.bin; printf 0123456789abcdef0 > c.bin; "
             "printf 0123456789abcdef > d.bin",
             dir.path);
    ExpectSuccess({"out.h"}, "");
    EXPECT_EQ(ReadFile(dir / "out.h"), "UINT8 gImgCode[]=\r\n{\r\n\r\n};\r\n");
    ExpectSuccess({"a.bin", "b.bin", "out.h"}, std::string("\x0a\x00\x10\xff", 4));
    EXPECT_EQ(ReadFile(dir / "out.h"),
              "UINT8 gImgCode[]=\r\n{\r\n\t0x0a, 0x00, 0x10, 0xff, \r\n};\r\n");
    ExpectSuccess({"c.bin", "c16.h"}, "0123456789abcdef0");
    EXPECT_EQ(ReadFile(dir / "c16.h"),
              "UINT8 gImgCode[]=\r\n{\r\n" + line16 + "\t0x30, \r\n};\r\n");
    ExpectSuccess({"d.bin", "d.h"}, "0123456789abcdef");
    EXPECT_EQ(ReadFile(dir / "d.h"), "UINT8 gImgCode[]=\r\n{\r\n" + line16 + "\r\n};\r\n");
    ExpectSuccess({"d.h"}, ""); // a header of ours may take the empty one
}

// In command-line order, around a read of 512 bytes, the formatting block
// (64 KiB) and the read block (256 KiB), alone and joined. Names in any
// script (none of them in an ANSI code page, two that a best-fit mapping
// would take for one another) and paths beyond 260 characters, relative or,
// on Windows, in full with \\?\.
TEST_F(PackerCli, InputsAreJoinedWholeInCommandLineOrder) {
    RunShell("printf abc > three; printf 12345 > five", dir.path);
    ExpectSuccess({"three", "five", "out.h"}, "abc12345");
    std::string deep = "Прошивка/";
    for (int i = 0; i < 3; ++i)
        deep += std::string(100, static_cast<char>('a' + i)) + "/";
    RunShell("mkdir -p " + deep +
                 " && printf P > Łódź.bin && printf X > Lódz.bin && "
                 "printf J > 日本.bin",
             dir.path);
    ExpectSuccess({"Łódź.bin", "日本.bin", "Прошивка/出力.h"}, "PJ");
    ExpectSuccess({"Lódz.bin", deep + "長い.h"}, "X");
    if (UnderWine()) {
        std::string full = "\\\\?\\Z:" + dir.path.string() + "/" + deep + "full.h";
        std::replace(full.begin() + 4, full.end(), '/', '\\');
        EXPECT_EQ(Pack({"日本.bin", full}).status, 0);
        EXPECT_EQ(ReadFile(dir / deep / "full.h"), ReferenceHeader("J"));
    }
    EXPECT_EQ(RunShell("find . -name '.Trelvic*'", dir.path).out, "");
    ExpectJoined({511, 512, 513, 1024, 0, 1}, "joined.h");
    const size_t format = FORMAT_BLOCK_BYTES, read = READ_BLOCK_BYTES;
    for (size_t size : {format - 1, format, format + 1, read - 1, read, read + 1, read + 17})
        ExpectJoined({size}, "large.h");
    ExpectJoined({format - 1, 100 * 1024 + 3, read + 1, 13}, "parts.h");
}

// Sparse files stand in for a firmware set of 1 GiB; only the verdict counts.
TEST_F(PackerCli, PacksAGibibyte) {
    SKIP_UNDER_WINE();
    RunShell("truncate -s 256M q0 q1 q2 q3", dir.path);
    RunResult run = Pack({"q0", "q1", "q2", "q3", "/dev/null"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, ReportLines(Echo({"q0", "q1", "q2", "q3", "/dev/null"}), true));
}

TEST_F(PackerCli, WildcardsExpandToSortedMatches) {
    RunShell(
        "mkdir dir; for f in 2 10 1 q; do printf $f > dir/p$f.bin; done; mv dir/pq.bin dir/q.bin",
        dir.path);
    RunResult run = Pack({"dir/?.bin", "nothing*.bin", "out.h"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, EchoLines(Echo({"dir/q.bin", "nothing*.bin", "out.h"})) +
                           "\nFailed to open input file !! \n");
    EXPECT_EQ(run.err, "Trelvic: nothing*.bin: no file matches this pattern\n");
    if (UnderWine()) { // either kind of slash
        run = Pack({"dir\\?.bin", "out.h"});
        EXPECT_EQ(run.out, ReportLines(Echo({"dir\\q.bin", "out.h"}), true));
        EXPECT_EQ(ReadFile(dir / "out.h"), ReferenceHeader("q"));
    }

    // One rule on both systems: names in any script, in byte order; no dot
    // file unless asked for; no near miss through a short 8.3 name; parts of
    // folders too; '?' is one character, not one byte.
    RunShell("mkdir m m/sub m/sab m/s2 m/.h w; cd m; for f in 日本 fw Zeta zed alpha 'a b' ü .dot; "
             "do printf \"$f\" > \"$f.bin\"; done; printf near > fw.binary; printf s > sub/x.bin; "
             "printf h > .h/x.bin; printf a > sab/x.bin; : > sfile; printf up > ../x.bin; cd ../w; "
             "printf 1 > a.bin; printf 22 > nul.bin; printf 4 > z.bin; printf 5 > a.bin.; "
             "printf 6 > 'a.bin '",
             dir.path);
    const std::pair<std::string, std::vector<std::string>> patterns[] = {
        {"dir/p*.bin", {"dir/p1.bin", "dir/p10.bin", "dir/p2.bin"}},
        {"m/*.bin",
         {"m/Zeta.bin", "m/a b.bin", "m/alpha.bin", "m/fw.bin", "m/zed.bin", "m/ü.bin",
          "m/日本.bin"}},
        {"m/z*.bin", UnderWine() ? std::vector<std::string>{"m/Zeta.bin", "m/zed.bin"}
                                 : std::vector<std::string>{"m/zed.bin"}},
        {"m/fw.bin**", {"m/fw.bin", "m/fw.binary"}},
        {"m/.*/x.bin", {"m/.h/x.bin"}}, // never ../
        {"m/.*.bin", {"m/.dot.bin"}},
        {"m/s?b/x.bin", {"m/sab/x.bin", "m/sub/x.bin"}},
        {"m/?.bin", {"m/ü.bin"}},
        {"m/s*/x.bin", {"m/sab/x.bin", "m/sub/x.bin"}}, // not m/s2/x.bin, nor m/sfile/x.bin
        {UnderWine() ? "w/*.BIN" : "w/*.bin", {"w/a.bin", "w/nul.bin", "w/z.bin"}}, // any name
        {"w/a.bin*", {"w/a.bin", "w/a.bin ", "w/a.bin."}}};
    if (!UnderWine()) { // a name with '?', which Windows can't hold, is that file
        RunShell("mkdir q; printf A > 'q/a?b.bin'; printf X > q/axb.bin", dir.path);
        EXPECT_EQ(Pack({"q/a?b.bin", "out.h"}).status, 0);
        EXPECT_EQ(ReadFile(dir / "out.h"), ReferenceHeader("A"));
    }
    for (const auto &[pattern, matches] : patterns) {
        std::vector<std::string> args = matches;
        args.push_back("out.h");
        std::string all;
        for (const std::string &match : matches)
            all += ReadFile(dir / match);
        run = Pack({pattern, "out.h"});
        EXPECT_EQ(run.out, ReportLines(Echo(args), true)) << pattern;
        EXPECT_EQ(ReadFile(dir / "out.h"), ReferenceHeader(all)) << pattern;
    }
}

TEST_F(PackerCli, WindowsAndLinuxBuildsWriteIdenticalHeaders) {
    if (!UnderWine())
        GTEST_SKIP() << "for the Windows executable";
    const std::string contents[] = {AllByteValues(), "", RandomBytes(16, 1), RandomBytes(17, 2),
                                    RandomBytes(100000, 3)};
    for (size_t i = 0; i < std::size(contents); ++i)
        WriteFile(dir / ("in" + std::to_string(i)), contents[i]);
    // Names that Windows would take for a device or strip, found by a pattern.
    RunShell("for f in 日本 fw Zeta alpha .dot nul a.bin. 'a.bin '; do printf \"$f\" > "
             "\"$f.bin\"; done; printf near > fw.binary",
             dir.path);
    for (std::string inputs : {"in0 in1 in2 in3 in4", "in1", "in2", "in3", "'*.bin' '?*.bin*'"}) {
        ASSERT_EQ(
            RunShell("'" + kRunner + "' '" + kTrelvic + "' " + inputs + " windows.h", dir.path)
                .status,
            0);
        ASSERT_EQ(RunShell("'" TRELVIC_PATH "' " + inputs + " linux.h", dir.path).status, 0);
        EXPECT_TRUE(ReadFile(dir / "linux.h") == ReadFile(dir / "windows.h"));
    }
}

// Failures leave an old output as it was, and success replaces it whole;
// also for the Windows runtime, which refuses to open a folder and names
// devices its own way.
TEST_F(PackerCli, AnOutputIsReplacedWholeOrNotAtAll) {
    WriteFile(dir / "a.bin", "a");
    WriteFile(dir / "out.h", std::string(4096, 'x'));
    fs::create_directory(dir / "sub");
    if (UnderWine()) // root may write it here
        RunShell("printf old > read-only.h; chmod 444 read-only.h", dir.path);
    // On Windows the console, which a test run has none of; a missing file here.
    const std::string con =
        "con.h: " + std::string(UnderWine() ? "the system takes this name for "
                                              "the device \\\\.\\con: Bad file descriptor"
                                            : "No such file or directory");
    struct Case {
        std::vector<std::string> args;
        std::string stop; // the step named in "Failed to ... file !! "
        std::string err;  // the line on standard error, after "Trelvic: "
    };
    for (auto [args, stop, err] :
         {Case{{"a.bin", "fw.bin", "out.h"}, "open input", "fw.bin: No such file or directory"},
          {{"sub", "out.h"}, "read input", "sub: Is a directory"},
          {{"missing/out.h"}, "open output", "missing/out.h: No such file or directory"},
          {{"a.bin", "sub"}, "open output", "sub: Is a directory"},
          {{"a.bin", "*.h"}, "open output", "*.h: the output can't be a pattern"},
          {{"*.bin"}, "open output", "*.bin: the output can't be a pattern"},
          {{"a.bin", "read-only.h"}, "open output", "read-only.h: Permission denied"},
          {{"a.bin", "con.h"}, "open output", con},
          {{"con.h", "out.h"}, "open input", con},
          {{"a.bin"},
           "open output", // the output forgotten: the input is kept
           "a.bin: holds no header of Trelvic's, so the output seems to be missing; it stays as it "
           "is"}}) {
        if ((args.back() == "read-only.h" || args.back() == "con.h") && !UnderWine())
            continue;
        RunResult run = Pack(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, EchoLines(Echo(args)) + "\nFailed to " + stop + " file !! \n");
        EXPECT_EQ(run.err, "Trelvic: " + err + "\n");
        EXPECT_EQ(ReadFile(dir / "out.h"), std::string(4096, 'x'));
    }
    ExpectSuccess({"a.bin", "out.h"}, "a");
    EXPECT_EQ(ListFolder(dir.path),
              std::string("a.bin\nout.h\n") + (UnderWine() ? "read-only.h\n" : "") + "sub\n");
    for (const char *device : {"NUL", "nul"}) { // the null device on Windows, a file here
        EXPECT_EQ(Pack({"a.bin", device}).out, ReportLines(Echo({"a.bin", device}), true));
        EXPECT_EQ(fs::exists(dir / device), !UnderWine());
    }
    // Links as on Linux: a hard-linked output is written in place, for both
    // names; a symbolic link's target is replaced, and the link stays.
    RunShell("printf old > real.h; ln real.h hard.h; printf old > target.h; ln -s target.h "
             "link.h",
             dir.path);
    for (const char *out : {"hard.h", "link.h"})
        EXPECT_EQ(Pack({"a.bin", out}).status, 0) << out;
    for (const char *file : {"real.h", "target.h"})
        EXPECT_EQ(ReadFile(dir / file), ReferenceHeader("a")) << file;
    EXPECT_TRUE(fs::is_symlink(dir / "link.h"));
    if (!UnderWine())
        return;
    // Windows: a hidden file stays hidden; one that another program holds
    // open (and lets others write) is written into; Ctrl-C, or a kill, while
    // an input is read leaves the old header and nothing beside it.
    EXPECT_EQ(Pack({"/?"}).out.rfind("Usage: Trelvic [--quiet] [INPUT...] OUTPUT\n", 0), 0u);
    EXPECT_EQ(Pack({"--quiet", "a.bin", "q.h"}).out, ""); // the held report, all on stdout:
    EXPECT_NE(Pack({"--quiet", "no.bin", "q.h"}).out.find("!! \nTrelvic: no.bin"),
              std::string::npos);
    EXPECT_EQ(Pack({"a.bin", "C:rel.h"}).status, 0); // in C:'s own current folder
    EXPECT_EQ(ReadFile(kPrefix + "/drive_c/rel.h"), ReferenceHeader("a"));
    // A pattern relative to a drive's own folder; devices only where the
    // system sees one (NUL:), and a file through \\?\ or \\.\X:\ whatever
    // its name, replaced whole.
    RunResult drive = Pack({"Z:*.bin", "out.h"});
    EXPECT_EQ(drive.out, ReportLines(Echo({"Z:a.bin", "out.h"}), true));
    EXPECT_EQ(Pack({"a.bin", "NUL:"}).out, ReportLines(Echo({"a.bin", "NUL:"}), true));
    std::string folder = "Z:" + dir.path.string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    for (std::string name : {"\\\\?\\" + folder + "\\nul.h", "\\\\.\\" + folder + "\\dev.h"}) {
        std::string file = name.substr(name.rfind('\\') + 1);
        WriteFile(dir / file, std::string(5000, 'x'));
        EXPECT_EQ(Pack({"a.bin", name}).status, 0) << name;
        EXPECT_EQ(ReadFile(dir / file), ReferenceHeader("a")) << name;
    }
    const std::string trelvic = "'" + kRunner + "' '" + kTrelvic + "'";
    RunShell("printf old > hidden.h; setfattr -n user.DOSATTRIB -v '\"0x2\"' hidden.h; "
             "truncate -s 4G held.h big.bin",
             dir.path);
    ExpectSuccess({"a.bin", "hidden.h"}, "a");
    EXPECT_EQ(RunShell("getfattr --only-values -n user.DOSATTRIB hidden.h", dir.path).out, "0x2");
    RunShell(trelvic +
                 " held.h NUL > /dev/null & until ls -l /proc/*/fd 2>/dev/null | grep -q "
                 "held.h; do sleep 0.05; done; " +
                 trelvic + " a.bin held.h; wait",
             dir.path);
    EXPECT_EQ(ReadFile(dir / "held.h"), ReferenceHeader("a"));
    for (const char *sig : {"INT", "KILL"}) {
        RunShell(trelvic +
                     " big.bin out.h > /dev/null & until ls -a | grep -q '^\\.Trelvic'; do "
                     "sleep 0.05; done; kill -" +
                     sig + " $!; wait",
                 dir.path);
        EXPECT_EQ(ReadFile(dir / "out.h"), ReferenceHeader("a")) << sig;
        EXPECT_EQ(RunShell("ls -a | grep -c '^\\.Trelvic'", dir.path).out, "0\n") << sig;
    }
}

} // namespace
