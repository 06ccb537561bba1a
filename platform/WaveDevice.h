#pragma once
// The device layer behind the waveIn*/waveOut* calls of Platform.h: one
// front end that checks handles, headers and flags and keeps each device's
// queue, and backends that move the audio (ALSA by default, a scripted one
// for tests, see WaveScripted.h).
//
// The caller guarantees: a header and its buffer stay valid from
// PrepareHeader to UnprepareHeader and are not touched while queued; one
// device handle is used from one thread.
//
// The front end guarantees, per device: the open notice is posted before
// anything else, one done notice per queued header in queue order, at most
// one MM_DEVICE_ERROR, and the close notice last. A done notice is posted
// after the header left the queue (WHDR_DONE set, WHDR_INQUEUE clear), so
// the receiver may unprepare and requeue it at once. Steady operation
// allocates nothing: queued headers are chained through lpNext.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "NotifyChannel.h"
#include "Platform.h"

enum class TWaveDirection { Input, Output };

// The front-end operations, as a backend sees them (scripted backends log them).
enum class TWaveCall { Open, Prepare, Unprepare, Queue, Start, Stop, Flush, Pause, Restart, Reset, Close };
const char* WaveCallName(TWaveDirection direction, TWaveCall call);

// Receives the completions of a device instead of its notification target
// (the format mapper stacks itself on a PCM device this way). Called on the
// device's thread with the device's lock held.
class IWaveListener {
 public:
  virtual ~IWaveListener() = default;
  virtual void HeaderDone(WAVEHDR* header) = 0;
  virtual void DeviceError(MMRESULT code, const std::string& detail) = 0;
};

struct TWaveDevice {
 public:
  TWaveDevice(TWaveDirection direction, const WAVEFORMATEX& format, TNotifyHandle target);
  virtual ~TWaveDevice();
  TWaveDevice(const TWaveDevice&) = delete;
  TWaveDevice& operator=(const TWaveDevice&) = delete;

  const TWaveDirection Direction;
  const WAVEFORMATEX Format;  // the format as the device serves it

  // Backend operations, called on the caller's thread without the lock.
  // Start/Stop concern input; Pause/Restart output. Reset stops at once and
  // completes every queued header (CompleteAll). Shutdown stops the device's
  // thread and releases the device; nothing is posted after it returns.
  virtual MMRESULT Start() { return MMSYSERR_NOERROR; }
  virtual MMRESULT Stop() { return MMSYSERR_NOERROR; }
  // Input: returns the partly filled oldest header (waveInFlush).
  virtual MMRESULT Flush() { return MMSYSERR_NOERROR; }
  virtual MMRESULT Pause() { return MMSYSERR_NOERROR; }
  virtual MMRESULT Restart() { return MMSYSERR_NOERROR; }
  virtual MMRESULT Reset();
  virtual void Shutdown() {}
  // A header was appended to the queue (lock not held).
  virtual void Queued(WAVEHDR*) {}

  // Front end: appends a prepared header to the queue.
  MMRESULT Enqueue(WAVEHDR* header);
  // The same from an IWaveListener's HeaderDone of this device (lock held, no wake needed).
  void EnqueueLocked(WAVEHDR* header);
  bool QueueEmpty();

  // The sound system's account of the failure MM_DEVICE_ERROR reported, empty
  // when it gave none.
  std::string FailureDetail();

  // Input: the overruns the device recovered from over its life, and the
  // frames they cost as near as the sound system tells.
  struct TLoss {
    uint32_t Overruns = 0;
    uint64_t Frames = 0;
  };
  virtual TLoss Loss();

  // Input: where the sound system moved the device to another one during
  // the take (a sound server does when a device goes): the frame it happened
  // at and the new device's name, for the last move. Moved false when none.
  struct TReroute {
    bool Moved = false;
    uint64_t Frame = 0;
    std::string To;
  };
  TReroute Reroute();

  // Redirects completions (see IWaveListener); set before the first Enqueue.
  void SetListener(IWaveListener* listener) { FListener = listener; }
  // The handle notices carry in wParam.
  void SetNoticeHandle(uintptr_t handle) { FNoticeHandle = handle; }
  void PostNotice(uint32_t msg, intptr_t lParam = 0);

