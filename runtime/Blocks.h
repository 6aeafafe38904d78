// The block sizes the tools stream through, in one place: the tests and the
// benchmark cut their inputs around them.
#ifndef RUNTIME_BLOCKS_H
#define RUNTIME_BLOCKS_H

// Input read per call, and held text copied per call.
#define READ_BLOCK_BYTES (256 * 1024)

// Input formatted per write: its text (about 400 KiB) stays in the cache,
// and the system call's cost vanishes next to the copying.
#define FORMAT_BLOCK_BYTES (64 * 1024)

#endif
