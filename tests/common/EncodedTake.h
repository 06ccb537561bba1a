#pragma once
// Takes in any encoding the window records in, made by our own encoders, and
// their decoding by ffmpeg, the independent decoder the tests compare with.
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

class TdeWaveFormat;

// An encoding a take is written in, with the sample frames of one of its blocks.
struct TTakeEncoding {
  const char* Name;
  uint16_t Tag;
  uint32_t Rate;
  uint16_t Channels;
  int64_t BlockFrames;
};

// Every encoding the format chooser offers, and MP3 at all three MPEG
// versions (two granules per frame at 44.1 kHz, one at 22.05 and 8 kHz).
const std::vector<TTakeEncoding>& TakeEncodings();

// 16-bit interleaved: a quiet tone with loud noise bursts, five a second. The
// MP3 encoder saves bits in the quiet stretches and spends them in the loud
// ones, so its frames lean on the bit reservoir.
std::vector<int16_t> BurstSignal(int frames, int channels, uint32_t rate);

// Sets format to the encoding's standard format for 16-bit PCM of its rate
// and channels (plain PCM for WAVE_FORMAT_PCM) and returns seconds of
// BurstSignal in it.
std::string EncodeTake(const TTakeEncoding& encoding, double seconds, TdeWaveFormat& format);
// A WAVE file of format holding data.
void WriteTakeFile(const QString& name, TdeWaveFormat& format, const std::string& data);
// ffmpeg's decoding of a file, 16-bit interleaved at its own rate and channels
// (empty when ffmpeg fails).
std::vector<int16_t> FfmpegDecode(const QString& name);
