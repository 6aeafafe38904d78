#include "TemporaryName.h"

#include <cstdio>

void MakeTemporaryName(const char *program, char (&name)[TEMPORARY_NAME_SIZE]) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    TemporaryRandom(random);
    int len = std::snprintf(name, sizeof name - 7, ".%.40s.", program);
    for (size_t i = 0; i < sizeof random; ++i)
        name[len + static_cast<int>(i)] = kChars[random[i] % (sizeof kChars - 1)];
    name[len + 6] = '\0';
}
