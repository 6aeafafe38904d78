// Fuzzes the converter's word sum against a 64-bit sum of shifted bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "morvash.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<unsigned char> padded(data, data + size);
    padded.resize((size + 3) / 4 * 4, 0);
    uint64_t wide = 0;
    for (size_t i = 0; i < padded.size(); ++i)
        wide += uint64_t{padded[i]} << (8 * (i % 4));
    int sum = calculate_sum(padded.data(), static_cast<int>(padded.size()));
    if (static_cast<uint32_t>(sum) != static_cast<uint32_t>(wide))
        std::abort();
    return 0;
}
