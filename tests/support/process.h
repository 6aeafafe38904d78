// Runs a program the way a user would and captures everything it reports.
#ifndef TEST_PROCESS_H
#define TEST_PROCESS_H

#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
    int status; // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments in cwd, standard input from /dev/null.
RunResult RunProgram(const std::vector<std::string> &argv, const std::filesystem::path &cwd);

// Runs a /bin/sh script in cwd, for redirections, pipes and limits.
RunResult RunShell(const std::string &script, const std::filesystem::path &cwd);

// The fault injector by a path that LD_PRELOAD takes, which holds no space.
std::string Preloadable(const std::string &library);

#endif
