// The wave-in components: the buffer ring and its delivery.
#include "deAudioIn.h"

#include <algorithm>
#include <cstring>

#include "ACMErrors.h"
#include "SampleLayout.h"
#include "deAudioConsts.h"

namespace {
constexpr uint32_t kHeaderSize = sizeof(WAVEHDR);
}  // namespace

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
    if (AutoAdjustBufferSize() && frame > 1 && FBufferSize % frame != 0)
      SetBufferSize(FBufferSize - FBufferSize % frame);
    if ((uint64_t{FBufferSize} * 8) % bits != 0) throw EACMAudioInError(SInvalidInputBufferSize);
    // A buffer that cannot hold one frame would come back empty at once, forever.
    if (FBufferSize < std::max<uint32_t>(frame, 1)) throw EACMAudioInError(SInvalidInputBufferSize);
  }
  if (FBufferSize == 0) throw EACMAudioInError(SInvalidInputBufferSize);
  FHandle = nullptr;
  FQueued = 0;
  FOverruns = 0;
  FLostFrames = 0;
  FRerouted = false;
  FRerouteFrame = 0;
  FRerouteTo.clear();
  FPause = TPause::Running;
  const TNotifyHandle target = NotifyHandle();
  const QByteArray name = FDeviceName.toUtf8();
  RaiseACMError<EACMAudioInError>(
      FDeviceID == 255 && !name.isEmpty()
          ? waveInOpenNamed(&FHandle, name.constData(), Format()->WaveFormat(), &target, 0, OpenFlags(FDeviceID))
          : waveInOpen(&FHandle, DeviceNumber(FDeviceID), Format()->WaveFormat(), &target, 0, OpenFlags(FDeviceID)),
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
  ListHeader(header);
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
    TdeBlockPool::TDeliveryScope scope(Pool(), header);
    try {
      if (const uint32_t size = PauseDelivery(header); size > 0 || header->dwBytesRecorded == 0)
        DoAudioRecorded(header->lpData, static_cast<int32_t>(size));
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

void TdeCustomAudioIn::SetPaused(bool value) {
  if (!Active() || value == Paused()) return;
  // What the device captured up to the press is delivered in the state before
  // it, so the cut lands at the press and not at the next buffer's edge.
  DeliverPendingNotices();
  if (!Active()) return;
  RaiseACMError<EACMAudioInError>(waveInFlush(FHandle), SErrorPausingInput);
  DeliverPendingNotices();
  if (!Active()) return;
  // A state the cut did not move on had nothing captured since the last press.
  switch (FPause) {
    case TPause::Running: FPause = TPause::Pausing; break;
    case TPause::Resuming: FPause = TPause::Paused; break;
    case TPause::Pausing: FPause = TPause::Running; break;
    case TPause::Paused: FPause = TPause::Resuming; break;
  }
}

uint32_t TdeCustomAudioIn::PauseDelivery(WAVEHDR* header) {
  const uint32_t recorded = header->dwBytesRecorded;
  const uint32_t frame = std::max<uint32_t>(Format()->BlockAlign(), 1);
  // A compressed stream cannot be faded inside its blocks: it pauses at the block edge the device cut at.
  const bool linear = SampleLayout(Format()->WaveFormat()).Kind != TAcmSampleKind::None;
  const uint32_t fade =
      linear ? std::min(recorded / frame * frame,
                        static_cast<uint32_t>(uint64_t{Format()->SamplesPerSec()} * FadeMillis / 1000) * frame)
             : 0;
  switch (FPause) {
    case TPause::Running: return recorded;
    case TPause::Pausing:
      FPause = TPause::Paused;
      FadePcm(*Format(), header->lpData, fade, false);
      return fade;
    case TPause::Paused: return 0;
    case TPause::Resuming:
      FPause = TPause::Running;
      FadePcm(*Format(), header->lpData, fade, true);
      return recorded;
  }
  return recorded;
}

void FadePcm(const TdeWaveFormat& format, void* data, uint32_t size, bool fadeIn) {
  FadeSamples(SampleLayout(format.WaveFormat()), data, size, fadeIn);
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
  throw EACMAudioInError(QString::fromUtf8(SInputRingEmpty) +
                         (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason));
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
  Pool().RecycleHeader(header);
}

void TdeCustomAudioIn::CloseDevice() {
  RaiseACMError<EACMAudioInError>(waveInReset(FHandle), SErrorClosingInput);
  waveInGetLoss(FHandle, &FOverruns, &FLostFrames);
  std::string to;
  FRerouted = waveInGetReroute(FHandle, &FRerouteFrame, &to) == MMSYSERR_NOERROR;
  FRerouteTo = QString::fromStdString(to);
  while (WAVEHDR* last = LastHeader()) ReleaseHeader(last);
  RaiseACMError<EACMAudioInError>(waveInClose(FHandle), SErrorClosingInput);
  ExpectCloseNotice();
  FHandle = nullptr;
}

void TdeCustomAudioIn::AbandonDevice() {
  if (!FHandle) return;
  waveInReset(FHandle);
  for (WAVEHDR* h : ListedHeaders()) waveInUnprepareHeader(FHandle, h, kHeaderSize);
  ForgetHeaders();
  if (waveInClose(FHandle) == MMSYSERR_NOERROR) ExpectCloseNotice();
  FHandle = nullptr;
}

// What was recorded has been delivered before this notice; the device is dead.
void TdeCustomAudioIn::DeviceFailed(MMRESULT code) {
  const QString detail = DetailLine(waveGetFailureDetail(FHandle));
  Close();
  throw EACMAudioInError(ACMErrorMessage(code, SInputDeviceFailed) + detail);
}

void TdeCustomAudioIn::DoAudioRecorded(const void* audioData, int32_t audioDataSize) {
  Subject()->Notify(Subject(), audioData, audioDataSize);
  if (FOnAudioRecorded) FOnAudioRecorded(this, audioData, audioDataSize);
}
