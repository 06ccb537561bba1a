// The codec manager: the acm* functions of Platform.h over the drivers of the
// registration table. It checks arguments and handles, picks drivers in
// priority order and keeps the stream-header bookkeeping; drivers do the rest.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "AcmDriver.h"
#include "VectorState.h"

namespace {

constexpr uint32_t kDriverIdMagic = 0x41444944;  // "ADID"
constexpr uint32_t kDriverMagic = 0x41445256;    // "ADRV"
constexpr uint32_t kStreamMagic = 0x4153544D;    // "ASTM"

}  // namespace

struct TAcmDriverId {
  uint32_t Magic;
  const IAcmDriver* Driver;
  uint32_t Priority;  // 1 = asked first
};

struct TAcmDriver {
  uint32_t Magic;
  TAcmDriverId* Id;
  uint32_t OpenStreams;
};

struct TAcmStream {
  uint32_t Magic;
  std::unique_ptr<IAcmStream> Impl;
  TAcmDriver* Owner;  // the driver handle it was opened on, or nullptr
};

namespace {

std::vector<TAcmDriverId>& DriverIds() {
  // Built once from the constant table; never changed afterwards.
  static std::vector<TAcmDriverId> ids = [] {
    std::vector<TAcmDriverId> v;
    uint32_t priority = 1;
    for (const IAcmDriver* d : AcmDrivers()) v.push_back({kDriverIdMagic, d, priority++});
    return v;
  }();
  return ids;
}

bool ValidId(HACMDRIVERID id) { return id && id->Magic == kDriverIdMagic; }
bool ValidDriver(HACMDRIVER had) { return had && had->Magic == kDriverMagic; }
bool ValidStream(HACMSTREAM has) { return has && has->Magic == kStreamMagic; }

// The drivers a call may use: the one opened, or all of them.
std::span<TAcmDriverId> Candidates(HACMDRIVER had) {
  if (had) return {had->Id, 1};
  return DriverIds();
}

// Structural checks the manager makes for every driver (see AcmDriver.h).
MMRESULT CheckFormat(const WAVEFORMATEX* wfx) {
  if (!wfx) return MMSYSERR_INVALPARAM;
  if (wfx->wFormatTag != WAVE_FORMAT_PCM && wfx->cbSize > WAVE_FORMAT_MAX_EXTRA) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

const TAcmFormatTagInfo* FindTag(const IAcmDriver& d, uint32_t tag) {
  for (const TAcmFormatTagInfo& t : d.FormatTags())
    if (t.Tag == tag) return &t;
  return nullptr;
}

// True when an earlier candidate than `upto` already offers tag (each tag is listed once).
bool OfferedBefore(std::span<TAcmDriverId> drivers, size_t upto, uint16_t tag) {
  for (size_t i = 0; i < upto; ++i)
    if (FindTag(*drivers[i].Driver, tag)) return true;
  return false;
}

void FillTagDetails(ACMFORMATTAGDETAILS* d, uint32_t index, const IAcmDriver& driver, const TAcmFormatTagInfo& t) {
  d->dwFormatTagIndex = index;
  d->dwFormatTag = t.Tag;
  d->cbFormatSize = t.LargestSize;
  d->fdwSupport = driver.Support();
  d->cStandardFormats = driver.FormatCount(t.Tag);
  AcmCopyText(d->szFormatTag, sizeof d->szFormatTag, t.Name);
}

// Visits each tag once, in priority order; stops when visit returns false.
template <class Visit>
void ForEachTag(std::span<TAcmDriverId> drivers, Visit visit) {
  uint32_t index = 0;
  for (size_t i = 0; i < drivers.size(); ++i)
    for (const TAcmFormatTagInfo& t : drivers[i].Driver->FormatTags()) {
      if (OfferedBefore(drivers, i, t.Tag)) continue;
      if (!visit(drivers[i], t, index++)) return;
    }
}

bool AcceptedByAny(const WAVEFORMATEX* src, const WAVEFORMATEX* dst) {
  for (const TAcmDriverId& id : DriverIds())
    if (id.Driver->Accepts(src, dst, false)) return true;
  return false;
}

// A PCM partner for a format: the suggestion of any driver.
bool SuggestPcmFor(const WAVEFORMATEX* wfx, WAVEFORMATEX* pcm) {
  std::memset(pcm, 0, WAVE_FORMAT_BUFFER_SIZE);
  pcm->wFormatTag = WAVE_FORMAT_PCM;
  return acmFormatSuggest(nullptr, wfx, pcm, WAVE_FORMAT_BUFFER_SIZE, ACM_FORMATSUGGESTF_WFORMATTAG) == 0;
}

bool PassesDirection(const WAVEFORMATEX* wfx, uint32_t flags) {
  if (!(flags & (ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT))) return true;
  alignas(8) uint8_t pcmBuffer[WAVE_FORMAT_BUFFER_SIZE];
  auto* pcm = reinterpret_cast<WAVEFORMATEX*>(pcmBuffer);
  if (!SuggestPcmFor(wfx, pcm)) return false;
  if ((flags & ACM_FORMATENUMF_INPUT) && !AcceptedByAny(pcm, wfx)) return false;
  if ((flags & ACM_FORMATENUMF_OUTPUT) && !AcceptedByAny(wfx, pcm)) return false;
  return true;
}

}  // namespace

// ---- Streams ----

MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* pwfxSrc, const WAVEFORMATEX* pwfxDst,
                       const void* pwfltr, uintptr_t callback, uintptr_t, uint32_t fdwOpen) {
  const bool query = fdwOpen & ACM_STREAMOPENF_QUERY;
  if (phas) *phas = nullptr;
  if (fdwOpen & ~(ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_ASYNC | ACM_STREAMOPENF_NONREALTIME))
    return MMSYSERR_INVALFLAG;
  if (fdwOpen & ACM_STREAMOPENF_ASYNC || callback || pwfltr) return MMSYSERR_NOTSUPPORTED;
  if (!query && !phas) return MMSYSERR_INVALPARAM;
  if (had && !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (MMRESULT r = CheckFormat(pwfxSrc)) return r;
  if (MMRESULT r = CheckFormat(pwfxDst)) return r;
  const bool realTime = !(fdwOpen & ACM_STREAMOPENF_NONREALTIME);
  for (const TAcmDriverId& id : Candidates(had)) {
    if (!id.Driver->Accepts(pwfxSrc, pwfxDst, realTime)) continue;
    if (query) return MMSYSERR_NOERROR;
    std::unique_ptr<IAcmStream> impl;
    if (MMRESULT rc = id.Driver->Open(pwfxSrc, pwfxDst, realTime, impl)) return rc;
    auto* s = new (std::nothrow) TAcmStream{kStreamMagic, std::move(impl), had};
    if (!s) return MMSYSERR_NOMEM;
    if (had) ++had->OpenStreams;
    *phas = s;
    return MMSYSERR_NOERROR;
  }
  return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamSize(HACMSTREAM has, uint32_t cbInput, uint32_t* pdwOutputBytes, uint32_t fdwSize) {
  if (!ValidStream(has)) return MMSYSERR_INVALHANDLE;
  if (!pdwOutputBytes) return MMSYSERR_INVALPARAM;
  *pdwOutputBytes = 0;
  uint32_t size;
  switch (fdwSize) {
    case ACM_STREAMSIZEF_SOURCE: size = has->Impl->DestinationSize(cbInput); break;
    case ACM_STREAMSIZEF_DESTINATION: size = has->Impl->SourceSize(cbInput); break;
    default: return MMSYSERR_INVALFLAG;
  }
  if (size == 0) return ACMERR_NOTPOSSIBLE;
  *pdwOutputBytes = size;
  return MMSYSERR_NOERROR;
}

namespace {

// What prepare records in the header's driver area, so convert can check
// that the header still describes the buffers it was prepared with.
enum : size_t { rsStream, rsSrc, rsSrcLength, rsDst, rsDstLength };

MMRESULT CheckHeader(HACMSTREAM has, const ACMSTREAMHEADER* pash) {
  if (!ValidStream(has)) return MMSYSERR_INVALHANDLE;
  if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER)) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

MMRESULT CheckPrepared(HACMSTREAM has, const ACMSTREAMHEADER* pash) {
  if (!(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  if (pash->dwReservedDriver[rsStream] != reinterpret_cast<uintptr_t>(has)) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, uint32_t fdwPrepare) {
  if (MMRESULT r = CheckHeader(has, pash)) return r;
  if (fdwPrepare) return MMSYSERR_INVALFLAG;
  if (pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) return CheckPrepared(has, pash);
  if (!pash->pbSrc || !pash->pbDst || !pash->cbSrcLength || !pash->cbDstLength) return MMSYSERR_INVALPARAM;
  pash->dwReservedDriver[rsStream] = reinterpret_cast<uintptr_t>(has);
  pash->dwReservedDriver[rsSrc] = reinterpret_cast<uintptr_t>(pash->pbSrc);
  pash->dwReservedDriver[rsSrcLength] = pash->cbSrcLength;
  pash->dwReservedDriver[rsDst] = reinterpret_cast<uintptr_t>(pash->pbDst);
  pash->dwReservedDriver[rsDstLength] = pash->cbDstLength;
  pash->fdwStatus = (pash->fdwStatus & ~ACMSTREAMHEADER_STATUSF_DONE) | ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, uint32_t fdwUnprepare) {
  if (MMRESULT r = CheckHeader(has, pash)) return r;
  if (fdwUnprepare) return MMSYSERR_INVALFLAG;
  if (MMRESULT r = CheckPrepared(has, pash)) return r;
  pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
  std::fill(std::begin(pash->dwReservedDriver), std::end(pash->dwReservedDriver), 0);
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, uint32_t fdwConvert) {
  if (MMRESULT r = CheckHeader(has, pash)) return r;
  if (fdwConvert & ~(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END))
    return MMSYSERR_INVALFLAG;
  if (MMRESULT r = CheckPrepared(has, pash)) return r;
  const uintptr_t* reserved = pash->dwReservedDriver;
  if (reinterpret_cast<uintptr_t>(pash->pbSrc) != reserved[rsSrc] || pash->cbSrcLength > reserved[rsSrcLength] ||
      reinterpret_cast<uintptr_t>(pash->pbDst) != reserved[rsDst] || pash->cbDstLength > reserved[rsDstLength])
    return MMSYSERR_INVALPARAM;
  if (fdwConvert & ACM_STREAMCONVERTF_START) has->Impl->Reset();
  uint32_t srcUsed = 0, dstUsed = 0;
  pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
  ClearUpperVectorState();
  const MMRESULT r =
      has->Impl->Convert(pash->pbSrc, pash->cbSrcLength, pash->pbDst, pash->cbDstLength, fdwConvert, srcUsed, dstUsed);
  pash->cbSrcLengthUsed = std::min(srcUsed, pash->cbSrcLength);
  pash->cbDstLengthUsed = std::min(dstUsed, pash->cbDstLength);
  pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
  return r;
}

MMRESULT acmStreamReset(HACMSTREAM has, uint32_t fdwReset) {
  if (!ValidStream(has)) return MMSYSERR_INVALHANDLE;
  if (fdwReset) return MMSYSERR_INVALFLAG;
  has->Impl->Reset();
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, uint32_t fdwClose) {
  if (!ValidStream(has)) return MMSYSERR_INVALHANDLE;
  if (fdwClose) return MMSYSERR_INVALFLAG;
  if (has->Owner) --has->Owner->OpenStreams;
  has->Magic = 0;
  delete has;
  return MMSYSERR_NOERROR;
}

// ---- Formats ----

MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX* pwfxSrc, WAVEFORMATEX* pwfxDst, uint32_t cbwfxDst,
                          uint32_t fdwSuggest) {
  constexpr uint32_t known = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                             ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE;
  if (fdwSuggest & ~known) return MMSYSERR_INVALFLAG;
  if (had && !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (!pwfxDst || cbwfxDst < sizeof(WAVEFORMATEX)) return MMSYSERR_INVALPARAM;
  if (MMRESULT r = CheckFormat(pwfxSrc)) return r;
  // Work in a full buffer so drivers may write extra bytes; only the fields
  // the flags fix are taken from the caller's destination.
  alignas(8) uint8_t work[WAVE_FORMAT_BUFFER_SIZE];
  auto* w = reinterpret_cast<WAVEFORMATEX*>(work);
  for (const TAcmDriverId& id : Candidates(had)) {
    std::memset(work, 0, sizeof work);
    if (fdwSuggest & ACM_FORMATSUGGESTF_WFORMATTAG) w->wFormatTag = pwfxDst->wFormatTag;
    if (fdwSuggest & ACM_FORMATSUGGESTF_NCHANNELS) w->nChannels = pwfxDst->nChannels;
    if (fdwSuggest & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) w->nSamplesPerSec = pwfxDst->nSamplesPerSec;
    if (fdwSuggest & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) w->wBitsPerSample = pwfxDst->wBitsPerSample;
    if (!id.Driver->Suggest(pwfxSrc, w, fdwSuggest)) continue;
    if (CheckFormat(w) != 0 || !id.Driver->Accepts(pwfxSrc, w, false)) continue;
    const uint32_t size = WaveFormatMeaningfulSize(w);
    if (size > cbwfxDst) continue;
    std::memcpy(pwfxDst, work, size);
    return MMSYSERR_NOERROR;
  }
  return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmFormatTagDetails(HACMDRIVER had, ACMFORMATTAGDETAILS* paftd, uint32_t fdwDetails) {
  if (had && !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (!paftd || paftd->cbStruct < sizeof(ACMFORMATTAGDETAILS)) return MMSYSERR_INVALPARAM;
  const uint32_t tag = paftd->dwFormatTag;
  const uint32_t wanted = paftd->dwFormatTagIndex;
  bool found = false;
  switch (fdwDetails) {
    case ACM_FORMATTAGDETAILSF_INDEX:
      ForEachTag(Candidates(had), [&](const TAcmDriverId& id, const TAcmFormatTagInfo& t, uint32_t index) {
        if (index != wanted) return true;
        FillTagDetails(paftd, index, *id.Driver, t);
        return !(found = true);
      });
      break;
    case ACM_FORMATTAGDETAILSF_FORMATTAG:
      ForEachTag(Candidates(had), [&](const TAcmDriverId& id, const TAcmFormatTagInfo& t, uint32_t index) {
        if (t.Tag != tag) return true;
        FillTagDetails(paftd, index, *id.Driver, t);
        return !(found = true);
      });
      break;
    case ACM_FORMATTAGDETAILSF_LARGESTSIZE: {
      uint32_t largest = 0;
      ForEachTag(Candidates(had), [&](const TAcmDriverId& id, const TAcmFormatTagInfo& t, uint32_t index) {
        if ((tag == WAVE_FORMAT_UNKNOWN || t.Tag == tag) && t.LargestSize > largest) {
          largest = t.LargestSize;
          FillTagDetails(paftd, index, *id.Driver, t);
          found = true;
        }
        return true;
      });
      break;
    }
    default: return MMSYSERR_INVALFLAG;
  }
  return found ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
}

MMRESULT acmFormatDetails(HACMDRIVER had, ACMFORMATDETAILS* pafd, uint32_t fdwDetails) {
  if (had && !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (!pafd || pafd->cbStruct < sizeof(ACMFORMATDETAILS) || !pafd->pwfx || pafd->cbwfx < sizeof(WAVEFORMATEX))
    return MMSYSERR_INVALPARAM;
  std::string text;
  switch (fdwDetails) {
    case ACM_FORMATDETAILSF_FORMAT: {
      const WAVEFORMATEX* wfx = pafd->pwfx;
      if (CheckFormat(wfx) || pafd->dwFormatTag != wfx->wFormatTag || WaveFormatMeaningfulSize(wfx) > pafd->cbwfx)
        return MMSYSERR_INVALPARAM;
      for (const TAcmDriverId& id : Candidates(had)) {
        if (!FindTag(*id.Driver, wfx->wFormatTag) || !id.Driver->Describe(wfx, text)) continue;
        pafd->dwFormatIndex = 0;
        pafd->fdwSupport = id.Driver->Support();
        AcmCopyText(pafd->szFormat, sizeof pafd->szFormat, text);
        return MMSYSERR_NOERROR;
      }
      return ACMERR_NOTPOSSIBLE;
    }
    case ACM_FORMATDETAILSF_INDEX: {
      alignas(8) uint8_t work[WAVE_FORMAT_BUFFER_SIZE] = {};
      auto* w = reinterpret_cast<WAVEFORMATEX*>(work);
      for (const TAcmDriverId& id : Candidates(had)) {
        if (!FindTag(*id.Driver, pafd->dwFormatTag)) continue;
        const uint16_t tag = uint16_t(pafd->dwFormatTag);
        if (!id.Driver->EnumFormat(tag, pafd->dwFormatIndex, w) || !id.Driver->Describe(w, text))
          return ACMERR_NOTPOSSIBLE;
        if (WaveFormatMeaningfulSize(w) > pafd->cbwfx) return MMSYSERR_INVALPARAM;
        std::memcpy(pafd->pwfx, work, WaveFormatMeaningfulSize(w));
        pafd->fdwSupport = id.Driver->Support();
        AcmCopyText(pafd->szFormat, sizeof pafd->szFormat, text);
        return MMSYSERR_NOERROR;
      }
      return ACMERR_NOTPOSSIBLE;
    }
    default: return MMSYSERR_INVALFLAG;
  }
}

MMRESULT acmFormatEnum(HACMDRIVER had, ACMFORMATDETAILS* pafd, ACMFORMATENUMCB fnCallback, uintptr_t instance,
                       uint32_t fdwEnum) {
  constexpr uint32_t known = ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NCHANNELS | ACM_FORMATENUMF_NSAMPLESPERSEC |
                             ACM_FORMATENUMF_WBITSPERSAMPLE | ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT;
  if (fdwEnum & ~known) return MMSYSERR_INVALFLAG;
  if (had && !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (!fnCallback || !pafd || pafd->cbStruct < sizeof(ACMFORMATDETAILS) || !pafd->pwfx ||
      pafd->cbwfx < sizeof(WAVEFORMATEX))
    return MMSYSERR_INVALPARAM;
  // The restricting fields come from the caller's format, read before it is overwritten.
  const WAVEFORMATEX want = *pafd->pwfx;
  alignas(8) uint8_t work[WAVE_FORMAT_BUFFER_SIZE];
  auto* w = reinterpret_cast<WAVEFORMATEX*>(work);
  std::string text;
  ForEachTag(Candidates(had), [&](const TAcmDriverId& id, const TAcmFormatTagInfo& t, uint32_t) {
    if ((fdwEnum & ACM_FORMATENUMF_WFORMATTAG) && t.Tag != want.wFormatTag) return true;
    const IAcmDriver& d = *id.Driver;
    const uint32_t count = d.FormatCount(t.Tag);
    for (uint32_t i = 0; i < count; ++i) {
      std::memset(work, 0, sizeof work);
      if (!d.EnumFormat(t.Tag, i, w) || !d.Describe(w, text)) continue;
      if ((fdwEnum & ACM_FORMATENUMF_NCHANNELS) && w->nChannels != want.nChannels) continue;
      if ((fdwEnum & ACM_FORMATENUMF_NSAMPLESPERSEC) && w->nSamplesPerSec != want.nSamplesPerSec) continue;
      if ((fdwEnum & ACM_FORMATENUMF_WBITSPERSAMPLE) && w->wBitsPerSample != want.wBitsPerSample) continue;
      if (WaveFormatMeaningfulSize(w) > pafd->cbwfx || !PassesDirection(w, fdwEnum)) continue;
      std::memcpy(pafd->pwfx, work, WaveFormatMeaningfulSize(w));
      pafd->dwFormatIndex = i;
      pafd->dwFormatTag = t.Tag;
      pafd->fdwSupport = d.Support();
      AcmCopyText(pafd->szFormat, sizeof pafd->szFormat, text);
      if (!fnCallback(const_cast<TAcmDriverId*>(&id), pafd, instance, d.Support())) return false;
    }
    return true;
  });
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagEnum(HACMDRIVER had, ACMFORMATTAGDETAILS* paftd, ACMFORMATTAGENUMCB fnCallback, uintptr_t instance,
                          uint32_t fdwEnum) {
  if (fdwEnum) return MMSYSERR_INVALFLAG;
  if (had && !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (!fnCallback || !paftd || paftd->cbStruct < sizeof(ACMFORMATTAGDETAILS)) return MMSYSERR_INVALPARAM;
  ForEachTag(Candidates(had), [&](const TAcmDriverId& id, const TAcmFormatTagInfo& t, uint32_t index) {
    FillTagDetails(paftd, index, *id.Driver, t);
    return fnCallback(const_cast<TAcmDriverId*>(&id), paftd, instance, id.Driver->Support());
  });
  return MMSYSERR_NOERROR;
}

// ---- Drivers ----

MMRESULT acmDriverEnum(ACMDRIVERENUMCB fnCallback, uintptr_t instance, uint32_t fdwEnum) {
  if (fdwEnum & ~(ACM_DRIVERENUMF_NOLOCAL | ACM_DRIVERENUMF_DISABLED)) return MMSYSERR_INVALFLAG;
  if (!fnCallback) return MMSYSERR_INVALPARAM;
  for (TAcmDriverId& id : DriverIds())
    if (!fnCallback(&id, instance, id.Driver->Support())) break;
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverDetails(HACMDRIVERID hadid, ACMDRIVERDETAILS* padd, uint32_t fdwDetails) {
  if (!ValidId(hadid)) return MMSYSERR_INVALHANDLE;
  if (fdwDetails) return MMSYSERR_INVALFLAG;
  if (!padd || padd->cbStruct < sizeof(ACMDRIVERDETAILS)) return MMSYSERR_INVALPARAM;
  const IAcmDriver& d = *hadid->Driver;
  padd->fccType = 0x63647561;  // "audc"
  padd->fccComp = 0;
  padd->wMid = 0;
  padd->wPid = 0;
  padd->vdwACM = 0x01000000;
  padd->vdwDriver = 0x01000000;
  padd->fdwSupport = d.Support();
  padd->cFormatTags = uint32_t(d.FormatTags().size());
  padd->cFilterTags = 0;
  AcmCopyText(padd->szShortName, sizeof padd->szShortName, d.ShortName());
  AcmCopyText(padd->szLongName, sizeof padd->szLongName, d.LongName());
  AcmCopyText(padd->szCopyright, sizeof padd->szCopyright, "Tamsel");
  AcmCopyText(padd->szLicensing, sizeof padd->szLicensing, d.Licensing());
  AcmCopyText(padd->szFeatures, sizeof padd->szFeatures, d.Features());
  return MMSYSERR_NOERROR;
}

MMRESULT acmMetrics(void* hao, uint32_t uMetric, void* pMetric) {
  if (!pMetric) return MMSYSERR_INVALPARAM;
  auto* out = static_cast<uint32_t*>(pMetric);
  // hao is a driver id, an open driver, or null; both records start with their magic.
  const TAcmDriverId* id = nullptr;
  if (hao) {
    const uint32_t magic = *static_cast<const uint32_t*>(hao);
    if (magic == kDriverIdMagic)
      id = static_cast<const TAcmDriverId*>(hao);
    else if (magic == kDriverMagic)
      id = static_cast<const TAcmDriver*>(hao)->Id;
    else
      return MMSYSERR_INVALHANDLE;
  }
  switch (uMetric) {
    case ACM_METRIC_COUNT_DRIVERS: *out = uint32_t(DriverIds().size()); return MMSYSERR_NOERROR;
    case ACM_METRIC_MAX_SIZE_FORMAT: {
      uint32_t largest = 0;
      for (const TAcmDriverId& d : DriverIds()) {
        if (id && &d != id) continue;
        for (const TAcmFormatTagInfo& t : d.Driver->FormatTags()) largest = std::max(largest, t.LargestSize);
      }
      *out = largest;
      return MMSYSERR_NOERROR;
    }
    case ACM_METRIC_DRIVER_SUPPORT:
      if (!id) return MMSYSERR_INVALHANDLE;
      *out = id->Driver->Support();
      return MMSYSERR_NOERROR;
    case ACM_METRIC_DRIVER_PRIORITY:
      if (!id) return MMSYSERR_INVALHANDLE;
      *out = id->Priority;
      return MMSYSERR_NOERROR;
    default: return MMSYSERR_NOTSUPPORTED;
  }
}

MMRESULT acmDriverOpen(HACMDRIVER* phad, HACMDRIVERID hadid, uint32_t fdwOpen) {
  if (!phad) return MMSYSERR_INVALPARAM;
  *phad = nullptr;
  if (!ValidId(hadid)) return MMSYSERR_INVALHANDLE;
  if (fdwOpen) return MMSYSERR_INVALFLAG;
  auto* d = new (std::nothrow) TAcmDriver{kDriverMagic, hadid, 0};
  if (!d) return MMSYSERR_NOMEM;
  *phad = d;
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER had, uint32_t fdwClose) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (fdwClose) return MMSYSERR_INVALFLAG;
  if (had->OpenStreams) return ACMERR_BUSY;
  had->Magic = 0;
  delete had;
  return MMSYSERR_NOERROR;
}

uint32_t WaveFormatMeaningfulSize(const WAVEFORMATEX* wfx) {
  return wfx->wFormatTag == WAVE_FORMAT_PCM ? uint32_t(sizeof(WAVEFORMATEX)) : AcmFormatSize(wfx);
}
