#include "HexLines.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HEX_LINES_SSSE3 1
#endif

namespace {

constexpr char kDigits[] = "0123456789abcdef";

// Each element padded to 8 bytes so that one fixed-size copy stores it; the
// next element overwrites the 2 spare bytes, which HexTextCapacity allows.
constexpr size_t kElementStride = 8;
using ElementTable = std::array<std::array<char, kElementStride>, 256>;

constexpr ElementTable MakeElementTable() {
    ElementTable table{};
    for (size_t v = 0; v < table.size(); ++v)
        table[v] = {'0', 'x', kDigits[v >> 4], kDigits[v & 15], ',', ' ', 0, 0};
    return table;
}

constexpr ElementTable kElements = MakeElementTable();

constexpr size_t LineText(size_t endLen) {
    return 1 + HEX_LINE_BYTES * HEX_ELEMENT_TEXT + endLen;
}

char *FormatElements(const uint8_t *data, size_t n, char *p) {
    for (size_t i = 0; i < n; ++i, p += HEX_ELEMENT_TEXT)
        std::memcpy(p, kElements[data[i]].data(), kElementStride);
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
    const char frame[] = "0x??, ";
    LineShape shape{};
    for (size_t pos = 0; pos < kPieces * 16; ++pos) {
        size_t element = pos / HEX_ELEMENT_TEXT, offset = pos % HEX_ELEMENT_TEXT;
        bool digit = offset == 2 || offset == 3;
        // A pick with its top bit set yields 0, leaving the frame's byte.
        shape.pick[pos / 16][pos % 16] =
            digit ? static_cast<char>((element * 2 + offset - 2) % 16) : static_cast<char>(0x80);
        shape.frame[pos / 16][pos % 16] = digit ? '\0' : frame[offset];
    }
    return shape;
}

alignas(16) constexpr LineShape kLineShape = MakeLineShape();

__attribute__((target("ssse3"))) inline __m128i Load(const std::array<char, 16> &bytes) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(bytes.data()));
}

// Each line's end and the next line's tab go out in one fixed 4-byte store;
// the tab after the last line lies past the text and is overwritten later.
__attribute__((target("ssse3"))) char *
FormatWholeLines(const uint8_t *data, size_t lines, const char *lineEnd, size_t endLen, char *p) {
    const __m128i digitChars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(kDigits));
    const __m128i low4 = _mm_set1_epi8(0x0f);
    char tail[4] = {};
    std::memcpy(tail, lineEnd, endLen);
    tail[endLen] = '\t';
    *p++ = '\t';
    for (size_t line = 0; line < lines; ++line, data += HEX_LINE_BYTES) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data));
        __m128i high = _mm_shuffle_epi8(digitChars, _mm_and_si128(_mm_srli_epi16(in, 4), low4));
        __m128i low = _mm_shuffle_epi8(digitChars, _mm_and_si128(in, low4));
        // Digits in text order: those of bytes 0 to 7, then of bytes 8 to 15.
        const __m128i digits[2] = {_mm_unpacklo_epi8(high, low), _mm_unpackhi_epi8(high, low)};
        for (size_t k = 0; k < kPieces; ++k, p += 16) {
            __m128i picked = _mm_shuffle_epi8(digits[k / 3], Load(kLineShape.pick[k]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p),
                             _mm_or_si128(picked, Load(kLineShape.frame[k])));
        }
        std::memcpy(p, tail, sizeof tail);
        p += endLen + 1;
    }
    return p - 1;
}

bool HasSsse3() {
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return has;
}

#endif

} // namespace

size_t FormatHexLines(HexLines &lines, const uint8_t *data, size_t count, char *out) {
    const size_t endLen = std::strlen(lines.lineEnd);
    char *p = out;
    while (count != 0) {
#ifdef HEX_LINES_SSSE3
        if (lines.column == 0 && count >= HEX_LINE_BYTES && lines.vector && HasSsse3()) {
            size_t whole = count / HEX_LINE_BYTES;
            p = FormatWholeLines(data, whole, lines.lineEnd, endLen, p);
            data += whole * HEX_LINE_BYTES;
            count -= whole * HEX_LINE_BYTES;
            continue;
        }
#endif
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
            // A fixed 2-byte copy (an LF end brings its NUL) costs no library call.
            std::memcpy(p, lines.lineEnd, 2);
            p += endLen;
            lines.column = 0;
        }
    }
    return static_cast<size_t>(p - out);
}

size_t HexDigitsIn(size_t textLen, const char *lineEnd) {
    const size_t lineText = LineText(std::strlen(lineEnd));
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
