#include "cli/fleet_run.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/cli_session.h"
#include "cli/command_texts.h"
#include "cli/commands.h"
#include "cli/output_pattern.h"
#include "files/path_text.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often the main thread redraws the run's progress line.
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

// One controller's command on a session of its own, on the calling thread.
ExitCode RunOn(const CliOptions& options, const LinkTarget& target,
               const std::filesystem::path& file, Reporter& reporter,
               const std::function<bool()>& interrupted) {
  SessionSettings settings;
  settings.target = target;
  settings.timeout = options.timeout;
  settings.interrupted = interrupted;
  CliSession session(settings, reporter);
  switch (options.command) {
    case Command::kBackup: return RunBackup(session, options.station, file);
    case Command::kRestore: return RunRestore(session, file, options.to_station);
    case Command::kScreenshot: return RunScreenshot(session, file);
    case Command::kLog: return RunLog(session, options.log_time, file);
    case Command::kRecord: {
      RecordRun run;
      run.settings.file = file;
      run.settings.max_file_bytes = options.max_file_bytes;
      run.settings.max_file_age = options.max_file_age;
      run.settings.keep_files = options.keep_files;
      run.duration = options.record_time;
      return RunRecord(session, run);
    }
    case Command::kExport: break;  // reads a file only: never here
  }
  return ExitCode::kUsage;
}

// One controller of a fleet run. Until the job that takes it is finished
// only that job's thread touches it.
struct Job {
  const Controller* controller = nullptr;
  std::filesystem::path file;
  bool folder_from_fields = false;  // its folder is named by a field
  bool started = false;
  ExitCode result = ExitCode::kIncomplete;
  uintmax_t bytes = 0;
  double seconds = 0;
};

void RunJob(const CliOptions& options, Job& job, Reporter& run_reporter,
            const std::function<bool()>& interrupted) {
  if (interrupted()) return;  // Ctrl+C came first: not started
  job.started = true;
  const Clock::time_point start = Clock::now();
  Reporter reporter(run_reporter, job.controller->name);
  std::error_code error;
  if (job.folder_from_fields) std::filesystem::create_directories(job.file.parent_path(), error);
  if (error) {
    reporter.Error("cannot create the folder " + PathText(job.file.parent_path()) + ": " +
                   error.message());
    job.result = ExitCode::kFileError;
  } else {
    try {
      job.result = RunOn(options, job.controller->target, job.file, reporter, interrupted);
    } catch (const std::bad_alloc&) {
      // Each session holds its buffers: many at once can exhaust a small
      // PC. This controller's session is gone again; the others go on.
      reporter.Error("not enough memory for this many controllers at once; try a lower --jobs");
      job.result = ExitCode::kIncomplete;
    }
  }
  job.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const uintmax_t size = std::filesystem::file_size(job.file, error);
  job.bytes = job.result == ExitCode::kSuccess && !error ? size : 0;
}

std::string ResultWord(const Job& job) {
  if (!job.started) return "not started";
  switch (job.result) {
    case ExitCode::kSuccess: return "ok";
    case ExitCode::kUsage: return "usage error";
    case ExitCode::kNotConnected: return "not connected";
    case ExitCode::kTimedOut: return "time-out";
    case ExitCode::kIncomplete: return "incomplete";
    case ExitCode::kFileError: return "file error";
  }
  return "?";
}

// Columns count characters, not bytes: a name may be "Presse-Süd".
size_t Width(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Padded(std::string text, size_t width, bool right) {
  const size_t pad = width > Width(text) ? width - Width(text) : 0;
  return right ? std::string(pad, ' ') + text : text + std::string(pad, ' ');
}

std::string SummaryTable(const std::vector<Job>& jobs) {
  std::vector<std::array<std::string, 4>> rows = {{"controller", "result", "bytes", "seconds"}};
  for (const Job& job : jobs) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", job.seconds);
    rows.push_back({job.controller->name, ResultWord(job), std::to_string(job.bytes),
                    job.started ? seconds : "-"});
  }
  std::array<size_t, 4> widths{};
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  std::string table;
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += Padded(row[i], widths[i], i >= 2) + (i + 1 < row.size() ? "  " : "");
    }
    table += line + "\n";
  }
  return table;
}

