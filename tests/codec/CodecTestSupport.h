#pragma once
// Signals, measurements and a minimal conversion loop for the compressed-codec
// driver tests.
#include <cstdint>
#include <string>
#include <vector>

#include "AcmDriver.h"

namespace codectest {

using Bytes = std::vector<uint8_t>;

// The compressed-codec drivers, each with a name for test output.
struct TNamedDriver {
  const char* Name;
  const IAcmDriver* Driver;
};
std::vector<TNamedDriver> CodecDrivers();

// A 512-byte format buffer.
struct TFormat {
  alignas(4) uint8_t Buffer[WAVE_FORMAT_BUFFER_SIZE] = {};
  WAVEFORMATEX* Wfx() { return reinterpret_cast<WAVEFORMATEX*>(Buffer); }
  const WAVEFORMATEX* Wfx() const { return reinterpret_cast<const WAVEFORMATEX*>(Buffer); }
};
TFormat Pcm(uint32_t rate, uint16_t bits, uint16_t channels);
std::string Describe(const WAVEFORMATEX* wfx);

// 16-bit interleaved signals of `seconds` length; channel 1 (if any) is a
// variation of channel 0 so channel mix-ups show.
std::vector<int16_t> Sine(uint32_t rate, uint16_t channels, double seconds, double freq, double amplitude = 0.5);
// Voiced sound: a 120 Hz pulse train through two resonances, with a slow
// syllable envelope, and a little noise.
std::vector<int16_t> SpeechLike(uint32_t rate, uint16_t channels, double seconds);
Bytes ToBytes(const std::vector<int16_t>& s);
std::vector<int16_t> ToSamples(const Bytes& b);
Bytes ToU8(const std::vector<int16_t>& s);

// Signal-to-noise ratio in dB of `got` against `ref` at a fixed lag (samples per
// channel), over the common part past `skip` sample frames.
double SnrDb(const std::vector<int16_t>& ref, const std::vector<int16_t>& got, uint16_t channels, size_t lag = 0,
             size_t skip = 0);
// Level of one frequency in channel 0 (Goertzel), relative to full scale, in dB.
double ToneDb(const std::vector<int16_t>& s, uint16_t channels, uint32_t rate, double freq, size_t from, size_t count);
// Ratio in dB of the tone at freq in one channel to everything else there (the
// tone fitted in amplitude and phase, so codec delay does not matter).
double ToneSnrDb(const std::vector<int16_t>& s, uint16_t channels, uint16_t channel, uint32_t rate, double freq,
                 size_t from, size_t count);
double RmsDb(const std::vector<int16_t>& s, uint16_t channels, size_t from, size_t count);

// Feeds `in` in pieces of `piece` bytes the way the conversion step does:
// holds what the stream does not take, sizes the output with DestinationSize,
// and checks that whole source blocks of `srcBlock` bytes are taken and the
// output never exceeds the size announced. `end` flushes at the end.
struct TRunResult {
  Bytes Out;
  bool Ok = true;
  std::string Failure;
};
TRunResult Pump(IAcmStream& s, const Bytes& in, size_t piece, uint32_t srcBlock, bool end = false);

// Opens src -> dst on the first driver that accepts it.
std::unique_ptr<IAcmStream> OpenPair(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime = false);

}  // namespace codectest
