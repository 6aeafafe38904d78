// The generated header compiles as strict C99 and holds the input's bytes,
// and for morvash its size and sum; from C++, one file shares it with others.

#include "Blocks.h"
#include "tool.h"

namespace {

using CompiledHeader = ToolTest;

TEST_P(CompiledHeader, HoldsTheInputs) {
    const size_t sizes[] = {256, 100 * 1024 + 3, 0, 150 * 1024 + 1, 17, 2, FORMAT_BLOCK_BYTES};
    std::vector<std::string> args;
    std::string all;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        args.push_back("in" + std::to_string(i) + ".bin");
        WriteFile(dir / args.back(),
                  i == 0 ? AllByteValues() : RandomBytes(sizes[i], 100u + unsigned(i)));
        all += ReadFile(dir / args.back());
    }
    if (!IsPacker()) { // one input, padded
        WriteFile(dir / "all.bin", all);
        args = {"all.bin", "fw"};
    }
    args.insert(args.end() - !IsPacker(), "data.h");
    ASSERT_EQ(Run(args).status, 0);
    WriteFile(dir / "main.c",
              IsPacker()
                  ? "typedef unsigned char UINT8;\n#include \"data.h\"\n#include <stdio.h>\n"
                    "int main(void) { fwrite(gImgCode, 1, sizeof gImgCode, stdout); "
                    "return 0; }\n"
                  : "#include \"data.h\"\n#include <stdio.h>\nint main(void) { printf(\"%u "
                    "%zu\\n\", fw_sum, sizeof fw); fwrite(fw, 1, (size_t)fw_size, stdout); }\n");
    RunResult run =
        Sh(TEST_C_COMPILER " -std=c99 -Wall -Wextra -pedantic -Werror -o main main.c && ./main");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string sumAndSize = std::to_string(converter::ReferenceSum(all)) + " " +
                             std::to_string((all.size() + 3) / 4 * 4) + "\n";
    EXPECT_TRUE(run.out == (IsPacker() ? all : sumAndSize + all)) << run.out.size();

    // In C++, as the integration guide says: one file includes the header and
    // exports the data (extern before const), another uses it.
    WriteFile(dir / "data.cpp",
              IsPacker()
                  ? "typedef const unsigned char UINT8;\nextern const unsigned char gImgCode[];\n"
                    "extern const unsigned long gImgCode_size;\n#include \"data.h\"\n"
                    "const unsigned long gImgCode_size = sizeof gImgCode;\n"
                  : "#include \"data.h\"\nextern const unsigned char *const fw_data;\n"
                    "extern const unsigned long fw_bytes;\nconst unsigned char *const "
                    "fw_data = fw;\nconst unsigned long fw_bytes = sizeof fw;\n");
    WriteFile(dir / "use.cpp", std::string("#include <cstdio>\nextern const unsigned char ") +
                                   (IsPacker() ? "gImgCode[];\nextern const unsigned long "
                                                 "gImgCode_size;\n#define data gImgCode\n"
                                                 "#define size gImgCode_size\n"
                                               : "*const fw_data;\nextern const unsigned long "
                                                 "fw_bytes;\n#define data fw_data\n"
                                                 "#define size fw_bytes\n") +
                                   "int main() { std::fwrite(data, 1, size, stdout); }\n");
    run = Sh(TEST_CXX_COMPILER " -std=c++17 -Wall -Wextra -pedantic -Werror -o use data.cpp "
                               "use.cpp && ./use");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out == (IsPacker() ? all : converter::PadToWords(all))) << run.out.size();
}

INSTANTIATE_TEST_SUITE_P(BothTools, CompiledHeader, BothTools(), ToolName);

} // namespace
