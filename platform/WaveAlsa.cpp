// The ALSA backend: one thread per open device moves audio between the
// queued headers and the PCM. Every ALSA call on an open PCM is made with the
// device's lock held; the thread drops the lock only while it waits in poll,
// woken by an eventfd when the front end queues, resets or pauses.
#include <alsa/asoundlib.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "AlsaDeviceNames.h"
#include "SampleLayout.h"
#include "WaveDevice.h"

namespace {

constexpr unsigned kBufferMicros = 500000;  // the PCM's ring; done notices follow the device delay, not this
constexpr unsigned kPeriodMicros = 125000;
// Capture hands over in short periods, so a pause or a stop finds what was
// captured up to the press already at hand (a sound server sends in periods).
constexpr unsigned kCapturePeriodMicros = 10000;
// How long a flush waits for what was captured before it but is not yet read.
constexpr int kCutWaitMs = 250;

snd_pcm_format_t AlsaFormat(const WAVEFORMATEX& f) {
  switch (SampleLayout(&f).Kind) {
    case TAcmSampleKind::U8: return SND_PCM_FORMAT_U8;
    case TAcmSampleKind::S16: return SND_PCM_FORMAT_S16_LE;
    case TAcmSampleKind::S24: return SND_PCM_FORMAT_S24_3LE;
    case TAcmSampleKind::S32: return SND_PCM_FORMAT_S32_LE;
    case TAcmSampleKind::F32: return SND_PCM_FORMAT_FLOAT_LE;
    case TAcmSampleKind::F64: return SND_PCM_FORMAT_FLOAT64_LE;
    case TAcmSampleKind::None: break;
  }
  return SND_PCM_FORMAT_UNKNOWN;  // never: the device layer opens PcmFrameBytes formats only
}

// What failed, in the sound system's words: "snd_pcm_open plug:'x': No such file or directory".
std::string Detail(const std::string& call, int err) { return call + ": " + snd_strerror(err); }

// A failed call of the caller's thread: its code, with ALSA's reason kept for the message.
MMRESULT Refuse(MMRESULT code, const std::string& call, int err) {
  SetWaveErrorDetail(Detail(call, err));
  return code;
}

MMRESULT OpenError(int err) {
  switch (-err) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return MMSYSERR_BADDEVICEID;
    case EBUSY:
    case EAGAIN: return MMSYSERR_ALLOCATED;
    case ENOMEM: return MMSYSERR_NOMEM;
    case EINVAL: return WAVERR_BADFORMAT;
    default: return MMSYSERR_NOTENABLED;  // the sound server is not running, no permission
  }
}

// How long a suspended PCM (the machine slept) may take to resume before it
// is prepared afresh.
constexpr int kResumeWaitMs = 1000;

class TAlsaDevice final : public TWaveDevice {
 public:
  TAlsaDevice(TWaveDirection direction, const WAVEFORMATEX& format, const TNotifyHandle& target)
      : TWaveDevice(direction, format, target), FFrame(PcmFrameBytes(format)) {}
  ~TAlsaDevice() override { Shutdown(); }

  MMRESULT OpenPcm(const std::string& name);

  MMRESULT Start() override;
  MMRESULT Stop() override;
  MMRESULT Flush() override;
  MMRESULT Pause() override;
  MMRESULT Restart() override;
  MMRESULT Reset() override;
  void Shutdown() override;
  void Queued(WAVEHDR*) override { Wake(); }

