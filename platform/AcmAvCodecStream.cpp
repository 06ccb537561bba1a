#include "AcmAvCodecStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace {

// A sample codec (G.711) is fed this many sample frames per libavcodec call.
constexpr uint32_t SampleCodecChunk = 4096;
// The parser reads past its input: it gets copies in a padded buffer of this many bytes.
constexpr uint32_t ParseChunk = 4096;

int16_t FromU8(uint8_t v) { return int16_t((int(v) - 128) << 8); }
uint8_t ToU8(int16_t v) { return uint8_t((v >> 8) + 128); }

// Rounds half to even as lrintf does, inline: adding 1.5 * 2^23 leaves the
// rounded value in the low mantissa bits (exact while |s| < 2^22).
int16_t ClipFloat(float v) {
  // Clamped first, NaN included (it goes to the low end).
  const float s = std::min(std::max(-32768.0f, v * 32768.0f), 32767.0f);
  const float t = s + 12582912.0f;
  int32_t bits;
  std::memcpy(&bits, &t, sizeof bits);
  return int16_t((bits & 0x7FFFFF) - 0x400000);
}

// Float samples to 16 bits as ClipFloat does, four at a time where the
// processor has SSE2 (its conversion rounds half to even too): decoding MP3
// is mostly this, after the decoder itself. Planar stereo is interleaved on
// the way (right may be null for samples already in order).
void FloatsToS16(const float* left, const float* right, int16_t* out, uint32_t samples) {
  uint32_t i = 0;
#if defined(__SSE2__)
  const __m128 scale = _mm_set1_ps(32768.0f), low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
  // Clamped before the conversion, NaN to the low end (max gives its second operand).
  auto four = [&](const float* p) {
    return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(p), scale), low), high));
  };
  if (right) {
    for (; i + 8 <= samples; i += 8) {
      const __m128i l = _mm_packs_epi32(four(left + i), four(left + i + 4));
      const __m128i r = _mm_packs_epi32(four(right + i), four(right + i + 4));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi16(l, r));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 8), _mm_unpackhi_epi16(l, r));
    }
  } else {
    for (; i + 8 <= samples; i += 8)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(four(left + i), four(left + i + 4)));
  }
#endif
  for (; i < samples; ++i) {
    if (right) {
      out[2 * i] = ClipFloat(left[i]);
      out[2 * i + 1] = ClipFloat(right[i]);
    } else {
      out[i] = ClipFloat(left[i]);
    }
  }
}

class TAvCodecStream final : public IAcmStream {
 public:
  explicit TAvCodecStream(const TAvCodecSetup& setup) : S(setup) {}
  ~TAvCodecStream() override { Free(); }

  MMRESULT Init();
  uint32_t DestinationSize(uint32_t srcBytes) override;
  uint32_t SourceSize(uint32_t dstBytes) override;
  MMRESULT Convert(const uint8_t* src, uint32_t srcLen, uint8_t* dst, uint32_t dstLen, uint32_t flags,
                   uint32_t& srcUsed, uint32_t& dstUsed) override;
  void Reset() override;

 private:
  MMRESULT OpenCodec();
  void Free();
  // Bytes of the next chunk of source to hand to the codec (whole blocks), 0 when none.
  uint32_t ChunkBytes(uint32_t avail) const;
  uint64_t WorstOutput(uint64_t srcBytes) const;
  void Encode(const uint8_t* src, uint32_t bytes);
  void Decode(const uint8_t* src, uint32_t bytes);
  void DecodePacket(const uint8_t* data, int size, uint32_t silenceSamples);
  void Flush();
  void DrainEncoder();
  // Output goes straight to the caller's buffer while it fits, else to Pending.
  uint8_t* Reserve(uint32_t bytes);
  void Commit(uint32_t bytes);
  void PutSilence(uint32_t samples);
  bool PutFrame(const AVFrame* f, uint32_t maxSamples);
  void DrainPending();

