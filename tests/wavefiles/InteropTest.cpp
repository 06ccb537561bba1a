// Files we write are read by ffmpeg, ffprobe and sox with the right format and
// content; files they write are read by us with the right content.
#include "WaveTestSupport.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

using namespace wavetest;

namespace {
struct InteropTest : ::testing::Test {
  QTemporaryDir dir;
  void SetUp() override {
    if (!HavePeer("ffmpeg") || !HavePeer("ffprobe") || !HavePeer("sox")) GTEST_FAIL() << "ffmpeg/ffprobe/sox missing";
  }
  QString Path(const QString& name) const { return dir.filePath(name); }

  // Writes bytes in blocks of an eighth of a second, as a recording does.
  void WriteWave(const QString& name, TdeWaveFormat& format, const std::string& audio) {
    TFileStream f(name, fmCreate);
    TdeRIFFAudioWriter w(&f);
    w.GetFormat()->Assign(&format);
    const size_t block = std::max<size_t>(format.AvgBytesPerSec() / 8, 1);
    for (size_t at = 0; at < audio.size(); at += block)
      w.Write(audio.data() + at, static_cast<int32_t>(std::min(block, audio.size() - at)));
    w.Finish();
  }

  // Our reading of a file: its format and all of its audio bytes.
  std::string ReadWave(const QString& name, TdeWaveFormat* format = nullptr) {
    TFileStream f(name, fmOpenRead);
    TdeRIFFAudioReader r(&f);
    if (format) format->Assign(r.GetFormat());
    auto w = r.OpenStream(0);
    std::string out(static_cast<size_t>(w->Size()), '\0');
    EXPECT_EQ(w->Read(out.data(), static_cast<int32_t>(out.size())), static_cast<int32_t>(out.size()));
    return out;
  }

  std::string Decode(const QString& program, const QStringList& args, const QString& rawName) {
    EXPECT_EQ(RunPeer(program, args), 0) << program.toStdString() << " " << args.join(' ').toStdString();
    return ReadFile(Path(rawName));
  }
};

std::string AsBytes(const std::vector<int16_t>& s) {
  return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
}
}  // namespace

TEST_F(InteropTest, PcmWeWriteIsReadByPeersSampleForSample) {
  struct Case {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    int frames;
    const char* codec;
    const char* raw;
    const char* soxEncoding;
  };
  const Case cases[] = {
      {1, 8000, 8, 8001, "pcm_u8", "u8", "unsigned-integer"},  // odd data: pad byte
      {2, 44100, 16, 44100 * 3 / 2, "pcm_s16le", "s16le", "signed-integer"},
      {1, 22050, 16, 22050 / 3, "pcm_s16le", "s16le", "signed-integer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codec + std::to_string(c.channels));
    std::string audio = AsBytes(Signal16(c.frames, c.channels, c.rate));
    if (c.bits == 8) {
      audio.resize(static_cast<size_t>(c.frames) * c.channels);
      for (char& b : audio) b = static_cast<char>(b + 0x80);
    }
    TdeWaveFormat format;
    SetPcm(format, c.channels, c.rate, c.bits);
    const QString wav = Path("ours.wav");
    WriteWave(wav, format, audio);

    EXPECT_EQ(Probe(wav, "codec_name"), c.codec);
    EXPECT_EQ(Probe(wav, "sample_rate"), QString::number(c.rate));
    EXPECT_EQ(Probe(wav, "channels"), QString::number(c.channels));
    EXPECT_EQ(Decode("ffmpeg", {"-v", "error", "-y", "-i", wav, "-f", c.raw, Path("ff.raw")}, "ff.raw"), audio);
    EXPECT_EQ(Decode("sox", {"-V1", wav, "-t", "raw", "-e", c.soxEncoding, Path("sox.raw")}, "sox.raw"), audio);
    QByteArray samples;
    RunPeer("soxi", {"-s", wav}, &samples);
    EXPECT_EQ(samples.trimmed().toLongLong(), c.frames);
  }
}

TEST_F(InteropTest, CompressedContainerWeWriteKeepsTagAndBytes) {
  // a-law bytes pass through untouched: the container is what is tested here.
  std::string audio(8000 + 1, '\0');
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(0xD5 ^ (i * 13));
  TdeWaveFormat format;
  WAVEFORMATEX* wf = format.WaveFormat();
  *wf = {WAVE_FORMAT_ALAW, 1, 8000, 8000, 1, 8, 0};
  const QString wav = Path("alaw.wav");
  WriteWave(wav, format, audio);
  EXPECT_EQ(Probe(wav, "codec_name"), "pcm_alaw");
  EXPECT_EQ(Decode("ffmpeg", {"-v", "error", "-y", "-i", wav, "-c", "copy", "-f", "alaw", Path("a.raw")}, "a.raw"),
            audio);
  EXPECT_EQ(Decode("sox", {"-V1", wav, "-t", "raw", "-e", "a-law", Path("s.raw")}, "s.raw"), audio);
}

TEST_F(InteropTest, FilesFromFfmpegAreReadWithTheirContent) {
  const std::string audio = AsBytes(Signal16(44100 / 2 + 1, 2, 44100));
  WriteFile(Path("in.raw"), audio);
  const QStringList rawIn = {"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", Path("in.raw")};

  // PCM with a LIST chunk of metadata (odd-sized strings inside).
  ASSERT_EQ(RunPeer("ffmpeg", rawIn + QStringList{"-metadata", "title=abc", "-metadata", "artist=xy", Path("s16.wav")}),
            0);
  TdeWaveFormat f;
  EXPECT_EQ(ReadWave(Path("s16.wav"), &f), audio);
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(f.SamplesPerSec(), 44100u);
  EXPECT_EQ(f.Channels(), 2);

  // 24-bit: the extensible format record with its 22 extra bytes.
  ASSERT_EQ(RunPeer("ffmpeg", rawIn + QStringList{"-c:a", "pcm_s24le", Path("s24.wav")}), 0);
  const std::string s24 = ReadWave(Path("s24.wav"), &f);
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_EXTENSIBLE);
  EXPECT_EQ(f.ExtraSize(), 22);
  EXPECT_EQ(f.BitsPerSample(), 24);
  EXPECT_EQ(f.BlockAlign(), 6);
  EXPECT_EQ(s24,
            Decode("ffmpeg", {"-v", "error", "-y", "-i", Path("s24.wav"), "-f", "s24le", Path("s24.raw")}, "s24.raw"));

  // a-law with its fact chunk, mono at 8000 Hz.
  ASSERT_EQ(RunPeer("ffmpeg", rawIn + QStringList{"-ar", "8000", "-ac", "1", "-c:a", "pcm_alaw", Path("alaw.wav")}), 0);
  const std::string alaw = ReadWave(Path("alaw.wav"), &f);
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_ALAW);
  EXPECT_EQ(f.Channels(), 1);
  EXPECT_EQ(alaw, Decode("ffmpeg",
                         {"-v", "error", "-y", "-i", Path("alaw.wav"), "-c", "copy", "-f", "alaw", Path("alaw.raw")},
                         "alaw.raw"));
}

