// tamsel-convert as a script sees it: exit codes, messages, and files the
// peers read with the right format and content.
#include "WaveTestSupport.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <map>

using namespace wavetest;

#ifdef TAMSEL_CONVERT
namespace {
struct ConvertTool : ::testing::Test {
  QTemporaryDir dir;
  QString input;
  void SetUp() override {
    if (!HavePeer("ffmpeg") || !HavePeer("ffprobe")) GTEST_FAIL() << "ffmpeg/ffprobe missing";
    input = Path("in.wav");
    TdeWaveFormat f;
    SetPcm(f, 2, 44100, 16);
    const auto s = Signal16(44100 * 2, 2, 44100);
    TFileStream out(input, fmCreate);
    TdeRIFFAudioWriter w(&out);
    w.SetFormat(&f);
    w.Write(s.data(), static_cast<int32_t>(s.size() * 2));
  }
  QString Path(const QString& name) const { return dir.filePath(name); }
  int Tool(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
    return RunPeer(QStringLiteral(TAMSEL_CONVERT), args, out, err);
  }
};

std::vector<int16_t> Samples(const std::string& raw) {
  std::vector<int16_t> s(raw.size() / 2);
  std::memcpy(s.data(), raw.data(), s.size() * 2);
  return s;
}

// Signal-to-noise ratio of b against a in dB, after finding the shift two
// decoders may differ by.
double SnrAt(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int shift, size_t step) {
  double sig = 0, noise = 0;
  for (size_t i = 2000; i + 2000 < a.size(); i += step) {
    const int64_t j = static_cast<int64_t>(i) + shift;
    if (j < 0 || j >= static_cast<int64_t>(b.size())) continue;
    sig += double(a[i]) * a[i];
    noise += double(a[i] - b[j]) * (a[i] - b[j]);
  }
  return sig > 0 ? 10 * std::log10(sig / std::max(noise, 1.0)) : -1e9;
}

double Snr(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  // Coarse search on every 16th sample (mp3 decoders may keep the encoder
  // delay), then the exact shift near the best.
  int coarse = 0;
  double best = -1e9;
  for (int shift = -2400; shift <= 2400; ++shift)
    if (const double v = SnrAt(a, b, shift, 16); v > best) best = v, coarse = shift;
  best = -1e9;
  for (int shift = coarse - 4; shift <= coarse + 4; ++shift) best = std::max(best, SnrAt(a, b, shift, 1));
  return best;
}
}  // namespace

TEST_F(ConvertTool, ConvertsToPcmAndPrintsTheSteps) {
  QByteArray out;
  ASSERT_EQ(Tool({"--format", "pcm:22050:mono", input, Path("out.wav")}, &out), 0);
  EXPECT_EQ(out, "PCM: 44.100 kHz, 16 Bit, Stereo\nPCM: 22.050 kHz, 16 Bit, Mono\n");
  EXPECT_EQ(Probe(Path("out.wav"), "codec_name"), "pcm_s16le");
  EXPECT_EQ(Probe(Path("out.wav"), "sample_rate"), "22050");
  EXPECT_EQ(Probe(Path("out.wav"), "channels"), "1");
  EXPECT_NEAR(Probe(Path("out.wav"), "duration").toDouble(), 2.0, 0.05);
}

TEST_F(ConvertTool, InfoAndListDescribeFilesAndFormats) {
  QByteArray out;
  ASSERT_EQ(Tool({"--info", input}, &out), 0);
  EXPECT_TRUE(out.contains("PCM: 44.100 kHz, 16 Bit, Stereo")) << out.toStdString();
  EXPECT_TRUE(out.contains("2.000 s")) << out.toStdString();
  ASSERT_EQ(Tool({"--list-formats"}, &out), 0);
  EXPECT_TRUE(out.contains("pcm:22050:16:mono\t")) << out.toStdString();
}

