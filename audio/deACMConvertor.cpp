// The conversion step and the convertor component of the deACM unit.
#include "deACMConvertor.h"

#include <algorithm>
#include <cfenv>
#include <cstring>
#include <limits>

#include "deAudioConsts.h"

namespace {

// Masks floating-point exceptions around a codec call and restores the
// environment after it, also when the call raises. Costs nothing where every
// exception is masked already (the normal state of a program here).
class TFpuGuard {
 public:
  explicit TFpuGuard(bool enabled) : FActive(enabled && fegetexcept() != 0) {
    if (FActive) feholdexcept(&FEnv);
  }
  ~TFpuGuard() {
    if (FActive) fesetenv(&FEnv);
  }
  TFpuGuard(const TFpuGuard&) = delete;
  TFpuGuard& operator=(const TFpuGuard&) = delete;

 private:
  bool FActive;
  fenv_t FEnv{};
};

constexpr int64_t MaxBufferSize = std::numeric_limits<int32_t>::max();
// Caps the data rate a stored format may claim when sizing buffers by it.
constexpr int64_t MaxSecondBytes = 4 * 1024 * 1024;

}  // namespace

// ---- TMiniConvertor ----

TMiniConvertor::TMiniConvertor(const TdeWaveFormat& source, const TdeWaveFormat& destination) {
  std::memcpy(FSource, source.WaveFormat(), sizeof FSource);
  std::memcpy(FDestination, destination.WaveFormat(), sizeof FDestination);
  FHeader.cbStruct = sizeof(ACMSTREAMHEADER);
}

TMiniConvertor::~TMiniConvertor() {
  if (FActive) Close();
}

void TMiniConvertor::Open(bool realTime) {
  if (FActive) throw EACMError(SConversionActive);
  HACMSTREAM handle = nullptr;
  RaiseACMError<EACMConversionError>(acmStreamOpen(&handle, nullptr, reinterpret_cast<const WAVEFORMATEX*>(FSource),
                                                   reinterpret_cast<const WAVEFORMATEX*>(FDestination), nullptr, 0, 0,
                                                   realTime ? 0 : ACM_STREAMOPENF_NONREALTIME));
  FHandle = handle;
  FActive = true;
  ResetBuffers();
}

void TMiniConvertor::Close() {
  ResetBuffers();
  if (FHandle) acmStreamClose(FHandle, 0);
  FHandle = nullptr;
  FActive = false;
}

void TMiniConvertor::ResetBuffers() {
  if (IsPrepared()) acmStreamUnprepareHeader(FHandle, &FHeader, 0);
  if (FHandle) acmStreamReset(FHandle, 0);
  FHeader = ACMSTREAMHEADER{};
  FHeader.cbStruct = sizeof(ACMSTREAMHEADER);
  FInputCapacity = 0;
  FInputFill = 0;
  FInput.reset();
  FOutputCapacity = 0;
  FOutput.reset();
}

void TMiniConvertor::GrowInput(int64_t capacity) {
  if (capacity == FInputCapacity) return;
  if (capacity > MaxBufferSize) throw EACMConversionError(SConversionBufferOverflow);
  auto buffer = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(capacity));
  if (FInputFill > 0) std::memcpy(buffer.get(), FInput.get(), static_cast<size_t>(FInputFill));
  FInput = std::move(buffer);
  FInputCapacity = static_cast<int32_t>(capacity);
}

void TMiniConvertor::AppendInput(const void* audioData, int32_t audioDataSize) {
  Assert(audioDataSize >= 0 && (audioData || audioDataSize == 0), "deACM", "AudioData");
  const int64_t needed = int64_t{FInputFill} + audioDataSize;
  if (needed > FInputCapacity) {
    // Once prepared the buffers stay where the codec manager was told they are.
    if (IsPrepared()) throw EACMConversionError(SConversionBufferOverflow);
    GrowInput(2 * needed);
  }
  if (audioDataSize > 0) std::memcpy(FInput.get() + FInputFill, audioData, static_cast<size_t>(audioDataSize));
  FInputFill += audioDataSize;
}

