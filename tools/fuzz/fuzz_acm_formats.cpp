// Random formats (two 512-byte buffers) and data thrown at the codec
// manager: suggestion, query, open, size, prepare, convert, details.
#include <cstdint>
#include <cstring>
#include <vector>

#include "deACM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 * WAVE_FORMAT_BUFFER_SIZE + 4) return 0;
  alignas(8) uint8_t src[WAVE_FORMAT_BUFFER_SIZE], dst[WAVE_FORMAT_BUFFER_SIZE];
  std::memcpy(src, data, sizeof src);
  std::memcpy(dst, data + sizeof src, sizeof dst);
  const uint8_t* rest = data + 2 * WAVE_FORMAT_BUFFER_SIZE;
  const uint32_t suggestFlags = uint32_t(rest[0] & 0x0F) << 16;
  // START and END as a caller gives them: START on the first call, END on the
  // last, and at most one END midway (flush, then more). An END on every call
  // would rebuild the resampler's filter each time, a cost no caller asks for.
  const bool startFirst = rest[1] & 0x02, endLast = rest[1] & 0x04, flushMidway = rest[1] & 0x01;
  const uint32_t strayFlag = rest[1] & 0x08;  // not a flag of the manager's: refused
  const uint32_t convertFlags = strayFlag | ACM_STREAMCONVERTF_BLOCKALIGN;
  const uint32_t blockBytes = 1 + rest[2] * 37u;
  const bool realTime = rest[3] & 1;
  const uint8_t* audio = rest + 4;
  const size_t audioSize = size - 2 * WAVE_FORMAT_BUFFER_SIZE - 4;
  auto* s = reinterpret_cast<WAVEFORMATEX*>(src);
  auto* d = reinterpret_cast<WAVEFORMATEX*>(dst);

  alignas(8) uint8_t suggested[WAVE_FORMAT_BUFFER_SIZE];
  std::memcpy(suggested, dst, sizeof suggested);
  acmFormatSuggest(nullptr, s, reinterpret_cast<WAVEFORMATEX*>(suggested), WAVE_FORMAT_BUFFER_SIZE, suggestFlags);

  ACMFORMATDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = s->wFormatTag;
  details.pwfx = s;
  details.cbwfx = WAVE_FORMAT_BUFFER_SIZE;
  acmFormatDetails(nullptr, &details, ACM_FORMATDETAILSF_FORMAT);
  TdeWaveFormat format;
  std::memcpy(format.WaveFormat(), src, sizeof src);
  (void)format.Description();
  TdeWaveFormat other;
  try {
    other.SuggestPCM(&format);
  } catch (const EACMError&) {
  }

  const uint32_t openFlags = realTime ? 0 : ACM_STREAMOPENF_NONREALTIME;
  const MMRESULT query = acmStreamOpen(nullptr, nullptr, s, d, nullptr, 0, 0, openFlags | ACM_STREAMOPENF_QUERY);
  HACMSTREAM has = nullptr;
  const MMRESULT open = acmStreamOpen(&has, nullptr, s, d, nullptr, 0, 0, openFlags);
  if ((query == 0) != (open == 0)) __builtin_trap();  // query must answer exactly as open does
  if (open != 0) return 0;

  std::vector<uint8_t> in(3 * blockBytes);
  uint32_t outSize = 0;
  if (acmStreamSize(has, uint32_t(in.size()), &outSize, ACM_STREAMSIZEF_SOURCE) == 0 && outSize < (64u << 20)) {
    std::vector<uint8_t> out(outSize);
    ACMSTREAMHEADER h = {};
    h.cbStruct = sizeof h;
    h.pbSrc = in.data();
    h.cbSrcLength = uint32_t(in.size());
    h.pbDst = out.data();
    h.cbDstLength = uint32_t(out.size());
    if (acmStreamPrepareHeader(has, &h, 0) == 0) {
      uint32_t fill = 0;
      bool first = true, flushed = false;
      for (size_t pos = 0; pos < audioSize;) {
        const uint32_t n = uint32_t(std::min<size_t>({blockBytes, audioSize - pos, in.size() - fill}));
        std::memcpy(in.data() + fill, audio + pos, n);
        pos += n;
        fill += n;
        h.cbSrcLength = fill;
        uint32_t flags = convertFlags;
        if (first && startFirst) flags |= ACM_STREAMCONVERTF_START;
        if (pos == audioSize ? endLast : flushMidway && !flushed && pos >= audioSize / 2) {
          flags |= ACM_STREAMCONVERTF_END;
          flushed = pos != audioSize;
        }
        first = false;
        if (acmStreamConvert(has, &h, flags) != 0) break;
        if (h.cbSrcLengthUsed > fill || h.cbDstLengthUsed > out.size()) __builtin_trap();
        std::memmove(in.data(), in.data() + h.cbSrcLengthUsed, fill - h.cbSrcLengthUsed);
        fill -= h.cbSrcLengthUsed;
        if (n == 0) break;  // the stream stopped consuming
      }
      h.cbSrcLength = uint32_t(in.size());
      acmStreamUnprepareHeader(has, &h, 0);
    }
  }
  acmStreamClose(has, 0);
  return 0;
}
