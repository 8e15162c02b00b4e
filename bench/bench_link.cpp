// The link against an unpaced controller on a pseudo-terminal: how many
// screen images a second the receiver and sender turn round, how soon after
// an image's "}" the next screen request starts out, and what an idle link
// costs.
//
// The controller is a thread on the master side that answers every "<1>" at
// once with a 30 KB image. The link runs exactly as in the program: real
// port, real workers, real decoder; only the window is a sink that copies
// the picture as the shell's view would.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "hub/receiver.h"
#include "hub/receiver_records.h"
#include "hub/serial_link.h"
#include "link/operator_messages.h"
#include "link/transmit_queue.h"
#include "params/capture.h"
#include "params/restore.h"
#include "screen/kept_picture_display.h"
#include "screen/screen_image.h"
#include "screen/status_counters.h"
#include "screen/surface.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPort = 3;
constexpr size_t kPayloadSize = 30'000;

// Keeps each picture through the handover, as the window's view does.
class CopyingDisplay : public KeptPictureDisplay {
 public:
  void ShowStatusText(std::string_view) override {}
};

class CountingMessages : public OperatorMessages {
 public:
  void Show(const OperatorMessage& message) override {
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
  }
};

// A screen image the way the controller codes one: colour letters and run
// digits, row after row.
std::string MakeImageFrame() {
  static const char kLetters[] = "ABCDEGHIJKLMNOP";
  std::string frame = "{";
  unsigned seed = 1;
  while (frame.size() < kPayloadSize + 1) {
    seed = seed * 1103515245u + 12345u;
    frame.push_back(kLetters[(seed >> 16) % 15]);
    frame.push_back(static_cast<char>('1' + (seed >> 8) % 4));
  }
  frame.resize(kPayloadSize + 1);
  frame.push_back('}');
  return frame;
}

// The controller's side: the master of a pseudo-terminal whose slave is
// mapped as COM3 in a scratch directory.
struct Controller {
  Controller() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) std::abort();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir = pattern;
    std::filesystem::create_symlink(name, dir / "com3");
  }
  ~Controller() {
    close(master);
    close(slave);
    std::filesystem::remove_all(dir);
  }
  int master = -1;
  int slave = -1;  // kept open so the master never sees a hang-up
  std::filesystem::path dir;
};

struct Rig {
  Controller controller;
  CopyingDisplay display;
  CountingMessages messages;
  TransmitQueue queue;
  ReceiverRecords records{queue, display, messages};
  SerialLink link{records.context, {}, controller.dir};  // last: released first
};

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<size_t>(n);
    else if (n < 0 && errno != EINTR) std::abort();
  }
}

// Reads the master until a whole "<1>" has arrived; returns when its first
// byte came.
Clock::time_point AwaitScreenRequest(int master, std::string& pending) {
  Clock::time_point first{};
  for (;;) {
    const size_t at = pending.find('<');
    if (at != std::string::npos && first == Clock::time_point{}) first = Clock::now();
    const size_t end = pending.find("<1>");
    if (end != std::string::npos) {
      pending.erase(0, end + 3);
      return first;
    }
    char buffer[256];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) std::abort();
    pending.append(buffer, static_cast<size_t>(n));
  }
}

struct MirrorFigures {
  double seconds = 0;
  int frames = 0;
  std::vector<double> close_to_request_ms;
};

MirrorFigures RunMirror(int frames) {
  Rig rig;
  const int master = rig.controller.master;
  const std::string frame = MakeImageFrame();
  MirrorFigures figures;
  figures.close_to_request_ms.reserve(static_cast<size_t>(frames));

  std::string pending;
  if (rig.link.OpenLink(kPort)) std::abort();
  AwaitScreenRequest(master, pending);
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    WriteAll(master, frame);
    // The "}" has been handed to the line.
    const auto closed = Clock::now();
    const auto request = AwaitScreenRequest(master, pending);
    figures.close_to_request_ms.push_back(
        std::chrono::duration<double, std::milli>(request - closed).count());
  }
  figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.frames = frames;
  rig.link.ReleaseLink();
  return figures;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

void BM_MirrorUnpaced(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  MirrorFigures figures;
  for (auto _ : state) {
    figures = RunMirror(frames);
    state.SetIterationTime(figures.seconds);
  }
  state.counters["frames_per_s"] = figures.frames / figures.seconds;
  state.counters["close_to_request_median_ms"] = Percentile(figures.close_to_request_ms, 0.5);
  state.counters["close_to_request_p99_ms"] = Percentile(figures.close_to_request_ms, 0.99);
  state.counters["payload_bytes"] = static_cast<double>(kPayloadSize);
}
BENCHMARK(BM_MirrorUnpaced)->Arg(2000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_IdleLinkCpu(benchmark::State& state) {
  const auto interval = std::chrono::seconds(state.range(0));
  double cpu_percent = 0;
  for (auto _ : state) {
    Rig rig;
    std::string pending;
    if (rig.link.OpenLink(kPort)) std::abort();
    AwaitScreenRequest(rig.controller.master, pending);  // then the controller stays silent
    const auto cpu_before = ProcessCpuTime();
    const auto wall_before = Clock::now();
    std::this_thread::sleep_for(interval);
    const auto cpu = ProcessCpuTime() - cpu_before;
    const auto wall = Clock::now() - wall_before;
    cpu_percent = 100.0 * std::chrono::duration<double>(cpu).count() /
                  std::chrono::duration<double>(wall).count();
    state.SetIterationTime(std::chrono::duration<double>(wall).count());
  }
  state.counters["cpu_percent_of_one_core"] = cpu_percent;
}
BENCHMARK(BM_IdleLinkCpu)->Arg(10)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The demultiplexer alone, on the payload of one image without its "}" (so
// nothing is drawn): one DemuxByte call per byte against DemuxBytes on reads
// as big as the receive buffer, which the worker uses.
void BM_DemuxImagePayload(benchmark::State& state) {
  const bool whole_reads = state.range(0) != 0;
  CopyingDisplay display;
  CountingMessages messages;
  TransmitQueue queue;
  ReceiverRecords records(queue, display, messages);
  ReceiverContext& context = records.context;
  std::string frame = MakeImageFrame();
  frame.pop_back();
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.data()),
                                       frame.size());
  const std::stop_token running;
  for (auto _ : state) {
    if (whole_reads) {
      for (size_t at = 0; at < bytes.size(); at += kReceiveBufferSize) {
        DemuxBytes(context,
                   bytes.subspan(at, std::min<size_t>(kReceiveBufferSize, bytes.size() - at)),
                   running);
      }
    } else {
      for (const uint8_t byte : bytes) DemuxByte(context, byte, running);
    }
    benchmark::DoNotOptimize(records.image.count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DemuxImagePayload)->ArgName("whole_reads")->Arg(0)->Arg(1);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
