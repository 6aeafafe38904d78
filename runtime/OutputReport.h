// What the tools say of their output beyond their own messages. It sits
// above both the output layer and the console, which know nothing of each
// other.
#ifndef RUNTIME_OUTPUT_REPORT_H
#define RUNTIME_OUTPUT_REPORT_H

#include "OutputFile.h"

// Says on standard error, once each, what the output layer handed back: a
// temporary file that it could not remove, and another program that is
// writing the output, which the commit waits for. Call after each step.
void ReportOutputNotes(OutputFile &out);

#endif
