#pragma once
// The driver side of the codec manager (the acm* functions of Platform.h).
//
// A driver is one source file, platform/AcmDriver<Name>.cpp, that defines one
// class deriving from IAcmDriver and one accessor returning its only instance:
//
//     const IAcmDriver& AcmAlawDriver() { static const TAlawDriver d; return d; }
//
// and adds that accessor to the registration table in AcmDrivers.cpp (the
// table's order is the drivers' priority: the first driver that accepts a
// request serves it). Drivers are stateless and const; everything that lives
// between open and close belongs to the IAcmStream the driver opens.
//
// What the manager guarantees before it calls a driver:
// - format pointers are not null and point at 18 + cbSize readable bytes;
// - for tags other than PCM, cbSize <= WAVE_FORMAT_MAX_EXTRA (a PCM format's
//   cbSize is never read: files write anything there);
// - Open is called only with a pair that Accepts answered true for;
// - stream calls come from one thread at a time, never after destruction.
// What every driver must check itself: everything else about a format. Formats
// come from files and stored window descriptions: zero or absurd channels, rates,
// bits, block alignment, data rates, and extra bytes that contradict the tag
// must make Accepts/Describe/Suggest answer false, never crash or divide by zero.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "Platform.h"
#include "SampleLayout.h"

// ---- Format rules shared by drivers ----
constexpr uint32_t ACM_MIN_RATE = 8000;
constexpr uint32_t ACM_MAX_RATE = 192000;
constexpr uint16_t ACM_MAX_CHANNELS = 2;

// The rates drivers enumerate (the chooser lists these).
inline constexpr uint32_t AcmCommonRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// 18 + cbSize, with cbSize clamped to what a format buffer can carry.
uint32_t AcmFormatSize(const WAVEFORMATEX* wfx);

// The sample layout of a format as the drivers take it (SampleLayout.h):
// PCM (8/16/24/32 bits), IEEE float (32 and 64 bits) and WAVE_FORMAT_EXTENSIBLE
// with a PCM or float sub-format. False for anything else and for any
// inconsistency: channels outside 1..2, rate outside 8000..192000, nBlockAlign
// or nAvgBytesPerSec not what the other fields make them, valid bits above the
// container size, an extensible cbSize below 22.
bool AcmParseLinear(const WAVEFORMATEX* wfx, TAcmLinearFormat& out);

// Writes a complete plain format (tag PCM or IEEE float), cbSize 0.
void AcmMakeLinear(WAVEFORMATEX* wfx, uint16_t tag, uint32_t rate, uint16_t bits, uint16_t channels);

// Completes dst as a plain PCM or IEEE float format for a linear source: fields
// fixed by flags (ACM_FORMATSUGGESTF_*) are kept, the others taken from src
// (bits: bits, tag: tag). False when the result is not a valid linear format.
bool AcmSuggestLinear(const TAcmLinearFormat& src, WAVEFORMATEX* dst, uint32_t flags, uint16_t tag, uint16_t bits);

// The format text every driver uses: "11.025 kHz, 8 Bit, Stereo"; bits 0 leaves
// the bits out ("8.000 kHz, Mono"), suffix (e.g. ", 64 kBit/s") goes at the end.
std::string AcmFormatText(uint32_t rate, uint16_t bits, uint16_t channels, const char* suffix = "");

// Copies text into a fixed field, cut to fit and always zero-terminated.
void AcmCopyText(char* field, size_t fieldSize, const std::string& text);

