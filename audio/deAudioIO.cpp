#include "deAudioIO.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ACMErrors.h"
#include "deAudioConsts.h"

namespace {

// The block's size sits in the 4 bytes in front of it; the block itself
// starts 16 bytes into its allocation so headers (which hold pointers) are aligned.
constexpr uint32_t kBlockOffset = 16;
constexpr uint32_t kHeaderSize = sizeof(WAVEHDR);

template <class T>
bool Contains(const std::vector<T*>& list, const T* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

template <class T>
void Remove(std::vector<T*>& list, const T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

}  // namespace

// ---- Device base ----

TdeAudioIO::TdeAudioIO(TComponent* owner)
    : QObject(nullptr),
      TComponent(owner),
      FFormat(std::make_unique<TdeWaveFormat>()),
      FChannel(std::make_unique<TNotifyChannel>([this](TMessage& m) { WndProc(m); })) {
  FDeliveries.reserve(4);
}

TdeAudioIO::~TdeAudioIO() {
  FChannel.reset();
  FHeaders.clear();
  FreeBlocks();
}

// The direction classes close from their own destructors, while CloseDevice
// is still theirs. A failing close must not escape a destructor: the device
// is then shut without events and the pool released.
void TdeAudioIO::CloseForDestruction() {
  try {
    SetActive(false);
  } catch (...) {
    AbandonDevice();
    FActive = false;
  }
}

void TdeAudioIO::SetActive(bool value) {
  if (value == FActive) return;
  if (value)
    Open();
  else
    Close();
}

void TdeAudioIO::Open() {
  if (FActive) return;
  FreeBlocks();
  if (FBeforeOpen) FBeforeOpen(this);
  OpenDevice();
  FActive = true;
  if (FAfterOpen) FAfterOpen(this);
}

void TdeAudioIO::Close() {
  if (!FActive) return;
  if (FBeforeClose) FBeforeClose(this);
  CloseDevice();
  FreeBlocks();
  FActive = false;
  if (FAfterClose) FAfterClose(this);
}

void TdeAudioIO::Loaded() {
  TComponent::Loaded();
  if (FAutoOpen && !Designing()) SetActive(true);
}

void TdeAudioIO::SetFormat(TdeWaveFormat* value) { FFormat->Assign(value); }

void TdeAudioIO::WndProc(TMessage&) {}

void TdeAudioIO::CheckActive() const {
  if (!FActive) throw EACMAudioIOError(SAudioIONotActive);
}

void TdeAudioIO::CheckInactive() const {
  if (FActive) throw EACMAudioIOError(SAudioIOActive);
}

uint32_t TdeAudioIO::DeviceNumber(uint8_t deviceID) const {
  if (deviceID == 255 && FFormat->FormatTag() != WAVE_FORMAT_PCM) return 0;
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(deviceID)));
}

uint32_t TdeAudioIO::OpenFlags(uint8_t deviceID) const {
  if (deviceID == 255 && FFormat->FormatTag() != WAVE_FORMAT_PCM) return CALLBACK_WINDOW | WAVE_MAPPED;
  return CALLBACK_WINDOW;
}

uint32_t TdeAudioIO::BlockSize(const char* address) {
  uint32_t size;
  std::memcpy(&size, address - 4, 4);
  return size;
}

char* TdeAudioIO::GetBlock(uint32_t size) {
  auto best = FFreeBlocks.end();
  uint32_t bestExcess = size;
  for (auto it = FFreeBlocks.begin(); it != FFreeBlocks.end(); ++it) {
    const uint32_t s = BlockSize(*it);
    if (s == size) {
      char* block = *it;
      FFreeBlocks.erase(it);
      return block;
    }
    if (s > size && s - size < bestExcess) {
      bestExcess = s - size;
      best = it;
    }
  }
  if (best != FFreeBlocks.end()) {
    char* block = *best;
    FFreeBlocks.erase(best);
    return block;
  }
  std::unique_ptr<char[]> memory;
  if (FAllocations.size() < FAllocationLimit) memory.reset(new (std::nothrow) char[size + kBlockOffset]);
  if (!memory) throw EACMAudioOutError(SCannotAllocateGlobalMemory);
  char* block = memory.get() + kBlockOffset;
  std::memcpy(block - 4, &size, 4);
  FAllocations.push_back(std::move(memory));
  return block;
}

void TdeAudioIO::RecycleBlock(char* address) { FFreeBlocks.push_back(address); }

