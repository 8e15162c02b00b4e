// The Windows window replaying a recording, under Wine: the trackbar seeks,
// the view then holds the decoder's picture of that time, a key goes
// nowhere until Back to Live, which is grey while live; the stretch marked
// with the bar's buttons is exported as PNG frames.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "app/menu_table.h"
#include "app/replay_export.h"
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
    session_.SetMenu(&window_);
    bar_.SetSeekHandler([this](uint64_t position_us) { session_.Seek(position_us); });
    window_.SetCommandHandler([this](int command) {
      if (command == command_id::kReplayMarkStart) session_.MarkStart();
      if (command == command_id::kReplayMarkEnd) session_.MarkEnd();
      return command == command_id::kReplayMarkStart || command == command_id::kReplayMarkEnd;
    });
  }
  bool Greyed(int command) const {
    return GetMenuState(GetMenu(window_.Handle()), static_cast<UINT>(command), MF_BYCOMMAND) &
           MF_GRAYED;
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
  ReplayExport export_{ReplayExportParts{session_, chooser_, messages_, caption_, tasks_}};
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

TEST_F(Win32Replay, TheMarkedStretchIsExportedAsPngFramesAndBackToLiveIsGreyWhileLive) {
  EXPECT_TRUE(Greyed(command_id::kBackToLive));
  EXPECT_TRUE(Greyed(command_id::kExportClip));
  const std::filesystem::path file = dir_.Path() / "night.cvr";
  testing::WriteSteppedRecording(file, 40, 0);
  session_.Open(file);
  ASSERT_TRUE(PumpUntil([&] { return !Greyed(command_id::kExportClip); }));
  EXPECT_FALSE(Greyed(command_id::kBackToLive));
  for (const auto& [at, command] : {std::pair{10 * kSecond, command_id::kReplayMarkStart},
                                    std::pair{20 * kSecond, command_id::kReplayMarkEnd}}) {
    session_.Seek(at);
    const HWND button = GetDlgItem(window_.Handle(), command);
    ASSERT_TRUE(IsWindowEnabled(button));
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  chooser_.answers.push_back(FileChoice{dir_.Path() / "clip", "clip"});
  export_.ExportClip();
  ASSERT_TRUE(PumpUntil([&] { return messages_.Count() == 1; }));
  EXPECT_EQ(messages_.Messages()[0].text,
            "The clip (10 frames, 10.000 s) was saved to " + (dir_.Path() / "clip").string() + ".");
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "clip" / "frame-00010.png"));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "clip" / "frame-00011.png"));
  session_.BackToLive();
  EXPECT_TRUE(Greyed(command_id::kBackToLive));
}

}  // namespace
}  // namespace corvane
