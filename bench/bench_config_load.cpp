// Loading a ConfigBlock of 10,000 records and 1,000 messages, reported per record.
#include <benchmark/benchmark.h>

#include "config/config_block.h"
#include "support/block_builder.h"

namespace {

std::string bigExecutable() {
  zarvo::test::BlockBuilder b;
  b.head().i32(10000);
  for (int i = 0; i < 10000; ++i)
    b.record(100000 + i, "C:\\Program Files\\App\\lib\\archive-" + std::to_string(i) + ".jar");
  b.i32(1000);
  for (int i = 0; i < 1000; ++i)
    b.message(30000 + i, u"A message text of moderate length, with {0} in it.");
  b.i32(0);
  return zarvo::test::minimalPe(0x400) + b.data();
}

void LoadConfigBlock(benchmark::State& state) {
  const std::string file = bigExecutable();
  for (auto _ : state) {
    zarvo::MemorySource source(file);
    zarvo::BlockReader reader(source);
    zarvo::LauncherConfig config;
    zarvo::MessageTable messages;
    zarvo::seekToConfigBlock(reader);
    benchmark::DoNotOptimize(
        readConfigBlock(reader, config, messages, [] { return std::string("en"); }));
  }
  state.SetItemsProcessed(state.iterations() * 10000);  // items = records
  state.counters["per_record"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 10000,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(LoadConfigBlock)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
