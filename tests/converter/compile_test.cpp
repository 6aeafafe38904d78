// The generated header compiles as strict C99 and holds the input, its size and sum.
#include <gtest/gtest.h>

#include <sstream>

#include "c_program.h"
#include "expected.h"
#include "files.h"
#include "process.h"

namespace {

using namespace converter;

void ExpectHeaderHolds(const std::string &data, const std::string &name) {
    TempDir dir;
    WriteFile(dir / "in.bin", data);
    ASSERT_EQ(RunProgram({MORVASH_PATH, "in.bin", "data.h", name}, dir.path).status, 0);

    std::string source = "#include \"data.h\"\n"
                         "#include <stdio.h>\n"
                         "int main(void)\n"
                         "{\n"
                         "    printf(\"%u %zu\\n\", NAME_sum, sizeof NAME);\n"
                         "    fwrite(NAME, 1, (size_t)NAME_size, stdout);\n"
                         "    return 0;\n"
                         "}\n";
    for (size_t at; (at = source.find("NAME")) != std::string::npos;)
        source.replace(at, 4, name);
    RunResult run = CompileAndRunC(dir.path, source);
    ASSERT_EQ(run.status, 0) << run.err;

    std::istringstream report(run.out);
    uint32_t sum = 0;
    size_t arraySize = 0;
    report >> sum >> arraySize;
    EXPECT_EQ(sum, ReferenceSum(data));
    EXPECT_EQ(arraySize, (data.size() + 3) / 4 * 4);
    std::string bytes = run.out.substr(run.out.find('\n') + 1);
    EXPECT_EQ(bytes.size(), data.size());
    EXPECT_TRUE(bytes == data);
}

TEST(ConverterHeader, CompilesAndHoldsTheInput) {
    ExpectHeaderHolds(AllByteValues(), "gImgCode");
    ExpectHeaderHolds(RandomBytes(300 * 1024 + 1, 77), "fw");
    ExpectHeaderHolds("\xff\xff\xff", "padded");
}

} // namespace
