// Cost of the parameter files.
//
//   restore            a generated 10 MB parameter file (about 560,000
//                      records), sent in full and partially, against a
//                      sender thread that takes every block off the queue and
//                      drops it as fast as the queue allows; every byte is
//                      counted. "Time" is the wall time of one run; "CPU" is
//                      the time the restoring (receiver) thread itself spent
//                      on the processor, so CPU / Time says how much of the
//                      run it was awake.
//   restore, paced     a 1 MB file against a sender that pauses after every
//                      block, as a real wire would make it wait: the restore
//                      then spends nearly all its time asleep in its waits.
//   capture            a 1 MB parameter block through CaptureParameterByte
//                      into a file, the closing "]" and the close included;
//                      reported per byte of wall time (disk writes included).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "link/protocol.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/parameter_record.h"
#include "params/restore.h"
#include "screen/kept_picture_display.h"
#include "screen/status_counters.h"

namespace corvane {
namespace {

class NullDisplay : public KeptPictureDisplay {
 public:
  void ShowStatusText(std::string_view) override { texts.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<long> texts{0};
};

class NullMessages : public OperatorMessages {
 public:
  void Show(const OperatorMessage&) override { shown.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<long> shown{0};
};

// Records as the controller writes them: mostly short numeric records of
// many types, now and then a type-200 record with a text part.
std::string GenerateBlock(size_t bytes) {
  std::string block;
  block.reserve(bytes + 64);
  uint32_t n = 0;
  while (block.size() < bytes) {
    const uint32_t type = (n % 7 == 0) ? 200 : (n % 5 == 0) ? 108 : 100 + (n % 300);
    const uint32_t address = type * 65536u + (n % 256) * 256u + (n % 8) * 16u + (n % 16);
    block += std::to_string(address);
    block += ' ';
    block += std::to_string(n * 37 % 100000);
    block += (type == 200) ? ",Station text " + std::to_string(n) + ";" : " ;";
    block += '\n';
    ++n;
  }
  return block;
}

struct ParameterFile {
  std::filesystem::path path;
  size_t lines = 0;
  size_t full_bytes = 0;     // what a full restore queues, frame included
  size_t partial_bytes = 0;  // what a partial restore to station 4 queues
};

ParameterFile WriteParameterFile(const std::string& name, size_t bytes) {
  ParameterFile file;
  file.path = std::filesystem::temp_directory_path() / name;
  const std::string block = GenerateBlock(bytes);
  std::ofstream out(file.path, std::ios::binary | std::ios::trunc);
  size_t start = 0;
  for (size_t lf = block.find('\n'); lf != std::string::npos; lf = block.find('\n', start)) {
    const std::string_view line(block.data() + start, lf - start);
    out << line << "\r\n";
    ++file.lines;
    file.full_bytes += line.size();
    if (const std::optional<std::string> r = RetargetRecord(line, 3)) {
      file.partial_bytes += r->size();
    }
    start = lf + 1;
  }
  const size_t frame = kRestoreStart.size() + kRestoreEnd.size() + kScreenRequest.size();
  file.full_bytes += frame;
  file.partial_bytes += frame;
  return file;
}

const ParameterFile& TenMegabytes() {
  static const ParameterFile file = WriteParameterFile("corvane-bench-10mb.spb", 10u << 20);
  return file;
}
const ParameterFile& OneMegabyte() {
  static const ParameterFile file = WriteParameterFile("corvane-bench-1mb.spb", 1u << 20);
  return file;
}

// Drains the queue on its own thread, dropping the bytes but counting them.
class CountingSender {
 public:
  CountingSender(TransmitQueue& queue, std::chrono::microseconds pause)
      : thread_([&queue, pause, this](std::stop_token stop) {
          uint8_t block[TransmitQueue::kBlockSize];
          while (queue.WaitUntilNotEmpty(stop)) {
            const int length = queue.TakeSendBlock(block);
            benchmark::DoNotOptimize(block);
            // Counted before the consume: the restore may see the queue
            // empty, and read the count, the moment the last block goes.
            bytes_.fetch_add(static_cast<size_t>(length), std::memory_order_relaxed);
            queue.ConsumeSendBlock(length);
            if (pause.count() > 0) std::this_thread::sleep_for(pause);
          }
        }) {}
  size_t Bytes() const { return bytes_.load(); }