bool TMiniConvertor::Prepare() {
  uint32_t size = 0;
  if (acmStreamSize(FHandle, static_cast<uint32_t>(FInputFill), &size, ACM_STREAMSIZEF_SOURCE) != 0 || size == 0)
    return false;
  // Three times the first productive input, but at least a second of audio: a
  // step behind a resampler first gets a short block (the filter's delay), and
  // sizing by that alone would refuse the ordinary blocks that follow.
  const auto* source = reinterpret_cast<const WAVEFORMATEX*>(FSource);
  const int64_t align = std::max<int64_t>(1, source->nBlockAlign);
  const int64_t second = std::min<int64_t>(source->nAvgBytesPerSec, MaxSecondBytes);
  GrowInput(std::max(3 * int64_t{FInputFill}, (second + align - 1) / align * align));
  // The worst case for a full input buffer, so no conversion can overflow the output.
  size = 0;
  RaiseACMError<EACMConversionError>(
      acmStreamSize(FHandle, static_cast<uint32_t>(FInputCapacity), &size, ACM_STREAMSIZEF_SOURCE));
  FOutput = std::make_unique_for_overwrite<uint8_t[]>(size);
  FOutputCapacity = size;
  FHeader.cbStruct = sizeof(ACMSTREAMHEADER);
  FHeader.pbSrc = FInput.get();
  FHeader.cbSrcLength = static_cast<uint32_t>(FInputCapacity);
  FHeader.pbDst = FOutput.get();
  FHeader.cbDstLength = FOutputCapacity;
  const MMRESULT result = acmStreamPrepareHeader(FHandle, &FHeader, 0);
  if (result != MMSYSERR_NOERROR) {
    FOutput.reset();
    FOutputCapacity = 0;
    FHeader.pbDst = nullptr;
    FHeader.cbDstLength = 0;
    RaiseACMError<EACMConversionError>(result);
  }
  return true;
}

int32_t TMiniConvertor::Convert(const void* audioData, int32_t audioDataSize, bool setFPU, uint32_t flags) {
  if (!FActive) throw EACMConversionError(SConversionNotActive);
  AppendInput(audioData, audioDataSize);
  if (!IsPrepared() && !Prepare()) return 0;
  // At the end the stream gives up what it holds, also for no new input.
  const bool end = (flags & ACM_STREAMCONVERTF_END) != 0;
  uint32_t size = 0;
  if (!end &&
      (acmStreamSize(FHandle, static_cast<uint32_t>(FInputFill), &size, ACM_STREAMSIZEF_SOURCE) != 0 || size == 0))
    return 0;
  FHeader.cbSrcLength = static_cast<uint32_t>(FInputFill);
  FHeader.cbSrcLengthUsed = 0;
  FHeader.cbDstLengthUsed = 0;
  {
    TFpuGuard fpu(setFPU);
    RaiseACMError<EACMConversionError>(acmStreamConvert(FHandle, &FHeader, flags));
  }
  const uint32_t used = std::min<uint32_t>(FHeader.cbSrcLengthUsed, static_cast<uint32_t>(FInputFill));
  const uint32_t produced = std::min(FHeader.cbDstLengthUsed, FOutputCapacity);
  FInputFill -= static_cast<int32_t>(used);
  if (FInputFill > 0 && used > 0) std::memmove(FInput.get(), FInput.get() + used, static_cast<size_t>(FInputFill));
  return static_cast<int32_t>(produced);
}

void TMiniConvertor::Restart() {
  FInputFill = 0;
  if (FHandle) acmStreamReset(FHandle, 0);
}

// ---- TdeAudioConvertor ----

TdeAudioConvertor::TdeAudioConvertor(TComponent* owner)
    : TQComponent(owner), FFormatIn(std::make_unique<TdeWaveFormat>()), FFormatOut(std::make_unique<TdeWaveFormat>()) {
  FObserver = std::make_unique<TdeAudioObserver>(this);
  FObserver->OnAudioData = [this](IdeAudioSubject* sender, const void* data, int32_t size) {
    HandleAudioData(sender, data, size);
  };
  FSubject = std::make_unique<TdeAudioSubject>(this, FFormatOut.get());
  FSubject->OnObserverError = [this](IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                     bool& raiseException) {
    HandleObserverError(sender, observer, e, raiseException);
  };
}

TdeAudioConvertor::~TdeAudioConvertor() {
  SetActive(false);
  ClearChain();
  // Delegates go before the component base, whose removal notices must find the roles gone.
  FObserver.reset();
  FSubject.reset();
}

