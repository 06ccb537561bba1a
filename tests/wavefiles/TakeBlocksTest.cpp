// A take entered at a block decodes, in ffmpeg, to exactly what ffmpeg
// decodes from the take's start, from that block on: the block index is
// checked against an independent decoder in every encoding a take is written
// in, MP3's bit reservoir and overlap included.
#include "WaveTestSupport.h"
#include "deAudioStreams.h"
#include "deTakeBlocks.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>

using namespace wavetest;

namespace {

struct TEncoding {
  const char* Name;
  uint16_t Tag;
  uint32_t Rate;
  uint16_t Channels;
};

// MP3 at the three MPEG versions (two granules per frame at 44.1 kHz, one below).
const TEncoding Encodings[] = {
    {"PCM", WAVE_FORMAT_PCM, 22050, 2},
    {"A-law", WAVE_FORMAT_ALAW, 8000, 1},
    {"IMA ADPCM", WAVE_FORMAT_IMA_ADPCM, 22050, 2},
    {"MS ADPCM", WAVE_FORMAT_ADPCM, 11025, 1},
    {"GSM 6.10", WAVE_FORMAT_GSM610, 8000, 1},
    {"MP3 44.1 kHz", WAVE_FORMAT_MPEGLAYER3, 44100, 2},
    {"MP3 22.05 kHz", WAVE_FORMAT_MPEGLAYER3, 22050, 1},
    {"MP3 8 kHz", WAVE_FORMAT_MPEGLAYER3, 8000, 1},
};

// Quiet tone with loud noise bursts: the encoder saves bits in the quiet
// frames and spends them in the loud ones, so MP3 frames lean on the reservoir.
std::vector<int16_t> Bursts(int frames, int channels, uint32_t rate) {
  std::vector<int16_t> s(size_t(frames) * channels);
  uint32_t noise = 99;
  for (int i = 0; i < frames; ++i) {
    const bool loud = (i * 5 / int(rate)) % 2 == 1;
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1103515245u + 12345u;
      const double tone = 3000.0 * std::sin(2 * M_PI * (300.0 + 150.0 * c) * i / rate);
      const double v = tone + (loud ? double(int((noise >> 16) % 40000) - 20000) : 0.0);
      s[size_t(i) * channels + c] = int16_t(std::lround(v));
    }
  }
  return s;
}

std::string Encode(const TEncoding& e, TdeWaveFormat& coded, double seconds) {
  TdeWaveFormat pcm;
  pcm.SetPcm(e.Rate, 16, e.Channels);
  coded.Assign(&pcm);
  if (e.Tag != WAVE_FORMAT_PCM) {
    coded.SetFormatTag(e.Tag);
    EXPECT_EQ(0u, acmFormatSuggest(nullptr, pcm.WaveFormat(), coded.WaveFormat(), TdeWaveFormat::BufferSize,
                                   ACM_FORMATSUGGESTF_WFORMATTAG));
  }
  const auto s = Bursts(int(e.Rate * seconds), e.Channels, e.Rate);
  if (e.Tag == WAVE_FORMAT_PCM) return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  TMiniConvertor step(pcm, coded);
  step.Open(false);
  const int32_t n = step.Convert(s.data(), int32_t(s.size() * 2), false, ACM_STREAMCONVERTF_END);
  return std::string(reinterpret_cast<const char*>(step.OutputBuffer()), size_t(n));
}

void WriteTake(const QString& name, TdeWaveFormat& format, const std::string& data) {
  TFileStream f(name, fmCreate);
  TdeRIFFAudioWriter w(&f);
  w.GetFormat()->Assign(&format);
  w.Write(data.data(), int32_t(data.size()));
  w.Finish();
}

std::vector<int16_t> FfmpegDecode(const QString& name) {
  QByteArray raw;
  EXPECT_EQ(0, RunPeer("ffmpeg", {"-v", "error", "-i", name, "-f", "s16le", "-acodec", "pcm_s16le", "-"}, &raw));
  std::vector<int16_t> s(size_t(raw.size()) / 2);
  std::memcpy(s.data(), raw.data(), s.size() * 2);
  return s;
}

}  // namespace

TEST(TakeBlocks, aDecodeEnteredAtAnyBlockMatchesFfmpegsDecodeFromTheStart) {
  if (!HavePeer("ffmpeg")) GTEST_FAIL() << "ffmpeg missing";
  QTemporaryDir dir;
  for (const TEncoding& e : Encodings) {
    SCOPED_TRACE(e.Name);
    TdeWaveFormat format;
    const std::string data = Encode(e, format, 3.0);
    ASSERT_FALSE(data.empty());
    const QString whole = dir.filePath("whole.wav");
    WriteTake(whole, format, data);
    const auto ref = FfmpegDecode(whole);
    const size_t ch = e.Channels;

    TMemoryStream stream = MemoryOf(data);
    stream.SetPosition(7);
    const TdeTakeBlocks blocks(format, stream);
    EXPECT_EQ(7, stream.Position()) << "the stream is left where it was";
    ASSERT_EQ(int64_t(ref.size() / ch), blocks.Frames());
    const int64_t n = blocks.Blocks();
    ASSERT_GT(n, 20);
    const TdeTakeBlocks::TEntry end = blocks.Nearest(blocks.Frames() + 5);
    EXPECT_EQ(blocks.Frames(), end.Frame);
    EXPECT_EQ(blocks.EndOffset(), end.Offset);

    for (const int64_t b : {int64_t(0), int64_t(1), int64_t(2), n / 3, 2 * n / 3, n - 1}) {
      SCOPED_TRACE("block " + std::to_string(b));
      // A frame inside the block finds it; the nearest boundary rounds.
      const int64_t inside = b * blocks.BlockFrames() + blocks.BlockFrames() / 3;
      const TdeTakeBlocks::TEntry at = blocks.BlockAt(inside);
      EXPECT_EQ(b * blocks.BlockFrames(), at.Frame);
      if (blocks.BlockFrames() > 1) {
        EXPECT_EQ(at.Frame, blocks.Nearest(inside).Frame);
        EXPECT_EQ(at.Frame + blocks.BlockFrames(), blocks.Nearest(inside + blocks.BlockFrames() / 2).Frame);
      }
      ASSERT_LE(at.DecodeOffset, at.Offset);
      const QString part = dir.filePath("part.wav");
      WriteTake(part, format, data.substr(size_t(at.DecodeOffset), size_t(blocks.EndOffset() - at.DecodeOffset)));
      const auto got = FfmpegDecode(part);
      ASSERT_EQ(got.size() / ch - size_t(at.DecodeSkip), ref.size() / ch - size_t(at.Frame));
      size_t differ = 0;
      for (size_t i = size_t(at.DecodeSkip) * ch, j = size_t(at.Frame) * ch; i < got.size(); ++i, ++j)
        differ += got[i] != ref[j];
      EXPECT_EQ(0u, differ) << "of " << got.size() - size_t(at.DecodeSkip) * ch << " samples";
    }
  }
}
