#include "LinkTestSupport.h"

#include "PcmFormat.h"

#include <cmath>
#include <numbers>

std::unique_ptr<TdeWaveFormat> Pcm(uint32_t rate, uint16_t bits, uint16_t channels) {
  auto f = std::make_unique<TdeWaveFormat>();
  SetPcmFormat(*f, rate, bits, channels);
  return f;
}

namespace {
struct TWanted {
  uint32_t AvgBytesPerSec;  // 0: any
  bool Found = false;
};
// Stops at the first format of the wanted data rate, keeping it in the buffer.
bool TakeFirst(HACMDRIVERID, ACMFORMATDETAILS* details, uintptr_t instance, uint32_t) {
  auto* wanted = reinterpret_cast<TWanted*>(instance);
  wanted->Found = wanted->AvgBytesPerSec == 0 || details->pwfx->nAvgBytesPerSec == wanted->AvgBytesPerSec;
  return !wanted->Found;
}
}  // namespace

std::unique_ptr<TdeWaveFormat> Enumerated(uint16_t tag, uint32_t rate, uint16_t channels, uint32_t avgBytesPerSec) {
  auto f = std::make_unique<TdeWaveFormat>();
  WAVEFORMATEX* w = f->WaveFormat();
  w->wFormatTag = tag;
  w->nSamplesPerSec = rate;
  w->nChannels = channels;
  ACMFORMATDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = tag;
  details.pwfx = w;
  details.cbwfx = TdeWaveFormat::BufferSize;
  TWanted wanted{avgBytesPerSec};
  acmFormatEnum(nullptr, &details, TakeFirst, reinterpret_cast<uintptr_t>(&wanted),
                ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NSAMPLESPERSEC | ACM_FORMATENUMF_NCHANNELS);
  return wanted.Found ? std::move(f) : nullptr;
}

std::vector<uint8_t> PcmSine(const TdeWaveFormat& format, double hz, size_t frames) {
  const int channels = format.Channels();
  const int bytes = format.BitsPerSample() / 8;
  Assert(bytes == 1 || bytes == 2, "test", "8 or 16 bits");
  std::vector<uint8_t> data(frames * channels * bytes);
  uint8_t* p = data.data();
  for (size_t i = 0; i < frames; ++i) {
    const double v = 0.5 * std::sin(2 * std::numbers::pi * hz * double(i) / format.SamplesPerSec());
    for (int c = 0; c < channels; ++c) {
      if (bytes == 1) {
        *p++ = uint8_t(128 + std::lround(v * 127));
      } else {
        const auto s = int16_t(std::lround(v * 32767));
        *p++ = uint8_t(s & 0xFF);
        *p++ = uint8_t((s >> 8) & 0xFF);
      }
    }
  }
  return data;
}

TSource::TSource(TComponent* owner) : TQComponent(owner), FSubject(std::make_unique<TdeAudioSubject>(this, &Format)) {}

TSource::~TSource() { FSubject.reset(); }

void* TSource::QueryInterface(const TGUID& iid) {
  if (void* role = QueryAudioRole(iid, FSubject.get(), nullptr)) return role;
  return TQComponent::QueryInterface(iid);
}

void TSource::Deliver(const std::vector<uint8_t>& block) {
  FSubject->Notify(FSubject.get(), block.data(), int32_t(block.size()));
}
