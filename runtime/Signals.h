// Holding back every catchable signal around a step that must not be cut
// short, and giving the caller's own mask back afterwards.
#ifndef RUNTIME_SIGNALS_H
#define RUNTIME_SIGNALS_H

#include <csignal>

// Blocks every signal that can be blocked; returns the mask to restore.
sigset_t HoldSignals();

// Restores the mask; a signal that came meanwhile acts now.
void ReleaseSignals(const sigset_t &old);

#endif
