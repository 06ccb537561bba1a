#pragma once
// Copies of a take in the file types phones, chat programs and web pages
// play. The take is decoded with the codec chain, as playback decodes it, and
// encoded into FLAC, Opus in Ogg, Ogg Vorbis or MP3. A copy is written beside
// its target under a temporary name and takes the target's name only once it
// is complete: a cancelled or failed copy leaves nothing behind, and a file it
// was to replace stays as it was.
#include "deACM.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class TStream;

enum class TdeExportType : uint8_t { Flac, Opus, Vorbis, Mp3 };

struct TdeExportSettings {
  TdeExportType Type = TdeExportType::Flac;
  // Bits per second; 0 is the type's default: Opus 64 kbit/s mono, 96 kbit/s
  // stereo; Vorbis and MP3 code by quality unless given one.
  uint32_t BitRate = 0;
  // Below 0 the type's default: FLAC level 5, Vorbis quality 5, MP3 VBR V2.
  int Quality = -1;
  QString Title;  // empty: no title tag
  QString Date;   // as tags carry it, ISO 8601 ("2024-05-01T10:30:00"); empty: no date tag
};

// The type's usual extension without the dot: "flac", "opus", "ogg", "mp3".
QString ExportExtension(TdeExportType type);
// The type an extension names, in any case ("oga" is Vorbis too); none for others.
std::optional<TdeExportType> ExportTypeOf(const QString& extension);
// "FLAC", "Opus", "Vorbis", "MP3".
QString ExportTypeName(TdeExportType type);

// One encoded file from linear PCM blocks. Raises EACMAudioStreamError when the
// format is not linear or the encoder refuses it, EFCreateError when the target's
// folder takes no file; every failure later raises EACMAudioStreamError with
// the reason (a full disk names itself).
class TdeEncodedFileWriter {
 public:
  TdeEncodedFileWriter(const QString& target, const TdeExportSettings& settings, const TdeWaveFormat& pcm);
  // Into a stream of the caller's that can seek (a copy kept in memory), which
  // it keeps for the writer's life; Commit completes the file in it.
  TdeEncodedFileWriter(TStream* out, const TdeExportSettings& settings, const TdeWaveFormat& pcm);
  // Without Commit the temporary file goes and the target is untouched.
  ~TdeEncodedFileWriter();
  TdeEncodedFileWriter(const TdeEncodedFileWriter&) = delete;
  TdeEncodedFileWriter& operator=(const TdeEncodedFileWriter&) = delete;

  // Bytes of audio in the format given; a partial sample frame waits for the next block.
  void Write(const void* data, int32_t size);
  // Completes the file and gives it the target's name; raises when no audio
  // was written (players refuse such a file).
  void Commit();
  // What the file holds.
  uint32_t Rate() const;
  uint16_t Channels() const;

 private:
  struct TState;
  std::unique_ptr<TState> F;
  void Open(const TdeExportSettings& settings, const TdeWaveFormat& pcm, const QString& target);
};

// Called with the bytes of the source done and their total; false cancels.
using TdeExportProgress = std::function<bool(int64_t done, int64_t total)>;

// Decodes the RIFF WAVE file source into a copy of settings' type at target.
// True when the copy is complete, false when progress cancelled it (nothing is
// left). Raises what the reader, the codec chain or the writer raise.
bool ExportAudioFile(const QString& source, const QString& target, const TdeExportSettings& settings,
                     const TdeExportProgress& progress = {});