// Two controllers must never write one file: compared as Windows compares
// names (ASCII letters in either case), which is stricter than Linux.
std::string FileKey(const std::filesystem::path& file) {
  std::string key = PathText(file.lexically_normal());
  for (char& c : key) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return key;
}

ExitCode RunFleet(const CliOptions& options, Reporter& reporter,
                  const std::function<bool()>& interrupted, std::FILE* table) {
  PatternFields fields;
  FillPatternTimes(fields);
  const std::string folder_part =
      options.output_pattern.substr(0, options.output_pattern.find_last_of("/\\") + 1);
  // A fixed folder that is not there fails every controller alike: said
  // once, before any port is opened.
  if (folder_part.find('{') == std::string::npos &&
      !FolderExists(PathFromText(options.output_pattern))) {
    reporter.Error("corvane-cli: cannot write to " + folder_part + ": no such folder");
    return ExitCode::kFileError;
  }
  std::vector<Job> jobs(options.controllers.size());
  for (size_t i = 0; i < jobs.size(); ++i) {
    jobs[i].controller = &options.controllers[i];
    fields.name = options.controllers[i].name;
    fields.n = static_cast<int>(i) + 1;
    jobs[i].file = PathFromText(ExpandPattern(options.output_pattern, fields));
    jobs[i].folder_from_fields = folder_part.find('{') != std::string::npos;
    for (size_t j = 0; j < i; ++j) {
      if (FileKey(jobs[j].file) == FileKey(jobs[i].file)) {
        reporter.Error("corvane-cli: " + jobs[j].controller->name + " and " +
                       jobs[i].controller->name + " would both write " + PathText(jobs[i].file) +
                       "; give them names that differ in more than case and the characters "
                       "a file name cannot hold");
        return ExitCode::kUsage;
      }
    }
  }

  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;      // guarded by mutex
  size_t finished = 0;  // guarded by mutex
  const auto work = [&] {
    for (;;) {
      size_t index = 0;
      {
        std::lock_guard lock(mutex);
        if (next == jobs.size()) return;
        index = next++;
      }
      RunJob(options, jobs[index], reporter, interrupted);
      {
        std::lock_guard lock(mutex);
        ++finished;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  const size_t wanted = std::min<size_t>(static_cast<size_t>(options.jobs), jobs.size());
  for (size_t i = 0; i < wanted; ++i) {
    try {
      threads.emplace_back(work);
    } catch (const std::system_error& error) {
      // Fewer at once then; the jobs that did start take the rest.
      reporter.Error("corvane-cli: only " + std::to_string(i) +
                     " controllers at once: " + error.what());
      break;
    }
  }
  if (threads.empty()) work();
  {
    std::unique_lock lock(mutex);
    while (finished < jobs.size()) {
      changed.wait_for(lock, kProgressInterval);
      const std::string text = std::to_string(finished) + " of " + std::to_string(jobs.size()) +
                               " controllers done" + (interrupted() ? ", stopping" : "");
      lock.unlock();
      reporter.Progress(text);
      lock.lock();
    }
  }
  for (std::thread& thread : threads) thread.join();
  reporter.EndProgress();

  ExitCode worst = ExitCode::kSuccess;
  for (const Job& job : jobs) worst = WorseOf(worst, job.result);
  if (!options.quiet) {
    const std::string text = SummaryTable(jobs);
    std::fwrite(text.data(), 1, text.size(), table);
    std::fflush(table);
  }
  return worst;
}

}  // namespace

ExitCode RunCommand(const CliOptions& options, Reporter& reporter,
                    const std::function<bool()>& interrupted, std::FILE* table) {
  if (options.fleet) return RunFleet(options, reporter, interrupted, table);
  std::filesystem::path file = options.file;
  if (options.command != Command::kRestore) {
    PatternFields fields;
    fields.name = options.controllers.empty() ? std::string() : options.controllers.front().name;
    FillPatternTimes(fields);
    file = PathFromText(ExpandPattern(options.output_pattern, fields));
  }
  return RunOn(options, options.target, file, reporter, interrupted);
}

}  // namespace corvane::cli
