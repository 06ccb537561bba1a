// The format mapper: a device opened in a compressed format is a PCM device
// of the backend with a codec-manager stream in front of it. Playback
// converts each written buffer when it is queued and returns it when its PCM
// has been heard; capture converts what the PCM device records and fills the
// queued buffers with the result, in order.
//
// Locks: the PCM device's lock may be held while the mapper takes its own
// queue lock (completions arrive that way), never the other way round.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "WaveDevice.h"

namespace {

// A conversion stream with a staging buffer: input that does not make a whole
// source block stays staged until more arrives. Buffers only grow.
class TStagedConverter {
 public:
  ~TStagedConverter() {
    Unprepare();
    if (FStream) acmStreamClose(FStream, 0);
  }

  bool Open(const WAVEFORMATEX* source, const WAVEFORMATEX* dest) {
    return acmStreamOpen(&FStream, nullptr, source, dest, nullptr, 0, 0, 0) == MMSYSERR_NOERROR;
  }

  // Stages data, converts all whole blocks and hands each piece of output to sink(bytes, count).
  template <class Sink>
  MMRESULT Push(const char* data, uint32_t size, Sink&& sink) {
    if (MMRESULT rc = Reserve(FStaged + size)) return rc;
    std::memcpy(FSource.data() + FStaged, data, size);
    FStaged += size;
    while (FStaged > 0) {
      FHeader.cbSrcLength = FStaged;
      FHeader.cbDstLength = static_cast<uint32_t>(FDest.size());
      if (MMRESULT rc = acmStreamConvert(FStream, &FHeader, ACM_STREAMCONVERTF_BLOCKALIGN)) return rc;
      const uint32_t used = FHeader.cbSrcLengthUsed, made = FHeader.cbDstLengthUsed;
      if (made > 0) sink(FDest.data(), made);
      if (used == 0) break;
      std::memmove(FSource.data(), FSource.data() + used, FStaged - used);
      FStaged -= used;
      if (made == 0) break;
    }
    return MMSYSERR_NOERROR;
  }

  // The output size that size bytes of input can make, at most.
  uint32_t OutputFor(uint32_t size) const {
    uint32_t out = 0;
    return acmStreamSize(FStream, size, &out, ACM_STREAMSIZEF_SOURCE) == MMSYSERR_NOERROR ? out : 0;
  }

  void Clear() {
    FStaged = 0;
    acmStreamReset(FStream, 0);
  }

 private:
  MMRESULT Reserve(uint32_t size) {
    if (size <= FSource.size() && FPrepared) return MMSYSERR_NOERROR;
    Unprepare();
    FSource.resize(std::max<size_t>({size, FSource.size(), 1}));
    const uint32_t out = OutputFor(static_cast<uint32_t>(FSource.size()));
    FDest.resize(std::max<size_t>({FDest.size(), out + 64, 256}));
    FHeader = {};
    FHeader.cbStruct = sizeof FHeader;
    FHeader.pbSrc = reinterpret_cast<uint8_t*>(FSource.data());
    FHeader.cbSrcLength = static_cast<uint32_t>(FSource.size());
    FHeader.pbDst = reinterpret_cast<uint8_t*>(FDest.data());
    FHeader.cbDstLength = static_cast<uint32_t>(FDest.size());
    if (MMRESULT rc = acmStreamPrepareHeader(FStream, &FHeader, 0)) return rc;
    FPrepared = true;
    return MMSYSERR_NOERROR;
  }

  void Unprepare() {
    if (FPrepared) {
      FHeader.cbSrcLength = static_cast<uint32_t>(FSource.size());
      FHeader.cbDstLength = static_cast<uint32_t>(FDest.size());
      acmStreamUnprepareHeader(FStream, &FHeader, 0);
    }
    FPrepared = false;
  }

  HACMSTREAM FStream = nullptr;
  std::vector<char> FSource;
  std::vector<char> FDest;
  uint32_t FStaged = 0;
  ACMSTREAMHEADER FHeader{};
  bool FPrepared = false;
};

// One buffer of the PCM device.
struct TInnerBuffer {
  WAVEHDR Header{};
  std::vector<char> Data;
};

class TMappedWaveDevice final : public TWaveDevice, public IWaveListener {
 public:
  TMappedWaveDevice(TWaveDirection direction, const WAVEFORMATEX& format, const TNotifyHandle& target)
      : TWaveDevice(direction, format, target) {}
  ~TMappedWaveDevice() override { Shutdown(); }

  MMRESULT Open(TWaveBackend& backend, uint32_t deviceID, const std::string& name, const WAVEFORMATEX& format);

