#include "HexLines.h"

#include <array>
#include <cstring>

namespace {

constexpr char kDigits[] = "0123456789abcdef";

// Each element padded to 8 bytes so that one fixed-size copy stores it; the
// next element overwrites the 2 spare bytes.
constexpr size_t kElementStride = 8;
using ElementTable = std::array<std::array<char, kElementStride>, 256>;

constexpr ElementTable MakeElementTable() {
    ElementTable table{};
    for (size_t v = 0; v < table.size(); ++v)
        table[v] = {'0', 'x', kDigits[v >> 4], kDigits[v & 15], ',', ' ', 0, 0};
    return table;
}

constexpr ElementTable kElements = MakeElementTable();

// Input bytes formatted per write: the text (about 400 KiB) stays in the
// cache, and the system call's cost vanishes next to the copying.
constexpr size_t kBlockBytes = 64 * 1024;

size_t LineText(const char *lineEnd) {
    return 1 + HEX_LINE_BYTES * HEX_ELEMENT_TEXT + std::strlen(lineEnd);
}

char *FormatElements(const uint8_t *data, size_t n, char *p) {
    for (size_t i = 0; i < n; ++i, p += HEX_ELEMENT_TEXT)
        std::memcpy(p, kElements[data[i]].data(), kElementStride);
    return p;
}

} // namespace

size_t HexTextCapacity(size_t count, const char *lineEnd) {
    return (count / HEX_LINE_BYTES + 2) * LineText(lineEnd) + kElementStride;
}

size_t FormatHexLines(HexLines &lines, const uint8_t *data, size_t count, char *out) {
    const size_t endLen = std::strlen(lines.lineEnd);
    char *p = out;
    while (count != 0) {
        if (lines.column == 0)
            *p++ = '\t';
        size_t n = HEX_LINE_BYTES - lines.column;
        if (n > count)
            n = count;
        p = FormatElements(data, n, p);
        data += n;
        count -= n;
        lines.column += n;
        if (lines.column == HEX_LINE_BYTES) {
            std::memcpy(p, lines.lineEnd, endLen);
            p += endLen;
            lines.column = 0;
        }
    }
    return static_cast<size_t>(p - out);
}

size_t HexDigitsIn(size_t textLen, const char *lineEnd) {
    const size_t lineText = LineText(lineEnd);
    size_t digits = textLen / lineText * HEX_LINE_BYTES * 2;
    size_t rest = textLen % lineText;
    if (rest == 0)
        return digits;
    rest -= 1; // the tab
    size_t elements = rest / HEX_ELEMENT_TEXT;
    if (elements >= HEX_LINE_BYTES) // into the line end: the line is whole
        return digits + HEX_LINE_BYTES * 2;
    digits += elements * 2;
    size_t partial = rest % HEX_ELEMENT_TEXT; // past "0x" come the two digits
    if (partial > 2)
        digits += partial - 2 > 2 ? 2 : partial - 2;
    return digits;
}

bool WriteHexLines(OutputFile &out, HexLines &lines, const uint8_t *data, size_t count) {
    static char
        text[(kBlockBytes / HEX_LINE_BYTES + 2) * (1 + HEX_LINE_BYTES * HEX_ELEMENT_TEXT + 2) +
             kElementStride];
    for (size_t i = 0; i < count; i += kBlockBytes) {
        size_t n = count - i < kBlockBytes ? count - i : kBlockBytes;
        if (!WriteOutput(out, text, FormatHexLines(lines, data + i, n, text)))
            return false;
    }
    return true;
}
