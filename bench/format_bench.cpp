// Micro-benchmarks of each tool's formatting core, in input bytes per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "HeaderText.h"

// The converter is one file with its own main; take it in under another name.
#define main morvash_main
#include "morvash.cpp"
#undef main

namespace {

constexpr size_t kBlock = 64 * 1024; // what each tool formats per write

std::vector<unsigned char> RandomBlock() {
    std::mt19937 engine(42);
    std::vector<unsigned char> bytes(kBlock);
    for (auto &b : bytes)
        b = static_cast<unsigned char>(engine());
    return bytes;
}

// Both tools' cores take the same bytes; only their text differs.
template <size_t (*Format)(const unsigned char *, size_t, char *), size_t (*Capacity)(size_t)>
void FormatBlock(benchmark::State &state) {
    auto data = RandomBlock();
    std::vector<char> text(Capacity(kBlock));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Format(data.data(), kBlock, text.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBlock));
}

void ConverterSum(benchmark::State &state) {
    std::vector<unsigned char> data(size_t{16} << 20, 0x5a);
    for (auto _ : state)
        benchmark::DoNotOptimize(calculate_sum(data.data(), static_cast<int>(data.size())));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}

BENCHMARK(FormatBlock<FormatHexLines, HexTextCapacity>)->Name("Trelvic/FormatHexLines");
BENCHMARK(FormatBlock<FormatHexLinesPortable, HexTextCapacity>)
    ->Name("Trelvic/FormatHexLinesPortable");
BENCHMARK(FormatBlock<format_lines, format_capacity>)->Name("morvash/format_lines");
BENCHMARK(FormatBlock<format_lines_portable, format_capacity>)
    ->Name("morvash/format_lines_portable");
BENCHMARK(ConverterSum)->Name("morvash/calculate_sum");

} // namespace

BENCHMARK_MAIN();
