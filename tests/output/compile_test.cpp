// The generated header compiles as strict C99 and holds the input's bytes,
// and for morvash its size and sum.
#include <gtest/gtest.h>

#include "tool.h"

namespace {

using CompiledHeader = ToolTest;

// Compiles main.c, which includes data.h, as strict C99, and runs it.
RunResult CompileAndRun(const fs::path &dir, const std::string &source) {
    WriteFile(dir / "main.c", source);
    RunResult compiled = RunProgram({TEST_C_COMPILER, "-std=c99", "-Wall", "-Wextra", "-pedantic",
                                     "-Werror", "-o", "main", "main.c"},
                                    dir);
    return compiled.status != 0 ? compiled : RunProgram({(dir / "main").string()}, dir);
}

TEST_P(CompiledHeader, HoldsTheInputs) {
    const size_t sizes[] = {256, 100 * 1024 + 3, 0, 150 * 1024 + 1, 17, 2, 64 * 1024};
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
    RunResult run = CompileAndRun(
        dir.path, IsPacker()
                      ? "typedef unsigned char UINT8;\n#include \"data.h\"\n#include <stdio.h>\n"
                        "int main(void) { fwrite(gImgCode, 1, sizeof gImgCode, stdout); "
                        "return 0; }\n"
                      : "#include \"data.h\"\n#include <stdio.h>\nint main(void) {\n"
                        "    printf(\"%u %zu\\n\", fw_sum, sizeof fw);\n"
                        "    fwrite(fw, 1, (size_t)fw_size, stdout);\n    return 0;\n}\n");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string sumAndSize = std::to_string(converter::ReferenceSum(all)) + " " +
                             std::to_string((all.size() + 3) / 4 * 4) + "\n";
    EXPECT_TRUE(run.out == (IsPacker() ? all : sumAndSize + all)) << run.out.size();
}

INSTANTIATE_TEST_SUITE_P(BothTools, CompiledHeader, BothTools(), ToolName);

} // namespace
