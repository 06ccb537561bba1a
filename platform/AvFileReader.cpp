#include "AvFileReader.h"

#include <QString>
#include <algorithm>
#include <vector>

#include "ACMErrors.h"
#include "VectorState.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// The rates audio is recorded at. A file claiming one outside them is damaged
// or hostile: at 1 Hz each sample resamples into a second of 48 kHz, so a file
// of a few kilobytes would be encoded for hours.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
// Samples (all channels) one Read hands out at most: a frame that resamples
// into more goes out in slices, so a damaged frame cannot claim gigabytes.
constexpr int64_t kMaxReadSamples = 1 << 20;

[[noreturn]] void Fail(const QString& what, int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (err) av_strerror(err, text, sizeof text);
  throw EACMAudioReadError(err ? QStringLiteral("%1 (%2)").arg(what, QString::fromUtf8(text)) : what);
}

AVSampleFormat OutputFormat(TAcmSampleKind kind) {
  switch (kind) {
    case TAcmSampleKind::U8: return AV_SAMPLE_FMT_U8;
    case TAcmSampleKind::S16: return AV_SAMPLE_FMT_S16;
    default: return AV_SAMPLE_FMT_S32;  // S24 is packed from 32 bits
  }
}

// The sample size the decoder's own format stands for.
TAcmSampleKind KindOf(AVSampleFormat format, int rawBits) {
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: return TAcmSampleKind::U8;
    case AV_SAMPLE_FMT_S16: return TAcmSampleKind::S16;
    case AV_SAMPLE_FMT_S32: return rawBits > 16 && rawBits <= 24 ? TAcmSampleKind::S24 : TAcmSampleKind::S32;
    default: return TAcmSampleKind::S16;
  }
}

void Pack24(const int32_t* src, uint8_t* dst, size_t samples) {
  for (size_t i = 0; i < samples; ++i, dst += 3) {
    const uint32_t v = uint32_t(src[i]) >> 8;
    dst[0] = uint8_t(v);
    dst[1] = uint8_t(v >> 8);
    dst[2] = uint8_t(v >> 16);
  }
}

}  // namespace

struct TAvFileReader::TState {
  TStream* Stream = nullptr;
  AVFormatContext* Fc = nullptr;
  AVIOContext* Io = nullptr;
  AVCodecContext* Ctx = nullptr;
  AVStream* St = nullptr;
  SwrContext* Swr = nullptr;
  AVFrame* Frame = nullptr;
  AVPacket* Packet = nullptr;
  TAvPcmLayout Out;
  AVChannelLayout OutLayout{};
  // What the resampler was set up for: a frame of another kind sets it up again.
  int SwrFormat = -1, SwrRate = 0;
  AVChannelLayout SwrLayout{};
  std::vector<uint8_t> Buffer;  // the converted frames; grows to the largest frame once
  std::vector<int32_t> Wide;    // 32-bit samples on their way to 24
  std::vector<const uint8_t*> Planes;  // where the next slice of the frame starts
  // Frame holds a decoded frame of which the first FrameDone samples went out.
  bool FrameHeld = false;
  int FrameDone = 0;
  bool InputEnded = false;
  bool Drained = false;

  ~TState() {
    av_channel_layout_uninit(&OutLayout);
    av_channel_layout_uninit(&SwrLayout);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    swr_free(&Swr);
    avcodec_free_context(&Ctx);
    avformat_close_input(&Fc);
    if (Io) av_freep(&Io->buffer);
    avio_context_free(&Io);
  }

  void Open(uint16_t maxChannels);
  void SetUpResampler(const AVFrame* frame);
  uint32_t Convert(const AVFrame* frame, int* done, const uint8_t*& data);

  static int ReadCallback(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<TState*>(opaque);
    try {
      const int32_t n = self->Stream->Read(data, size);
      if (n > 0) return n;
      if (n == 0) return AVERROR_EOF;
    } catch (...) {
    }
    return AVERROR(EIO);
  }

  static int64_t SeekCallback(void* opaque, int64_t offset, int whence) {
    return AvSeekStream(*static_cast<TState*>(opaque)->Stream, offset, whence);
  }
};

