// The sound server's backend, on libpulse's threaded main loop: one loop and
// one connection per process, shared by every device it opens. Every call on
// the connection or a stream is made with the loop's lock held; the device's
// own lock comes second. Stream callbacks only move audio and wake waiters.
#include "WavePulse.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "SampleLayout.h"

namespace {

// What a record stream's fragment and a playback stream's target hold: the
// device layer's buffer (an eighth of a second) and its queued buffers.
constexpr uint32_t kFragmentMicros = 125000;
constexpr uint32_t kPlaybackMicros = 500000;
// A stall of the window or the disk up to this long loses nothing.
constexpr uint32_t kStallSeconds = 5;
// How long a cut waits for what was captured before it but is still on its way.
constexpr int kCutWaitMs = 250;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// ---- The connection ----

// One threaded main loop with its context; lives while a backend or a device holds it.
class TPulseLink {
 public:
  // Connects without starting a server; nullptr, with the server's reason, when none answers.
  static std::shared_ptr<TPulseLink> Connect(const TSoundServerClient& client, std::string& why);
  ~TPulseLink();
  TPulseLink(const TPulseLink&) = delete;
  TPulseLink& operator=(const TPulseLink&) = delete;

  pa_threaded_mainloop* Loop() const { return FLoop; }
  pa_context* Context() const { return FContext; }
  const TSoundServerClient& Client() const { return FClient; }
  // With the loop's lock held.
  bool Alive() const { return FContext && pa_context_get_state(FContext) == PA_CONTEXT_READY; }
  std::string Error() const { return pa_strerror(pa_context_errno(FContext)); }
  // Waits, lock held, until an operation is done; false if the connection failed first.
  bool Finish(pa_operation* op);

 private:
  explicit TPulseLink(const TSoundServerClient& client) : FClient(client) {}
  const TSoundServerClient FClient;
  pa_threaded_mainloop* FLoop = nullptr;
  pa_context* FContext = nullptr;
};

// The loop's lock for a scope.
class TLoopLock {
 public:
  explicit TLoopLock(pa_threaded_mainloop* loop) : FLoop(loop) { pa_threaded_mainloop_lock(FLoop); }
  ~TLoopLock() { pa_threaded_mainloop_unlock(FLoop); }
  TLoopLock(const TLoopLock&) = delete;
  TLoopLock& operator=(const TLoopLock&) = delete;

 private:
  pa_threaded_mainloop* FLoop;
};

void SignalLoop(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

std::shared_ptr<TPulseLink> TPulseLink::Connect(const TSoundServerClient& client, std::string& why) {
  std::shared_ptr<TPulseLink> link(new TPulseLink(client));
  link->FLoop = pa_threaded_mainloop_new();
  if (!link->FLoop) {
    why = "pa_threaded_mainloop_new failed";
    return nullptr;
  }
  pa_threaded_mainloop_set_name(link->FLoop, "tamsel sound");
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, client.Name.c_str());
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, client.Id.c_str());
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, client.IconName.c_str());
  link->FContext = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(link->FLoop), client.Name.c_str(), props);
  pa_proplist_free(props);
  if (!link->FContext) {
    why = "pa_context_new failed";
    return nullptr;
  }
  pa_threaded_mainloop* loop = link->FLoop;
  pa_context_set_state_callback(
      link->FContext, [](pa_context*, void* l) { SignalLoop(static_cast<pa_threaded_mainloop*>(l)); }, loop);
  // Never start a server of our own: a desktop without one records through ALSA.
  if (pa_context_connect(link->FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    why = "pa_context_connect: " + link->Error();
    return nullptr;
  }
  if (pa_threaded_mainloop_start(loop) < 0) {
    why = "pa_threaded_mainloop_start failed";
    return nullptr;
  }
  TLoopLock lock(loop);
  for (;;) {
    const pa_context_state_t state = pa_context_get_state(link->FContext);
    if (state == PA_CONTEXT_READY) return link;
    if (!PA_CONTEXT_IS_GOOD(state)) {
      why = "pa_context_connect: " + link->Error();
      return nullptr;
    }
    pa_threaded_mainloop_wait(loop);
  }
}

TPulseLink::~TPulseLink() {
  if (FLoop) pa_threaded_mainloop_stop(FLoop);
  if (FContext) {
    pa_context_set_state_callback(FContext, nullptr, nullptr);
    pa_context_disconnect(FContext);
    pa_context_unref(FContext);
  }
  if (FLoop) pa_threaded_mainloop_free(FLoop);
}

