#pragma once
// Audio files in the types every player reads (FLAC, Opus in Ogg, Ogg Vorbis,
// MP3), encoded with libavcodec and put into their container with
// libavformat. Interleaved linear PCM of any rate and channel count goes in;
// the samples are converted to what the codec takes on the way, resampled
// where the codec cannot keep the rate and mixed down where the type carries
// fewer channels (MP3 two, the others eight). The file is written to a stream that must be able to seek:
// FLAC and MP3 complete their headers at the end.
#include <cstdint>
#include <memory>
#include <string>

#include "AcmDriver.h"
#include "Streams.h"

enum class TAvFileType : uint8_t { Flac, Opus, Vorbis, Mp3 };

struct TAvFileSettings {
  TAvFileType Type = TAvFileType::Flac;
  // Opus: the bit rate (0: 64 kbit/s a channel for mono, 96 kbit/s for stereo,
  // 48 kbit/s a channel beyond). MP3 and Vorbis: a bit rate instead of the
  // quality (MP3 then codes at a constant rate). FLAC: unused.
  int64_t BitRate = 0;
  // Below 0 the type's default: FLAC compression level 0..12 (5), Vorbis
  // quality 0..10 (5), MP3 VBR level 0..9 (2, best quality at 0). Opus: unused.
  int Quality = -1;
  // Tags, UTF-8; empty ones are left out.
  std::string Title;
  std::string Date;
};

// The input: interleaved samples of Kind (S24 packed in three bytes).
struct TAvPcmLayout {
  TAcmSampleKind Kind = TAcmSampleKind::S16;
  uint16_t Channels = 0;
  uint32_t Rate = 0;
};
// A seek that libavformat's I/O asks of a stream (whence as in its callbacks,
// with AVSEEK_SIZE asking for the size); libav's error when the stream fails.
int64_t AvSeekStream(TStream& stream, int64_t offset, int whence);

// One file, written from the constructor (the header) to Finish (the last
// frames and what the container completes at the end). Every failure raises
// EACMAudioStreamError with a sentence and libav's reason; after a failure the
// file is unusable and the writer only waits to be destroyed. Blocks of any
// size are taken; the buffers grow to the largest block once and are reused,
// so steady writing allocates nothing of its own.
class TAvFileWriter {
 public:
  TAvFileWriter(TStream* stream, const TAvFileSettings& settings, const TAvPcmLayout& input);
  ~TAvFileWriter();
  TAvFileWriter(const TAvFileWriter&) = delete;
  TAvFileWriter& operator=(const TAvFileWriter&) = delete;

  // Appends frames sample frames (all channels) from data.
  void Write(const void* data, uint32_t frames);
  // Encodes what is held, writes the trailer. Once; later calls do nothing.
  void Finish();

  // What the file holds.
  uint32_t Rate() const;
  uint16_t Channels() const;
  // libavcodec's name of the codec ("flac", "opus", "vorbis", "mp3").
  const char* CodecName() const;
  // Whether the stream refused a write or a seek (the reason is the stream's).
  bool StreamFailed() const;

 private:
  struct TState;
  std::unique_ptr<TState> F;
};
