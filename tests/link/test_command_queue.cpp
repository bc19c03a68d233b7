#include "link/CommandQueue.h"

#include <QMutexLocker>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values)
    b.append(static_cast<char>(v));
  return b;
}

} // namespace

TEST(CommandQueue, EntriesAreScrambledWithTheIdentificationBlock) {
  CommandQueue q;
  q.putKeyCode(0x0130);
  EXPECT_EQ(q.bytes(), bytes({0x30, 0x01}));

  q.queueClear();
  q.setPhoneId({0, 0, 0, 0, 0x11, 0x22, 0x33, 0x44});
  q.putKeyCode(0x0130);
  EXPECT_EQ(q.bytes(), bytes({0x56, 0x23}));

  // Entries keep the block of the moment they were queued.
  q.setPhoneId({});
  q.putText("AB");
  EXPECT_EQ(q.bytes(), bytes({0x56, 0x23, 0x41, 0x00, 0x42, 0x00}));

  q.queueClear();
  q.putText("");
  EXPECT_EQ(q.size(), 0);
  q.putText("\xE9");
  EXPECT_EQ(q.bytes(), bytes({0xE9, 0x00}));
}

TEST(CommandQueue, DrainsTwentyBytesThenTheRest) {
  CommandQueue q;
  for (int i = 0; i < 12; ++i)
    q.putKeyCode(static_cast<uint16_t>(0x0130 + i));
  const QByteArray all = q.bytes();
  ASSERT_EQ(all.size(), 24);
  EXPECT_EQ(q.takeFront(20), all.left(20));
  EXPECT_EQ(q.takeFront(20), all.mid(20));
  EXPECT_EQ(q.size(), 0);

  q.queueAppend(all);
  q.queueDropFront();
  EXPECT_EQ(q.bytes(), all.mid(20));
  q.queueDropFront(); // fewer than 20 left: empties, never underflows
  EXPECT_EQ(q.size(), 0);
}

TEST(CommandQueue, ConsumerOnAnotherThreadSeesWholeBlocks) {
  CommandQueue q;
  std::atomic<bool> done{false};
  std::atomic<long> received{0};
  std::atomic<int> torn{0};
  constexpr int kBlocks = 20000;
  constexpr int kBlockSize = 6; // putText of three characters

  std::thread consumer([&] {
    while (!done || q.size() > 0) {
      const QByteArray bytes = q.takeAll();
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
      q.putText("xyz");
  });
  producer.join();
  done = true;
  consumer.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(received.load(), long(kBlocks) * kBlockSize);
}
