#include "AvFileWriter.h"

#include <QString>
#include <algorithm>
#include <vector>

#include "ACMErrors.h"
#include "VectorState.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// Input is converted in pieces of at most this many frames, so the buffers
// around the resampler have a size that does not follow the caller's blocks.
constexpr uint32_t kChunkFrames = 8192;
// Frames handed to an encoder that takes any frame size.
constexpr int kVariableFrameSize = 4096;

struct TTypeInfo {
  const char* Name;     // for messages
  const char* Encoder;  // libavcodec's encoder
  const char* Muxer;    // libavformat's container
};

TTypeInfo Info(TAvFileType type) {
  switch (type) {
    case TAvFileType::Flac: return {"FLAC", "flac", "flac"};
    case TAvFileType::Opus: return {"Opus", "libopus", "opus"};
    case TAvFileType::Vorbis: return {"Vorbis", "libvorbis", "ogg"};
    case TAvFileType::Mp3: return {"MP3", "libmp3lame", "mp3"};
  }
  return {"?", "", ""};
}

QString Reason(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return QString::fromUtf8(text);
}

[[noreturn]] void Fail(const QString& what, int err) {
  throw EACMAudioStreamError(err ? QStringLiteral("%1 (%2)").arg(what, Reason(err)) : what);
}

AVSampleFormat InputFormat(TAcmSampleKind kind) {
  switch (kind) {
    case TAcmSampleKind::U8: return AV_SAMPLE_FMT_U8;
    case TAcmSampleKind::S16: return AV_SAMPLE_FMT_S16;
    case TAcmSampleKind::S24:  // widened to 32 bits before the resampler
    case TAcmSampleKind::S32: return AV_SAMPLE_FMT_S32;
    case TAcmSampleKind::F32: return AV_SAMPLE_FMT_FLT;
    case TAcmSampleKind::F64: return AV_SAMPLE_FMT_DBL;
    default: return AV_SAMPLE_FMT_NONE;
  }
}

bool Offers(const AVCodec* codec, AVSampleFormat format) {
  for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
    if (*f == format) return true;
  return false;
}

// FLAC keeps 16-bit audio at 16 bits and codes anything finer in 24; the
// lossy codecs get floating point where they take it, so nothing is rounded
// twice.
AVSampleFormat CodecFormat(const AVCodec* codec, TAvFileType type, TAcmSampleKind kind) {
  const bool fine = kind != TAcmSampleKind::U8 && kind != TAcmSampleKind::S16;
  std::vector<AVSampleFormat> order;
  if (type == TAvFileType::Flac)
    order = fine ? std::vector{AV_SAMPLE_FMT_S32, AV_SAMPLE_FMT_S16} : std::vector{AV_SAMPLE_FMT_S16};
  else
    order = {AV_SAMPLE_FMT_FLT,  AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_S16,
             AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_S32,  AV_SAMPLE_FMT_S32P};
  for (AVSampleFormat f : order)
    if (Offers(codec, f)) return f;
  return AV_SAMPLE_FMT_NONE;
}

// A rate for an encoder that refused the one asked for (FLAC above 655 kHz,
// Vorbis above 200 kHz, rates FLAC cannot write in its header): the nearest
// usual rate at or above it, 192 kHz at most.
int UsualRate(int rate) {
  for (int r : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000, 176400, 192000})
    if (r >= rate) return r;
  return 192000;
}

// The input's rate where the codec takes it, otherwise the nearest rate above
// it that the codec takes (the highest when none is above).
int CodecRate(const AVCodec* codec, TAvFileType type, uint32_t rate) {
  if (type == TAvFileType::Opus) return 48000;
  // Above these libvorbis's setup fails and a FLAC header cannot carry the rate.
  if (type == TAvFileType::Vorbis && rate > 192000) return 192000;
  if (type == TAvFileType::Flac && (rate > 655350 || (rate > 65535 && rate % 10 != 0))) return UsualRate(int(rate));
  if (!codec->supported_samplerates) return int(rate);
  int above = 0, highest = 0;
  for (const int* r = codec->supported_samplerates; *r; ++r) {
    if (uint32_t(*r) == rate) return *r;
    if (uint32_t(*r) > rate && (above == 0 || *r < above)) above = *r;
    highest = std::max(highest, *r);
  }
  return above ? above : highest;
}

// MP3 carries one or two channels, the others up to eight; more are mixed down.
constexpr int kMostChannels = 8;
int MaxChannels(TAvFileType type) { return type == TAvFileType::Mp3 ? 2 : kMostChannels; }

