// Compiles a C program with the system compiler under strict C99 and runs it.
#ifndef TEST_C_PROGRAM_H
#define TEST_C_PROGRAM_H

#include <filesystem>
#include <string>

#include "process.h"

// Writes source to dir/check.c, compiles it with -I dir, and runs it in dir.
// The result's status is the compiler's when compiling fails.
RunResult CompileAndRunC(const std::filesystem::path &dir, const std::string &source);

#endif