  TAvCodecSetup S;
  const AVCodec* Codec = nullptr;
  AVCodecContext* Ctx = nullptr;
  AVCodecParserContext* Parser = nullptr;
  AVFrame* Frame = nullptr;
  AVPacket* Packet = nullptr;
  // The decoder's input, a buffer of our own that the packet refers to: a
  // packet owning no buffer is copied into a fresh one by every send.
  AVBufferRef* PacketData = nullptr;
  uint32_t PcmFrameBytes = 0;  // one PCM sample frame, all channels
  uint32_t SrcBlock = 0;       // one whole source block
  uint32_t MaxPacketSamples = 0;
  int64_t Pts = 0;
  bool Dirty = false;    // a delayed encoder has been fed since it was opened
  bool Flushed = false;  // the codec has been drained to its end and must reopen

  std::vector<uint8_t> ParseBuffer;  // ParseChunk bytes and libavcodec's padding, zeroed
  std::vector<uint8_t> Pending;      // sized at Init; never grows
  std::vector<uint8_t> PadBlock;     // the encoder's last frame, padded; sized at Init
  uint32_t PendingStart = 0, PendingLen = 0;
  uint8_t* Out = nullptr;  // the caller's buffer during Convert
  uint32_t OutLen = 0, OutUsed = 0;
  bool Reserved = false;  // the last Reserve went to Pending
};

MMRESULT TAvCodecStream::Init() {
  if (S.Channels < 1 || S.Channels > 2 || (S.PcmBits != 8 && S.PcmBits != 16) || S.Rate == 0) return ACMERR_NOTPOSSIBLE;
  PcmFrameBytes = S.Channels * (S.PcmBits / 8);
  Codec = AvFindCodec(S.Codec, S.Encode);
  if (!Codec) return ACMERR_NOTPOSSIBLE;
  if (MMRESULT rc = OpenCodec()) return rc;
  Packet = av_packet_alloc();
  Frame = av_frame_alloc();
  if (!Packet || !Frame) return MMSYSERR_NOMEM;
  if (S.Encode) {
    if (S.FrameSamples == 0 && Ctx->frame_size > 0) S.FrameSamples = uint32_t(Ctx->frame_size);
    MaxPacketSamples = S.FrameSamples ? S.FrameSamples : SampleCodecChunk;
    SrcBlock = S.FrameSamples ? S.FrameSamples * PcmFrameBytes : PcmFrameBytes;
    Frame->format = Ctx->sample_fmt;
    Frame->sample_rate = Ctx->sample_rate;
    Frame->nb_samples = int(MaxPacketSamples);
    if (av_channel_layout_copy(&Frame->ch_layout, &Ctx->ch_layout) < 0 || av_frame_get_buffer(Frame, 0) < 0)
      return MMSYSERR_NOMEM;
    if (S.MaxPacketBytes == 0) S.MaxPacketBytes = S.FrameSamples ? S.BlockAlign : SampleCodecChunk * S.BlockAlign;
    Pending.resize(size_t(S.HeldPackets + 2) * S.MaxPacketBytes);
    PadBlock.resize(SrcBlock);
  } else if (S.Parse) {
    Parser = av_parser_init(Codec->id);
    if (!Parser) return MMSYSERR_NOMEM;
    if (S.MaxFrameSamples == 0 || S.MaxSamplesPerByte <= 0) return ACMERR_NOTPOSSIBLE;
    SrcBlock = 1;
    MaxPacketSamples = S.MaxFrameSamples;
    ParseBuffer.assign(ParseChunk + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    Pending.resize(size_t(2) * MaxPacketSamples * PcmFrameBytes);
  } else {
    if (S.BlockAlign == 0) return ACMERR_NOTPOSSIBLE;
    SrcBlock = S.BlockAlign;
    MaxPacketSamples = S.FrameSamples ? S.FrameSamples : SampleCodecChunk;
    Pending.resize(size_t(MaxPacketSamples) * PcmFrameBytes);
  }
  return MMSYSERR_NOERROR;
}

// Out of memory, or libavcodec refusing the setup (anything else it reports).
MMRESULT TAvCodecStream::OpenCodec() {
  Ctx = avcodec_alloc_context3(Codec);
  if (!Ctx) return MMSYSERR_NOMEM;
  Ctx->sample_rate = int(S.Rate);
  av_channel_layout_default(&Ctx->ch_layout, S.Channels);
  if (S.BitRate) Ctx->bit_rate = S.BitRate;
  if (S.Encode) {
    // The frame layouts this stream can fill: interleaved or planar 16-bit.
    Ctx->sample_fmt = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat* f = Codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == AV_SAMPLE_FMT_S16 || *f == AV_SAMPLE_FMT_S16P) {
        Ctx->sample_fmt = *f;
        break;
      }
    if (Ctx->sample_fmt == AV_SAMPLE_FMT_NONE) return ACMERR_NOTPOSSIBLE;
  } else {
    Ctx->request_sample_fmt = AV_SAMPLE_FMT_S16;
    Ctx->block_align = int(S.BlockAlign);
  }
  if (S.Configure) S.Configure(Ctx);
  if (const int err = avcodec_open2(Ctx, Codec, nullptr); err < 0)
    return err == AVERROR(ENOMEM) ? MMSYSERR_NOMEM : ACMERR_NOTPOSSIBLE;
  if (S.Encode && Ctx->frame_size > 0 && S.FrameSamples && uint32_t(Ctx->frame_size) != S.FrameSamples)
    return ACMERR_NOTPOSSIBLE;
  Dirty = Flushed = false;
  Pts = 0;
  return MMSYSERR_NOERROR;
}

