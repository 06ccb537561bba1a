#include "Application.h"
#include "EventLoopHelpers.h"
#include "Exceptions.h"
#include "NotifyChannel.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <memory>
#include <thread>
#include <vector>

TEST(NotifyChannel, DeliversInPostingOrderFromTwoThreads) {
  constexpr int kPerThread = 20000;  // well past the initial ring size, so it grows under load
  std::vector<std::pair<uintptr_t, intptr_t>> got;
  TNotifyChannel channel([&](TMessage& m) { got.emplace_back(m.WParam, m.LParam); });
  const TNotifyHandle handle = channel.Handle();
  auto poster = [handle](uintptr_t id) {
    for (int i = 0; i < kPerThread; ++i) ASSERT_TRUE(handle.Post(1, id, i));
  };
  std::thread a(poster, 1), b(poster, 2);
  a.join();
  b.join();
  ASSERT_TRUE(ProcessEventsUntil([&] { return got.size() == 2 * kPerThread; }));
  intptr_t next[3] = {0, 0, 0};
  for (auto [id, seq] : got) {
    ASSERT_TRUE(id == 1 || id == 2);
    ASSERT_EQ(seq, next[id]) << "thread " << id;
    ++next[id];
  }
  EXPECT_EQ(channel.Pending(), 0);
}

TEST(NotifyChannel, DeliversInsideModalDialogAndMessageBox) {
  int delivered = 0;
  QDialog dialog;
  std::unique_ptr<QMessageBox> box;
  TNotifyChannel channel([&](TMessage& m) {
    ++delivered;
    if (m.Msg == 1) dialog.done(7);
    if (m.Msg == 2) box->done(QMessageBox::Ok);
  });
  const TNotifyHandle handle = channel.Handle();
  std::thread poster;
  QTimer::singleShot(0, [&] { poster = std::thread([handle] { handle.Post(1); }); });
  EXPECT_EQ(dialog.exec(), 7);
  poster.join();

  box = std::make_unique<QMessageBox>(QMessageBox::Information, "t", "x");
  QTimer::singleShot(0, [&] { handle.Post(2); });
  EXPECT_EQ(box->exec(), QMessageBox::Ok);
  EXPECT_EQ(delivered, 2);
}

TEST(NotifyChannel, HandlerRunningNestedLoopGetsNoNestedDelivery) {
  std::vector<int> log;
  TNotifyChannel channel([&](TMessage& m) {
    log.push_back(int(m.Msg));
    if (m.Msg == 1) {
      QEventLoop loop;
      QTimer::singleShot(0, &loop, &QEventLoop::quit);
      loop.exec();
      log.push_back(-1);
    }
  });
  const TNotifyHandle handle = channel.Handle();
  handle.Post(1);
  handle.Post(2);
  handle.Post(3);
  ASSERT_TRUE(ProcessEventsUntil([&] { return log.size() == 4; }));
  EXPECT_EQ(log, (std::vector<int>{1, -1, 2, 3}));
}

TEST(NotifyChannel, DeliverPendingWithANestedLoopInAHandler_leavesLaterPostsDeliverable) {
  std::vector<int> log;
  TNotifyHandle handle;
  TNotifyChannel channel([&](TMessage& m) {
    log.push_back(int(m.Msg));
    if (m.Msg == 1) {
      handle.Post(3);  // queued behind 2, after DeliverPending took its count
      // Long enough for the channel's wake-up to fire inside, and be used up.
      QEventLoop loop;
      QTimer::singleShot(100, &loop, &QEventLoop::quit);
      loop.exec();
    }
  });
  handle = channel.Handle();
  handle.Post(1);
  handle.Post(2);
  channel.DeliverPending();
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return log.size() == 3; }, 3000)) << "the message posted meanwhile stalls";
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

TEST(NotifyChannel, HandlerExceptionIsShownAndLaterMessagesStillArrive) {
  TExceptionCapture captured;
  std::vector<int> got;
  TNotifyChannel channel([&](TMessage& m) {
    got.push_back(int(m.Msg));
    if (m.Msg == 2) throw EStreamError("disk full");
  });
  const TNotifyHandle handle = channel.Handle();
  for (uint32_t i = 1; i <= 4; ++i) handle.Post(i);
  ASSERT_TRUE(ProcessEventsUntil([&] { return got.size() == 4; }));
  EXPECT_EQ(got, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(captured.Messages, QStringList{"disk full"});
  // Still usable afterwards.
  handle.Post(5);
  ASSERT_TRUE(ProcessEventsUntil([&] { return got.size() == 5; }));
}

TEST(NotifyChannel, DestroyedWithMessagesQueuedDropsThem) {
  auto calls = std::make_shared<int>(0);
  auto channel = std::make_unique<TNotifyChannel>([calls](TMessage&) { ++*calls; });
  const TNotifyHandle handle = channel->Handle();
  for (int i = 0; i < 5; ++i) handle.Post(1);
  EXPECT_EQ(channel->Pending(), 5);
  channel.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(*calls, 0);
  EXPECT_FALSE(handle.Post(1)) << "posting to a destroyed channel is refused";
  EXPECT_FALSE(TNotifyHandle().Post(1));
}

TEST(NotifyChannel, DestroyedInsideItsOwnHandler) {
  int calls = 0;
  std::unique_ptr<TNotifyChannel> channel;
  channel = std::make_unique<TNotifyChannel>([&](TMessage&) {
    ++calls;
    channel.reset();
  });
  const TNotifyHandle handle = channel->Handle();
  for (int i = 0; i < 3; ++i) handle.Post(1);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !channel; }));
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(handle.Post(1));
}
