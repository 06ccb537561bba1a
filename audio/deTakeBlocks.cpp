#include "deTakeBlocks.h"

#include <algorithm>

#include "deACM.h"

namespace {

constexpr int OffsetBits = 54;
constexpr uint64_t OffsetMask = (uint64_t(1) << OffsetBits) - 1;

// One MP3 frame header with what the index needs of the side information.
struct TMp3Header {
  uint32_t Length = 0;  // bytes of the frame, header included
  uint32_t Rate = 0;
  uint32_t Samples = 0;    // sample frames it decodes to
  uint32_t SideBytes = 0;  // header, check word and side information
  uint32_t MainDataBegin = 0;
  bool Mpeg1 = false;
};

// The header bytes the parse reads: header, check word, the first side byte pair.
constexpr int Mp3PeekBytes = 8;

bool ParseMp3Header(const uint8_t* p, TMp3Header& h) {
  static constexpr uint16_t Mpeg1Kbits[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  static constexpr uint16_t Mpeg2Kbits[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static constexpr uint32_t Mpeg1Rates[3] = {44100, 48000, 32000};
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int version = (p[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
  const int layer = (p[1] >> 1) & 3;    // 1: layer III
  const int bitIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3;
  // Free-format frames give no length; they are not indexed.
  if (version == 1 || layer != 1 || bitIndex == 0 || bitIndex == 15 || rateIndex == 3) return false;
  const bool crc = (p[1] & 1) == 0, padding = (p[2] >> 1) & 1, mono = (p[3] >> 6) == 3;
  h.Mpeg1 = version == 3;
  h.Rate = Mpeg1Rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const uint32_t kbits = h.Mpeg1 ? Mpeg1Kbits[bitIndex] : Mpeg2Kbits[bitIndex];
  h.Samples = h.Mpeg1 ? 1152 : 576;
  h.Length = (h.Mpeg1 ? 144000 : 72000) * kbits / h.Rate + padding;
  h.SideBytes = 4 + (crc ? 2 : 0) + (h.Mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  const uint8_t* side = p + 4 + (crc ? 2 : 0);
  h.MainDataBegin = h.Mpeg1 ? (uint32_t(side[0]) << 1 | side[1] >> 7) : side[0];
  return h.Length > h.SideBytes;
}

// Reads the stream in large pieces for a forward walk with short look-ups.
class TChunkReader {
 public:
  explicit TChunkReader(TStream& s) : S(s), Buffer(size_t(1) << 16) {}
  // The n bytes at pos, or nullptr when the stream ends before them.
  const uint8_t* At(int64_t pos, int n) {
    if (pos < Start || pos + n > Start + Length) {
      S.SetPosition(pos);
      Start = pos;
      Length = 0;
      while (Length < int64_t(Buffer.size())) {
        const int32_t got = S.Read(Buffer.data() + Length, int32_t(Buffer.size() - size_t(Length)));
        if (got <= 0) break;
        Length += got;
      }
    }
    return pos + n <= Start + Length ? Buffer.data() + (pos - Start) : nullptr;
  }

 private:
  TStream& S;
  std::vector<uint8_t> Buffer;
  int64_t Start = 0, Length = 0;
};

}  // namespace

TdeTakeBlocks::TdeTakeBlocks(const TdeWaveFormat& format, TStream& data) {
  const int64_t size = std::max<int64_t>(data.Size(), 0);
  const uint16_t tag = format.FormatTag();
  if (tag == WAVE_FORMAT_MPEGLAYER3) {
    const int64_t was = data.Position();
    IndexMp3(format, data);
    data.SetPosition(was);
    return;
  }
  FBlockBytes = std::max<int64_t>(format.BlockAlign(), 1);
  const bool coded = tag == WAVE_FORMAT_ADPCM || tag == WAVE_FORMAT_IMA_ADPCM || tag == WAVE_FORMAT_GSM610;
  if (coded && format.ExtraSize() >= 2) {
    const auto* extra = reinterpret_cast<const uint8_t*>(format.WaveFormat()) + sizeof(WAVEFORMATEX);
    FBlockFrames = std::max(extra[0] | extra[1] << 8, 1);
  }
  if (tag == WAVE_FORMAT_GSM610) FWarmUp = GsmWarmUpBlocks;
  FBlocks = size / FBlockBytes;
  FFrames = FBlocks * FBlockFrames;
  FEndOffset = FBlocks * FBlockBytes;
}

void TdeTakeBlocks::IndexMp3(const TdeWaveFormat& format, TStream& data) {
  const int64_t size = data.Size();
  TChunkReader reader(data);
  TMp3Header h, next;
  int64_t pos = 0;
  bool inSync = true;  // the last frame ended where this one starts
  bool first = true;
  while (const uint8_t* p = reader.At(pos, Mp3PeekBytes)) {
    bool ok = ParseMp3Header(p, h) && h.Rate == format.SamplesPerSec() && pos + h.Length <= size;
    // Past damage a stray sync pattern is taken only when the next frame follows it.
    if (ok && !inSync && pos + h.Length + Mp3PeekBytes <= size) {
      const uint8_t* q = reader.At(pos + h.Length, Mp3PeekBytes);
      ok = q && ParseMp3Header(q, next) && next.Rate == h.Rate;
      reader.At(pos, Mp3PeekBytes);
    }
    if (!ok) {
      inSync = false;
      ++pos;
      continue;
    }
    if (first) {
      FBlockFrames = h.Samples;
      FMp3SideBytes = h.SideBytes;
      // Each granule leans on the two before it: one frame back of two granules, two of one.
      FMp3OverlapFrames = h.Mpeg1 ? 1 : 2;
      first = false;
    }
    FMp3.push_back(uint64_t(pos) | uint64_t(h.MainDataBegin) << OffsetBits);
    pos += h.Length;
    inSync = true;
    FEndOffset = pos;
  }
  FBlocks = int64_t(FMp3.size());
  FFrames = FBlocks * FBlockFrames;
}

int64_t TdeTakeBlocks::Mp3Offset(int64_t index) const {
  return index < FBlocks ? int64_t(FMp3[size_t(index)] & OffsetMask) : FEndOffset;
}

int64_t TdeTakeBlocks::Mp3DecodeStart(int64_t index) const {
  const int64_t first = std::max<int64_t>(index - FMp3OverlapFrames, 0);
  // Walk back through the main data of earlier frames (each past its header and side information).
  int64_t need = int64_t(FMp3[size_t(first)] >> OffsetBits);
  int64_t j = first;
  while (need > 0 && j > 0) {
    --j;
    need -= Mp3Offset(j + 1) - Mp3Offset(j) - FMp3SideBytes;
  }
  return j;
}

TdeTakeBlocks::TEntry TdeTakeBlocks::Block(int64_t index) const {
  index = std::clamp<int64_t>(index, 0, FBlocks);
  TEntry e{index * FBlockFrames, 0, 0, 0};
  if (!FMp3.empty() || FBlockBytes == 0) {
    e.Offset = Mp3Offset(index);
    const int64_t start = index < FBlocks ? Mp3DecodeStart(index) : index;
    e.DecodeOffset = Mp3Offset(start);
    e.DecodeSkip = (index - start) * FBlockFrames;
    return e;
  }
  e.Offset = index * FBlockBytes;
  const int64_t start = index < FBlocks ? std::max<int64_t>(index - FWarmUp, 0) : index;
  e.DecodeOffset = start * FBlockBytes;
  e.DecodeSkip = (index - start) * FBlockFrames;
  return e;
}

TdeTakeBlocks::TEntry TdeTakeBlocks::BlockAt(int64_t frame) const {
  if (FBlocks == 0) return Block(0);
  return Block(std::clamp<int64_t>(frame, 0, FFrames - 1) / FBlockFrames);
}

TdeTakeBlocks::TEntry TdeTakeBlocks::Nearest(int64_t frame) const {
  frame = std::clamp<int64_t>(frame, 0, FFrames);
  return Block((frame + FBlockFrames / 2) / FBlockFrames);
}
