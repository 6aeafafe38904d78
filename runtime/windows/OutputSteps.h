// The steps that the planner (OutputFile.cpp) hands to atomic replacement
// on Windows. Each returns 0 or an errno value.
#ifndef RUNTIME_WINDOWS_OUTPUT_STEPS_H
#define RUNTIME_WINDOWS_OUTPUT_STEPS_H

#include "OutputFile.h"

// A temporary file beside the output that vanishes with its last handle.
int SetUpAtomic(OutputFile &out);

// What fopen("w") would refuse is refused.
int CheckAtomicTarget(OutputFile &out);

// The text takes the output's name, or goes into it where another program
// holds it open.
int CommitAtomic(OutputFile &out);

#endif
