// The wave-out components: pre-buffering, playing and the played notices.
#include "deAudioOut.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "ACMErrors.h"
#include "deAudioConsts.h"

namespace {
constexpr uint32_t kHeaderSize = sizeof(WAVEHDR);
}  // namespace

TdeAbstractAudioOut::TdeAbstractAudioOut(TComponent* owner)
    : TdeAudioIO(owner),
      FObserver(std::make_unique<TdeAudioObserver>(this)),
      FSubject(std::make_unique<TdeAudioSubject>(this, Format())) {
  TdeAudioIO::SetBufferCount(0);
  FObserver->OnAudioData = [this](IdeAudioSubject* sender, const void* data, int32_t size) {
    HandleAudioData(sender, data, size);
  };
  FSubject->OnObserverError = [this](IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e, bool& raise) {
    HandleObserverError(sender, observer, e, raise);
  };
}

TdeAbstractAudioOut::~TdeAbstractAudioOut() = default;

void* TdeAbstractAudioOut::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioSubject::IID) return static_cast<IdeAudioSubject*>(FSubject.get());
  if (iid == IdeAudioObserver::IID) return static_cast<IdeAudioObserver*>(FObserver.get());
  return TdeAudioIO::QueryInterface(iid);
}

TComponent* TdeAbstractAudioOut::AudioSource() const { return FObserver->AudioSource(); }

void TdeAbstractAudioOut::SetAudioSource(TComponent* value) { FObserver->SetAudioSource(value); }

void TdeAbstractAudioOut::HandleAudioData(IdeAudioSubject*, const void* audioData, int32_t audioDataSize) {
  if (Active()) Write(audioData, audioDataSize);
}

void TdeAbstractAudioOut::HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                              bool& raiseException) {
  if (FOnObserverError) FOnObserverError(sender, observer, e, raiseException);
}

TdeCustomAudioOut::TdeCustomAudioOut(TComponent* owner) : TdeAbstractAudioOut(owner) {}

TdeCustomAudioOut::~TdeCustomAudioOut() { CloseForDestruction(); }

void TdeCustomAudioOut::SetMaximumBuffers(uint32_t value) {
  CheckInactive();
  FMaximumBuffers = value;
}

void TdeCustomAudioOut::OpenDevice() {
  FQueuedBuffers = 0;
  FDroppedNotices = 0;
  FHandle = nullptr;
  FPreBufferCountdown = BufferCount();
  const TNotifyHandle target = NotifyHandle();
  const QByteArray name = FDeviceName.toUtf8();
  RaiseACMError<EACMAudioOutError>(
      FDeviceID == 255 && !name.isEmpty()
          ? waveOutOpenNamed(&FHandle, name.constData(), Format()->WaveFormat(), &target, 0, OpenFlags(FDeviceID))
          : waveOutOpen(&FHandle, DeviceNumber(FDeviceID), Format()->WaveFormat(), &target, 0, OpenFlags(FDeviceID)),
      SErrorOpeningOutput);
  FPaused = false;
}

void TdeCustomAudioOut::Write(const void* audioData, int32_t audioDataSize) {
  CheckActive();
  if (audioDataSize <= 0) return;
  if (FPreBufferCountdown == 0 && FMaximumBuffers > 0 && FQueuedBuffers >= FMaximumBuffers) return;
  const auto size = static_cast<uint32_t>(audioDataSize);
  auto* header = reinterpret_cast<WAVEHDR*>(GetBlock(kHeaderSize));
  ListHeader(header);
  std::memset(header, 0, kHeaderSize);
  header->lpData = GetBlock(size);
  std::memcpy(header->lpData, audioData, size);
  header->dwBufferLength = size;
  header->dwLoops = 1;
  RaiseACMError<EACMAudioOutError>(waveOutPrepareHeader(FHandle, header, kHeaderSize), SErrorPreparingOutputHeader);
  if (FPreBufferCountdown > 0) {
    FPending.push_back(header);
    --FPreBufferCountdown;
    return;
  }
  for (WAVEHDR* pending : FPending) SendHeader(pending);
  FPending.clear();
  SendHeader(header);
}

void TdeCustomAudioOut::Flush() {
  CheckActive();
  FPreBufferCountdown = 0;
  for (WAVEHDR* pending : FPending) SendHeader(pending);
  FPending.clear();
}

void TdeCustomAudioOut::Reset() {
  CheckActive();
  RaiseACMError<EACMAudioOutError>(waveOutReset(FHandle), SErrorResettingOutput);
  // The device has posted one done notice for every block it was sent; they
  // arrive after this and stand for nothing now.
  FDroppedNotices += static_cast<uint32_t>(ListedHeaders().size() - FPending.size());
  while (!FPending.empty()) ReleaseHeader(FPending.back());
  while (WAVEHDR* last = LastHeader()) ReleaseHeader(last);
  FQueuedBuffers = 0;
  FPreBufferCountdown = BufferCount();
}