void TAvFileReader::TState::Open(uint16_t maxChannels) {
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) Fail(QStringLiteral("Out of memory."), AVERROR(ENOMEM));
  Io = avio_alloc_context(buffer, kIoBufferSize, 0, this, &ReadCallback, nullptr, &SeekCallback);
  if (!Io) {
    av_free(buffer);
    Fail(QStringLiteral("Out of memory."), AVERROR(ENOMEM));
  }
  Fc = avformat_alloc_context();
  if (!Fc) Fail(QStringLiteral("Out of memory."), AVERROR(ENOMEM));
  Fc->pb = Io;
  Fc->flags |= AVFMT_FLAG_CUSTOM_IO;
  // On failure libavformat frees the context (and leaves the stream ours).
  if (const int r = avformat_open_input(&Fc, nullptr, nullptr, nullptr); r < 0)
    Fail(QStringLiteral("The file is no audio file this program can read."), r);
  if (const int r = avformat_find_stream_info(Fc, nullptr); r < 0)
    Fail(QStringLiteral("The file's streams cannot be read."), r);
  const int index = av_find_best_stream(Fc, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) Fail(QStringLiteral("The file holds no audio."), 0);
  St = Fc->streams[index];
  for (unsigned i = 0; i < Fc->nb_streams; ++i)
    if (int(i) != index) Fc->streams[i]->discard = AVDISCARD_ALL;
  const AVCodec* codec = avcodec_find_decoder(St->codecpar->codec_id);
  if (!codec)
    Fail(QStringLiteral("libavcodec has no decoder for the file's audio (%1).")
             .arg(QString::fromUtf8(avcodec_get_name(St->codecpar->codec_id))),
         0);
  Ctx = avcodec_alloc_context3(codec);
  if (!Ctx) Fail(QStringLiteral("Out of memory."), AVERROR(ENOMEM));
  if (const int r = avcodec_parameters_to_context(Ctx, St->codecpar); r < 0) Fail(QStringLiteral("Out of memory."), r);
  // The decoder trims the encoder's delay and padding by the packets' times.
  Ctx->pkt_timebase = St->time_base;
  if (const int r = avcodec_open2(Ctx, codec, nullptr); r < 0)
    Fail(QStringLiteral("The file's audio cannot be decoded."), r);
  const int channels = St->codecpar->ch_layout.nb_channels;
  if (channels <= 0 || Ctx->sample_rate <= 0) Fail(QStringLiteral("The file's audio has no channels or no rate."), 0);
  if (Ctx->sample_rate < kMinRate || Ctx->sample_rate > kMaxRate)
    Fail(QStringLiteral("The file's audio claims %1 samples a second, outside the %2 to %3 this program reads.")
             .arg(Ctx->sample_rate)
             .arg(kMinRate)
             .arg(kMaxRate),
         0);
  Out.Kind = KindOf(Ctx->sample_fmt, std::max(St->codecpar->bits_per_raw_sample, Ctx->bits_per_raw_sample));
  Out.Channels = uint16_t(maxChannels > 0 ? std::min<int>(channels, maxChannels) : channels);
  Out.Rate = uint32_t(Ctx->sample_rate);
  av_channel_layout_default(&OutLayout, Out.Channels);
  Packet = av_packet_alloc();
  Frame = av_frame_alloc();
  if (!Packet || !Frame) Fail(QStringLiteral("Out of memory."), AVERROR(ENOMEM));
}

void TAvFileReader::TState::SetUpResampler(const AVFrame* frame) {
  if (Swr && frame->format == SwrFormat && frame->sample_rate == SwrRate &&
      av_channel_layout_compare(&frame->ch_layout, &SwrLayout) == 0)
    return;
  swr_free(&Swr);
  AVChannelLayout in{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&in, frame->ch_layout.nb_channels);
  else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
    Fail(QStringLiteral("Out of memory."), AVERROR(ENOMEM));
  const int r = swr_alloc_set_opts2(&Swr, &OutLayout, OutputFormat(Out.Kind), int(Out.Rate), &in,
                                    AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in);
  if (r < 0 || swr_init(Swr) < 0) Fail(QStringLiteral("The file's audio cannot be converted."), r < 0 ? r : 0);
  SwrFormat = frame->format;
  SwrRate = frame->sample_rate;
  av_channel_layout_uninit(&SwrLayout);
  if (av_channel_layout_copy(&SwrLayout, &frame->ch_layout) < 0) Fail(QStringLiteral("Out of memory."), 0);
}

