// Cutting a take keeps its blocks as they are: ffmpeg decodes the kept part to
// exactly what it decodes the uncut take to over the same stretch, in every
// encoding of the format chooser; the header follows the kept size, from RF64
// to RIFF and back.
#include "WaveTestSupport.h"
#include "deAudioStreams.h"
#include "deTakeCut.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

using namespace wavetest;

namespace {

std::vector<int16_t> Decoded(const QString& wav, const QString& raw) {
  EXPECT_EQ(0, RunPeer("ffmpeg", {"-v", "error", "-y", "-i", wav, "-f", "s16le", raw})) << wav.toStdString();
  const std::string bytes = ReadFile(raw);
  std::vector<int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

// The sample count of a file's "fact" chunk, -1 without one.
int64_t FactCount(const QString& wav) {
  const std::string head = ReadFile(wav).substr(0, 256);
  const size_t at = head.find("fact");
  if (at == std::string::npos || at + 12 > head.size()) return -1;
  uint32_t n = 0;
  std::memcpy(&n, head.data() + at + 8, 4);
  return n;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& s, size_t from, size_t to) {
  to = std::min(to, s.size());
  return from < to ? std::vector<int16_t>(s.begin() + long(from), s.begin() + long(to)) : std::vector<int16_t>{};
}

#ifdef TAMSEL_CONVERT
struct Encoding {
  const char* FormatArg;
  uint32_t Rate;
  int Channels;
  int Block;        // sample frames per block; 0: ADPCM, whose blocks the codec sizes (at most 2048)
  bool WarmsUp;     // the decoder carries state across blocks: a delete before keeps some ahead
  bool Settles = false;  // that state is only near the uncut decode's after the warm-up, not equal
};

// Signal to difference of b against a, in dB.
double Snr(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  double signal = 0, noise = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    signal += double(a[i]) * a[i];
    noise += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  }
  return 10 * std::log10(signal / std::max(noise, 1.0));
}

TEST(TrimTool, everyEncodingCutBeforeAndAfterDecodesAsTheUncutTakeOverTheKeptStretch) {
  if (!HavePeer("ffmpeg")) GTEST_FAIL() << "ffmpeg missing";
  QTemporaryDir dir;
  auto path = [&](const QString& n) { return dir.filePath(n); };
  const Encoding encodings[] = {
      {"pcm:22050:16:stereo", 22050, 2, 1, false},  {"pcm:11025:8:mono", 11025, 1, 1, false},
      {"float:22050:stereo", 22050, 2, 1, false},   {"alaw:8000:mono", 8000, 1, 1, false},
      {"mulaw:8000:stereo", 8000, 2, 1, false},     {"ima-adpcm:22050:stereo", 22050, 2, 0, false},
      {"ms-adpcm:22050:mono", 22050, 1, 0, false},  {"gsm610:8000", 8000, 1, 320, true, true},
      {"mp3:44100:stereo:128k", 44100, 2, 1152, true}, {"mp3:22050:mono:32k", 22050, 1, 576, true},
  };
  for (const Encoding& e : encodings) {
    SCOPED_TRACE(e.FormatArg);
    const QString source = path("source.wav"), take = path("take.wav");
    {
      TdeWaveFormat f;
      SetPcm(f, uint16_t(e.Channels), e.Rate, 16);
      const auto s = Signal16(int(e.Rate) * 3, e.Channels, e.Rate);
      TFileStream out(source, fmCreate);
      TdeRIFFAudioWriter w(&out);
      w.SetFormat(&f);
      w.Write(s.data(), static_cast<int32_t>(s.size() * 2));
    }
    ASSERT_EQ(0, RunPeer(TAMSEL_CONVERT, {"-q", "-f", e.FormatArg, source, take}));
    const std::vector<int16_t> full = Decoded(take, path("full.raw"));
    const size_t ch = size_t(e.Channels), frames = full.size() / ch;
    // Where a cut at seconds lands: the nearest block boundary.
    const auto expectAt = [&](size_t at, double seconds) {
      if (e.Block == 0)
        EXPECT_LE(std::abs(double(at) - seconds * e.Rate), 1024) << at;
      else
        EXPECT_EQ(size_t(std::llround(seconds * e.Rate / e.Block)) * size_t(e.Block), at);
    };

    // Delete before 1.1 s: the kept part runs to the end of the take, after
    // the blocks the decoder needs to reach the cut in the state it had.
    ASSERT_EQ(0, RunPeer(TAMSEL_CONVERT, {"--trim", "1.1,", take, path("before.wav")}));
    const std::vector<int16_t> before = Decoded(path("before.wav"), path("before.raw"));
    const size_t from = e.WarmsUp ? size_t(std::llround(1.1 * e.Rate / e.Block)) * size_t(e.Block)
                                  : frames - std::min(frames, before.size() / ch);
    expectAt(from, 1.1);
    ASSERT_GE(before.size() / ch, frames - from);
    const size_t warmUp = before.size() / ch - (frames - from);
    if (!e.WarmsUp) {
      EXPECT_EQ(0u, warmUp);
    }
    EXPECT_LE(warmUp, size_t(e.Rate / 2)) << "warm-up";
    if (e.Settles) {
      // GSM's long-term predictor keeps a tone's error going for a while; the codec promises no more.
      EXPECT_GE(Snr(Slice(full, from * ch, full.size()), Slice(before, warmUp * ch, before.size())), 30);
    } else {
      EXPECT_TRUE(Slice(before, warmUp * ch, before.size()) == Slice(full, from * ch, full.size()))
          << "differs from the uncut decoding";
    }

    // Delete after 1.9 s: the kept part is the take's start, block for block.
    ASSERT_EQ(0, RunPeer(TAMSEL_CONVERT, {"--trim", ",1.9", take, path("after.wav")}));
    const std::vector<int16_t> after = Decoded(path("after.wav"), path("after.raw"));
    expectAt(after.size() / ch, 1.9);
    EXPECT_TRUE(after == Slice(full, 0, after.size())) << "differs from the uncut decoding";
    // The header counts what the kept part decodes to, where the encoding has a count.
    if (!QString::fromLatin1(e.FormatArg).startsWith(QLatin1String("pcm"))) {
      EXPECT_EQ(int64_t(before.size() / ch), FactCount(path("before.wav")));
      EXPECT_EQ(int64_t(after.size() / ch), FactCount(path("after.wav")));
    }

    // Both ends at once, then converted.
    ASSERT_EQ(0, RunPeer(TAMSEL_CONVERT, {"-q", "--trim", "0.5,2.5", "-f", "pcm:8000:16:mono", take, path("pcm.wav")}));
    EXPECT_NEAR(Probe(path("pcm.wav"), "duration").toDouble(), 2.0 + double(warmUp) / e.Rate,
                2048.0 / e.Rate + 0.01);
  }
}

TEST(TrimTool, refusesABadRangeAndLeavesNoFileBehind) {
  QTemporaryDir dir;
  const QString in = dir.filePath("in.wav"), out = dir.filePath("out.wav");
  TdeWaveFormat f;
  SetPcm(f, 1, 8000, 16);
  {
    TFileStream s(in, fmCreate);
    TdeRIFFAudioWriter w(&s);
    w.SetFormat(&f);
    const auto samples = Signal16(8000, 1, 8000);
    w.Write(samples.data(), 16000);
  }
  for (const char* bad : {"2,1", "x,1", "1", "-1,2"}) {
    QByteArray err;
    EXPECT_EQ(1, RunPeer(TAMSEL_CONVERT, {"--trim", bad, in, out}, nullptr, &err)) << bad;
    EXPECT_TRUE(err.contains("--trim")) << err.constData();
  }
  EXPECT_FALSE(QFileInfo::exists(out));
  // A range past the end keeps what there is.
  ASSERT_EQ(0, RunPeer(TAMSEL_CONVERT, {"--trim", "0.25,9", in, out}));
  TFileStream s(out, fmOpenRead);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(12000, r.GetStreamSize(0));
  EXPECT_EQ((QStringList{"in.wav", "out.wav"}), QDir(dir.path()).entryList(QDir::Files | QDir::Hidden));
}
#endif

// A take past 4 GiB on a sparse file, with marks where the cuts fall.
class LongTakeCut : public ::testing::Test {
 protected:
  static constexpr int64_t kBytes = (int64_t(5) << 30) + 4000;  // 16-bit stereo: 4-byte frames
  QTemporaryDir dir;
  QString take;
  TdeWaveFormat format;

