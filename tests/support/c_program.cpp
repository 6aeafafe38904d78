#include "c_program.h"

#include "files.h"

RunResult CompileAndRunC(const fs::path &dir, const std::string &source) {
    WriteFile(dir / "check.c", source);
    RunResult compiled =
        RunProgram({TEST_C_COMPILER, "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", "-I",
                    dir.string(), "-o", (dir / "check").string(), (dir / "check.c").string()},
                   dir);
    if (compiled.status != 0)
        return compiled;
    return RunProgram({(dir / "check").string()}, dir);
}
