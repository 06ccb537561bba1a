#pragma once
// Target formats named on the command line ("ima-adpcm:22050:mono",
// "pcm:44100:16:stereo", "mp3:44100:stereo:128k") and the codec manager's
// formats they select.
#include "deACM.h"
#include "deAudioExport.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct TFormatSpec {
  uint16_t Tag = 0;
  std::optional<uint32_t> Rate;
  std::optional<uint16_t> Bits;
  std::optional<uint16_t> Channels;
  std::optional<uint32_t> BitRate;  // bits per second
};

// Raises EConvertError with a sentence naming the bad part.
TFormatSpec ParseFormatSpec(const QString& text);
// The short name of a tag ("ima-adpcm"), or its number in hex.
QString TagName(uint16_t tag);
// The format code that selects exactly this format.
QString SpecOf(const TdeWaveFormat& format);

// Every format of every enabled driver, in driver and enumeration order.
struct TListedFormat {
  QString Driver;
  TdeWaveFormat Format;
};
std::vector<std::unique_ptr<TListedFormat>> ListFormats();

// The format the code names; fields it leaves open follow source where the
// codec offers that, otherwise the codec's first format that fits. Raises
// EConvertError when no installed codec offers a matching format.
void SelectFormat(const TFormatSpec& fmt, const TdeWaveFormat& source, TdeWaveFormat& result);

// The file types a copy plays everywhere in, named "flac", "flac:8" (level),
// "opus:96k", "vorbis" or "ogg" with ":q6" (quality) or ":160k", "mp3" with
// ":v0" (VBR level) or ":192k" (constant rate). None when text names no such
// type; EConvertError for a bad part.
std::optional<TdeExportSettings> ParseExportSpec(const QString& text);
