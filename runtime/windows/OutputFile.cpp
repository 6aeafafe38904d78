// How an output is written on Windows, decided in this one place: a device
// (NUL, CON, COM1, ...) is written directly, as fopen would; anything else
// is replaced atomically (AtomicOutput.cpp).
#include "OutputFile.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <io.h>

#include "Descriptor.h"
#include "OutputSteps.h"
#include "WideNames.h"

namespace {

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

int OpenDevice(OutputFile &out) {
    HANDLE device =
        CreateFileW(SystemPath(out.path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return ErrnoFromWindows(GetLastError());
    out.text = _open_osfhandle(reinterpret_cast<intptr_t>(device), _O_RDWR | _O_BINARY);
    if (out.text >= 0)
        return 0;
    CloseHandle(device);
    return EMFILE;
}

} // namespace

void BeginOutput(OutputFile &out, const char *path, const char *program) {
    out.path = path;
    out.program = program;
    bool device = IsDevice(out.path);
    out.err = device ? OpenDevice(out) : SetUpAtomic(out);
    out.plan = out.err != 0 ? OutputPlan::Failed
               : device     ? OutputPlan::InPlace
                            : OutputPlan::Atomic;
}

int OpenFinalOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Failed)
        return out.err != 0 ? out.err : EIO;
    return out.plan == OutputPlan::Atomic ? CheckAtomicTarget(out) : 0;
}

int CommitOutput(OutputFile &out) {
    int err = out.err;
    if (err == 0 && out.plan == OutputPlan::Atomic)
        err = CommitAtomic(out);
    int closed = out.text >= 0 ? CloseFd(out.text) : 0;
    out.text = -1;
    out.err = err != 0 ? err : closed;
    if (out.err == 0)
        out.accepted = out.written;
    return out.err;
}

void AbandonOutput(OutputFile &out) {
    if (out.text >= 0)
        CloseFd(out.text); // the temporary file goes with it
    out.text = -1;
}
