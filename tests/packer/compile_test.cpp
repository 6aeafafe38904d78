// The generated header compiles as strict C99 and holds the inputs' bytes.
#include <gtest/gtest.h>

#include "c_program.h"
#include "files.h"
#include "process.h"
#include "trelvic.h"

TEST(PackerHeader, CompilesAndHoldsTheJoinedInputs) {
    TempDir dir;
    std::vector<std::string> argv;
    std::string all;
    const size_t sizes[] = {256, 100 * 1024 + 3, 0, 150 * 1024 + 1, 17, 64 * 1024};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        std::string data = i == 0 ? AllByteValues() : RandomBytes(sizes[i], 100 + unsigned(i));
        std::string name = "in" + std::to_string(i) + ".bin";
        WriteFile(dir / name, data);
        argv.push_back(name);
        all += data;
    }
    argv.push_back("image.h");
    ASSERT_EQ(RunTrelvic(argv, dir.path).status, 0);

    RunResult run = CompileAndRunC(dir.path, "typedef unsigned char UINT8;\n"
                                             "#include \"image.h\"\n"
                                             "#include <stdio.h>\n"
                                             "int main(void)\n"
                                             "{\n"
                                             "    fwrite(gImgCode, 1, sizeof gImgCode, stdout);\n"
                                             "    return 0;\n"
                                             "}\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.size(), all.size());
    EXPECT_TRUE(run.out == all);
}
