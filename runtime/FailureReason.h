// Why a named file could not be used, in words for a message.
#ifndef RUNTIME_FAILURE_REASON_H
#define RUNTIME_FAILURE_REASON_H

#include <string>

// The system's reason for err; on Windows, where the system took the name
// for a device (con.h, aux.bin, COM1.txt), which device it took.
std::string FailureReason(const std::string &path, int err);

#endif
