#pragma once
// The wave-in components of the deAudioIO unit (defined in deAudioIn.cpp).
#include <QString>
#include <cstdint>
#include <exception>
#include <memory>

// The device base; deAudioIO.h includes this header after it.
#include "deAudioIO.h"

class TdeAbstractAudioIn : public TdeAudioIO {
  Q_OBJECT
 public:
  explicit TdeAbstractAudioIn(TComponent* owner = nullptr);
  ~TdeAbstractAudioIn() override;

  void* QueryInterface(const TGUID& iid) override;
  TdeAudioSubject* Subject() const { return FSubject.get(); }

  bool AutoAdjustBufferSize() const { return FAutoAdjustBufferSize; }
  void SetAutoAdjustBufferSize(bool value) { FAutoAdjustBufferSize = value; }
  const TObserverErrorEvent& OnObserverError() const { return FOnObserverError; }
  void SetOnObserverError(TObserverErrorEvent h) { FOnObserverError = std::move(h); }

 protected:
  virtual void HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                   bool& raiseException);

 private:
  std::unique_ptr<TdeAudioSubject> FSubject;
  bool FAutoAdjustBufferSize = true;
  TObserverErrorEvent FOnObserverError;
};

class TdeCustomAudioIn : public TdeAbstractAudioIn {
  Q_OBJECT
 public:
  explicit TdeCustomAudioIn(TComponent* owner = nullptr);
  ~TdeCustomAudioIn() override;

  uint32_t BufferSize() const { return FBufferSize; }
  void SetBufferSize(uint32_t value);
  uint8_t DeviceID() const { return FDeviceID; }
  void SetDeviceID(uint8_t value) { FDeviceID = value; }
  // With DeviceID 255: the sound system's name of the device to use in place
  // of its default one (empty for the default); read at the next open.
  const QString& DeviceName() const { return FDeviceName; }
  void SetDeviceName(const QString& value) { FDeviceName = value; }
  const TBufferEvent& OnAudioRecorded() const { return FOnAudioRecorded; }
  void SetOnAudioRecorded(TBufferEvent h) { FOnAudioRecorded = std::move(h); }
  HWAVEIN Handle() const { return FHandle; }
  // Ends a recording without losing its end: stops the device and delivers,
  // in order, every buffer it has returned and the partly filled one, with
  // what the sound system had captured up to now. The device stays open
  // (Close follows); nothing more is recorded. Does nothing when not active.
  void Drain();
  // The gaps the device had to leave in the last recording (overruns it
  // recovered from, when nobody read in time) and the frames they cost. Kept
  // after Close; Open clears them.
  uint32_t Overruns() const { return FOverruns; }
  uint64_t LostFrames() const { return FLostFrames; }
  // Whether the sound system moved the last recording to another device
  // (its device went away), the frame of the take it did so at and the
  // device it moved to. Kept after Close; Open clears them.
  bool Rerouted() const { return FRerouted; }
  uint64_t RerouteFrame() const { return FRerouteFrame; }
  const QString& RerouteTo() const { return FRerouteTo; }

  void SetBufferCount(uint8_t value) override;

  // Pause while recording: the device stays open and its buffers keep
  // circulating, but what they bring is not delivered. Both presses cut at
  // once: what was captured up to the press is delivered first (a compressed
  // format up to its last whole block). The stretch before the pause ends
  // with its next moments faded out, the one after it starts faded in, so
  // the join is not heard as a click. Opening and closing clear it; setting
  // it while closed does nothing.
  bool Paused() const { return Active() && (FPause == TPause::Paused || FPause == TPause::Pausing); }
  void SetPaused(bool value);
  // The length of either fade.
  static constexpr uint32_t FadeMillis = 10;

 protected:
  void CloseDevice() override;
  void OpenDevice() override;
  void WndProc(TMessage& message) override;
  virtual void DoAudioRecorded(const void* audioData, int32_t audioDataSize);
  void AbandonDevice() override;

 private:
  // Pausing: the next buffer gives only its faded-out start; Resuming: the
  // next buffer is delivered with its start faded in.
  enum class TPause : uint8_t { Running, Pausing, Paused, Resuming };
  // How much of a returned buffer is delivered, after the fades the pause asks for.
  uint32_t PauseDelivery(WAVEHDR* header);

  void AddBuffer();
  void BufferFilled(WAVEHDR* header);
  void ReleaseHeader(WAVEHDR* header);
  void DeviceFailed(MMRESULT code);
  // Closes and raises the recording's end, with the last failure as detail.
  [[noreturn]] void RingEmptied(std::exception_ptr lastFailure);

  uint32_t FBufferSize = 22050;
  int FQueued = 0;  // buffers at the device
  uint32_t FOverruns = 0;
  uint64_t FLostFrames = 0;
  bool FRerouted = false;
  uint64_t FRerouteFrame = 0;
  QString FRerouteTo;
  TPause FPause = TPause::Running;
  uint8_t FDeviceID = 255;
  QString FDeviceName;
  TBufferEvent FOnAudioRecorded;
  HWAVEIN FHandle = nullptr;
};

class TdeAudioIn : public TdeCustomAudioIn {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(bool AutoAdjustBufferSize READ AutoAdjustBufferSize WRITE SetAutoAdjustBufferSize)
  Q_PROPERTY(bool AutoOpen READ AutoOpen WRITE SetAutoOpen)
  Q_PROPERTY(uint8_t BufferCount READ BufferCount WRITE SetBufferCount)
  Q_PROPERTY(uint32_t BufferSize READ BufferSize WRITE SetBufferSize)
  Q_PROPERTY(TdeWaveFormat* Format READ Format WRITE SetFormat)
  Q_CLASSINFO("Default:AutoAdjustBufferSize", "true")
  Q_CLASSINFO("Default:AutoOpen", "true")
  Q_CLASSINFO("Default:BufferCount", "4")
  Q_CLASSINFO("Default:BufferSize", "11025")
 public:
  Q_INVOKABLE explicit TdeAudioIn(TComponent* owner = nullptr) : TdeCustomAudioIn(owner) {}
};

// Fades PCM audio (8-bit unsigned, 16/24/32-bit signed, 32/64-bit float) in
// place over the whole range: in from silence, or out towards it. Other
// formats are left as they are.
void FadePcm(const TdeWaveFormat& format, void* data, uint32_t size, bool fadeIn);
