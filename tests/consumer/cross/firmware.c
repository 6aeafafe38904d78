/* The embedded data, in read-only memory, placed and aligned. */
#define UINT8 __attribute__((section(".imgsec"), aligned(64))) const unsigned char
#include "fw_placed.h"
#include "image.h"
#include "image_size.h"

typedef char image_size_is_known[gImgCode_size_ul == sizeof gImgCode ? 1 : -1];

const unsigned char *firmware_data(int which) {
    return which == 0 ? fw : gImgCode;
}