TEST_F(ConvertTool, FailuresExitNonZeroWithTheLibrarysMessage) {
  QByteArray err;
  WriteFile(Path("bad.wav"), "RIFF\0\0\0\0WAVEfmt ");
  EXPECT_EQ(Tool({"bad.wav", Path("o1.wav")}, nullptr, &err), 1);
  EXPECT_TRUE(err.startsWith("tamsel-convert: ")) << err.toStdString();
  EXPECT_EQ(Tool({Path("bad.wav"), Path("o2.wav")}, nullptr, &err), 1);
  EXPECT_EQ(err, "tamsel-convert: Invalid file format.\n");
  EXPECT_FALSE(QFileInfo::exists(Path("o2.wav")));
  EXPECT_EQ(Tool({"--format", "nonsense:1", input, Path("o3.wav")}, nullptr, &err), 1);
  EXPECT_TRUE(err.contains("Unknown format \"nonsense\"")) << err.toStdString();
  EXPECT_EQ(Tool({input}, nullptr, &err), 2);
  // A full disk shows in the output held back for large writes too; and a
  // device named as the output is left in place.
  if (QFileInfo::exists("/dev/full")) {
    EXPECT_EQ(Tool({"-q", "--format", "mulaw:8000:mono", input, "/dev/full"}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains("No space left on device")) << err.toStdString();
    EXPECT_TRUE(QFileInfo::exists("/dev/full"));
  }
}

TEST_F(ConvertTool, ReadsSixtyFourBitFloatAndRF64_andNamesWhatNoCodecReads) {
  const QStringList from = {"-v", "error", "-y", "-i", input, "-c:a", "pcm_f64le"};
  ASSERT_EQ(RunPeer("ffmpeg", from + QStringList{Path("f64.wav")}), 0);
  ASSERT_EQ(RunPeer("ffmpeg", from + QStringList{"-rf64", "always", Path("f64rf.wav")}), 0);
  QByteArray out, err;
  ASSERT_EQ(Tool({"--info", Path("f64rf.wav")}, &out), 0);
  EXPECT_TRUE(out.contains("44.100 kHz, 64 Bit, Stereo")) << out.toStdString();
  EXPECT_TRUE(out.contains("2.000 s")) << out.toStdString();
  for (const char* name : {"f64.wav", "f64rf.wav"}) {
    ASSERT_EQ(Tool({"-q", "--format", "pcm:16", Path(name), Path("back.wav")}, nullptr, &err), 0) << err.toStdString();
    TFileStream f(Path("back.wav"), fmOpenRead);
    TdeRIFFAudioReader r(&f);
    auto w = r.OpenStream(0);
    std::vector<int16_t> back(static_cast<size_t>(w->Size() / 2));
    w->Read(back.data(), static_cast<int32_t>(back.size() * 2));
    EXPECT_EQ(back, Signal16(44100 * 2, 2, 44100)) << name;  // 16 bits through 64-bit float is exact
  }

  ASSERT_EQ(RunPeer("ffmpeg", {"-v", "error", "-y", "-i", input, "-ar", "8000", "-ac", "1", "-c:a", "adpcm_g726",
                               Path("g726.wav")}),
            0);
  EXPECT_EQ(Tool({"--format", "pcm:16", Path("g726.wav"), Path("no.wav")}, nullptr, &err), 1);
  EXPECT_EQ(err,
            "tamsel-convert: Conversion not possible.\n"
            "No installed codec can decode format tag 0x0045 (8000 Hz, 4 bits, 1 channel).\n");
  EXPECT_FALSE(QFileInfo::exists(Path("no.wav")));
}

TEST_F(ConvertTool, RefusesAnOutputThatIsTheInputUnderAnyName_andLeavesTheInputWhole) {
  const std::string before = ReadFile(input);
  ASSERT_EQ(0, ::symlink(QFile::encodeName(input).constData(), QFile::encodeName(Path("link.wav")).constData()));
  ASSERT_EQ(0, ::link(QFile::encodeName(input).constData(), QFile::encodeName(Path("hard.wav")).constData()));
  for (const QString& out : {input, Path("link.wav"), Path("hard.wav"), Path("./in.wav")}) {
    SCOPED_TRACE(out.toStdString());
    QByteArray err;
    EXPECT_NE(0, Tool({"-q", input, out}, nullptr, &err));
    EXPECT_TRUE(err.contains("same file")) << err.toStdString();
    EXPECT_NE(0, Tool({"-q", "--format", "flac", input, out}, nullptr, &err));
    ASSERT_EQ(before, ReadFile(input));
  }
}

// What no codec manager takes (more than two channels, rates outside 8 to 192
// kHz) the encoders still take, mixed down and resampled where a type must.
TEST_F(ConvertTool, ManyChannelsAndUnusualRatesGoIntoEveryEncodedType) {
  // Channels before the first sounding one are silent: a mix that drops what
  // it cannot place leaves an output channel silent.
  const auto make = [&](const QString& name, int channels, int rate, const char* codec, int sounding = 0) {
    QStringList tones;
    for (int c = 0; c < channels; ++c)
      tones << (c < sounding ? QStringLiteral("0") : QStringLiteral("0.5*sin(%1*2*PI*t)").arg(300 + 40 * c));
    return RunPeer("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                              QStringLiteral("aevalsrc=exprs=%1:s=%2:d=1").arg(tones.join('|')).arg(rate), "-c:a",
                              codec, Path(name)});
  };
  ASSERT_EQ(0, make("film.flac", 6, 48000, "flac"));
  ASSERT_EQ(0, make("twelve.wav", 12, 44100, "pcm_s16le", 4));
  ASSERT_EQ(0, make("low.wav", 3, 4000, "pcm_s16le"));
  ASSERT_EQ(0, make("centre.wav", 3, 8000, "pcm_s16le", 2));
  ASSERT_EQ(0, make("high.wav", 2, 384000, "pcm_s32le"));
  struct TCase {
    const char* In;
    const char* Out;
    const char* Codec;
    const char* Channels;
    const char* Rate;
  };
  for (const TCase& c : std::initializer_list<TCase>{{"film.flac", "film.mp3", "mp3", "2", "48000"},
                                                     {"film.flac", "film.opus", "opus", "6", "48000"},
                                                     {"twelve.wav", "twelve.flac", "flac", "8", "44100"},
                                                     {"twelve.wav", "twelve.ogg", "vorbis", "8", "44100"},
                                                     {"centre.wav", "centre.mp3", "mp3", "2", "8000"},
                                                     {"low.wav", "low.ogg", "vorbis", "3", "4000"},
                                                     {"high.wav", "high.flac", "flac", "2", "384000"},
                                                     {"high.wav", "high.ogg", "vorbis", "2", "192000"}}) {
    SCOPED_TRACE(c.Out);
    QByteArray err;
    ASSERT_EQ(0, Tool({"-q", Path(c.In), Path(c.Out)}, nullptr, &err)) << err.toStdString();
    EXPECT_EQ(Probe(Path(c.Out), "codec_name"), c.Codec);
    EXPECT_EQ(Probe(Path(c.Out), "channels"), c.Channels);
    EXPECT_EQ(Probe(Path(c.Out), "sample_rate"), c.Rate);
    EXPECT_NEAR(Probe(Path(c.Out), "duration").toDouble(), 1.0, 0.16);
    // Every channel carries tones; none was dropped in the mix.
    ASSERT_EQ(0, RunPeer("ffmpeg", {"-v", "error", "-y", "-i", Path(c.Out), "-f", "s16le", Path("pcm.raw")}));
    const std::vector<int16_t> pcm = Samples(ReadFile(Path("pcm.raw")));
    const size_t channels = QString::fromLatin1(c.Channels).toUInt();
    const size_t edge = pcm.size() / 10;  // past the codecs' fade in and out
    for (size_t ch = 0; ch < channels; ++ch) {
      double sum = 0;
      size_t n = 0;
      for (size_t i = edge - edge % channels + ch; i + edge < pcm.size(); i += channels, ++n)
        sum += double(pcm[i]) * pcm[i];
      EXPECT_GT(std::sqrt(sum / std::max<size_t>(n, 1)), 1000.0) << "channel " << ch;
    }
  }
}

