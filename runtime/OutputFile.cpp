#include "OutputFile.h"

#include <cerrno>
#include <cstring>

#include "Descriptor.h"

bool WriteOutput(OutputFile &out, const char *text, size_t len) {
    if (out.err != 0)
        return false;
    if (out.plan != OutputPlan::Discard) {
        size_t done = WriteFull(out.fd, text, len);
        out.written += done;
        if (done != len) {
            out.err = errno;
            return false;
        }
        return true;
    }
    out.written += len;
    return true;
}

std::string OutputFailureReason(const OutputFile &out, int err) {
    std::string reason = std::strerror(err);
    if (out.holdFailed)
        return "cannot hold its text in " + out.holdFolder + ": " + reason;
    return reason;
}