  void SetUp() override {
    take = dir.filePath("long.wav");
    SetPcm(format, 2, 48000, 16);
    TSparseFileStream out(take, fmCreate);
    TdeRIFFAudioWriter w(&out);
    w.SetDurable(false);
    w.SetFormat(&format);
    std::vector<char> silence(64 << 20);
    int64_t written = 0;
    auto mark = [&](char c) {
      const std::string m(4000, c);
      w.Write(m.data(), 4000);
      written += 4000;
    };
    for (int64_t at : {int64_t(0), int64_t(1) << 30, int64_t(3) << 30, kBytes - 4000}) {
      while (written < at) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(int64_t(silence.size()), at - written));
        w.Write(silence.data(), n);
        written += n;
      }
      mark(char('a' + written / (int64_t(1) << 30)));
    }
    ASSERT_TRUE(w.IsRF64());
  }

  // Cuts the take to [first, end) frames into out; the reader's view of it.
  TdeCutRange Cut(int64_t first, int64_t end, const QString& out) {
    TFileStream in(take, fmOpenRead);
    TdeRIFFAudioReader r(&in);
    auto data = r.OpenStream(0);
    const TdeCutRange range = PlanCut(format, *data, first, end);
    TFileStream o(out, fmCreate);
    EXPECT_TRUE(WriteCut(format, in, r.DataStart(), range, o));
    return range;
  }
  static std::string At(const QString& name, int64_t offset, int n) {
    TFileStream s(name, fmOpenRead);
    TdeRIFFAudioReader r(&s);
    std::string b(size_t(n), '\0');
    s.Seek(r.DataStart() + offset, soBeginning);
    s.Read(b.data(), n);
    return b;
  }
};

