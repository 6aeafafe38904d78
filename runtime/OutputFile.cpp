#include "OutputFile.h"

#include <cstring>

#include "Blocks.h"
#include "Descriptor.h"
#include "FailureReason.h"

int WriteOutput(OutputFile &out, const char *text, size_t len) {
    if (out.err != 0)
        return out.err;
    if (out.plan == OutputPlan::Discard) {
        out.written += len;
        return 0;
    }
    Transfer done = WriteFull(out.text, text, len);
    out.written += done.count;
    out.err = done.err;
    out.unheld = done.err != 0 && out.plan != OutputPlan::Atomic; // the text's own file, held
    return out.err;
}

int WriteHexLines(OutputFile &out, HexLines &lines, const uint8_t *data, size_t count) {
    static char text[HexTextCapacity(FORMAT_BLOCK_BYTES, LINE_END_CRLF)]; // the longer end
    for (size_t i = 0; i < count && out.err == 0; i += FORMAT_BLOCK_BYTES) {
        size_t n = count - i < FORMAT_BLOCK_BYTES ? count - i : FORMAT_BLOCK_BYTES;
        WriteOutput(out, text, FormatHexLines(lines, data + i, n, text));
    }
    return out.err;
}

bool OutputFailed(const OutputFile &out) {
    return out.err != 0;
}

bool OutputTextFailed(const OutputFile &out) {
    return out.err != 0 && out.plan != OutputPlan::Failed;
}

bool OutputContended(OutputFile &out) {
    bool contended = out.held.contended;
    out.held.contended = false;
    return contended;
}

uint64_t OutputWritten(const OutputFile &out) {
    return out.written;
}

uint64_t OutputAccepted(const OutputFile &out) {
    return out.accepted;
}

std::string OutputFailureReason(const OutputFile &out, int err) {
    if (out.unheld)
        return "cannot hold its text in " + out.held.folder + ": " + std::strerror(err);
    return FailureReason(out.path, err);
}

bool OutputTextUnheld(const OutputFile &out) {
    return out.unheld;
}
