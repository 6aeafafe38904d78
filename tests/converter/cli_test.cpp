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

// The largest input is converted; one byte more is refused at once (a
// second of CPU time would not read it) where the size is known, and as
// soon as it is passed where it is not.
TEST_F(ConverterCli, TheSizeLimitHoldsToTheByte) {
    WriteFile(dir / "huge.bin", "");
    fs::resize_file(dir / "huge.bin", uintmax_t{2147483645});
    RunResult run = RunShell("ulimit -t 1; exec " + kMorvash + " huge.bin out.h", dir.path);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, NameLines("huge.bin", "out.h"));
    EXPECT_EQ(run.err, "morvash: huge.bin: input is too large (the limit is 2147483644 bytes)\n");
    EXPECT_FALSE(fs::exists(dir / "out.h"));

    run = Convert({"/dev/zero", "/dev/null"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "morvash: /dev/zero: input is too large (the limit is 2147483644 bytes)\n");
    run =
        RunShell("head -c 2147483644 /dev/zero | " + kMorvash + " /dev/stdin /dev/null", dir.path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("bin_size=2147483644, 4byte allign=OK\n"), std::string::npos);
}

} // namespace
