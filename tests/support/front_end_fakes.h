// Stand-ins for the shell's dialogs, window and link, so the commands run
// without a modal dialog or a serial port, and a helper that reads back
// what went into the transmit queue.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/front_end.h"
#include "link/transmit_queue.h"
#include "support/queue_drain.h"
#include "support/test_doubles.h"

namespace corvane::testing {

// Answers each dialog with the next prepared choice (empty = Cancel) and
// records what it was asked.
class FakeChooser : public FileChooser {
 public:
  struct Asked {
    bool save;
    std::string title;
    std::string default_name;
    FileKind kind;
  };
  std::deque<std::optional<FileChoice>> answers;
  std::vector<Asked> asked;

  std::optional<FileChoice> ChooseSaveFile(const FileChooserRequest& request) override {
    return Answer(true, request);
  }
  std::optional<FileChoice> ChooseOpenFile(const FileChooserRequest& request) override {
    return Answer(false, request);
  }

 private:
  std::optional<FileChoice> Answer(bool save, const FileChooserRequest& request) {
    asked.push_back(
        {save, std::string(request.title), std::string(request.default_name), request.kind});
    if (answers.empty()) return std::nullopt;
    std::optional<FileChoice> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class FakePortDialog : public PortDialog {
 public:
  std::optional<std::string> answer;
  std::vector<int> shown_ports;
  std::optional<std::string> AskPortNumber(int current_port) override {
    shown_ports.push_back(current_port);
    return answer;
  }
  std::optional<std::string> address_answer;
  std::vector<std::string> shown_addresses;
  std::optional<std::string> AskNetworkAddress(std::string_view current_address) override {
    shown_addresses.emplace_back(current_address);
    return address_answer;
  }
};

class FakePortSetting : public PortSetting {
 public:
  int port = 3;
  int saves = 0;
  std::error_code save_error;  // what every Save reports
  std::string address;
  int Port() const override { return port; }
  void SetPort(int p) override { port = p; }
  std::string NetworkAddress() const override { return address; }
  void SetNetworkAddress(std::string a) override { address = std::move(a); }
  std::error_code Save() override {
    ++saves;
    return save_error;
  }
  std::filesystem::path FilePath() const override { return "/settings/config.dpm"; }
};

// Records the calls in order; "open" succeeds for the ports in `working`
// and the device server addresses in `working_addresses`. A device
// server's open answers at once, or, with `hold_addresses`, only at
// AnswerHeldOpen (whatever `working_addresses` says then); a release or
// another open cancels a held one, as the program's link does.
class FakeLink : public LinkControl {
 public:
  explicit FakeLink(const PortSetting& setting) : setting_(setting) {}
  std::vector<int> working;
  std::vector<std::string> working_addresses;
  std::vector<std::string> calls;
  bool up = false;
  bool hold_addresses = false;

  void OpenLink(Opened opened) override {
    CancelHeld();
    if (const std::string address = setting_.NetworkAddress(); !address.empty()) {
      calls.push_back("open " + address);
      held_ = std::move(opened);
      held_address_ = address;
      if (!hold_addresses) AnswerHeldOpen();
      return;
    }
    calls.push_back("open " + std::to_string(setting_.Port()));
    up = std::find(working.begin(), working.end(), setting_.Port()) != working.end();
    opened(up ? std::error_code() : std::make_error_code(std::errc::no_such_device));
  }
  void AnswerHeldOpen() {
    Opened opened = std::exchange(held_, nullptr);
    if (!opened) return;
    up = std::find(working_addresses.begin(), working_addresses.end(), held_address_) !=
         working_addresses.end();
    opened(up ? std::error_code() : std::make_error_code(std::errc::connection_refused));
  }
  void ReleaseLink() override {
    CancelHeld();
    calls.push_back("release");
    up = false;
  }
  bool LinkUp() const override { return up; }
  bool Opening() const override { return held_ != nullptr; }

 private:
  void CancelHeld() {
    if (Opened opened = std::exchange(held_, nullptr)) {
      opened(MakeErrorCode(NetworkError::kCancelled));
    }
  }
  const PortSetting& setting_;
  Opened held_;
  std::string held_address_;
};

class FakeWindow : public WindowControl {
 public:
  std::vector<std::string> captions;
  int abouts = 0;
  int closes = 0;
  int shows = 0;
  void ShowWindow() override { ++shows; }
  void SetCaption(const std::string& caption) override { captions.push_back(caption); }
  std::string about_details;
  void ShowAbout(const std::string& details) override {
    ++abouts;
    about_details = details;
  }
  void CloseWindow() override { ++closes; }
};

// Shows `picture` (empty: no picture has arrived yet), is on `monitor`,
// and records each zoom it is given and each check of Draw While
// Receiving.
class FakePictureView : public PictureView {
 public:
  std::vector<Pixel> picture;
  std::vector<ZoomMode> zooms;
  MonitorScale monitor;
  bool CopyShownPicture(std::vector<Pixel>& pixels) const override {
    if (picture.empty()) return false;
    pixels = picture;
    return true;
  }
  void ShowZoom(ZoomMode mode) override { zooms.push_back(mode); }
  bool WindowShown() const override { return shown; }
  void SizeWindowToPicture() override { ++sized_to_picture; }
  bool shown = false;
  int sized_to_picture = 0;
  MonitorScale WindowMonitor() const override { return monitor; }
  std::vector<bool> draw_while_receiving;
  void CheckDrawWhileReceiving(bool on) override { draw_while_receiving.push_back(on); }
};

// Keeps what was put on it; every put fails with `error` when set.
class FakeClipboard : public ImageClipboard {
 public:
  std::vector<Pixel> pixels;
  int width = 0;
  int height = 0;
  std::error_code error;
  std::error_code PutPicture(std::span<const Pixel> picture, int w, int h) override {
    if (error) return error;
    pixels.assign(picture.begin(), picture.end());
    width = w;
    height = h;
    return {};
  }
};

class FakeSettings : public SettingsStore {
 public:
  std::map<std::string, std::string, std::less<>> values;
  std::optional<std::string> ReadSetting(std::string_view key) const override {
    const auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  void WriteSetting(std::string_view key, std::string_view value) override {
    values[std::string(key)] = std::string(value);
  }
};

// A scheduler on a hand-driven clock: posted work waits until the test
// advances time past it, so no test sleeps through a delay.
// Post takes work from any thread (a link's opener posts its answer); the
// test's thread runs it.
class ManualScheduler : public UiScheduler {
 public:
  void Post(std::function<void()> task) override { PostDelayed({}, std::move(task)); }
  void PostDelayed(std::chrono::milliseconds delay, std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    pending_.push_back({now_ + delay, std::move(task)});
    posted_.notify_all();
  }
  // Moves the clock on by `step`, running what falls due in time order.
  void Advance(std::chrono::milliseconds step) {
    std::unique_lock lock(mutex_);
    const std::chrono::milliseconds end = now_ + step;
    for (;;) {
      auto next = std::min_element(pending_.begin(), pending_.end(),
                                   [](const Entry& a, const Entry& b) { return a.due < b.due; });
      if (next == pending_.end() || next->due > end) break;
      now_ = next->due;
      std::function<void()> task = std::move(next->task);
      pending_.erase(next);
      lock.unlock();
      task();
      lock.lock();
    }
    now_ = end;
  }
  size_t Pending() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
  }
  // Waits, up to `limit`, until at least `count` tasks are pending.
  bool WaitForPending(size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, limit, [&] { return pending_.size() >= count; });
  }

 private:
  struct Entry {
    std::chrono::milliseconds due;
    std::function<void()> task;
  };
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::chrono::milliseconds now_{0};
  std::vector<Entry> pending_;
};

}  // namespace corvane::testing
