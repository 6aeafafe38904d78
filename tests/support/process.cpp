#include "process.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "files.h"

namespace {

[[noreturn]] void RunChild(const std::vector<std::string> &argv, const fs::path &cwd,
                           const fs::path &outPath, const fs::path &errPath) {
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0)
        _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    close_range(3, ~0u, 0); // whatever the test runner itself inherited
    std::vector<char *> args;
    for (const auto &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    dprintf(2, "exec %s: %s\n", args[0], strerror(errno));
    _exit(127);
}

} // namespace

RunResult RunProgram(const std::vector<std::string> &argv, const fs::path &cwd) {
    TempDir capture; // kept apart from cwd so that it never shows in the folder under test
    fs::path outPath = capture / "stdout", errPath = capture / "stderr";
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0)
        RunChild(argv, cwd, outPath, errPath);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return RunResult{status, ReadFile(outPath), ReadFile(errPath)};
}

RunResult RunShell(const std::string &script, const fs::path &cwd) {
    return RunProgram({"/bin/sh", "-c", script}, cwd);
}

std::string Preloadable(const std::string &library) {
    static const TempDir links; // for the whole run
    static const bool linked = (fs::create_symlink(library, links / "inject.so"), true);
    return linked && library.find(' ') != std::string::npos ? (links / "inject.so").string()
                                                            : library;
}