// Three to eight channels in the layouts FLAC and WAVE files give them (the
// third is the centre, not the LFE), and those Opus and Vorbis define.
void ChannelLayout(AVChannelLayout& layout, bool vorbis, int channels) {
  static constexpr uint64_t kVorbis[] = {AV_CH_LAYOUT_SURROUND,     AV_CH_LAYOUT_QUAD,    AV_CH_LAYOUT_5POINT0_BACK,
                                         AV_CH_LAYOUT_5POINT1_BACK, AV_CH_LAYOUT_6POINT1, AV_CH_LAYOUT_7POINT1};
  static constexpr uint64_t kWave[] = {AV_CH_LAYOUT_SURROUND, AV_CH_LAYOUT_QUAD,    AV_CH_LAYOUT_5POINT0,
                                       AV_CH_LAYOUT_5POINT1,  AV_CH_LAYOUT_6POINT1, AV_CH_LAYOUT_7POINT1};
  av_channel_layout_uninit(&layout);
  if (channels < 3 || channels > 8)
    av_channel_layout_default(&layout, channels);
  else
    av_channel_layout_from_mask(&layout, (vorbis ? kVorbis : kWave)[channels - 3]);
}

int64_t OpusBitRate(int channels) {
  if (channels == 1) return 64000;
  if (channels == 2) return 96000;
  return 48000ll * channels;
}

// libavformat's write callback takes its data as const from version 61 on.
#if LIBAVFORMAT_VERSION_MAJOR < 61
using TIoData = uint8_t*;
#else
using TIoData = const uint8_t*;
#endif

void Unpack24(const uint8_t* src, int32_t* dst, size_t samples) {
  for (size_t i = 0; i < samples; ++i, src += 3)
    dst[i] = int32_t(uint32_t(src[0]) << 8 | uint32_t(src[1]) << 16 | uint32_t(src[2]) << 24);
}

}  // namespace

int64_t AvSeekStream(TStream& stream, int64_t offset, int whence) {
  try {
    if (whence & AVSEEK_SIZE) return stream.Size();
    const int w = whence & ~AVSEEK_FORCE;
    const int64_t at = stream.Seek(offset, w == SEEK_END ? soEnd : w == SEEK_CUR ? soCurrent : soBeginning);
    if (at >= 0) return at;
  } catch (...) {
  }
  return AVERROR(EIO);
}

struct TAvFileWriter::TState {
  TStream* Stream = nullptr;
  TAvFileSettings Settings;
  TAvPcmLayout In;
  TTypeInfo Type{};
  AVFormatContext* Fc = nullptr;
  AVIOContext* Io = nullptr;
  AVCodecContext* Ctx = nullptr;
  AVStream* St = nullptr;
  SwrContext* Swr = nullptr;
  AVAudioFifo* Fifo = nullptr;
  AVFrame* Frame = nullptr;
  AVPacket* Packet = nullptr;
  uint8_t** Staging = nullptr;  // the resampler's output, planes as the codec wants them
  int StagingFrames = 0;
  std::vector<int32_t> Wide;  // 24-bit input widened
  int FrameSize = 0;
  bool SmallLastFrame = false;
  int64_t Pts = 0;
  bool Finished = false;
  bool Broken = false;
  bool StreamFailed = false;

  ~TState() {
    if (Staging) av_freep(&Staging[0]);
    av_freep(&Staging);
    av_audio_fifo_free(Fifo);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    swr_free(&Swr);
    avcodec_free_context(&Ctx);
    avformat_free_context(Fc);
    if (Io) av_freep(&Io->buffer);
    avio_context_free(&Io);
  }

  void Open();
  void OpenIo();
  void OpenCodec();
  // libavcodec's answer to opening the encoder at rate with channels.
  int OpenCodecAt(const AVCodec* codec, int rate, int channels);
  void OpenResampler();
  void Convert(const uint8_t* in, int frames);
  void Reserve(int frames);
  void SendFrame(int frames);
  void SendHeld(bool all);
  void WritePackets();
  // Raises what (where "%1" is the type's name) with libav's reason; a stream
  // that refused bytes is named instead. The text is made only on failure, so
  // checking allocates nothing.
  [[noreturn]] void Failed(const char* what, int err) { FailedText(QString::fromUtf8(what), err); }
  [[noreturn]] void FailedText(const QString& what, int err);
  void Check(int err, const char* what) {
    if (err < 0 || StreamFailed) Failed(what, err < 0 ? err : 0);
  }

