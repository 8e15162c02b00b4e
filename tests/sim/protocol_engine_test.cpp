#include "protocol_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "panel_renderer.h"
#include "sim_test_support.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::DecodesTo;

class ProtocolEngineTest : public ::testing::Test {
 protected:
  void Send(std::string_view bytes) { engine_.Receive(Bytes(bytes)); }
  std::string Drain() {
    std::string out;
    while (engine_.HasPendingReply()) engine_.ProduceNextReply(out);
    return out;
  }

  PanelModel model_{1};
  FaultOptions faults_{};
  ProtocolEngine engine_{model_, faults_, 1};
};

size_t Count(const std::string& s, char c) {
  return static_cast<size_t>(std::count(s.begin(), s.end(), c));
}

TEST_F(ProtocolEngineTest, AnswersAScreenRequestWithExactlyOneImageOfThePanel) {
  Send("<1>");
  const std::string out = Drain();
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out.front(), '{');
  EXPECT_EQ(out.back(), '}');
  EXPECT_EQ(Count(out, '{'), 1u);
  EXPECT_EQ(Count(out, '}'), 1u);
  EXPECT_EQ(Count(out, '['), 0u);
  // The payload is the panel as it stands after the frame was counted.
  LetterImage expected;
  RenderPanel(model_, expected);
  EXPECT_TRUE(DecodesTo(std::string_view(out).substr(1, out.size() - 2), expected));
  EXPECT_EQ(engine_.ImagesSent(), 1u);
  EXPECT_EQ(model_.Frame(), 1u);
}

TEST_F(ProtocolEngineTest, SendsNothingUnasked) {
  Send(
      std::string("\x27\x28"
                  "12\r",
                  5));
  Send("<2>" + std::to_string(MakeAddress(108, 0, 0, 0)) + " 5 ;}");
  Send("}]>x");
  EXPECT_FALSE(engine_.HasPendingReply());
  EXPECT_TRUE(Drain().empty());
}

TEST_F(ProtocolEngineTest, AnswersInTheOrderAskedEvenWhenBytesArriveOneByOne) {
  for (const char c : std::string("<1><12><1><11>")) Send(std::string(1, c));
  ASSERT_EQ(engine_.PendingReplies(), 4u);
  std::string out;
  engine_.ProduceNextReply(out);
  EXPECT_EQ(out.front(), '{');
  EXPECT_EQ(out.back(), '}');
  out.clear();
  engine_.ProduceNextReply(out);
  EXPECT_EQ(out, "[" + model_.Store().BackupText(0) + "]");
  out.clear();
  engine_.ProduceNextReply(out);
  EXPECT_EQ(out.front(), '{');
  out.clear();
  engine_.ProduceNextReply(out);
  EXPECT_EQ(out, "[" + model_.Store().BackupText(-1) + "]");
  EXPECT_EQ(model_.LastTransfer(), "BACKUP ALL, 240 REC");
}

TEST_F(ProtocolEngineTest, EveryBackupCommandNamesItsStation) {
  for (int station = 1; station <= 8; ++station) {
    Send("<1" + std::to_string(station + 1) + ">");
    EXPECT_EQ(Drain(), "[" + model_.Store().BackupText(station - 1) + "]") << station;
  }
}

TEST_F(ProtocolEngineTest, TellsCommandsFromKeyCodes) {
  // "<" always opens a command; a byte that breaks one is taken on its own.
  Send("<<1>");
  EXPECT_EQ(engine_.PendingReplies(), 1u);
  Send("<1\x28");  // Down breaks the command and acts as a key
  EXPECT_EQ(engine_.PendingReplies(), 1u);
  EXPECT_EQ(model_.SelectedStation(), 1);
  Send("<3><10><123>");  // unknown commands are ignored; "3" of "<123" is a key
  EXPECT_EQ(engine_.PendingReplies(), 1u);
  EXPECT_EQ(model_.Entry(), "3");
  Send("5");
  EXPECT_EQ(model_.Entry(), "35");
}

TEST_F(ProtocolEngineTest, KeysChangeTheNextImage) {
  Send("<1>");
  const std::string first = Drain();
  Send("\x8c");                                  // soft key S1
  Send(std::string(1, static_cast<char>(142)));  // soft key S3
  Send("<1>");
  const std::string second = Drain();
  EXPECT_NE(first, second);
  EXPECT_EQ(model_.SelectedStation(), 2);
  EXPECT_EQ(model_.LastKey(), 142);
  LetterImage expected;
  RenderPanel(model_, expected);
  EXPECT_TRUE(DecodesTo(std::string_view(second).substr(1, second.size() - 2), expected));
  const SoftKeyRect& s3 = kSoftKeyRects[2];
  EXPECT_EQ(expected.At(s3.left + 2, kSoftKeyTop + 3), kColourYellow);
}

