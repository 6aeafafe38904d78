/* A library that wants the program's headers too. */
#include "fw.h"
#include "logo_ul.h"

unsigned long PART(void) {
    return sizeof fw + logo_size_ul;
}
