// CRC-32 throughput of every kernel this processor offers, on buffers in memory.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "checks/crc32.h"

namespace {

void crcThroughput(benchmark::State& state, checks::Crc32Function kernel) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(state.range(0)));
  std::mt19937 random(1);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(random());
  std::uint32_t crc = checks::kCrc32Initial;
  for (auto _ : state) {
    crc = kernel(crc, buffer.data(), buffer.size());
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

const bool registered = [] {
  for (const checks::Crc32Kernel& kernel : checks::availableCrc32Kernels()) {
    benchmark::RegisterBenchmark((std::string("crc32/") + kernel.name).c_str(), crcThroughput, kernel.update)
        ->Arg(16 << 10)
        ->Arg(64 << 20);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
