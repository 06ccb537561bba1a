// Copies of takes in FLAC, Opus, Vorbis and MP3 as the peers see them: the
// codec, rate, channels, length and tags ffprobe reads, and what ffmpeg
// decodes against the take.
#include "AvFileWriter.h"
#include "ExportTestSupport.h"
#include "Streams.h"
#include "deAudioExport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

using namespace exporttest;

namespace {

// Every encoding the format chooser offers for a recording.
struct TTakeCase {
  const char* Name;
  uint16_t Tag;
  uint32_t Rate;
  uint16_t Channels;
};
const TTakeCase kTakes[] = {
    {"ImaAdpcm", WAVE_FORMAT_IMA_ADPCM, 22050, 1}, {"MsAdpcm", WAVE_FORMAT_ADPCM, 22050, 2},
    {"Gsm610", WAVE_FORMAT_GSM610, 8000, 1},       {"Alaw", WAVE_FORMAT_ALAW, 8000, 1},
    {"Mulaw", WAVE_FORMAT_MULAW, 11025, 2},        {"Mp3InWave", WAVE_FORMAT_MPEGLAYER3, 44100, 2},
};

struct TTypeCase {
  const char* Name;
  TdeExportType Type;
  const char* Codec;
  const char* Extension;
  uint32_t FixedRate;     // 0: the take's rate
  uint32_t FrameSamples;  // the codec's largest frame, at FixedRate or the take's rate
};
const TTypeCase kTypes[] = {
    {"Flac", TdeExportType::Flac, "flac", "flac", 0, 4608},
    {"Opus", TdeExportType::Opus, "opus", "opus", 48000, 960},
    {"Vorbis", TdeExportType::Vorbis, "vorbis", "ogg", 0, 2048},
    {"Mp3", TdeExportType::Mp3, "mp3", "mp3", 0, 1152},
};

class EveryTakeToEveryType : public ::testing::TestWithParam<std::tuple<TTakeCase, TTypeCase>> {
 protected:
  QTemporaryDir Dir;
};

TEST_P(EveryTakeToEveryType, isReadBackWithItsCodecRateChannelsLengthAndTags) {
  const auto& [take, type] = GetParam();
  const QString takeName = Dir.filePath(QStringLiteral("take.wav"));
  WriteTake(takeName, Tones(take.Rate, take.Channels, 3.0), take.Rate, take.Channels, take.Tag);
  const QString copy = Dir.filePath(QStringLiteral("录音 采访.") + QString::fromLatin1(type.Extension));
  TdeExportSettings settings;
  settings.Type = type.Type;
  settings.Title = QStringLiteral("录音 采访");
  settings.Date = QStringLiteral("2024-05-01T10:30:00");
  ASSERT_TRUE(ExportAudioFile(takeName, copy, settings));

  const auto probed = Probe(copy);
  const uint32_t rate = type.FixedRate ? type.FixedRate : take.Rate;
  EXPECT_EQ(QString::fromLatin1(type.Codec), probed.value("codec_name"));
  EXPECT_EQ(QString::number(rate), probed.value("sample_rate"));
  EXPECT_EQ(QString::number(take.Channels), probed.value("channels"));
  EXPECT_EQ(settings.Title, probed.value("title"));
  EXPECT_EQ(settings.Date, probed.value("date"));

  // As long as the take the recorder plays, to one frame of the codec.
  const std::vector<int16_t> played = PlayedPcm(takeName);
  const double takeSeconds = double(played.size() / take.Channels) / take.Rate;
  ASSERT_NEAR(3.0, takeSeconds, 0.1);
  EXPECT_NEAR(takeSeconds, ProbedSeconds(copy), double(type.FrameSamples) / rate);

  const std::vector<int16_t> copied = Decoded(copy, take.Rate, take.Channels);
  if (type.Type == TdeExportType::Flac) {
    // Lossless: exactly what the recorder plays.
    EXPECT_TRUE(copied == played) << copied.size() << " samples decoded, " << played.size() << " played";
  } else {
    EXPECT_GE(BestCorrelation(Decoded(takeName, take.Rate, take.Channels), copied, take.Channels), 0.95);
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<TTakeCase, TTypeCase>>& info) {
  return std::string(std::get<0>(info.param).Name) + "To" + std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Export, EveryTakeToEveryType,
                         ::testing::Combine(::testing::ValuesIn(kTakes), ::testing::ValuesIn(kTypes)), CaseName);

// Samples that use every bit of their size: tones with noise down to the last bit.
QByteArray LinearSamples(uint16_t bytesPerSample, size_t count) {
  QByteArray s;
  uint32_t noise = 99;
  for (size_t i = 0; i < count; ++i) {
    noise = noise * 1664525u + 1013904223u;
    const double tone = 0.6 * std::sin(2 * M_PI * 330.0 * double(i) / 44100.0);
    const auto v = static_cast<int32_t>(tone * 8388000.0) ^ static_cast<int32_t>(noise >> 24);
    if (bytesPerSample == 1) s.append(static_cast<char>((v >> 16) + 128));
    for (int b = 3 - bytesPerSample; b < 3 && bytesPerSample > 1; ++b) s.append(static_cast<char>(v >> (8 * b)));
  }
  return s;
}

TEST(Export, flacHoldsLinearTakesBitForBit) {
  struct TCase {
    uint32_t Rate;
    uint16_t Bits, Channels;
    const char* Raw;  // ffmpeg's name for the samples as the take holds them
  };
  for (const TCase& c : {TCase{44100, 16, 2, "s16le"}, TCase{48000, 24, 1, "s24le"}, TCase{11025, 8, 1, "u8"}}) {
    SCOPED_TRACE(c.Raw);
    QTemporaryDir dir;
    TdeWaveFormat format;
    format.SetPcm(c.Rate, c.Bits, c.Channels);
    const QByteArray samples = LinearSamples(c.Bits / 8, size_t(c.Rate) * 2 * c.Channels + 3 * c.Channels);
    WriteLinearTake(dir.filePath("take.wav"), samples, format);
    ASSERT_TRUE(ExportAudioFile(dir.filePath("take.wav"), dir.filePath("copy.flac"), TdeExportSettings{}));
    EXPECT_EQ(QString::number(c.Rate), Probe(dir.filePath("copy.flac")).value("sample_rate"));
    const QByteArray decoded = DecodedRaw(dir.filePath("copy.flac"), QString::fromLatin1(c.Raw));
    ASSERT_EQ(samples.size(), decoded.size());
    EXPECT_TRUE(samples == decoded);
  }
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TEST(Export, cancelLeavesNothingBehind_andAFileItWasToReplaceAsItWas) {
  QTemporaryDir dir;
  const QString take = dir.filePath("take.wav");
  WriteTake(take, Tones(22050, 1, 20.0), 22050, 1, WAVE_FORMAT_IMA_ADPCM);
  const QString older = dir.filePath("older.mp3");
  {
    QFile f(older);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("the copy made yesterday");
  }
  for (TdeExportType type : {TdeExportType::Mp3, TdeExportType::Opus}) {
    int asked = 0;
    int64_t lastDone = 0;
    TdeExportSettings settings;
    settings.Type = type;
    // Cancelled half-way: the encoder has written part of a file by then.
    EXPECT_FALSE(ExportAudioFile(take, older, settings, [&](int64_t done, int64_t total) {
      lastDone = done;
      return ++asked < 40 || done * 2 < total;
    }));
    EXPECT_GT(asked, 40);
    EXPECT_GT(lastDone, 0);
    EXPECT_EQ(QStringList({"older.mp3", "take.wav"}), Entries(dir));
    QFile f(older);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ("the copy made yesterday", f.readAll());
  }
  // Cancelled at once, under a new name.
  EXPECT_FALSE(
      ExportAudioFile(take, dir.filePath("new.flac"), TdeExportSettings{}, [](int64_t, int64_t) { return false; }));
  EXPECT_EQ(QStringList({"older.mp3", "take.wav"}), Entries(dir));
}

// A disk that fills up after some bytes.
class TFillingStream : public TMemoryStream {
 public:
  explicit TFillingStream(int64_t room) : FRoom(room) {}
  int32_t Write(const void* buffer, int32_t count) override {
    const auto n = static_cast<int32_t>(std::clamp<int64_t>(FRoom - Position(), 0, count));
    return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
  }

 private:
  int64_t FRoom;
};

TEST(Export, failuresRaiseWithTheirReason_andLeaveNoFile) {
  QTemporaryDir dir;
  const QString take = dir.filePath("take.wav");
  WriteTake(take, Tones(8000, 1, 2.0), 8000, 1, WAVE_FORMAT_GSM610);
  TdeExportSettings settings;
  settings.Type = TdeExportType::Vorbis;

  // A folder that is not there.
  EXPECT_THROW(ExportAudioFile(take, dir.filePath("gone/copy.ogg"), settings), EFCreateError);
  // A take the reader refuses.
  const QString damaged = dir.filePath("damaged.wav");
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("RIFF\x10\0\0\0WAVEfmt \x40\0\0\0", 20));
  }
  try {
    ExportAudioFile(damaged, dir.filePath("copy.ogg"), settings);
    ADD_FAILURE() << "a damaged take was saved";
  } catch (const EACMAudioReadError& e) {
    EXPECT_EQ(QStringLiteral("Invalid file format."), e.Message());
  }
  // A take without audio (a recording that failed at once) is no copy either.
  const QString empty = dir.filePath("empty.wav");
  {
    QFile f(empty);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // PCM 44100 Hz 16-bit stereo, a data chunk of 0 bytes.
    f.write(QByteArray("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data\0\0\0\0",
                       44));
  }
  try {
    ExportAudioFile(empty, dir.filePath("copy.ogg"), settings);
    ADD_FAILURE() << "an empty take was saved";
  } catch (const EACMAudioStreamError& e) {
    EXPECT_EQ(QStringLiteral("The take holds no audio to save."), e.Message());
  }
  EXPECT_EQ(QStringList({"damaged.wav", "empty.wav", "take.wav"}), Entries(dir));

  // A take cut short under the copy (or a read that fails) is no copy of it.
  const QString shrinking = dir.filePath("shrinking.wav");
  ASSERT_TRUE(QFile::copy(take, shrinking));
  try {
    ExportAudioFile(shrinking, dir.filePath("cut.ogg"), settings, [&](int64_t, int64_t) {
      QFile::resize(shrinking, 1000);
      return true;
    });
    ADD_FAILURE() << "a copy of part of the take was saved as the take";
  } catch (const EACMAudioReadError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("cut short"))) << e.Message().toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("cut.ogg")));

  // A disk that fills up: the encoder says so, at the latest when it finishes.
  for (TAvFileType type : {TAvFileType::Flac, TAvFileType::Opus, TAvFileType::Vorbis, TAvFileType::Mp3}) {
    TFillingStream full(6000);
    TAvFileSettings avSettings;
    avSettings.Type = type;
    const std::vector<int16_t> tones = Tones(44100, 2, 2.0);
    try {
      TAvFileWriter writer(&full, avSettings, TAvPcmLayout{TAcmSampleKind::S16, 2, 44100});
      writer.Write(tones.data(), static_cast<uint32_t>(tones.size() / 2));
      writer.Finish();
      ADD_FAILURE() << "a full disk went unnoticed";
    } catch (const EACMAudioStreamError& e) {
      EXPECT_EQ(QStringLiteral("Error writing the audio file."), e.Message());
    }
  }
}

}  // namespace
