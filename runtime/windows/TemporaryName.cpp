#define _CRT_RAND_S
#include "TemporaryName.h"

#include <cstdlib>

void TemporaryRandom(unsigned char (&random)[6]) {
    for (unsigned char &c : random) {
        unsigned int value = 0;
        rand_s(&value);
        c = static_cast<unsigned char>(value);
    }
}
