#include "deACM.h"

#include <QApplication>
#include <algorithm>
#include <cstring>

#include "Streams.h"
#include "deAudioConsts.h"
#include "deFormatChooser.h"

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

void TdeWaveFormat::SetPcm(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels) {
  std::memset(FBuffer, 0, sizeof FBuffer);
  SetFormatTag(WAVE_FORMAT_PCM);
  SetChannels(channels);
  SetSamplesPerSec(samplesPerSec);
  SetBitsPerSample(bitsPerSample);
  SetBlockAlign(static_cast<uint16_t>(bitsPerSample / 8 * channels));
  SetAvgBytesPerSec(samplesPerSec * BlockAlign());
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
    prefix =
        QString::fromUtf8(tag.szFormatTag, qstrnlen(tag.szFormatTag, sizeof tag.szFormatTag)) + QStringLiteral(": ");
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

// ---- Format choice ----

MMRESULT TFormatSelector::Execute() {
  if (!FRecord.hwndOwner) FRecord.hwndOwner = QApplication::activeWindow();
  FResult = ChooseFormat(FRecord);
  return FResult;
}

bool TdeWaveFormat::Choose(const QString& title) {
  alignas(8) uint8_t working[WAVE_FORMAT_BUFFER_SIZE];
  std::memcpy(working, FBuffer, sizeof working);
  const QByteArray title8 = title.toUtf8();
  FChooser = {};
  FChooser.cbStruct = sizeof FChooser;
  FChooser.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
  FChooser.pwfx = reinterpret_cast<WAVEFORMATEX*>(working);
  FChooser.cbwfx = WAVE_FORMAT_BUFFER_SIZE;
  FChooser.pszTitle = title8.constData();
  switch (FRestriction) {
    case crNone: FChooser.fdwEnum = 0; break;
    case crInput: FChooser.fdwEnum = ACM_FORMATENUMF_INPUT; break;
    case crOutput: FChooser.fdwEnum = ACM_FORMATENUMF_OUTPUT; break;
    default: FChooser.fdwEnum = ~0u; break;  // an unknown restriction is refused by the chooser
  }
  TFormatSelector selector(FChooser);
  const MMRESULT result = selector.Execute();
  FChooser.pszTitle = nullptr;  // the title's bytes go with this call
  FChooser.pwfx = nullptr;
  if (result == ACMERR_CANCELED) return false;
  RaiseACMError<EACMConversionError>(result, QString::fromLatin1(SErrorSelectingFormat));
  const auto* chosen = reinterpret_cast<const WAVEFORMATEX*>(working);
  Assert(sizeof(WAVEFORMATEX) + chosen->cbSize <= WAVE_FORMAT_BUFFER_SIZE || chosen->wFormatTag == WAVE_FORMAT_PCM,
         "deACM", "cbSize");
  std::memcpy(FBuffer, working, sizeof FBuffer);
  return true;
}
