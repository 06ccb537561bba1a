// The PCM converter against ffmpeg and sox on the same files.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <cmath>
#include <cstring>

#include "AcmTestSupport.h"

namespace {

bool HaveTools() {
  return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty() &&
         !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();
}

std::vector<int16_t> Samples16(const std::vector<uint8_t>& data) {
  std::vector<int16_t> s(data.size() / 2);
  std::memcpy(s.data(), data.data(), s.size() * 2);
  return s;
}

// The smallest RMS difference (relative to full scale, in dB) over small lags.
double DifferenceDb(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int maxLag) {
  double best = 1e300;
  const size_t n = std::min(a.size(), b.size());
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double sum = 0;
    size_t count = 0;
    for (size_t i = 200; i + 200 < n; ++i) {
      const long j = long(i) + lag;
      if (j < 0 || size_t(j) >= b.size()) continue;
      const double d = (a[i] - b[size_t(j)]) / 32768.0;
      sum += d * d;
      ++count;
    }
    if (count) best = std::min(best, sum / count);
  }
  return 10 * std::log10(std::max(best, 1e-30));
}

TEST(Peers, soxSine_downToMono22050_matchesFfmpegWithTheSameEngine) {
  if (!HaveTools()) GTEST_FAIL() << "ffmpeg or sox missing";
  const QString sine = TempPath(QStringLiteral("sine44.wav")), theirs = TempPath(QStringLiteral("ff22.wav"));
  ASSERT_TRUE(RunCommand(QStringLiteral("sox -q -n -r 44100 -b 16 -c 2 '%1' synth 2 sine 1000 vol 0.5").arg(sine)));
  ASSERT_TRUE(
      RunCommand(QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -y -i '%1' -af "
                                "'pan=mono|c0=0.5*c0+0.5*c1,aresample=22050:resampler=soxr' -c:a pcm_s16le '%2'")
                     .arg(sine, theirs)));
  TFormatBuffer inFmt, ffFmt;
  std::vector<uint8_t> in, ff;
  ASSERT_TRUE(ReadWave(sine, inFmt, in));
  ASSERT_TRUE(ReadWave(theirs, ffFmt, ff));
  TFormatBuffer out = Linear(22050, 16, 1);
  ASSERT_EQ(std::memcmp(ffFmt.Bytes, out.Bytes, 16), 0);
  const TConversion ours = ConvertAll(inFmt.Wfx(), out.Wfx(), in, 44100 / 8 * 4);
  ASSERT_EQ(ours.Result, 0u);
  EXPECT_NEAR(double(ours.Output.size()), double(ff.size()), 0.005 * ff.size());
  EXPECT_LT(DifferenceDb(Samples16(ours.Output), Samples16(ff), 64), -80);
  EXPECT_NEAR(FitSine(Channel(out.Wfx(), ours.Output, 0), 22050, 1000, 500).Amplitude, 0.5, 0.005);
}

TEST(Peers, ffmpegExtensible24BitFile_decodesLikeFfmpeg) {
  if (!HaveTools()) GTEST_FAIL() << "ffmpeg or sox missing";
  const QString src = TempPath(QStringLiteral("ext24.wav")), theirs = TempPath(QStringLiteral("ext24to16.wav"));
  ASSERT_TRUE(RunCommand(QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                                        "'sine=frequency=440:sample_rate=48000:duration=1' -ac 2 -c:a pcm_s24le '%1'")
                             .arg(src)));
  ASSERT_TRUE(RunCommand(
      QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -y -i '%1' -c:a pcm_s16le '%2'").arg(src, theirs)));
  TFormatBuffer fmt, ffFmt;
  std::vector<uint8_t> in, ff;
  ASSERT_TRUE(ReadWave(src, fmt, in));
  ASSERT_TRUE(ReadWave(theirs, ffFmt, ff));
  ASSERT_EQ(fmt.Wfx()->wFormatTag, WAVE_FORMAT_EXTENSIBLE);
  TFormatBuffer pcm;
  pcm.Wfx()->wFormatTag = WAVE_FORMAT_PCM;
  ASSERT_EQ(acmFormatSuggest(nullptr, fmt.Wfx(), pcm.Wfx(), 512, ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
  EXPECT_EQ(pcm.Wfx()->wBitsPerSample, 24);
  // Same rate down to 16 bits: the very samples ffmpeg writes.
  const TConversion ours = ConvertAll(fmt.Wfx(), ffFmt.Wfx(), in, 6000 * 6);
  ASSERT_EQ(ours.Result, 0u);
  EXPECT_EQ(ours.Output, ff);
}

}  // namespace
