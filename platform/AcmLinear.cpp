#include "AcmLinear.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace {

// Input is handed to the resampler in pieces of at most this many frames, so
// the scratch buffers for 24-bit samples have a size fixed at open.
constexpr int kChunkFrames = 4096;
// The resampler works in chunks of its own: it holds up to about 1500 input
// frames (or 1300 output frames) and then releases them at once. Sizes given
// to callers cover that burst so that a buffer sized once never stalls.
constexpr int64_t kHeldFrames = 2048;

AVSampleFormat SampleFormat(TAcmSampleKind kind) {
  switch (kind) {
    case TAcmSampleKind::U8: return AV_SAMPLE_FMT_U8;
    case TAcmSampleKind::S16: return AV_SAMPLE_FMT_S16;
    case TAcmSampleKind::S24:  // carried as 32-bit around the resampler
    case TAcmSampleKind::S32: return AV_SAMPLE_FMT_S32;
    case TAcmSampleKind::F32: return AV_SAMPLE_FMT_FLT;
    case TAcmSampleKind::F64: return AV_SAMPLE_FMT_DBL;
    default: return AV_SAMPLE_FMT_NONE;
  }
}

bool Narrow(TAcmSampleKind kind) { return kind == TAcmSampleKind::U8 || kind == TAcmSampleKind::S16; }

void Unpack24(const uint8_t* src, int32_t* dst, size_t samples) {
  for (size_t i = 0; i < samples; ++i, src += 3)
    dst[i] = int32_t(uint32_t(src[0]) << 8 | uint32_t(src[1]) << 16 | uint32_t(src[2]) << 24);
}

void Pack24(const int32_t* src, uint8_t* dst, size_t samples) {
  for (size_t i = 0; i < samples; ++i, dst += 3) {
    // Round to the nearest 24-bit value; the top of the range would overflow.
    const int64_t rounded = std::min<int64_t>((int64_t(src[i]) + 128) >> 8, 0x7FFFFF);
    const uint32_t v = uint32_t(int32_t(rounded));
    dst[0] = uint8_t(v);
    dst[1] = uint8_t(v >> 8);
    dst[2] = uint8_t(v >> 16);
  }
}

class TLinearStream final : public IAcmStream {
 public:
  TLinearStream(const TAcmLinearFormat& src, const TAcmLinearFormat& dst) : FSrc(src), FDst(dst) {}
  ~TLinearStream() override { swr_free(&FSwr); }
  TLinearStream(const TLinearStream&) = delete;
  TLinearStream& operator=(const TLinearStream&) = delete;

  bool Init() {
    AVChannelLayout in, out;
    av_channel_layout_default(&in, FSrc.Channels);
    av_channel_layout_default(&out, FDst.Channels);
    const int r = swr_alloc_set_opts2(&FSwr, &out, SampleFormat(FDst.Kind), int(FDst.Rate), &in,
                                      SampleFormat(FSrc.Kind), int(FSrc.Rate), 0, nullptr);
    if (r < 0 || !FSwr) return false;
    if (FSrc.Rate != FDst.Rate) {
      if (av_opt_set_int(FSwr, "resampler", SWR_ENGINE_SOXR, 0) < 0) return false;
      // 8- and 16-bit samples are resampled in float rather than in 16 bits:
      // a fifth faster, rounded once at the end with no noise added, and the
      // same file converts to the same bytes every time.
      if (Narrow(FSrc.Kind) && Narrow(FDst.Kind) &&
          av_opt_set_sample_fmt(FSwr, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0) < 0)
        return false;
    }
    if (!Start()) return false;
    if (FSrc.Kind == TAcmSampleKind::S24) FIn24.resize(size_t(kChunkFrames) * FSrc.Channels);
    if (FSrc.Rate != FDst.Rate) FHeld = kHeldFrames * std::max<int64_t>(1, (FDst.Rate + FSrc.Rate - 1) / FSrc.Rate);
    if (FDst.Kind == TAcmSampleKind::S24) FOut24.resize(size_t(WorstCase(kChunkFrames)) * FDst.Channels);
    return true;
  }

  uint32_t DestinationSize(uint32_t srcBytes) override {
    const uint32_t frames = srcBytes / FSrc.BlockAlign;
    if (frames == 0) return 0;
    return uint32_t(std::min<int64_t>(WorstCase(frames) * FDst.BlockAlign, UINT32_MAX / 2));
  }

  uint32_t SourceSize(uint32_t dstBytes) override {
    const int64_t room = int64_t(dstBytes / FDst.BlockAlign) - FHeld - 1;
    if (room <= 0) return 0;
    return uint32_t(std::min<int64_t>(room * FSrc.Rate / FDst.Rate, UINT32_MAX / FSrc.BlockAlign) * FSrc.BlockAlign);
  }

