// The Windows window replaying a recording, under Wine: the trackbar seeks,
// the view then holds the decoder's picture of that time, a key goes
// nowhere until Back to Live.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "app/menu_table.h"
#include "app/replay_session.h"
#include "keypad/keypad.h"
#include "record/recorded_picture.h"
#include "record/recording_writer.h"
#include "screen/display_switch.h"
#include "support/front_end_fakes.h"
#include "support/queue_drain.h"
#include "support/scratch_dir.h"
#include "support/stepped_recording.h"
#include "support/test_doubles.h"
#include "win32/main_window.h"
#include "win32/message_boxes.h"
#include "win32/replay_bar.h"
#include "win32/screen_view.h"
#include "win32/ui_tasks.h"

namespace corvane {
namespace {

constexpr uint64_t kSecond = 1'000'000;

// Runs the window's messages until `done` holds; false after ten seconds.
bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    // The player is another thread, with nothing the test could wait on.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

class Win32Replay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create());
    const HWND window = window_.Handle();
    view_.Attach(window);
    boxes_.Attach(window);
    tasks_.Attach(window);
    bar_.Attach(window);
    session_.SetControls(&bar_);
    bar_.SetSeekHandler([this](uint64_t position_us) { session_.Seek(position_us); });
    window_.SetCommandHandler([](int) { return false; });
  }

  testing::ScratchDir dir_;
  TransmitQueue queue_;
  Keypad keypad_{queue_};
  ScreenView view_;
  MessageBoxes boxes_;
  UiTasks tasks_;
  ReplayBar bar_;
  MainWindow window_{GetModuleHandleW(nullptr), SW_HIDE, {keypad_, view_, boxes_, tasks_, bar_}};
  DisplaySwitch display_{view_.Display()};
  testing::FakeChooser chooser_;
  testing::RecordingMessages messages_;
  ReplayCaption caption_{window_};
  ReplaySession session_{ReplayParts{display_, keypad_, chooser_, messages_, caption_, tasks_}};
};

TEST_F(Win32Replay, TheTrackbarSeeksToTheDecodersPictureAndKeysWaitForLive) {
  const std::filesystem::path file = dir_.Path() / "night.cvr";
  testing::WriteSteppedRecording(file, 40, 0);
  session_.Open(file);
  ASSERT_TRUE(PumpUntil([&] { return session_.Model().Length() == 39 * kSecond; }));
  const HWND trackbar = FindWindowExW(window_.Handle(), nullptr, TRACKBAR_CLASSW, nullptr);
  ASSERT_NE(trackbar, nullptr);
  EXPECT_TRUE(GetWindowLongW(trackbar, GWL_STYLE) & WS_VISIBLE);

  SendMessageW(trackbar, TBM_SETPOS, TRUE, 275);  // tenths of a second
  SendMessageW(window_.Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 275),
               reinterpret_cast<LPARAM>(trackbar));
  ASSERT_TRUE(PumpUntil([&] { return session_.ShownTime() == 27'500'000u; }));
  PumpUntil([] { return true; });
  std::vector<Pixel> shown;
  ASSERT_TRUE(view_.CopyShownPicture(shown));
  std::string error;
  auto reader = RecordingReader::Open(file, error);
  ASSERT_TRUE(reader) << error;
  RecordedPicture expected;
  ASSERT_EQ(PictureAt(*reader, 27'500'000, expected), PictureAtResult::kFound);
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), expected.Pixels()));

  SendMessageW(window_.Handle(), WM_KEYDOWN, VK_F3, 0);
  EXPECT_EQ(testing::TakeAllQueued(queue_), "");
  session_.BackToLive();
  EXPECT_FALSE(GetWindowLongW(trackbar, GWL_STYLE) & WS_VISIBLE);
  SendMessageW(window_.Handle(), WM_KEYDOWN, VK_F3, 0);
  EXPECT_EQ(testing::TakeAllQueued(queue_), "r");
  EXPECT_EQ(messages_.Count(), 0u);
}

}  // namespace
}  // namespace corvane
