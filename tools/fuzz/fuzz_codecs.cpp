// Garbage decoded through every format of every compressed-codec driver, in
// pieces of varying size: a damaged file must never crash or overrun.
// Input: format index (2 bytes), piece size (1 byte), flags (1 byte), data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "AcmAvCodec.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

struct TFormatBuffer {
  alignas(8) uint8_t Bytes[WAVE_FORMAT_BUFFER_SIZE];
};

const std::vector<TFormatBuffer>& Formats() {
  static const std::vector<TFormatBuffer> all = [] {
    std::vector<TFormatBuffer> v;
    for (const IAcmDriver* d :
         {&AcmG711Driver(), &AcmImaAdpcmDriver(), &AcmMsAdpcmDriver(), &AcmGsm610Driver(), &AcmMp3Driver()})
      for (const auto& tag : d->FormatTags())
        for (uint32_t i = 0; i < d->FormatCount(tag.Tag); ++i) {
          TFormatBuffer f{};
          if (d->EnumFormat(tag.Tag, i, reinterpret_cast<WAVEFORMATEX*>(f.Bytes))) v.push_back(f);
        }
    return v;
  }();
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const auto& formats = Formats();
  const auto* coded = reinterpret_cast<const WAVEFORMATEX*>(formats[(data[0] | data[1] << 8) % formats.size()].Bytes);
  const size_t piece = 1 + data[2] * 16u;
  const uint8_t flags = data[3];
  data += 4;
  size -= 4;

  alignas(8) uint8_t pcmBuffer[WAVE_FORMAT_BUFFER_SIZE] = {};
  auto* pcm = reinterpret_cast<WAVEFORMATEX*>(pcmBuffer);
  AcmMakeLinear(
      pcm, WAVE_FORMAT_PCM, coded->nSamplesPerSec,
      (flags & 1) && (coded->wFormatTag == WAVE_FORMAT_ALAW || coded->wFormatTag == WAVE_FORMAT_MULAW) ? 8 : 16,
      coded->nChannels);
  const IAcmDriver* driver = nullptr;
  for (const IAcmDriver* d : AcmDrivers())
    if (d->Accepts(coded, pcm, false)) {
      driver = d;
      break;
    }
  if (!driver) std::abort();  // every enumerated format decodes
  std::unique_ptr<IAcmStream> stream;
  if (driver->Open(coded, pcm, false, stream) != MMSYSERR_NOERROR || !stream) return 0;

  std::vector<uint8_t> held, out;
  for (size_t off = 0; off <= size; off += piece) {
    held.insert(held.end(), data + off, data + std::min(size, off + piece));
    const bool end = off + piece > size && (flags & 2);
    const uint32_t cap = end ? 1 << 16 : stream->DestinationSize(uint32_t(held.size()));
    if (cap == 0) continue;
    out.assign(cap + 1, 0x5A);
    uint32_t used = 0, produced = 0;
    stream->Convert(held.data(), uint32_t(held.size()), out.data(), cap, end ? ACM_STREAMCONVERTF_END : 0, used,
                    produced);
    if (used > held.size() || produced > cap || out[cap] != 0x5A) std::abort();
    if (coded->nBlockAlign > 1 && coded->wFormatTag != WAVE_FORMAT_MPEGLAYER3 && used % coded->nBlockAlign)
      std::abort();
    held.erase(held.begin(), held.begin() + used);
    if (flags & 4) stream->Reset();
  }
  return 0;
}
