/* The embedded data, in read-only memory. */
typedef const unsigned char UINT8;
#include "fw.h"
#include "image.h"

const unsigned char *firmware_data(int which) {
    return which == 0 ? fw : gImgCode;
}
