#pragma once
// The audio library's core unit. This header declares the wave format and the
// format choice (deACM.cpp) and includes the unit's other parts, so callers
// need only this one: the producer/consumer links (deACMLinks.h), the
// conversion step and the convertor component (deACMConvertor.h) and the
// codec catalogue (deACMCodecs.h). The exception family, RaiseACMError and
// CanConvert come from ACMErrors.h and are part of this unit.
#include <QString>
#include <cstdint>

#include "ACMErrors.h"
#include "Classes.h"
#include "Platform.h"
#include "deACMCodecs.h"
#include "deACMLinks.h"

// ---- Wave format ----

// An audio format: a WAVEFORMATEX record in a fixed 512-byte buffer, so that
// compressed formats with extra bytes fit without reallocation. Copied,
// compared and streamed as all 512 bytes (bytes past cbSize included).
// New objects hold PCM, 11025 Hz, 8-bit, stereo; the rest of the buffer is zero.
class TdeWaveFormat : public TPersistent {
  Q_OBJECT
 public:
  // Which formats the chooser offers; nothing in the program changes it from crNone.
  enum TChooserRestriction : uint8_t { crNone = 0, crInput = 1, crOutput = 2 };

  explicit TdeWaveFormat(QObject* parent = nullptr);

  // Plain field access; setters never recompute another field.
  uint16_t FormatTag() const { return Record()->wFormatTag; }
  void SetFormatTag(uint16_t value) { Record()->wFormatTag = value; }
  uint16_t Channels() const { return Record()->nChannels; }
  void SetChannels(uint16_t value) { Record()->nChannels = value; }
  uint32_t SamplesPerSec() const { return Record()->nSamplesPerSec; }
  void SetSamplesPerSec(uint32_t value) { Record()->nSamplesPerSec = value; }
  uint32_t AvgBytesPerSec() const { return Record()->nAvgBytesPerSec; }
  void SetAvgBytesPerSec(uint32_t value) { Record()->nAvgBytesPerSec = value; }
  uint16_t BlockAlign() const { return Record()->nBlockAlign; }
  void SetBlockAlign(uint16_t value) { Record()->nBlockAlign = value; }
  uint16_t BitsPerSample() const { return Record()->wBitsPerSample; }
  void SetBitsPerSample(uint16_t value) { Record()->wBitsPerSample = value; }
  // cbSize, read clamped to 494 (a loaded buffer may carry anything); writing
  // more than 494 raises EACMError "The wave format buffer is too small.".
  uint16_t ExtraSize() const;
  void SetExtraSize(uint16_t value);
  // The buffer, for calls that take a WAVEFORMATEX and a size of 512.
  WAVEFORMATEX* WaveFormat() { return Record(); }
  const WAVEFORMATEX* WaveFormat() const { return Record(); }
  static constexpr uint32_t BufferSize = WAVE_FORMAT_BUFFER_SIZE;

  TChooserRestriction ChooserRestriction() const { return FRestriction; }
  void SetChooserRestriction(TChooserRestriction value) { FRestriction = value; }

  virtual void SetDefault();
  // Becomes plain PCM of that rate, sample size and channels, with block
  // align and byte rate to match; the rest of the buffer is zero.
  void SetPcm(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels);
  // Byte-for-byte equality of the 512-byte buffers.
  virtual bool IsEqual(const TdeWaveFormat* other) const;
  // One binary property "FormatBuffer", always stored: exactly the 512 bytes.
  void DefineProperties(TFiler& filer) override;

  // "PCM: 11.025 kHz, 8 Bit, Stereo"; without the tag part when the tag is
  // unknown, empty when the format cannot be described. Never raises.
  QString Description() const;
  // Becomes the PCM format the codec manager proposes for source (which may be
  // this object). Raises EACMConversionError and keeps the old buffer when the
  // manager has no proposal or cannot convert to it.
  void SuggestPCM(const TdeWaveFormat* source);
  // Shows the format chooser on this format under title. True when the user
  // accepted a format (now in the buffer), false when cancelled (unchanged);
  // a chooser failure raises EACMConversionError "Error selecting format." and the reason.
  bool Choose(const QString& title);

 protected:
  // Copies all 512 bytes into another wave format; other destinations are ignored.
  void AssignTo(TPersistent* dest) override;

 private:
  WAVEFORMATEX* Record() { return reinterpret_cast<WAVEFORMATEX*>(FBuffer); }
  const WAVEFORMATEX* Record() const { return reinterpret_cast<const WAVEFORMATEX*>(FBuffer); }

  alignas(8) uint8_t FBuffer[WAVE_FORMAT_BUFFER_SIZE] = {};
  ACMFORMATCHOOSE FChooser = {};  // filled by Choose only
  TChooserRestriction FRestriction = crNone;
};

// CanConvert on wave format values (see ACMErrors.h).
inline bool CanConvert(const TdeWaveFormat* source, const TdeWaveFormat* dest, bool realTime) {
  return source && dest && CanConvert(source->WaveFormat(), dest->WaveFormat(), realTime);
}

// ---- Format choice ----

// Runs the format chooser modally for one Choose and keeps its outcome.
class TFormatSelector {
 public:
  explicit TFormatSelector(const ACMFORMATCHOOSE& record) : FRecord(record) {}
  // Shows the chooser over the active window; returns the chooser's code:
  // 0 accepted, ACMERR_CANCELED, or why it failed.
  MMRESULT Execute();
  MMRESULT Result() const { return FResult; }
  const ACMFORMATCHOOSE& Record() const { return FRecord; }

 private:
  ACMFORMATCHOOSE FRecord;
  MMRESULT FResult = ACMERR_CANCELED;
};

// The convertor works on wave formats in its inline members: its header needs the class above.
#include "deACMConvertor.h"
