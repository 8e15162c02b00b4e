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

// A whole front end of fakes, for a Program to attach to.
struct FakeFrontEnd {
  testing::FakeWindow window;
  testing::RecordingDisplay display;
  testing::FakeChooser chooser;
  testing::FakePortDialog port_dialog;
  testing::RecordingMessages messages;
  testing::ManualScheduler scheduler;
  testing::FakePictureView picture;
  testing::FakeClipboard clipboard;
  testing::FakeSettings settings;
  FrontEnd Parts() {
    return FrontEnd{window,    display, chooser,   port_dialog, messages,
                    scheduler, picture, clipboard, settings};
  }
};

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

    FakeFrontEnd front;
    program.Attach(front.Parts());
    program.Dispatch().ApplyPortNumber("9");
    EXPECT_EQ(program.Config().ComPort(), 9);
    for (const OperatorMessage& message : front.messages.Messages()) {
      EXPECT_EQ(message.text.find("cannot be saved"), std::string::npos) << message.text;
    }
  }
  EXPECT_EQ(ReadWholeFile(folder / "config.dpm"), "COM Port=9\r\n");
}

// A device server's address in the settings store wins over config.dpm's
// COM port at start; COMM Port goes back to the COM port, and the file
// never hears of the address.
TEST(ProgramStart, ARememberedAddressWinsOverTheComPortUntilCommPortIsChosen) {
  testing::ScratchDir dir;
  WriteWholeFile(dir.Path() / "config.dpm", "COM Port=7\r\n");
  Program program(dir.Path());
  FakeFrontEnd front;
  testing::FakeWindow& window = front.window;
  testing::RecordingMessages& messages = front.messages;
  testing::FakeSettings& settings = front.settings;
  // Port 1 on the loopback: nobody listens there, so the open is refused.
  settings.values["NetworkPort"] = "socket://127.0.0.1:1";
  program.Attach(front.Parts());
  // The refusal is heard off the UI thread and posted back.
  EXPECT_TRUE(program.Start());
  EXPECT_EQ(messages.Count(), 0u);
  ASSERT_TRUE(front.scheduler.WaitForPending(1, std::chrono::seconds(5)));
  front.scheduler.Advance({});
  ASSERT_EQ(messages.Count(), 1u);
  const std::string text = messages.Messages()[0].text;
  EXPECT_EQ(text.rfind("Connection Failed \nThe device server 127.0.0.1:1\n", 0), 0u) << text;
  program.Dispatch().ApplyPortNumber("7");
  EXPECT_EQ(settings.values["NetworkPort"], "");
  EXPECT_EQ(window.captions.back(), "Corvane - COM7");
  EXPECT_EQ(ReadWholeFile(dir.Path() / "config.dpm"), "COM Port=7\r\n");
}

}  // namespace
}  // namespace corvane