namespace {
// Our decoding of a file to 16-bit PCM next to ffmpeg's.
double DecodersAgree(ConvertTool& t, const QString& coded, const QString& stem) {
  if (t.Tool({"-q", "--format", "pcm:16", coded, t.Path(stem + "-ours.wav")}) != 0) return -1e9;
  if (RunPeer("ffmpeg", {"-v", "error", "-y", "-i", coded, "-f", "s16le", t.Path(stem + "-ff.raw")}) != 0) return -1e9;
  TFileStream f(t.Path(stem + "-ours.wav"), fmOpenRead);
  TdeRIFFAudioReader r(&f);
  auto w = r.OpenStream(0);
  std::string ours(static_cast<size_t>(w->Size()), '\0');
  w->Read(ours.data(), static_cast<int32_t>(ours.size()));
  return Snr(Samples(ReadFile(t.Path(stem + "-ff.raw"))), Samples(ours));
}
}  // namespace

TEST_F(ConvertTool, EveryCompressedCodecIsReadByFfmpegAndDecodedAlike) {
  // One mono format per codec the drivers list, as ffmpeg names the codec.
  const std::map<QString, QString> ffNames = {{"alaw", "pcm_alaw"},           {"mulaw", "pcm_mulaw"},
                                              {"ima-adpcm", "adpcm_ima_wav"}, {"ms-adpcm", "adpcm_ms"},
                                              {"gsm610", "gsm_ms"},           {"mp3", "mp3"}};
  const std::map<QString, QString> ffEncoders = {{"alaw", "pcm_alaw"},           {"mulaw", "pcm_mulaw"},
                                                 {"ima-adpcm", "adpcm_ima_wav"}, {"ms-adpcm", "adpcm_ms"},
                                                 {"gsm610", "libgsm_ms"},        {"mp3", "libmp3lame"}};
  const std::map<QString, QString> soxEncodings = {{"alaw", "a-law"},
                                                   {"mulaw", "u-law"},
                                                   {"ima-adpcm", "ima-adpcm"},
                                                   {"ms-adpcm", "ms-adpcm"},
                                                   {"gsm610", "gsm-full-rate"}};
  QByteArray list;
  ASSERT_EQ(Tool({"--list-formats"}, &list), 0);
  std::map<QString, QString> fmts;
  for (const QByteArray& line : list.split('\n')) {
    const QString fmt = QString::fromUtf8(line.left(line.indexOf('\t')));
    const QString tag = fmt.section(':', 0, 0);
    if (ffNames.count(tag) && !fmts.count(tag) && fmt.contains(":mono")) fmts[tag] = fmt;
  }
  // ffmpeg's decoding is the reference for ours.
  for (const auto& [tag, fmt] : fmts) {
    SCOPED_TRACE(fmt.toStdString());
    const QString coded = Path(tag + ".wav");
    ASSERT_EQ(Tool({"-q", "--format", fmt, input, coded}), 0);
    EXPECT_EQ(Probe(coded, "codec_name"), ffNames.at(tag));
    EXPECT_EQ(Probe(coded, "sample_rate"), fmt.section(':', 1, 1));
    EXPECT_EQ(Probe(coded, "channels"), "1");
    EXPECT_GT(DecodersAgree(*this, coded, tag + "-ours"), 30.0);
    // And the same codec as ffmpeg writes it, read by us.
    const QString theirs = Path(tag + "-ffmpeg.wav");
    QStringList enc = {"-v",   "error",           "-y", "-i", input, "-ac", "1", "-ar", fmt.section(':', 1, 1),
                       "-c:a", ffEncoders.at(tag)};
    if (tag == "mp3")
      enc << "-b:a"
          << "64k";
    ASSERT_EQ(RunPeer("ffmpeg", enc << theirs), 0);
    EXPECT_GT(DecodersAgree(*this, theirs, tag + "-theirs"), 30.0);
    if (soxEncodings.count(tag) && HavePeer("sox")) {
      const QString soxs = Path(tag + "-sox.wav");
      ASSERT_EQ(
          RunPeer("sox", {"-V1", input, "-r", fmt.section(':', 1, 1), "-c", "1", "-e", soxEncodings.at(tag), soxs}), 0);
      EXPECT_GT(DecodersAgree(*this, soxs, tag + "-sox"), 30.0);
    }
  }
}
namespace {
// Sample frames in a WAVE file, read through our reader.
int64_t FramesOf(const QString& name) {
  TFileStream f(name, fmOpenRead);
  TdeRIFFAudioReader r(&f);
  return r.GetStreamSize(0) / std::max<int64_t>(r.GetFormat()->BlockAlign(), 1);
}

QString WritePcmFile(const QString& name, uint32_t rate, uint16_t channels, int seconds) {
  TdeWaveFormat f;
  SetPcm(f, channels, rate, 16);
  const auto s = Signal16(int(rate) * seconds, channels, rate);
  TFileStream out(name, fmCreate);
  TdeRIFFAudioWriter w(&out);
  w.SetFormat(&f);
  w.Write(s.data(), static_cast<int32_t>(s.size() * 2));
  return name;
}
}  // namespace

