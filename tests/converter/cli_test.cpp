// The converter run as a user runs it: header bytes, console text, exit status.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "expected.h"
#include "files.h"
#include "info_requests.h"
#include "process.h"

namespace {

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

TEST_F(ConverterCli, TooFewArgumentsPrintUsage) {
    for (const auto &args : {std::vector<std::string>{}, std::vector<std::string>{"in.bin"}}) {
        RunResult run = Convert(args);
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.out, "usage:\n\tmorvash input(binary files) output(C Header file)\n");
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(ListFolder(dir.path), "");
}

TEST_F(ConverterCli, HelpAndVersionAloneAnswerAndOtherwiseNameFiles) {
    ExpectInfoRequestsAnswered([this](const auto &args) { return Convert(args); },
                               "Usage: morvash INPUT OUTPUT [ARRAY_NAME]\n", "morvash 1.0.0\n");
    EXPECT_EQ(ListFolder(dir.path), "");

    WriteFile(dir / "in.bin", "abcd");
    EXPECT_EQ(Convert({"in.bin", "--help"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "--help"), ReferenceHeader("abcd"));
}

TEST_F(ConverterCli, FiveBytesArePaddedToTwoWords) {
    ExpectConverted("\1\2\3\4\5");
    EXPECT_EQ(ReadFile(dir / "out.h"), "static const unsigned char gImgCode[] = \n"
                                       "{\n"
                                       "\t0x01, 0x02, 0x03, 0x04, 0x05, 0x00, 0x00, 0x00, \n"
                                       "};\n"
                                       "static const int gImgCode_size = 5;\n"
                                       "static const unsigned int gImgCode_sum = 0x04030206;\n"
                                       "\n");
    EXPECT_NE(ReadFile(dir / "out.h").find("gImgCode_sum = 0x04030206"), std::string::npos);
}

TEST_F(ConverterCli, ThirdArgumentNamesTheArrayAndConstants) {
    ExpectConverted("abcd", {"fw"}, "fw");
    ExpectConverted("abcd", {"ns_fw", "ignored"}, "ns_fw");
}

TEST_F(ConverterCli, SizesAroundLineAndWordBoundaries) {
    for (size_t size : {0u, 1u, 3u, 4u, 13u, 14u, 15u, 16u, 17u, 32u, 100u, 65535u, 65536u, 65537u})
        ExpectConverted(RandomBytes(size, static_cast<unsigned>(size)));
    ExpectConverted("");
    EXPECT_EQ(ReadFile(dir / "out.h"), "static const unsigned char gImgCode[] = \n{\n\n};\n"
                                       "static const int gImgCode_size = 0;\n"
                                       "static const unsigned int gImgCode_sum = 0x00000000;\n\n");
}

// Sizes on either side of the write block (64 KiB), the size from which the
// input is mapped (1 MiB), and a page's end, where mapped padding lies.
TEST_F(ConverterCli, SizesAroundInternalBoundariesComeOutWhole) {
    const size_t kib = 1024;
    std::string data = RandomBytes(2 * 1024 * kib + 4097, 5);
    for (size_t boundary : {64 * kib, 128 * kib, 1024 * kib, 2 * 1024 * kib + 4096}) {
        for (size_t size : {boundary - 1, boundary, boundary + 1, boundary + 17})
            ExpectConverted(data.substr(0, size));
    }
}

TEST_F(ConverterCli, SamePathForInputAndOutputReplacesTheFile) {
    WriteFile(dir / "fw", "data");
    RunResult run = Convert({"fw", "fw"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(dir / "fw"), ReferenceHeader("data"));
}

TEST_F(ConverterCli, InputsWithoutASeekableLengthAreReadToTheEnd) {
    std::string data = RandomBytes(300 * 1024 + 3, 21);
    WriteFile(dir / "data", data);
    RunResult run = RunShell("cat data | " + kMorvash + " /dev/stdin out.h", dir.path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ReferenceReport("/dev/stdin", "out.h", data));
    EXPECT_EQ(ReadFile(dir / "out.h"), ReferenceHeader(data));

    run =
        RunShell("mkfifo fifo && (cat data > fifo &) && exec " + kMorvash + " fifo f.h", dir.path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "f.h"), ReferenceHeader(data));
}

// Failures before the output is opened leave an existing output as it was.
TEST_F(ConverterCli, FailuresBeforeWritingKeepTheOldOutput) {
    WriteFile(dir / "out.h", "old");
    RunResult run = Convert({"missing.bin", "out.h"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, NameLines("missing.bin", "out.h"));
    EXPECT_EQ(run.err, "fail to input file\n: No such file or directory\n");

    fs::create_directory(dir / "sub");
    run = Convert({"sub", "out.h"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, NameLines("sub", "out.h"));
    EXPECT_EQ(run.err, "fail to read binary file\n: Is a directory\n");

    WriteFile(dir / "in.bin", "abcd");
    run = Convert({"in.bin", "out.h", ""});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, NameLines("in.bin", "out.h"));
    EXPECT_EQ(run.err, "morvash: the array name must not be empty\n");

    EXPECT_EQ(ReadFile(dir / "out.h"), "old");
    EXPECT_FALSE(fs::exists(dir / "sub.h"));
}

TEST_F(ConverterCli, OversizedInputIsRefusedAtOnce) {
    fs::path sparse = dir / "huge.bin";
    WriteFile(sparse, "");
    fs::resize_file(sparse, uintmax_t{2} << 30);
    auto start = std::chrono::steady_clock::now();
    RunResult run = Convert({"huge.bin", "out.h"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, NameLines("huge.bin", "out.h"));
    EXPECT_EQ(run.err, "morvash: huge.bin: input is too large (the limit is 2147483644 bytes)\n");
    EXPECT_FALSE(fs::exists(dir / "out.h"));
}

TEST_F(ConverterCli, WriteFailuresAreReported) {
    WriteFile(dir / "in.bin", "abcd");
    RunResult run = Convert({"in.bin", "no/such/dir.h"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, NameLines("in.bin", "no/such/dir.h"));
    EXPECT_EQ(run.err, "fail to output file\n: No such file or directory\n");

    run = Convert({"in.bin", "/dev/full"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, ReferenceReport("in.bin", "/dev/full", "abcd"));
    EXPECT_EQ(run.err, "fail to write header file\n: No space left on device\n");

    WriteFile(dir / "big.bin", RandomBytes(256 * 1024, 8));
    run = RunShell("ulimit -f 64; exec " + kMorvash + " big.bin big.h", dir.path);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "fail to write header file\n: File too large\n");

    run = RunShell(kMorvash + " in.bin out.h > /dev/full", dir.path);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "morvash: standard output: No space left on device\n");
}

} // namespace
