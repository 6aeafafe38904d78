// The converter's word sum, for its tests and fuzzer.
#ifndef MORVASH_H
#define MORVASH_H

// The sum of length bytes taken as little-endian 32-bit words, modulo 2^32;
// -1, with a report, when length is not a multiple of 4.
int calculate_sum(const unsigned char *buffer, int length);

#endif
