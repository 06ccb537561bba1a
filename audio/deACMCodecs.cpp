// The codec catalogue of deACM.
#include "deACMCodecs.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "ACMErrors.h"
#include "deAudioConsts.h"

namespace {

// Null until first needed; its entries are owned (freed by ClearCodecs).
std::unique_ptr<std::vector<TdeCodec*>> Catalogue;

// Frees the catalogue when the library unloads (declared after it, so it runs first).
struct TCatalogueFinalizer {
  ~TCatalogueFinalizer() {
    ClearCodecs();
    Catalogue.reset();
  }
} CatalogueFinalizer;

QString FieldText(const char* field, size_t size) { return QString::fromUtf8(field, qsizetype(strnlen(field, size))); }

bool DriverCallback(HACMDRIVERID id, uintptr_t, uint32_t) {
  try {
    new TdeCodec(id);  // adds itself to the catalogue
  } catch (const EACMError&) {
    // A driver that cannot be described is left out; the others still count.
  }
  return true;
}

void EnsureCatalogue() {
  if (!Catalogue) RefreshCodecs();
}

}  // namespace

TdeCodec::TdeCodec(HACMDRIVERID driverId) : FDriverID(driverId) {
  FDetails.cbStruct = sizeof FDetails;
  RaiseACMError<EACMCodecError>(acmDriverDetails(driverId, &FDetails, 0), SErrorDriverDetails);
  RaiseACMError<EACMCodecError>(acmMetrics(driverId, ACM_METRIC_DRIVER_PRIORITY, &FPriority), SErrorDriverPriority);
  const uint32_t s = FDetails.fdwSupport;
  FSupport = (s & 0x1 ? sfCodec : 0) | (s & 0x2 ? sfConverter : 0) | (s & 0x4 ? sfFilter : 0) |
             (s & 0x8 ? sfHardware : 0) | (s & 0x10 ? sfAsync : 0) | (s & 0x40000000 ? sfLocal : 0) |
             (s & 0x80000000 ? sfDisabled : 0);
  FShortName = FieldText(FDetails.szShortName, sizeof FDetails.szShortName);
  FLongName = FieldText(FDetails.szLongName, sizeof FDetails.szLongName);
  FNotice = FieldText(FDetails.szCopyright, sizeof FDetails.szCopyright);
  FLicensing = FieldText(FDetails.szLicensing, sizeof FDetails.szLicensing);
  FFeatures = FieldText(FDetails.szFeatures, sizeof FDetails.szFeatures);
  RaiseACMError<EACMCodecError>(acmDriverOpen(&FHandle, driverId, 0), SErrorOpeningDriver);
  FOpened = true;

  std::exception_ptr failure;
  std::vector<uint8_t> buffer;
  try {
    RaiseACMError<EACMCodecError>(acmMetrics(FHandle, ACM_METRIC_MAX_SIZE_FORMAT, &FMaxFormatSize), SErrorFormatSize);
    FMaxFormatSize = std::max<uint32_t>(FMaxFormatSize, sizeof(WAVEFORMATEX));
    FMaxExtraSize = FMaxFormatSize - sizeof(WAVEFORMATEX);
    buffer.assign(FMaxFormatSize, 0);
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
    wfx->cbSize = uint16_t(std::min<uint32_t>(FMaxExtraSize, UINT16_MAX));
    wfx->wFormatTag = WAVE_FORMAT_UNKNOWN;
    ACMFORMATDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwFormatTag = WAVE_FORMAT_UNKNOWN;
    details.pwfx = wfx;
    details.cbwfx = FMaxFormatSize;
    RaiseACMError<EACMCodecError>(
        acmFormatEnum(FHandle, &details, &TdeCodec::FormatCallback, reinterpret_cast<uintptr_t>(this), 0),
        SErrorEnumeratingFormats);
  } catch (...) {
    failure = std::current_exception();
  }
  buffer.clear();
  if (FOpened) {
    FOpened = false;
    const MMRESULT closed = acmDriverClose(FHandle, 0);
    FHandle = nullptr;
    // A failed close reports over an earlier failure, as the step that failed last.
    RaiseACMError<EACMCodecError>(closed, SErrorClosingDriver);
  }
  if (failure) std::rethrow_exception(failure);
  if (!Catalogue) Catalogue = std::make_unique<std::vector<TdeCodec*>>();
  Catalogue->push_back(this);
}

TdeCodec::~TdeCodec() {
  if (!Catalogue) return;
  auto it = std::find(Catalogue->begin(), Catalogue->end(), this);
  if (it != Catalogue->end()) Catalogue->erase(it);
}

bool TdeCodec::FormatCallback(HACMDRIVERID, ACMFORMATDETAILS* details, uintptr_t instance, uint32_t) {
  auto* self = reinterpret_cast<TdeCodec*>(instance);
  TFormat f;
  f.Name = FieldText(details->szFormat, sizeof details->szFormat);
  f.Block.assign(self->FMaxFormatSize, 0);
  const size_t size = std::min<size_t>(WaveFormatMeaningfulSize(details->pwfx), self->FMaxFormatSize);
  std::memcpy(f.Block.data(), details->pwfx, size);
  self->FFormats.push_back(std::move(f));
  return true;
}

int CodecCount() {
  EnsureCatalogue();
  return int(Catalogue->size());
}

TdeCodec* Codecs(int index) {
  EnsureCatalogue();
  if (index < 0 || index >= int(Catalogue->size())) throw EACMCodecError(QString(SCodecIndexOutOfBounds).arg(index));
  return (*Catalogue)[size_t(index)];
}

void ClearCodecs() {
  if (!Catalogue) return;
  while (!Catalogue->empty()) delete Catalogue->front();  // each destructor removes its entry
}

void RefreshCodecs() {
  ClearCodecs();
  if (!Catalogue) Catalogue = std::make_unique<std::vector<TdeCodec*>>();
  acmDriverEnum(&DriverCallback, 0, 0);
}
