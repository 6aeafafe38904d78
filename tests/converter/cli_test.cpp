// The converter run as a user runs it: header bytes, console text, exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Blocks.h"
#include "expected.h"
#include "files.h"
#include "process.h"

namespace {

using namespace converter;

const std::string kMorvash = MORVASH_PATH;

class ConverterCli : public ::testing::Test {
  protected:
    RunResult Convert(const std::vector<std::string> &args) {
        std::vector<std::string> argv{kMorvash};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, dir.path);
    }
    // Converts data written to in.bin and checks every output of the run.
    void ExpectConverted(const std::string &data, const std::vector<std::string> &extra = {},
                         const std::string &name = "gImgCode", const std::string &err = "") {
        WriteFile(dir / "in.bin", data);
        std::vector<std::string> args{"in.bin", "out.h"};
        args.insert(args.end(), extra.begin(), extra.end());
        RunResult run = Convert(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, ReferenceReport("in.bin", "out.h", data));
        EXPECT_EQ(run.err, err);
        EXPECT_EQ(ReadFile(dir / "out.h"), ReferenceHeader(data, name));
    }
    TempDir dir;
};

// Five bytes padded to two words; names from the third argument; sizes
// around a line, a word, the formatting block (64 KiB) and the read block
// (256 KiB), whose last one is padded in place.
TEST_F(ConverterCli, HeadersHoldThePaddedBytesUnderTheirName) {
    ExpectConverted("\1\2\3\4\5");
    EXPECT_EQ(ReadFile(dir / "out.h"), "static const unsigned char gImgCode[] = \n"
                                       "{\n"
                                       "\t0x01, 0x02, 0x03, 0x04, 0x05, 0x00, 0x00, 0x00, \n"
                                       "};\n"
                                       "static const int gImgCode_size = 5;\n"
                                       "static const unsigned int gImgCode_sum = 0x04030206;\n"
                                       "\n");
    ExpectConverted("abcd", {"fw"}, "fw");
    ExpectConverted("abcd", {"ns_fw", "ignored"}, "ns_fw");
    ExpectConverted("abcd", {"my-fw"}, "my-fw", // pasted all the same
                    "morvash: warning: the array name 'my-fw' is no C identifier: the header "
                    "will not compile as C\n");
    const size_t format = FORMAT_BLOCK_BYTES, read = READ_BLOCK_BYTES;
    for (size_t size : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{13}, size_t{14},
                        size_t{15}, size_t{16}, size_t{17}, size_t{32}, size_t{100}, format - 1,
                        format, format + 1, read - 1, read, read + 1})
        ExpectConverted(RandomBytes(size, static_cast<unsigned>(size)));
    ExpectConverted("");
    EXPECT_EQ(ReadFile(dir / "out.h"), "static const unsigned char gImgCode[] = \n{\n\n};\n"
                                       "static const int gImgCode_size = 0;\n"
                                       "static const unsigned int gImgCode_sum = 0x00000000;\n\n");
}

// What is converted is the size that the input had when it was opened, to
// the byte: the largest input is converted, through a pipe or a sparse file;
// one byte more is refused at once (a second of CPU time would not read it)
// where the size is known, and as soon as it is passed where it is not. A
// file that gives fewer bytes (cut short after its first read, or failing)
// fails with both sizes, and leaves the old output; one that grows is taken
// as it was. A stream has no size to fall short of.
TEST_F(ConverterCli, WhatIsConvertedIsTheSizeFoundToTheByte) {
    const std::string data = RandomBytes(1000000, 24), first = data.substr(0, 300000);
    WriteFile(dir / "data.bin", data);
    const std::string fault = " LD_PRELOAD=" + Preloadable(FAULT_LIBRARY) + " FAULT=",
                      names = NameLines("in.bin", "out.h"),
                      big = ": input is too large (the limit is 2147483644 bytes)\n",
                      cut = "fail to read binary file\n: ", eio = "Input/output error\n",
                      ok = "bin_size=2147483644, 4byte allign=OK\n";
    struct Case {
        std::string command; // with $m for the tool
        int status;
        std::string out; // or a line of it, for a whole run
        std::string err;
        const std::string *converted; // what out.h then holds, or nullptr: "old"
    };
    const Case cases[] = {
        {"truncate -s 2147483645 in.bin; ulimit -t 1; exec \"$m\" in.bin out.h", 255, names,
         "morvash: in.bin" + big, nullptr},
        {"exec \"$m\" /dev/zero /dev/null", 255, NameLines("/dev/zero", "/dev/null"),
         "morvash: /dev/zero" + big, nullptr},
        {"ulimit -f 64; exec \"$m\" /dev/zero out.h", 255, NameLines("/dev/zero", "out.h"),
         "fail to write header file\n: File too large\nmorvash: out.h: File too large\n",
         nullptr}, // promptly: the first failure
        {"head -c 2147483644 /dev/zero | \"$m\" /dev/stdin /dev/null", 0, ok, "", nullptr},
        {"truncate -s 2147483644 in.bin; exec \"$m\" in.bin /dev/null", 0, ok, "", nullptr},
        {"cp data.bin in.bin;" + fault + "read:2:size300000 exec \"$m\" in.bin out.h", 255,
         names + "bin_size=1000000,, read_bytes=300000\n",
         cut + "No data available\nmorvash: in.bin: No data available\n", nullptr},
        {"head -c 5 data.bin > in.bin;" + fault + "read:1+:5 exec \"$m\" in.bin out.h", 255,
         names + "bin_size=5,, read_bytes=0\n", cut + eio + "morvash: in.bin: " + eio, nullptr},
        {"head -c 300000 data.bin > in.bin;" + fault + "read:2:size600000 exec \"$m\" in.bin out.h",
         0, ReferenceReport("in.bin", "out.h", first), "", &first},
        {"head -c 5 data.bin |" + fault + "read:1:5 \"$m\" /dev/stdin out.h", 255,
         NameLines("/dev/stdin", "out.h"), cut + eio + "morvash: /dev/stdin: " + eio, nullptr}};
    for (const auto &[command, status, out, err, converted] : cases) {
        SCOPED_TRACE(command);
        WriteFile(dir / "out.h", "old");
        RunResult run = RunShell(
            "m='" MORVASH_PRELOADABLE "'; export ASAN_OPTIONS=verify_asan_link_order=0; " + command,
            dir.path);
        EXPECT_EQ(run.status, status);
        EXPECT_TRUE(run.out == out || (status == 0 && run.out.find(out) != std::string::npos));
        EXPECT_EQ(run.err, err);
        EXPECT_TRUE(ReadFile(dir / "out.h") == (converted ? ReferenceHeader(*converted) : "old"));
        fs::remove(dir / "in.bin");
    }
}

} // namespace
