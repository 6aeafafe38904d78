// Micro-benchmarks of the shared formatting core and the converter's word
// sum, in input bytes per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "Blocks.h"
#include "HexLines.h"
#include "morvash.h"

namespace {

constexpr size_t kBlock = FORMAT_BLOCK_BYTES; // what the tools format per write

std::vector<uint8_t> RandomBlock() {
    std::mt19937 engine(42);
    std::vector<uint8_t> bytes(kBlock);
    for (auto &b : bytes)
        b = static_cast<uint8_t>(engine());
    return bytes;
}

void FormatBlock(benchmark::State &state, const char *lineEnd, bool vector) {
    auto data = RandomBlock();
    std::vector<char> text(HexTextCapacity(kBlock, lineEnd));
    HexLines lines{lineEnd};
    lines.vector = vector;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatHexLines(lines, data.data(), kBlock, text.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBlock));
}

void WordSum(benchmark::State &state) {
    std::vector<unsigned char> data(size_t{16} << 20, 0x5a);
    for (auto _ : state)
        benchmark::DoNotOptimize(calculate_sum(data.data(), static_cast<int>(data.size())));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}

BENCHMARK_CAPTURE(FormatBlock, crlf, LINE_END_CRLF, true)->Name("FormatHexLines/CRLF/SSSE3");
BENCHMARK_CAPTURE(FormatBlock, lf, LINE_END_LF, true)->Name("FormatHexLines/LF/SSSE3");
BENCHMARK_CAPTURE(FormatBlock, crlf_table, LINE_END_CRLF, false)->Name("FormatHexLines/CRLF/table");
BENCHMARK_CAPTURE(FormatBlock, lf_table, LINE_END_LF, false)->Name("FormatHexLines/LF/table");
BENCHMARK(WordSum)->Name("calculate_sum");

} // namespace

BENCHMARK_MAIN();
