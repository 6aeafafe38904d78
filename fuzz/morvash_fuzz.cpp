// Fuzzes the converter's formatting and word sum: the text must parse back to
// the input and keep its line layout at every size, and the sum must match
// one computed another way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// The converter is one file with its own main; take it in under another name.
#define main morvash_main
#include "morvash.cpp"
#undef main

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    check(c >= 'a' && c <= 'f'); // lowercase only
    return c - 'a' + 10;
}

std::vector<uint8_t> parse_body(const std::vector<char> &text, size_t len) {
    std::vector<uint8_t> bytes;
    size_t at = 0;
    while (at < len) {
        if (bytes.size() % 16 == 0)
            check(text[at++] == '\t');
        check(at + 6 <= len && text[at] == '0' && text[at + 1] == 'x');
        bytes.push_back(
            static_cast<uint8_t>(hex_value(text[at + 2]) << 4 | hex_value(text[at + 3])));
        check(text[at + 4] == ',' && text[at + 5] == ' ');
        at += 6;
        if (bytes.size() % 16 == 0)
            check(at < len && text[at++] == '\n');
    }
    return bytes;
}

void check_formatter(size_t (*format)(const unsigned char *, size_t, char *), const uint8_t *data,
                     size_t size) {
    std::vector<char> text(format_capacity(size));
    size_t len = format(data, size, text.data());
    check(len == size * 6 + (size + 15) / 16 + size / 16);
    check(parse_body(text, len) == std::vector<uint8_t>(data, data + size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    check_formatter(format_lines, data, size);
    check_formatter(format_lines_portable, data, size);

    std::vector<unsigned char> padded(data, data + size);
    padded.resize((size + 3) / 4 * 4, 0);
    uint64_t wide = 0;
    for (size_t i = 0; i < padded.size(); ++i)
        wide += uint64_t{padded[i]} << (8 * (i % 4));
    if (padded.size() <= INT32_MAX) {
        int sum = calculate_sum(padded.data(), static_cast<int>(padded.size()));
        check(static_cast<uint32_t>(sum) == static_cast<uint32_t>(wide));
    }
    return 0;
}
