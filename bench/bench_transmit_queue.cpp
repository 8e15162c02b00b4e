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

namespace {
std::atomic<long> allocations{0};
}  // namespace

// Out of line, so that the compiler does not pair an inlined malloc() or
// free() with a new or delete expression and warn about a mismatch that is
// not there.
[[gnu::noinline]] void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
  const long before = allocations.load();
  for (auto _ : state) {
    DrainIfFull(state, queue, length);
    benchmark::DoNotOptimize(queue.EnqueueBytes(line));
  }
  const long made = allocations.load() - before;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(length));
  // Time per byte appended.
  state.counters["per_byte"] = benchmark::Counter(
      static_cast<double>(length), benchmark::Counter::kIsIterationInvariantRate |
                                       benchmark::Counter::kInvert);
  state.counters["allocs"] = static_cast<double>(made);
}
BENCHMARK(BM_EnqueueBytes)->Arg(1)->Arg(3)->Arg(32)->Arg(80)->Arg(1024)->Arg(65536)->Arg(1 << 20);

void BM_EnqueueByte(benchmark::State& state) {
  TransmitQueue queue;
  const long before = allocations.load();
  for (auto _ : state) {
    DrainIfFull(state, queue, 1);
    benchmark::DoNotOptimize(queue.EnqueueByte(140));
  }
  state.counters["allocs"] = static_cast<double>(allocations.load() - before);
}
BENCHMARK(BM_EnqueueByte);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