 private:
  std::atomic<size_t> bytes_{0};
  std::jthread thread_;
};

void RunRestoreBenchmark(benchmark::State& state, const ParameterFile& file, bool partial,
                         std::chrono::microseconds pause) {
  TransmitQueue queue;
  StatusCounters counters;
  NullDisplay display;
  NullMessages messages;
  RestoreRequest request;
  RestoreContext context{queue, counters, display, messages, request};
  const size_t expected = partial ? file.partial_bytes : file.full_bytes;
  size_t sent_total = 0;
  for (auto _ : state) {
    CountingSender sender(queue, pause);
    request.ArmRestore(file.path.string(), partial, 3);
    const RestoreSnapshot snapshot = request.SnapshotIfArmed().value();
    counters.LinesSent = 0;
    if (!RunRestore(snapshot, context, std::stop_token())) {
      state.SkipWithError("the restore failed");
      break;
    }
    // The run returns once the queue is empty: every byte has been taken.
    const size_t sent = sender.Bytes();
    if (sent != expected || counters.LinesSent.load() != static_cast<int32_t>(file.lines)) {
      state.SkipWithError("bytes or lines lost");
      break;
    }
    sent_total += sent;
  }
  state.SetBytesProcessed(static_cast<int64_t>(sent_total));
  state.counters["lines"] = static_cast<double>(file.lines);
  state.counters["bytes_sent"] = static_cast<double>(expected);
  state.counters["status_texts"] = benchmark::Counter(static_cast<double>(display.texts.load()),
                                                      benchmark::Counter::kAvgIterations);
  state.counters["messages"] = static_cast<double>(messages.shown.load());
}

void BM_FullRestore10MB(benchmark::State& state) {
  RunRestoreBenchmark(state, TenMegabytes(), false, std::chrono::microseconds(0));
}
void BM_PartialRestore10MB(benchmark::State& state) {
  RunRestoreBenchmark(state, TenMegabytes(), true, std::chrono::microseconds(0));
}
void BM_FullRestore1MBPaced(benchmark::State& state) {
  RunRestoreBenchmark(state, OneMegabyte(), false, std::chrono::microseconds(state.range(0)));
}

BENCHMARK(BM_FullRestore10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_PartialRestore10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FullRestore1MBPaced)
    ->Arg(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_Capture1MB(benchmark::State& state) {
  const std::string block = GenerateBlock(1u << 20);
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "corvane-bench-capture.spb";
  TransmitQueue queue;
  StatusCounters counters;
  NullDisplay display;
  NullMessages messages;
  CaptureState capture(queue, counters, messages, [](std::chrono::milliseconds) {});
  uint8_t drop[TransmitQueue::kBlockSize];
  for (auto _ : state) {
    counters.ParametersReceived = 0;
    if (!capture.StartBackup(path.string(), BackupCommand(0))) {
      state.SkipWithError("cannot create the backup file");
      break;
    }
    for (const char c : block) capture.CaptureParameterByte(static_cast<uint8_t>(c), display);
    capture.CaptureParameterByte(kBlockClose, display);
    state.PauseTiming();
    while (!queue.IsEmpty()) queue.ConsumeSendBlock(queue.TakeSendBlock(drop));
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * block.size()));
  state.counters["time_per_byte"] = benchmark::Counter(
      static_cast<double>(state.iterations() * block.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  state.counters["messages"] = static_cast<double>(messages.shown.load());
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

BENCHMARK(BM_Capture1MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The generated files go when the program ends.
struct RemoveFiles {
  ~RemoveFiles() {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::temp_directory_path() / "corvane-bench-10mb.spb",
                            ignored);
    std::filesystem::remove(std::filesystem::temp_directory_path() / "corvane-bench-1mb.spb",
                            ignored);
  }
} remove_files;

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
