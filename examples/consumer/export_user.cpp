// A C++ file that reaches the exported data.
#include "once_export.h"

extern "C" int cpp_user() {
    return once_export[1] + static_cast<int>(once_export_size);
}
