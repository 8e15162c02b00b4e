#include "keypad/keypad.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "support/queue_drain.h"

namespace corvane {
namespace {

class KeypadTest : public ::testing::Test {
 protected:
  // The bytes that reached the queue, drained in order.
  std::vector<int> Sent() {
    const std::string bytes = testing::TakeAllQueued(queue_);
    const auto* codes = reinterpret_cast<const uint8_t*>(bytes.data());
    return std::vector<int>(codes, codes + bytes.size());
  }
  std::vector<int> Press(std::initializer_list<VirtualKey> keys) {
    for (const VirtualKey key : keys) keypad_.ForwardKey(key);
    return Sent();
  }

  TransmitQueue queue_;
  Keypad keypad_{queue_};
};

TEST_F(KeypadTest, CtrlArmsOnlyTheVeryNextKeyDown) {
  EXPECT_EQ(Press({kVkControl, VkDigit(1)}), (std::vector<int>{140}));
  // Ctrl held: the key-down before the 2 was the 1.
  EXPECT_EQ(Press({kVkControl, VkDigit(1), VkDigit(2)}), (std::vector<int>{140, 50}));
  // Shift sends nothing but replaces Ctrl as the last key-down.
  EXPECT_EQ(Press({kVkControl, kVkShift, VkDigit(1)}), (std::vector<int>{49}));
  // Ctrl auto-repeating still arms.
  EXPECT_EQ(Press({kVkControl, kVkControl, VkLetter('M')}), (std::vector<int>{123}));
  EXPECT_EQ(Press({kVkControl, VkDigit(0), kVkControl, VkLetter('B'), kVkControl, VkDigit(9)}),
            (std::vector<int>{48, 66, 148}));
  // An unlisted key disarms as well.
  EXPECT_EQ(Press({kVkControl, kVkF12, VkLetter('A')}), (std::vector<int>{65}));
}

TEST_F(KeypadTest, EveryKeyDownUpdatesLastKeyDownSentOrNot) {
  EXPECT_EQ(keypad_.LastKeyDown(), 0u);
  auto result = keypad_.ForwardKey(VkNumpad(5));
  EXPECT_FALSE(result.code.has_value());
  EXPECT_FALSE(result.Sent());
  EXPECT_EQ(keypad_.LastKeyDown(), VkNumpad(5));
  result = keypad_.ForwardKey(kVkBack);
  EXPECT_EQ(result.code, 37);
  EXPECT_TRUE(result.Sent());
  EXPECT_EQ(keypad_.LastKeyDown(), kVkBack);
  // Auto-repeat sends once per key-down.
  EXPECT_EQ(Press({kVkUp, kVkUp, kVkUp}), (std::vector<int>{37, 38, 38, 38}));
}

TEST_F(KeypadTest, ClicksSendTheirSoftKeyEveryTime) {
  const auto result = keypad_.ForwardClick(155, 60);
  EXPECT_EQ(result.code, 140);
  EXPECT_TRUE(result.Sent());
  keypad_.ForwardClick(155, 60);
  keypad_.ForwardClick(203, 60);  // between two areas
  keypad_.ForwardClick(564, 89);
  EXPECT_EQ(keypad_.LastClick().x, 564);
  EXPECT_EQ(keypad_.LastClick().y, 89);
  EXPECT_EQ(Sent(), (std::vector<int>{140, 140, 147}));
  // Clicks leave the Ctrl rule alone.
  keypad_.ForwardKey(kVkControl);
  keypad_.ForwardClick(300, 60);
  EXPECT_EQ(Press({VkDigit(3)}), (std::vector<int>{142, 142}));  // the click, then Ctrl+3
}

TEST_F(KeypadTest, FullQueueRefusesTheCodeWithoutWaiting) {
  ASSERT_EQ(queue_.EnqueueBytes(std::vector<uint8_t>(TransmitQueue::kMaxUnsent, 'x')),
            EnqueueResult::kAppended);
  const auto key = keypad_.ForwardKey(VkLetter('Q'));
  EXPECT_EQ(key.code, 'Q');
  EXPECT_TRUE(key.refused);
  EXPECT_FALSE(key.Sent());
  EXPECT_EQ(keypad_.LastKeyDown(), VkLetter('Q'));
  const auto click = keypad_.ForwardClick(400, 50);
  EXPECT_EQ(click.code, 144);
  EXPECT_TRUE(click.refused);
  // The unsent bytes are intact and nothing was added.
  EXPECT_EQ(queue_.UnsentCount(), TransmitQueue::kMaxUnsent);
  uint8_t block[TransmitQueue::kBlockSize];
  ASSERT_EQ(queue_.TakeSendBlock(block), TransmitQueue::kBlockSize);
  queue_.ConsumeSendBlock(TransmitQueue::kBlockSize);
  // Room again: the next key goes out.
  EXPECT_TRUE(keypad_.ForwardKey(VkLetter('Q')).Sent());
  EXPECT_EQ(queue_.UnsentCount(), TransmitQueue::kMaxUnsent - TransmitQueue::kBlockSize + 1);
}

}  // namespace
}  // namespace corvane