TEST_F(InteropTest, FilesFromSoxAreReadWithTheirContent) {
  // 8-bit mono with an odd sample count: sox pads the data chunk.
  std::string audio(4001, '\0');
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(128 + 100 * ((i / 9) % 2 ? 1 : -1));
  WriteFile(Path("in.raw"), audio);
  ASSERT_EQ(RunPeer("sox", {"-V1", "-t", "raw", "-r", "8000", "-c", "1", "-e", "unsigned-integer", "-b", "8",
                            Path("in.raw"), Path("u8.wav")}),
            0);
  ASSERT_EQ(ReadFile(Path("u8.wav")).size() % 2, 0u);
  TdeWaveFormat f;
  EXPECT_EQ(ReadWave(Path("u8.wav"), &f), audio);
  EXPECT_EQ(f.BitsPerSample(), 8);

  // u-law with a fact chunk, stereo.
  ASSERT_EQ(RunPeer("sox", {"-V1", "-t", "raw", "-r", "8000", "-c", "2", "-e", "unsigned-integer", "-b", "8",
                            Path("in.raw"), "-e", "u-law", Path("ulaw.wav")}),
            0);
  const std::string ulaw = ReadWave(Path("ulaw.wav"), &f);
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_MULAW);
  EXPECT_EQ(f.Channels(), 2);
  EXPECT_EQ(ulaw.size(), 4000u);  // whole frames only
  EXPECT_EQ(ulaw, Decode("sox", {"-V1", Path("ulaw.wav"), "-t", "raw", "-e", "u-law", Path("ulaw.raw")}, "ulaw.raw"));
}

