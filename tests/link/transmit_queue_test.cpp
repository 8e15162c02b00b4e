#include "link/transmit_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/patience.h"
#include "support/queue_drain.h"

namespace corvane {
namespace {

using testing::TakeQueuedBlocks;

TEST(TransmitQueueBlocks, CommandLeavesAsSingleBytes) {
  TransmitQueue queue;
  EXPECT_EQ(queue.EnqueueBytes("<11>"), EnqueueResult::kAppended);
  EXPECT_EQ(queue.WritePosition(), 4);
  EXPECT_EQ(queue.PendingCount(), 4);
  EXPECT_EQ(TakeQueuedBlocks(queue), (std::vector<std::string>{"<", "1", "1", ">"}));
  EXPECT_EQ(queue.PendingCount(), 0);
}

TEST(TransmitQueueBlocks, ThirtyTwoOrOne) {
  for (int waiting : {31, 32, 33, 100}) {
    TransmitQueue queue;
    std::string bytes;
    for (int i = 0; i < waiting; ++i) bytes.push_back(static_cast<char>('a' + i % 26));
    queue.EnqueueBytes(bytes);
    const auto blocks = TakeQueuedBlocks(queue);
    std::vector<size_t> sizes;
    std::string joined;
    for (const auto& b : blocks) {
      sizes.push_back(b.size());
      joined += b;
    }
    std::vector<size_t> expected(static_cast<size_t>(waiting / 32), 32);
    expected.insert(expected.end(), static_cast<size_t>(waiting % 32), 1);
    EXPECT_EQ(sizes, expected) << waiting << " waiting";
    EXPECT_EQ(joined, bytes);
  }
}

TEST(TransmitQueueBlocks, EmptyAppendChangesNothing) {
  TransmitQueue queue;
  EXPECT_EQ(queue.EnqueueBytes(std::string_view{}), EnqueueResult::kAppended);
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(queue.PendingCount(), 0);
}

TEST(TransmitQueueWrap, LastSlotWrapsToZero) {
  TransmitQueue queue;
  queue.ResetPositionsForTest(TransmitQueue::kStorageSize - 1);
  queue.EnqueueByte('x');
  EXPECT_EQ(queue.WritePosition(), 0);
  EXPECT_EQ(TakeQueuedBlocks(queue), std::vector<std::string>{"x"});
  EXPECT_EQ(queue.ReadPosition(), 0);
}

TEST(TransmitQueueWrap, BlockStraddlesEndOfStorage) {
  TransmitQueue queue;
  queue.ResetPositionsForTest(TransmitQueue::kStorageSize - 10);
  const std::string bytes = "0123456789abcdefghijklmnopqrstuv";
  queue.EnqueueBytes(bytes);
  uint8_t block[TransmitQueue::kBlockSize];
  ASSERT_EQ(queue.TakeSendBlock(block), 32);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), 32), bytes);
  queue.ConsumeSendBlock(32);
  EXPECT_EQ(queue.ReadPosition(), 22);
  EXPECT_TRUE(queue.IsEmpty());
}

TEST(TransmitQueueRoom, FullQueueRefusesWholeStringAndKeepsUnsent) {
  TransmitQueue queue;
  std::vector<uint8_t> big(TransmitQueue::kMaxUnsent - 2, 'a');
  ASSERT_EQ(queue.EnqueueBytes(big), EnqueueResult::kAppended);
  EXPECT_EQ(queue.EnqueueBytes("<1>"), EnqueueResult::kRefused);
  EXPECT_EQ(queue.UnsentCount(), TransmitQueue::kMaxUnsent - 2);
  EXPECT_EQ(queue.EnqueueBytes("<1"), EnqueueResult::kAppended);
  EXPECT_EQ(queue.EnqueueByte('x'), EnqueueResult::kRefused);
  EXPECT_EQ(queue.UnsentCount(), TransmitQueue::kMaxUnsent);
  EXPECT_FALSE(queue.IsEmpty());
  // The oldest bytes are still the first ones appended.
  uint8_t block[TransmitQueue::kBlockSize];
  ASSERT_EQ(queue.TakeSendBlock(block), 32);
  EXPECT_EQ(block[0], 'a');
}

TEST(TransmitQueueRoom, StringLongerThanQueueIsRefusedEvenWhenWaiting) {
  TransmitQueue queue;
  std::vector<uint8_t> huge(TransmitQueue::kStorageSize, 'a');
  std::stop_source stop;
  EXPECT_EQ(queue.EnqueueBytesWaiting(huge, stop.get_token()), EnqueueResult::kRefused);
  EXPECT_TRUE(queue.IsEmpty());
}