  MMRESULT Convert(const uint8_t* src, uint32_t srcLen, uint8_t* dst, uint32_t dstLen, uint32_t flags,
                   uint32_t& srcUsed, uint32_t& dstUsed) override {
    const int64_t srcFrames = srcLen / FSrc.BlockAlign;
    const int64_t dstFrames = dstLen / FDst.BlockAlign;
    int64_t used = 0, produced = 0;
    // A flushed resampler takes no more input: finish the flush, then start afresh.
    if (FDraining && Drain(dst, dstFrames, produced)) FDraining = false;
    while (!FDraining && used < srcFrames) {
      const int n = int(MaxInputFor(dstFrames - produced, std::min<int64_t>(kChunkFrames, srcFrames - used)));
      if (n == 0) break;
      const int got = Run(src + used * FSrc.BlockAlign, n, dst + produced * FDst.BlockAlign, dstFrames - produced);
      if (got < 0) return ACMERR_NOTPOSSIBLE;
      used += n;
      produced += got;
    }
    if ((flags & ACM_STREAMCONVERTF_END) && !FDraining && used == srcFrames)
      FDraining = !Drain(dst, dstFrames, produced);
    srcUsed = uint32_t(used * FSrc.BlockAlign);
    dstUsed = uint32_t(produced * FDst.BlockAlign);
    return MMSYSERR_NOERROR;
  }

  void Reset() override {
    swr_close(FSwr);
    Start();
    FDraining = false;
  }

 private:
  // Flushes what the resampler holds into dst; true when it is empty (and reset).
  bool Drain(uint8_t* dst, int64_t dstFrames, int64_t& produced) {
    while (produced < dstFrames) {
      const int got = Run(nullptr, 0, dst + produced * FDst.BlockAlign, dstFrames - produced);
      if (got <= 0) {
        Reset();
        return true;
      }
      produced += got;
    }
    return false;
  }

  bool Start() {
    if (FSrc.Channels != FDst.Channels) {
      // Our own mixing: a mono source on both sides, a stereo source averaged.
      const double down[2] = {0.5, 0.5};
      const double up[2] = {1.0, 1.0};
      const bool toMono = FDst.Channels == 1;
      if (swr_set_matrix(FSwr, toMono ? down : up, toMono ? 2 : 1) < 0) return false;
    }
    return swr_init(FSwr) >= 0;
  }

  // Output frames n input frames may release at most, whatever the resampler holds now.
  int64_t WorstCase(int64_t n) const { return (n * FDst.Rate + FSrc.Rate - 1) / FSrc.Rate + FHeld + 1; }

  // The most frames converting n input frames can produce, counting what the resampler holds now.
  int64_t OutFramesBound(int64_t n) {
    const int b = swr_get_out_samples(FSwr, int(std::min<int64_t>(n, INT32_MAX / 2)));
    return std::max(b, 0);
  }

  // The largest input (at most limit frames) whose output surely fits room frames.
  int64_t MaxInputFor(int64_t room, int64_t limit) {
    if (limit <= 0 || room <= 0) return 0;
    if (FDst.Kind == TAcmSampleKind::S24) room = std::min<int64_t>(room, int64_t(FOut24.size() / FDst.Channels));
    if (OutFramesBound(limit) <= room) return limit;
    // The bound grows with the input at the rate ratio; start from that estimate and step down.
    int64_t n = std::min<int64_t>(limit, (room - OutFramesBound(0)) * FSrc.Rate / FDst.Rate);
    while (n > 0 && OutFramesBound(n) > room) n -= std::max<int64_t>(1, n / 64);
    return std::max<int64_t>(n, 0);
  }

  int Run(const uint8_t* in, int n, uint8_t* out, int64_t room) {
    const uint8_t* inPtr = in;
    if (in && FSrc.Kind == TAcmSampleKind::S24) {
      Unpack24(in, FIn24.data(), size_t(n) * FSrc.Channels);
      inPtr = reinterpret_cast<const uint8_t*>(FIn24.data());
    }
    uint8_t* outPtr = out;
    if (FDst.Kind == TAcmSampleKind::S24) {
      room = std::min<int64_t>(room, int64_t(FOut24.size() / FDst.Channels));
      outPtr = reinterpret_cast<uint8_t*>(FOut24.data());
    }
    const uint8_t* inPlanes[1] = {inPtr};
    uint8_t* outPlanes[1] = {outPtr};
    const int got = swr_convert(FSwr, outPlanes, int(std::min<int64_t>(room, INT32_MAX)), in ? inPlanes : nullptr, n);
    if (got > 0 && FDst.Kind == TAcmSampleKind::S24) Pack24(FOut24.data(), out, size_t(got) * FDst.Channels);
    return got;
  }

  TAcmLinearFormat FSrc, FDst;
  SwrContext* FSwr = nullptr;
  int64_t FHeld = 0;                   // output frames the resampler may hold back
  bool FDraining = false;              // an END flush did not fit the destination yet
  std::vector<int32_t> FIn24, FOut24;  // 24-bit samples widened around the resampler
};

}  // namespace

std::unique_ptr<IAcmStream> AcmOpenLinearStream(const TAcmLinearFormat& src, const TAcmLinearFormat& dst) {
  auto stream = std::make_unique<TLinearStream>(src, dst);
  if (!stream->Init()) return nullptr;
  return stream;
}

std::unique_ptr<IAcmStream> AcmOpenLinearStream(const WAVEFORMATEX* src, const WAVEFORMATEX* dst) {
  TAcmLinearFormat s, d;
  if (!AcmParseLinear(src, s) || !AcmParseLinear(dst, d)) return nullptr;
  return AcmOpenLinearStream(s, d);
}
