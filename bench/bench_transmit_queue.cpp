// Cost of appending to the transmit queue: per call (a key code, a command)
// and per byte (restore data lines of every length). The queue is emptied
// outside the timed region whenever the next string would not fit, so every
// timed append succeeds. Each benchmark reports the operator-new calls made
// while timed, which must be 0.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "link/transmit_queue.h"
#include "support/allocation_counter.h"

namespace corvane {
namespace {

void DrainIfFull(benchmark::State& state, TransmitQueue& queue, size_t next) {
  if (queue.UnsentCount() + static_cast<int64_t>(next) <= TransmitQueue::kMaxUnsent) return;
  state.PauseTiming();
  queue.ConsumeSendBlock(queue.UnsentCount());
  state.ResumeTiming();
}

void BM_EnqueueBytes(benchmark::State& state) {
  const auto length = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> line(length, 'x');
  TransmitQueue queue;
  const long before = corvane::testing::AllocationCount();
  for (auto _ : state) {
    DrainIfFull(state, queue, length);
    benchmark::DoNotOptimize(queue.EnqueueBytes(line));
  }
  const long made = corvane::testing::AllocationCount() - before;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(length));
  // Time per byte appended.
  state.counters["per_byte"] = benchmark::Counter(
      static_cast<double>(length),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["allocs"] = static_cast<double>(made);
}
BENCHMARK(BM_EnqueueBytes)->Arg(1)->Arg(3)->Arg(32)->Arg(80)->Arg(1024)->Arg(65536)->Arg(1 << 20);

void BM_EnqueueByte(benchmark::State& state) {
  TransmitQueue queue;
  const long before = corvane::testing::AllocationCount();
  for (auto _ : state) {
    DrainIfFull(state, queue, 1);
    benchmark::DoNotOptimize(queue.EnqueueByte(140));
  }
  state.counters["allocs"] = static_cast<double>(corvane::testing::AllocationCount() - before);
}
BENCHMARK(BM_EnqueueByte);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