TEST_F(LongTakeCut, staysRF64WhileStillPastFourGibibytes_andTurnsRIFFBelow_holesStayHoles) {
  const QString before = dir.filePath("before.wav"), after = dir.filePath("after.wav");
  // Delete before the mark at 1 GiB: 4 GiB and a little are left.
  const TdeCutRange kept = Cut((int64_t(1) << 30) / 4, INT64_MAX, before);
  EXPECT_EQ(kBytes - (int64_t(1) << 30), kept.Bytes);
  {
    TFileStream s(before, fmOpenRead);
    TdeRIFFAudioReader r(&s);
    EXPECT_TRUE(r.IsRF64());
    EXPECT_EQ(kept.Bytes, r.GetStreamSize(0));
    EXPECT_EQ(r.DataStart() + kept.Bytes, s.Size());
  }
  EXPECT_EQ(std::string(4000, 'b'), At(before, 0, 4000));
  EXPECT_EQ(std::string(4000, 'd'), At(before, (int64_t(2) << 30), 4000));
  EXPECT_EQ(std::string(4000, 'f'), At(before, kept.Bytes - 4000, 4000));
  // Delete after the mark at 3 GiB: a plain RIFF file again.
  const TdeCutRange head = Cut(0, (int64_t(3) << 30) / 4 + 1000, after);
  EXPECT_EQ((int64_t(3) << 30) + 4000, head.Bytes);
  {
    TFileStream s(after, fmOpenRead);
    TdeRIFFAudioReader r(&s);
    EXPECT_FALSE(r.IsRF64());
    EXPECT_EQ(head.Bytes, r.GetStreamSize(0));
  }
  EXPECT_EQ(std::string(4000, 'd'), At(after, int64_t(3) << 30, 4000));
  EXPECT_EQ(std::string(4000, 'a'), At(after, 0, 4000));
  if (HavePeer("ffprobe")) {
    EXPECT_NEAR(Probe(before, "duration").toDouble(), double(kept.Bytes) / 192000, 0.01);
    EXPECT_NEAR(Probe(after, "duration").toDouble(), double(head.Bytes) / 192000, 0.01);
  }
  // The silence was never written out.
  struct stat st {};
  ASSERT_EQ(0, ::stat(QFile::encodeName(before).constData(), &st));
  EXPECT_LT(int64_t(st.st_blocks) * 512, int64_t(64) << 20);
}

}  // namespace
