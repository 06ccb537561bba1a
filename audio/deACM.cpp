#include "deACM.h"

#include <algorithm>
#include <cstring>

#include "Streams.h"
#include "deAudioConsts.h"

// ---- Wave format ----

TdeWaveFormat::TdeWaveFormat(QObject* parent) : TPersistent(parent) { SetDefault(); }

void TdeWaveFormat::SetDefault() {
  SetFormatTag(WAVE_FORMAT_PCM);
  SetChannels(2);
  SetSamplesPerSec(11025);
  SetAvgBytesPerSec(22050);
  SetBlockAlign(2);
  SetBitsPerSample(8);
  SetExtraSize(0);
}

uint16_t TdeWaveFormat::ExtraSize() const {
  return uint16_t(std::min<uint32_t>(Record()->cbSize, WAVE_FORMAT_MAX_EXTRA));
}

void TdeWaveFormat::SetExtraSize(uint16_t value) {
  if (value > WAVE_FORMAT_MAX_EXTRA) throw EACMError(QString::fromLatin1(SWaveFormatBufferTooSmall));
  Record()->cbSize = value;
}

void TdeWaveFormat::AssignTo(TPersistent* dest) {
  if (auto* format = qobject_cast<TdeWaveFormat*>(dest)) {
    if (format != this) std::memcpy(format->FBuffer, FBuffer, sizeof FBuffer);
  }
}

bool TdeWaveFormat::IsEqual(const TdeWaveFormat* other) const {
  return other && std::memcmp(FBuffer, other->FBuffer, sizeof FBuffer) == 0;
}

void TdeWaveFormat::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      QStringLiteral("FormatBuffer"), [this](TStream& s) { s.ReadBuffer(FBuffer, sizeof FBuffer); },
      [this](TStream& s) { s.WriteBuffer(FBuffer, sizeof FBuffer); }, true);
}

QString TdeWaveFormat::Description() const {
  QString prefix;
  ACMFORMATTAGDETAILS tag = {};
  tag.cbStruct = sizeof tag;
  tag.dwFormatTag = FormatTag();
  if (acmFormatTagDetails(nullptr, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) == MMSYSERR_NOERROR)
    prefix = QString::fromUtf8(tag.szFormatTag, qstrnlen(tag.szFormatTag, sizeof tag.szFormatTag)) +
             QStringLiteral(": ");
  // The manager only reads the buffer; its record type wants a mutable pointer.
  alignas(8) uint8_t copy[WAVE_FORMAT_BUFFER_SIZE];
  std::memcpy(copy, FBuffer, sizeof copy);
  ACMFORMATDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = FormatTag();
  details.pwfx = reinterpret_cast<WAVEFORMATEX*>(copy);
  details.cbwfx = WAVE_FORMAT_BUFFER_SIZE;
  if (acmFormatDetails(nullptr, &details, ACM_FORMATDETAILSF_FORMAT) != MMSYSERR_NOERROR) return QString();
  return prefix + QString::fromUtf8(details.szFormat, qstrnlen(details.szFormat, sizeof details.szFormat));
}

void TdeWaveFormat::SuggestPCM(const TdeWaveFormat* source) {
  Assert(source != nullptr, "deACM", "Source");
  TdeWaveFormat suggestion;
  suggestion.Assign(const_cast<TdeWaveFormat*>(source));
  suggestion.SetFormatTag(WAVE_FORMAT_PCM);
  RaiseACMError<EACMConversionError>(acmFormatSuggest(nullptr, source->WaveFormat(), suggestion.WaveFormat(),
                                                      WAVE_FORMAT_BUFFER_SIZE, ACM_FORMATSUGGESTF_WFORMATTAG));
  if (!CanConvert(source, &suggestion, false)) throw EACMConversionError(QString::fromLatin1(SConversionNotPossible));
  Assign(&suggestion);
}
