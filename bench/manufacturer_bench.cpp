// A manufacturer lookup on the built-in table: the indexed table against a scan that splits the
// whole text into lines and compares key after key at every lookup.
#include <benchmark/benchmark.h>

#include <strings.h>
#include <vector>

#include "iptools/manufacturer_table.h"

namespace {

using namespace qv;

// The scan: the text split into lines afresh, then the first line whose key matches.
std::optional<std::string> scanLookup(std::string_view text, std::string_view mac) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    for (const std::string& line : lines) {
        const std::size_t tab = line.find('\t');
        if (tab == 8 && mac.size() >= 8 && ::strncasecmp(line.data(), mac.data(), 8) == 0) {
            return line.substr(tab + 1);
        }
    }
    return std::nullopt;
}

const char* const MACS[] = {"00-00-0C-12-34-56", "FC-FF-AA-00-00-01", "52-54-00-12-34-56"};

void BM_ScanEveryLookup(benchmark::State& state) {
    const std::string_view text = ManufacturerTable::builtInText();
    const char* mac = MACS[state.range(0)];
    for (auto _ : state) {
        benchmark::DoNotOptimize(scanLookup(text, mac));
    }
}
BENCHMARK(BM_ScanEveryLookup)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_IndexedLookup(benchmark::State& state) {
    const ManufacturerTable& table = ManufacturerTable::builtIn();
    const char* mac = MACS[state.range(0)];
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.LookupManufacturer(mac));
    }
}
BENCHMARK(BM_IndexedLookup)->DenseRange(0, 2);

void BM_IndexTheTable(benchmark::State& state) {
    for (auto _ : state) {
        ManufacturerTable table(ManufacturerTable::builtInText());
        benchmark::DoNotOptimize(table.keys());
    }
}
BENCHMARK(BM_IndexTheTable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