bool TPulseLink::Finish(pa_operation* op) {
  if (!op) return false;
  while (pa_operation_get_state(op) == PA_OPERATION_RUNNING && Alive()) pa_threaded_mainloop_wait(FLoop);
  const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
  pa_operation_unref(op);
  return done;
}

// An operation whose completion only wakes the waiter.
void OperationDone(pa_stream*, int, void* loop) { SignalLoop(static_cast<pa_threaded_mainloop*>(loop)); }

// ---- Devices ----

bool PulseSampleFormat(const WAVEFORMATEX& f, pa_sample_spec& sample) {
  switch (SampleLayout(&f).Kind) {
    case TAcmSampleKind::U8: sample.format = PA_SAMPLE_U8; break;
    case TAcmSampleKind::S16: sample.format = PA_SAMPLE_S16LE; break;
    case TAcmSampleKind::S24: sample.format = PA_SAMPLE_S24LE; break;
    case TAcmSampleKind::S32: sample.format = PA_SAMPLE_S32LE; break;
    case TAcmSampleKind::F32: sample.format = PA_SAMPLE_FLOAT32LE; break;
    default: return false;  // the server has no 64-bit float
  }
  sample.rate = f.nSamplesPerSec;
  sample.channels = static_cast<uint8_t>(f.nChannels);
  return pa_sample_spec_valid(&sample) != 0;
}

MMRESULT OpenCode(int error) {
  switch (error) {
    case PA_ERR_NOENTITY: return MMSYSERR_BADDEVICEID;
    case PA_ERR_BUSY: return MMSYSERR_ALLOCATED;
    case PA_ERR_INVALID:
    case PA_ERR_NOTSUPPORTED: return WAVERR_BADFORMAT;
    default: return MMSYSERR_NOTENABLED;
  }
}

class TPulseDevice final : public TWaveDevice {
 public:
  TPulseDevice(std::shared_ptr<TPulseLink> link, TWaveDirection direction, const WAVEFORMATEX& format,
               const TNotifyHandle& target)
      : TWaveDevice(direction, format, target), FLink(std::move(link)), FFrame(PcmFrameBytes(format)) {}
  ~TPulseDevice() override { Shutdown(); }

  MMRESULT Connect(const std::string& device);

  MMRESULT Start() override;
  MMRESULT Stop() override;
  MMRESULT Flush() override;
  MMRESULT Pause() override;
  MMRESULT Restart() override;
  MMRESULT Reset() override;
  void Shutdown() override;
  void Queued(WAVEHDR*) override;

 private:
  // Everything below runs with the loop's lock and then Lock held.
  void StateChanged();
  void Pull();
  // Copies captured frames into the queued headers, the rest into the spill.
  void Deliver(const uint8_t* data, size_t bytes);
  void DrainSpill();
  bool CutReached() const { return FCutAt == 0 || FCaptured >= FCutAt; }
  void FinishCut();
  MMRESULT Cut(bool stop);
  // Frames captured up to now that have not reached us yet.
  uint64_t InFlightFrames();
  void Fill();
  void Retire();
  uint64_t Played();
  void KnowPosition(uint64_t played) {
    FKnown = played;
    FKnownAt = pa_rtclock_now();
  }
  void Cork(bool cork);
  void Fail(const std::string& detail);
  uint64_t UsecToFrames(pa_usec_t usec) const { return usec * Format.nSamplesPerSec / 1000000; }

  const std::shared_ptr<TPulseLink> FLink;
  const uint32_t FFrame;
  pa_stream* FStream = nullptr;
  pa_time_event* FTimer = nullptr;
  bool FRunning = false;  // input: started
  bool FPaused = false;   // output
  // Input: frames taken from the server over the device's life, a cut's
  // target (0: none), and the frames the server moved to another device at.
  uint64_t FCaptured = 0;
  uint64_t FCutAt = 0;
  std::condition_variable FCut;
  const uint8_t* FFragment = nullptr;  // the server's fragment being read
  size_t FFragmentSize = 0;
  size_t FFragmentUsed = 0;
  // Captured audio that found no queued header (the window stalled): a ring
  // made at open, so a stall costs no allocation and loses nothing up to its size.
  std::vector<uint8_t> FSpill;
  size_t FSpillHead = 0;
  size_t FSpillSize = 0;
  bool FSpilling = false;  // overflowing: counted once per stall
  // Output positions in frames over the device's life, as the ALSA backend
  // keeps them: a header written whole holds its end + 1 in `reserved`.
  uint64_t FWritten = 0;
  uint64_t FHeadStart = 0;
  uint32_t FOffset = 0;
  bool FNeedTrigger = true;  // the server waits for a full buffer before it plays
  bool FDrained = false;     // it ran out of what was written
  // A position known to be heard at a moment (at open, a pause, a resume, a reset).
  uint64_t FKnown = 0;
  pa_usec_t FKnownAt = pa_rtclock_now();
};

