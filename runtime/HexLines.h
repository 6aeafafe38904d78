// The array body both tools write: "0x", two lowercase hex digits, a comma
// and a blank for each byte, sixteen to a line, each line opened by a tab and
// closed by the line end. Bytes arrive in blocks of any size; the text
// carries on across blocks as if they were one.
#ifndef RUNTIME_HEX_LINES_H
#define RUNTIME_HEX_LINES_H

#include <cstddef>
#include <cstdint>
#include <string>

// Line ends: the packer's header has CR LF on every platform, the converter's LF.
#define LINE_END_CRLF "\r\n"
#define LINE_END_LF "\n"

#define HEX_LINE_BYTES 16
#define HEX_ELEMENT_TEXT 6 // "0xhh, "

struct HexLines {
    const char *lineEnd; // LINE_END_CRLF or LINE_END_LF
    size_t column = 0;   // bytes already on the current line
    bool vector = true;  // whole lines with SSSE3 where the CPU has it
};

// Room that FormatHexLines needs for count bytes: whole lines, the last one
// partial, and the few bytes that it may store past the end of the text.
constexpr size_t HexTextCapacity(size_t count, const char *lineEnd) {
    const size_t lineText =
        1 + HEX_LINE_BYTES * HEX_ELEMENT_TEXT + std::char_traits<char>::length(lineEnd);
    return (count / HEX_LINE_BYTES + 2) * lineText + 8;
}

// Appends the text of count more bytes to out. A line is ended after its
// sixteenth byte; a last partial line is left open. Returns the text length.
size_t FormatHexLines(HexLines &lines, const uint8_t *data, size_t count, char *out);

// How many hex digits lie in the first textLen characters of a body that
// starts at a line's beginning.
size_t HexDigitsIn(size_t textLen, const char *lineEnd);

#endif
