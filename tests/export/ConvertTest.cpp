// tamsel-convert between the recorder's WAVE encodings and the file types
// every player reads, in both directions, as the peers see the results.
#include "AvFileReader.h"
#include "ExportTestSupport.h"
#include "Streams.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace exporttest;

namespace {

struct ConvertTypes : ::testing::Test {
  QTemporaryDir Dir;
  QString Path(const QString& name) const { return Dir.filePath(name); }
  int Tool(const QStringList& args, QByteArray* err = nullptr) {
    return RunProgram(QStringLiteral(TAMSEL_CONVERT), QStringList{"-q"} + args, nullptr, err);
  }
  // A file made by ffmpeg from a take of ours, as another program would make it.
  QString PeerFile(const QString& name, const QStringList& codec, uint32_t rate, uint16_t channels) {
    WriteTake(Path("signal.wav"), Tones(rate, channels, 3.0), rate, channels, WAVE_FORMAT_PCM);
    EXPECT_EQ(0, RunProgram("ffmpeg", QStringList{"-v", "error", "-y", "-i", Path("signal.wav")} + codec +
                                          QStringList{Path(name)}));
    return Path(name);
  }
};

TEST_F(ConvertTypes, readsAnOpusFileIntoImaAdpcm) {
  const QString opus = PeerFile("speech.opus", {"-c:a", "libopus", "-b:a", "96k"}, 48000, 2);
  ASSERT_EQ(0, Tool({"--format", "ima-adpcm:22050:mono", opus, Path("take.wav")}));
  const auto probed = Probe(Path("take.wav"));
  EXPECT_EQ(QStringLiteral("adpcm_ima_wav"), probed.value("codec_name"));
  EXPECT_EQ(QStringLiteral("22050"), probed.value("sample_rate"));
  EXPECT_EQ(QStringLiteral("1"), probed.value("channels"));
  // One IMA block of padding at most.
  EXPECT_NEAR(3.0, ProbedSeconds(Path("take.wav")), 0.05);
  EXPECT_GE(BestCorrelation(Decoded(Path("signal.wav"), 22050, 1), Decoded(Path("take.wav"), 22050, 1), 1), 0.95);
}

TEST_F(ConvertTypes, readsLosslessFilesWithTheirSampleSize_andLossyOnesAs16Bit) {
  const QString flac =
      PeerFile("studio.flac", {"-c:a", "flac", "-sample_fmt", "s32", "-bits_per_raw_sample", "24"}, 96000, 2);
  ASSERT_EQ(0, Tool({flac, Path("studio.wav")}));
  {
    TFileStream in(Path("studio.wav"), fmOpenRead);
    TdeRIFFAudioReader reader(&in);
    EXPECT_EQ(24, reader.GetFormat()->BitsPerSample());
    EXPECT_EQ(96000u, reader.GetFormat()->SamplesPerSec());
  }
  EXPECT_TRUE(DecodedRaw(flac, "s24le") == DecodedRaw(Path("studio.wav"), "s24le"));

  const QString m4a = PeerFile("phone.m4a", {"-c:a", "aac", "-b:a", "128k"}, 44100, 1);
  ASSERT_EQ(0, Tool({m4a, Path("phone.wav")}));
  const auto probed = Probe(Path("phone.wav"));
  EXPECT_EQ(QStringLiteral("pcm_s16le"), probed.value("codec_name"));
  EXPECT_EQ(QStringLiteral("1"), probed.value("channels"));
  EXPECT_NEAR(3.0, ProbedSeconds(Path("phone.wav")), 0.03);
}

TEST_F(ConvertTypes, writesEachTypeByTheNamesExtensionOrByTheFormatNamed) {
  WriteTake(Path("take.wav"), Tones(44100, 2, 3.0), 44100, 2, WAVE_FORMAT_ADPCM);
  struct TCase {
    QStringList Args;
    const char* Out;
    const char* Codec;
    const char* Container;
  };
  const TCase cases[] = {
      {{}, "a.flac", "flac", "flac"},
      {{}, "b.opus", "opus", "ogg"},
      {{}, "c.ogg", "vorbis", "ogg"},
      {{}, "d.mp3", "mp3", "mp3"},
      {{"--format", "flac:8"}, "e.flac", "flac", "flac"},
      {{"--format", "opus:32k"}, "f.audio", "opus", "ogg"},
      {{"--format", "vorbis:q2"}, "g.oga", "vorbis", "ogg"},
      {{"--format", "mp3:v0"}, "h.mp3", "mp3", "mp3"},
      // Into a WAVE file "mp3" is the recorder's MP3 encoding.
      {{"--format", "mp3:44100:stereo:128k"}, "i.wav", "mp3", "wav"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Out);
    ASSERT_EQ(0, Tool(c.Args + QStringList{Path("take.wav"), Path(c.Out)}));
    const auto probed = Probe(Path(c.Out));
    EXPECT_EQ(QString::fromLatin1(c.Codec), probed.value("codec_name"));
    EXPECT_EQ(QString::fromLatin1(c.Container), probed.value("format_name").section(',', 0, 0));
    EXPECT_EQ(QStringLiteral("2"), probed.value("channels"));
  }
  // The settings named reach the encoder.
  EXPECT_LT(Probe(Path("f.audio")).value("bit_rate").toInt() * 2, Probe(Path("b.opus")).value("bit_rate").toInt());
  EXPECT_GT(Probe(Path("h.mp3")).value("bit_rate").toInt(), Probe(Path("d.mp3")).value("bit_rate").toInt());

  QByteArray err;
  EXPECT_EQ(1, Tool({"--format", "opus:q5", Path("take.wav"), Path("x.opus")}, &err));
  EXPECT_TRUE(err.contains("opus takes a bit rate (opus:96k)")) << err.toStdString();
  EXPECT_EQ(1, Tool({"--format", "flac:13", Path("take.wav"), Path("x.flac")}, &err));
  EXPECT_TRUE(err.contains("outside 0 to 12")) << err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Path("x.opus")) || QFileInfo::exists(Path("x.flac")));
}

}  // namespace

