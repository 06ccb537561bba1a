#include "deAsyncWriter.h"

#include <pthread.h>
#include <algorithm>
#include <cstring>

namespace {
// Blocks come about eight a second; this many is minutes of them, more than
// any ring holds.
constexpr size_t kMaxEntries = 4096;
}  // namespace

TdeAsyncWriter::TdeAsyncWriter(std::unique_ptr<TdeRIFFAudioWriter> writer, int64_t capacity,
                               std::function<void()> onFailure)
    : FWriter(std::move(writer)),
      FRing(static_cast<size_t>(std::max<int64_t>(capacity, 1))),
      FEntries(kMaxEntries),
      FOnFailure(std::move(onFailure)) {
  FThread = std::thread([this] { Run(); });
}

TdeAsyncWriter::~TdeAsyncWriter() {
  Stop();
  try {
    FWriter->Finish();
  } catch (...) {
    // The sizes were patched as the file grew; it stays valid up to there.
  }
}

int64_t TdeAsyncWriter::Place(int64_t count) const {
  const auto capacity = static_cast<int64_t>(FRing.size());
  if (count > capacity) return -1;
  if (FCount == 0) return 0;
  // The oldest block queued marks where the used part begins; the used part
  // never touches itself, so a full ring is not mistaken for an empty one.
  const int64_t start = FEntries[FFirst].Offset;
  if (FIn >= start) {
    if (FIn + count <= capacity) return FIn;
    return count < start ? 0 : -1;
  }
  return FIn + count < start ? FIn : -1;
}

bool TdeAsyncWriter::PushEntry(TEntry entry) {
  if (FCount == FEntries.size()) return false;
  FEntries[(FFirst + FCount) % FEntries.size()] = entry;
  ++FCount;
  ++FPushed;
  return true;
}

void TdeAsyncWriter::Write(const void* buffer, int32_t count) {
  if (count <= 0) return;
  std::unique_lock lock(FLock);
  RaiseFailure();
  const int64_t at = Place(count);
  if (at < 0 || FCount == FEntries.size()) {
    FDropped += count;
    return;
  }
  // The copy goes to a part of the ring the thread does not read until the
  // entry is queued below.
  std::memcpy(FRing.data() + at, buffer, static_cast<size_t>(count));
  FIn = at + count;
  PushEntry({at, count});
  lock.unlock();
  FWake.notify_one();
}

void TdeAsyncWriter::Checkpoint() {
  std::unique_lock lock(FLock);
  RaiseFailure();
  // With no room for the entry the queued blocks are the patches to come.
  if (!PushEntry({FIn, 0})) return;
  lock.unlock();
  FWake.notify_one();
}

void TdeAsyncWriter::Check() {
  std::lock_guard guard(FLock);
  RaiseFailure();
}

void TdeAsyncWriter::RequestSettle(std::function<QString()> note) {
  {
    std::lock_guard guard(FLock);
    FSettleWanted = true;
    FSettleAfter = FPushed;
    FSettleNote = std::move(note);
    FSettled.reset();
    FSettleFailure = nullptr;
  }
  FWake.notify_one();
}

std::optional<TdeSettlePoint> TdeAsyncWriter::SettlePoint() {
  std::lock_guard guard(FLock);
  RaiseFailure();
  if (FSettleFailure) std::rethrow_exception(FSettleFailure);
  return FSettled;
}

TdeSettlePoint TdeAsyncWriter::MakeSettlePoint(const std::function<QString()>& note) {
  FWriter->Checkpoint();
  TdeSettlePoint point;
  TStream& stream = *FWriter->Stream();
  // After the patch the stream stands at the end of the audio.
  const int64_t end = stream.Position();
  point.AudioBytes = FWriter->BytesWritten();
  point.Head.resize(static_cast<size_t>(std::max<int64_t>(end - point.AudioBytes, 0)));
  if (!point.Head.empty()) {
    stream.SetPosition(0);
    try {
      stream.ReadBuffer(point.Head.data(), static_cast<int32_t>(point.Head.size()));
    } catch (...) {
      stream.SetPosition(end);  // the next block still goes after the last
      throw;
    }
    stream.SetPosition(end);
  }
  if (note) point.Note = note();
  return point;
}

