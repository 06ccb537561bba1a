// Files in every codec against ffmpeg, ffprobe and sox: ours decode in theirs
// to what our decoder gives, theirs decode in ours to what they give.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "AcmAvCodec.h"
#include "CodecTestSupport.h"
#include "deAudioStreams.h"

using namespace codectest;

namespace {

struct TPeerCodec {
  uint16_t Tag;
  uint32_t FormatIndex;     // enumerated format we write
  const char* FfName;       // ffprobe's codec_name
  const char* FfEncoder;    // ffmpeg's encoder for files of theirs
  const char* SoxEncoding;  // nullptr: sox lacks the codec
  double MinSnr;            // our decoding against theirs of the same file
};

// 8000 or 22050 Hz mono and stereo, the shapes recordings take.
const TPeerCodec Peers[] = {
    {WAVE_FORMAT_ALAW, 1, "pcm_alaw", "pcm_alaw", "a-law", 60},
    {WAVE_FORMAT_MULAW, 0, "pcm_mulaw", "pcm_mulaw", "u-law", 60},
    {WAVE_FORMAT_IMA_ADPCM, 5, "adpcm_ima_wav", "adpcm_ima_wav", "ima-adpcm", 40},
    {WAVE_FORMAT_ADPCM, 4, "adpcm_ms", "adpcm_ms", "ms-adpcm", 40},
    {WAVE_FORMAT_GSM610, 0, "gsm_ms", "libgsm_ms", "gsm-full-rate", 30},
    {WAVE_FORMAT_MPEGLAYER3, 7 * 28 + 14 + 8, "mp3", "libmp3lame", nullptr, 40},  // 44.1 kHz stereo 128k
};

bool Exec(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForStarted(10000) || !p.waitForFinished(120000)) return false;
  if (out) *out = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::vector<int16_t> Samples(const QByteArray& raw) {
  std::vector<int16_t> s(size_t(raw.size()) / 2);
  std::memcpy(s.data(), raw.data(), s.size() * 2);
  return s;
}

TFormat Enumerated(uint16_t tag, uint32_t index) {
  TFormat f;
  for (const auto& nd : CodecDrivers())
    if (nd.Driver->EnumFormat(tag, index, f.Wfx())) break;
  return f;
}

// Decodes coded bytes of format w with our driver.
std::vector<int16_t> OurDecode(const WAVEFORMATEX* w, const Bytes& coded) {
  const TFormat pcm = Pcm(w->nSamplesPerSec, 16, w->nChannels);
  auto dec = OpenPair(w, pcm.Wfx());
  EXPECT_TRUE(dec);
  if (!dec) return {};
  const auto r = Pump(*dec, coded, 4096, 1, true);
  EXPECT_TRUE(r.Ok) << r.Failure;
  return ToSamples(r.Out);
}

void WriteWave(const QString& name, const WAVEFORMATEX* w, const Bytes& coded) {
  TFileStream file(name, fmCreate);
  TdeRIFFAudioWriter writer(&file);
  std::memcpy(writer.GetFormat()->WaveFormat(), w, 18 + w->cbSize);
  writer.Write(coded.data(), int32_t(coded.size()));
  writer.Finish();
}

// Reads a file's format and coded bytes with our reader.
Bytes ReadWave(const QString& name, TFormat& format) {
  TFileStream file(name, fmOpenRead);
  TdeRIFFAudioReader reader(&file);
  std::memcpy(format.Buffer, reader.GetFormat()->WaveFormat(), WAVE_FORMAT_BUFFER_SIZE);
  auto window = reader.OpenStream(0);
  Bytes data(size_t(window->Size()));
  window->Read(data.data(), int32_t(data.size()));
  return data;
}

class CodecPeers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Exec("ffmpeg", {"-version"}) || !Exec("sox", {"--version"})) GTEST_FAIL() << "ffmpeg or sox missing";
    ASSERT_TRUE(Dir.isValid());
  }
  QString Path(const QString& name) const { return Dir.filePath(name); }
  QTemporaryDir Dir;
};

}  // namespace

