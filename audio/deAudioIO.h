#pragma once
// The sound-device components: TdeBlockPool (their private memory),
// TdeAudioIO (open/close sequence, header list, notification channel), the
// wave-in components (TdeAbstractAudioIn, TdeCustomAudioIn, TdeAudioIn) and
// the wave-out components (TdeAbstractAudioOut, TdeCustomAudioOut,
// TdeAudioOut). Implemented in deBlockPool.cpp, deAudioIO.cpp, deAudioIn.cpp
// and deAudioOut.cpp.
//
// Threading: everything here runs on the UI thread. The device layer's
// threads only post notices to the component's channel; they are handled in
// WndProc in posting order.
//
// Block lifetime: a block handed to observers and to OnAudioRecorded /
// OnAudioPlayed stays valid until that delivery has finished, even when a
// handler closes (or closes and reopens) the component: the pool is given back
// to the system only once no delivery is running.
//
// Notices of an earlier opening (still queued when the component was closed
// and opened again) are ignored: every opening's notices end with its close
// notice, and the component counts the close notices still to come.
#include <QObject>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "NotifyChannel.h"
#include "Platform.h"
#include "deACM.h"

// ---- Block pool ----
// The private memory of one device component: header blocks and sample
// blocks. Each block carries its allocated size in the 4 bytes in front of
// it and keeps that size for its life. A request takes a free block of
// exactly its size, else the free block of least excess (less than the
// request itself), else new memory. Memory goes back to the system only as a
// whole, in FreeBlocks.
//
// Delivery rule: while a header's data is handed to observers (a
// TDeliveryScope is alive), releasing that header or freeing the whole pool
// keeps the header and its data block valid; they are recycled, or freed,
// when the last delivery in progress ends. Handlers may therefore close, or
// close and reopen, the component while its block is being delivered.
class TdeBlockPool {
 public:
  TdeBlockPool();
  ~TdeBlockPool();
  TdeBlockPool(const TdeBlockPool&) = delete;
  TdeBlockPool& operator=(const TdeBlockPool&) = delete;

  // EACMAudioOutError "Cannot allocate global memory." (for either direction)
  // when the memory is refused; the pool is unchanged then.
  char* GetBlock(uint32_t size);
  // Appends the block to the free list; no check, no merging.
  void RecycleBlock(char* address);
  // Empties the free list and gives all memory back, except the blocks of
  // deliveries in progress (see the delivery rule).
  void FreeBlocks();
  static uint32_t BlockSize(const char* address);
  size_t AllocationCount() const { return FAllocations.size(); }
  size_t FreeBlockCount() const { return FFreeBlocks.size(); }
  // Test hook: allocations beyond this many fail as if the system refused them.
  void SetAllocationLimit(size_t maxAllocations) { FAllocationLimit = maxAllocations; }

  // Recycles a released header's data block and then the header block;
  // deferred to the end of the delivery when the header is being delivered.
  void RecycleHeader(WAVEHDR* header);

  class TDeliveryScope {
   public:
    TDeliveryScope(TdeBlockPool& pool, WAVEHDR* header);
    ~TDeliveryScope();
    TDeliveryScope(const TDeliveryScope&) = delete;
    TDeliveryScope& operator=(const TDeliveryScope&) = delete;

   private:
    TdeBlockPool& FPool;
  };

 private:
  struct TDelivery {
    WAVEHDR* Header;
    bool Released;  // released meanwhile: its blocks go back to the pool at the end
  };
  std::vector<char*> FFreeBlocks;
  std::vector<std::unique_ptr<char[]>> FAllocations;
  size_t FAllocationLimit = SIZE_MAX;
  std::vector<TDelivery> FDeliveries;  // being delivered now, innermost last
  bool FFreedInDelivery = false;
  std::vector<std::unique_ptr<char[]>> FKeepAlive;  // their allocations after a FreeBlocks
};

// ---- Device base ----
class TdeAudioIO : public QObject, public TComponent {
  Q_OBJECT
 public:
  explicit TdeAudioIO(TComponent* owner = nullptr);
  ~TdeAudioIO() override;

  bool Active() const { return FActive; }
  void SetActive(bool value);
  void Open();
  void Close();
  // Shuts the device without events, ignoring its errors, for when Close
  // failed: the component is inactive afterwards and can be opened again.
  void Drop();
  void Loaded() override;