  static int WriteCallback(void* opaque, TIoData data, int size) {
    auto* self = static_cast<TState*>(opaque);
    try {
      if (self->Stream->Write(data, size) == size) return size;
    } catch (...) {
    }
    self->StreamFailed = true;
    return AVERROR(EIO);
  }

  static int64_t SeekCallback(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<TState*>(opaque);
    const int64_t at = AvSeekStream(*self->Stream, offset, whence);
    if (at < 0) self->StreamFailed = true;
    return at;
  }
};

void TAvFileWriter::TState::FailedText(const QString& what, int err) {
  Broken = true;
  if (StreamFailed) Fail(QStringLiteral("Error writing the audio file."), 0);
  Fail(what.contains(QLatin1String("%1")) ? what.arg(QLatin1String(Type.Name)) : what, err);
}

void TAvFileWriter::TState::Open() {
  Type = Info(Settings.Type);
  if (InputFormat(In.Kind) == AV_SAMPLE_FMT_NONE) Failed("The audio cannot be coded as %1: it is no linear PCM.", 0);
  if (In.Channels == 0 || In.Rate == 0) Failed("The audio has no channels or no sample rate.", 0);
  OpenIo();
  OpenCodec();
  St = avformat_new_stream(Fc, nullptr);
  if (!St) Failed("Out of memory.", AVERROR(ENOMEM));
  Check(avcodec_parameters_from_context(St->codecpar, Ctx), "Out of memory.");
  St->time_base = Ctx->time_base;
  // The containers take their tags from the file or from the stream.
  for (AVDictionary** tags : {&Fc->metadata, &St->metadata}) {
    if (!Settings.Title.empty()) av_dict_set(tags, "title", Settings.Title.c_str(), 0);
    if (!Settings.Date.empty()) av_dict_set(tags, "date", Settings.Date.c_str(), 0);
  }
  Check(avformat_write_header(Fc, nullptr), "Cannot start the %1 file.");
  OpenResampler();
  Packet = av_packet_alloc();
  Frame = av_frame_alloc();
  if (!Packet || !Frame) Failed("Out of memory.", AVERROR(ENOMEM));
  Frame->format = Ctx->sample_fmt;
  Frame->sample_rate = Ctx->sample_rate;
  Frame->nb_samples = FrameSize;
  Check(av_channel_layout_copy(&Frame->ch_layout, &Ctx->ch_layout), "Out of memory.");
  Check(av_frame_get_buffer(Frame, 0), "Out of memory.");
  // Room for a converted piece and the frame short of it: the queue never grows.
  Fifo = av_audio_fifo_alloc(Ctx->sample_fmt, Ctx->ch_layout.nb_channels, 2 * (StagingFrames + FrameSize));
  if (!Fifo) Failed("Out of memory.", AVERROR(ENOMEM));
}

void TAvFileWriter::TState::OpenIo() {
  Check(avformat_alloc_output_context2(&Fc, nullptr, Type.Muxer, nullptr), "libavformat cannot write %1 files.");
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) Failed("Out of memory.", AVERROR(ENOMEM));
  Io = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WriteCallback, &SeekCallback);
  if (!Io) {
    av_free(buffer);
    Failed("Out of memory.", AVERROR(ENOMEM));
  }
  Fc->pb = Io;
}

void TAvFileWriter::TState::OpenCodec() {
  const AVCodec* codec = avcodec_find_encoder_by_name(Type.Encoder);
  if (!codec)
    FailedText(
        QStringLiteral("libavcodec has no %1 encoder (%2).").arg(QLatin1String(Type.Name), QLatin1String(Type.Encoder)),
        0);
  int rate = CodecRate(codec, Settings.Type, In.Rate);
  const int channels = std::min<int>(In.Channels, MaxChannels(Settings.Type));
  int r = OpenCodecAt(codec, rate, channels);
  if (r < 0 && UsualRate(rate) != rate) {
    rate = UsualRate(rate);
    r = OpenCodecAt(codec, rate, channels);
  }
  if (r < 0)
    FailedText(QStringLiteral("The %1 encoder refuses %2 Hz with %3 channel(s).")
                   .arg(QLatin1String(Type.Name))
                   .arg(rate)
                   .arg(channels),
               r);
  const bool variable = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
  FrameSize = Ctx->frame_size > 0 && !variable ? Ctx->frame_size : kVariableFrameSize;
  SmallLastFrame = variable || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
}

