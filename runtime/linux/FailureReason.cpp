#include "FailureReason.h"

#include <cstring>

std::string FailureReason(const std::string &, int err) {
    return std::strerror(err);
}
