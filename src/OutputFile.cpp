#include "OutputFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

// The temporary file's path, where a signal handler can reach it.
char gUnfinishedPath[4096];

void ForgetUnfinished() {
    gUnfinishedPath[0] = '\0';
}

void RememberUnfinished(const std::string &path) {
    if (path.size() < sizeof gUnfinishedPath)
        std::memcpy(gUnfinishedPath, path.c_str(), path.size() + 1);
}

void OnInterrupt(int sig) {
    RemoveUnfinishedOutput();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// A signal that the caller set to be ignored (nohup, a background job) stays so.
void CatchUnlessIgnored(int sig) {
    if (std::signal(sig, OnInterrupt) == SIG_IGN)
        std::signal(sig, SIG_IGN);
}

void RemoveOnInterrupt() {
    for (int sig : {SIGINT, SIGTERM})
        CatchUnlessIgnored(sig);
#ifndef _WIN32
    for (int sig : {SIGHUP, SIGQUIT})
        CatchUnlessIgnored(sig);
#endif
}

std::string FolderOf(const std::string &path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string &path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

#ifdef _WIN32

// Windows runs its console handlers on a thread of their own; there is no
// signal mask to hold them with.
void HoldInterrupts(bool) {}

std::string FollowLinks(const char *path) {
    return path;
}

int CreateTemporary(std::string &pattern, const struct stat *) {
    if (_mktemp_s(pattern.data(), pattern.size() + 1) != 0)
        return -1;
    return _open(pattern.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

bool ReplaceFile(const std::string &from, const std::string &to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = EACCES;
    return false;
}

#else

void HoldInterrupts(bool hold) {
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&interrupts, sig);
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &interrupts, nullptr);
}

// The file that a chain of symbolic links ends in, existing or not.
std::string FollowLinks(const char *path) {
    std::string target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        char link[PATH_MAX];
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        ssize_t len = readlink(target.c_str(), link, sizeof link - 1);
        if (len < 0)
            break;
        link[len] = '\0';
        target = link[0] == '/' ? std::string(link) : FolderOf(target) + "/" + link;
    }
    return target;
}

// A new file gets the usual mode of a new file; a replaced one keeps its own.
mode_t ModeFor(const struct stat *existing) {
    if (existing != nullptr)
        return existing->st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int CreateTemporary(std::string &pattern, const struct stat *existing) {
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        return -1;
    if (existing != nullptr && fchown(fd, existing->st_uid, existing->st_gid) != 0) {
        // Only root may give a file away; anyone else keeps it as their own.
    }
    if (fchmod(fd, ModeFor(existing)) != 0) {
        int err = errno;
        close(fd);
        unlink(pattern.c_str());
        errno = err;
        return -1;
    }
    return fd;
}

bool ReplaceFile(const std::string &from, const std::string &to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

#endif

bool OpenDirectly(const char *path, OutputFile &out) {
    out.stream = std::fopen(path, "wb");
    return out.stream != nullptr;
}

bool OpenTemporary(const struct stat *existing, OutputFile &out) {
    std::string pattern = FolderOf(out.finalPath) + "/." + NameOf(out.finalPath) + ".XXXXXX";
    // An interruption between creating the file and remembering its name
    // would leave it behind; it waits until the name is known.
    HoldInterrupts(true);
    int fd = CreateTemporary(pattern, existing);
    if (fd >= 0)
        RememberUnfinished(pattern);
    HoldInterrupts(false);
    if (fd < 0)
        return false;
    out.tempPath = pattern;
    out.stream = fdopen(fd, "wb");
    if (out.stream != nullptr)
        return true;
    int err = errno;
    close(fd);
    RemoveUnfinishedOutput();
    ForgetUnfinished();
    out.tempPath.clear();
    errno = err;
    return false;
}

} // namespace

bool OpenOutputFile(const char *path, OutputFile &out) {
    out.finalPath = FollowLinks(path);
    struct stat st {};
    bool exists = stat(out.finalPath.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return OpenDirectly(path, out);
    RemoveOnInterrupt();
    return OpenTemporary(exists ? &st : nullptr, out);
}

bool CloseOutputFile(OutputFile &out, bool commit) {
    errno = 0;
    bool ok = std::fclose(out.stream) == 0;
    out.stream = nullptr;
    if (out.tempPath.empty())
        return ok;
    ok = ok && (!commit || ReplaceFile(out.tempPath, out.finalPath));
    int err = errno;
    if (!ok || !commit)
        RemoveUnfinishedOutput();
    ForgetUnfinished();
    out.tempPath.clear();
    errno = err;
    return ok;
}

void RemoveUnfinishedOutput() {
    if (gUnfinishedPath[0] != '\0')
        unlink(gUnfinishedPath);
}
