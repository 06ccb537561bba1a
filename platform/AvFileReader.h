#pragma once
// Any audio file libavformat reads (FLAC, Ogg Vorbis and Opus, MP3, M4A, ...),
// decoded with libavcodec into interleaved linear PCM: lossless sources keep
// their sample size (8, 16, 24 or 32 bits), lossy ones, which decode to
// floating point, come out as 16-bit samples. The first audio stream of the
// file is read; every frame comes out at the rate of the first.
#include <cstdint>
#include <memory>
#include <string>

#include "AvFileWriter.h"
#include "Streams.h"

class TAvFileReader {
 public:
  // Reads the file from the stream's start; maxChannels above 0 mixes more
  // channels down to that many. Raises EACMAudioReadError naming what is wrong
  // (no audio file, no audio stream, no decoder).
  explicit TAvFileReader(TStream* stream, uint16_t maxChannels = 0);
  ~TAvFileReader();
  TAvFileReader(const TAvFileReader&) = delete;
  TAvFileReader& operator=(const TAvFileReader&) = delete;

  const TAvPcmLayout& Output() const;
  // The length the file claims in sample frames, -1 when it claims none.
  int64_t Frames() const;
  // libavcodec's name of the codec ("opus") and libavformat's of the container.
  std::string CodecName() const;
  std::string ContainerName() const;
  // The file's title and date tags, empty when it has none.
  std::string Tag(const char* key) const;
  // Bytes of the file read so far and its size, for progress.
  int64_t Position() const;
  int64_t Size() const;

  // The next decoded frames, data valid until the next call; 0 at the end.
  // Damaged frames are passed over as players do; any other failure raises
  // EACMAudioReadError.
  uint32_t Read(const uint8_t*& data);

 private:
  struct TState;
  std::unique_ptr<TState> F;
};
