#include "AcmDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

uint32_t AcmFormatSize(const WAVEFORMATEX* wfx) {
  return sizeof(WAVEFORMATEX) + std::min<uint32_t>(wfx->cbSize, WAVE_FORMAT_MAX_EXTRA);
}

bool AcmParseLinear(const WAVEFORMATEX* wfx, TAcmLinearFormat& out) {
  const TAcmLinearFormat f = SampleLayout(wfx);
  if (f.Kind == TAcmSampleKind::None) return false;
  if (f.Extensible) {
    if (wfx->cbSize > WAVE_FORMAT_MAX_EXTRA) return false;
    WAVEFORMATEXTENSIBLE ext;
    std::memcpy(&ext, wfx, sizeof ext);
    if (ext.wValidBitsPerSample > wfx->wBitsPerSample) return false;
  }
  if (f.Channels < 1 || f.Channels > ACM_MAX_CHANNELS) return false;
  if (f.Rate < ACM_MIN_RATE || f.Rate > ACM_MAX_RATE) return false;
  if (wfx->nBlockAlign != f.BlockAlign || wfx->nAvgBytesPerSec != f.Rate * f.BlockAlign) return false;
  out = f;
  return true;
}

void AcmMakeLinear(WAVEFORMATEX* wfx, uint16_t tag, uint32_t rate, uint16_t bits, uint16_t channels) {
  wfx->wFormatTag = tag;
  wfx->nChannels = channels;
  wfx->nSamplesPerSec = rate;
  wfx->nBlockAlign = uint16_t(channels * (bits / 8));
  wfx->nAvgBytesPerSec = rate * wfx->nBlockAlign;
  wfx->wBitsPerSample = bits;
  wfx->cbSize = 0;
}

bool AcmSuggestLinear(const TAcmLinearFormat& src, WAVEFORMATEX* dst, uint32_t flags, uint16_t tag, uint16_t bits) {
  if (flags & ACM_FORMATSUGGESTF_WFORMATTAG) tag = dst->wFormatTag;
  if (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT) return false;
  const uint16_t channels = (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? dst->nChannels : src.Channels;
  const uint32_t rate = (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? dst->nSamplesPerSec : src.Rate;
  if (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) bits = dst->wBitsPerSample;
  AcmMakeLinear(dst, tag, rate, bits, channels);
  TAcmLinearFormat check;
  return AcmParseLinear(dst, check);
}

std::string AcmFormatText(uint32_t rate, uint16_t bits, uint16_t channels, const char* suffix) {
  char text[ACMFORMATDETAILS_FORMAT_CHARS];
  const char* layout = channels == 1 ? "Mono" : channels == 2 ? "Stereo" : nullptr;
  char many[24];
  if (!layout) {
    std::snprintf(many, sizeof many, "%u Channels", unsigned(channels));
    layout = many;
  }
  if (bits)
    std::snprintf(text, sizeof text, "%u.%03u kHz, %u Bit, %s%s", rate / 1000, rate % 1000, unsigned(bits), layout,
                  suffix);
  else
    std::snprintf(text, sizeof text, "%u.%03u kHz, %s%s", rate / 1000, rate % 1000, layout, suffix);
  return text;
}

void AcmCopyText(char* field, size_t fieldSize, const std::string& text) {
  if (fieldSize == 0) return;
  const size_t n = std::min(fieldSize - 1, text.size());
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}
