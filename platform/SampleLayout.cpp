#include "SampleLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

TAcmSampleKind IntegerKind(uint16_t bits) {
  switch (bits) {
    case 8: return TAcmSampleKind::U8;
    case 16: return TAcmSampleKind::S16;
    case 24: return TAcmSampleKind::S24;
    case 32: return TAcmSampleKind::S32;
    default: return TAcmSampleKind::None;
  }
}

TAcmSampleKind FloatKind(uint16_t bits) {
  return bits == 32 ? TAcmSampleKind::F32 : bits == 64 ? TAcmSampleKind::F64 : TAcmSampleKind::None;
}

TAcmSampleKind KindOf(const WAVEFORMATEX* wfx) {
  const uint16_t bits = wfx->wBitsPerSample;
  switch (wfx->wFormatTag) {
    case WAVE_FORMAT_PCM: return IntegerKind(bits);
    case WAVE_FORMAT_IEEE_FLOAT: return FloatKind(bits);
    case WAVE_FORMAT_EXTENSIBLE: {
      // Without its whole extension the record does not say what its samples are.
      if (wfx->cbSize < WAVE_FORMAT_EXTENSIBLE_EXTRA) return TAcmSampleKind::None;
      WAVEFORMATEXTENSIBLE ext;
      std::memcpy(&ext, wfx, sizeof ext);
      if (std::memcmp(ext.SubFormat, KSDATAFORMAT_SUBTYPE_PCM, 16) == 0) return IntegerKind(bits);
      if (std::memcmp(ext.SubFormat, KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 16) == 0) return FloatKind(bits);
      return TAcmSampleKind::None;
    }
    default: return TAcmSampleKind::None;
  }
}

// Scales one sample by num/den (den > 0) towards the kind's silence.
void ScaleSample(TAcmSampleKind kind, uint8_t* p, int64_t num, int64_t den) {
  switch (kind) {
    case TAcmSampleKind::U8: *p = static_cast<uint8_t>((int64_t{*p} - 128) * num / den + 128); break;
    case TAcmSampleKind::F32: {
      float v;
      std::memcpy(&v, p, sizeof v);
      v = static_cast<float>(v * static_cast<double>(num) / static_cast<double>(den));
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case TAcmSampleKind::F64: {
      double v;
      std::memcpy(&v, p, sizeof v);
      v = v * static_cast<double>(num) / static_cast<double>(den);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case TAcmSampleKind::S16:
    case TAcmSampleKind::S24:
    case TAcmSampleKind::S32: {
      const uint32_t bytes = SampleBytes(kind);
      int64_t v = 0;
      for (uint32_t b = 0; b < bytes; ++b) v |= int64_t{p[b]} << (8 * b);
      const int shift = 64 - static_cast<int>(8 * bytes);
      v = static_cast<int64_t>(static_cast<uint64_t>(v) << shift) >> shift;  // sign-extend
      v = v * num / den;
      for (uint32_t b = 0; b < bytes; ++b) p[b] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * b));
      break;
    }
    case TAcmSampleKind::None: break;
  }
}

// The extremes of little-endian signed samples of type T; full scale is T's range.
template <class T>
TSamplePeak SignedPeak(const uint8_t* p, uint32_t size) {
  T lo = 0, hi = 0;
  for (uint32_t i = 0; i + sizeof(T) <= size; i += sizeof(T)) {
    T v;
    std::memcpy(&v, p + i, sizeof(T));
    lo = std::min(lo, v), hi = std::max(hi, v);
  }
  return {std::max(-double(lo), double(hi)) / -double(std::numeric_limits<T>::min()),
          lo == std::numeric_limits<T>::min() || hi == std::numeric_limits<T>::max()};
}

template <class T>
TSamplePeak FloatPeak(const uint8_t* p, uint32_t size) {
  T peak = 0;
  for (uint32_t i = 0; i + sizeof(T) <= size; i += sizeof(T)) {
    T v;
    std::memcpy(&v, p + i, sizeof(T));
    peak = std::max(peak, std::fabs(v));
  }
  return {double(peak), peak >= T(1)};
}

}  // namespace

uint32_t SampleBytes(TAcmSampleKind kind) {
  switch (kind) {
    case TAcmSampleKind::U8: return 1;
    case TAcmSampleKind::S16: return 2;
    case TAcmSampleKind::S24: return 3;
    case TAcmSampleKind::S32:
    case TAcmSampleKind::F32: return 4;
    case TAcmSampleKind::F64: return 8;
    case TAcmSampleKind::None: break;
  }
  return 0;
}

TAcmLinearFormat SampleLayout(const WAVEFORMATEX* wfx) {
  TAcmLinearFormat f;
  const TAcmSampleKind kind = KindOf(wfx);
  const uint32_t frame = SampleBytes(kind) * wfx->nChannels;
  if (kind == TAcmSampleKind::None || frame > std::numeric_limits<uint16_t>::max()) return f;
  f.Kind = kind;
  f.Channels = wfx->nChannels;
  f.Rate = wfx->nSamplesPerSec;
  f.BlockAlign = static_cast<uint16_t>(frame);
  f.Extensible = wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE;
  return f;
}

void FadeSamples(const TAcmLinearFormat& layout, void* data, uint32_t size, bool fadeIn) {
  const uint32_t sampleBytes = SampleBytes(layout.Kind);
  if (sampleBytes == 0 || !data) return;
  const uint32_t channels = std::max<uint32_t>(layout.Channels, 1);
  const uint32_t frames = size / (sampleBytes * channels);
  auto* p = static_cast<uint8_t*>(data);
  for (uint32_t i = 0; i < frames; ++i) {
    // In: 0, 1/n, ... (n-1)/n; out: 1, (n-1)/n, ... 1/n.
    const int64_t num = fadeIn ? i : frames - i;
    for (uint32_t c = 0; c < channels; ++c, p += sampleBytes) ScaleSample(layout.Kind, p, num, frames);
  }
}

TSamplePeak MeasureSamplePeak(TAcmSampleKind kind, const void* data, uint32_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (!p) return {};
  // Each loop keeps the largest and smallest sample: one compare each, no branches on sign.
  switch (kind) {
    case TAcmSampleKind::U8: {
      uint8_t lo = 128, hi = 128;
      for (uint32_t i = 0; i < size; ++i) lo = std::min(lo, p[i]), hi = std::max(hi, p[i]);
      return {std::max(128 - lo, hi - 128) / 128.0, lo == 0 || hi == 255};
    }
    case TAcmSampleKind::S16: return SignedPeak<int16_t>(p, size);
    case TAcmSampleKind::S24: {
      int32_t lo = 0, hi = 0;
      for (uint32_t i = 0; i + 3 <= size; i += 3) {
        const int32_t v =
            static_cast<int32_t>(uint32_t(p[i]) << 8 | uint32_t(p[i + 1]) << 16 | uint32_t(p[i + 2]) << 24) >> 8;
        lo = std::min(lo, v), hi = std::max(hi, v);
      }
      return {std::max(-double(lo), double(hi)) / 8388608.0, lo == -8388608 || hi == 8388607};
    }
    case TAcmSampleKind::S32: return SignedPeak<int32_t>(p, size);
    case TAcmSampleKind::F32: return FloatPeak<float>(p, size);
    case TAcmSampleKind::F64: return FloatPeak<double>(p, size);
    case TAcmSampleKind::None: break;
  }
  return {};
}
