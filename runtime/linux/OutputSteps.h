// The steps that the planner (OutputFile.cpp) hands to each plan's own
// code on Linux. Each returns 0 or an errno value; none decides the plan.
#ifndef RUNTIME_LINUX_OUTPUT_STEPS_H
#define RUNTIME_LINUX_OUTPUT_STEPS_H

#include <string>
#include <sys/stat.h>

#include "OutputFile.h"

// How setting up an atomic replacement went: ready, refused for a reason of
// design (a folder or file that a new file can't stand in for), or failed
// in a way that must not be risked on the output.
enum class Setup { Ready, InPlace, Failed };

// Atomic: target is the file the path leads to, existing when old is given.
// Failed sets err.
Setup SetUpAtomic(OutputFile &out, const std::string &target, const struct stat *old, int &err);
int CheckAtomicTarget(OutputFile &out);
int CommitAtomic(OutputFile &out);
void DropAtomic(OutputFile &out);

// InPlace and Console: the text is held until the output is opened. A
// failure to hold it is kept in out.err.
void BeginHolding(OutputFile &out, OutputPlan plan);
int OpenInPlace(OutputFile &out);
int CommitHeld(OutputFile &out);
void DropHeld(OutputFile &out);

#endif