void TdeAudioIO::FreeBlocks() {
  FFreeBlocks.clear();
  if (!FDeliveries.empty()) {
    // Blocks being delivered, and their headers, outlive the pool until their delivery ends.
    for (auto& a : FAllocations) {
      const char* block = a.get() + kBlockOffset;
      for (const TDelivery& d : FDeliveries)
        if (block == reinterpret_cast<char*>(d.Header) || block == d.Header->lpData) {
          FKeepAlive.push_back(std::move(a));
          break;
        }
    }
    FPoolFreedInDelivery = true;
  }
  FAllocations.clear();
}

bool TdeAudioIO::Listed(const WAVEHDR* header) const { return Contains(FHeaders, header); }

void TdeAudioIO::Unlist(WAVEHDR* header) { Remove(FHeaders, header); }

void TdeAudioIO::RecycleHeader(WAVEHDR* header) {
  for (TDelivery& d : FDeliveries)
    if (d.Header == header) {
      d.Released = true;
      return;
    }
  if (header->lpData) RecycleBlock(header->lpData);
  RecycleBlock(reinterpret_cast<char*>(header));
}

TdeAudioIO::TDeliveryScope::TDeliveryScope(TdeAudioIO& io, WAVEHDR* header) : FIO(io) {
  FIO.FDeliveries.push_back({header, false});
}

TdeAudioIO::TDeliveryScope::~TDeliveryScope() {
  const TDelivery d = FIO.FDeliveries.back();
  FIO.FDeliveries.pop_back();
  if (FIO.FPoolFreedInDelivery) {
    if (FIO.FDeliveries.empty()) {
      FIO.FKeepAlive.clear();
      FIO.FPoolFreedInDelivery = false;
    }
  } else if (d.Released) {
    FIO.RecycleHeader(d.Header);
  }
}

bool TdeAudioIO::IsStaleNotice(const TMessage& message, uint32_t closeNotice) {
  const bool earlier = FCloseNoticesDue > 0;
  if (earlier && message.Msg == closeNotice) --FCloseNoticesDue;
  return earlier && FActive;
}

// ---- Audio input ----

TdeAbstractAudioIn::TdeAbstractAudioIn(TComponent* owner)
    : TdeAudioIO(owner), FSubject(std::make_unique<TdeAudioSubject>(this, Format())) {
  FSubject->OnObserverError = [this](IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e, bool& raise) {
    HandleObserverError(sender, observer, e, raise);
  };
}

TdeAbstractAudioIn::~TdeAbstractAudioIn() = default;

void* TdeAbstractAudioIn::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioSubject::IID) return static_cast<IdeAudioSubject*>(FSubject.get());
  return TdeAudioIO::QueryInterface(iid);
}

void TdeAbstractAudioIn::HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                             bool& raiseException) {
  if (FOnObserverError) FOnObserverError(sender, observer, e, raiseException);
}

TdeCustomAudioIn::TdeCustomAudioIn(TComponent* owner) : TdeAbstractAudioIn(owner) {}

TdeCustomAudioIn::~TdeCustomAudioIn() { CloseForDestruction(); }

void TdeCustomAudioIn::SetBufferSize(uint32_t value) {
  CheckInactive();
  FBufferSize = value;
}

void TdeCustomAudioIn::SetBufferCount(uint8_t value) {
  if (value < 2) throw EACMAudioIOError(SInvalidInputBufferSize);
  TdeAbstractAudioIn::SetBufferCount(value);
}

void TdeCustomAudioIn::OpenDevice() {
  const uint32_t bits = Format()->BitsPerSample();
  if (bits > 0) {
    const uint32_t frame = bits / 8 * Format()->Channels();
    if (AutoAdjustBufferSize() && frame > 1 && FBufferSize % frame != 0) SetBufferSize(FBufferSize - FBufferSize % frame);
    if ((uint64_t{FBufferSize} * 8) % bits != 0) throw EACMAudioInError(SInvalidInputBufferSize);
    // A buffer that cannot hold one frame would come back empty at once, forever.
    if (FBufferSize < std::max<uint32_t>(frame, 1)) throw EACMAudioInError(SInvalidInputBufferSize);
  }
  if (FBufferSize == 0) throw EACMAudioInError(SInvalidInputBufferSize);
  FHandle = nullptr;
  FQueued = 0;
  const TNotifyHandle target = NotifyHandle();
  RaiseACMError<EACMAudioInError>(
      waveInOpen(&FHandle, DeviceNumber(FDeviceID), Format()->WaveFormat(), &target, 0, OpenFlags(FDeviceID)),
      SErrorOpeningInput);
  try {
    for (int i = 0; i < BufferCount(); ++i) AddBuffer();
    RaiseACMError<EACMAudioInError>(waveInStart(FHandle), SErrorOpeningInput);
  } catch (...) {
    AbandonDevice();  // nothing stays open behind an inactive component
    throw;
  }
}

