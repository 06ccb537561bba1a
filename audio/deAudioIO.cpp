// The device base: open and close sequence, header list, notices.
#include "deAudioIO.h"

#include <algorithm>

#include "ACMErrors.h"
#include "deAudioConsts.h"

TdeAudioIO::TdeAudioIO(TComponent* owner)
    : QObject(nullptr),
      TComponent(owner),
      FFormat(std::make_unique<TdeWaveFormat>()),
      FChannel(std::make_unique<TNotifyChannel>([this](TMessage& m) { WndProc(m); })) {}

TdeAudioIO::~TdeAudioIO() {
  FChannel.reset();
  FHeaders.clear();
  FreeBlocks();
}

// The direction classes close from their own destructors, while CloseDevice
// is still theirs. A failing close must not escape a destructor: the device
// is then shut without events and the pool released.
void TdeAudioIO::CloseForDestruction() {
  try {
    SetActive(false);
  } catch (...) {
    Drop();
  }
}

void TdeAudioIO::Drop() {
  if (!FActive) return;
  AbandonDevice();
  FreeBlocks();
  FActive = false;
}

void TdeAudioIO::SetActive(bool value) {
  if (value == FActive) return;
  if (value)
    Open();
  else
    Close();
}

void TdeAudioIO::Open() {
  if (FActive) return;
  FreeBlocks();
  if (FBeforeOpen) FBeforeOpen(this);
  OpenDevice();
  FActive = true;
  if (FAfterOpen) FAfterOpen(this);
}

void TdeAudioIO::Close() {
  if (!FActive) return;
  if (FBeforeClose) FBeforeClose(this);
  CloseDevice();
  FreeBlocks();
  FActive = false;
  if (FAfterClose) FAfterClose(this);
}

void TdeAudioIO::Loaded() {
  TComponent::Loaded();
  if (FAutoOpen && !Designing()) SetActive(true);
}

void TdeAudioIO::SetFormat(TdeWaveFormat* value) { FFormat->Assign(value); }

void TdeAudioIO::WndProc(TMessage&) {}

void TdeAudioIO::CheckActive() const {
  if (!FActive) throw EACMAudioIOError(SAudioIONotActive);
}

void TdeAudioIO::CheckInactive() const {
  if (FActive) throw EACMAudioIOError(SAudioIOActive);
}

uint32_t TdeAudioIO::DeviceNumber(uint8_t deviceID) const {
  if (deviceID == 255 && FFormat->FormatTag() != WAVE_FORMAT_PCM) return 0;
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(deviceID)));
}

uint32_t TdeAudioIO::OpenFlags(uint8_t deviceID) const {
  if (deviceID == 255 && FFormat->FormatTag() != WAVE_FORMAT_PCM) return CALLBACK_WINDOW | WAVE_MAPPED;
  return CALLBACK_WINDOW;
}

bool TdeAudioIO::Listed(const WAVEHDR* header) const {
  return std::find(FHeaders.begin(), FHeaders.end(), header) != FHeaders.end();
}

void TdeAudioIO::Unlist(WAVEHDR* header) {
  auto it = std::find(FHeaders.begin(), FHeaders.end(), header);
  if (it != FHeaders.end()) FHeaders.erase(it);
}

bool TdeAudioIO::IsStaleNotice(const TMessage& message, uint32_t closeNotice) {
  const bool earlier = FCloseNoticesDue > 0;
  if (earlier && message.Msg == closeNotice) --FCloseNoticesDue;
  return earlier && FActive;
}
