#include "FailureReason.h"

#include <cstring>

#include "WideNames.h"

// A file's name that older Windows take for a device fails unlike a file;
// a name typed in the device namespace (\\.\COM1) meant one.
std::string FailureReason(const std::string &path, int err) {
    std::string reason = std::strerror(err);
    if (path.rfind("\\\\.\\", 0) == 0 || !IsDevicePath(path))
        return reason;
    return "the system takes this name for the device " + SystemPathUtf8(path) + ": " + reason;
}