TEST(TransmitQueueRoom, WaitingAppendGetsRoomFromConsumer) {
  TransmitQueue queue;
  std::vector<uint8_t> big(TransmitQueue::kMaxUnsent, 'a');
  ASSERT_EQ(queue.EnqueueBytes(big), EnqueueResult::kAppended);
  std::stop_source stop;
  std::thread producer([&] {
    EXPECT_EQ(queue.EnqueueBytesWaiting("<1>", stop.get_token()), EnqueueResult::kAppended);
  });
  uint8_t block[TransmitQueue::kBlockSize];
  const int n = queue.TakeSendBlock(block);
  queue.ConsumeSendBlock(n);
  producer.join();
  EXPECT_EQ(queue.UnsentCount(), TransmitQueue::kMaxUnsent - 32 + 3);
}

TEST(TransmitQueueRoom, WaitingAppendEndsOnStop) {
  TransmitQueue queue;
  std::vector<uint8_t> big(TransmitQueue::kMaxUnsent, 'a');
  ASSERT_EQ(queue.EnqueueBytes(big), EnqueueResult::kAppended);
  std::stop_source stop;
  std::thread producer([&] {
    EXPECT_EQ(queue.EnqueueBytesWaiting("<1>", stop.get_token()), EnqueueResult::kStopped);
  });
  stop.request_stop();
  producer.join();
  EXPECT_EQ(queue.UnsentCount(), TransmitQueue::kMaxUnsent);
}

TEST(TransmitQueueWaits, SenderWakesOnAppendAndOnStop) {
  TransmitQueue queue;
  std::stop_source stop;
  std::thread appender([&] { queue.EnqueueByte('k'); });
  EXPECT_TRUE(queue.WaitUntilNotEmpty(stop.get_token()));
  appender.join();
  TakeQueuedBlocks(queue);

  std::thread stopper([&] { stop.request_stop(); });
  EXPECT_FALSE(queue.WaitUntilNotEmpty(stop.get_token()));
  stopper.join();
}

TEST(TransmitQueueWaits, DrainWaitSeesEmptyOrTimesOut) {
  TransmitQueue queue;
  std::stop_source stop;
  EXPECT_TRUE(queue.WaitUntilEmpty(stop.get_token(), std::chrono::milliseconds(1)));
  queue.EnqueueByte('k');
  EXPECT_FALSE(queue.WaitUntilEmpty(stop.get_token(), std::chrono::milliseconds(1)));
  std::thread sender([&] { TakeQueuedBlocks(queue); });
  EXPECT_TRUE(queue.WaitUntilEmpty(stop.get_token(), testing::kPatience));
  sender.join();
}

// Two producers and the sender on their own threads: every string arrives
// whole and in its producer's order, and nothing is lost.
TEST(TransmitQueueConcurrency, ProducersStayContiguous) {
  TransmitQueue queue;
  constexpr int kStrings = 3000;
  std::stop_source stop;
  std::string received;
  std::thread sender([&] {
    uint8_t block[TransmitQueue::kBlockSize];
    while (true) {
      while (!queue.IsEmpty()) {
        const int n = queue.TakeSendBlock(block);
        received.append(reinterpret_cast<const char*>(block), static_cast<size_t>(n));
        queue.ConsumeSendBlock(n);
      }
      if (!queue.WaitUntilNotEmpty(stop.get_token())) break;
    }
  });
  auto produce = [&](char tag) {
    for (int i = 0; i < kStrings; ++i) {
      const std::string s = std::string("<") + tag + std::to_string(i % 10) + ">";
      ASSERT_EQ(queue.EnqueueBytesWaiting(s, stop.get_token()), EnqueueResult::kAppended);
    }
  };
  std::thread a(produce, 'a');
  std::thread b(produce, 'b');
  a.join();
  b.join();
  EXPECT_TRUE(queue.WaitUntilEmpty(stop.get_token(), testing::kPatience));
  stop.request_stop();
  sender.join();

  ASSERT_EQ(received.size(), 2u * kStrings * 4);
  int next[2] = {0, 0};
  for (size_t i = 0; i < received.size(); i += 4) {
    ASSERT_EQ(received[i], '<');
    ASSERT_EQ(received[i + 3], '>');
    const int who = received[i + 1] == 'a' ? 0 : 1;
    ASSERT_TRUE(received[i + 1] == 'a' || received[i + 1] == 'b');
    EXPECT_EQ(received[i + 2], '0' + next[who] % 10);
    ++next[who];
  }
  EXPECT_EQ(next[0], kStrings);
  EXPECT_EQ(next[1], kStrings);
}

}  // namespace
}  // namespace corvane