void TdeCustomAudioOut::SendHeader(WAVEHDR* header) {
  RaiseACMError<EACMAudioOutError>(waveOutWrite(FHandle, header, kHeaderSize), SErrorPlayingBuffer);
  ++FQueuedBuffers;
}

void TdeCustomAudioOut::WndProc(TMessage& message) {
  const bool stale = IsStaleNotice(message, MM_WOM_CLOSE);
  if (!stale && message.Msg == MM_WOM_DONE && FDroppedNotices > 0) {
    --FDroppedNotices;
    message.Result = 1;
    return;
  }
  if (!stale) {
    if (message.Msg == MM_WOM_DONE) {
      try {
        BufferDone(reinterpret_cast<WAVEHDR*>(message.LParam));
      } catch (...) {
        // The buffer has left the device whatever its delivery did: a count
        // left one high would keep the player waiting for a block that never comes.
        message.Result = 1;
        if (FQueuedBuffers > 0) --FQueuedBuffers;
        throw;
      }
    } else if (message.Msg == MM_DEVICE_ERROR) {
      // Not a buffer notice: it does not count against the queued buffers.
      message.Result = 1;
      if (Active() && message.WParam == reinterpret_cast<uintptr_t>(FHandle))
        DeviceFailed(static_cast<MMRESULT>(message.LParam));
      return;
    }
  }
  message.Result = 1;
  if (!stale && FQueuedBuffers > 0) --FQueuedBuffers;
}

void TdeCustomAudioOut::BufferDone(WAVEHDR* header) {
  TdeBlockPool::TDeliveryScope scope(Pool(), header);
  try {
    // A header of an earlier opening is in neither list: nothing to play back.
    if (Active() && (Listed(header) || IsPending(header)))
      DoAudioPlayed(header->lpData, static_cast<int32_t>(header->dwBufferLength));
  } catch (...) {
    try {
      ReleaseHeader(header);
    } catch (...) {
    }
    throw;
  }
  ReleaseHeader(header);
}

bool TdeCustomAudioOut::IsPending(const WAVEHDR* header) const {
  return std::find(FPending.begin(), FPending.end(), header) != FPending.end();
}

void TdeCustomAudioOut::ReleaseHeader(WAVEHDR* header) {
  if (!Listed(header) && !IsPending(header)) return;
  RaiseACMError<EACMAudioOutError>(waveOutUnprepareHeader(FHandle, header, kHeaderSize), SErrorUnpreparingOutputHeader);
  Unlist(header);
  if (auto it = std::find(FPending.begin(), FPending.end(), header); it != FPending.end()) FPending.erase(it);
  Pool().RecycleHeader(header);
}

void TdeCustomAudioOut::CloseDevice() {
  RaiseACMError<EACMAudioOutError>(waveOutReset(FHandle), SErrorClosingOutput);
  while (!FPending.empty()) ReleaseHeader(FPending.back());
  while (WAVEHDR* last = LastHeader()) ReleaseHeader(last);
  RaiseACMError<EACMAudioOutError>(waveOutClose(FHandle), SErrorClosingOutput);
  ExpectCloseNotice();
  FHandle = nullptr;
  FPaused = false;
}

void TdeCustomAudioOut::AbandonDevice() {
  if (!FHandle) return;
  waveOutReset(FHandle);
  for (WAVEHDR* h : ListedHeaders()) waveOutUnprepareHeader(FHandle, h, kHeaderSize);
  ForgetHeaders();
  FPending.clear();
  if (waveOutClose(FHandle) == MMSYSERR_NOERROR) ExpectCloseNotice();
  FHandle = nullptr;
  FPaused = false;
}

void TdeCustomAudioOut::DeviceFailed(MMRESULT code) {
  const QString detail = DetailLine(waveGetFailureDetail(FHandle));
  Close();
  throw EACMAudioOutError(ACMErrorMessage(code, SOutputDeviceFailed) + detail);
}

void TdeCustomAudioOut::SetPaused(bool value) {
  if (!Active()) return;
  if (value)
    RaiseACMError<EACMAudioOutError>(waveOutPause(FHandle), SErrorPausingOutput);
  else
    RaiseACMError<EACMAudioOutError>(waveOutRestart(FHandle), SErrorRestartingOutput);
  FPaused = value;
}

void TdeCustomAudioOut::DoAudioPlayed(const void* audioData, int32_t audioDataSize) {
  // A failing observer (the display) must not keep the block from the player,
  // which refills and ends playback from OnAudioPlayed.
  std::exception_ptr observerError;
  try {
    Subject()->Notify(Subject(), audioData, audioDataSize);
  } catch (...) {
    observerError = std::current_exception();
  }
  if (FOnAudioPlayed) FOnAudioPlayed(this, audioData, audioDataSize);
  if (observerError) std::rethrow_exception(observerError);
}
