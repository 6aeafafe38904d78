// Fuzzes the packer's parity helper against a plain XOR.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Packing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<UINT8> buffer(data, data + size);
    buffer.push_back(0xa5);
    UINT8 parity = 0;
    for (size_t i = 0; i < size; ++i)
        parity ^= data[i];
    if (GetParity(buffer.data(), static_cast<UINT32>(size)) != buffer.data() + size + 1 ||
        buffer[size] != parity)
        std::abort();
    return 0;
}