void TAvCodecStream::Free() {
  avcodec_free_context(&Ctx);
  av_parser_close(Parser);
  Parser = nullptr;
  av_frame_free(&Frame);
  av_packet_free(&Packet);
  av_buffer_unref(&PacketData);
}

uint64_t TAvCodecStream::WorstOutput(uint64_t srcBytes) const {
  const uint64_t blocks = srcBytes / SrcBlock;
  if (S.Encode) {
    if (S.FrameSamples) return (blocks + (blocks ? S.HeldPackets : 0)) * S.MaxPacketBytes;
    return blocks * S.BlockAlign;
  }
  if (S.Parse) {
    if (!srcBytes) return 0;
    // The parser may hold up to one frame from earlier calls.
    const double samples = double(srcBytes + S.MaxFrameSamples) * S.MaxSamplesPerByte + S.MaxFrameSamples;
    return uint64_t(samples) * PcmFrameBytes;
  }
  return blocks * (S.FrameSamples ? S.FrameSamples : 1) * PcmFrameBytes;
}

uint32_t TAvCodecStream::DestinationSize(uint32_t srcBytes) {
  const uint64_t n = WorstOutput(srcBytes);
  if (n == 0) return 0;
  return uint32_t(std::min<uint64_t>(n + PendingLen, UINT32_MAX));
}

uint32_t TAvCodecStream::SourceSize(uint32_t dstBytes) {
  if (dstBytes <= PendingLen) return 0;
  const uint64_t room = dstBytes - PendingLen;
  // WorstOutput grows with the block count: search the largest count that fits.
  uint64_t lo = 0, hi = uint64_t(UINT32_MAX) / SrcBlock;
  while (lo < hi) {
    const uint64_t mid = (lo + hi + 1) / 2;
    if (WorstOutput(mid * SrcBlock) <= room)
      lo = mid;
    else
      hi = mid - 1;
  }
  return uint32_t(lo * SrcBlock);
}

uint32_t TAvCodecStream::ChunkBytes(uint32_t avail) const {
  if (S.Parse) return std::min(avail, ParseChunk);
  if (avail < SrcBlock) return 0;
  if (S.FrameSamples) return SrcBlock;
  return std::min(avail / SrcBlock, SampleCodecChunk) * SrcBlock;
}

