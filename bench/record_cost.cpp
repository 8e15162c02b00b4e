// What recording a session costs: the link mirrors the unpaced simulator
// (a real mirelon-sim process on its pseudo-terminal) for a while without a
// recorder and then with one, in turns, and the CPU time of this process
// (receiver, sender and the recorder's writer, never the simulator) is
// divided by the images mirrored meanwhile.
//
// Usage: record_cost MIRELON_SIM [SECONDS] [ROUNDS] [SIMULATOR OPTIONS...]
//   (defaults 5 and 3; e.g. "--baud 115200" for a slow line)
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hub/receiver_records.h"
#include "hub/serial_link.h"
#include "link/byte_stream.h"
#include "link/operator_messages.h"
#include "link/transmit_queue.h"
#include "record/session_recorder.h"
#include "screen/kept_picture_display.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 3;

class CountingDisplay : public KeptPictureDisplay {
 public:
  void ShowStatusText(std::string_view) override {}
  int64_t Pictures() const { return pictures_.load(std::memory_order_relaxed); }

 private:
  void PictureKept(const Pixel*, const ChangedRegion&, int) override {
    pictures_.fetch_add(1, std::memory_order_relaxed);
  }
  std::atomic<int64_t> pictures_{0};
};

class PrintedMessages : public OperatorMessages {
 public:
  void Show(const OperatorMessage& message) override {
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
  }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures {
  double cpu_ms_per_image = 0;
  double images_per_s = 0;
  uint64_t recorded_bytes = 0;
};

Figures Mirror(const std::filesystem::path& dir, bool recording, std::chrono::seconds span) {
  CountingDisplay display;
  PrintedMessages messages;
  TransmitQueue queue;
  ReceiverRecords records(queue, display, messages);
  SerialLink link(records.context, {}, dir);
  std::unique_ptr<SessionRecorder> recorder;
  std::unique_ptr<ScopedSink> sink;
  if (recording) {
    RecordingSettings settings;
    settings.file = dir / "cost.cvr";
    settings.link_name = "COM3";
    std::filesystem::remove(settings.file);
    recorder = SessionRecorder::Create(settings, nullptr, nullptr);
    sink = std::make_unique<ScopedSink>(link.Sinks(), *recorder);
  }
  if (const std::error_code error = link.OpenLink(kPort)) {
    std::fprintf(stderr, "cannot open com%d: %s\n", kPort, error.message().c_str());
    std::exit(1);
  }
  if (recorder) {
    if (const std::error_code error = recorder->Begin()) {
      std::fprintf(stderr, "cannot record: %s\n", error.message().c_str());
      std::exit(1);
    }
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));  // past the first key picture
  const int64_t images_before = display.Pictures();
  const double cpu_before = CpuSeconds();
  const Clock::time_point wall_before = Clock::now();
  std::this_thread::sleep_for(span);
  const int64_t images = display.Pictures() - images_before;
  const double wall = std::chrono::duration<double>(Clock::now() - wall_before).count();
  // The writer's share of what was queued meanwhile is counted as well:
  // stopping writes it out before the time is read.
  link.ReleaseLink();
  Figures figures;
  if (recorder) {
    sink.reset();
    if (const std::error_code error = recorder->Stop()) {
      std::fprintf(stderr, "recording failed: %s\n", error.message().c_str());
      std::exit(1);
    }
    figures.recorded_bytes = recorder->BytesWritten();
  }
  const double cpu = CpuSeconds() - cpu_before;
  if (images <= 0) {
    std::fprintf(stderr, "no images mirrored\n");
    std::exit(1);
  }
  figures.cpu_ms_per_image = 1000 * cpu / static_cast<double>(images);
  figures.images_per_s = static_cast<double>(images) / wall;
  return figures;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: record_cost MIRELON_SIM [SECONDS] [ROUNDS]\n");
    return 2;
  }
  const std::chrono::seconds span(argc > 2 ? std::atoi(argv[2]) : 5);
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  std::string pattern =
      (std::filesystem::temp_directory_path() / "corvane-record-cost-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const std::filesystem::path dir = pattern;

  const std::string port = std::to_string(kPort);
  const std::string dir_text = dir.string();
  std::vector<const char*> sim_args = {argv[1], "--port", port.c_str(), "--dir", dir_text.c_str()};
  for (int i = 4; i < argc; ++i) sim_args.push_back(argv[i]);
  sim_args.push_back(nullptr);
  pid_t sim = 0;
  if (posix_spawn(&sim, argv[1], nullptr, nullptr, const_cast<char* const*>(sim_args.data()),
                  environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  for (int i = 0; i < 200 && !std::filesystem::exists(dir / "com3"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));  // another process: no condition
  }

  std::vector<double> off;
  std::vector<double> on;
  for (int round = 0; round < rounds; ++round) {
    for (const bool recording : {false, true}) {
      const Figures figures = Mirror(dir, recording, span);
      (recording ? on : off).push_back(figures.cpu_ms_per_image);
      std::printf("round %d, recording %-3s: %7.1f images/s, %.3f ms CPU per image", round + 1,
                  recording ? "on" : "off", figures.images_per_s, figures.cpu_ms_per_image);
      if (recording) {
        std::printf(", %llu bytes recorded",
                    static_cast<unsigned long long>(figures.recorded_bytes));
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  std::printf("median: off %.3f ms, on %.3f ms, recording adds %.3f ms CPU per image\n",
              Median(off), Median(on), Median(on) - Median(off));
  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  std::filesystem::remove_all(dir);
  return 0;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) { return corvane::Run(argc, argv); }
