// The output layer's own state, and the steps that its files share; the
// tools see only OutputFile.h, whose lifecycle table this follows.
#ifndef RUNTIME_OUTPUT_STATE_H
#define RUNTIME_OUTPUT_STATE_H

#include <cstdint>
#include <string>

#include "OutputFile.h"

enum class OutputPlan { Atomic, InPlace, Console, Discard, Failed };

struct OutputFile {
    std::string path; // as given
    OutputPlan plan = OutputPlan::Failed;
    int text = -1;          // where the text goes until the commit
    int folder = -1;        // Atomic: the folder of the file it replaces
    std::string folderPath; // Atomic: that folder, for messages
    std::string name;       // Atomic: the file's name in that folder
    bool existed = false;   // Atomic: the file existed at the start
    bool unnamed = false;   // Atomic: the text's file has no name yet
    int final = -1;         // InPlace, Console: the output, once opened
    std::string holdFolder; // InPlace, Console: where the text is held
    uint64_t written = 0;   // text bytes taken so far
    uint64_t accepted = 0;  // text bytes that reached the output
    int err = 0;            // the first failure's reason
    bool unheld = false;    // that failure was the holding file's
};

// Why an atomic replacement was not set up: a reason of design to write in
// place, or a failure that must not be risked on the output.
enum class Setup { Ready, InPlace, Failed };

// Atomic: target is the file the path leads to, existing when st is given.
Setup BeginAtomic(OutputFile &out, const std::string &target, const struct stat *st);
bool CheckAtomicTarget(OutputFile &out);
bool CommitAtomic(OutputFile &out);
void DropAtomic(OutputFile &out);

// InPlace and Console: the text is held until the output is opened.
void BeginHolding(OutputFile &out, OutputPlan plan);
bool OpenInPlace(OutputFile &out);
bool CommitHeld(OutputFile &out);
void DropHeld(OutputFile &out);

#endif
