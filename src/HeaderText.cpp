#include "HeaderText.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HEX_LINES_SSSE3 1
#endif

namespace {

constexpr char kDigits[] = "0123456789abcdef";
constexpr char kElementFrame[] = "0x??, ";

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

char *FormatElements(const UINT8 *data, size_t n, char *p) {
    *p++ = '\t';
    for (size_t i = 0; i < n; ++i, p += HEX_ELEMENT_TEXT)
        std::memcpy(p, kElements[data[i]].data(), kElementStride);
    return p;
}

char *EndLine(char *p) {
    std::memcpy(p, LINE_END, LINE_END_LEN);
    return p + LINE_END_LEN;
}

char *FormatLinesPortable(const UINT8 *data, size_t lines, char *p) {
    for (size_t line = 0; line < lines; ++line, data += HEX_LINE_BYTES)
        p = EndLine(FormatElements(data, HEX_LINE_BYTES, p));
    return p;
}

#ifdef HEX_LINES_SSSE3

// A line's 96 element characters as six 16-byte pieces. Each piece takes the
// digits it needs from one register of 16 digits (those of 8 bytes) and the
// rest from a fixed frame of "0x" and ", ".
constexpr size_t kPieces = HEX_LINE_BYTES * HEX_ELEMENT_TEXT / 16;
struct LineShape {
    std::array<std::array<char, 16>, kPieces> pick;
    std::array<std::array<char, 16>, kPieces> frame;
};

constexpr LineShape MakeLineShape() {
    LineShape shape{};
    for (size_t pos = 0; pos < kPieces * 16; ++pos) {
        size_t element = pos / HEX_ELEMENT_TEXT, offset = pos % HEX_ELEMENT_TEXT;
        bool digit = offset == 2 || offset == 3;
        // A pick with its top bit set yields 0, leaving the frame's byte.
        shape.pick[pos / 16][pos % 16] =
            digit ? static_cast<char>((element * 2 + offset - 2) % 16) : static_cast<char>(0x80);
        shape.frame[pos / 16][pos % 16] = digit ? '\0' : kElementFrame[offset];
    }
    return shape;
}

alignas(16) constexpr LineShape kLineShape = MakeLineShape();

__attribute__((target("ssse3"))) inline __m128i Load(const std::array<char, 16> &bytes) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(bytes.data()));
}

__attribute__((target("ssse3"))) char *FormatLinesSsse3(const UINT8 *data, size_t lines, char *p) {
    const __m128i digitChars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(kDigits));
    const __m128i low4 = _mm_set1_epi8(0x0f);
    for (size_t line = 0; line < lines; ++line, data += HEX_LINE_BYTES) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data));
        __m128i high = _mm_shuffle_epi8(digitChars, _mm_and_si128(_mm_srli_epi16(in, 4), low4));
        __m128i low = _mm_shuffle_epi8(digitChars, _mm_and_si128(in, low4));
        // Digits in text order: those of bytes 0 to 7, then of bytes 8 to 15.
        const __m128i digits[2] = {_mm_unpacklo_epi8(high, low), _mm_unpackhi_epi8(high, low)};
        *p++ = '\t';
        for (size_t k = 0; k < kPieces; ++k, p += 16) {
            __m128i picked = _mm_shuffle_epi8(digits[k / 3], Load(kLineShape.pick[k]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p),
                             _mm_or_si128(picked, Load(kLineShape.frame[k])));
        }
        p = EndLine(p);
    }
    return p;
}

bool HasSsse3() {
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return has;
}

#endif

} // namespace

size_t HexTextCapacity(size_t count) {
    return (count / HEX_LINE_BYTES + 1) * HEX_LINE_TEXT + kElementStride;
}

size_t FormatHexLinesPortable(const UINT8 *data, size_t count, char *out) {
    char *p = FormatLinesPortable(data, count / HEX_LINE_BYTES, out);
    if (count % HEX_LINE_BYTES != 0)
        p = FormatElements(data + count / HEX_LINE_BYTES * HEX_LINE_BYTES, count % HEX_LINE_BYTES,
                           p);
    return static_cast<size_t>(p - out);
}

size_t FormatHexLines(const UINT8 *data, size_t count, char *out) {
#ifdef HEX_LINES_SSSE3
    if (HasSsse3()) {
        size_t fullBytes = count / HEX_LINE_BYTES * HEX_LINE_BYTES;
        char *p = FormatLinesSsse3(data, fullBytes / HEX_LINE_BYTES, out);
        return static_cast<size_t>(p - out) +
               FormatHexLinesPortable(data + fullBytes, count - fullBytes, p);
    }
#endif
    return FormatHexLinesPortable(data, count, out);
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
