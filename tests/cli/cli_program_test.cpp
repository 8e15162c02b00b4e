// corvane-cli itself, run as an operator's script runs it, against
// mirelon-sim on a pseudo-terminal: the files it writes, its exit statuses
// and what it says on standard error.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_port.h"
#include "panel_model.h"
#include "panel_renderer.h"
#include "parameter_store.h"
#include "record/recording_reader.h"
#include "screen/screen_image.h"
#include "screen/surface.h"
#include "support/end_child.h"
#include "support/opened.h"
#include "support/pty_pair.h"
#include "support/scratch_dir.h"
#include "support/ser2net.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

extern char** environ;

namespace corvane::cli {
namespace {

using corvane::testing::ReadWholeFile;
using corvane::testing::ScratchDir;
using corvane::testing::WriteWholeFile;

pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& dir,
            const std::filesystem::path& err, int out_fd = -1) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out_fd >= 0) posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitExit(pid_t pid) {
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The simulated controller, its link "com9" in the scratch folder.
class Sim {
 public:
  Sim(const ScratchDir& dir, std::vector<std::string> extra = {}) {
    int out[2];
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    std::vector<std::string> args = {MIRELON_SIM_PATH, "--dir", dir.Path().string(), "--port", "9"};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = Spawn(args, dir.Path(), dir / "sim.err", out[1]);
    close(out[1]);
    // The first line announces the link: from then on it can be opened.
    char c = 0;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 10000) == 1 && read(out[0], &c, 1) == 1 && c != '\n') {
    }
    EXPECT_EQ(c, '\n') << "mirelon-sim did not announce its link";
    close(out[0]);
  }
  ~Sim() { testing::EndChild(pid_, "mirelon-sim"); }

 private:
  pid_t pid_ = -1;
};

struct CliRun {
  int status;
  std::string err;
};

CliRun RunCli(const ScratchDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), CORVANE_CLI_PATH);
  const int status = WaitExit(Spawn(args, dir.Path(), dir / "cli.err"));
  return {status, ReadWholeFile(dir / "cli.err")};
}

// Text as the program's files hold it: every LF as CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(CliProgram, BackupsHoldExactlyWhatTheControllerSent) {
  ScratchDir dir;
  Sim sim(dir);
  const CliRun all = RunCli(dir, {"backup", "--port", "9", "--all", "-o", "all.spb"});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(ReadWholeFile(dir / "all.spb"), WithCrLf(sim::ParameterStore().BackupText(-1)));
  EXPECT_NE(all.err.find("240 records"), std::string::npos) << all.err;

  const CliRun one = RunCli(dir, {"backup", "--device", (dir / "com9").string(), "--station", "3",
                                  "--quiet", "-o", "three.spb"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(ReadWholeFile(dir / "three.spb"), WithCrLf(sim::ParameterStore().BackupText(2)));
  EXPECT_EQ(one.err, "") << "--quiet prints errors only";
}

TEST(CliProgram, ABackupNeverWritesThroughALinkLeftAsItsPartial) {
  ScratchDir dir;
  Sim sim(dir);
  WriteWholeFile(dir / "other.txt", "someone else's file");
  std::filesystem::create_symlink(dir / "other.txt", dir / "x.spb.partial");
  const CliRun run = RunCli(dir, {"backup", "--port", "9", "--station", "2", "-o", "x.spb"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadWholeFile(dir / "other.txt"), "someone else's file");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "x.spb")));
  EXPECT_EQ(ReadWholeFile(dir / "x.spb"), WithCrLf(sim::ParameterStore().BackupText(1)));
}