void TdeCustomAudioIn::AddBuffer() {
  auto* header = reinterpret_cast<WAVEHDR*>(GetBlock(kHeaderSize));
  std::memset(header, 0, kHeaderSize);
  FHeaders.push_back(header);
  header->lpData = GetBlock(FBufferSize);
  header->dwBufferLength = FBufferSize;
  RaiseACMError<EACMAudioInError>(waveInPrepareHeader(FHandle, header, kHeaderSize), SErrorPreparingInputHeader);
  RaiseACMError<EACMAudioInError>(waveInAddBuffer(FHandle, header, kHeaderSize), SErrorAddingInputBuffer);
  ++FQueued;
}

void TdeCustomAudioIn::WndProc(TMessage& message) {
  if (!IsStaleNotice(message, MM_WIM_CLOSE)) {
    if (message.Msg == MM_WIM_DATA)
      BufferFilled(reinterpret_cast<WAVEHDR*>(message.LParam));
    else if (message.Msg == MM_DEVICE_ERROR && Active() && message.WParam == reinterpret_cast<uintptr_t>(FHandle))
      DeviceFailed(static_cast<MMRESULT>(message.LParam));
  }
  message.Result = 1;
}

void TdeCustomAudioIn::BufferFilled(WAVEHDR* header) {
  if (!Active()) {
    ReleaseHeader(header);
    return;
  }
  if (!Listed(header)) return;
  --FQueued;
  {
    TDeliveryScope scope(*this, header);
    try {
      DoAudioRecorded(header->lpData, static_cast<int32_t>(header->dwBytesRecorded));
    } catch (...) {
      if (Active() && Listed(header)) waveInUnprepareHeader(FHandle, header, kHeaderSize);
      // A failed delivery keeps its buffer out of the ring; with none left the
      // device would record nothing more while it still looks open.
      if (Active() && FQueued <= 0) RingEmptied(std::current_exception());
      throw;
    }
    if (!Active() || !Listed(header)) return;
    RaiseACMError<EACMAudioInError>(waveInUnprepareHeader(FHandle, header, kHeaderSize), SErrorUnpreparingInputHeader);
  }
  header->dwBufferLength = FBufferSize;
  header->dwBytesRecorded = 0;
  header->dwUser = 0;
  header->dwFlags = 0;
  header->dwLoops = 0;
  RaiseACMError<EACMAudioInError>(waveInPrepareHeader(FHandle, header, kHeaderSize), SErrorPreparingInputHeader);
  RaiseACMError<EACMAudioInError>(waveInAddBuffer(FHandle, header, kHeaderSize), SErrorAddingInputBuffer);
  ++FQueued;
}

void TdeCustomAudioIn::RingEmptied(std::exception_ptr lastFailure) {
  QString reason;
  try {
    std::rethrow_exception(lastFailure);
  } catch (const Exception& e) {
    reason = e.Message();
  } catch (...) {
  }
  Close();
  throw EACMAudioInError(QString::fromUtf8(SInputRingEmpty) + (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason));
}

void TdeCustomAudioIn::Drain() {
  if (!Active()) return;
  // The buffers already returned go back to the device first, so it has room
  // for what it still holds; stopping then returns that and the partial buffer.
  DeliverPendingNotices();
  if (!Active()) return;
  RaiseACMError<EACMAudioInError>(waveInStop(FHandle), SErrorClosingInput);
  DeliverPendingNotices();
}

void TdeCustomAudioIn::ReleaseHeader(WAVEHDR* header) {
  if (!Listed(header)) return;
  RaiseACMError<EACMAudioInError>(waveInUnprepareHeader(FHandle, header, kHeaderSize), SErrorUnpreparingInputHeader);
  Unlist(header);
  RecycleHeader(header);
}

void TdeCustomAudioIn::CloseDevice() {
  RaiseACMError<EACMAudioInError>(waveInReset(FHandle), SErrorClosingInput);
  while (!FHeaders.empty()) ReleaseHeader(FHeaders.back());
  RaiseACMError<EACMAudioInError>(waveInClose(FHandle), SErrorClosingInput);
  ExpectCloseNotice();
  FHandle = nullptr;
}

void TdeCustomAudioIn::AbandonDevice() {
  if (!FHandle) return;
  waveInReset(FHandle);
  for (WAVEHDR* h : FHeaders) waveInUnprepareHeader(FHandle, h, kHeaderSize);
  FHeaders.clear();
  if (waveInClose(FHandle) == MMSYSERR_NOERROR) ExpectCloseNotice();
  FHandle = nullptr;
}