void* TdeAudioConvertor::QueryInterface(const TGUID& iid) {
  if (void* role = QueryAudioRole(iid, FSubject.get(), FObserver.get())) return role;
  return TQComponent::QueryInterface(iid);
}

void TdeAudioConvertor::SetRequestRealTime(bool value) {
  if (FActive) throw EACMConversionError(SConversionActive);
  FRequestRealTime = value;
}

void TdeAudioConvertor::ClearChain() {
  while (!FFormats.empty()) FFormats.pop_back();
  while (!FSteps.empty()) FSteps.pop_back();
}

namespace {
// A format in a message: the codec manager's words, or its tag and shape when
// no installed codec knows it.
QString FormatName(const TdeWaveFormat& f) {
  const QString known = f.Description();
  if (!known.isEmpty()) return known;
  return QStringLiteral("format tag 0x%1 (%2 Hz, %3 bits, %4 channel%5)")
      .arg(f.FormatTag(), 4, 16, QLatin1Char('0'))
      .arg(f.SamplesPerSec())
      .arg(f.BitsPerSample())
      .arg(f.Channels())
      .arg(f.Channels() == 1 ? QString() : QStringLiteral("s"));
}

// "Conversion not possible." with the format that stopped it on a line of its own.
[[noreturn]] void NotPossible(const char* which, const TdeWaveFormat& format) {
  throw EACMConversionError(QString::fromUtf8(SConversionNotPossible) + QLatin1Char('\n') +
                            QString::fromUtf8(which).arg(FormatName(format)));
}
}  // namespace

void TdeAudioConvertor::PlanChain() {
  ClearChain();
  const bool rt = FRequestRealTime;
  TdeWaveFormat in, pcmIn, pcmOut, out;
  in.Assign(FFormatIn.get());
  out.Assign(FFormatOut.get());
  auto append = [this](const TdeWaveFormat& format) {
    auto copy = std::make_unique<TdeWaveFormat>();
    copy->Assign(const_cast<TdeWaveFormat*>(&format));
    FFormats.push_back(std::move(copy));
  };
  // The codec manager's PCM proposal for source, with the tag fixed. Whatever
  // stops the plan, the message names the format no codec takes.
  auto suggest = [](const TdeWaveFormat& source, TdeWaveFormat& dest, const char* which) {
    dest.SetFormatTag(WAVE_FORMAT_PCM);
    try {
      RaiseACMError<EACMConversionError>(acmFormatSuggest(nullptr, source.WaveFormat(), dest.WaveFormat(),
                                                          TdeWaveFormat::BufferSize, ACM_FORMATSUGGESTF_WFORMATTAG));
    } catch (const EACMConversionError&) {
      NotPossible(which, source);
    }
  };

  append(in);
  if (!CanConvert(&in, &out, rt)) {
    pcmIn.Assign(&in);
    suggest(in, pcmIn, SCannotDecodeFormat);
    if (!CanConvert(&in, &pcmIn, rt)) NotPossible(SCannotDecodeFormat, in);
    if (!pcmIn.IsEqual(&in) && !pcmIn.IsEqual(&out)) append(pcmIn);
    if (!CanConvert(&pcmIn, &out, rt)) {
      pcmOut.Assign(&pcmIn);
      suggest(out, pcmOut, SCannotEncodeFormat);
      if (!CanConvert(&pcmIn, &pcmOut, rt) || !CanConvert(&pcmOut, &out, rt)) NotPossible(SCannotEncodeFormat, out);
      if (!pcmOut.IsEqual(&pcmIn) && !pcmOut.IsEqual(&out)) append(pcmOut);
    }
  }
  append(out);
  for (size_t i = 0; i + 1 < FFormats.size(); ++i)
    FSteps.push_back(std::make_unique<TMiniConvertor>(*FFormats[i], *FFormats[i + 1]));
}

void TdeAudioConvertor::Open() {
  if (FActive) throw EACMConversionError(SConversionActive);
  try {
    PlanChain();
    for (auto& step : FSteps) step->Open(FRequestRealTime);
  } catch (...) {
    for (auto& step : FSteps)
      if (step->Active()) step->Close();
    throw;
  }
  FActive = true;
}

