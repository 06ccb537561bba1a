#pragma once
// A device layer for tests of exact call order. While a TScriptedWave lives,
// the wave calls go to it: each call is logged by name ("waveOutWrite"), any
// call can be made to fail once before it has an effect, and the test returns
// queued headers one at a time. Nothing moves by itself: a header is done
// only when the test says so. Close every device before the object goes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform.h"
#include "WaveDevice.h"

class TScriptedWaveBackend;

class TScriptedWave {
 public:
  TScriptedWave();   // installs the scripted backend
  ~TScriptedWave();  // puts the previous backend back
  TScriptedWave(const TScriptedWave&) = delete;
  TScriptedWave& operator=(const TScriptedWave&) = delete;

  // Every wave call so far, in order, including failed ones.
  std::vector<std::string> Calls() const;
  size_t Count(const std::string& call) const;
  void ClearCalls();
  // Input devices opened from now on capture on a real-time clock at their
  // rate, into a ring of ringMillis that overruns as hardware does when the
  // program leaves it full; frame i holds the little-endian counter i. The
  // test no longer completes their headers. 0 goes back to the exact mode.
  void SetPaced(uint32_t ringMillis = 500);
  // The next call of that name returns code and does nothing else.
  void FailNext(const std::string& call, MMRESULT code);

  // The device opened last, while it is open (nullptr otherwise).
  TWaveDevice* Device() const;
  uint32_t LastDeviceID() const;
  WAVEFORMATEX LastFormat() const;
  // The device name the last open asked for in place of the default, empty for the default.
  std::string LastDeviceName() const;
  // The devices the backend lists; opening a name it does not list fails with
  // "no such device" (it has gone away). None are listed at first.
  void SetDevices(TWaveDirection direction, std::vector<TWaveDeviceInfo> devices);
  size_t QueuedCount() const;
  bool Paused() const;
  bool Started() const;

  // Returns the oldest header queued at the current device as done. An input
  // header is filled with up to size bytes of data first (all of its length
  // when size is 0, from a counting pattern when data is null). False when
  // nothing is queued.
  bool Complete(const void* data = nullptr, uint32_t size = 0);
  // Records up to size bytes into the oldest input header without returning
  // it (waveInStop or waveInFlush returns it). False when nothing is queued.
  bool Fill(const void* data, uint32_t size);
  // The input device recovers from an overrun that cost frames.
  void Overrun(uint64_t frames);
  // The device fails for good (MM_DEVICE_ERROR with code).
  void Fail(MMRESULT code);

 private:
  std::shared_ptr<TScriptedWaveBackend> FBackend;
  std::shared_ptr<class TWaveBackend> FPrevious;
};