TEST_F(ProtocolEngineTest, AppliesRestoreDataInBothForms) {
  const uint32_t set = MakeAddress(108, 0, 3, 0);
  const uint32_t name = MakeAddress(200, 0, 3, 0);
  const uint32_t mode = MakeAddress(201, 0, 3, 0);
  // Full form: file lines back to back.
  Send("<2>" + std::to_string(set) + " 111 ;" + std::to_string(name) + " 2,TANK;" +
       std::to_string(mode) + " 3 ;}");
  EXPECT_EQ(model_.Store().Find(set)->value, 111u);
  EXPECT_EQ(model_.Store().Find(name)->text, "TANK");
  EXPECT_EQ(model_.Store().Find(mode)->value, 3u);
  EXPECT_EQ(model_.LastTransfer(), "RESTORE 3 REC, 0 BAD");
  // Partial form, split at awkward places, with a soft key slipped in.
  const std::string partial = "<2>" + std::to_string(set) + " 222 ;\n" + std::to_string(name) +
                              " 4 SILO;" + std::to_string(mode) + " 5 ;\n}";
  for (size_t i = 0; i < partial.size(); i += 3) {
    Send(partial.substr(i, 3));
    if (i == 9) Send("\x91");  // S6
  }
  EXPECT_EQ(model_.Store().Find(set)->value, 222u);
  EXPECT_EQ(model_.Store().Find(name)->text, "SILO");
  EXPECT_EQ(model_.Store().Find(name)->value, 4u);
  EXPECT_EQ(model_.Store().Find(mode)->value, 5u);
  EXPECT_EQ(model_.SelectedStation(), 5);
  EXPECT_EQ(model_.Stats().restores, 2u);
  EXPECT_EQ(model_.Stats().records_restored, 6u);
  EXPECT_FALSE(engine_.InRestore());
  // A screen request after the restore is a command again.
  Send("<1>");
  EXPECT_EQ(engine_.PendingReplies(), 1u);
}

TEST_F(ProtocolEngineTest, CountsRefusedRestoreRecords) {
  Send("<2>1 2 ;" + std::to_string(MakeAddress(108, 0, 0, 0)) + " ;" + std::string(2000, '7') +
       ";" + std::to_string(MakeAddress(108, 0, 0, 1)) + " 9 ;12 3}");
  EXPECT_EQ(model_.Store().Find(MakeAddress(108, 0, 0, 1))->value, 9u);
  EXPECT_EQ(model_.LastTransfer(), "RESTORE 1 REC, 4 BAD");
  EXPECT_EQ(model_.Stats().records_rejected, 4u);
}

TEST_F(ProtocolEngineTest, ARestoreCutOffLeavesTheNextScreenRequestACommand) {
  const uint32_t a = MakeAddress(108, 0, 1, 2);
  Send("<2>" + std::to_string(a) + " 77 ;" + std::to_string(a) + " 8");
  Send("<1>");  // without the pause, this is restore data
  EXPECT_TRUE(engine_.InRestore());
  EXPECT_FALSE(engine_.HasPendingReply());
  engine_.AbandonRestore();
  EXPECT_FALSE(engine_.InRestore());
  EXPECT_EQ(model_.Store().Find(a)->value, 77u);
  EXPECT_EQ(model_.LastTransfer(), "RESTORE 1 REC, 1 BAD CUT OFF");
  Send("<1>");
  EXPECT_EQ(engine_.PendingReplies(), 1u);
  // Outside a restore there is nothing to abandon.
  engine_.AbandonRestore();
  EXPECT_EQ(model_.Stats().restores, 1u);
}

TEST(ProtocolEngineFaults, InjectsWhatWasAskedFor) {
  PanelModel model;
  FaultOptions faults;
  faults.garbage_bytes = 20;
  faults.drop_close_every = 2;
  faults.bracket_every = 3;
  ProtocolEngine engine(model, faults, 9);
  for (int i = 1; i <= 6; ++i) {
    engine.Receive(Bytes("<1>"));
    std::string out;
    engine.ProduceNextReply(out);
    const size_t open = out.find('{');
    ASSERT_NE(open, std::string::npos);
    ASSERT_GE(open, 1u) << "garbage goes before the image";
    // Garbage never holds "{" or "[", so a "[" can only be the injected one.
    EXPECT_EQ(out.find('[') != std::string::npos, i % 3 == 0) << "image " << i;
    EXPECT_EQ(out.back() == '}', i % 2 != 0) << "image " << i;
  }
}

TEST(ProtocolEngineFaults, StallsAndHangsUpAfterTheirImage) {
  PanelModel model;
  FaultOptions faults;
  faults.stall_after = 2;
  ProtocolEngine engine(model, faults, 1);
  engine.Receive(Bytes("<1><1><1>"));
  std::string out;
  while (engine.HasPendingReply()) engine.ProduceNextReply(out);
  EXPECT_EQ(engine.ImagesSent(), 2u);
  EXPECT_TRUE(engine.Stalled());
  engine.Receive(Bytes("<1>\x8f"));
  EXPECT_FALSE(engine.HasPendingReply());
  EXPECT_EQ(model.SelectedStation(), 0) << "a stalled controller ignores keys too";

  PanelModel model2;
  FaultOptions hang;
  hang.hangup_after = 1;
  ProtocolEngine engine2(model2, hang, 1);
  engine2.Receive(Bytes("<1><1>"));
  EXPECT_FALSE(engine2.HangupDue());
  std::string out2;
  engine2.ProduceNextReply(out2);
  EXPECT_TRUE(engine2.HangupDue());
  EXPECT_FALSE(engine2.HasPendingReply());
}

}  // namespace
}  // namespace corvane::sim