int TAvFileWriter::TState::OpenCodecAt(const AVCodec* codec, int rate, int channels) {
  avcodec_free_context(&Ctx);
  Ctx = avcodec_alloc_context3(codec);
  if (!Ctx) Failed("Out of memory.", AVERROR(ENOMEM));
  ChannelLayout(Ctx->ch_layout, Settings.Type == TAvFileType::Opus || Settings.Type == TAvFileType::Vorbis, channels);
  Ctx->sample_rate = rate;
  Ctx->time_base = AVRational{1, rate};
  Ctx->sample_fmt = CodecFormat(codec, Settings.Type, In.Kind);
  if (Ctx->sample_fmt == AV_SAMPLE_FMT_NONE)
    Failed("The %1 encoder takes no sample format this program can give it.", 0);
  const int quality = Settings.Quality;
  switch (Settings.Type) {
    case TAvFileType::Flac:
      Ctx->compression_level = quality >= 0 ? std::min(quality, 12) : 5;
      if (Ctx->sample_fmt == AV_SAMPLE_FMT_S32) Ctx->bits_per_raw_sample = 24;
      break;
    case TAvFileType::Opus: Ctx->bit_rate = Settings.BitRate > 0 ? Settings.BitRate : OpusBitRate(channels); break;
    case TAvFileType::Vorbis:
    case TAvFileType::Mp3:
      if (Settings.BitRate > 0) {
        Ctx->bit_rate = Settings.BitRate;
      } else {
        const int fallback = Settings.Type == TAvFileType::Vorbis ? 5 : 2;
        const int top = Settings.Type == TAvFileType::Vorbis ? 10 : 9;
        Ctx->flags |= AV_CODEC_FLAG_QSCALE;
        Ctx->global_quality = FF_QP2LAMBDA * (quality >= 0 ? std::min(quality, top) : fallback);
      }
      break;
  }
  if (Fc->oformat->flags & AVFMT_GLOBALHEADER) Ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  return avcodec_open2(Ctx, codec, nullptr);
}

void TAvFileWriter::TState::OpenResampler() {
  // The channels go across in their order when the count is kept: a third
  // channel of an unlabelled file is no LFE to be left out.
  AVChannelLayout in{};
  if (Ctx->ch_layout.nb_channels == In.Channels)
    Check(av_channel_layout_copy(&in, &Ctx->ch_layout), "Out of memory.");
  else
    ChannelLayout(in, false, In.Channels);
  const int r = swr_alloc_set_opts2(&Swr, &Ctx->ch_layout, Ctx->sample_fmt, Ctx->sample_rate, &in, InputFormat(In.Kind),
                                    int(In.Rate), 0, nullptr);
  av_channel_layout_uninit(&in);
  if (r < 0 || !Swr) Failed("Out of memory.", r < 0 ? r : AVERROR(ENOMEM));
  const int out = Ctx->ch_layout.nb_channels;
  if (In.Channels > kMostChannels && out != In.Channels) {
    // Past eight channels no position says how to mix: each channel kept
    // takes an equal share of every input channel that falls to it in turn.
    std::vector<double> matrix(size_t(out) * In.Channels, 0.0);
    for (int i = 0; i < In.Channels; ++i) {
      const int shares = (In.Channels - i % out + out - 1) / out;
      matrix[size_t(i % out) * In.Channels + size_t(i)] = 1.0 / shares;
    }
    Check(swr_set_matrix(Swr, matrix.data(), In.Channels), "Cannot convert the audio for the %1 encoder.");
  }
  if (uint32_t(Ctx->sample_rate) != In.Rate) av_opt_set_int(Swr, "resampler", SWR_ENGINE_SOXR, 0);
  Check(swr_init(Swr), "Cannot convert the audio for the %1 encoder.");
  if (In.Kind == TAcmSampleKind::S24) Wide.resize(size_t(kChunkFrames) * In.Channels);
  Reserve(swr_get_out_samples(Swr, int(kChunkFrames)));
}

// Room for frames in the staging buffer: grown, never shrunk, so it settles
// at the largest piece after the first blocks.
void TAvFileWriter::TState::Reserve(int frames) {
  if (frames <= StagingFrames) return;
  if (Staging) av_freep(&Staging[0]);
  av_freep(&Staging);
  StagingFrames = 0;
  Check(av_samples_alloc_array_and_samples(&Staging, nullptr, Ctx->ch_layout.nb_channels, frames, Ctx->sample_fmt, 0),
        "Out of memory.");
  StagingFrames = frames;
}