// The end of the input flushes every step: a resampler's delay and a codec's
// last partial frame reach the output, which lasts as long as the input.
TEST(ConvertToolLength, ConversionsKeepTheWholeDuration) {
  QTemporaryDir dir;
  const auto path = [&](const char* n) { return dir.filePath(QString::fromLatin1(n)); };
  const auto run = [](const QStringList& args) { return RunPeer(QStringLiteral(TAMSEL_CONVERT), args); };
  constexpr int kSeconds = 20;
  const QString cd = WritePcmFile(path("cd.wav"), 44100, 2, kSeconds);
  ASSERT_EQ(run({"-q", "--format", "pcm:22050:16:mono", cd, path("half.wav")}), 0);
  EXPECT_NEAR(FramesOf(path("half.wav")), kSeconds * 22050, 1);

  // Every spelling of u-law names the one codec.
  const QString phone = WritePcmFile(path("phone.wav"), 8000, 1, kSeconds);
  for (const char* name : {"mu-law", "mulaw", "u-law", "ulaw"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(run({"-q", "--format", QStringLiteral("%1:8000:mono").arg(QLatin1String(name)), phone, path("mu.wav")}),
              0);
    TFileStream f(path("mu.wav"), fmOpenRead);
    EXPECT_EQ(TdeRIFFAudioReader(&f).GetFormat()->FormatTag(), WAVE_FORMAT_MULAW);
  }
  EXPECT_EQ(FramesOf(path("mu.wav")), kSeconds * 8000);
  ASSERT_EQ(run({"-q", "--format", "pcm:44100:16:mono", path("mu.wav"), path("up.wav")}), 0);
  EXPECT_NEAR(FramesOf(path("up.wav")), kSeconds * 44100, 1);

  // A block codec pads its last frame: never shorter, at most one block longer.
  ASSERT_EQ(run({"-q", "--format", "ima-adpcm:22050:mono", path("half.wav"), path("ima.wav")}), 0);
  ASSERT_EQ(run({"-q", "--format", "pcm:22050:16:mono", path("ima.wav"), path("back.wav")}), 0);
  EXPECT_GE(FramesOf(path("back.wav")), kSeconds * 22050);
  EXPECT_LT(FramesOf(path("back.wav")), kSeconds * 22050 + 2048);
}
#endif
