#include "HeaderText.h"

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

inline char *FormatElements(const UINT8 *data, size_t n, char *p) {
    *p++ = '\t';
    for (size_t i = 0; i < n; ++i, p += HEX_ELEMENT_TEXT)
        std::memcpy(p, kElements[data[i]].data(), kElementStride);
    return p;
}

} // namespace

size_t HexTextCapacity(size_t count) {
    return (count / HEX_LINE_BYTES + 1) * HEX_LINE_TEXT + kElementStride;
}

size_t FormatHexLines(const UINT8 *data, size_t count, char *out) {
    char *p = out;
    size_t fullLines = count / HEX_LINE_BYTES;
    for (size_t line = 0; line < fullLines; ++line, data += HEX_LINE_BYTES) {
        p = FormatElements(data, HEX_LINE_BYTES, p);
        std::memcpy(p, LINE_END, LINE_END_LEN);
        p += LINE_END_LEN;
    }
    if (count % HEX_LINE_BYTES != 0)
        p = FormatElements(data, count % HEX_LINE_BYTES, p);
    return static_cast<size_t>(p - out);
}

size_t HexDigitsIn(size_t textLen) {
    size_t digits = textLen / HEX_LINE_TEXT * HEX_LINE_BYTES * 2;
    size_t rest = textLen % HEX_LINE_TEXT;
    if (rest == 0)
        return digits;
    rest -= 1; // the tab
    digits += rest / HEX_ELEMENT_TEXT * 2;
    size_t partial = rest % HEX_ELEMENT_TEXT; // past "0x" come the two digits
    if (partial > 2)
        digits += partial - 2 > 2 ? 2 : partial - 2;
    return digits;
}

void ByteToHex(UINT8 val, char *strBuf) {
    strBuf[0] = kDigits[val >> 4];
    strBuf[1] = kDigits[val & 15];
    strBuf[2] = '\0';
}
