// The simulator's run: one thread, a poll loop over the pseudo-terminal's
// master and the signal pipe. It owns the log, the signal pipe, the
// pseudo-terminal and its "comN" link for as long as it runs, and the
// protocol engine behind them.
//
// Threads: single-threaded; owned by main.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pacer.h"
#include "panel_model.h"
#include "protocol_engine.h"
#include "pseudo_terminal.h"
#include "signal_pipe.h"
#include "sim_options.h"

namespace corvane::sim {

// How a run ended, for the last line it prints and the exit status.
struct Ending {
  int status = 0;
  const char* reason = "";
};

// The "comN" link Corvane opens, taken away again when this goes (if it
// still points at our pseudo-terminal).
class PortLink {
 public:
  PortLink() = default;
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  bool Make(std::string path, std::string target, std::string& error);

 private:
  std::string path_;
  std::string target_;
  bool made_ = false;
};

// Whatever Open managed to set up is undone by the destructor, link first.
class SimLoop {
 public:
  explicit SimLoop(const SimOptions& options);
  SimLoop(const SimLoop&) = delete;
  SimLoop& operator=(const SimLoop&) = delete;

  // Sets everything up and announces the link; false with the reason on
  // stderr.
  bool Open();
  // Serves Corvane until a signal, a limit, a hang-up or an error.
  Ending Run();

  uint64_t ImagesSent() const { return engine_.ImagesSent(); }
  const std::string& LinkPath() const { return link_path_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // Replies are rendered only when little is waiting to go out, so a slow
  // line never piles up stale images.
  static constexpr size_t kLowWater = 64 * 1024;
  // A restore that pauses this long was cut off.
  static constexpr auto kRestoreQuiet = std::chrono::seconds(2);
  // A paced line wakes at most this often and then sends what came due
  // (a dozen bytes at 115,200 baud), as a USB serial adapter hands bytes
  // on. Waking for every byte costs each simulator a tenth of a core, more
  // than a machine running a dozen of them can give.
  static constexpr auto kPacingTick = std::chrono::milliseconds(1);

  bool FrameLimitReached() const;
  bool Sending() const { return out_pos_ < out_.size(); }
  void ProduceReplies();
  // Waits for the master, the signal pipe or `wake`; the master's events, or
  // how the run ends.
  std::optional<Ending> Wait(Clock::time_point now, Clock::time_point wake, bool want_write,
                             short& events);
  std::optional<Ending> ReadInput();
  std::optional<Ending> WriteOutput();

  const SimOptions& options_;
  // Members are destroyed in reverse: the link goes first, then the
  // pseudo-terminal, the signal pipe and last the log.
  std::unique_ptr<std::FILE, FileCloser> log_;
  SignalPipe signal_pipe_;
  PseudoTerminal pty_;
  PortLink link_;
  std::string link_path_;

  PanelModel model_;
  std::unique_ptr<ImageSource> replay_;  // before the engine, which uses it
  ProtocolEngine engine_;
  Pacer pacer_;
  std::string out_;
  size_t out_pos_ = 0;
  std::vector<uint8_t> in_ = std::vector<uint8_t>(4096);
  Clock::time_point start_{};
  Clock::time_point deadline_ = Clock::time_point::max();
  Clock::time_point last_received_{};
};

// Runs the simulator to its end and prints the last line; the exit status.
int RunSimulator(const SimOptions& options);

}  // namespace corvane::sim
