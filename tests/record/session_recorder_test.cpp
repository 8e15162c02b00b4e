// The recorder on a real link over a pseudo-terminal, beside the receiver:
// what it recorded is what the receiver saw and the sender wrote.
#include "record/session_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hub/serial_link.h"
#include "link/protocol.h"
#include "record/recorded_picture.h"
#include "record/recording_reader.h"
#include "support/device_directory.h"
#include "support/opened.h"
#include "support/pty_pair.h"
#include "support/receiver_rig.h"
#include "support/scratch_dir.h"

namespace corvane {
namespace {

using testing::DeviceDirectory;
using testing::PtyPair;
using testing::ReceiverRig;

constexpr int kPort = 3;

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(SessionRecorder, WhatIsRecordedIsWhatTheReceiverAndTheSenderHadOnTheWire) {
  PtyPair pty;
  DeviceDirectory dir;
  dir.MapPort(kPort, pty.SlavePath());
  ReceiverRig rig;
  SerialLink link(
      rig.context, [](int) {}, dir.Path());
  RecordingSettings settings;
  settings.file = dir / "session.cvr";
  settings.link_name = "COM3";
  testing::RecordingMessages messages;
  const auto recorder = SessionRecorder::Create(settings, &messages, nullptr);
  std::vector<std::vector<Pixel>> wire_pictures;
  {
    const ScopedSink sink(link.Sinks(), *recorder);
    ASSERT_FALSE(recorder->Begin());
    ASSERT_TRUE(testing::Opened(link.OpenLink(kPort)));
    ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);

    // Images that each leave most of the screen as the one before, one
    // written in pieces, one started over by a second "{", and noise
    // outside any frame; the picture after each as the receiver drew it.
    const std::vector<std::string> writes = {"{B9C5D1}", "{{E9E9E9E7}", "junk{G4H2", "I3}",
                                             "{A9B9C9D9E9G9H9I9J9K9L9M9N9O9P9}"};
    for (const std::string& write : writes) {
      pty.Write(write);
      if (write.back() != '}') continue;
      ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);
      rig.display.WaitForPictures(static_cast<int>(wire_pictures.size()) + 1);
      wire_pictures.push_back(rig.display.LastPicture());
    }

    // Keys, a backup of station 1 and its restore.
    for (const uint8_t key : {uint8_t{0x41}, uint8_t{0x26}, uint8_t{140}}) {
      rig.queue.EnqueueByte(key);
    }
    EXPECT_EQ(pty.ReadCount(3), "A&\x8c");
    ASSERT_TRUE(rig.capture.StartBackup((dir / "one.spb").string(), BackupCommand(1)));
    EXPECT_EQ(pty.ReadCount(4), "<12>");
    const size_t texts = rig.display.TextCount();
    pty.Write("[1 2 ;\n3 4 ;\n]");
    rig.display.WaitForTexts(texts + 3);
    rig.restore.ArmRestore((dir / "one.spb").string(), false, 0);
    pty.Write("{A}");
    EXPECT_EQ(pty.ReadUntil("}<1>"), "<2>1 2 ;3 4 ;}<1>");
    rig.display.WaitForPictures(static_cast<int>(wire_pictures.size()) + 1);
    wire_pictures.push_back(rig.display.LastPicture());
    link.CloseLink();
  }
  ASSERT_FALSE(recorder->Stop());
  EXPECT_EQ(messages.Count(), 0u);

  std::string error;
  auto reader = RecordingReader::Open(settings.file, error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(reader->Header().Field("link"), "COM3");
  std::vector<std::string> payloads;
  std::vector<uint64_t> image_times;
  std::string keys, commands, block, restore, events;
  RecordedItem item;
  while (reader->Next(item)) {
    switch (item.type) {
      case RecordType::kImage:
        payloads.push_back(Text(item.payload));
        image_times.push_back(item.time_us);
        break;
      case RecordType::kKeys: keys += Text(item.payload); break;
      case RecordType::kCommand: commands += Text(item.payload); break;
      case RecordType::kBlockData: block += Text(item.payload); break;
      case RecordType::kBlockEnd: block += "|end " + std::to_string(item.payload.at(0)); break;
      case RecordType::kRestoreStart: restore += "start|"; break;
      case RecordType::kRestoreData: restore += Text(item.payload); break;
      case RecordType::kRestoreEnd: restore += "|end"; break;
      case RecordType::kLinkEvent: events += std::to_string(item.payload.at(0)); break;
      default: break;
    }
  }
  EXPECT_FALSE(reader->Damage()) << reader->Damage()->Message();
  EXPECT_TRUE(reader->EndedCleanly());
  EXPECT_EQ(payloads, rig.display.Payloads());
  EXPECT_EQ(keys, "A&\x8c");
  EXPECT_EQ(commands, "<12>");
  EXPECT_EQ(block, "1 2 ;\n3 4 ;\n|end 0");
  EXPECT_EQ(restore, "start|1 2 ;3 4 ;|end");
  EXPECT_EQ(events, "13");  // opened, closed

  // Each image's time shows the picture the receiver drew from it.
  ASSERT_EQ(image_times.size(), wire_pictures.size());
  for (size_t i = 0; i < image_times.size(); ++i) {
    RecordedPicture picture;
    ASSERT_EQ(PictureAt(*reader, image_times[i], picture), PictureAtResult::kFound) << i;
    EXPECT_TRUE(std::equal(wire_pictures[i].begin(), wire_pictures[i].end(), picture.Pixels()))
        << "image " << i;
  }
}

TEST(SessionRecorder, AFailedWriteStopsTheRecordingWithAMessageAndNotTheLink) {
  PtyPair pty;
  DeviceDirectory dir;
  dir.MapPort(kPort, pty.SlavePath());
  ReceiverRig rig;
  SerialLink link(
      rig.context, [](int) {}, dir.Path());
  RecordingSettings settings;
  // Every write to it fails as on a full disk.
  settings.file = "/dev/full";
  testing::RecordingMessages messages;
  const auto recorder = SessionRecorder::Create(settings, &messages, nullptr);
  const ScopedSink sink(link.Sinks(), *recorder);
  ASSERT_FALSE(recorder->Begin());
  ASSERT_TRUE(testing::Opened(link.OpenLink(kPort)));
  ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);
  pty.Write("{" + std::string(20'000, '9') + "}");
  ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);
  ASSERT_TRUE(messages.WaitForMessages(1));
  EXPECT_EQ(messages.Messages()[0].caption, "Recording Stopped");
  EXPECT_NE(messages.Messages()[0].text.find("No space left"), std::string::npos);
  EXPECT_TRUE(recorder->Failed());
  // The mirror goes on.
  pty.Write("{B9}");
  ASSERT_EQ(pty.ReadUntil(kScreenRequest), kScreenRequest);
  EXPECT_TRUE(rig.display.WaitForPictures(2));
  link.CloseLink();
  EXPECT_EQ(recorder->Stop(), std::errc::no_space_on_device);
}

}  // namespace
}  // namespace corvane
