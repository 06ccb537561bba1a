#pragma once
// libavcodec plumbing shared by the compressed-codec drivers.
//
// The stream (AcmAvCodecStream.h) runs one libavcodec encoder or decoder;
// TAvCodecDriver answers every request whose other side is plain PCM at the
// same rate and channels, so a driver file only states its coded formats and
// how to set up its codec.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "AcmAvCodecStream.h"
#include "AcmDriver.h"

// Debian builds libavcodec with its GPL parts enabled.
inline constexpr const char* AvLibavcodecLicence = "libavcodec (FFmpeg), GPL-2.0-or-later as built (LGPL-2.1 sources).";

// One coded format as a driver understands it.
struct TAvCodedFormat {
  uint16_t Tag = 0;
  uint32_t Rate = 0;
  uint16_t Channels = 0;
  uint16_t Bits = 0;          // shown in the format text; 0 leaves it out
  uint32_t BlockAlign = 0;    // coded bytes per block
  uint32_t FrameSamples = 0;  // samples per channel in one block, 0 for a sample codec
  uint32_t BitRate = 0;       // bits per second, shown when not 0
  bool CanEncode = true;      // false: a format only read from files (decoded, never written)
};

class TAvCodecDriver : public IAcmDriver {
 public:
  uint32_t Support() const override { return ACMDRIVERDETAILS_SUPPORTF_CODEC; }
  bool Describe(const WAVEFORMATEX* wfx, std::string& text) const override;
  bool Suggest(const WAVEFORMATEX* src, WAVEFORMATEX* dst, uint32_t flags) const override;
  // Accepts also asks libavcodec for the codec the stream would run.
  bool Accepts(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime) const override;
  MMRESULT Open(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime,
                std::unique_ptr<IAcmStream>& stream) const override;

 protected:
  // True when wfx is a valid format of one of the driver's tags (by the tag's
  // own rules: block size, extra bytes, rates); fills out.
  virtual bool ParseCoded(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const = 0;
  // Writes the driver's standard format of tag for PCM of this rate and
  // channels into a WAVE_FORMAT_BUFFER_SIZE buffer; false when it has none.
  virtual bool MakeCoded(uint16_t tag, uint32_t rate, uint16_t channels, WAVEFORMATEX* wfx) const = 0;
  // The codec setup for a stream; the base fills rate, channels and PCM bits.
  virtual TAvCodecSetup Setup(const TAvCodedFormat& coded, bool encode, bool realTime) const = 0;
  // PCM sample sizes the driver takes and gives (16; G.711 also 8).
  virtual bool PcmBits(uint16_t bits) const { return bits == 16; }
  // Whether the driver runs this direction in real time.
  virtual bool RealTime(const TAvCodedFormat&, bool /*encode*/) const { return true; }

 private:
  bool ParsePcm(const WAVEFORMATEX* wfx, TAcmLinearFormat& out) const;
};

// Helpers for the drivers' format arithmetic.
uint16_t AvReadU16(const WAVEFORMATEX* wfx, uint32_t extraOffset);
void AvWriteU16(WAVEFORMATEX* wfx, uint32_t extraOffset, uint16_t value);
// Standard block bytes per channel of the ADPCM codecs at a rate.
uint32_t AvAdpcmBlockPerChannel(uint32_t rate);
// Writes the fields every coded format has; cbSize = extra, extra bytes zeroed.
void AvMakeCodedHeader(WAVEFORMATEX* wfx, uint16_t tag, uint32_t rate, uint16_t channels, uint32_t avgBytes,
                       uint16_t blockAlign, uint16_t bits, uint16_t extra);
// The rates the block codecs enumerate.
inline constexpr uint32_t AvBlockCodecRates[] = {8000, 11025, 22050, 44100};

// ---- ADPCM base ----
// The two ADPCM block codecs: blocks of a header per channel (with the first
// sample or two) and 4-bit codes; samples per block in the first extra word.
// They differ in the header, the extra bytes and libavcodec's codec.
struct TAvAdpcmLayout {
  uint16_t Tag;
  const char* TagName;
  const char* Codec;
  uint32_t HeaderPerChannel;  // header bytes per channel
  uint32_t HeaderSamples;     // samples per channel carried in the header
  uint16_t ExtraBytes;
};

class TAvAdpcmDriver : public TAvCodecDriver {
 public:
  explicit TAvAdpcmDriver(const TAvAdpcmLayout& layout);
  std::span<const TAcmFormatTagInfo> FormatTags() const override { return {&TagInfo, 1}; }
  uint32_t FormatCount(uint16_t tag) const override;
  bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const override;

 protected:
  bool ParseCoded(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const override;
  bool MakeCoded(uint16_t tag, uint32_t rate, uint16_t channels, WAVEFORMATEX* wfx) const override;
  TAvCodecSetup Setup(const TAvCodedFormat& coded, bool encode, bool realTime) const override;
  // The extra bytes past the samples per block: check them (and whether they
  // may be written), and write the standard ones.
  virtual bool CheckExtra(const WAVEFORMATEX*, TAvCodedFormat&) const { return true; }
  virtual void WriteExtra(WAVEFORMATEX*) const {}

 private:
  uint32_t SamplesPerBlock(uint32_t blockAlign, uint32_t channels) const;
  TAvAdpcmLayout Layout;
  TAcmFormatTagInfo TagInfo;
};
