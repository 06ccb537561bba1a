// A take past 4 GiB (RF64, on a sparse file) plays like any other: from its
// first byte, with a progress bar that counts the whole take.
#include "MainFormFixture.h"

#include "SparseFileStream.h"
#include "deAudioStreams.h"

#include <sys/mman.h>
#include <string>

namespace {

class TPlayedBytes : public TQComponent {
 public:
  explicit TPlayedBytes(TComponent* source) : TQComponent(nullptr), FObserver(this) {
    FObserver.OnAudioData = [this](IdeAudioSubject*, const void* data, int32_t size) {
      Bytes.append(static_cast<const char*>(data), size);
    };
    FObserver.SetAudioSource(source);
  }
  std::string Bytes;

 private:
  TdeAudioObserver FObserver;
};

TEST_F(MainFormTest, aTakePastFiveGibibytesPlaysFromItsStartWithTheWholeTakeOnTheProgressBar) {
  constexpr int32_t kHole = 1 << 30;
  std::string first(44100, '\0');
  for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<char>(i * 7 + 1);
  int64_t data = 0;
  {
    TSparseFileStream f(WorkingFileName(), fmCreate);
    TdeRIFFAudioWriter w(&f);
    w.SetDurable(false);
    *w.GetFormat()->WaveFormat() = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    void* zeros = mmap(nullptr, kHole, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(zeros, MAP_FAILED);
    w.Write(first.data(), int32_t(first.size()));
    for (int i = 0; i < 5; ++i) w.Write(zeros, kHole);
    w.Finish();
    munmap(zeros, kHole);
    EXPECT_TRUE(w.IsRF64());
    data = w.BytesWritten();
  }
  Form->FormCreate(Form.get());
  TPlayedBytes played(Form->deAudioOut);
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  EXPECT_EQ(QStringLiteral("正在播放 0%"), Panel(0));
  // 44100 + 5 * 2^30 = 5368753220 bytes; past 2 * INT32_MAX, so a unit is three bytes.
  ASSERT_EQ(5368753220, data);
  EXPECT_EQ(1789584406, Form->pbPlayback->Max());

  for (int i = 0; i < 8 && Wave.Complete(); ++i) Settle();
  ASSERT_GE(played.Bytes.size(), first.size());
  EXPECT_TRUE(played.Bytes.substr(0, first.size()) == first);
  // The bar follows what has been read, a few blocks ahead of what was heard.
  const int64_t heard = int64_t(played.Bytes.size());
  EXPECT_GE(Form->pbPlayback->Position(), heard / 3);
  EXPECT_LT(Form->pbPlayback->Position(), (heard + 8 * 176400) / 3);
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
}

}  // namespace