MMRESULT TPulseDevice::Connect(const std::string& device) {
  pa_sample_spec sample;
  if (!PulseSampleFormat(Format, sample)) {
    SetWaveErrorDetail("pa_stream_new: the sound server takes no such sample format");
    return WAVERR_BADFORMAT;
  }
  pa_channel_map map;
  pa_channel_map_init_auto(&map, sample.channels, PA_CHANNEL_MAP_WAVEEX);
  const bool input = Direction == TWaveDirection::Input;
  const TSoundServerClient& client = FLink->Client();
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_MEDIA_NAME, input ? client.RecordName.c_str() : client.PlayName.c_str());
  // Never "phone": the server would pause other programs and switch a headset to its call profile.
  pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, client.Name.c_str());
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, client.Id.c_str());
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, client.IconName.c_str());

  TLoopLock loop(FLink->Loop());
  if (!FLink->Alive()) {
    pa_proplist_free(props);
    SetWaveErrorDetail("pa_context: " + FLink->Error());
    return MMSYSERR_NOTENABLED;
  }
  FStream = pa_stream_new_with_proplist(FLink->Context(), input ? client.RecordName.c_str() : client.PlayName.c_str(),
                                        &sample, &map, props);
  pa_proplist_free(props);
  if (!FStream) {
    SetWaveErrorDetail("pa_stream_new: " + FLink->Error());
    return OpenCode(pa_context_errno(FLink->Context()));
  }
  pa_stream_set_state_callback(
      FStream, [](pa_stream*, void* d) { static_cast<TPulseDevice*>(d)->StateChanged(); }, this);
  const uint32_t bytesPerSecond = Format.nSamplesPerSec * FFrame;
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(-1);
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(-1);
  // Playback follows what has been heard through timing updates; a record
  // stream asks for them only at a cut, and wakes no one in between.
  const auto flags = static_cast<pa_stream_flags_t>(
      PA_STREAM_ADJUST_LATENCY | (input ? PA_STREAM_START_CORKED
                                        : PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING));
  const char* dev = device.empty() || device == "default" ? nullptr : device.c_str();
  int rc;
  if (input) {
    attr.fragsize = static_cast<uint32_t>(uint64_t{bytesPerSecond} * kFragmentMicros / 1000000 / FFrame * FFrame);
    attr.maxlength = bytesPerSecond * kStallSeconds;
    FSpill.resize(size_t{bytesPerSecond} * kStallSeconds);
    pa_stream_set_read_callback(
        FStream,
        [](pa_stream*, size_t, void* d) {
          auto* self = static_cast<TPulseDevice*>(d);
          std::lock_guard guard(self->Lock);
          self->Pull();
        },
        this);
    rc = pa_stream_connect_record(FStream, dev, &attr, flags);
  } else {
    attr.tlength = static_cast<uint32_t>(uint64_t{bytesPerSecond} * kPlaybackMicros / 1000000 / FFrame * FFrame);
    pa_stream_set_write_callback(
        FStream,
        [](pa_stream*, size_t, void* d) {
          auto* self = static_cast<TPulseDevice*>(d);
          std::lock_guard guard(self->Lock);
          self->Fill();
        },
        this);
    pa_stream_set_underflow_callback(
        FStream,
        [](pa_stream*, void* d) {
          auto* self = static_cast<TPulseDevice*>(d);
          std::lock_guard guard(self->Lock);
          // Everything written has been played out.
          self->FNeedTrigger = true;
          self->FDrained = true;
          self->Retire();
        },
        this);
    rc = pa_stream_connect_playback(FStream, dev, &attr, flags, nullptr, nullptr);
  }
  // The server drops what a record stream cannot hold; it tells us so here.
  pa_stream_set_overflow_callback(
      FStream,
      [](pa_stream*, void* d) {
        auto* self = static_cast<TPulseDevice*>(d);
        std::lock_guard guard(self->Lock);
        if (self->Direction == TWaveDirection::Input) self->CountOverrun(0);
      },
      this);
  pa_stream_set_moved_callback(
      FStream,
      [](pa_stream* s, void* d) {
        auto* self = static_cast<TPulseDevice*>(d);
        const char* to = pa_stream_get_device_name(s);
        std::lock_guard guard(self->Lock);
        self->CountReroute(self->FCaptured, to ? to : "");
      },
      this);
  if (rc < 0) {
    SetWaveErrorDetail("pa_stream_connect: " + FLink->Error());
    return OpenCode(pa_context_errno(FLink->Context()));
  }
  for (;;) {
    const pa_stream_state_t state = pa_stream_get_state(FStream);
    if (state == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(state)) {
      const int error = pa_context_errno(FLink->Context());
      SetWaveErrorDetail("pa_stream_connect " + (dev ? device : std::string("default")) + ": " + pa_strerror(error));
      return OpenCode(error);
    }
    pa_threaded_mainloop_wait(FLink->Loop());
  }
  FTimer = pa_context_rttime_new(
      FLink->Context(), PA_USEC_INVALID,
      [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* d) {
        auto* self = static_cast<TPulseDevice*>(d);
        std::lock_guard guard(self->Lock);
        self->Retire();
      },
      this);
  return MMSYSERR_NOERROR;
}

