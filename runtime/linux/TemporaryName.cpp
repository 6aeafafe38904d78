#include "TemporaryName.h"

#include <ctime>
#include <sys/random.h>
#include <unistd.h>

// The time and pid stand in where the kernel has no random source to give.
void TemporaryRandom(unsigned char (&random)[6]) {
    if (getrandom(random, sizeof random, GRND_NONBLOCK) == sizeof random)
        return;
    static unsigned counter;
    unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u ^
                    static_cast<unsigned>(time(nullptr)) ^ ++counter * 40503u;
    for (unsigned char &c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<unsigned char>(seed >> 16);
    }
}
