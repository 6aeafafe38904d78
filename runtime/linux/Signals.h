// Holding back every catchable signal around a step that must not be cut
// short, and removing a named temporary file when a signal ends the run.
#ifndef RUNTIME_LINUX_SIGNALS_H
#define RUNTIME_LINUX_SIGNALS_H

#include <csignal>

#include "TemporaryName.h"

// Blocks every signal that can be blocked; returns the mask to restore.
sigset_t HoldSignals();

// Restores the mask; a signal that came meanwhile acts now.
void ReleaseSignals(const sigset_t &old);

// From now on, a signal whose default action ends the process first removes
// the file that temp names, if any; nullptr forgets it. temp must outlive
// the registration.
void RemoveOnEndingSignal(const NamedTemporary *temp);

#endif
