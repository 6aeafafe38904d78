// Windows has no descriptor-relative calls or unnamed files: every output is
// written to a temporary file beside it and moved over it at the end.
#include "OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "Descriptor.h"

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
    if (out.fd >= 0)
        CloseFd(out.fd);
    out.fd = -1;
    if (!gUnfinished.empty())
        _unlink(gUnfinished.c_str());
    gUnfinished.clear();
}

} // namespace

void BeginOutput(const char *path, const char *prefix, OutputFile &out) {
    out = OutputFile{};
    out.path = path;
    for (int sig : {SIGINT, SIGTERM})
        signal(sig, OnInterrupt);
    size_t slash = out.path.find_last_of("/\\");
    std::string pattern =
        (slash == std::string::npos ? "" : out.path.substr(0, slash + 1)) + "." + prefix + "XXXXXX";
    if (_mktemp_s(pattern.data(), pattern.size() + 1) == 0)
        out.fd = _open(pattern.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                       _S_IREAD | _S_IWRITE);
    if (out.fd < 0) {
        out.err = errno; // reported as the output's failure to open
        return;
    }
    gUnfinished = pattern;
    out.name = pattern;
    out.plan = OutputPlan::Atomic;
}

bool OpenFinalOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Refused) {
        errno = out.err;
        return false;
    }
    return true;
}

bool CommitOutput(OutputFile &out) {
    if (!CloseFd(out.fd) && out.err == 0)
        out.err = errno;
    out.fd = -1;
    if (out.err == 0 && !MoveFileExA(out.name.c_str(), out.path.c_str(), MOVEFILE_REPLACE_EXISTING))
        out.err = EACCES;
    if (out.err == 0) {
        out.accepted = out.written;
        gUnfinished.clear();
    }
    DropTemporary(out);
    errno = out.err;
    return out.err == 0;
}

void AbandonOutput(OutputFile &out) {
    DropTemporary(out);
}
