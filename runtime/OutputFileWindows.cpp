// Windows has no descriptor-relative calls or unnamed files: a file output
// is written to a temporary file beside it and moved over it at the end. A
// device (NUL, CON, COM1, ...) is written directly, as fopen would.
#include "OutputFile.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "Console.h"
#include "Descriptor.h"
#include "OutputState.h"
#include "Progress.h"

namespace {

// Windows runs its console handlers on a thread of their own.
std::string gUnfinished;

void OnInterrupt(int sig) {
    if (!gUnfinished.empty())
        _unlink(gUnfinished.c_str());
    signal(sig, SIG_DFL);
    raise(sig);
}

void DropTemporary(OutputFile &out) {
    if (out.text >= 0)
        CloseFd(out.text);
    out.text = -1;
    if (!gUnfinished.empty())
        _unlink(gUnfinished.c_str());
    gUnfinished.clear();
}

// The errno that the C runtime would give for a failed call's reason.
int ErrnoFromWindows(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    default:
        return EIO;
    }
}

// A reserved device name: the last part of the path up to its first dot,
// whatever the case, or a path in the device namespace.
bool IsDevice(const std::string &path) {
    if (path.rfind("\\\\.\\", 0) == 0)
        return true;
    size_t slash = path.find_last_of("/\\:");
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char &c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char *const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *name : kNames)
        if (base == name)
            return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

void BeginDevice(OutputFile &out) {
    out.text = _open(out.path.c_str(), _O_WRONLY | _O_BINARY);
    if (out.text < 0) {
        out.err = errno;
        return;
    }
    out.plan = OutputPlan::InPlace;
}

} // namespace

OutputFile &BeginOutput(const char *path) {
    static OutputFile out;
    out = OutputFile{};
    out.path = path;
    if (IsDevice(out.path)) {
        BeginDevice(out);
        return out;
    }
    for (int sig : {SIGINT, SIGTERM})
        signal(sig, OnInterrupt);
    size_t slash = out.path.find_last_of("/\\");
    std::string pattern = (slash == std::string::npos ? "" : out.path.substr(0, slash + 1)) + "." +
                          ProgramName() + ".XXXXXX";
    if (_mktemp_s(pattern.data(), pattern.size() + 1) == 0)
        out.text = _open(pattern.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                         _S_IREAD | _S_IWRITE);
    if (out.text < 0) {
        out.err = errno; // reported as the output's failure to open
        return out;
    }
    gUnfinished = pattern;
    out.name = pattern;
    out.plan = OutputPlan::Atomic;
    return out;
}

bool OpenFinalOutput(OutputFile &out) {
    EndProgress(); // every input is read
    if (out.plan == OutputPlan::Failed) {
        errno = out.err;
        return false;
    }
    return true;
}

bool CommitOutput(OutputFile &out) {
    if (!CloseFd(out.text) && out.err == 0)
        out.err = errno;
    out.text = -1;
    if (out.plan == OutputPlan::Atomic && out.err == 0 &&
        !MoveFileExA(out.name.c_str(), out.path.c_str(), MOVEFILE_REPLACE_EXISTING))
        out.err = ErrnoFromWindows(GetLastError());
    if (out.err == 0) {
        out.accepted = out.written;
        gUnfinished.clear();
    }
    AbandonOutput(out);
    errno = out.err;
    return out.err == 0;
}

void AbandonOutput(OutputFile &out) {
    EndProgress();
    DropTemporary(out);
}