// The one place stream states are handled: waiters wake, a stream the server
// ended or lost fails the device once, with what was captured delivered first.
void TPulseDevice::StateChanged() {
  SignalLoop(FLink->Loop());
  const pa_stream_state_t state = pa_stream_get_state(FStream);
  if (state != PA_STREAM_FAILED) return;
  std::lock_guard guard(Lock);
  Fail("pa_stream: " + std::string(pa_strerror(pa_context_errno(FLink->Context()))));
}

void TPulseDevice::Fail(const std::string& detail) {
  if (HasFailed()) return;
  if (Direction == TWaveDirection::Input) {
    DrainSpill();
    if (Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  }
  FCutAt = 0;
  FCut.notify_all();
  Failed(MMSYSERR_NOTENABLED, detail);
}

void TPulseDevice::Shutdown() {
  if (!FStream) return;
  TLoopLock loop(FLink->Loop());
  if (FTimer) pa_threaded_mainloop_get_api(FLink->Loop())->time_free(FTimer);
  FTimer = nullptr;
  pa_stream_set_state_callback(FStream, nullptr, nullptr);
  pa_stream_set_read_callback(FStream, nullptr, nullptr);
  pa_stream_set_write_callback(FStream, nullptr, nullptr);
  pa_stream_set_underflow_callback(FStream, nullptr, nullptr);
  pa_stream_set_overflow_callback(FStream, nullptr, nullptr);
  pa_stream_set_moved_callback(FStream, nullptr, nullptr);
  if (pa_stream_get_state(FStream) == PA_STREAM_READY) pa_stream_disconnect(FStream);
  pa_stream_unref(FStream);
  FStream = nullptr;
}

void TPulseDevice::Cork(bool cork) {
  if (pa_stream_get_state(FStream) != PA_STREAM_READY) return;
  FLink->Finish(pa_stream_cork(FStream, cork ? 1 : 0, OperationDone, FLink->Loop()));
}

// ---- Capture ----

void TPulseDevice::Pull() {
  if (!FStream || HasFailed()) return;
  for (;;) {
    if (!FFragment) {
      const void* data = nullptr;
      size_t bytes = 0;
      if (pa_stream_peek(FStream, &data, &bytes) < 0 || bytes == 0) return;
      if (!data) {
        // A hole in the stream: audio the server had to leave out.
        if (FRunning) CountOverrun(bytes / FFrame);
        pa_stream_drop(FStream);
        continue;
      }
      FFragment = static_cast<const uint8_t*>(data);
      FFragmentSize = bytes;
      FFragmentUsed = 0;
    }
    if (FRunning) {
      // A cut takes the audio up to its frame and no further; the caller
      // waiting for it finishes the cut.
      if (FCutAt != 0 && FCaptured >= FCutAt) {
        FCut.notify_all();
        return;
      }
      size_t take = FFragmentSize - FFragmentUsed;
      if (FCutAt > FCaptured) take = std::min<size_t>(take, (FCutAt - FCaptured) * FFrame);
      Deliver(FFragment + FFragmentUsed, take);
      FFragmentUsed += take;
      if (FFragmentUsed < FFragmentSize) continue;
    }
    pa_stream_drop(FStream);
    FFragment = nullptr;
  }
}

void TPulseDevice::Deliver(const uint8_t* data, size_t bytes) {
  FCaptured += bytes / FFrame;
  DrainSpill();
  while (bytes > 0 && FSpillSize == 0 && Head()) {
    WAVEHDR* h = Head();
    const size_t room = (h->dwBufferLength - h->dwBytesRecorded) / FFrame * FFrame;
    const size_t n = std::min(room, bytes);
    std::memcpy(h->lpData + h->dwBytesRecorded, data, n);
    h->dwBytesRecorded += static_cast<uint32_t>(n);
    data += n;
    bytes -= n;
    if (h->dwBufferLength - h->dwBytesRecorded < FFrame) CompleteHead();
  }
  if (bytes == 0) return;
  const size_t room = FSpill.size() - FSpillSize;
  const size_t kept = std::min(room, bytes);
  for (size_t done = 0; done < kept;) {
    const size_t at = (FSpillHead + FSpillSize) % FSpill.size();
    const size_t n = std::min(kept - done, FSpill.size() - at);
    std::memcpy(FSpill.data() + at, data + done, n);
    FSpillSize += n;
    done += n;
  }
  if (kept < bytes) {
    // One overrun per stall, however many fragments it costs.
    if (!FSpilling) CountOverrun(0);
    FSpilling = true;
    CountLostFrames((bytes - kept) / FFrame);
  }
}

void TPulseDevice::DrainSpill() {
  while (FSpillSize > 0 && Head()) {
    WAVEHDR* h = Head();
    const size_t room = (h->dwBufferLength - h->dwBytesRecorded) / FFrame * FFrame;
    const size_t n = std::min({room, FSpillSize, FSpill.size() - FSpillHead});
    std::memcpy(h->lpData + h->dwBytesRecorded, FSpill.data() + FSpillHead, n);
    h->dwBytesRecorded += static_cast<uint32_t>(n);
    FSpillHead = (FSpillHead + n) % FSpill.size();
    FSpillSize -= n;
    if (h->dwBufferLength - h->dwBytesRecorded < FFrame) CompleteHead();
  }
  if (FSpillSize == 0) FSpilling = false;
}

void TPulseDevice::FinishCut() {
  FCutAt = 0;
  DrainSpill();
  if (Head() && Head()->dwBytesRecorded > 0) CompleteHead();
  FCut.notify_all();
}

uint64_t TPulseDevice::InFlightFrames() {
  pa_usec_t latency = 0;
  int negative = 0;
  if (pa_stream_get_latency(FStream, &latency, &negative) < 0 || negative) return 0;
  uint64_t frames = UsecToFrames(latency);
  // What was peeked but not yet taken is part of the latency as well.
  if (FFragment) frames += (FFragmentSize - FFragmentUsed) / FFrame;
  return frames;
}

MMRESULT TPulseDevice::Start() {
  TLoopLock loop(FLink->Loop());
  {
    std::lock_guard guard(Lock);
    if (HasFailed() || FRunning) return MMSYSERR_NOERROR;
    FRunning = true;
  }
  Cork(false);
  return MMSYSERR_NOERROR;
}

MMRESULT TPulseDevice::Flush() { return Cut(false); }
MMRESULT TPulseDevice::Stop() { return Cut(true); }

MMRESULT TPulseDevice::Cut(bool stop) {
  TLoopLock loop(FLink->Loop());
  std::unique_lock lock(Lock);
  if (!FRunning || HasFailed()) return MMSYSERR_NOERROR;
  lock.unlock();
  FLink->Finish(pa_stream_update_timing_info(FStream, OperationDone, FLink->Loop()));
  lock.lock();
  if (!FRunning || HasFailed()) return MMSYSERR_NOERROR;
  Pull();
  // What was captured up to the press but is still at the server belongs
  // before the cut: read on to there, for a bounded time.
  const uint64_t pending = InFlightFrames();
  if (pending > 0 && pending < uint64_t{Format.nSamplesPerSec} * kCutWaitMs / 1000) {
    FCutAt = FCaptured + pending;
    lock.unlock();
    pa_threaded_mainloop_unlock(FLink->Loop());
    lock.lock();
    FCut.wait_for(lock, std::chrono::milliseconds(kCutWaitMs), [this] { return CutReached() || HasFailed(); });
    lock.unlock();
    pa_threaded_mainloop_lock(FLink->Loop());
    lock.lock();
  }
  if (HasFailed()) return MMSYSERR_NOERROR;
  FinishCut();
  if (!stop) return MMSYSERR_NOERROR;
  FRunning = false;
  // What a stall kept and no header took is lost, and said so.
  if (FSpillSize > 0) CountOverrun(FSpillSize / FFrame);
  FSpillSize = 0;
  lock.unlock();
  Cork(true);
  return MMSYSERR_NOERROR;
}

MMRESULT TPulseDevice::Reset() {
  TLoopLock loop(FLink->Loop());
  const bool alive = pa_stream_get_state(FStream) == PA_STREAM_READY;
  {
    std::lock_guard guard(Lock);
    if (Direction == TWaveDirection::Input) {
      FRunning = false;
      FSpillSize = 0;
      FCutAt = 0;
      FCut.notify_all();
    }
    CompleteAll();
    FHeadStart = FWritten;
    KnowPosition(FWritten);
    FOffset = 0;
    FNeedTrigger = true;
  }
  if (alive) {
    if (Direction == TWaveDirection::Input) Cork(true);
    FLink->Finish(pa_stream_flush(FStream, OperationDone, FLink->Loop()));
  }
  std::lock_guard guard(Lock);
  if (FFragment) pa_stream_drop(FStream);
  FFragment = nullptr;
  return MMSYSERR_NOERROR;
}

void TPulseDevice::Queued(WAVEHDR*) {
  TLoopLock loop(FLink->Loop());
  std::lock_guard guard(Lock);
  if (Direction == TWaveDirection::Input) {
    DrainSpill();
    Pull();
  } else {
    Fill();
  }
}

// ---- Playback ----

void TPulseDevice::Fill() {
  if (!FStream || HasFailed() || pa_stream_get_state(FStream) != PA_STREAM_READY) return;
  size_t writable = pa_stream_writable_size(FStream);
  WAVEHDR* h = Head();
  while (h && h->reserved != 0) h = h->lpNext;
  while (h && writable >= FFrame) {
    const size_t left = h->dwBufferLength / FFrame * FFrame - FOffset;
    if (left > 0) {
      void* buffer = nullptr;
      size_t n = std::min(left, writable) / FFrame * FFrame;
      if (pa_stream_begin_write(FStream, &buffer, &n) < 0 || !buffer) break;
      n = std::min(n, std::min(left, writable)) / FFrame * FFrame;
      std::memcpy(buffer, h->lpData + FOffset, n);
      if (pa_stream_write(FStream, buffer, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        Fail("pa_stream_write: " + FLink->Error());
        return;
      }
      FWritten += n / FFrame;
      FOffset += static_cast<uint32_t>(n);
      FDrained = false;
      writable -= n;
    }
    if (FOffset >= h->dwBufferLength / FFrame * FFrame) {
      h->reserved = FWritten + 1;
      FOffset = 0;
      h = h->lpNext;
    }
  }
  // Less than the server's start level queued and nothing more to come: start it ourselves.
  if (!h && FNeedTrigger && FWritten > FHeadStart && !FPaused) {
    FNeedTrigger = false;
    if (pa_operation* op = pa_stream_trigger(FStream, nullptr, nullptr)) pa_operation_unref(op);
  }
  Retire();
}

// After a flush the stream's interpolated time is not re-based with its write
// index: the latency reads zero and frames written since would count as heard.
// Nothing is heard while corked, nor faster than the clock runs since the last
// moment the position was known.
uint64_t TPulseDevice::Played() {
  if (FDrained) return FWritten;
  if (FPaused) return std::max(FHeadStart, FKnown);
  uint64_t played = FHeadStart;
  pa_usec_t latency = 0;
  int negative = 0;
  if (pa_stream_get_latency(FStream, &latency, &negative) == 0) {
    const uint64_t queued = negative ? 0 : UsecToFrames(latency);
    played = FWritten > queued ? FWritten - queued : 0;
  }
  played = std::min(played, FKnown + UsecToFrames(pa_rtclock_now() - FKnownAt));
  return std::max(FHeadStart, played);
}

// Reports the headers heard by now and wakes again when the next one will be.
void TPulseDevice::Retire() {
  if (!FStream || Direction != TWaveDirection::Output || HasFailed()) return;
  const uint64_t played = Played();
  while (Head() && Head()->reserved != 0 && Head()->reserved - 1 <= played) {
    FHeadStart = Head()->reserved - 1;
    CompleteHead();
  }
  if (FTimer && Head() && Head()->reserved != 0 && !FPaused) {
    const uint64_t due = Head()->reserved - 1 - played;
    pa_context_rttime_restart(FLink->Context(), FTimer,
                              pa_rtclock_now() + due * 1000000 / Format.nSamplesPerSec + 1000);
  }
}

MMRESULT TPulseDevice::Pause() {
  TLoopLock loop(FLink->Loop());
  {
    std::lock_guard guard(Lock);
    if (FPaused || HasFailed()) {
      FPaused = true;
      return MMSYSERR_NOERROR;
    }
    // What was heard up to the press, before the position stops.
    KnowPosition(Played());
    Retire();
    FPaused = true;
  }
  Cork(true);
  return MMSYSERR_NOERROR;
}

MMRESULT TPulseDevice::Restart() {
  TLoopLock loop(FLink->Loop());
  {
    std::lock_guard guard(Lock);
    if (!FPaused) return MMSYSERR_NOERROR;
    KnowPosition(std::max(FHeadStart, FKnown));
    FPaused = false;
  }
  Cork(false);
  std::lock_guard guard(Lock);
  Fill();
  return MMSYSERR_NOERROR;
}

// ---- Device lists ----

struct TServerDevice {
  std::string Name;
  std::string Description;
  bool Monitor = false;
};

struct TListing {
  pa_threaded_mainloop* Loop;
  std::string DefaultSink, DefaultSource;
  std::vector<TServerDevice> Devices;
  bool Done = false;
};

template <typename Info>
void Collect(pa_context*, const Info* info, int eol, void* data) {
  auto* listing = static_cast<TListing*>(data);
  if (eol) {
    listing->Done = true;
    SignalLoop(listing->Loop);
    return;
  }
  bool monitor = false;
  if constexpr (std::is_same_v<Info, pa_source_info>) monitor = info->monitor_of_sink != PA_INVALID_INDEX;
  listing->Devices.push_back({info->name, info->description ? info->description : info->name, monitor});
}

// What the server offers now for the direction, as the menus list it: the
// default first; for input the sources that are not monitors, then an entry
// without a name (a separator), what the computer plays, and each output's monitor.
std::vector<TWaveDeviceInfo> ServerDevices(TPulseLink& link, TWaveDirection direction) {
  std::vector<TWaveDeviceInfo> list;
  TLoopLock lock(link.Loop());
  if (!link.Alive()) return list;
  TListing listing{link.Loop(), {}, {}, {}, false};
  const bool ok = link.Finish(pa_context_get_server_info(
      link.Context(),
      [](pa_context*, const pa_server_info* info, void* data) {
        auto* l = static_cast<TListing*>(data);
        if (info && info->default_sink_name) l->DefaultSink = info->default_sink_name;
        if (info && info->default_source_name) l->DefaultSource = info->default_source_name;
        SignalLoop(l->Loop);
      },
      &listing));
  if (!ok) return list;
  const bool input = direction == TWaveDirection::Input;
  pa_operation* op = input ? pa_context_get_source_info_list(link.Context(), Collect<pa_source_info>, &listing)
                           : pa_context_get_sink_info_list(link.Context(), Collect<pa_sink_info>, &listing);
  if (!link.Finish(op) || !listing.Done) return list;
  const std::string& defaultName = input ? listing.DefaultSource : listing.DefaultSink;
  std::string defaultDescription;
  for (const TServerDevice& d : listing.Devices)
    if (d.Name == defaultName) defaultDescription = d.Description;
  list.push_back({"default", defaultDescription});
  for (const TServerDevice& d : listing.Devices)
    if (!d.Monitor) list.push_back({d.Name, d.Description});
  if (!input) return list;
  std::string playedDescription;
  for (const TServerDevice& d : listing.Devices)
    if (d.Monitor && d.Name == listing.DefaultSink + ".monitor") playedDescription = d.Description;
  list.push_back({});
  list.push_back({kDefaultMonitor, playedDescription});
  for (const TServerDevice& d : listing.Devices)
    if (d.Monitor) list.push_back({d.Name, d.Description});
  return list;
}

// The monitor of the default output by its own name: not every server
// resolves the special name itself (PipeWire's hands out its default source).
std::string DefaultMonitor(TPulseLink& link) {
  TLoopLock lock(link.Loop());
  struct TLookup {
    pa_threaded_mainloop* Loop;
    std::string Sink, Monitor;
  } lookup{link.Loop(), {}, {}};
  const bool ok = link.Finish(pa_context_get_server_info(
      link.Context(),
      [](pa_context*, const pa_server_info* info, void* data) {
        auto* l = static_cast<TLookup*>(data);
        if (info && info->default_sink_name) l->Sink = info->default_sink_name;
        SignalLoop(l->Loop);
      },
      &lookup));
  if (!ok || lookup.Sink.empty()) return kDefaultMonitor;
  link.Finish(pa_context_get_sink_info_by_name(
      link.Context(), lookup.Sink.c_str(),
      [](pa_context*, const pa_sink_info* info, int, void* data) {
        auto* l = static_cast<TLookup*>(data);
        if (info && info->monitor_source_name) l->Monitor = info->monitor_source_name;
        SignalLoop(l->Loop);
      },
      &lookup));
  return lookup.Monitor.empty() ? kDefaultMonitor : lookup.Monitor;
}

// ---- Choosing the sound system ----

class TDesktopBackend final : public TWaveBackend {
 public:
  TDesktopBackend(TSoundSystem preferred, const TSoundServerClient& client)
      : FPreferred(preferred), FClient(client), FAlsa(MakeAlsaWaveBackend()) {}

  MMRESULT Open(TWaveDirection direction, uint32_t deviceID, const std::string& chosen, const WAVEFORMATEX& format,
                const TNotifyHandle& target, std::unique_ptr<TWaveDevice>& device) override {
    std::string why;
    const std::shared_ptr<TPulseLink> link = Server(why);
    if (!link) {
      if (Wanted() != TSoundSystem::Pulse) return FAlsa->Open(direction, deviceID, chosen, format, target, device);
      SetWaveErrorDetail(why);
      return MMSYSERR_NOTENABLED;
    }
    std::string name;
    if (deviceID == WAVE_MAPPER) {
      const char* env =
          std::getenv(direction == TWaveDirection::Input ? "TAMSEL_CAPTURE_DEVICE" : "TAMSEL_PLAYBACK_DEVICE");
      name = env && *env ? env : chosen;
      if (name == kDefaultMonitor) name = DefaultMonitor(*link);
    } else {
      const std::vector<TWaveDeviceInfo> devices = Numbered(*link, direction);
      if (deviceID >= devices.size()) return MMSYSERR_BADDEVICEID;
      name = devices[deviceID].Name;
    }
    auto d = std::make_unique<TPulseDevice>(link, direction, format, target);
    if (MMRESULT rc = d->Connect(name)) return rc;
    device = std::move(d);
    return MMSYSERR_NOERROR;
  }

  uint32_t NumDevs(TWaveDirection direction) override {
    std::string why;
    const std::shared_ptr<TPulseLink> link = Server(why);
    if (!link) return Wanted() == TSoundSystem::Pulse ? 0 : FAlsa->NumDevs(direction);
    return static_cast<uint32_t>(Numbered(*link, direction).size());
  }

  std::vector<TWaveDeviceInfo> Devices(TWaveDirection direction) override {
    std::string why;
    const std::shared_ptr<TPulseLink> link = Server(why);
    if (!link) return Wanted() == TSoundSystem::Pulse ? std::vector<TWaveDeviceInfo>() : FAlsa->Devices(direction);
    return ServerDevices(*link, direction);
  }

  std::string SystemName() override {
    std::string why;
    return SoundSystemName(Server(why) ? TSoundSystem::Pulse : TSoundSystem::Alsa);
  }

 private:
  TSoundSystem Wanted() const {
    const char* env = std::getenv("TAMSEL_AUDIO");
    const TSoundSystem forced = env ? SoundSystemByName(env) : TSoundSystem::Automatic;
    return forced != TSoundSystem::Automatic ? forced : FPreferred;
  }

  // The connection to the sound server, made again when the last one was
  // lost; nullptr when ALSA is wanted or no server answers.
  std::shared_ptr<TPulseLink> Server(std::string& why) {
    if (Wanted() == TSoundSystem::Alsa) return nullptr;
    std::lock_guard guard(FLock);
    if (FLink) {
      bool alive;
      {
        TLoopLock lock(FLink->Loop());
        alive = FLink->Alive();
      }
      if (alive) return FLink;
      FLink.reset();  // open devices keep theirs until they close
    }
    FLink = TPulseLink::Connect(FClient, why);
    return FLink;
  }

  // The devices a number opens: the listed ones without the default and the separator.
  static std::vector<TWaveDeviceInfo> Numbered(TPulseLink& link, TWaveDirection direction) {
    std::vector<TWaveDeviceInfo> devices = ServerDevices(link, direction);
    std::erase_if(devices, [](const TWaveDeviceInfo& d) {
      return d.Name.empty() || d.Name == "default" || d.Name == kDefaultMonitor;
    });
    return devices;
  }

  const TSoundSystem FPreferred;
  const TSoundServerClient FClient;
  const std::shared_ptr<TWaveBackend> FAlsa;
  std::mutex FLock;
  std::shared_ptr<TPulseLink> FLink;
};

}  // namespace

TSoundSystem SoundSystemByName(const std::string& name) {
  const std::string n = Lower(name);
  if (n == "alsa") return TSoundSystem::Alsa;
  if (n == "pulse" || n == "pulseaudio" || n == "pipewire") return TSoundSystem::Pulse;
  return TSoundSystem::Automatic;
}

const char* SoundSystemName(TSoundSystem system) {
  switch (system) {
    case TSoundSystem::Alsa: return "alsa";
    case TSoundSystem::Pulse: return "pulse";
    case TSoundSystem::Automatic: break;
  }
  return "auto";
}

std::shared_ptr<TWaveBackend> MakeDesktopWaveBackend(TSoundSystem preferred, const TSoundServerClient& client) {
  return std::make_shared<TDesktopBackend>(preferred, client);
}
