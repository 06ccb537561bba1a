#include "WaveDevice.h"

#include <algorithm>
#include <string>
#include <vector>

#include "SampleLayout.h"
#include "WavePulse.h"

namespace {

// The installed backend and the open devices with the backend that opened
// them. Open and close are rare; the per-buffer calls only look a handle up.
struct TOpenDevice {
  std::unique_ptr<TWaveDevice> Device;
  std::shared_ptr<TWaveBackend> Backend;
};

struct TRegistry {
  std::mutex Lock;
  std::shared_ptr<TWaveBackend> Backend;
  std::vector<TOpenDevice> Devices;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

std::shared_ptr<TWaveBackend> CurrentBackend() {
  TRegistry& r = Registry();
  std::lock_guard guard(r.Lock);
  if (!r.Backend) r.Backend = MakeDesktopWaveBackend();
  return r.Backend;
}

constexpr TWaveDirection kIn = TWaveDirection::Input;
constexpr TWaveDirection kOut = TWaveDirection::Output;

// The sound system's account of this thread's last failed wave call: every
// call clears it on entry, a backend sets it when it fails (like errno).
std::string& LastDetail() {
  thread_local std::string detail;
  return detail;
}

// The backend of an open device of that direction, nullptr for a bad handle.
TWaveBackend* Find(TWaveDevice* handle, TWaveDirection direction) {
  TRegistry& r = Registry();
  std::lock_guard guard(r.Lock);
  for (const TOpenDevice& d : r.Devices)
    if (d.Device.get() == handle) return d.Device->Direction == direction ? d.Backend.get() : nullptr;
  return nullptr;
}

uint32_t OpenNotice(TWaveDirection d) { return d == TWaveDirection::Input ? MM_WIM_OPEN : MM_WOM_OPEN; }
uint32_t CloseNotice(TWaveDirection d) { return d == TWaveDirection::Input ? MM_WIM_CLOSE : MM_WOM_CLOSE; }
uint32_t DoneNotice(TWaveDirection d) { return d == TWaveDirection::Input ? MM_WIM_DATA : MM_WOM_DONE; }

MMRESULT Open(TWaveDirection direction, TWaveDevice** handle, uint32_t deviceID, const std::string& name,
              const WAVEFORMATEX* format, const TNotifyHandle* callback, uint32_t flags) {
  LastDetail().clear();
  const bool query = flags & WAVE_FORMAT_QUERY;
  if (!format || (!handle && !query)) return MMSYSERR_INVALPARAM;
  if (handle) *handle = nullptr;
  TNotifyHandle target = callback ? *callback : TNotifyHandle();
  std::shared_ptr<TWaveBackend> backend = CurrentBackend();
  if (MMRESULT rc = backend->Check(direction, TWaveCall::Open, nullptr, nullptr)) return rc;

  std::unique_ptr<TWaveDevice> device;
  MMRESULT rc;
  const bool mapped = (flags & WAVE_MAPPED) || deviceID == WAVE_MAPPER;
  if (PcmFrameBytes(*format) == 0 && mapped) {
    // The mapper's device 0 is the default device: on this platform the user
    // picks cards through the default PCM (or the environment), not by number.
    const uint32_t inner = (flags & WAVE_MAPPED) && deviceID == 0 ? WAVE_MAPPER : deviceID;
    rc = OpenMappedWaveDevice(*backend, direction, inner, inner == WAVE_MAPPER ? name : std::string(), *format, target,
                              device);
  } else if (PcmFrameBytes(*format) == 0) {
    rc = WAVERR_BADFORMAT;
  } else {
    rc = backend->Open(direction, deviceID, deviceID == WAVE_MAPPER ? name : std::string(), *format, target, device);
  }
  if (rc != MMSYSERR_NOERROR) return rc;
  if (query) {
    device->Shutdown();
    return MMSYSERR_NOERROR;
  }
  TWaveDevice* d = device.get();
  {
    TRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    r.Devices.push_back({std::move(device), std::move(backend)});
  }
  d->PostNotice(OpenNotice(direction));
  *handle = d;
  return MMSYSERR_NOERROR;
}

MMRESULT Prepare(TWaveDirection direction, TWaveDevice* handle, WAVEHDR* header, uint32_t size) {
  LastDetail().clear();
  TWaveBackend* backend = Find(handle, direction);
  if (!backend) return MMSYSERR_INVALHANDLE;
  if (!header || size != sizeof(WAVEHDR) || !header->lpData) return MMSYSERR_INVALPARAM;
  if (MMRESULT rc = backend->Check(direction, TWaveCall::Prepare, handle, header)) return rc;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(TWaveDirection direction, TWaveDevice* handle, WAVEHDR* header, uint32_t size) {
  LastDetail().clear();
  TWaveBackend* backend = Find(handle, direction);
  if (!backend) return MMSYSERR_INVALHANDLE;
  if (!header || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (MMRESULT rc = backend->Check(direction, TWaveCall::Unprepare, handle, header)) return rc;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT Queue(TWaveDirection direction, TWaveDevice* handle, WAVEHDR* header, uint32_t size) {
  LastDetail().clear();
  TWaveBackend* backend = Find(handle, direction);
  if (!backend) return MMSYSERR_INVALHANDLE;
  if (!header || size != sizeof(WAVEHDR) || !header->lpData) return MMSYSERR_INVALPARAM;
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  if (MMRESULT rc = backend->Check(direction, TWaveCall::Queue, handle, header)) return rc;
  return handle->Enqueue(header);
}

MMRESULT Control(TWaveDirection direction, TWaveCall call, TWaveDevice* handle) {
  LastDetail().clear();
  TWaveBackend* backend = Find(handle, direction);
  if (!backend) return MMSYSERR_INVALHANDLE;
  if (MMRESULT rc = backend->Check(direction, call, handle, nullptr)) return rc;
  switch (call) {
    case TWaveCall::Start: return handle->Start();
    case TWaveCall::Stop: return handle->Stop();
    case TWaveCall::Flush: return handle->Flush();
    case TWaveCall::Pause: return handle->Pause();
    case TWaveCall::Restart: return handle->Restart();
    case TWaveCall::Reset: return handle->Reset();
    default: return MMSYSERR_NOTSUPPORTED;
  }
}

MMRESULT Close(TWaveDirection direction, TWaveDevice* handle) {
  LastDetail().clear();
  TWaveBackend* backend = Find(handle, direction);
  if (!backend) return MMSYSERR_INVALHANDLE;
  if (MMRESULT rc = backend->Check(direction, TWaveCall::Close, handle, nullptr)) return rc;
  if (!handle->QueueEmpty()) return WAVERR_STILLPLAYING;
  handle->Shutdown();
  handle->PostNotice(CloseNotice(direction));
  std::unique_ptr<TWaveDevice> gone;
  std::shared_ptr<TWaveBackend> keep;  // the backend may go with its last device
  {
    TRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    auto it = std::find_if(r.Devices.begin(), r.Devices.end(),
                           [&](const TOpenDevice& d) { return d.Device.get() == handle; });
    gone = std::move(it->Device);
    keep = std::move(it->Backend);
    r.Devices.erase(it);
  }
  return MMSYSERR_NOERROR;
}

uint32_t NumDevs(TWaveDirection direction) { return CurrentBackend()->NumDevs(direction); }

}  // namespace

// ---- Device base ----

TWaveDevice::TWaveDevice(TWaveDirection direction, const WAVEFORMATEX& format, TNotifyHandle target)
    : Direction(direction),
      Format(format),
      FTarget(std::move(target)),
      FNoticeHandle(reinterpret_cast<uintptr_t>(this)) {}

TWaveDevice::~TWaveDevice() = default;

MMRESULT TWaveDevice::Reset() {
  std::lock_guard guard(Lock);
  CompleteAll();
  return MMSYSERR_NOERROR;
}

MMRESULT TWaveDevice::Enqueue(WAVEHDR* header) {
  {
    std::lock_guard guard(Lock);
    EnqueueLocked(header);
  }
  Queued(header);
  return MMSYSERR_NOERROR;
}

void TWaveDevice::EnqueueLocked(WAVEHDR* header) {
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  header->lpNext = nullptr;
  header->reserved = 0;
  if (Direction == TWaveDirection::Input) header->dwBytesRecorded = 0;
  if (FTail)
    FTail->lpNext = header;
  else
    FHead = header;
  FTail = header;
}

bool TWaveDevice::QueueEmpty() {
  std::lock_guard guard(Lock);
  return FHead == nullptr;
}

void TWaveDevice::PostNotice(uint32_t msg, intptr_t lParam) { FTarget.Post(msg, FNoticeHandle, lParam); }

void TWaveDevice::CompleteHead() {
  WAVEHDR* header = FHead;
  if (!header) return;
  FHead = header->lpNext;
  if (!FHead) FTail = nullptr;
  header->lpNext = nullptr;
  header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  if (FListener)
    FListener->HeaderDone(header);
  else
    PostNotice(DoneNotice(Direction), reinterpret_cast<intptr_t>(header));
}

void TWaveDevice::CompleteAll() {
  while (FHead) CompleteHead();
}

TWaveDevice::TLoss TWaveDevice::Loss() {
  std::lock_guard guard(Lock);
  return FLoss;
}

void TWaveDevice::CountOverrun(uint64_t frames) {
  ++FLoss.Overruns;
  FLoss.Frames += frames;
}

TWaveDevice::TReroute TWaveDevice::Reroute() {
  std::lock_guard guard(Lock);
  return FReroute;
}

void TWaveDevice::CountReroute(uint64_t frame, const std::string& to) { FReroute = {true, frame, to}; }

std::string TWaveDevice::FailureDetail() {
  std::lock_guard guard(Lock);
  return FFailureDetail;
}

void TWaveDevice::Failed(MMRESULT code, const std::string& detail) {
  if (FFailed) return;
  FFailed = true;
  FFailureDetail = detail;
  if (FListener)
    FListener->DeviceError(code, detail);
  else
    PostNotice(MM_DEVICE_ERROR, static_cast<intptr_t>(code));
}

// ---- Shared helpers ----

const char* WaveCallName(TWaveDirection direction, TWaveCall call) {
  const bool in = direction == TWaveDirection::Input;
  switch (call) {
    case TWaveCall::Open: return in ? "waveInOpen" : "waveOutOpen";
    case TWaveCall::Prepare: return in ? "waveInPrepareHeader" : "waveOutPrepareHeader";
    case TWaveCall::Unprepare: return in ? "waveInUnprepareHeader" : "waveOutUnprepareHeader";
    case TWaveCall::Queue: return in ? "waveInAddBuffer" : "waveOutWrite";
    case TWaveCall::Start: return "waveInStart";
    case TWaveCall::Stop: return "waveInStop";
    case TWaveCall::Flush: return "waveInFlush";
    case TWaveCall::Pause: return "waveOutPause";
    case TWaveCall::Restart: return "waveOutRestart";
    case TWaveCall::Reset: return in ? "waveInReset" : "waveOutReset";
    case TWaveCall::Close: return in ? "waveInClose" : "waveOutClose";
  }
  return "?";
}

uint32_t PcmFrameBytes(const WAVEFORMATEX& f) {
  // Devices take the plain tags only; an extensible format goes through the mapper.
  const TAcmLinearFormat layout = SampleLayout(&f);
  if (layout.Kind == TAcmSampleKind::None || layout.Extensible) return 0;
  if (layout.Channels == 0 || layout.Channels > 32 || layout.Rate == 0) return 0;
  return f.nBlockAlign == layout.BlockAlign ? layout.BlockAlign : 0;
}

std::shared_ptr<TWaveBackend> SetWaveBackend(std::shared_ptr<TWaveBackend> backend) {
  if (!backend) backend = MakeDesktopWaveBackend();
  TRegistry& r = Registry();
  std::lock_guard guard(r.Lock);
  std::swap(r.Backend, backend);
  return backend;
}

// ---- The wave calls ----
// Each operation in both directions, side by side; the work is done above.

MMRESULT waveInOpen(HWAVEIN* phwi, uint32_t uDeviceID, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                    uintptr_t, uint32_t flags) {
  return Open(TWaveDirection::Input, phwi, uDeviceID, std::string(), pwfx, callback, flags);
}
MMRESULT waveOutOpen(HWAVEOUT* phwo, uint32_t uDeviceID, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                     uintptr_t, uint32_t flags) {
  return Open(TWaveDirection::Output, phwo, uDeviceID, std::string(), pwfx, callback, flags);
}
// The mapped (compressed) case reaches the default device through device 0, as waveInOpen does.
MMRESULT waveInOpenNamed(HWAVEIN* phwi, const char* name, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                         uintptr_t, uint32_t flags) {
  return Open(TWaveDirection::Input, phwi, (flags & WAVE_MAPPED) ? 0 : WAVE_MAPPER, name ? name : "", pwfx, callback,
              flags);
}
MMRESULT waveOutOpenNamed(HWAVEOUT* phwo, const char* name, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                          uintptr_t, uint32_t flags) {
  return Open(TWaveDirection::Output, phwo, (flags & WAVE_MAPPED) ? 0 : WAVE_MAPPER, name ? name : "", pwfx, callback,
              flags);
}

std::vector<TWaveDeviceInfo> WaveDeviceList(TWaveDirection direction) { return CurrentBackend()->Devices(direction); }
std::string WaveSystemName() { return CurrentBackend()->SystemName(); }

MMRESULT waveInPrepareHeader(HWAVEIN h, WAVEHDR* pwh, uint32_t cbwh) { return Prepare(kIn, h, pwh, cbwh); }
MMRESULT waveOutPrepareHeader(HWAVEOUT h, WAVEHDR* pwh, uint32_t cbwh) { return Prepare(kOut, h, pwh, cbwh); }
MMRESULT waveInUnprepareHeader(HWAVEIN h, WAVEHDR* pwh, uint32_t cbwh) { return Unprepare(kIn, h, pwh, cbwh); }
MMRESULT waveOutUnprepareHeader(HWAVEOUT h, WAVEHDR* pwh, uint32_t cbwh) { return Unprepare(kOut, h, pwh, cbwh); }
MMRESULT waveInAddBuffer(HWAVEIN h, WAVEHDR* pwh, uint32_t cbwh) { return Queue(kIn, h, pwh, cbwh); }
MMRESULT waveOutWrite(HWAVEOUT h, WAVEHDR* pwh, uint32_t cbwh) { return Queue(kOut, h, pwh, cbwh); }
MMRESULT waveInReset(HWAVEIN h) { return Control(kIn, TWaveCall::Reset, h); }
MMRESULT waveOutReset(HWAVEOUT h) { return Control(kOut, TWaveCall::Reset, h); }
MMRESULT waveInClose(HWAVEIN h) { return Close(kIn, h); }
MMRESULT waveOutClose(HWAVEOUT h) { return Close(kOut, h); }
uint32_t waveInGetNumDevs() { return NumDevs(kIn); }
uint32_t waveOutGetNumDevs() { return NumDevs(kOut); }

MMRESULT waveInStart(HWAVEIN h) { return Control(kIn, TWaveCall::Start, h); }
MMRESULT waveInStop(HWAVEIN h) { return Control(kIn, TWaveCall::Stop, h); }
MMRESULT waveInFlush(HWAVEIN h) { return Control(kIn, TWaveCall::Flush, h); }
MMRESULT waveOutPause(HWAVEOUT h) { return Control(kOut, TWaveCall::Pause, h); }
MMRESULT waveOutRestart(HWAVEOUT h) { return Control(kOut, TWaveCall::Restart, h); }

std::string waveGetErrorDetail() { return LastDetail(); }

MMRESULT waveInGetLoss(HWAVEIN hwi, uint32_t* overruns, uint64_t* lostFrames) {
  if (!Find(hwi, TWaveDirection::Input)) return MMSYSERR_INVALHANDLE;
  const TWaveDevice::TLoss loss = hwi->Loss();
  if (overruns) *overruns = loss.Overruns;
  if (lostFrames) *lostFrames = loss.Frames;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInGetReroute(HWAVEIN hwi, uint64_t* frame, std::string* to) {
  if (!Find(hwi, TWaveDirection::Input)) return MMSYSERR_INVALHANDLE;
  const TWaveDevice::TReroute reroute = hwi->Reroute();
  if (frame) *frame = reroute.Moved ? reroute.Frame : 0;
  if (to) *to = reroute.To;
  return reroute.Moved ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

std::string waveGetFailureDetail(TWaveDevice* handle) {
  if (!Find(handle, TWaveDirection::Input) && !Find(handle, TWaveDirection::Output)) return std::string();
  return handle->FailureDetail();
}

void SetWaveErrorDetail(const std::string& detail) { LastDetail() = detail; }