TEST(CliProgram, ARestoreToAnotherStationLandsThereAndNowhereElse) {
  ScratchDir dir;
  Sim sim(dir);
  ASSERT_EQ(RunCli(dir, {"backup", "--port", "9", "--station", "1", "-o", "one.spb"}).status, 0);
  // A record a partial restore carries (type 108 or 201 and above), with a
  // value no station has.
  const std::string text = sim::ParameterStore().BackupText(0);
  std::string edited;
  uint32_t changed_address = 0;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string line = text.substr(start, end - start + 1);
    const uint32_t address = static_cast<uint32_t>(std::stoul(line));
    const uint32_t type = address >> 16;
    if (changed_address == 0 && (type == 108 || type > 200)) {
      changed_address = address;
      line = std::to_string(address) + " 4242 ;\n";
    }
    edited += line;
  }
  ASSERT_NE(changed_address, 0u);
  WriteWholeFile(dir / "edited.spb", WithCrLf(edited));

  const CliRun restore = RunCli(dir, {"restore", "--port", "9", "edited.spb", "--to-station", "6"});
  ASSERT_EQ(restore.status, 0) << restore.err;
  ASSERT_EQ(RunCli(dir, {"backup", "--port", "9", "--station", "6", "-o", "six.spb"}).status, 0);
  ASSERT_EQ(RunCli(dir, {"backup", "--port", "9", "--station", "1", "-o", "after.spb"}).status, 0);

  // Station 6's field of the address is 5.
  const uint32_t on_six = (changed_address & ~0xF0u) | (5u << 4);
  EXPECT_NE(ReadWholeFile(dir / "six.spb").find(std::to_string(on_six) + " 4242 ;\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadWholeFile(dir / "after.spb"), ReadWholeFile(dir / "one.spb"));
}

TEST(CliProgram, TheScreenshotIsTheNextImageAsTheWindowShowsIt) {
  ScratchDir dir;
  Sim sim(dir);
  const CliRun run = RunCli(dir, {"screenshot", "--port", "9", "-o", "screen.png"});
  ASSERT_EQ(run.status, 0) << run.err;

  int width = 0, height = 0, components = 0;
  const std::string png = ReadWholeFile(dir / "screen.png");
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                            static_cast<int>(png.size()), &width, &height, &components, 3),
      stbi_image_free);
  ASSERT_TRUE(rgb);
  ASSERT_EQ(width, Surface::kWidth);
  ASSERT_EQ(height, Surface::kHeight);

  // The first image of a fresh seed-1 simulator: its panel after one
  // frame, in pens, with the window's frame drawn over it.
  sim::PanelModel model(1);
  model.AdvanceFrame();
  sim::LetterImage letters;
  sim::RenderPanel(model, letters);
  Surface expected;
  for (size_t i = 0; i < letters.letters.size(); ++i) {
    expected.MutablePixels()[i] = PenTable(letters.letters[i]).value_or(0);
  }
  DrawScreenFrame(expected);
  long differing = 0;
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    const stbi_uc* q = rgb.get() + i * 3;
    if (MakePixel(q[0], q[1], q[2]) != expected.Pixels()[i]) ++differing;
  }
  EXPECT_EQ(differing, 0);
}

TEST(CliProgram, TheLogHoldsBothDirectionsInTimeOrder) {
  ScratchDir dir;
  // Paced, so the log stays small under the sanitizers.
  Sim sim(dir, {"--baud", "1000000"});
  const CliRun run = RunCli(dir, {"log", "--port", "9", "--seconds", "1", "-o", "wire.log"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string log = ReadWholeFile(dir / "wire.log");
  std::string sent, received;
  double last_time = 0;
  size_t lines = 0;
  for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    const std::string line = log.substr(start, end - start);
    if (line.starts_with("#")) continue;
    ++lines;
    const double time = std::stod(line);
    EXPECT_GE(time, last_time) << line;
    last_time = time;
    const size_t way =
        line.find(" TX ") != std::string::npos ? line.find(" TX ") : line.find(" RX ");
    ASSERT_NE(way, std::string::npos) << line;
    std::string& bytes = line.compare(way, 4, " TX ") == 0 ? sent : received;
    for (size_t at = way + 4; at + 1 < line.size() + 1; at += 3) {
      bytes += static_cast<char>(std::stoi(line.substr(at, 2), nullptr, 16));
    }
  }
  ASSERT_GT(lines, 3u);
  EXPECT_TRUE(sent.starts_with("<1>")) << sent.substr(0, 20);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.front(), '{');
  // Nothing but screen requests went out: one at the start and one at the
  // end of each whole image (the last perhaps cut off, even part way, by
  // the close).
  size_t images = 0;
  for (size_t at = 0; (at = received.find('}', at)) != std::string::npos; ++at) ++images;
  EXPECT_GE(images, 1u);
  const size_t requests = (sent.size() + 2) / 3;
  std::string expected_sent;
  for (size_t i = 0; i < requests; ++i) expected_sent += "<1>";
  EXPECT_EQ(sent, expected_sent.substr(0, sent.size()));
  EXPECT_TRUE(requests == images || requests == images + 1) << requests << " " << images;
}

