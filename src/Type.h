// Fixed-width integer aliases used throughout the packer.
#ifndef TYPE_H
#define TYPE_H

#include <cstdint>

typedef uint8_t UINT8;
typedef uint32_t UINT32;
typedef int32_t INT32;

#endif
