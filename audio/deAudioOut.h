#pragma once
// The wave-out components of the deAudioIO unit (defined in deAudioOut.cpp).
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// The device base; deAudioIO.h includes this header after it.
#include "deAudioIO.h"

class TdeAbstractAudioOut : public TdeAudioIO {
  Q_OBJECT
 public:
  explicit TdeAbstractAudioOut(TComponent* owner = nullptr);
  ~TdeAbstractAudioOut() override;

  void* QueryInterface(const TGUID& iid) override;
  TdeAudioObserver* Observer() const { return FObserver.get(); }
  TdeAudioSubject* Subject() const { return FSubject.get(); }

  TComponent* AudioSource() const;
  void SetAudioSource(TComponent* value);
  const TObserverErrorEvent& OnObserverError() const { return FOnObserverError; }
  void SetOnObserverError(TObserverErrorEvent h) { FOnObserverError = std::move(h); }

  virtual void Write(const void* audioData, int32_t audioDataSize) = 0;

 protected:
  virtual void HandleAudioData(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize);
  virtual void HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                   bool& raiseException);

 private:
  std::unique_ptr<TdeAudioObserver> FObserver;
  std::unique_ptr<TdeAudioSubject> FSubject;
  TObserverErrorEvent FOnObserverError;
};

class TdeCustomAudioOut : public TdeAbstractAudioOut {
  Q_OBJECT
 public:
  explicit TdeCustomAudioOut(TComponent* owner = nullptr);
  ~TdeCustomAudioOut() override;

  uint8_t DeviceID() const { return FDeviceID; }
  void SetDeviceID(uint8_t value) { FDeviceID = value; }
  // As for the input: the chosen device in place of the default, empty for the default.
  const QString& DeviceName() const { return FDeviceName; }
  void SetDeviceName(const QString& value) { FDeviceName = value; }
  uint32_t MaximumBuffers() const { return FMaximumBuffers; }
  void SetMaximumBuffers(uint32_t value);
  const TBufferEvent& OnAudioPlayed() const { return FOnAudioPlayed; }
  void SetOnAudioPlayed(TBufferEvent h) { FOnAudioPlayed = std::move(h); }
  bool Paused() const { return FPaused; }
  virtual void SetPaused(bool value);
  uint32_t QueuedBuffers() const { return FQueuedBuffers; }
  HWAVEOUT Handle() const { return FHandle; }
  // True while written blocks are still held back before the device starts.
  bool PreBuffering() const { return FPreBufferCountdown > 0; }
  // Ends pre-buffering: sends the blocks held back so far. A player calls it
  // when its data is used up before the pre-buffer filled, so a short take is
  // heard and reports back. Nothing happens when not pre-buffering.
  void Flush();
  // Drops every block written and not yet played, at once and without
  // reporting it played: the next block written is the next heard (after the
  // pre-buffer fills again, as after Open). A paused device stays paused.
  void Reset();

  void Write(const void* audioData, int32_t audioDataSize) override;

 protected:
  void CloseDevice() override;
  void OpenDevice() override;
  void WndProc(TMessage& message) override;
  void AbandonDevice() override;
  virtual void DoAudioPlayed(const void* audioData, int32_t audioDataSize);

 private:
  void SendHeader(WAVEHDR* header);
  bool IsPending(const WAVEHDR* header) const;
  void BufferDone(WAVEHDR* header);
  void ReleaseHeader(WAVEHDR* header);
  void DeviceFailed(MMRESULT code);

  uint8_t FDeviceID = 255;
  QString FDeviceName;
  uint32_t FMaximumBuffers = 0;
  TBufferEvent FOnAudioPlayed;
  bool FPaused = false;
  std::vector<WAVEHDR*> FPending;
  uint8_t FPreBufferCountdown = 0;
  uint32_t FQueuedBuffers = 0;
  uint32_t FDroppedNotices = 0;  // done notices still to come for blocks a Reset dropped
  HWAVEOUT FHandle = nullptr;
};

class TdeAudioOut : public TdeCustomAudioOut {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(TComponent* AudioSource READ AudioSource WRITE SetAudioSource)
  Q_PROPERTY(bool AutoOpen READ AutoOpen WRITE SetAutoOpen)
  Q_PROPERTY(uint8_t BufferCount READ BufferCount WRITE SetBufferCount)
  Q_PROPERTY(TdeWaveFormat* Format READ Format WRITE SetFormat)
  Q_PROPERTY(uint32_t MaximumBuffers READ MaximumBuffers WRITE SetMaximumBuffers)
  Q_CLASSINFO("Default:AutoOpen", "true")
  Q_CLASSINFO("Default:BufferCount", "0")
  Q_CLASSINFO("Default:MaximumBuffers", "0")
 public:
  Q_INVOKABLE explicit TdeAudioOut(TComponent* owner = nullptr) : TdeCustomAudioOut(owner) {}
};