TEST(CliProgram, APortHeldElsewhereIsRefusedEitherWay) {
  ScratchDir dir;
  Sim sim(dir, {"--baud", "1000000"});
  {
    // Held as the window holds it.
    SerialPort window;
    ASSERT_TRUE(testing::Opened(window.OpenSerialPort(9, dir.Path())));
    const CliRun run = RunCli(dir, {"screenshot", "--port", "9", "-o", "screen.png"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("in use by another program"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "screen.png"));
  }
  // Held by corvane-cli: the log file appears once the port is its own.
  const pid_t cli =
      Spawn({CORVANE_CLI_PATH, "log", "--port", "9", "--seconds", "1", "-o", "wire.log"},
            dir.Path(), dir / "cli.err");
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(dir / "wire.log") && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // another process: no condition
  }
  SerialPort window;
  EXPECT_EQ(window.OpenSerialPort(9, dir.Path()), std::errc::device_or_resource_busy);
  EXPECT_EQ(WaitExit(cli), 0) << ReadWholeFile(dir / "cli.err");
}

TEST(CliProgram, AControllerThatDoesNotAnswerEndsInATimeOut) {
  ScratchDir dir;
  {
    // A line nobody ever answers on.
    corvane::testing::PtyPair pty;
    WriteWholeFile(dir / "b.spb", "an earlier good backup");
    const CliRun backup =
        RunCli(dir, {"backup", "--device", pty.SlavePath(), "--timeout", "0.3", "-o", "b.spb"});
    EXPECT_EQ(backup.status, 3);
    EXPECT_NE(backup.err.find("time-out"), std::string::npos) << backup.err;
    EXPECT_EQ(ReadWholeFile(dir / "b.spb"), "an earlier good backup");
    EXPECT_TRUE(std::filesystem::exists(dir / "b.spb.partial"));
    const CliRun screenshot =
        RunCli(dir, {"screenshot", "--device", pty.SlavePath(), "--timeout", "0.3", "-o", "s.png"});
    EXPECT_EQ(screenshot.status, 3);
    EXPECT_FALSE(std::filesystem::exists(dir / "s.png"));
  }
  // Answers its first screen request, at whose end the file goes out, and
  // then nothing more.
  Sim sim(dir, {"--stall-after", "1"});
  WriteWholeFile(dir / "one.spb", WithCrLf(sim::ParameterStore().BackupText(0)));
  const CliRun restore = RunCli(dir, {"restore", "--port", "9", "one.spb", "--timeout", "0.5"});
  EXPECT_EQ(restore.status, 3);
  EXPECT_NE(restore.err.find("did not answer afterwards"), std::string::npos) << restore.err;
}

TEST(CliProgram, FileErrorsComeBeforeThePortIsTouched) {
  ScratchDir dir;
  // No simulator at all: the file is looked at first, so the port never is.
  EXPECT_EQ(RunCli(dir, {"restore", "--port", "9", "missing.spb"}).status, 5);
  EXPECT_EQ(RunCli(dir, {"screenshot", "--port", "9", "-o", "no/such/folder/s.png"}).status, 5);
  const CliRun nothing = RunCli(dir, {"backup", "--port", "9", "-o", "b.spb"});
  EXPECT_EQ(nothing.status, 2);
  EXPECT_NE(nothing.err.find("cannot open COM9"), std::string::npos) << nothing.err;
}

// The picture a fresh seed-1 simulator's n-th image leaves in the window.
std::vector<Pixel> SimPicture(int images) {
  sim::PanelModel model(1);
  for (int i = 0; i < images; ++i) model.AdvanceFrame();
  sim::LetterImage letters;
  sim::RenderPanel(model, letters);
  Surface expected;
  for (size_t i = 0; i < letters.letters.size(); ++i) {
    expected.MutablePixels()[i] = PenTable(letters.letters[i]).value_or(0);
  }
  DrawScreenFrame(expected);
  return {expected.Pixels(), expected.Pixels() + Surface::kWidth * Surface::kHeight};
}

std::vector<Pixel> ReadPng(const std::filesystem::path& file) {
  int width = 0, height = 0, components = 0;
  const std::string png = ReadWholeFile(file);
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                            static_cast<int>(png.size()), &width, &height, &components, 3),
      stbi_image_free);
  std::vector<Pixel> pixels;
  if (!rgb || width != Surface::kWidth || height != Surface::kHeight) return pixels;
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    const stbi_uc* q = rgb.get() + i * 3;
    pixels.push_back(MakePixel(q[0], q[1], q[2]));
  }
  return pixels;
}