  MMRESULT Start() override;
  MMRESULT Stop() override;
  MMRESULT Flush() override;
  MMRESULT Pause() override { return FPcm->Pause(); }
  MMRESULT Restart() override { return FPcm->Restart(); }
  MMRESULT Reset() override;
  void Shutdown() override {
    if (FPcm) FPcm->Shutdown();
  }
  void Queued(WAVEHDR* header) override;
  // The PCM device's gaps and the converted audio dropped, in the PCM device's frames.
  TLoss Loss() override {
    TLoss loss = FPcm ? FPcm->Loss() : TLoss{};
    std::lock_guard guard(Lock);
    loss.Overruns += FDropped.Overruns;
    loss.Frames += FDropped.Frames;
    return loss;
  }

  void HeaderDone(WAVEHDR* header) override;
  void DeviceError(MMRESULT code, const std::string& detail) override;

 private:
  TInnerBuffer* TakeBuffer();
  void GiveBack(TInnerBuffer* buffer);
  static TInnerBuffer* BufferOf(WAVEHDR* header) { return reinterpret_cast<TInnerBuffer*>(header->dwUser); }
  // Capture: hands converted bytes to the queued buffers; full ones are done.
  void Fill(const char* data, uint32_t size);

  alignas(8) uint8_t FPcmFormat[WAVE_FORMAT_BUFFER_SIZE] = {};
  uint32_t FBlockAlign = 1;  // of the compressed format
  TStagedConverter FConverter;
  std::mutex FPoolLock;  // the idle buffers; taken under the PCM device's lock
  std::vector<std::unique_ptr<TInnerBuffer>> FBuffers;
  std::vector<TInnerBuffer*> FIdle;
  std::atomic<bool> FResetting = false;
  TLoss FDropped;  // capture: converted audio no queued buffer took (under Lock)
  bool FDropping = false;
  std::unique_ptr<TWaveDevice> FPcm;  // last: goes first, while the buffers still exist
};

MMRESULT TMappedWaveDevice::Open(TWaveBackend& backend, uint32_t deviceID, const std::string& name,
                                 const WAVEFORMATEX& format) {
  auto* pcm = reinterpret_cast<WAVEFORMATEX*>(FPcmFormat);
  pcm->wFormatTag = WAVE_FORMAT_PCM;
  if (acmFormatSuggest(nullptr, &format, pcm, sizeof FPcmFormat, ACM_FORMATSUGGESTF_WFORMATTAG) != MMSYSERR_NOERROR ||
      PcmFrameBytes(*pcm) == 0)
    return WAVERR_BADFORMAT;
  const bool input = Direction == TWaveDirection::Input;
  if (!FConverter.Open(input ? pcm : &format, input ? &format : pcm)) return WAVERR_BADFORMAT;
  FBlockAlign = std::max<uint32_t>(format.nBlockAlign, 1);
  if (MMRESULT rc = backend.Open(Direction, deviceID, name, *pcm, TNotifyHandle(), FPcm)) return rc;
  FPcm->SetListener(this);
  if (input) {
    // A ring of sixteenth-second PCM buffers feeds the encoder.
    const uint32_t frame = PcmFrameBytes(*pcm);
    const uint32_t size = std::max(pcm->nAvgBytesPerSec / 16 / frame, 1u) * frame;
    for (int i = 0; i < 4; ++i) {
      auto b = std::make_unique<TInnerBuffer>();
      b->Data.resize(size);
      b->Header.lpData = b->Data.data();
      b->Header.dwBufferLength = size;
      b->Header.dwFlags = WHDR_PREPARED;
      b->Header.dwUser = reinterpret_cast<uintptr_t>(b.get());
      FIdle.push_back(b.get());
      FBuffers.push_back(std::move(b));
    }
  }
  return MMSYSERR_NOERROR;
}

TInnerBuffer* TMappedWaveDevice::TakeBuffer() {
  {
    std::lock_guard guard(FPoolLock);
    if (!FIdle.empty()) {
      TInnerBuffer* b = FIdle.back();
      FIdle.pop_back();
      return b;
    }
  }
  auto b = std::make_unique<TInnerBuffer>();
  b->Header.dwUser = reinterpret_cast<uintptr_t>(b.get());
  TInnerBuffer* raw = b.get();
  std::lock_guard guard(FPoolLock);
  FIdle.reserve(FBuffers.size() + 1);
  FBuffers.push_back(std::move(b));
  return raw;
}

void TMappedWaveDevice::GiveBack(TInnerBuffer* buffer) {
  std::lock_guard guard(FPoolLock);
  FIdle.push_back(buffer);
}

// Playback: the written buffer becomes PCM now and goes to the device.
void TMappedWaveDevice::Queued(WAVEHDR* header) {
  if (Direction != TWaveDirection::Output) return;
  TInnerBuffer* b = TakeBuffer();
  uint32_t length = 0;
  const uint32_t need = FConverter.OutputFor(header->dwBufferLength + FBlockAlign) + 64;
  if (b->Data.size() < need) b->Data.resize(need);
  FConverter.Push(header->lpData, header->dwBufferLength, [&](const char* data, uint32_t size) {
    if (length + size > b->Data.size()) b->Data.resize(length + size);
    std::memcpy(b->Data.data() + length, data, size);
    length += size;
  });
  b->Header.lpData = b->Data.data();
  b->Header.dwBufferLength = length;
  b->Header.dwFlags = WHDR_PREPARED;
  FPcm->Enqueue(&b->Header);
}

void TMappedWaveDevice::Fill(const char* data, uint32_t size) {
  std::lock_guard guard(Lock);
  while (size > 0 && Head()) {
    WAVEHDR* h = Head();
    const uint32_t take = std::min(size, h->dwBufferLength - h->dwBytesRecorded);
    std::memcpy(h->lpData + h->dwBytesRecorded, data, take);
    h->dwBytesRecorded += take;
    data += take;
    size -= take;
    if (h->dwBufferLength - h->dwBytesRecorded < FBlockAlign || h->dwBytesRecorded == h->dwBufferLength) CompleteHead();
  }
  // Converted audio with no buffer queued is lost, as a device loses it, and
  // counted as a device counts an overrun: once per stretch without buffers,
  // in frames of the PCM device.
  if (size > 0) {
    const auto* pcm = reinterpret_cast<const WAVEFORMATEX*>(FPcmFormat);
    const uint64_t frames = uint64_t{size} * pcm->nSamplesPerSec / std::max<uint32_t>(Format.nAvgBytesPerSec, 1);
    if (!FDropping) ++FDropped.Overruns;
    FDropped.Frames += frames;
  }
  FDropping = size > 0;
}

void TMappedWaveDevice::HeaderDone(WAVEHDR* header) {
  TInnerBuffer* b = BufferOf(header);
  if (Direction == TWaveDirection::Output) {
    GiveBack(b);
    std::lock_guard guard(Lock);
    CompleteHead();
    return;
  }
  if (FResetting) {
    GiveBack(b);
    return;
  }
  FConverter.Push(header->lpData, header->dwBytesRecorded,
                  [this](const char* data, uint32_t size) { Fill(data, size); });
  header->dwBufferLength = static_cast<uint32_t>(b->Data.size());
  header->dwFlags = WHDR_PREPARED;
  FPcm->EnqueueLocked(header);
}

void TMappedWaveDevice::DeviceError(MMRESULT code, const std::string& detail) {
  std::lock_guard guard(Lock);
  if (Direction == TWaveDirection::Input && Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  Failed(code, detail);
}

MMRESULT TMappedWaveDevice::Start() {
  std::vector<TInnerBuffer*> idle;
  {
    std::lock_guard guard(FPoolLock);
    idle.swap(FIdle);
  }
  for (TInnerBuffer* b : idle) {
    b->Header.dwFlags = WHDR_PREPARED;
    FPcm->Enqueue(&b->Header);
  }
  idle.clear();
  std::lock_guard guard(FPoolLock);
  if (FIdle.empty()) FIdle.swap(idle);  // keeps the capacity for the next reset
  return FPcm->Start();
}

MMRESULT TMappedWaveDevice::Stop() {
  const MMRESULT rc = FPcm->Stop();
  std::lock_guard guard(Lock);
  if (Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  return rc;
}

// The cut falls on the last block edge captured: the input staged for the
// next block was captured before the press but goes out with that block.
MMRESULT TMappedWaveDevice::Flush() {
  const MMRESULT rc = FPcm->Flush();
  std::lock_guard guard(Lock);
  if (Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  return rc;
}

MMRESULT TMappedWaveDevice::Reset() {
  FResetting = Direction == TWaveDirection::Input;
  const MMRESULT rc = FPcm->Reset();
  FResetting = false;
  FConverter.Clear();
  std::lock_guard guard(Lock);
  CompleteAll();
  return rc;
}

}  // namespace

MMRESULT OpenMappedWaveDevice(TWaveBackend& backend, TWaveDirection direction, uint32_t deviceID,
                              const std::string& name, const WAVEFORMATEX& format, const TNotifyHandle& target,
                              std::unique_ptr<TWaveDevice>& device) {
  auto d = std::make_unique<TMappedWaveDevice>(direction, format, target);
  if (MMRESULT rc = d->Open(backend, deviceID, name, format)) return rc;
  device = std::move(d);
  return MMSYSERR_NOERROR;
}