// Hand-made AU files (the simplest header libavformat reads) with the rates and
// channel counts of a damaged or hostile file: each is refused with a reason,
// or read whole. A rate no recording has would resample a tiny file into hours.
TEST(ConvertInput, hostileRatesAndChannelCountsAreRefusedWithAReason) {
  const auto au = [](uint32_t rate, uint32_t channels) {
    std::string bytes = ".snd";
    for (uint32_t v : {24u, 0xFFFFFFFFu, 3u, rate, channels})  // offset, size unknown, 16-bit, rate, channels
      for (int shift = 24; shift >= 0; shift -= 8) bytes += char(v >> shift);
    return bytes + std::string(4000, '\x11');
  };
  struct TCase {
    uint32_t Rate, Channels;
    int64_t Frames;  // -1: refused
  };
  for (const TCase c : {TCase{8000, 1, 2000}, TCase{1000, 2, 1000}, TCase{768000, 1, 2000}, TCase{0, 1, -1},
                        TCase{1, 1, -1}, TCase{999, 1, -1}, TCase{768001, 1, -1}, TCase{0x80000000u, 1, -1},
                        TCase{8000, 0, -1}, TCase{8000, 1000, -1}, TCase{8000, 0x80000000u, -1}}) {
    const std::string bytes = au(c.Rate, c.Channels);
    TMemoryStream in;
    in.WriteBuffer(bytes.data(), int32_t(bytes.size()));
    in.SetPosition(0);
    int64_t frames = -1;
    QString refusal;
    try {
      TAvFileReader reader(&in, 2);
      frames = 0;
      for (const uint8_t* data = nullptr; const uint32_t n = reader.Read(data);) frames += n;
    } catch (const EACMAudioReadError& e) {
      refusal = e.Message();
    }
    EXPECT_EQ(c.Frames, frames) << c.Rate << " Hz, " << c.Channels << " channels";
    EXPECT_EQ(c.Frames < 0, !refusal.isEmpty()) << refusal.toStdString();
  }
}
