// Fuzzes the packer's formatting: the text must parse back to the input,
// keep its line layout at every size, and count its digits right.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "HeaderText.h"
#include "Packing.h"

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
std::vector<uint8_t> ParseBody(const std::vector<char> &text, size_t len) {
    std::vector<uint8_t> bytes;
    size_t at = 0;
    while (at < len) {
        if (bytes.size() % 16 == 0)
            Check(text[at++] == '\t');
        Check(at + 6 <= len && text[at] == '0' && text[at + 1] == 'x');
        bytes.push_back(static_cast<uint8_t>(HexValue(text[at + 2]) << 4 | HexValue(text[at + 3])));
        Check(text[at + 4] == ',' && text[at + 5] == ' ');
        at += 6;
        if (bytes.size() % 16 == 0) {
            Check(at + 2 <= len && text[at] == '\r' && text[at + 1] == '\n');
            at += 2;
        }
    }
    return bytes;
}

void CheckFormatter(size_t (*format)(const UINT8 *, size_t, char *), const uint8_t *data,
                    size_t size) {
    std::vector<char> text(HexTextCapacity(size));
    size_t len = format(data, size, text.data());
    Check(len == size * 6 + (size + 15) / 16 + size / 16 * 2);
    Check(ParseBody(text, len) == std::vector<uint8_t>(data, data + size));
    Check(HexDigitsIn(len) == 2 * size);
    // A cut anywhere keeps only the digits before it: those one or two
    // characters past an "0x".
    size_t cut = size == 0 ? 0 : data[0] * len / 255;
    size_t digits = 0;
    for (size_t i = 2; i < cut; ++i) {
        bool first = text[i - 2] == '0' && text[i - 1] == 'x';
        bool second = i >= 3 && text[i - 3] == '0' && text[i - 2] == 'x';
        digits += first || second;
    }
    Check(HexDigitsIn(cut) == digits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CheckFormatter(FormatHexLines, data, size);
    CheckFormatter(FormatHexLinesPortable, data, size);

    std::vector<UINT8> buffer(data, data + size);
    buffer.push_back(0xa5);
    UINT8 parity = 0;
    for (size_t i = 0; i < size; ++i)
        parity ^= data[i];
    Check(GetParity(buffer.data(), static_cast<UINT32>(size)) == buffer.data() + size + 1);
    Check(buffer[size] == parity);
    return 0;
}