 protected:
  // All of the following with Lock held.
  std::mutex Lock;
  WAVEHDR* Head() const { return FHead; }
  // Removes the oldest queued header and reports it done.
  void CompleteHead();
  // Reset: every queued header done, oldest first.
  void CompleteAll();
  // Reports an unrecoverable device error, once per device, with the sound
  // system's own account of it ("snd_pcm_readi: Input/output error").
  void Failed(MMRESULT code, const std::string& detail = std::string());
  bool HasFailed() const { return FFailed; }
  void CountOverrun(uint64_t frames);
  // Frames lost in an overrun already counted.
  void CountLostFrames(uint64_t frames) { FLoss.Frames += frames; }
  void CountReroute(uint64_t frame, const std::string& to);

 private:
  TNotifyHandle FTarget;
  IWaveListener* FListener = nullptr;
  uintptr_t FNoticeHandle;
  WAVEHDR* FHead = nullptr;
  WAVEHDR* FTail = nullptr;
  bool FFailed = false;
  std::string FFailureDetail;
  TLoss FLoss;
  TReroute FReroute;
};

// A device the sound system offers: the name it is opened by ("default",
// "hw:CARD=PCH,DEV=0") and the description people know it by, its lines
// joined ("HDA Intel PCH, ALC892 Analog — Front speakers").
struct TWaveDeviceInfo {
  std::string Name;
  std::string Description;
  friend bool operator==(const TWaveDeviceInfo&, const TWaveDeviceInfo&) = default;
};

class TWaveBackend {
 public:
  virtual ~TWaveBackend() = default;
  // Opens a device for a PCM format (the front end handles WAVE_MAPPED
  // conversion). deviceID is WAVE_MAPPER for the default device; then name,
  // when not empty, is the device chosen in its place. Codes: 2 no such
  // device, 4 busy, 32 format refused.
  virtual MMRESULT Open(TWaveDirection direction, uint32_t deviceID, const std::string& name,
                        const WAVEFORMATEX& format, const TNotifyHandle& target,
                        std::unique_ptr<TWaveDevice>& device) = 0;
  virtual uint32_t NumDevs(TWaveDirection direction) = 0;
  // The devices a user can choose for the direction, the default one first.
  virtual std::vector<TWaveDeviceInfo> Devices(TWaveDirection) { return {}; }
  // The sound system it reaches, for people: "pulse", "alsa".
  virtual std::string SystemName() { return std::string(); }
  // Asked before each front-end operation; a non-zero code fails the call
  // before anything happens (scripted backends log and inject failures).
  virtual MMRESULT Check(TWaveDirection, TWaveCall, TWaveDevice*, const WAVEHDR*) { return MMSYSERR_NOERROR; }
};

// Installs the backend the wave calls use and returns the previous one;
// nullptr installs the default again (the sound server, else ALSA: WavePulse.h). Devices opened before keep their
// backend until they are closed.
std::shared_ptr<TWaveBackend> SetWaveBackend(std::shared_ptr<TWaveBackend> backend);
std::shared_ptr<TWaveBackend> MakeAlsaWaveBackend();

// A backend whose call fails gives the sound system's own account of it here,
// on the calling thread, for waveGetErrorDetail.
void SetWaveErrorDetail(const std::string& detail);

// Bytes per frame of a PCM format the device layer serves, 0 when it is not one.
uint32_t PcmFrameBytes(const WAVEFORMATEX& format);

// The devices of the installed backend for the direction, the default first.
std::vector<TWaveDeviceInfo> WaveDeviceList(TWaveDirection direction);
// The sound system the installed backend reaches now.
std::string WaveSystemName();

// Opens a device for a format the backend does not serve (compressed): a PCM
// device of the backend with the codec manager converting in front of it.
// Code 32 when no PCM format suits or no codec converts.
MMRESULT OpenMappedWaveDevice(TWaveBackend& backend, TWaveDirection direction, uint32_t deviceID,
                              const std::string& name, const WAVEFORMATEX& format, const TNotifyHandle& target,
                              std::unique_ptr<TWaveDevice>& device);