MMRESULT TAvCodecStream::Convert(const uint8_t* src, uint32_t srcLen, uint8_t* dst, uint32_t dstLen, uint32_t flags,
                                 uint32_t& srcUsed, uint32_t& dstUsed) {
  srcUsed = dstUsed = 0;
  if (Flushed) {
    // A codec drained to its end takes no more input; start it afresh.
    avcodec_free_context(&Ctx);
    if (MMRESULT rc = OpenCodec()) return rc;
  }
  Out = dst;
  OutLen = dstLen;
  OutUsed = 0;
  DrainPending();
  while (PendingLen == 0 && OutUsed < OutLen) {
    const uint32_t n = ChunkBytes(srcLen - srcUsed);
    if (n == 0) break;
    if (S.Encode)
      Encode(src + srcUsed, n);
    else if (S.Parse) {
      // The parser takes what it can; every byte it takes is used.
      uint8_t* data = nullptr;
      int size = 0;
      std::memcpy(ParseBuffer.data(), src + srcUsed, n);
      const int used =
          av_parser_parse2(Parser, Ctx, &data, &size, ParseBuffer.data(), int(n), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
      if (used < 0) return ACMERR_NOTPOSSIBLE;
      srcUsed += uint32_t(used);
      if (size > 0)
        DecodePacket(data, size, 0);
      else if (used == 0)
        break;
      DrainPending();
      continue;
    } else
      Decode(src + srcUsed, n);
    srcUsed += n;
    DrainPending();
  }
  if ((flags & ACM_STREAMCONVERTF_END) && PendingLen == 0 && srcLen - srcUsed < SrcBlock && !Flushed) {
    if (S.Encode && srcLen > srcUsed) {
      // The last partial frame goes out padded with silence, so the end of the input is kept.
      const uint32_t tail = srcLen - srcUsed;
      std::memcpy(PadBlock.data(), src + srcUsed, tail);
      std::memset(PadBlock.data() + tail, S.PcmBits == 8 ? 0x80 : 0, SrcBlock - tail);
      Encode(PadBlock.data(), SrcBlock);
      srcUsed = srcLen;
      DrainPending();
    }
    Flush();
    DrainPending();
  }
  dstUsed = OutUsed;
  Out = nullptr;
  return MMSYSERR_NOERROR;
}

void TAvCodecStream::Encode(const uint8_t* src, uint32_t bytes) {
  const uint32_t samples = bytes / PcmFrameBytes;
  if (av_frame_make_writable(Frame) < 0) return;
  Frame->nb_samples = int(samples);
  Frame->pts = Pts;
  Pts += samples;
  const uint32_t ch = S.Channels;
  if (Ctx->sample_fmt == AV_SAMPLE_FMT_S16) {
    auto* d = reinterpret_cast<int16_t*>(Frame->data[0]);
    if (S.PcmBits == 16)
      std::memcpy(d, src, size_t(samples) * ch * 2);
    else
      for (uint32_t i = 0; i < samples * ch; ++i) d[i] = FromU8(src[i]);
  } else {  // planar
    for (uint32_t c = 0; c < ch; ++c) {
      auto* d = reinterpret_cast<int16_t*>(Frame->data[c]);
      if (S.PcmBits == 16) {
        const uint8_t* p = src + 2 * c;
        for (uint32_t i = 0; i < samples; ++i, p += 2 * ch) d[i] = int16_t(p[0] | (p[1] << 8));
      } else {
        for (uint32_t i = 0; i < samples; ++i) d[i] = FromU8(src[i * ch + c]);
      }
    }
  }
  if (Ctx->codec->capabilities & AV_CODEC_CAP_DELAY) Dirty = true;
  if (avcodec_send_frame(Ctx, Frame) < 0) return;
  DrainEncoder();
}

void TAvCodecStream::DrainEncoder() {
  while (avcodec_receive_packet(Ctx, Packet) == 0) {
    const uint32_t n = uint32_t(Packet->size);
    if (n <= S.MaxPacketBytes) {
      if (uint8_t* d = Reserve(n)) {
        std::memcpy(d, Packet->data, n);
        Commit(n);
      }
    }
    av_packet_unref(Packet);
  }
}

void TAvCodecStream::Decode(const uint8_t* src, uint32_t bytes) {
  const uint32_t samples = S.FrameSamples ? S.FrameSamples : bytes / SrcBlock;
  DecodePacket(src, int(bytes), samples);
}

// silenceSamples: what a damaged packet stands for (0: nothing, for parsed frames).
void TAvCodecStream::DecodePacket(const uint8_t* data, int size, uint32_t silenceSamples) {
  // Reused once the decoder has let go of it, which it does when it has
  // decoded the packet; one it still holds is left to it.
  const int room = size + AV_INPUT_BUFFER_PADDING_SIZE;
  if (!PacketData || PacketData->size < size_t(room) || !av_buffer_is_writable(PacketData)) {
    av_buffer_unref(&PacketData);
    PacketData = av_buffer_alloc(size_t(std::max(room, 4096)));
  }
  if (PacketData) {
    std::memcpy(PacketData->data, data, size_t(size));
    std::memset(PacketData->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    Packet->buf = PacketData;
    Packet->data = PacketData->data;
  } else {
    Packet->data = const_cast<uint8_t*>(data);  // copied by the send instead
  }
  Packet->size = size;
  bool good = avcodec_send_packet(Ctx, Packet) == 0;
  Packet->buf = nullptr;
  Packet->data = nullptr;
  Packet->size = 0;
  bool any = false;
  if (good) {
    while (avcodec_receive_frame(Ctx, Frame) == 0) {
      const uint32_t limit = silenceSamples ? silenceSamples : MaxPacketSamples;
      if (!any && PutFrame(Frame, limit)) any = true;
      av_frame_unref(Frame);
    }
  }
  if (!any && silenceSamples) PutSilence(silenceSamples);
}

bool TAvCodecStream::PutFrame(const AVFrame* f, uint32_t maxSamples) {
  const uint32_t ch = S.Channels;
  const uint32_t samples = uint32_t(std::max(f->nb_samples, 0));
  if (samples == 0 || samples > maxSamples || uint32_t(f->ch_layout.nb_channels) != ch ||
      (f->sample_rate && uint32_t(f->sample_rate) != S.Rate))
    return false;
  const auto fmt = AVSampleFormat(f->format);
  if (fmt != AV_SAMPLE_FMT_S16 && fmt != AV_SAMPLE_FMT_S16P && fmt != AV_SAMPLE_FMT_FLT && fmt != AV_SAMPLE_FMT_FLTP)
    return false;
  const uint32_t bytes = samples * PcmFrameBytes;
  uint8_t* d = Reserve(bytes);
  if (!d) return false;
  const bool planar = av_sample_fmt_is_planar(fmt);
  if (fmt == AV_SAMPLE_FMT_S16 && S.PcmBits == 16) {
    std::memcpy(d, f->data[0], bytes);
  } else if (fmt == AV_SAMPLE_FMT_S16 || fmt == AV_SAMPLE_FMT_S16P) {
    for (uint32_t c = 0; c < ch; ++c) {
      const auto* p = reinterpret_cast<const int16_t*>(planar ? f->data[c] : f->data[0]) + (planar ? 0 : c);
      const uint32_t step = planar ? 1 : ch;
      if (S.PcmBits == 16) {
        auto* o = reinterpret_cast<int16_t*>(d) + c;
        for (uint32_t i = 0; i < samples; ++i) o[i * ch] = p[i * step];
      } else {
        for (uint32_t i = 0; i < samples; ++i) d[i * ch + c] = ToU8(p[i * step]);
      }
    }
  } else if (S.PcmBits == 16) {
    // The decoders' usual output (MP3 gives planar float): one pass, no branch per sample.
    auto* o = reinterpret_cast<int16_t*>(d);
    const auto* p0 = reinterpret_cast<const float*>(f->data[0]);
    if (planar && ch == 2)
      FloatsToS16(p0, reinterpret_cast<const float*>(f->data[1]), o, samples);
    else
      FloatsToS16(p0, nullptr, o, samples * ch);
  } else {
    for (uint32_t c = 0; c < ch; ++c) {
      const auto* p = reinterpret_cast<const float*>(planar ? f->data[c] : f->data[0]) + (planar ? 0 : c);
      const uint32_t step = planar ? 1 : ch;
      for (uint32_t i = 0; i < samples; ++i) {
        const int16_t v = ClipFloat(p[i * step]);
        if (S.PcmBits == 16)
          reinterpret_cast<int16_t*>(d)[i * ch + c] = v;
        else
          d[i * ch + c] = ToU8(v);
      }
    }
  }
  Commit(bytes);
  return true;
}

void TAvCodecStream::PutSilence(uint32_t samples) {
  const uint32_t bytes = samples * PcmFrameBytes;
  if (uint8_t* d = Reserve(bytes)) {
    std::memset(d, S.PcmBits == 8 ? 0x80 : 0, bytes);
    Commit(bytes);
  }
}

uint8_t* TAvCodecStream::Reserve(uint32_t bytes) {
  if (PendingLen == 0 && Out && OutLen - OutUsed >= bytes) {
    Reserved = false;
    return Out + OutUsed;
  }
  if (PendingStart + PendingLen + bytes > Pending.size()) {
    std::memmove(Pending.data(), Pending.data() + PendingStart, PendingLen);
    PendingStart = 0;
    if (PendingLen + bytes > Pending.size()) return nullptr;  // cannot happen within the setup's bounds
  }
  Reserved = true;
  return Pending.data() + PendingStart + PendingLen;
}

void TAvCodecStream::Commit(uint32_t bytes) {
  if (Reserved)
    PendingLen += bytes;
  else
    OutUsed += bytes;
}

void TAvCodecStream::DrainPending() {
  if (!Out || PendingLen == 0) return;
  const uint32_t n = std::min(PendingLen, OutLen - OutUsed);
  std::memcpy(Out + OutUsed, Pending.data() + PendingStart, n);
  OutUsed += n;
  PendingStart += n;
  PendingLen -= n;
  if (PendingLen == 0) PendingStart = 0;
}

void TAvCodecStream::Flush() {
  if (S.Encode) {
    if (!(Ctx->codec->capabilities & AV_CODEC_CAP_DELAY) || !Dirty) return;
    if (avcodec_send_frame(Ctx, nullptr) == 0) DrainEncoder();
    Flushed = true;
    return;
  }
  if (S.Parse) {
    uint8_t* data = nullptr;
    int size = 0;
    av_parser_parse2(Parser, Ctx, &data, &size, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    if (size > 0) DecodePacket(data, size, 0);
  }
}

void TAvCodecStream::Reset() {
  PendingStart = PendingLen = 0;
  if (S.Encode) {
    if (Dirty || Flushed) {
      avcodec_free_context(&Ctx);
      OpenCodec();  // on failure Convert tries again (Flushed stays set)
      if (!Ctx || !avcodec_is_open(Ctx)) Flushed = true;
    }
    return;
  }
  avcodec_flush_buffers(Ctx);
  if (Parser) {
    av_parser_close(Parser);
    Parser = av_parser_init(Codec->id);
  }
}

}  // namespace

const AVCodec* AvFindCodec(const char* name, bool encoder) {
  if (!name) return nullptr;
  return encoder ? avcodec_find_encoder_by_name(name) : avcodec_find_decoder_by_name(name);
}

MMRESULT AvCodecOpenStream(const TAvCodecSetup& setup, std::unique_ptr<IAcmStream>& stream) {
  auto s = std::unique_ptr<TAvCodecStream>(new (std::nothrow) TAvCodecStream(setup));
  if (!s) return MMSYSERR_NOMEM;
  if (MMRESULT rc = s->Init()) return rc;
  stream = std::move(s);
  return MMSYSERR_NOERROR;
}
