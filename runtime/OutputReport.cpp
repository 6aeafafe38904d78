#include "OutputReport.h"

#include <cstring>

#include "Console.h"

void ReportOutputNotes(OutputFile &out) {
    if (OutputContended(out))
        ReportFileError(out.path.c_str(), "waiting for another program that is writing it");
    if (out.leftover.empty())
        return;
    std::string reason = std::string("could not be removed: ") + std::strerror(out.leftoverErr);
    ReportFileError(out.leftover.c_str(), reason.c_str());
    out.leftover.clear();
}