void TdeAudioConvertor::Close() {
  if (!FActive) throw EACMConversionError(SConversionNotActive);
  FActive = false;
  FOutputData = nullptr;
  FOutputSize = 0;
  FDropBytes = 0;
  for (auto& step : FSteps) step->Close();
  ClearChain();
}

void TdeAudioConvertor::SetActive(bool value) {
  if (value == FActive) return;
  if (value)
    Open();
  else
    Close();
}

void TdeAudioConvertor::Convert(const void* audioData, int32_t audioDataSize) {
  RunChain(audioData, audioDataSize, TRun::Normal);
}

void TdeAudioConvertor::ConvertAlone(const void* audioData, int32_t audioDataSize) {
  RunChain(audioData, audioDataSize, TRun::Alone);
}

void TdeAudioConvertor::ConvertLast(const void* audioData, int32_t audioDataSize) {
  RunChain(audioData, audioDataSize, TRun::Last);
}

void TdeAudioConvertor::Restart(int64_t dropFrames) {
  if (!FActive) throw EACMConversionError(SConversionNotActive);
  for (auto& step : FSteps) step->Restart();
  const int64_t inRate = std::max<int64_t>(FFormatIn->SamplesPerSec(), 1);
  FDropBytes = std::max<int64_t>(dropFrames, 0) * FFormatOut->SamplesPerSec() / inRate * FFormatOut->BlockAlign();
}

void TdeAudioConvertor::RunChain(const void* audioData, int32_t audioDataSize, TRun run) {
  if (!FActive) throw EACMConversionError(SConversionNotActive);
  FOutputData = nullptr;
  FOutputSize = 0;
  RunSteps(0, audioData, audioDataSize, run);
}

// Step index converts the block and hands what it yields to the steps after
// it. At the end of a stream a step is drained (it may give its held output in
// several pieces) before the next one is flushed, so nothing is left behind.
void TdeAudioConvertor::RunSteps(size_t index, const void* data, int32_t size, TRun run) {
  if (index == FSteps.size()) {
    if (FDropBytes > 0 && size > 0) {
      const int32_t n = static_cast<int32_t>(std::min<int64_t>(FDropBytes, size));
      FDropBytes -= n;
      data = static_cast<const uint8_t*>(data) + n;
      size -= n;
    }
    if (size == 0) return;
    FOutputData = data;
    FOutputSize = size;
    FSubject->Notify(FSubject.get(), FOutputData, FOutputSize);
    if (FOnAudioConverted) FOnAudioConverted(this, FOutputData, FOutputSize, FAborted);
    return;
  }
  TMiniConvertor& step = *FSteps[index];
  const uint32_t flags = ACM_STREAMCONVERTF_BLOCKALIGN | (run == TRun::Alone ? ACM_STREAMCONVERTF_START : 0) |
                         (run != TRun::Normal ? ACM_STREAMCONVERTF_END : 0);
  if (run == TRun::Alone) step.DiscardInput();
  // A drained step yields nothing; the bound only guards against a codec that never says so.
  for (int round = 0; round < 1000; ++round) {
    const int32_t produced = step.Convert(data, size, FSet8087FPUFlag, flags);
    data = nullptr;
    size = 0;
    if (produced > 0)
      RunSteps(index + 1, step.OutputBuffer(), produced, run == TRun::Alone ? TRun::Alone : TRun::Normal);
    if (run != TRun::Last || produced == 0) break;
  }
  if (run == TRun::Last) {
    step.DiscardInput();  // a partial source block the codec could not take
    RunSteps(index + 1, nullptr, 0, TRun::Last);
  }
}

void TdeAudioConvertor::GetConversionSteps(QStringList* strings) const {
  Assert(strings != nullptr, "deACM", "Strings");
  if (!FActive) throw EACMConversionError(SConversionNotActive);
  for (const auto& format : FFormats) strings->append(format->Description());
}

void TdeAudioConvertor::HandleAudioData(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize) {
  if (!(FActive && sender->GetFormat().IsEqual(FFormatIn.get()))) {
    // The producer's format changed (or this is its first block): plan again for it.
    SetActive(false);
    FFormatIn->Assign(&sender->GetFormat());
    SetActive(true);
  }
  Convert(audioData, audioDataSize);
}

void TdeAudioConvertor::HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                            bool& raiseException) {
  if (FOnObserverError) FOnObserverError(sender, observer, e, raiseException);
}