// What was recorded has been delivered before this notice; the device is dead.
void TdeCustomAudioIn::DeviceFailed(MMRESULT code) {
  Close();
  throw EACMAudioInError(ACMErrorMessage(code, SInputDeviceFailed));
}

void TdeCustomAudioIn::DoAudioRecorded(const void* audioData, int32_t audioDataSize) {
  Subject()->Notify(Subject(), audioData, audioDataSize);
  if (FOnAudioRecorded) FOnAudioRecorded(this, audioData, audioDataSize);
}

// ---- Audio output ----

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
  FHandle = nullptr;
  FPreBufferCountdown = BufferCount();
  const TNotifyHandle target = NotifyHandle();
  RaiseACMError<EACMAudioOutError>(
      waveOutOpen(&FHandle, DeviceNumber(FDeviceID), Format()->WaveFormat(), &target, 0, OpenFlags(FDeviceID)),
      SErrorOpeningOutput);
  FPaused = false;
}

void TdeCustomAudioOut::Write(const void* audioData, int32_t audioDataSize) {
  CheckActive();
  if (audioDataSize <= 0) return;
  if (FPreBufferCountdown == 0 && FMaximumBuffers > 0 && FQueuedBuffers >= FMaximumBuffers) return;
  const auto size = static_cast<uint32_t>(audioDataSize);
  auto* header = reinterpret_cast<WAVEHDR*>(GetBlock(kHeaderSize));
  FHeaders.push_back(header);
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

void TdeCustomAudioOut::SendHeader(WAVEHDR* header) {
  RaiseACMError<EACMAudioOutError>(waveOutWrite(FHandle, header, kHeaderSize), SErrorPlayingBuffer);
  ++FQueuedBuffers;
}

void TdeCustomAudioOut::WndProc(TMessage& message) {
  const bool stale = IsStaleNotice(message, MM_WOM_CLOSE);
  if (!stale) {
    if (message.Msg == MM_WOM_DONE) {
      BufferDone(reinterpret_cast<WAVEHDR*>(message.LParam));
    } else if (message.Msg == MM_DEVICE_ERROR) {
      // Not a buffer notice: it does not count against the queued buffers.
      message.Result = 1;
      if (Active() && message.WParam == reinterpret_cast<uintptr_t>(FHandle)) DeviceFailed(static_cast<MMRESULT>(message.LParam));
      return;
    }
  }
  message.Result = 1;
  if (!stale && FQueuedBuffers > 0) --FQueuedBuffers;
}

void TdeCustomAudioOut::BufferDone(WAVEHDR* header) {
  TDeliveryScope scope(*this, header);
  try {
    // A header of an earlier opening is in neither list: nothing to play back.
    if (Active() && (Listed(header) || Contains(FPending, header)))
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

void TdeCustomAudioOut::ReleaseHeader(WAVEHDR* header) {
  if (!Listed(header) && !Contains(FPending, header)) return;
  RaiseACMError<EACMAudioOutError>(waveOutUnprepareHeader(FHandle, header, kHeaderSize), SErrorUnpreparingOutputHeader);
  Unlist(header);
  Remove(FPending, header);
  RecycleHeader(header);
}

void TdeCustomAudioOut::CloseDevice() {
  RaiseACMError<EACMAudioOutError>(waveOutReset(FHandle), SErrorClosingOutput);
  while (!FPending.empty()) ReleaseHeader(FPending.back());
  while (!FHeaders.empty()) ReleaseHeader(FHeaders.back());
  RaiseACMError<EACMAudioOutError>(waveOutClose(FHandle), SErrorClosingOutput);
  ExpectCloseNotice();
  FHandle = nullptr;
  FPaused = false;
}

void TdeCustomAudioOut::AbandonDevice() {
  if (!FHandle) return;
  waveOutReset(FHandle);
  for (WAVEHDR* h : FHeaders) waveOutUnprepareHeader(FHandle, h, kHeaderSize);
  FHeaders.clear();
  FPending.clear();
  if (waveOutClose(FHandle) == MMSYSERR_NOERROR) ExpectCloseNotice();
  FHandle = nullptr;
  FPaused = false;
}

void TdeCustomAudioOut::DeviceFailed(MMRESULT code) {
  Close();
  throw EACMAudioOutError(ACMErrorMessage(code, SOutputDeviceFailed));
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
  Subject()->Notify(Subject(), audioData, audioDataSize);
  if (FOnAudioPlayed) FOnAudioPlayed(this, audioData, audioDataSize);
}