void TAvFileWriter::TState::Convert(const uint8_t* in, int frames) {
  Reserve(swr_get_out_samples(Swr, frames));
  const uint8_t* planes[1] = {in};
  const int got = swr_convert(Swr, Staging, StagingFrames, in ? planes : nullptr, frames);
  Check(got, "Cannot convert the audio for the %1 encoder.");
  if (got > 0 && av_audio_fifo_write(Fifo, reinterpret_cast<void**>(Staging), got) < got)
    Failed("Out of memory.", AVERROR(ENOMEM));
}

void TAvFileWriter::TState::SendFrame(int frames) {
  Frame->nb_samples = FrameSize;
  Check(av_frame_make_writable(Frame), "Out of memory.");
  if (av_audio_fifo_read(Fifo, reinterpret_cast<void**>(Frame->data), frames) < frames)
    Failed("Error encoding the audio.", AVERROR_BUG);
  if (frames < FrameSize && !SmallLastFrame)
    av_samples_set_silence(Frame->data, frames, FrameSize - frames, Ctx->ch_layout.nb_channels, Ctx->sample_fmt);
  else
    Frame->nb_samples = frames;
  Frame->pts = Pts;
  Pts += Frame->nb_samples;
  Check(avcodec_send_frame(Ctx, Frame), "Error encoding the audio as %1.");
  WritePackets();
}

// Whole frames while the encoder's frame size is held; with all, the rest too.
void TAvFileWriter::TState::SendHeld(bool all) {
  while (av_audio_fifo_size(Fifo) >= FrameSize) SendFrame(FrameSize);
  if (all && av_audio_fifo_size(Fifo) > 0) SendFrame(av_audio_fifo_size(Fifo));
}

void TAvFileWriter::TState::WritePackets() {
  for (;;) {
    const int r = avcodec_receive_packet(Ctx, Packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    Check(r, "Error encoding the audio as %1.");
    av_packet_rescale_ts(Packet, Ctx->time_base, St->time_base);
    Packet->stream_index = St->index;
    Check(av_interleaved_write_frame(Fc, Packet), "Error writing the audio file.");
  }
}

TAvFileWriter::TAvFileWriter(TStream* stream, const TAvFileSettings& settings, const TAvPcmLayout& input)
    : F(std::make_unique<TState>()) {
  Assert(stream != nullptr, "AvFileWriter", "Stream");
  F->Stream = stream;
  F->Settings = settings;
  F->In = input;
  F->Open();
}

TAvFileWriter::~TAvFileWriter() = default;

void TAvFileWriter::Write(const void* data, uint32_t frames) {
  if (F->Broken || F->Finished) throw EACMAudioStreamError(QStringLiteral("The audio file is closed."));
  const auto* in = static_cast<const uint8_t*>(data);
  const uint32_t frameBytes = SampleBytes(F->In.Kind) * F->In.Channels;
  ClearUpperVectorState();
  while (frames > 0) {
    const uint32_t n = std::min(frames, kChunkFrames);
    const uint8_t* piece = in;
    if (F->In.Kind == TAcmSampleKind::S24) {
      Unpack24(in, F->Wide.data(), size_t(n) * F->In.Channels);
      piece = reinterpret_cast<const uint8_t*>(F->Wide.data());
    }
    F->Convert(piece, int(n));
    F->SendHeld(false);
    in += size_t(n) * frameBytes;
    frames -= n;
  }
}

void TAvFileWriter::Finish() {
  if (F->Finished) return;
  if (F->Broken) throw EACMAudioStreamError(QStringLiteral("The audio file is closed."));
  F->Finished = true;
  // The resampler's delay, then what is short of a whole frame, then what the encoder holds.
  for (;;) {
    const int before = av_audio_fifo_size(F->Fifo);
    F->Convert(nullptr, 0);
    if (av_audio_fifo_size(F->Fifo) == before) break;
  }
  F->SendHeld(true);
  F->Check(avcodec_send_frame(F->Ctx, nullptr), "Error encoding the audio.");
  F->WritePackets();
  F->Check(av_write_trailer(F->Fc), "Error writing the audio file.");
  avio_flush(F->Io);
  F->Check(F->Io->error, "Error writing the audio file.");
}

uint32_t TAvFileWriter::Rate() const { return uint32_t(F->Ctx->sample_rate); }

uint16_t TAvFileWriter::Channels() const { return uint16_t(F->Ctx->ch_layout.nb_channels); }

const char* TAvFileWriter::CodecName() const { return avcodec_get_name(F->Ctx->codec_id); }

bool TAvFileWriter::StreamFailed() const { return F->StreamFailed; }
