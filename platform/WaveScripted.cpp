#include "WaveScripted.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "WaveDevice.h"

class TScriptedWaveDevice final : public TWaveDevice {
 public:
  TScriptedWaveDevice(TWaveDirection direction, const WAVEFORMATEX& format, const TNotifyHandle& target,
                      TScriptedWaveDevice*& current, uint32_t ringMillis)
      : TWaveDevice(direction, format, target),
        FCurrent(current),
        FRingFrames(uint64_t{format.nSamplesPerSec} * ringMillis / 1000) {}
  ~TScriptedWaveDevice() override {
    StopClock();
    if (FCurrent == this) FCurrent = nullptr;
  }

  MMRESULT Start() override {
    Started = true;
    if (FRingFrames > 0 && Direction == TWaveDirection::Input && !FClock.joinable()) {
      FQuit = false;
      FStart = std::chrono::steady_clock::now();
      FBase = FNext;  // the counter goes on where the last run stopped
      FClock = std::thread([this] { RunClock(); });
    }
    return MMSYSERR_NOERROR;
  }
  MMRESULT Stop() override {
    if (FClock.joinable()) {
      // What the device captured up to the stop still reaches the buffers.
      {
        std::lock_guard guard(Lock);
        Pace();
      }
      StopClock();
    }
    std::lock_guard guard(Lock);
    Started = false;
    // As a real device: a partly filled buffer comes back, empty ones stay queued.
    if (Direction == TWaveDirection::Input && Head() && Head()->dwBytesRecorded > 0) CompleteHead();
    return MMSYSERR_NOERROR;
  }
  MMRESULT Flush() override {
    std::lock_guard guard(Lock);
    if (FClock.joinable()) Pace();
    if (Direction == TWaveDirection::Input && Head() && Head()->dwBytesRecorded > 0) CompleteHead();
    return MMSYSERR_NOERROR;
  }
  MMRESULT Pause() override {
    Paused = true;
    return MMSYSERR_NOERROR;
  }
  MMRESULT Restart() override {
    Paused = false;
    return MMSYSERR_NOERROR;
  }
  MMRESULT Reset() override {
    StopClock();
    Started = false;
    return TWaveDevice::Reset();
  }
  void Shutdown() override { StopClock(); }

  size_t QueuedCount() {
    std::lock_guard guard(Lock);
    size_t n = 0;
    for (WAVEHDR* h = Head(); h; h = h->lpNext) ++n;
    return n;
  }

  bool Complete(const void* data, uint32_t size) {
    std::lock_guard guard(Lock);
    if (!Head()) return false;
    if (Direction == TWaveDirection::Input) FillHead(data, size == 0 ? Head()->dwBufferLength : size);
    CompleteHead();
    return true;
  }

  bool Fill(const void* data, uint32_t size) {
    std::lock_guard guard(Lock);
    if (!Head() || Direction != TWaveDirection::Input) return false;
    FillHead(data, size);
    return true;
  }

  void Overrun(uint64_t frames) {
    std::lock_guard guard(Lock);
    CountOverrun(frames);
  }

  void Fail(MMRESULT code) {
    std::lock_guard guard(Lock);
    Failed(code);
  }

  bool Started = false;
  bool Paused = false;

