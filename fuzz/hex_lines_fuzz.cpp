// Fuzzes the shared formatter: the input, cut into blocks of a size taken
// from its first byte, must format to text that parses back to it, keeps
// its line layout, counts its digits right at any cut, and is the same with
// and without vector instructions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "HexLines.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    Check(c >= 'a' && c <= 'f'); // lowercase only
    return c - 'a' + 10;
}

// Reads the text back, checking every character of the layout on the way.
std::vector<uint8_t> ParseBody(const std::vector<char> &text, const char *lineEnd) {
    const size_t endLen = std::strlen(lineEnd);
    std::vector<uint8_t> bytes;
    size_t at = 0;
    while (at < text.size()) {
        if (bytes.size() % 16 == 0)
            Check(text[at++] == '\t');
        Check(at + 6 <= text.size() && text[at] == '0' && text[at + 1] == 'x');
        bytes.push_back(static_cast<uint8_t>(HexValue(text[at + 2]) << 4 | HexValue(text[at + 3])));
        Check(text[at + 4] == ',' && text[at + 5] == ' ');
        at += 6;
        if (bytes.size() % 16 == 0) {
            Check(at + endLen <= text.size() && std::memcmp(&text[at], lineEnd, endLen) == 0);
            at += endLen;
        }
    }
    return bytes;
}

std::vector<char> FormatInBlocks(const uint8_t *data, size_t size, size_t block,
                                 const char *lineEnd, bool vector) {
    HexLines lines{lineEnd};
    lines.vector = vector;
    std::vector<char> text, piece(HexTextCapacity(block, lineEnd));
    for (size_t at = 0; at < size; at += block) {
        size_t n = size - at < block ? size - at : block;
        size_t len = FormatHexLines(lines, data + at, n, piece.data());
        text.insert(text.end(), piece.begin(), piece.begin() + static_cast<long>(len));
    }
    return text;
}

// A cut anywhere keeps only the digits before it: those one or two
// characters past an "0x".
size_t DigitsBefore(const std::vector<char> &text, size_t cut) {
    size_t digits = 0;
    for (size_t i = 2; i < cut; ++i) {
        bool first = text[i - 2] == '0' && text[i - 1] == 'x';
        bool second = i >= 3 && text[i - 3] == '0' && text[i - 2] == 'x';
        digits += first || second;
    }
    return digits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    size_t block = size == 0 ? 1 : data[0] % 40 + 1;
    for (const char *lineEnd : {LINE_END_CRLF, LINE_END_LF}) {
        std::vector<char> text = FormatInBlocks(data, size, block, lineEnd, true);
        Check(text == FormatInBlocks(data, size, block, lineEnd, false));
        Check(ParseBody(text, lineEnd) == std::vector<uint8_t>(data, data + size));
        Check(HexDigitsIn(text.size(), lineEnd) == 2 * size);
        size_t cut = size < 2 ? 0 : data[1] * text.size() / 255;
        Check(HexDigitsIn(cut, lineEnd) == DigitsBefore(text, cut));
    }
    return 0;
}