 private:
  void Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(FWakeFd, &one, sizeof one);
  }
  void Run();
  // One step of the loop with the lock held; false when it must wait.
  bool CaptureStep(bool& waitPcm, int& timeout);
  // Reads what is there into the oldest queued header (which must exist) and
  // returns it once full; snd_pcm_readi's result (1 for a full header returned).
  snd_pcm_sframes_t ReadIntoHead();
  bool PlaybackStep(bool& waitPcm, int& timeout);
  void Wait(std::unique_lock<std::mutex>& lock, bool waitPcm, int timeout);
  // Stop and Flush: everything captured before the call into the queued
  // headers, waiting a bounded time for what is still on its way; true when
  // the header the cut fell in has been returned.
  bool ReadToPress(std::unique_lock<std::mutex>& lock);
  // Underruns, overruns and suspends; false for anything else.
  bool Recover(int err);
  // What an overrun cost (in XRUN state): the full ring the restart drops and
  // the time since the device stopped.
  uint64_t OverrunFrames();
  bool Resume();
  void Fail(const char* call, int err);
  uint32_t Frames(const WAVEHDR* h) const { return h->dwBufferLength / FFrame; }
  snd_pcm_sframes_t Played();
  void RetireHeard(uint64_t played);
  WAVEHDR* Cursor() const;

  const uint32_t FFrame;
  snd_pcm_t* FPcm = nullptr;
  int FWakeFd = -1;
  std::vector<pollfd> FPoll;  // wake fd first, then the PCM's
  std::thread FThread;
  bool FQuit = false;
  bool FRunning = false;  // input: started
  bool FPaused = false;   // output
  bool FCanPause = false;
  snd_pcm_uframes_t FAvailMin = 1;
  snd_pcm_uframes_t FRingFrames = 0;
  int FPeriodMs = 10;
  bool FSpurious = false;
  // Output positions in frames over the device's life. A header that has been
  // written whole keeps its end position + 1 in `reserved`.
  uint64_t FWritten = 0;
  uint64_t FHeadStart = 0;  // where the oldest queued header begins
  // Input: frames read over the device's life, and where a flush cuts (0: none).
  uint64_t FCaptured = 0;
  uint64_t FCutAt = 0;
  bool FEndAtCut = false;  // a stop's cut: the device thread reads no further
  std::condition_variable FCut;
  uint32_t FOffset = 0;  // bytes of the cursor header already written
};

MMRESULT TAlsaDevice::OpenPcm(const std::string& name) {
  const snd_pcm_stream_t stream = Direction == TWaveDirection::Input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
  if (int err = snd_pcm_open(&FPcm, name.c_str(), stream, SND_PCM_NONBLOCK); err < 0) {
    FPcm = nullptr;
    return Refuse(OpenError(err), "snd_pcm_open " + name, err);
  }
  snd_pcm_hw_params_t* hw;
  snd_pcm_hw_params_alloca(&hw);
  unsigned rate = Format.nSamplesPerSec;
  // The format is refused at the first setting the device cannot take.
  int err = 0;
  const char* call = nullptr;
  auto set = [&](const char* what, int rc) {
    if (rc < 0 && !call) call = what, err = rc;
  };
  set("snd_pcm_hw_params_any", snd_pcm_hw_params_any(FPcm, hw));
  if (!call) set("snd_pcm_hw_params_set_access", snd_pcm_hw_params_set_access(FPcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED));
  if (!call) set("snd_pcm_hw_params_set_format", snd_pcm_hw_params_set_format(FPcm, hw, AlsaFormat(Format)));
  if (!call) set("snd_pcm_hw_params_set_channels", snd_pcm_hw_params_set_channels(FPcm, hw, Format.nChannels));
  if (!call) set("snd_pcm_hw_params_set_rate", snd_pcm_hw_params_set_rate(FPcm, hw, rate, 0));
  if (call) return Refuse(WAVERR_BADFORMAT, call, err);
  unsigned buffer = kBufferMicros;
  unsigned period = Direction == TWaveDirection::Input ? kCapturePeriodMicros : kPeriodMicros;
  int dir = 0;
  snd_pcm_hw_params_set_buffer_time_near(FPcm, hw, &buffer, &dir);
  snd_pcm_hw_params_set_period_time_near(FPcm, hw, &period, &dir);
  if ((err = snd_pcm_hw_params(FPcm, hw)) < 0) return Refuse(WAVERR_BADFORMAT, "snd_pcm_hw_params", err);
  FCanPause = snd_pcm_hw_params_can_pause(hw);
  snd_pcm_uframes_t bufferSize = 0, periodSize = 0;
  snd_pcm_hw_params_get_buffer_size(hw, &bufferSize);
  snd_pcm_hw_params_get_period_size(hw, &periodSize, &dir);

  snd_pcm_sw_params_t* sw;
  snd_pcm_sw_params_alloca(&sw);
  snd_pcm_sw_params_current(FPcm, sw);
  // Capture wakes the device thread every eighth of a second, not every
  // short period: a cut reads what is there without waiting for avail_min.
  snd_pcm_uframes_t availMin = periodSize;
  if (Direction == TWaveDirection::Input)
    availMin = std::clamp<snd_pcm_uframes_t>(snd_pcm_uframes_t{rate} * kPeriodMicros / 1000000, periodSize,
                                             std::max(periodSize, bufferSize / 2));
  snd_pcm_sw_params_set_avail_min(FPcm, sw, availMin);
  FAvailMin = availMin;
  FRingFrames = bufferSize;
  FPeriodMs = std::max(1, static_cast<int>(availMin * 1000 / rate));
  // Output starts when the ring is full or nothing more is queued; input on waveInStart.
  snd_pcm_uframes_t boundary = 0;
  snd_pcm_sw_params_get_boundary(sw, &boundary);
  snd_pcm_sw_params_set_start_threshold(FPcm, sw, Direction == TWaveDirection::Output ? bufferSize : boundary);
  if ((err = snd_pcm_sw_params(FPcm, sw)) < 0) return Refuse(MMSYSERR_ERROR, "snd_pcm_sw_params", err);
  if ((err = snd_pcm_prepare(FPcm)) < 0) return Refuse(MMSYSERR_ERROR, "snd_pcm_prepare", err);

  FWakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (FWakeFd < 0) return Refuse(MMSYSERR_NOMEM, "eventfd", -errno);
  const int count = snd_pcm_poll_descriptors_count(FPcm);
  FPoll.resize(1 + (count > 0 ? count : 0));
  FPoll[0] = {FWakeFd, POLLIN, 0};
  if (count > 0) snd_pcm_poll_descriptors(FPcm, FPoll.data() + 1, count);
  FThread = std::thread([this] { Run(); });
  return MMSYSERR_NOERROR;
}