// ---- Streams ----
// One conversion between two fixed formats, made by IAcmDriver::Open.
// Allocation happens in Open only: Convert, DestinationSize, SourceSize and Reset
// must not allocate (the recorder converts every block in steady state).
class IAcmStream {
 public:
  virtual ~IAcmStream() = default;
  // The most bytes that converting srcBytes source bytes can write, counting
  // what the stream holds inside (filter delay, a started codec frame); 0 when
  // srcBytes cannot produce output yet (less than one whole source block).
  virtual uint32_t DestinationSize(uint32_t srcBytes) = 0;
  // Source bytes (whole blocks) whose conversion fits in dstBytes.
  virtual uint32_t SourceSize(uint32_t dstBytes) = 0;
  // Converts whole source blocks from src (never a partial one: the caller keeps
  // the tail and hands it in again), writing at most dstLen bytes; consumes less
  // when dst is too small. flags may hold ACM_STREAMCONVERTF_START (state already
  // reset by the manager) and ACM_STREAMCONVERTF_END (also flush what the stream
  // holds, as far as dst allows; an encoder takes a last partial frame padded
  // with silence). Returns 0, or a result code when the data
  // cannot be converted (a corrupt compressed block: ACMERR_NOTPOSSIBLE).
  virtual MMRESULT Convert(const uint8_t* src, uint32_t srcLen, uint8_t* dst, uint32_t dstLen, uint32_t flags,
                           uint32_t& srcUsed, uint32_t& dstUsed) = 0;
  // Forgets everything carried between calls.
  virtual void Reset() = 0;
};

// ---- Drivers ----
struct TAcmFormatTagInfo {
  uint16_t Tag;
  const char* Name;      // "PCM", "IEEE Float", "IMA ADPCM", ... (UTF-8)
  uint32_t LargestSize;  // largest format record of the tag, 18 + cbSize
};

class IAcmDriver {
 public:
  virtual ~IAcmDriver() = default;
  virtual const char* ShortName() const = 0;
  virtual const char* LongName() const = 0;
  // For the driver catalogue: which library does the work under which licence
  // (at most 127 characters), and what the driver offers (at most 511).
  virtual const char* Licensing() const { return ""; }
  virtual const char* Features() const { return ""; }
  // ACMDRIVERDETAILS_SUPPORTF_CODEC (changes the tag) and/or _CONVERTER (same tag).
  virtual uint32_t Support() const = 0;
  // The tags the driver describes and enumerates.
  virtual std::span<const TAcmFormatTagInfo> FormatTags() const = 0;
  // Enumerated formats of one of its tags, index 0 .. FormatCount - 1, written
  // complete (nBlockAlign, nAvgBytesPerSec, cbSize and extra bytes) into a
  // WAVE_FORMAT_BUFFER_SIZE buffer. The chooser lists exactly these.
  virtual uint32_t FormatCount(uint16_t tag) const = 0;
  virtual bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const = 0;
  // The format text (AcmFormatText shape) of a valid format of one of its tags;
  // false when the format is not valid by the driver's rules.
  virtual bool Describe(const WAVEFORMATEX* wfx, std::string& text) const = 0;
  // True when the driver can open a stream from src to dst (and run it in real
  // time when realTime). Must agree exactly with Open: no format it accepts may
  // fail to open for any reason but lack of memory.
  virtual bool Accepts(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime) const = 0;
  // Completes dst (a WAVE_FORMAT_BUFFER_SIZE buffer) as the format the driver
  // proposes to convert src to. flags are the ACM_FORMATSUGGESTF_* bits: the
  // fields they name are already set in dst and must be kept. False when the
  // driver has no proposal; on true, Accepts(src, dst, false) holds.
  virtual bool Suggest(const WAVEFORMATEX* src, WAVEFORMATEX* dst, uint32_t flags) const = 0;
  // Opens a stream for a pair Accepts answered true for (with the same
  // realTime) into stream. MMSYSERR_NOMEM when out of memory; any other
  // failure, which Accepts should have foreseen, ACMERR_NOTPOSSIBLE. Without
  // real time a driver may choose a slower, better setting.
  virtual MMRESULT Open(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime,
                        std::unique_ptr<IAcmStream>& stream) const = 0;
};

// ---- Registration table ----
// Every driver in priority order (AcmDrivers.cpp, one line per driver).
std::span<const IAcmDriver* const> AcmDrivers();

// The drivers of this folder; each is defined in its own AcmDriver<Name>.cpp.
const IAcmDriver& AcmPcmDriver();
const IAcmDriver& AcmFloatDriver();
const IAcmDriver& AcmG711Driver();
const IAcmDriver& AcmImaAdpcmDriver();
const IAcmDriver& AcmMsAdpcmDriver();
const IAcmDriver& AcmGsm610Driver();
const IAcmDriver& AcmMp3Driver();