  TdeWaveFormat* Format() const { return FFormat.get(); }
  void SetFormat(TdeWaveFormat* value);
  uint8_t BufferCount() const { return FBufferCount; }
  virtual void SetBufferCount(uint8_t value) { FBufferCount = value; }
  bool AutoOpen() const { return FAutoOpen; }
  void SetAutoOpen(bool value) { FAutoOpen = value; }

  const TNotifyEvent& BeforeOpen() const { return FBeforeOpen; }
  void SetBeforeOpen(TNotifyEvent h) { FBeforeOpen = std::move(h); }
  const TNotifyEvent& AfterOpen() const { return FAfterOpen; }
  void SetAfterOpen(TNotifyEvent h) { FAfterOpen = std::move(h); }
  const TNotifyEvent& BeforeClose() const { return FBeforeClose; }
  void SetBeforeClose(TNotifyEvent h) { FBeforeClose = std::move(h); }
  const TNotifyEvent& AfterClose() const { return FAfterClose; }
  void SetAfterClose(TNotifyEvent h) { FAfterClose = std::move(h); }

  // The channel's poster, handed to the device layer as the notification target.
  TNotifyHandle NotifyHandle() const { return FChannel->Handle(); }

  // The component's block pool, for headers and sample buffers. Open and
  // Close give it back to the system as a whole.
  TdeBlockPool& Pool() { return FPool; }
  const TdeBlockPool& Pool() const { return FPool; }
  char* GetBlock(uint32_t size) { return FPool.GetBlock(size); }
  void RecycleBlock(char* address) { FPool.RecycleBlock(address); }
  void FreeBlocks() { FPool.FreeBlocks(); }

 protected:
  virtual void CloseDevice() = 0;
  virtual void OpenDevice() = 0;
  virtual void WndProc(TMessage& message);

  void CheckActive() const;
  void CheckInactive() const;

  // The device selection rule: device number and open flags for Format.
  uint32_t DeviceNumber(uint8_t deviceID) const;
  uint32_t OpenFlags(uint8_t deviceID) const;

  // The headers the device uses (queued, pending or waiting for release), in
  // the order they were made. The direction classes add and remove them.
  void ListHeader(WAVEHDR* header) { FHeaders.push_back(header); }
  bool Listed(const WAVEHDR* header) const;
  void Unlist(WAVEHDR* header);
  // The header made last, nullptr when none is listed.
  WAVEHDR* LastHeader() const { return FHeaders.empty() ? nullptr : FHeaders.back(); }
  const std::vector<WAVEHDR*>& ListedHeaders() const { return FHeaders; }
  // Forgets every header without releasing it (the device is abandoned).
  void ForgetHeaders() { FHeaders.clear(); }
  // Closes without events or errors where Close failed (destruction).
  virtual void AbandonDevice() {}
  void CloseForDestruction();

  // Handles the notices the device has posted so far, now (see TNotifyChannel::DeliverPending).
  void DeliverPendingNotices() { FChannel->DeliverPending(); }

  // Stale-notice filter: a close notice is still to come from this many earlier openings.
  void ExpectCloseNotice() { ++FCloseNoticesDue; }
  // True when the message belongs to an earlier opening (and consumes its close notice).
  bool IsStaleNotice(const TMessage& message, uint32_t closeNotice);

 private:
  bool FActive = false;
  TNotifyEvent FAfterClose;
  TNotifyEvent FAfterOpen;
  bool FAutoOpen = true;
  TNotifyEvent FBeforeClose;
  TNotifyEvent FBeforeOpen;
  uint8_t FBufferCount = 4;
  std::unique_ptr<TdeWaveFormat> FFormat;
  std::vector<WAVEHDR*> FHeaders;  // not owned: pool blocks
  TdeBlockPool FPool;
  std::unique_ptr<TNotifyChannel> FChannel;
  int FCloseNoticesDue = 0;
};

// ---- Audio input ----
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

  void SetBufferCount(uint8_t value) override;

  // Pause while recording: the device stays open and its buffers keep
  // circulating, but what they bring is not delivered. The stretch before the
  // pause ends with the first moments of the next buffer faded out, and the
  // first buffer after it fades in, so the join is not heard as a click.
  // Opening and closing clear it; setting it while closed does nothing.
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

// Fades PCM audio (8-bit unsigned, 16/24/32-bit signed, 32-bit float) in
// place over the whole range: in from silence, or out towards it. Other
// formats are left as they are.
void FadePcm(const TdeWaveFormat& format, void* data, uint32_t size, bool fadeIn);

// ---- Audio output ----
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
