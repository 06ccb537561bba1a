// Pausing a recording from the window: the file keeps the two stretches and
// nothing of the pause, is complete while paused, and Stop works paused.
#include "MainFormFixture.h"

#include "Streams.h"
#include "deAudioStreams.h"

namespace {

QByteArray AudioBytes(const QString& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  QByteArray data(static_cast<qsizetype>(reader.GetStreamSize(0)), Qt::Uninitialized);
  data.resize(reader.ReadStream(0, data.data(), static_cast<int32_t>(data.size())));
  return data;
}

class PauseTest : public MainFormTest {
 protected:
  // The first fade bytes of block, faded as the device fades them.
  QByteArray Fade(QByteArray block, bool in, bool headOnly) const {
    const TdeWaveFormat& f = *Form->deAudioIn->Format();
    const uint32_t fade = f.SamplesPerSec() * TdeCustomAudioIn::FadeMillis / 1000 * f.BlockAlign();
    FadePcm(f, block.data(), fade, in);
    return headOnly ? block.left(fade) : block;
  }
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

TEST_F(PauseTest, theTakeHoldsBothStretchesJoinedByFades_andIsValidWhilePaused) {
  Press(Form->btnRecord);
  const QByteArray first = Record(3, 0);
  Form->PauseRecordingClick();
  EXPECT_TRUE(Form->RecordingPaused());
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("已暂停 00:00:0"))) << Panel(0).toStdString();
  const QByteArray paused = Record(3, 50);
  EXPECT_EQ(TForm1::Recording, Form->State());
  EXPECT_FALSE(Form->btnRecord->Enabled());
  EXPECT_TRUE(Form->btnStop->Enabled());

  // What a kill now would leave: the sizes on disk already cover everything written.
  const QByteArray joinOut = Fade(paused.left(Form->deAudioIn->BufferSize()), false, true);
  // Once the writer's thread has caught up, without another block.
  ProcessEventsUntil([&] {
    try {
      return AudioBytes(Form->FileName()) == first + joinOut;
    } catch (const Exception&) {
      return false;
    }
  });
  EXPECT_EQ(first + joinOut, AudioBytes(Form->FileName()));

  Form->PauseRecordingClick();
  EXPECT_FALSE(Form->RecordingPaused());
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("正在录制 00:00:0"))) << Panel(0).toStdString();
  const QByteArray second = Record(2, 90);
  Press(Form->btnStop);
  ASSERT_EQ(TForm1::Stopped, Form->State());
  const int size = static_cast<int>(Form->deAudioIn->BufferSize());
  EXPECT_EQ(first + joinOut + Fade(second.left(size), true, false) + second.mid(size), AudioBytes(Form->FileName()));
}

TEST_F(PauseTest, stopWhilePausedEndsTheTakeNormally_andPauseDoesNothingUnlessRecording) {
  Form->PauseRecordingClick();
  EXPECT_FALSE(Form->RecordingPaused());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));

  Press(Form->btnRecord);
  const QByteArray first = Record(2, 3);
  Form->PauseRecordingClick();
  Record(2, 40);
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_FALSE(Form->RecordingPaused());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  const QByteArray audio = AudioBytes(Form->FileName());
  EXPECT_EQ(first, audio.left(first.size()));
  const int fade = static_cast<int>(Form->deAudioIn->Format()->SamplesPerSec() * TdeCustomAudioIn::FadeMillis / 1000 *
                                    Form->deAudioIn->Format()->BlockAlign());
  EXPECT_EQ(first.size() + fade, audio.size()) << "only the fade-out of the paused stretch";

  // The next take starts unpaused.
  Press(Form->btnRecord);
  const QByteArray next = Record(1, 9);
  Press(Form->btnStop);
  EXPECT_EQ(next, AudioBytes(Form->FileName()));
}

}  // namespace