TEST(CliProgram, ThroughADeviceServerBackupsAndScreenshotsAreThoseOfThePty) {
  ScratchDir dir;
  Sim sim(dir);
  ASSERT_EQ(RunCli(dir, {"backup", "--port", "9", "--all", "-o", "pty.spb"}).status, 0);
  // ser2net in front of the simulator's own pseudo-terminal: the link's
  // real name, so that parallel tests never share a lock file.
  corvane::testing::Ser2net server(dir.Path(), std::filesystem::canonical(dir / "com9").string());
  const CliRun backup =
      RunCli(dir, {"backup", "--device", server.Rfc2217Url(), "--all", "--quiet", "-o", "net.spb"});
  ASSERT_EQ(backup.status, 0) << backup.err;
  EXPECT_EQ(ReadWholeFile(dir / "net.spb"), ReadWholeFile(dir / "pty.spb"));
  EXPECT_EQ(backup.err, "") << "what the server left unanswered is a note, not an error";

  // A fresh simulator's first image, over the bare TCP accepter.
  ScratchDir fresh_dir;
  Sim fresh(fresh_dir);
  corvane::testing::Ser2net fresh_server(fresh_dir.Path(),
                                         std::filesystem::canonical(fresh_dir / "com9").string());
  const CliRun shot =
      RunCli(dir, {"screenshot", "--device", fresh_server.SocketUrl(), "-o", "net.png"});
  ASSERT_EQ(shot.status, 0) << shot.err;
  EXPECT_TRUE(ReadPng(dir / "net.png") == SimPicture(1));
}

TEST(CliProgram, AnUnreachableDeviceServerIsAClearErrorAtOnce) {
  ScratchDir dir;
  const std::string refused =
      "socket://127.0.0.1:" + std::to_string(corvane::testing::FreeLoopbackPort());
  for (const std::string& url : {refused, std::string("rfc2217://no-such-controller.invalid:4001"),
                                 std::string("rfc2217://127.0.0.1")}) {
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = RunCli(dir, {"backup", "--device", url, "-o", "b.spb"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6)) << url;
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("cannot open " + url + ": "), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "b.spb"));
}

