// What the tools say of their output beyond their own messages. It sits
// above both the output layer and the console, which know nothing of each
// other.
#ifndef RUNTIME_OUTPUT_REPORT_H
#define RUNTIME_OUTPUT_REPORT_H

#include "OutputFile.h"

// Names on standard error, once, a temporary file that the output layer
// could not remove, with the reason.
void ReportLeftover(OutputFile &out);

#endif
