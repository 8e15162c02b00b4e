// File names in the code page and outside it, end to end on Windows: the
// real file dialogs answered as an operator would, their choice handed to
// the commands, the caption of the real main window, the bytes on the disk,
// and corvane-cli.exe given such a name on its command line.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/commands.h"
#include "app/menu_table.h"
#include "cli/exit_codes.h"
#include "files/path_text.h"
#include "keypad/keypad.h"
#include "link/protocol.h"
#include "params/capture.h"
#include "params/restore.h"
#include "params/text_file.h"
#include "screen/status_counters.h"
#include "support/front_end_fakes.h"
#include "support/queue_drain.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"
#include "win32/file_dialogs.h"
#include "win32/main_window.h"
#include "win32/message_boxes.h"
#include "win32/replay_bar.h"
#include "win32/screen_view.h"
#include "win32/ui_tasks.h"
#include "win32/wide_text.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::TakeAllQueued;
using testing::WriteWholeFile;

const std::vector<std::wstring> kNames = {L"Sicherung J\u00fcrgen.spb", L"Param\u00e8tres.spb",
                                          L"\u0394\u03bf\u03ba\u03b9\u03bc\u03ae.spb",
                                          L"\u8a66\u9a13.spb"};

// Answers the next file dialog titled `title` with `name`, as an operator
// typing the name and pressing Enter would, from a thread of its own while
// the dialog runs its modal loop.
class DialogAnswer {
 public:
  DialogAnswer(std::wstring title, std::wstring name)
      : thread_([this, title, name] { Answer(title, name); }) {}
  ~DialogAnswer() {
    done_ = true;
    thread_.join();
  }

 private:
  void Answer(const std::wstring& title, const std::wstring& name) {
    while (!done_) {
      const HWND dialog = FindWindowW(L"#32770", title.c_str());
      HWND edit = dialog != nullptr ? GetDlgItem(dialog, cmb13) : nullptr;
      if (dialog != nullptr && edit == nullptr) edit = GetDlgItem(dialog, edt1);
      if (edit != nullptr) {
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(10);  // the dialog is another program's window: nothing to wait on
    }
  }

  std::atomic<bool> done_{false};
  std::thread thread_;
};

class Win32FileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create());
    dialogs_.Attach(window_.Handle());
    link_.up = true;
  }

  std::wstring Caption() const {
    std::wstring caption(1024, L'\0');
    caption.resize(static_cast<size_t>(
        GetWindowTextW(window_.Handle(), caption.data(), static_cast<int>(caption.size()))));
    return caption;
  }

  ScratchDir dir_;
  TransmitQueue queue_;
  StatusCounters counters_;
  testing::RecordingMessages messages_;
  testing::RecordingDisplay display_;
  CaptureState capture_{queue_, counters_, messages_, [](std::chrono::milliseconds) {}};
  RestoreRequest restore_;
  Keypad keypad_{queue_};
  ScreenView view_;
  MessageBoxes boxes_;
  UiTasks tasks_;
  ReplayBar replay_bar_;
  MainWindow window_{
      GetModuleHandleW(nullptr), SW_HIDE, {keypad_, view_, boxes_, tasks_, replay_bar_}};
  FileDialogs dialogs_;
  testing::FakePortSetting port_;
  testing::FakeLink link_{port_};
  testing::FakePortDialog port_dialog_;
  testing::FakePictureView picture_;
  testing::FakeClipboard clipboard_;
  testing::FakeSettings settings_;
  CommandDispatch dispatch_{CommandParts{counters_, capture_, restore_, messages_, link_, port_,
                                         dialogs_, port_dialog_, window_, picture_, clipboard_,
                                         settings_, [](std::chrono::milliseconds) {}}};
};

TEST_F(Win32FileNames, BackupAndRestoreThroughTheDialogsKeepTheExactName) {
  for (const std::wstring& name : kNames) {
    const std::string text = Utf8FromWide(name);
    SCOPED_TRACE(text);
    const std::filesystem::path path = dir_.Path() / name;
    {
      DialogAnswer answer(WideFromUtf8(MenuTextOf(command_id::kBackupStation1)), path.wstring());
      ASSERT_TRUE(dispatch_.Run(command_id::kBackupStation1));
    }
    ASSERT_EQ(TakeAllQueued(queue_), "<12>") << "no file was chosen";
    EXPECT_EQ(Caption(), L"Mirelon - " + name);
    // The bytes go to the ".partial" under the same name, then take its place.
    EXPECT_TRUE(std::filesystem::exists(PartialBackupPath(path)));
    for (const char c : std::string("1 2 ;\n3 4 ;\n]")) {
      capture_.CaptureParameterByte(static_cast<uint8_t>(c), display_);
    }
    EXPECT_EQ(ReadWholeFile(path), "1 2 ;\r\n3 4 ;\r\n");
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
      names.push_back(entry.path().filename().wstring());
    }
    EXPECT_EQ(names, std::vector<std::wstring>{name});

    {
      DialogAnswer answer(WideFromUtf8(MenuTextOf(command_id::kRestoreAll)), path.wstring());
      ASSERT_TRUE(dispatch_.Run(command_id::kRestoreAll));
    }
    const std::optional<RestoreSnapshot> armed = restore_.SnapshotIfArmed();
    ASSERT_TRUE(armed.has_value());
    testing::DrainingSender sender(queue_);
    RestoreContext context{queue_, counters_, display_, messages_, restore_};
    EXPECT_TRUE(RunRestore(*armed, context, std::stop_token()));
    EXPECT_EQ(sender.StopAndTake(), "<2>1 2 ;3 4 ;}<1>");
    std::filesystem::remove(path);
  }
  EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(Win32FileNames, AParameterFileBeyond260CharactersIsBackedUpAndRead) {
  std::filesystem::path folder = dir_.Path();
  while (folder.native().size() < 300) folder /= std::wstring(60, L'\u00e4');
  ASSERT_TRUE(std::filesystem::create_directories(folder));
  // Handed to the capture as a chooser would hand it: Wine's own dialog
  // takes no folder this deep.
  const std::filesystem::path path = folder / kNames[3];
  ASSERT_TRUE(capture_.StartBackup(path, BackupCommand(1)));
  ASSERT_EQ(TakeAllQueued(queue_), "<12>");
  for (const char c : std::string("5 6 ;\n]")) {
    capture_.CaptureParameterByte(static_cast<uint8_t>(c), display_);
  }
  std::error_code error;
  const std::unique_ptr<TextFileReader> file = TextFileReader::Open(path, error);
  ASSERT_TRUE(file) << error.message();
  std::string line;
  EXPECT_TRUE(file->ReadLine(line));
  EXPECT_EQ(line, "5 6 ;");
  EXPECT_EQ(messages_.Count(), 0u);
}

// corvane-cli.exe restore <name>: the file is read first, so an exact name
// goes on to the port (which is not there), a changed one stops at the file.
TEST(Win32CliNames, ACommandLineNameOutsideTheCodePageReachesTheFile) {
  ScratchDir dir;
  const std::filesystem::path path = dir.Path() / kNames[3];
  WriteWholeFile(path, "1 2 ;\r\n");
  std::wstring command = L"\"" + std::filesystem::path(CORVANE_CLI_PATH).wstring() +
                         L"\" restore \"" + path.wstring() + L"\" --port 99 --timeout 1 -q";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exit_code, static_cast<DWORD>(cli::ExitStatus(cli::ExitCode::kNotConnected)));
}

}  // namespace
}  // namespace corvane