TEST(CliProgram, ARecordingKilledWhileItWritesIsReadToItsLastWholeImage) {
  ScratchDir dir;
  Sim sim(dir);  // unpaced: images as fast as the line takes them
  const pid_t cli = Spawn({CORVANE_CLI_PATH, "record", "--port", "9", "-o", "killed.cvr"},
                          dir.Path(), dir / "cli.err");
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  // file_size gives -1 for a file not there yet.
  std::error_code missing;
  while ((std::filesystem::file_size(dir / "killed.cvr", missing) < 60'000 || missing) &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // another process: no condition
  }
  kill(cli, SIGKILL);
  waitpid(cli, nullptr, 0);

  std::string error;
  auto reader = RecordingReader::Open(dir / "killed.cvr", error);
  ASSERT_TRUE(reader) << error;
  int images = 0;
  RecordedItem item;
  while (reader->Next(item)) images += item.type == RecordType::kImage ? 1 : 0;
  EXPECT_FALSE(reader->EndedCleanly());
  // Cut at a record's end, or inside the last one: never damaged otherwise.
  if (reader->Damage()) {
    EXPECT_NE(reader->Damage()->what.find("cut off"), std::string::npos)
        << reader->Damage()->Message();
  }
  ASSERT_GE(images, 2);

  const CliRun run = RunCli(dir, {"export", "killed.cvr", "--at", "99:00", "-o", "last.png"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(ReadPng(dir / "last.png") == SimPicture(images)) << images << " images";
}

std::vector<std::string> RecordedImages(const std::filesystem::path& file) {
  std::vector<std::string> images;
  std::string error;
  auto reader = RecordingReader::Open(file, error);
  EXPECT_TRUE(reader) << error;
  RecordedItem item;
  while (reader && reader->Next(item)) {
    if (item.type == RecordType::kImage)
      images.emplace_back(item.payload.begin(), item.payload.end());
  }
  return images;
}

TEST(CliProgram, ASimulatorReplayingARecordingServesItsImagesInOrderThenTheLast) {
  ScratchDir field;
  {
    Sim sim(field, {"--stall-after", "4"});
    const CliRun run =
        RunCli(field, {"record", "--port", "9", "--seconds", "1", "-o", "field.cvr"});
    ASSERT_EQ(run.status, 0) << run.err;
  }
  const std::vector<std::string> recorded = RecordedImages(field / "field.cvr");
  ASSERT_EQ(recorded.size(), 4u);

  ScratchDir desk;
  Sim sim(desk, {"--replay", (field / "field.cvr").string()});
  const CliRun run = RunCli(desk, {"record", "--port", "9", "--seconds", "0.5", "-o", "desk.cvr"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> served = RecordedImages(desk / "desk.cvr");
  ASSERT_GT(served.size(), recorded.size());
  for (size_t i = 0; i < served.size(); ++i) {
    EXPECT_TRUE(served[i] == recorded[std::min(i, recorded.size() - 1)]) << "image " << i;
  }
}

TEST(CliProgram, AFleetBackupWritesEachControllersFileAndEndsWithTheWorstStatus) {
  ScratchDir dir, dir_a, dir_b;
  Sim bench(dir), sim_a(dir_a), sim_b(dir_b);
  corvane::testing::Ser2net server_a(dir_a.Path(),
                                     std::filesystem::canonical(dir_a / "com9").string());
  corvane::testing::Ser2net server_b(dir_b.Path(),
                                     std::filesystem::canonical(dir_b / "com9").string());
  const std::string gone =
      "socket://127.0.0.1:" + std::to_string(corvane::testing::FreeLoopbackPort());
  // The list --all reads unless told otherwise.
  WriteWholeFile(dir / "controllers.txt", "# test hall\npress-a " + server_a.Rfc2217Url() +
                                              "\n\npress-b  " + server_b.SocketUrl() +
                                              "\nbench COM9\ngone " + gone + "  # switched off\n");
  const CliRun no_folder = RunCli(dir, {"backup", "--all", "-o", "backups/{name}.spb"});
  EXPECT_EQ(no_folder.status, 5);
  EXPECT_EQ(no_folder.err, "corvane-cli: cannot write to backups/: no such folder\n");
  std::filesystem::create_directory(dir / "backups");
  const int table = open((dir / "table.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const pid_t cli = Spawn({CORVANE_CLI_PATH, "backup", "--all", "-o", "backups/{name}-{date}.spb"},
                          dir.Path(), dir / "cli.err", table);
  close(table);
  const int status = WaitExit(cli);
  const std::string err = ReadWholeFile(dir / "cli.err");
  EXPECT_EQ(status, 2) << err;
  EXPECT_NE(err.find("corvane-cli: gone: cannot open " + gone), std::string::npos) << err;

  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "backups")) {
    files[entry.path().filename().string()] = ReadWholeFile(entry.path());
  }
  ASSERT_EQ(files.size(), 3u);
  const std::string expected = WithCrLf(sim::ParameterStore().BackupText(-1));
  std::string lines;
  for (const auto& [name, text] : files) {
    // "<name>-YYYY-MM-DD.spb"
    const size_t date = name.size() - std::string("-2024-05-02.spb").size();
    lines += name.substr(0, date) + " ";
    EXPECT_EQ(name.find_first_not_of("0123456789", date + 1), date + 5) << name;
    EXPECT_TRUE(text == expected) << name;
  }
  EXPECT_EQ(lines, "bench press-a press-b ");

  // Each controller's row in the list's order, under a heading.
  std::istringstream rows(ReadWholeFile(dir / "table.txt"));
  std::vector<std::vector<std::string>> cells;
  for (std::string row; std::getline(rows, row);) {
    std::istringstream words(row);
    cells.emplace_back(std::istream_iterator<std::string>(words),
                       std::istream_iterator<std::string>());
  }
  const std::string size = std::to_string(expected.size());
  const std::vector<std::vector<std::string>> start = {{"controller", "result", "bytes", "seconds"},
                                                       {"press-a", "ok", size},
                                                       {"press-b", "ok", size},
                                                       {"bench", "ok", size},
                                                       {"gone", "not", "connected", "0"}};
  ASSERT_EQ(cells.size(), start.size()) << ReadWholeFile(dir / "table.txt");
  for (size_t i = 0; i < cells.size(); ++i) {
    ASSERT_GE(cells[i].size(), start[i].size());
    EXPECT_TRUE(std::equal(start[i].begin(), start[i].end(), cells[i].begin())) << i;
  }
}

}  // namespace
}  // namespace corvane::cli
