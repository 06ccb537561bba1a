#pragma once
// The codec catalogue of the deACM unit (defined in deACMCodecs.cpp).
#include <QString>
#include <cstdint>
#include <vector>

#include "Platform.h"

// One installed codec driver with its names, support flags, priority and every
// format it offers. Built from the codec manager's answers; a failing step
// raises EACMCodecError with the step's context line. Each object adds itself
// to the catalogue at the end of its construction and removes itself when
// destroyed; the catalogue owns its entries.
class TdeCodec {
 public:
  // Bits 0..6 of Support, in this order.
  enum TSupportFlag : uint8_t {
    sfCodec = 0x01,
    sfConverter = 0x02,
    sfFilter = 0x04,
    sfHardware = 0x08,
    sfAsync = 0x10,
    sfLocal = 0x20,
    sfDisabled = 0x40
  };
  struct TFormat {
    QString Name;                // the format's display text
    std::vector<uint8_t> Block;  // MaxFormatSize bytes: the WAVEFORMATEX, 18 + cbSize of them meaningful
    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(Block.data()); }
  };

  explicit TdeCodec(HACMDRIVERID driverId);
  ~TdeCodec();
  TdeCodec(const TdeCodec&) = delete;
  TdeCodec& operator=(const TdeCodec&) = delete;

  uint8_t Support() const { return FSupport; }
  const QString& Notice() const { return FNotice; }
  const ACMDRIVERDETAILS& Details() const { return FDetails; }
  HACMDRIVERID DriverID() const { return FDriverID; }
  uint32_t Priority() const { return FPriority; }
  const QString& Features() const { return FFeatures; }
  const std::vector<TFormat>& Formats() const { return FFormats; }
  const QString& Licensing() const { return FLicensing; }
  const QString& LongName() const { return FLongName; }
  const QString& ShortName() const { return FShortName; }
  uint32_t MaxFormatSize() const { return FMaxFormatSize; }
  uint32_t MaxExtraSize() const { return FMaxExtraSize; }

 private:
  static bool FormatCallback(HACMDRIVERID, ACMFORMATDETAILS* details, uintptr_t instance, uint32_t);

  uint8_t FSupport = 0;
  QString FNotice;
  ACMDRIVERDETAILS FDetails{};
  HACMDRIVERID FDriverID = nullptr;
  HACMDRIVER FHandle = nullptr;
  uint32_t FPriority = 0;
  QString FFeatures;
  std::vector<TFormat> FFormats;
  bool FOpened = false;
  QString FLicensing;
  QString FLongName;
  QString FShortName;
  uint32_t FMaxFormatSize = 0;
  uint32_t FMaxExtraSize = 0;
};

// The process-wide catalogue, built from the enabled drivers on first use.
int CodecCount();
TdeCodec* Codecs(int index);  // 0-based, in enumeration order; EACMCodecError out of range
// Frees every entry; the (empty) catalogue stays, so it is not built again until RefreshCodecs.
void ClearCodecs();
// Clears, then builds the catalogue anew; drivers that fail are left out.
void RefreshCodecs();