 private:
  void StopClock() {
    FQuit = true;
    if (FClock.joinable()) FClock.join();
  }
  void RunClock() {
    while (!FQuit) {
      {
        std::lock_guard guard(Lock);
        Pace();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  // Brings the paced capture up to the clock (lock held): what the device
  // captured since goes into the ring and from there into the queued
  // buffers. A ring that filled up while no buffer was queued overran; the
  // next buffer restarts the capture at the present, and the loss is the
  // ring's audio and the time the device stood.
  void Pace() {
    if (HasFailed()) return;
    const auto elapsed = std::chrono::steady_clock::now() - FStart;
    const uint64_t now =
        FBase + static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() *
                                      Format.nSamplesPerSec / 1000000);
    if (!FOverran && now - FNext > FRingFrames) FOverran = true;
    if (FOverran) {
      if (!Head()) return;
      CountOverrun(now - FNext);
      FNext = now;
      FOverran = false;
    }
    const uint32_t frame = std::max<uint32_t>(Format.nBlockAlign, 1);
    while (Head() && FNext < now) {
      WAVEHDR* h = Head();
      const uint64_t room = (h->dwBufferLength - h->dwBytesRecorded) / frame;
      const uint64_t n = std::min(room, now - FNext);
      char* to = h->lpData + h->dwBytesRecorded;
      // Each frame carries its index on the device's clock, so a take shows what it kept.
      for (uint64_t f = 0; f < n; ++f, ++FNext)
        for (uint32_t b = 0; b < frame; ++b)
          to[f * frame + b] = static_cast<char>(b < 8 ? (FNext >> (8 * b)) & 0xFF : 0);
      h->dwBytesRecorded += static_cast<uint32_t>(n * frame);
      if (h->dwBufferLength - h->dwBytesRecorded < frame) CompleteHead();
    }
  }

  // Appends up to size bytes to the oldest header's recorded data (lock held).
  void FillHead(const void* data, uint32_t size) {
    WAVEHDR* h = Head();
    const uint32_t n = std::min(size, h->dwBufferLength - h->dwBytesRecorded);
    char* to = h->lpData + h->dwBytesRecorded;
    if (data) {
      std::memcpy(to, data, n);
    } else {
      for (uint32_t i = 0; i < n; ++i) to[i] = static_cast<char>(FPattern++);
    }
    h->dwBytesRecorded += n;
  }

  TScriptedWaveDevice*& FCurrent;
  uint8_t FPattern = 0;
  // Paced input only (a ring of FRingFrames; none in the exact mode).
  const uint64_t FRingFrames;
  std::thread FClock;
  std::atomic<bool> FQuit = false;
  std::chrono::steady_clock::time_point FStart;
  uint64_t FBase = 0;  // the device frame the clock started at
  uint64_t FNext = 0;  // the device frame the ring starts at
  bool FOverran = false;
};

class TScriptedWaveBackend final : public TWaveBackend {
 public:
  MMRESULT Open(TWaveDirection direction, uint32_t deviceID, const std::string& name, const WAVEFORMATEX& format,
                const TNotifyHandle& target, std::unique_ptr<TWaveDevice>& device) override {
    LastDeviceName = name;
    if (!name.empty()) {
      const auto& list = DeviceLists[direction == TWaveDirection::Input ? 0 : 1];
      // A chosen device the script does not list has gone away.
      if (std::none_of(list.begin(), list.end(), [&](const TWaveDeviceInfo& d) { return d.Name == name; }))
        return MMSYSERR_BADDEVICEID;
    }
    auto d = std::make_unique<TScriptedWaveDevice>(direction, format, target, Current, PacedRingMillis);
    LastDeviceID = deviceID;
    LastFormat = format;
    Current = d.get();
    device = std::move(d);
    return MMSYSERR_NOERROR;
  }

  uint32_t NumDevs(TWaveDirection) override { return 1; }
  std::vector<TWaveDeviceInfo> Devices(TWaveDirection direction) override {
    return DeviceLists[direction == TWaveDirection::Input ? 0 : 1];
  }

  MMRESULT Check(TWaveDirection direction, TWaveCall call, TWaveDevice*, const WAVEHDR*) override {
    const std::string name = WaveCallName(direction, call);
    Calls.push_back(name);
    auto it = Failures.find(name);
    if (it != Failures.end()) {
      const MMRESULT rc = it->second;
      Failures.erase(it);
      return rc;
    }
    return MMSYSERR_NOERROR;
  }

  std::vector<std::string> Calls;
  std::map<std::string, MMRESULT> Failures;
  TScriptedWaveDevice* Current = nullptr;
  uint32_t LastDeviceID = 0;
  std::string LastDeviceName;
  WAVEFORMATEX LastFormat{};
  std::vector<TWaveDeviceInfo> DeviceLists[2];  // input, output
  uint32_t PacedRingMillis = 0;
};

TScriptedWave::TScriptedWave() : FBackend(std::make_shared<TScriptedWaveBackend>()) {
  FPrevious = SetWaveBackend(FBackend);
}

TScriptedWave::~TScriptedWave() { SetWaveBackend(std::move(FPrevious)); }

std::vector<std::string> TScriptedWave::Calls() const { return FBackend->Calls; }
size_t TScriptedWave::Count(const std::string& call) const {
  return static_cast<size_t>(std::count(FBackend->Calls.begin(), FBackend->Calls.end(), call));
}
void TScriptedWave::SetPaced(uint32_t ringMillis) { FBackend->PacedRingMillis = ringMillis; }
void TScriptedWave::ClearCalls() { FBackend->Calls.clear(); }
void TScriptedWave::FailNext(const std::string& call, MMRESULT code) { FBackend->Failures[call] = code; }
TWaveDevice* TScriptedWave::Device() const { return FBackend->Current; }
uint32_t TScriptedWave::LastDeviceID() const { return FBackend->LastDeviceID; }
WAVEFORMATEX TScriptedWave::LastFormat() const { return FBackend->LastFormat; }
std::string TScriptedWave::LastDeviceName() const { return FBackend->LastDeviceName; }
void TScriptedWave::SetDevices(TWaveDirection direction, std::vector<TWaveDeviceInfo> devices) {
  FBackend->DeviceLists[direction == TWaveDirection::Input ? 0 : 1] = std::move(devices);
}
size_t TScriptedWave::QueuedCount() const { return FBackend->Current ? FBackend->Current->QueuedCount() : 0; }
bool TScriptedWave::Paused() const { return FBackend->Current && FBackend->Current->Paused; }
bool TScriptedWave::Started() const { return FBackend->Current && FBackend->Current->Started; }
bool TScriptedWave::Fill(const void* data, uint32_t size) {
  return FBackend->Current && FBackend->Current->Fill(data, size);
}

bool TScriptedWave::Complete(const void* data, uint32_t size) {
  return FBackend->Current && FBackend->Current->Complete(data, size);
}
void TScriptedWave::Overrun(uint64_t frames) {
  if (FBackend->Current) FBackend->Current->Overrun(frames);
}

void TScriptedWave::Fail(MMRESULT code) {
  if (FBackend->Current) FBackend->Current->Fail(code);
}
