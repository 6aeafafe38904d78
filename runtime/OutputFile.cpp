#include "OutputFile.h"

#include <cerrno>
#include <cstring>

#include "Blocks.h"
#include "Descriptor.h"
#include "OutputState.h"

bool WriteOutput(OutputFile &out, const char *text, size_t len) {
    if (out.err != 0)
        return false;
    if (out.plan != OutputPlan::Discard) {
        size_t done = WriteFull(out.text, text, len);
        out.written += done;
        if (done != len) {
            out.err = errno;
            out.unheld = out.plan != OutputPlan::Atomic; // the text's own file, in $TMPDIR
            return false;
        }
        return true;
    }
    out.written += len;
    return true;
}

bool WriteHexLines(OutputFile &out, HexLines &lines, const uint8_t *data, size_t count) {
    static char text[HexTextCapacity(FORMAT_BLOCK_BYTES, LINE_END_CRLF)]; // the longer end
    for (size_t i = 0; i < count; i += FORMAT_BLOCK_BYTES) {
        size_t n = count - i < FORMAT_BLOCK_BYTES ? count - i : FORMAT_BLOCK_BYTES;
        if (!WriteOutput(out, text, FormatHexLines(lines, data + i, n, text)))
            return false;
    }
    return true;
}

bool OutputFailed(const OutputFile &out) {
    return out.err != 0;
}

uint64_t OutputWritten(const OutputFile &out) {
    return out.written;
}

uint64_t OutputAccepted(const OutputFile &out) {
    return out.accepted;
}

std::string OutputFailureReason(const OutputFile &out, int err) {
    std::string reason = std::strerror(err);
    if (out.unheld)
        return "cannot hold its text in " + out.holdFolder + ": " + reason;
    return reason;
}

bool OutputTextUnheld(const OutputFile &out) {
    return out.unheld;
}
