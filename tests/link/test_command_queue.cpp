#include "link/CommandQueue.h"

#include <QMutexLocker>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values)
    b.append(static_cast<char>(v));
  return b;
}

} // namespace

TEST(CommandQueue, EntriesAreScrambledWithTheIdentificationBlock) {
  TCommandQueue q;
  q.PutKeyCode(0x0130);
  EXPECT_EQ(q.Bytes(), Bytes({0x30, 0x01}));

  q.QueueClear();
  q.SetPhoneId({0, 0, 0, 0, 0x11, 0x22, 0x33, 0x44});
  q.PutKeyCode(0x0130);
  EXPECT_EQ(q.Bytes(), Bytes({0x56, 0x23}));

  // Entries keep the block of the moment they were queued.
  q.SetPhoneId({});
  q.PutText("AB");
  EXPECT_EQ(q.Bytes(), Bytes({0x56, 0x23, 0x41, 0x00, 0x42, 0x00}));

  q.QueueClear();
  q.PutText("");
  EXPECT_EQ(q.Size(), 0);
  q.PutText("\xE9");
  EXPECT_EQ(q.Bytes(), Bytes({0xE9, 0x00}));
}

TEST(CommandQueue, DrainsTwentyBytesThenTheRest) {
  TCommandQueue q;
  for (int i = 0; i < 12; ++i)
    q.PutKeyCode(static_cast<uint16_t>(0x0130 + i));
  const QByteArray all = q.Bytes();
  ASSERT_EQ(all.size(), 24);
  EXPECT_EQ(q.TakeFront(20), all.left(20));
  EXPECT_EQ(q.TakeFront(20), all.mid(20));
  EXPECT_EQ(q.Size(), 0);

  q.QueueAppend(all);
  q.QueueDropFront();
  EXPECT_EQ(q.Bytes(), all.mid(20));
  q.QueueDropFront(); // fewer than 20 left: empties, never underflows
  EXPECT_EQ(q.Size(), 0);
}

TEST(CommandQueue, ConsumerOnAnotherThreadSeesWholeBlocks) {
  TCommandQueue q;
  std::atomic<bool> done{false};
  std::atomic<long> received{0};
  std::atomic<int> torn{0};
  constexpr int kBlocks = 20000;
  constexpr int kBlockSize = 6; // PutText of three characters

  std::thread consumer([&] {
    while (!done || q.Size() > 0) {
      const QByteArray bytes = q.TakeAll();
      if (bytes.size() % kBlockSize != 0)
        ++torn;
      for (qsizetype i = 0; i + kBlockSize <= bytes.size(); i += kBlockSize)
        if (bytes.mid(i, kBlockSize) != QByteArray("x\0y\0z\0", 6))
          ++torn;
      received += bytes.size();
    }
  });
  std::thread producer([&] {
    for (int i = 0; i < kBlocks; ++i)
      q.PutText("xyz");
  });
  producer.join();
  done = true;
  consumer.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(received.load(), long(kBlocks) * kBlockSize);
}
