// The one rule, on every system, for naming a temporary file beside an
// output: ".program." and six characters nobody can guess, short and fixed
// in length whatever the output's name.
#ifndef RUNTIME_TEMPORARY_NAME_H
#define RUNTIME_TEMPORARY_NAME_H

#include <cstddef>

#define TEMPORARY_NAME_SIZE 64

void MakeTemporaryName(const char *program, char (&name)[TEMPORARY_NAME_SIZE]);

// Such a file in a folder, where a signal handler can reach it: removed by
// any signal that ends the run while it exists.
struct NamedTemporary {
    int folder = -1;
    char name[TEMPORARY_NAME_SIZE] = ""; // "" while there is none
};

// Each system's room: six random bytes, or, where the system has none to
// give, bytes that differ from run to run and from call to call.
void TemporaryRandom(unsigned char (&random)[6]);

#endif