// The next slice of the frame (or, without one, what the resampler still
// holds) in the output layout; *done is moved past the samples taken.
uint32_t TAvFileReader::TState::Convert(const AVFrame* frame, int* done, const uint8_t*& data) {
  if (!Swr) return 0;
  int take = 0;
  const uint8_t** in = nullptr;
  if (frame) {
    // As many input samples as give at most kMaxReadSamples out, one at least.
    const int64_t outFrames = std::max<int64_t>(kMaxReadSamples / Out.Channels, 1);
    const int64_t fit = std::max<int64_t>(outFrames * frame->sample_rate / Out.Rate, 1);
    take = int(std::min<int64_t>(frame->nb_samples - *done, fit));
    const int channels = frame->ch_layout.nb_channels;
    const int bytes = av_get_bytes_per_sample(AVSampleFormat(frame->format));
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame->format));
    const int planes = planar ? channels : 1;
    if (Planes.size() < size_t(planes)) Planes.resize(size_t(planes));
    const size_t skip = size_t(*done) * bytes * (planar ? 1 : channels);
    for (int i = 0; i < planes; ++i) Planes[size_t(i)] = frame->extended_data[i] + skip;
    in = Planes.data();
  }
  const int room = swr_get_out_samples(Swr, take);
  if (room < 0) Fail(QStringLiteral("The file's audio cannot be converted."), room);
  if (done) *done += take;
  if (room == 0) return 0;
  const size_t wide = size_t(room) * Out.Channels;
  const size_t bytes =
      Out.Kind == TAcmSampleKind::S24 ? wide * 3 : wide * av_get_bytes_per_sample(OutputFormat(Out.Kind));
  if (Buffer.size() < bytes) Buffer.resize(bytes);
  if (Out.Kind == TAcmSampleKind::S24 && Wide.size() < wide) Wide.resize(wide);
  uint8_t* target = Out.Kind == TAcmSampleKind::S24 ? reinterpret_cast<uint8_t*>(Wide.data()) : Buffer.data();
  uint8_t* planes[1] = {target};
  const int got = swr_convert(Swr, planes, room, in, take);
  if (got < 0) Fail(QStringLiteral("The file's audio cannot be converted."), got);
  if (Out.Kind == TAcmSampleKind::S24) Pack24(Wide.data(), Buffer.data(), size_t(got) * Out.Channels);
  data = Buffer.data();
  return uint32_t(got);
}

TAvFileReader::TAvFileReader(TStream* stream, uint16_t maxChannels) : F(std::make_unique<TState>()) {
  Assert(stream != nullptr, "AvFileReader", "Stream");
  F->Stream = stream;
  F->Open(maxChannels);
}

TAvFileReader::~TAvFileReader() = default;

const TAvPcmLayout& TAvFileReader::Output() const { return F->Out; }

int64_t TAvFileReader::Frames() const {
  if (F->St->duration > 0) return av_rescale_q(F->St->duration, F->St->time_base, AVRational{1, int(F->Out.Rate)});
  if (F->Fc->duration > 0) return av_rescale(F->Fc->duration, F->Out.Rate, AV_TIME_BASE);
  return -1;
}

std::string TAvFileReader::CodecName() const { return avcodec_get_name(F->Ctx->codec_id); }

std::string TAvFileReader::ContainerName() const { return F->Fc->iformat->name; }

std::string TAvFileReader::Tag(const char* key) const {
  // Ogg keeps its comments with the stream, the other containers with the file.
  for (const AVDictionary* tags : {F->Fc->metadata, F->St->metadata})
    if (const AVDictionaryEntry* e = av_dict_get(tags, key, nullptr, 0)) return e->value;
  return {};
}

int64_t TAvFileReader::Position() const { return avio_tell(F->Io); }

int64_t TAvFileReader::Size() const { return avio_size(F->Io); }

uint32_t TAvFileReader::Read(const uint8_t*& data) {
  ClearUpperVectorState();
  for (;;) {
    if (F->FrameHeld) {
      const uint32_t got = F->Convert(F->Frame, &F->FrameDone, data);
      if (F->FrameDone >= F->Frame->nb_samples) {
        av_frame_unref(F->Frame);
        F->FrameHeld = false;
      }
      if (got > 0) return got;
      continue;
    }
    const int r = avcodec_receive_frame(F->Ctx, F->Frame);
    if (r == 0) {
      // A frame without samples, channels or a rate a file has is damaged: passed over.
      const AVFrame* frame = F->Frame;
      if (frame->nb_samples <= 0 || frame->ch_layout.nb_channels <= 0 || frame->sample_rate < kMinRate ||
          frame->sample_rate > kMaxRate) {
        av_frame_unref(F->Frame);
        continue;
      }
      F->SetUpResampler(frame);
      F->FrameHeld = true;
      F->FrameDone = 0;
      continue;
    }
    if (r == AVERROR_EOF) {
      // A resampler (a file whose rate changed) may still hold some frames.
      if (F->Drained) return 0;
      F->Drained = true;
      const uint32_t got = F->Convert(nullptr, nullptr, data);
      if (got > 0) return got;
      return 0;
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_INVALIDDATA)
      Fail(QStringLiteral("The file's audio cannot be decoded."), r);
    if (F->InputEnded) return 0;
    const int got = av_read_frame(F->Fc, F->Packet);
    if (got == AVERROR_EOF) {
      F->InputEnded = true;
      avcodec_send_packet(F->Ctx, nullptr);
      continue;
    }
    if (got < 0) Fail(QStringLiteral("The file cannot be read."), got);
    if (F->Packet->stream_index == F->St->index) {
      const int sent = avcodec_send_packet(F->Ctx, F->Packet);
      if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR(EAGAIN))
        Fail(QStringLiteral("The file's audio cannot be decoded."), sent);
    }
    av_packet_unref(F->Packet);
  }
}
