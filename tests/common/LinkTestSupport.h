#pragma once
// Formats and signals for the conversion tests.
#include <cstdint>
#include <memory>
#include <vector>

#include "deACM.h"

std::unique_ptr<TdeWaveFormat> Pcm(uint32_t rate, uint16_t bits, uint16_t channels);
// The first format the codec manager enumerates for tag with that rate and
// channel count (and data rate, unless 0); nullptr when no installed codec offers one.
std::unique_ptr<TdeWaveFormat> Enumerated(uint16_t tag, uint32_t rate, uint16_t channels, uint32_t avgBytesPerSec = 0);
// An 8- or 16-bit PCM sine of frames frames in format.
std::vector<uint8_t> PcmSine(const TdeWaveFormat& format, double hz, size_t frames);
// The bytes of one second of format (its average rate).
inline int32_t BytesPerSecond(const TdeWaveFormat& f) { return static_cast<int32_t>(f.AvgBytesPerSec()); }

// A producer whose format a test may change between blocks.
class TSource : public TQComponent {
 public:
  explicit TSource(TComponent* owner);
  ~TSource() override;
  void* QueryInterface(const TGUID& iid) override;
  void Deliver(const std::vector<uint8_t>& block);
  TdeWaveFormat Format;

 private:
  std::unique_ptr<TdeAudioSubject> FSubject;
};
