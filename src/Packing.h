// Gathers the input files and writes them out as the gImgCode header.
#ifndef PACKING_H
#define PACKING_H

#include <cstddef>

#include "Blocks.h"
#include "HexLines.h"
#include "Type.h"

// The block that every input is read in, one after another: the header is
// written as the blocks pass, so no input size is too large.
#define DATA_MAX_SIZE READ_BLOCK_BYTES

extern UINT8 gDataBuf[DATA_MAX_SIZE];

// The header's first two lines, by which a header of Trelvic's is known.
inline constexpr char kHeaderStart[] = "UINT8 gImgCode[]=" LINE_END_CRLF "{" LINE_END_CRLF;

// Reads every input, writes the header and prints the report. Returns true
// when the verdict is success. Ends the process with status 1 when a file
// can't be opened or read. openName, where given, holds the path that opens
// each input (nullptr: a pattern that matched no file); otherwise each is
// opened by its name.
bool MakeHeaderFile(const char *const inFileName[], const char *outFileName, size_t numFiles,
                    const char *const openName[] = nullptr);

// Length of a text, counting at most three characters.
UINT8 GetDigitCnt(const char *pBuf);

// Stores the XOR of byteLen bytes right after them and returns the address
// past that stored byte. The caller provides byteLen + 1 bytes.
UINT8 *GetParity(UINT8 *pDataBuff, UINT32 byteLen);

#endif
