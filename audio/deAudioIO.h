#pragma once
// The sound-device unit. This header declares TdeAudioIO, the device base
// (open/close sequence, header list, notification channel; deAudioIO.cpp), and
// includes the unit's other parts, so callers need only this one: TdeBlockPool,
// the devices' private memory (deBlockPool.h), the wave-in components
// TdeAbstractAudioIn, TdeCustomAudioIn, TdeAudioIn (deAudioIn.h) and the
// wave-out components TdeAbstractAudioOut, TdeCustomAudioOut, TdeAudioOut
// (deAudioOut.h).
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
#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "NotifyChannel.h"
#include "Platform.h"
#include "deACM.h"
#include "deBlockPool.h"

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

// Both directions derive from the base above, so their headers come after it.
#include "deAudioIn.h"
#include "deAudioOut.h"
