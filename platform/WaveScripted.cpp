#include "WaveScripted.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "WaveDevice.h"

class TScriptedWaveDevice final : public TWaveDevice {
 public:
  TScriptedWaveDevice(TWaveDirection direction, const WAVEFORMATEX& format, const TNotifyHandle& target,
                      TScriptedWaveDevice*& current)
      : TWaveDevice(direction, format, target), FCurrent(current) {}
  ~TScriptedWaveDevice() override {
    if (FCurrent == this) FCurrent = nullptr;
  }

  MMRESULT Start() override {
    Started = true;
    return MMSYSERR_NOERROR;
  }
  MMRESULT Stop() override {
    std::lock_guard guard(Lock);
    Started = false;
    // As a real device: a partly filled buffer comes back, empty ones stay queued.
    if (Direction == TWaveDirection::Input && Head() && Head()->dwBytesRecorded > 0) CompleteHead();
    return MMSYSERR_NOERROR;
  }
  MMRESULT Flush() override {
    std::lock_guard guard(Lock);
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
    Started = false;
    return TWaveDevice::Reset();
  }

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
    auto d = std::make_unique<TScriptedWaveDevice>(direction, format, target, Current);
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
};

TScriptedWave::TScriptedWave() : FBackend(std::make_shared<TScriptedWaveBackend>()) {
  FPrevious = SetWaveBackend(FBackend);
}

TScriptedWave::~TScriptedWave() { SetWaveBackend(std::move(FPrevious)); }

std::vector<std::string> TScriptedWave::Calls() const { return FBackend->Calls; }
size_t TScriptedWave::Count(const std::string& call) const {
  return static_cast<size_t>(std::count(FBackend->Calls.begin(), FBackend->Calls.end(), call));
}
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
