/* A C file that reaches the exported data. */
#include "once_export.h"

int c_user(void) {
    return once_export[0];
}
