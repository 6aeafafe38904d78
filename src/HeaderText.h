// The text of the gImgCode array's body: "0x", two lowercase hex digits, a
// comma and a blank for each byte, sixteen to a line, each line opened by a
// tab and closed by the line end.
#ifndef HEADER_TEXT_H
#define HEADER_TEXT_H

#include <cstddef>

#include "Platform.h"
#include "Type.h"

#define HEX_LINE_BYTES 16
#define HEX_ELEMENT_TEXT 6
#define HEX_LINE_TEXT (1 + HEX_LINE_BYTES * HEX_ELEMENT_TEXT + LINE_END_LEN)

// Room that FormatHexLines needs for count bytes: it may store a few bytes
// past the end of the text.
size_t HexTextCapacity(size_t count);

// Formats count bytes as lines that start at a line boundary; the last line
// is left open when count is not a multiple of 16. Returns the text length.
size_t FormatHexLines(const UINT8 *data, size_t count, char *out);

// The same text without vector instructions, for CPUs that lack them.
size_t FormatHexLinesPortable(const UINT8 *data, size_t count, char *out);

// How many hex digits lie in the first textLen characters of such text.
size_t HexDigitsIn(size_t textLen);

// The byte as two lowercase hex digits and a NUL.
void ByteToHex(UINT8 val, char *strBuf);

#endif
