// Moving playback with the keys, the mouse and a screen reader: the next
// block the device plays starts where the user asked, a paused take stays
// paused, the end ends playback, and nothing happens while stopped. The take
// dates itself: frame i holds i, so every played block says where it is from.
#include "MainFormFixture.h"

#include "ComCtrls.h"
#include "PlaybackSeek.h"
#include "Streams.h"
#include "deAudioControls.h"
#include "deAudioStreams.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTest>

namespace {

constexpr uint32_t kRate = 8000;
constexpr uint32_t kFrames = kRate * 20;
constexpr int64_t kStep = int64_t{TPlaybackSeek::StepSeconds} * kRate;

class SeekTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    {
      // 16-bit stereo: the low half of the frame's number on the left, the high half on the right.
      std::vector<uint16_t> audio(size_t{kFrames} * 2);
      for (uint32_t i = 0; i < kFrames; ++i) {
        audio[2 * i] = uint16_t(i);
        audio[2 * i + 1] = uint16_t(i >> 16);
      }
      TFileStream stream(WorkingFileName(), fmCreate);
      TdeRIFFAudioWriter writer(&stream);
      writer.GetFormat()->SetPcm(kRate, 16, 2);
      writer.Write(audio.data(), int32_t(audio.size() * 2));
    }
    Form->FormCreate(Form.get());
    Heard = std::make_unique<TdeAudioObserver>(Form.get());
    Heard->OnAudioData = [this](IdeAudioSubject*, const void* data, int32_t size) {
      const auto* p = static_cast<const uint8_t*>(data);
      if (size >= 4) Starts.push_back(int64_t(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24));
    };
    Heard->SetAudioSource(Form->deAudioOut);
  }
  void TearDown() override {
    Heard.reset();
    MainFormTest::TearDown();
  }
  // The device plays its oldest block: the frame that block starts with.
  int64_t NextHeard() {
    Starts.clear();
    if (!Wave.Complete()) return -1;
    Settle();
    return Starts.empty() ? -1 : Starts.front();
  }
  void Key(int key) {
    QTest::keyClick(Form.get(), Qt::Key(key));
    Settle();
  }
  QProgressBar* Bar() const { return Form->pbPlayback->Widget(); }
  int X(double share) const { return int(std::lround(share * (Bar()->width() - 1))); }
  static int64_t FrameAt(double share) { return std::llround(share * kFrames); }
  void Mouse(QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF at(x, Bar()->height() / 2);
    QMouseEvent event(type, at, Bar()->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(Bar(), &event);
    Settle();
  }
  int Percent() const { return Panel(0).section(QLatin1Char(' '), 1).chopped(1).toInt(); }

  std::unique_ptr<TdeAudioObserver> Heard;
  std::vector<int64_t> Starts;
};

}  // namespace

TEST_F(SeekTest, keysMoveAPausedTakeWhichStaysPaused_andEndEndsPlayback) {
  Press(Form->btnPlay);
  Press(Form->btnPlay);
  ASSERT_TRUE(Form->deAudioOut->Paused());

  Key(Qt::Key_Right);
  EXPECT_TRUE(Form->deAudioOut->Paused());
  EXPECT_TRUE(Wave.Paused());
  ASSERT_EQ(TForm1::Playing, Form->State());
  // The bar is at the new place before anything is heard from there, the
  // percentage (what has been read) a few blocks on.
  EXPECT_EQ(kStep * 4, Form->pbPlayback->Position());
  EXPECT_GE(Percent(), 25);
  EXPECT_LE(Percent(), 29);
  // So is the oscilloscope, though nothing plays: the new place's first sample on the left.
  ASSERT_TRUE(Form->deAudioControlSource->LeftData());
  EXPECT_EQ(int16_t(kStep), Form->deAudioControlSource->LeftData()[0]);
  EXPECT_EQ(kStep, NextHeard());
  // From what has been heard since: one block of an eighth of a second.
  Key(Qt::Key_Right);
  EXPECT_EQ(kStep + kRate / 8 + kStep, NextHeard());
  Key(Qt::Key_Left);
  EXPECT_EQ(kStep + 2 * (kRate / 8), NextHeard());
  Key(Qt::Key_Home);
  EXPECT_EQ(0, NextHeard());
  EXPECT_TRUE(Form->deAudioOut->Paused());

  Key(Qt::Key_End);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  const size_t opens = Wave.Count("waveOutOpen");
  Key(Qt::Key_Right);
  Key(Qt::Key_Home);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ(opens, Wave.Count("waveOutOpen"));
}

TEST_F(SeekTest, aClickADragAndAScreenReaderMovePlaybackToTheirPlace_whileStoppedAClickDoesNothing) {
  Form->show();
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  ASSERT_GT(Bar()->width(), 50);

  QTest::mouseClick(Bar(), Qt::LeftButton, Qt::NoModifier, QPoint(X(1.0 / 3), Bar()->height() / 2));
  Settle();
  EXPECT_EQ(FrameAt(double(X(1.0 / 3)) / (Bar()->width() - 1)), NextHeard());
  EXPECT_EQ(Bar(), Form->focusWidget()) << "the click gives the bar the keys";

  // A drag from the left end across the whole bar: each stop plays from the pointer, the right end ends playback.
  Mouse(QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(0, NextHeard());
  for (const double share : {0.2, 0.45, 0.7, 0.95}) {
    Mouse(QEvent::MouseMove, X(share), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(FrameAt(double(X(share)) / (Bar()->width() - 1)), NextHeard()) << share;
  }
  // A screen reader sets the bar's value.
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(Bar());
  ASSERT_TRUE(bar && bar->valueInterface());
  bar->valueInterface()->setCurrentValue(Form->pbPlayback->Max() / 4);
  EXPECT_EQ(FrameAt(0.25), NextHeard());
  Mouse(QEvent::MouseMove, X(1.0), Qt::NoButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, X(1.0), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ(Form->pbPlayback->Max(), Form->pbPlayback->Position());

  const size_t opens = Wave.Count("waveOutOpen");
  Mouse(QEvent::MouseButtonPress, X(0.5), Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, X(0.5), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ(opens, Wave.Count("waveOutOpen"));
  EXPECT_EQ(Form->pbPlayback->Max(), Form->pbPlayback->Position());
}
