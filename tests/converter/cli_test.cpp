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
                         const std::string &name = "gImgCode") {
        WriteFile(dir / "in.bin", data);
        std::vector<std::string> args{"in.bin", "out.h"};
        args.insert(args.end(), extra.begin(), extra.end());
        RunResult run = Convert(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, ReferenceReport("in.bin", "out.h", data));
        EXPECT_EQ(run.err, "");
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
    const std::string fault = " LD_PRELOAD=" FAULT_LIBRARY " FAULT=",
                      limit = "morvash: %s: input is too large (the limit is 2147483644 bytes)\n";
    const std::string shortOf = "fail to read binary file\n: ";
    auto tooLarge = [&](const char *name) {
        char text[128];
        std::snprintf(text, sizeof text, limit.c_str(), name);
        return std::string(text);
    };
    struct Case {
        std::string command; // with $m for the tool, onto out.h unless it says
        int status;
        std::string out, err; // out: all of it, or a line of it for a whole run
        const std::string *converted = nullptr;
    };
    const Case cases[] = {
        {"truncate -s 2147483645 in.bin; ulimit -t 1; exec $m in.bin out.h", 255,
         NameLines("in.bin", "out.h"), tooLarge("in.bin")},
        {"exec $m /dev/zero /dev/null", 255, NameLines("/dev/zero", "/dev/null"),
         tooLarge("/dev/zero")},
        {"head -c 2147483644 /dev/zero | $m /dev/stdin /dev/null", 0,
         "bin_size=2147483644, 4byte allign=OK\n", ""},
        {"truncate -s 2147483644 in.bin; exec $m in.bin /dev/null", 0,
         "bin_size=2147483644, 4byte allign=OK\n", ""},
        {"cp data.bin in.bin;" + fault + "read:1:size300000 exec $m in.bin out.h", 255,
         NameLines("in.bin", "out.h") + "bin_size=1000000,, read_bytes=300000\n",
         shortOf + "No data available\n"},
        {"head -c 5 data.bin > in.bin;" + fault + "read:1+:5 exec $m in.bin out.h", 255,
         NameLines("in.bin", "out.h") + "bin_size=5,, read_bytes=0\n",
         shortOf + "Input/output error\n"},
        {"head -c 300000 data.bin > in.bin;" + fault + "read:1:size600000 exec $m in.bin out.h", 0,
         ReferenceReport("in.bin", "out.h", first), "", &first},
        {"head -c 5 data.bin |" + fault + "read:1:5 $m /dev/stdin out.h", 255,
         NameLines("/dev/stdin", "out.h"), shortOf + "Input/output error\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        WriteFile(dir / "out.h", "old");
        RunResult run = RunShell("m=" + kMorvash +
                                     "; export ASAN_OPTIONS=verify_asan_link_order=0; " + c.command,
                                 dir.path);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.out == c.out || (c.status == 0 && run.out.find(c.out) != std::string::npos))
            << run.out;
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(ReadFile(dir / "out.h") ==
                    (c.converted != nullptr ? ReferenceHeader(*c.converted) : "old"));
        fs::remove(dir / "in.bin");
    }
}

} // namespace
