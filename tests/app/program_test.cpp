#include "app/program.h"

#include <gtest/gtest.h>

#include <string>

#include "files/path_text.h"
#include "support/front_end_fakes.h"
#include "support/scratch_dir.h"
#include "support/test_doubles.h"

namespace corvane {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

// Started in a folder whose name is not ASCII, the program reads the port
// from the config.dpm there and a new port is saved into the same file.
TEST(ProgramFolder, ReadsAndSavesConfigDpmInAFolderOfAnyName) {
  testing::ScratchDir scratch;
  const std::filesystem::path folder = scratch.Path() / PathFromText("J\u00fcrgen \u8a66\u9a13");
  std::filesystem::create_directory(folder);
  WriteWholeFile(folder / "config.dpm", "COM Port=7\r\n");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  {
    Program program(std::filesystem::current_path());
    std::filesystem::current_path(before);
    EXPECT_EQ(program.ConfigReadResult(), ReadConfigResult::kRead);
    EXPECT_EQ(program.Config().ComPort(), 7);

    testing::FakeWindow window;
    testing::RecordingDisplay display;
    testing::FakeChooser chooser;
    testing::FakePortDialog port_dialog;
    testing::RecordingMessages messages;
    testing::ManualScheduler scheduler;
    testing::FakePictureView picture;
    testing::FakeClipboard clipboard;
    testing::FakeSettings settings;
    program.Attach(FrontEnd{window, display, chooser, port_dialog, messages, scheduler, picture,
                            clipboard, settings});
    program.Dispatch().ApplyPortNumber("9");
    EXPECT_EQ(program.Config().ComPort(), 9);
    for (const OperatorMessage& message : messages.Messages()) {
      EXPECT_EQ(message.text.find("cannot be saved"), std::string::npos) << message.text;
    }
  }
  EXPECT_EQ(ReadWholeFile(folder / "config.dpm"), "COM Port=9\r\n");
}

}  // namespace
}  // namespace corvane
