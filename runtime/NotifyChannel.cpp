#include "NotifyChannel.h"
#include "Application.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "Exceptions.h"

// Shared between the channel (UI thread) and its handles (any thread). The
// queue part is guarded by Lock; the UI part is touched on the UI thread only.
class TNotifyChannelState {
 public:
  // ---- queue, any thread ----
  std::mutex Lock;
  std::vector<TMessage> Ring;  // capacity is a power of two; grows, never shrinks
  size_t Head = 0;
  size_t Count = 0;
  bool Closed = false;
  int WakeFd = -1;  // eventfd: readable while messages wait

  bool Push(const TMessage& m) {
    std::lock_guard guard(Lock);
    if (Closed) return false;
    if (Count == Ring.size()) Grow();
    Ring[(Head + Count) & (Ring.size() - 1)] = m;
    if (++Count == 1) Wake();
    return true;
  }

  bool Pop(TMessage& m) {
    std::lock_guard guard(Lock);
    if (Count == 0) return false;
    m = Ring[Head];
    Head = (Head + 1) & (Ring.size() - 1);
    --Count;
    return true;
  }

  size_t Pending() {
    std::lock_guard guard(Lock);
    return Count;
  }

  // Called with Lock held.
  void Wake() {
    const uint64_t one = 1;
    // A full counter still reads as readable, so a failed write loses nothing.
    [[maybe_unused]] ssize_t n = ::write(WakeFd, &one, sizeof one);
  }

  void Rearm() {
    std::lock_guard guard(Lock);
    if (Count > 0 && !Closed) Wake();
  }

  void Grow() {
    std::vector<TMessage> bigger(Ring.empty() ? 64 : Ring.size() * 2);
    for (size_t i = 0; i < Count; ++i) bigger[i] = Ring[(Head + i) & (Ring.size() - 1)];
    Ring.swap(bigger);
    Head = 0;
  }

  // ---- UI thread ----
  std::unique_ptr<QSocketNotifier> Notifier;
  std::shared_ptr<TNotifyChannel::TWndProc> WndProc;  // shared so a handler can outlive its channel
  bool Delivering = false;

  static void Deliver(const std::shared_ptr<TNotifyChannelState>& self);
};

void TNotifyChannelState::Deliver(const std::shared_ptr<TNotifyChannelState>& self) {
  uint64_t counter;
  [[maybe_unused]] ssize_t n = ::read(self->WakeFd, &counter, sizeof counter);
  // A handler that runs a modal loop sees no nested delivery: messages stay
  // one at a time and the outer delivery picks up what arrives meanwhile.
  if (self->Delivering || self->Closed) return;
  self->Delivering = true;
  // Deliver what is queued now; later posts wait for the next round so a busy
  // poster cannot starve the rest of the event loop.
  size_t budget = self->Pending();
  TMessage m;
  while (budget-- > 0 && !self->Closed && self->Pop(m)) {
    std::shared_ptr<TNotifyChannel::TWndProc> proc = self->WndProc;
    if (!proc || !*proc) continue;
    try {
      (*proc)(m);
    } catch (...) {
      // Leave the channel usable and the rest queued, then let the
      // application show what went wrong (which may run a modal loop, where
      // the remaining messages are delivered).
      self->Delivering = false;
      self->Rearm();
      HandleException();
      return;
    }
  }
  self->Delivering = false;
  self->Rearm();
}

bool TNotifyHandle::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) const {
  if (!FState) return false;
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  return FState->Push(m);
}

TNotifyChannel::TNotifyChannel(TWndProc wndProc) : FState(std::make_shared<TNotifyChannelState>()) {
  FState->WakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (FState->WakeFd < 0)
    throw Exception(
        QStringLiteral("Cannot create a notification channel: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
  {
    std::lock_guard guard(FState->Lock);
    FState->Grow();  // the working size, so the first posts do not allocate
  }
  FState->WndProc = std::make_shared<TWndProc>(std::move(wndProc));
  FState->Notifier = std::make_unique<QSocketNotifier>(FState->WakeFd, QSocketNotifier::Read);
  std::weak_ptr<TNotifyChannelState> weak = FState;
  QObject::connect(FState->Notifier.get(), &QSocketNotifier::activated, [weak] {
    if (auto self = weak.lock()) TNotifyChannelState::Deliver(self);
  });
}

TNotifyChannel::~TNotifyChannel() {
  {
    std::lock_guard guard(FState->Lock);
    FState->Closed = true;  // from here on posts are refused and nothing is delivered
    FState->Count = 0;
  }
  FState->WndProc.reset();
  QSocketNotifier* notifier = FState->Notifier.release();
  notifier->setEnabled(false);
  notifier->disconnect();
  if (FState->Delivering)
    notifier->deleteLater();  // we are inside its activation
  else
    delete notifier;
  // No post writes after Closed was set, so the descriptor can go now.
  ::close(FState->WakeFd);
  FState->WakeFd = -1;
}

TNotifyHandle TNotifyChannel::Handle() const { return TNotifyHandle(FState); }

int TNotifyChannel::Pending() const { return static_cast<int>(FState->Pending()); }

void TNotifyChannel::DeliverPending() {
  const std::shared_ptr<TNotifyChannelState> self = FState;
  if (self->Delivering || self->Closed) return;
  self->Delivering = true;
  size_t budget = self->Pending();
  TMessage m;
  try {
    while (budget-- > 0 && !self->Closed && self->Pop(m)) {
      std::shared_ptr<TNotifyChannel::TWndProc> proc = self->WndProc;
      if (proc && *proc) (*proc)(m);
    }
  } catch (...) {
    self->Delivering = false;
    self->Rearm();
    throw;
  }
  self->Delivering = false;
  // A nested loop in a handler may have used up the wake-up of what is still queued.
  self->Rearm();
}