void TdeAsyncWriter::RaiseFailure() {
  if (!FFailure) return;
  FFailureRaised = true;
  std::rethrow_exception(FFailure);
}

void TdeAsyncWriter::Run() {
  pthread_setname_np(pthread_self(), "tamsel writer");
  std::unique_lock lock(FLock);
  for (;;) {
    const auto settleDue = [this] { return FSettleWanted && FDone >= FSettleAfter; };
    FWake.wait(lock, [&] { return FCount > 0 || FStopping || settleDue(); });
    if (settleDue()) {
      // Before any block queued after the request.
      const std::function<QString()> note = std::move(FSettleNote);
      FSettleWanted = false;
      const bool failed = FFailure != nullptr;
      lock.unlock();
      std::optional<TdeSettlePoint> point;
      std::exception_ptr failure, settleFailure;
      if (!failed) {
        try {
          point = MakeSettlePoint(note);
        } catch (const EACMAudioStreamError&) {
          failure = std::current_exception();  // the patch failed: the take's file did
        } catch (...) {
          settleFailure = std::current_exception();
        }
      }
      lock.lock();
      if (failure) FFailure = failure;
      FSettled = std::move(point);
      FSettleFailure = settleFailure;
      FChanged.notify_all();
      if (failure && FOnFailure) {
        lock.unlock();
        FOnFailure();
        lock.lock();
      }
      continue;
    }
    if (FCount == 0) {
      // Stopping with nothing queued: the file is completed here, so a stalled
      // disk holds this thread and not the caller.
      if (!FFailure) {
        lock.unlock();
        std::exception_ptr failure;
        try {
          FWriter->Finish();
        } catch (...) {
          failure = std::current_exception();
        }
        lock.lock();
        if (failure) FFailure = failure;
      }
      FThreadDone = true;
      FChanged.notify_all();
      return;
    }
    const TEntry entry = FEntries[FFirst];
    const bool failed = FFailure != nullptr;
    lock.unlock();
    std::exception_ptr failure;
    if (!failed) {
      try {
        if (entry.Size > 0)
          FWriter->Write(FRing.data() + entry.Offset, entry.Size);
        else
          FWriter->Checkpoint();
      } catch (...) {
        failure = std::current_exception();
      }
    }
    lock.lock();
    if (failure) FFailure = failure;
    if (!failed && !failure) FWritten += entry.Size;
    FFirst = (FFirst + 1) % FEntries.size();
    --FCount;
    ++FDone;
    if (FCount == 0) FIn = 0;
    if (failure && FOnFailure) {
      lock.unlock();
      FOnFailure();
      lock.lock();
    }
  }
}

void TdeAsyncWriter::Stop() {
  if (!FThread.joinable()) return;
  {
    std::lock_guard guard(FLock);
    FStopping = true;
  }
  FWake.notify_one();
  FThread.join();
}

bool TdeAsyncWriter::Drain(std::chrono::milliseconds wait) {
  std::unique_lock lock(FLock);
  if (!FThread.joinable()) return true;
  FStopping = true;
  FWake.notify_one();
  return FChanged.wait_for(lock, wait, [this] { return FThreadDone; });
}

void TdeAsyncWriter::Finish() {
  if (FFinished) return;
  FFinished = true;
  Stop();
  // The thread is gone: the writer is this thread's alone now.
  if (FFailure && !FFailureRaised) {
    FFailureRaised = true;
    std::rethrow_exception(FFailure);
  }
  if (!FFailure) FWriter->Finish();
}

int64_t TdeAsyncWriter::DroppedBytes() const {
  std::lock_guard guard(FLock);
  return FDropped;
}

int64_t TdeAsyncWriter::WrittenBytes() const {
  std::lock_guard guard(FLock);
  return FWritten;
}