void TAlsaDevice::Shutdown() {
  if (FThread.joinable()) {
    {
      std::lock_guard guard(Lock);
      FQuit = true;
    }
    Wake();
    FThread.join();
  }
  if (FPcm) {
    snd_pcm_drop(FPcm);
    snd_pcm_close(FPcm);
    FPcm = nullptr;
  }
  if (FWakeFd >= 0) ::close(FWakeFd);
  FWakeFd = -1;
}

bool TAlsaDevice::Recover(int err) {
  if (err == -EPIPE)
    return snd_pcm_prepare(FPcm) == 0 && (Direction == TWaveDirection::Output || snd_pcm_start(FPcm) == 0);
  if (err == -ESTRPIPE) {
    if (!Resume() && snd_pcm_prepare(FPcm) < 0) return false;
    return Direction == TWaveDirection::Output || snd_pcm_start(FPcm) == 0 ||
           snd_pcm_state(FPcm) == SND_PCM_STATE_RUNNING;
  }
  return false;
}

uint64_t TAlsaDevice::OverrunFrames() {
  uint64_t frames = FRingFrames;
  snd_pcm_status_t* status;
  snd_pcm_status_alloca(&status);
  if (snd_pcm_status(FPcm, status) == 0 && snd_pcm_status_get_state(status) == SND_PCM_STATE_XRUN) {
    snd_timestamp_t now, stopped;
    snd_pcm_status_get_tstamp(status, &now);
    snd_pcm_status_get_trigger_tstamp(status, &stopped);
    const int64_t micros = (int64_t{now.tv_sec} - stopped.tv_sec) * 1000000 + (now.tv_usec - stopped.tv_usec);
    if (micros > 0 && stopped.tv_sec != 0) frames += static_cast<uint64_t>(micros) * Format.nSamplesPerSec / 1000000;
  }
  return frames;
}

// Waits for a suspended PCM to resume, for a bounded time and never past a
// close (which waits for this thread); false when it did not resume.
bool TAlsaDevice::Resume() {
  for (int waited = 0; waited < kResumeWaitMs && !FQuit; waited += 10) {
    const int rc = snd_pcm_resume(FPcm);
    if (rc != -EAGAIN) return rc == 0;
    Lock.unlock();
    ::usleep(10000);
    Lock.lock();
  }
  return false;
}