TEST_F(CodecPeers, OurFilesDecodeInFfmpegAndSoxAsInOurs) {
  for (const auto& peer : Peers) {
    const TFormat f = Enumerated(peer.Tag, peer.FormatIndex);
    const WAVEFORMATEX* w = f.Wfx();
    SCOPED_TRACE(Describe(w));
    const uint16_t ch = w->nChannels;
    const TFormat pcm = Pcm(w->nSamplesPerSec, 16, ch);
    auto enc = OpenPair(pcm.Wfx(), w);
    ASSERT_TRUE(enc);
    const auto e = Pump(*enc, ToBytes(SpeechLike(w->nSamplesPerSec, ch, 1.0)), 4096, 1, true);
    ASSERT_TRUE(e.Ok) << e.Failure;
    const QString name = Path(QString("ours-%1.wav").arg(peer.FfName));
    WriteWave(name, w, e.Out);
    const auto ours = OurDecode(w, e.Out);

    QByteArray probe;
    ASSERT_TRUE(
        Exec("ffprobe",
             {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels", "-of", "default=nw=1", name},
             &probe));
    EXPECT_TRUE(probe.contains(QByteArray("codec_name=") + peer.FfName)) << probe.toStdString();
    EXPECT_TRUE(probe.contains("sample_rate=" + QByteArray::number(w->nSamplesPerSec))) << probe.toStdString();
    EXPECT_TRUE(probe.contains("channels=" + QByteArray::number(ch))) << probe.toStdString();

    QByteArray raw;
    ASSERT_TRUE(Exec("ffmpeg", {"-v", "error", "-i", name, "-f", "s16le", "-acodec", "pcm_s16le", "-"}, &raw));
    const auto theirs = Samples(raw);
    EXPECT_NEAR(double(theirs.size()), double(ours.size()), ours.size() * 0.01 + 2 * 1152 * ch);
    EXPECT_GT(SnrDb(ours, theirs, ch), peer.MinSnr);

    if (peer.SoxEncoding) {
      ASSERT_TRUE(Exec("sox", {name, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"}, &raw));
      const auto soxs = Samples(raw);
      EXPECT_EQ(soxs.size(), ours.size());
      EXPECT_GT(SnrDb(ours, soxs, ch), peer.MinSnr * 0.5);  // sox's own decoders, not the same code
    }
  }
}

TEST_F(CodecPeers, TheirFilesDecodeInOursAsInTheirs) {
  // Sources: a 1 kHz tone written by ffmpeg, and speech-like sound written by sox.
  struct TSource {
    const char* Writer;
    uint32_t Rate;
    int Channels;
  };
  for (const auto& peer : Peers) {
    for (const TSource& src : {TSource{"ffmpeg", peer.Tag == WAVE_FORMAT_MPEGLAYER3 ? 44100u : 22050u,
                                       peer.Tag == WAVE_FORMAT_GSM610 ? 1 : 2},
                               TSource{"sox", 8000, 1}}) {
      if (src.Writer == std::string("sox") && !peer.SoxEncoding) continue;
      const bool gsm = peer.Tag == WAVE_FORMAT_GSM610;
      const uint32_t rate = gsm ? 8000 : src.Rate;
      SCOPED_TRACE(std::string(src.Writer) + " " + peer.FfName + " " + std::to_string(rate));
      const QString name = Path(QString("%1-%2-%3.wav").arg(src.Writer, peer.FfName).arg(rate));
      if (src.Writer == std::string("ffmpeg")) {
        ASSERT_TRUE(Exec("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", QString("sine=f=1000:r=%1:d=1").arg(rate),
                                    "-ac", QString::number(src.Channels), "-c:a", peer.FfEncoder, name}));
      } else {
        const QString pcmName = Path("sox-source.wav");
        const auto speech = SpeechLike(rate, 1, 1.0);
        {
          TFileStream file(pcmName, fmCreate);
          TdeRIFFAudioWriter writer(&file);
          std::memcpy(writer.GetFormat()->WaveFormat(), Pcm(rate, 16, 1).Buffer, 18);
          writer.Write(speech.data(), int32_t(speech.size() * 2));
          writer.Finish();
        }
        ASSERT_TRUE(Exec("sox", {pcmName, "-e", peer.SoxEncoding, name}));
      }
      TFormat format;
      Bytes coded;
      try {
        coded = ReadWave(name, format);
      } catch (const Exception& e) {
        ADD_FAILURE() << "our reader refuses " << name.toStdString() << ": " << e.Message().toStdString();
        continue;
      }
      const WAVEFORMATEX* w = format.Wfx();
      ASSERT_EQ(w->wFormatTag, peer.Tag);
      const TFormat pcm = Pcm(w->nSamplesPerSec, 16, w->nChannels);
      ASSERT_TRUE(CanConvert(w, pcm.Wfx(), true));
      const auto ours = OurDecode(w, coded);
      QByteArray raw;
      ASSERT_TRUE(Exec("ffmpeg", {"-v", "error", "-i", name, "-f", "s16le", "-acodec", "pcm_s16le", "-"}, &raw));
      const auto theirs = Samples(raw);
      ASSERT_FALSE(ours.empty());
      EXPECT_NEAR(double(ours.size()), double(theirs.size()), theirs.size() * 0.01 + 2 * 1152 * w->nChannels);
      EXPECT_GT(SnrDb(theirs, ours, w->nChannels), peer.MinSnr);
    }
  }
}

// MP3 decodes to floats that overshoot full scale on a loud signal: ours
// rounds and clips them to 16 bits exactly as ffmpeg does, sample for sample.
TEST_F(CodecPeers, aLoudMp3DecodesSampleForSampleAsFfmpegDecodesIt) {
  const QString name = Path("loud.wav");
  ASSERT_TRUE(Exec("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                              "aevalsrc=if(lt(mod(t*441\\,1)\\,0.5)\\,0.99\\,-0.99)|0.97*sin(2*PI*t*1000):s=44100:d=1",
                              "-c:a", "libmp3lame", "-b:a", "128k", name}));
  TFormat format;
  const Bytes coded = ReadWave(name, format);
  ASSERT_EQ(format.Wfx()->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
  const auto ours = OurDecode(format.Wfx(), coded);
  QByteArray raw;
  ASSERT_TRUE(Exec("ffmpeg", {"-v", "error", "-i", name, "-f", "s16le", "-acodec", "pcm_s16le", "-"}, &raw));
  const auto theirs = Samples(raw);
  ASSERT_GT(theirs.size(), 2u * 44100 * 9 / 10);
  const size_t n = std::min(ours.size(), theirs.size());
  EXPECT_GE(n, theirs.size() - 2 * 1152);
  size_t clipped = 0, differ = 0;
  for (size_t i = 0; i < n; ++i) {
    if (theirs[i] == 32767 || theirs[i] == -32768) ++clipped;
    if (ours[i] != theirs[i]) ++differ;
  }
  EXPECT_GT(clipped, 100u) << "the square wave overshoots";
  EXPECT_EQ(0u, differ) << "of " << n << " samples";
}
