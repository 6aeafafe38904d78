// The converter: its word sum, and the program itself.
#ifndef MORVASH_H
#define MORVASH_H

// The sum of length bytes taken as little-endian 32-bit words, modulo 2^32;
// -1, with a report, when length is not a multiple of 4.
int calculate_sum(const unsigned char *buffer, int length);

// The whole converter, as main runs it: returns the exit status.
int run_morvash(int argc, char **argv);

#endif