void TAlsaDevice::Fail(const char* call, int err) {
  // What was recorded so far still reaches the receiver, then the error.
  if (Direction == TWaveDirection::Input && Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  snd_pcm_drop(FPcm);
  Failed(MMSYSERR_NOTENABLED, Detail(call, err));
}

void TAlsaDevice::Run() {
  // Named for top -H and a profiler: which device thread costs what.
  pthread_setname_np(pthread_self(), Direction == TWaveDirection::Output ? "tamsel playback" : "tamsel capture");
  std::unique_lock lock(Lock);
  while (!FQuit) {
    bool waitPcm = false;
    int timeout = -1;
    const bool busy = HasFailed()                          ? false
                      : Direction == TWaveDirection::Input ? CaptureStep(waitPcm, timeout)
                                                           : PlaybackStep(waitPcm, timeout);
    if (busy) continue;
    if (waitPcm && FSpurious) {
      waitPcm = false;
      timeout = timeout < 0 ? FPeriodMs : std::min(timeout, FPeriodMs);
      FSpurious = false;
    }
    Wait(lock, waitPcm, timeout);
  }
}

void TAlsaDevice::Wait(std::unique_lock<std::mutex>& lock, bool waitPcm, int timeout) {
  const nfds_t n = waitPcm ? FPoll.size() : 1;
  for (pollfd& p : FPoll) p.revents = 0;
  lock.unlock();
  const int rc = ::poll(FPoll.data(), n, timeout);
  lock.lock();
  if (rc > 0 && (FPoll[0].revents & POLLIN)) {
    uint64_t counter;
    [[maybe_unused]] ssize_t r = ::read(FWakeFd, &counter, sizeof counter);
  }
  if (rc > 0 && waitPcm && n > 1) {
    unsigned short revents = 0;
    // Lets plugins clear their own poll state; a hang-up shows as an error on the next transfer.
    snd_pcm_poll_descriptors_revents(FPcm, FPoll.data() + 1, n - 1, &revents);
    // Some plugins (the sound server's) leave their descriptor readable with
    // nothing to transfer: the next wait is then timed instead of polled.
    FSpurious = (revents & (POLLIN | POLLOUT | POLLERR | POLLHUP)) == 0;
  }
}

// ---- Capture ----

snd_pcm_sframes_t TAlsaDevice::ReadIntoHead() {
  WAVEHDR* h = Head();
  uint32_t room = (h->dwBufferLength - h->dwBytesRecorded) / FFrame;
  if (room == 0) {
    CompleteHead();
    return 1;
  }
  if (FCutAt > FCaptured) room = static_cast<uint32_t>(std::min<uint64_t>(room, FCutAt - FCaptured));
  // A read of more than is there but below avail_min is refused: take what is there.
  const snd_pcm_sframes_t avail = snd_pcm_avail_update(FPcm);
  if (avail < 0) return avail;
  if (avail == 0) return -EAGAIN;
  room = static_cast<uint32_t>(std::min<snd_pcm_uframes_t>(room, static_cast<snd_pcm_uframes_t>(avail)));
  const snd_pcm_sframes_t n = snd_pcm_readi(FPcm, h->lpData + h->dwBytesRecorded, room);
  if (n > 0) {
    h->dwBytesRecorded += static_cast<uint32_t>(n) * FFrame;
    FCaptured += static_cast<uint64_t>(n);
    const bool cut = FCutAt > 0 && FCaptured >= FCutAt;
    if (cut || h->dwBufferLength - h->dwBytesRecorded < FFrame) CompleteHead();
    if (cut) {
      FCutAt = 0;
      if (FEndAtCut) FRunning = false;
      FCut.notify_all();
    }
  }
  return n;
}

bool TAlsaDevice::CaptureStep(bool& waitPcm, int& timeout) {
  if (!FRunning || !Head()) return false;
  const snd_pcm_sframes_t n = ReadIntoHead();
  if (n > 0) return true;
  if (n == 0 || n == -EAGAIN) {
    // Some plugins signal their poll descriptor before avail_min frames are
    // there, and the read refuses until then: wait out the rest instead of spinning.
    const snd_pcm_sframes_t avail = snd_pcm_avail_update(FPcm);
    if (FCutAt > FCaptured)
      timeout = 2;  // a pending cut reads on in small steps as the audio arrives
    else if (avail > 0 && static_cast<snd_pcm_uframes_t>(avail) < FAvailMin)
      timeout =
          static_cast<int>((FAvailMin - static_cast<snd_pcm_uframes_t>(avail)) * 1000 / Format.nSamplesPerSec) + 1;
    else
      waitPcm = true;
    return false;
  }
  // An overrun loses what the ring held; the headers keep their order.
  if (n == -EPIPE) CountOverrun(OverrunFrames());
  if (!Recover(static_cast<int>(n))) Fail("snd_pcm_readi", static_cast<int>(n));
  return true;
}

MMRESULT TAlsaDevice::Start() {
  {
    std::lock_guard guard(Lock);
    if (HasFailed() || FRunning) return MMSYSERR_NOERROR;
    if (snd_pcm_state(FPcm) != SND_PCM_STATE_PREPARED) snd_pcm_prepare(FPcm);
    if (const int err = snd_pcm_start(FPcm); err < 0) return Refuse(MMSYSERR_ERROR, "snd_pcm_start", err);
    FRunning = true;
  }
  Wake();
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaDevice::Stop() {
  std::unique_lock lock(Lock);
  if (!FRunning || HasFailed()) return MMSYSERR_NOERROR;
  // A recording keeps its last moments: what was captured up to now goes
  // into the queued buffers before the rest is dropped, and nothing after.
  FEndAtCut = true;
  ReadToPress(lock);
  FEndAtCut = false;
  snd_pcm_drop(FPcm);
  snd_pcm_prepare(FPcm);
  FRunning = false;
  if (Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaDevice::Flush() {
  std::unique_lock lock(Lock);
  if (!FRunning || HasFailed()) return MMSYSERR_NOERROR;
  if (ReadToPress(lock)) return MMSYSERR_NOERROR;
  if (Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  return MMSYSERR_NOERROR;
}

bool TAlsaDevice::ReadToPress(std::unique_lock<std::mutex>& lock) {
  snd_pcm_sframes_t n = 0;
  while (Head() && (n = ReadIntoHead()) > 0) {
  }
  if (n == -EPIPE) {
    // The ring overran before the press: what it held is gone, and nothing
    // captured before the press is still on its way. The device thread
    // restarts the PCM if it runs on.
    CountOverrun(OverrunFrames());
    if (!Recover(-EPIPE)) Fail("snd_pcm_readi", -EPIPE);
    return false;
  }
  // What was captured up to now but is still on its way (in a sound server,
  // or a converter) belongs before the cut too: the device thread reads on to
  // there, for a bounded time.
  snd_pcm_sframes_t delay = 0;
  if (!Head() || snd_pcm_delay(FPcm, &delay) != 0 || delay <= 0 ||
      static_cast<uint64_t>(delay) >= uint64_t{Format.nSamplesPerSec} * kCutWaitMs / 1000)
    return false;
  FCutAt = FCaptured + static_cast<uint64_t>(delay);
  lock.unlock();
  Wake();
  lock.lock();
  FCut.wait_for(lock, std::chrono::milliseconds(kCutWaitMs), [this] { return FCutAt == 0 || HasFailed(); });
  const bool reached = FCutAt == 0;
  FCutAt = 0;
  return reached;
}

MMRESULT TAlsaDevice::Reset() {
  {
    std::lock_guard guard(Lock);
    if (!HasFailed()) {
      snd_pcm_drop(FPcm);
      snd_pcm_prepare(FPcm);
    }
    FRunning = false;
    FCutAt = 0;
    FCut.notify_all();
    CompleteAll();
    FHeadStart = FWritten;
    FOffset = 0;
  }
  Wake();
  return MMSYSERR_NOERROR;
}

// ---- Playback ----

// The first queued header not yet written whole.
WAVEHDR* TAlsaDevice::Cursor() const {
  WAVEHDR* h = Head();
  while (h && h->reserved != 0) h = h->lpNext;
  return h;
}

// Frames heard so far, or ALSA's negative code for an unrecoverable error. An underrun means
// everything written has been heard.
snd_pcm_sframes_t TAlsaDevice::Played() {
  // Not started (yet, or again after an underrun): nothing more has been heard.
  if (snd_pcm_state(FPcm) == SND_PCM_STATE_PREPARED) return static_cast<snd_pcm_sframes_t>(FHeadStart);
  snd_pcm_sframes_t delay = 0;
  const int err = snd_pcm_delay(FPcm, &delay);
  if (err == -EPIPE || snd_pcm_state(FPcm) == SND_PCM_STATE_XRUN) {
    if (!Recover(-EPIPE)) return -EPIPE;
    return static_cast<snd_pcm_sframes_t>(FWritten);
  }
  if (err < 0) return Recover(err) ? static_cast<snd_pcm_sframes_t>(FWritten) : err;
  if (delay < 0) delay = 0;
  const uint64_t d = static_cast<uint64_t>(delay);
  return static_cast<snd_pcm_sframes_t>(d > FWritten ? 0 : FWritten - d);
}

void TAlsaDevice::RetireHeard(uint64_t played) {
  while (Head() && Head()->reserved != 0 && Head()->reserved - 1 <= played) {
    FHeadStart = Head()->reserved - 1;
    CompleteHead();
  }
}

bool TAlsaDevice::PlaybackStep(bool& waitPcm, int& timeout) {
  if (FPaused) return false;
  uint64_t played = FWritten;
  if (Head() && Head()->reserved != 0) {
    const snd_pcm_sframes_t p = Played();
    if (p < 0) {
      Fail("snd_pcm_delay", static_cast<int>(p));
      return true;
    }
    played = static_cast<uint64_t>(p);
    RetireHeard(played);
  }
  if (WAVEHDR* h = Cursor()) {
    const uint32_t left = Frames(h) - FOffset / FFrame;
    if (left == 0) {
      h->reserved = FWritten + 1;
      FOffset = 0;
      return true;
    }
    const snd_pcm_sframes_t n = snd_pcm_writei(FPcm, h->lpData + FOffset, left);
    if (n > 0) {
      FWritten += static_cast<uint64_t>(n);
      FOffset += static_cast<uint32_t>(n) * FFrame;
      return true;
    }
    if (n == -EAGAIN || n == 0) {
      waitPcm = true;
    } else {
      if (!Recover(static_cast<int>(n))) Fail("snd_pcm_writei", static_cast<int>(n));
      return true;
    }
  } else if (FWritten > FHeadStart && snd_pcm_state(FPcm) == SND_PCM_STATE_PREPARED) {
    // Less than a ring's worth queued: start it ourselves.
    if (const int err = snd_pcm_start(FPcm); err < 0) Fail("snd_pcm_start", err);
    return true;
  }
  if (Head() && Head()->reserved != 0) {
    const uint64_t due = Head()->reserved - 1 - played;
    timeout = static_cast<int>(due * 1000 / Format.nSamplesPerSec) + 1;
  }
  return false;
}

MMRESULT TAlsaDevice::Pause() {
  std::lock_guard guard(Lock);
  if (FPaused || HasFailed()) {
    FPaused = true;
    return MMSYSERR_NOERROR;
  }
  FPaused = true;
  const snd_pcm_state_t state = snd_pcm_state(FPcm);
  if (state != SND_PCM_STATE_RUNNING) return MMSYSERR_NOERROR;
  if (FCanPause && snd_pcm_pause(FPcm, 1) == 0) return MMSYSERR_NOERROR;
  // No pause in this PCM: stop it and write again from what was heard.
  snd_pcm_sframes_t p = Played();
  const uint64_t played = p < 0 ? FWritten : static_cast<uint64_t>(p);
  RetireHeard(played);
  snd_pcm_drop(FPcm);
  snd_pcm_prepare(FPcm);
  uint64_t pos = FHeadStart;
  bool found = false;
  for (WAVEHDR* h = Head(); h; h = h->lpNext) {
    const uint64_t end = pos + Frames(h);
    if (!found && played < end) {
      found = true;
      FOffset = static_cast<uint32_t>(played > pos ? played - pos : 0) * FFrame;
    }
    if (found) h->reserved = 0;
    pos = end;
  }
  FWritten = played;
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaDevice::Restart() {
  {
    std::lock_guard guard(Lock);
    if (!FPaused) return MMSYSERR_NOERROR;
    FPaused = false;
    if (!HasFailed() && snd_pcm_state(FPcm) == SND_PCM_STATE_PAUSED && snd_pcm_pause(FPcm, 0) < 0)
      snd_pcm_prepare(FPcm);
  }
  Wake();
  return MMSYSERR_NOERROR;
}

class TAlsaBackend final : public TWaveBackend {
 public:
  MMRESULT Open(TWaveDirection direction, uint32_t deviceID, const std::string& chosen, const WAVEFORMATEX& format,
                const TNotifyHandle& target, std::unique_ptr<TWaveDevice>& device) override {
    std::string name;
    if (!AlsaPcmName(direction, deviceID, chosen, name)) return MMSYSERR_BADDEVICEID;
    auto d = std::make_unique<TAlsaDevice>(direction, format, target);
    if (MMRESULT rc = d->OpenPcm(name)) return rc;
    device = std::move(d);
    return MMSYSERR_NOERROR;
  }

  uint32_t NumDevs(TWaveDirection) override { return AlsaCardCount(); }

  std::vector<TWaveDeviceInfo> Devices(TWaveDirection direction) override { return AlsaDevices(direction); }
};

// ALSA reports failures on stderr as well; ours go through result codes.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::shared_ptr<TWaveBackend> MakeAlsaWaveBackend() {
  snd_lib_error_set_handler(QuietAlsa);
  return std::make_shared<TAlsaBackend>();
}
