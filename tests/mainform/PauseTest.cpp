// Pausing a recording from the window: the file is complete while paused, and
// Stop works paused. Where the presses cut is measured on the real-time path.
#include "MainFormFixture.h"

#include "TakeAudio.h"

namespace {

class PauseTest : public MainFormTest {
 protected:
  QByteArray Record(int blocks, int seed) {
    QByteArray fed;
    for (int b = 0; b < blocks; ++b) {
      QByteArray block(static_cast<qsizetype>(Form->deAudioIn->BufferSize()), Qt::Uninitialized);
      for (qsizetype i = 0; i < block.size(); ++i) block[i] = static_cast<char>((seed + b * 11 + i * 3) & 0xFF);
      EXPECT_TRUE(Wave.Complete(block.constData(), static_cast<uint32_t>(block.size())));
      Settle();
      fed += block;
    }
    return fed;
  }
};

TEST_F(PauseTest, stopWhilePausedEndsTheTakeNormally_andPauseDoesNothingUnlessRecording) {
  Form->PauseRecordingClick();
  EXPECT_FALSE(Form->RecordingPaused());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));

  Press(Form->btnRecord);
  const QByteArray first = Record(2, 3);
  Form->PauseRecordingClick();
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("已暂停 00:00:0"))) << Panel(0).toStdString();
  Record(2, 40);
  const int fade = static_cast<int>(Form->deAudioIn->Format()->SamplesPerSec() * TdeCustomAudioIn::FadeMillis / 1000 *
                                    Form->deAudioIn->Format()->BlockAlign());
  // What a kill now would leave: the sizes on disk already cover everything
  // written, once the writer's thread has caught up, without another block.
  const auto onDisk = [&] {
    try {
      return TakeAudio(Form->FileName()).size();
    } catch (const Exception&) {
      return qsizetype(-1);
    }
  };
  ProcessEventsUntil([&] { return onDisk() == first.size() + fade; });
  EXPECT_EQ(first.size() + fade, onDisk());
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_FALSE(Form->RecordingPaused());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  const QByteArray audio = TakeAudio(Form->FileName());
  EXPECT_EQ(first, audio.left(first.size()));
  EXPECT_EQ(first.size() + fade, audio.size()) << "only the fade-out of the paused stretch";

  // The next take starts unpaused.
  Press(Form->btnRecord);
  const QByteArray next = Record(1, 9);
  Press(Form->btnStop);
  EXPECT_EQ(next, TakeAudio(Form->FileName()));
}

}  // namespace