TEST_F(InteropTest, OurFilesAreWhatFfmpegWritesWithRf64Auto_belowAndPastFourGibibytes) {
  // Below 4 GiB: the same bytes, header and audio.
  const std::string audio = AsBytes(Signal16(44100 / 3, 2, 44100));
  WriteFile(Path("in.raw"), audio);
  const QStringList plain = {"-c", "copy", "-fflags", "+bitexact", "-map_metadata", "-1", "-rf64", "auto"};
  ASSERT_EQ(RunPeer("ffmpeg",
                    QStringList{"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", Path("in.raw")} +
                        plain + QStringList{Path("ff.wav")}),
            0);
  TdeWaveFormat format;
  SetPcm(format, 2, 44100, 16);
  WriteWave(Path("ours.wav"), format, audio);
  EXPECT_EQ(ReadFile(Path("ours.wav")), ReadFile(Path("ff.wav")));

  // Past 4 GiB (silence, which both write as holes): the same header.
  ASSERT_EQ(RunPeer("ffmpeg",
                    QStringList{"-v", "error", "-y", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "/dev/zero", "-t",
                                "24400"} +
                        plain + QStringList{Path("ffbig.wav")},
                    nullptr, nullptr, {QStringLiteral("LD_PRELOAD=" TAMSEL_SPARSE_WRITES)}),
            0);
  int64_t data = 0;
  {
    TFileStream f(Path("ffbig.wav"), fmOpenRead);
    TdeRIFFAudioReader r(&f);
    EXPECT_TRUE(r.IsRF64());
    data = r.GetStreamSize(0);
    EXPECT_EQ(r.DataStart() + data, f.Size());
  }
  ASSERT_GT(data, 0x100000000ll);
  {
    TSparseFileStream f(Path("oursbig.wav"), fmCreate);
    TdeRIFFAudioWriter w(&f);
    w.SetDurable(false);
    w.SetFormat(&format);
    std::vector<char> zeros(size_t(64) << 20);
    for (int64_t left = data; left > 0; left -= int64_t(zeros.size()))
      w.Write(zeros.data(), int32_t(std::min<int64_t>(left, int64_t(zeros.size()))));
  }
  auto head = [](const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.read(80) : QByteArray();
  };
  EXPECT_EQ(head(Path("oursbig.wav")).toHex().toStdString(), head(Path("ffbig.wav")).toHex().toStdString());
  EXPECT_EQ(Probe(Path("oursbig.wav"), "duration"), Probe(Path("ffbig.wav"), "duration"));
  EXPECT_NEAR(Probe(Path("oursbig.wav"), "duration").toDouble(), data / 176400.0, 1e-6);
}

TEST_F(InteropTest, RF64AndBW64FromFfmpegAndLibsndfileAreReadInEveryEncoding) {
  // Whole words of 8-bit audio: ffmpeg counts the pad byte in an RF64 data size.
  WriteFile(Path("in.raw"), AsBytes(Signal16(5334, 1, 8000)));
  const QStringList rawIn = {"-v", "error", "-y", "-f", "s16le", "-ar", "8000", "-ac", "1", "-i", Path("in.raw")};
  // The same coding in a plain file and in RF64 gives the same audio, and a
  // format the codecs know by the same words (libsndfile's RF64 records are
  // the extensible kind). ffmpeg counts the pad byte in an RF64 data size.
  const auto same = [&](const QString& plain, const QString& rf64) {
    SCOPED_TRACE(rf64.toStdString());
    TdeWaveFormat a, b;
    const std::string audio = ReadWave(plain, &a);
    const std::string other = ReadWave(rf64, &b);
    EXPECT_FALSE(audio.empty());
    EXPECT_TRUE(other.substr(0, audio.size()) == audio && other.size() - audio.size() <= (audio.size() & 1))
        << other.size() << " bytes, not " << audio.size();
    const auto words = [](const TdeWaveFormat& f) { return f.Description().section(QStringLiteral(": "), 1); };
    EXPECT_FALSE(words(b).isEmpty());
    EXPECT_EQ(words(a).toStdString(), words(b).toStdString());
    TFileStream f(rf64, fmOpenRead);
    EXPECT_TRUE(TdeRIFFAudioReader(&f).IsRF64());
  };
  const char* const codecs[] = {"pcm_u8",    "pcm_s16le", "pcm_s24le",     "pcm_f32le", "pcm_f64le", "pcm_alaw",
                                "pcm_mulaw", "gsm_ms",    "adpcm_ima_wav", "adpcm_ms",  "libmp3lame"};
  for (const char* codec : codecs) {
    const QStringList how = {"-c:a", codec, "-fflags", "+bitexact"};
    ASSERT_EQ(RunPeer("ffmpeg", rawIn + how + QStringList{Path("plain.wav")}), 0) << codec;
    ASSERT_EQ(RunPeer("ffmpeg", rawIn + how + QStringList{"-rf64", "always", Path("rf64.wav")}), 0) << codec;
    same(Path("plain.wav"), Path("rf64.wav"));
  }
  // BW64 is the same layout under another name.
  std::string bw64 = ReadFile(Path("rf64.wav"));
  ASSERT_EQ(bw64.substr(0, 4), "RF64");
  WriteFile(Path("bw64.wav"), "BW64" + bw64.substr(4));
  same(Path("plain.wav"), Path("bw64.wav"));

  ASSERT_TRUE(HavePeer("sndfile-convert"));
  ASSERT_EQ(RunPeer("sox", {"-V1", "-t", "raw", "-r", "8000", "-c", "1", "-e", "signed-integer", "-b", "16",
                            Path("in.raw"), Path("in.wav")}),
            0);
  for (const char* coding : {"-pcmu8", "-pcm16", "-pcm24", "-float32", "-float64", "-alaw", "-ulaw"}) {
    ASSERT_EQ(RunPeer("sndfile-convert", {coding, Path("in.wav"), Path("sf.wav")}), 0) << coding;
    ASSERT_EQ(RunPeer("sndfile-convert", {coding, Path("in.wav"), Path("sf.rf64")}), 0) << coding;
    same(Path("sf.wav"), Path("sf.rf64"));
  }
}
