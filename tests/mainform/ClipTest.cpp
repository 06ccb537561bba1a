// The clipping cue: a full-scale input lights the oscilloscope's red corner
// mark for a second, and the format panel shows the last second's peak. A
// take that hears nothing from its start says so there.
#include "MainFormFixture.h"

#include "deAudioControls.h"

#include <QImage>
#include <cstring>

namespace {

class ClipTest : public MainFormTest {
 protected:
  // One input buffer of the stored format (8-bit stereo) swinging between 128 - swing and 128 + swing.
  void Feed(int swing) {
    QByteArray block(static_cast<qsizetype>(Form->deAudioIn->BufferSize()), Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i / 2 % 2 ? 128 + swing : 128 - swing);
    ASSERT_TRUE(Wave.Complete(block.constData(), static_cast<uint32_t>(block.size())));
    Settle();
  }
  int RedPixels() {
    const QImage image = Form->deOscilloscope1->grab().toImage();
    const QRect mark = Form->deOscilloscope1->ClipMarkRect();
    int red = 0;
    for (int y = mark.top(); y <= mark.bottom(); ++y)
      for (int x = mark.left(); x <= mark.right(); ++x) red += image.pixel(x, y) == qRgb(255, 0, 0);
    return red;
  }
};

TEST_F(ClipTest, fullScaleLightsTheMarkForASecond_andThePanelShowsThePeak) {
  Press(Form->btnRecord);
  Feed(64);
  EXPECT_FALSE(Form->deOscilloscope1->ClipMark());
  EXPECT_EQ(0, RedPixels());
  Form->tmStatusBarTimer(nullptr);
  EXPECT_EQ(Form->RecordConvert->FormatOut()->Description() + QStringLiteral("  峰值 -6.0 dBFS"), Panel(1));

  Feed(126);  // 2 and 254
  EXPECT_FALSE(Form->deOscilloscope1->ClipMark()) << "one step short of full scale";
  Feed(128);  // 0, the lowest 8-bit sample
  EXPECT_TRUE(Form->deOscilloscope1->ClipMark());
  const QRect mark = Form->deOscilloscope1->ClipMarkRect();
  EXPECT_EQ(mark.width() * mark.height(), RedPixels());
  Form->tmStatusBarTimer(nullptr);
  EXPECT_TRUE(Panel(1).endsWith(QStringLiteral("  峰值 0.0 dBFS"))) << Panel(1).toStdString();

  Feed(10);  // a quiet block does not put the mark out
  EXPECT_TRUE(Form->deOscilloscope1->ClipMark());
  ASSERT_TRUE(ProcessEventsUntil([&] { return !Form->deOscilloscope1->ClipMark(); }, 5000));
  EXPECT_EQ(0, RedPixels());

  Feed(128);
  EXPECT_TRUE(Form->deOscilloscope1->ClipMark());
  Press(Form->btnStop);
  EXPECT_FALSE(Form->deOscilloscope1->ClipMark()) << "a new take starts without the old cue";
}

TEST_F(ClipTest, threeSilentSecondsFromTheStart_areSaidAtOnce_untilSoundArrives) {
  const QString silent = QStringLiteral("没有声音输入：请检查麦克风");
  Form->RecordConvert->FormatOut()->SetPcm(11025, 16, 1);
  // Eighths of a second (1380 frames) swinging by level either way; ten steps of 16-bit
  // are -70.3 dBFS, eleven -69.5.
  auto feed = [&](int blocks, int16_t level) {
    QByteArray block(static_cast<qsizetype>(Form->deAudioIn->BufferSize()), Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size() / 2; ++i) {
      const int16_t v = i % 2 ? level : static_cast<int16_t>(-level);
      std::memcpy(block.data() + 2 * i, &v, 2);
    }
    for (int b = 0; b < blocks; ++b) {
      ASSERT_TRUE(Wave.Complete(block.constData(), static_cast<uint32_t>(block.size())));
      Settle();
    }
  };
  Press(Form->btnRecord);
  feed(23, 10);  // 2.9 s of hiss
  EXPECT_NE(silent, Panel(1));
  feed(1, 0);  // 3.0 s: said at once, not at the next tick of the status bar
  EXPECT_EQ(silent, Panel(1));
  Form->tmStatusBarTimer(nullptr);
  EXPECT_EQ(silent, Panel(1));
  feed(1, 11);
  EXPECT_TRUE(Panel(1).startsWith(Form->RecordConvert->FormatOut()->Description())) << Panel(1).toStdString();
  feed(30, 0);  // silence after sound is a pause in speech
  Form->tmStatusBarTimer(nullptr);
  EXPECT_NE(silent, Panel(1));
  Press(Form->btnStop);

  // The next take starts afresh.
  Press(Form->btnRecord);
  feed(25, 0);
  EXPECT_EQ(silent, Panel(1));
  Press(Form->btnStop);
}

TEST(PeakMeter, measuresEachLinearFormatAgainstItsFullScale) {
  TdeWaveFormat f;
  f.SetBitsPerSample(16);
  const int16_t s16[] = {100, -16384, 200};
  TdeBlockPeak p = MeasurePeak(f, s16, sizeof s16);
  EXPECT_DOUBLE_EQ(0.5, p.Peak);
  EXPECT_FALSE(p.Clipped);
  const int16_t full[] = {0, INT16_MIN};
  EXPECT_TRUE(MeasurePeak(f, full, sizeof full).Clipped);
  EXPECT_NEAR(-6.02, PeakDecibels(0.5), 0.01);
  EXPECT_TRUE(std::isinf(PeakDecibels(0)));

  f.SetBitsPerSample(24);
  const uint8_t s24[] = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00};  // +8388607: full scale
  p = MeasurePeak(f, s24, sizeof s24);
  EXPECT_TRUE(p.Clipped);
  EXPECT_NEAR(1.0, p.Peak, 1e-6);

  f.SetFormatTag(WAVE_FORMAT_IEEE_FLOAT);
  f.SetBitsPerSample(32);
  const float fl[] = {0.25f, -1.0f};
  EXPECT_TRUE(MeasurePeak(f, fl, sizeof fl).Clipped);

  f.SetFormatTag(WAVE_FORMAT_GSM610);  // compressed bytes are not samples
  EXPECT_EQ(0.0, MeasurePeak(f, s16, sizeof s16).Peak);
}

}  // namespace
