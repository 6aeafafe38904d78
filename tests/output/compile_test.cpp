// The generated header compiles as strict C99 and holds the input's bytes,
// and for morvash its size and sum.

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
}

INSTANTIATE_TEST_SUITE_P(BothTools, CompiledHeader, BothTools(), ToolName);

} // namespace
