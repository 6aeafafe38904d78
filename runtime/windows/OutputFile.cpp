// How an output is written on Windows, decided in this one place: what the
// system takes for a device (NUL, CON, COM1, ...) is written directly, as
// fopen would; anything else is replaced atomically (AtomicOutput.cpp).
#include "OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>

#include "Descriptor.h"
#include "OutputSteps.h"
#include "WideNames.h"

namespace {

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
    bool device = IsDevicePath(out.path);
    out.err = device ? OpenDevice(out) : SetUpAtomic(out);
    if (out.err != 0)
        out.plan = OutputPlan::Failed;
    else
        out.plan = device || out.atomic.linked ? OutputPlan::InPlace : OutputPlan::Atomic;
}

int OpenFinalOutput(OutputFile &out) {
    if (out.plan == OutputPlan::Failed)
        return out.err != 0 ? out.err : EIO;
    return out.atomic.target.empty() ? 0 : CheckAtomicTarget(out); // a device has none
}

int CommitOutput(OutputFile &out) {
    int err = out.err;
    if (err == 0 && !out.atomic.target.empty())
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
