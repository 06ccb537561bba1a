// A seek on the desktop's sound server, paced in real time: a paused take
// moved to another place stays paused there and resumes from that place.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <cmath>

#include "AlsaFixture.h"
#include "EventLoopHelpers.h"
#include "MainForm.h"
#include "PlaybackSeek.h"
#include "SUIButton.h"
#include "StoredWindow.h"
#include "Streams.h"
#include "deAudioIO.h"
#include "deAudioStreams.h"

namespace {

void Wait(int ms) {
  QElapsedTimer t;
  t.start();
  ProcessEventsUntil([&] { return t.elapsed() >= ms; }, ms + 5000);
}

}  // namespace

TEST(SeekOnServer, aPausedTakeMovedStaysPaused_andResumesFromThere) {
  TPulseServer server;
  if (!server.Running()) GTEST_FAIL() << "no sound server: " << server.Why().toStdString();
  auto form = CreateStoredWindow();
  {
    constexpr uint32_t rate = 44100;
    std::vector<int16_t> tone(size_t(rate) * 10 * 2);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = int16_t(8000 * std::sin(double(i / 2) * 0.0628));
    TFileStream stream(WorkingFileName(), fmCreate);
    TdeRIFFAudioWriter writer(&stream);
    writer.GetFormat()->SetPcm(rate, 16, 2);
    writer.Write(tone.data(), int32_t(tone.size() * 2));
  }
  form->FormCreate(form.get());
  form->btnPlay->Click();
  ASSERT_EQ(TForm1::Playing, form->State());
  Wait(400);
  form->btnPlay->Click();
  ASSERT_TRUE(form->deAudioOut->Paused());
  Wait(300);

  ASSERT_TRUE(form->Seek()->SeekToShare(0.5));
  const int64_t movedTo = form->Seek()->HeardFrame();
  Wait(1000);
  EXPECT_EQ(TForm1::Playing, form->State());
  EXPECT_TRUE(form->deAudioOut->Paused());
  EXPECT_EQ(movedTo, form->Seek()->HeardFrame()) << "nothing is heard while paused";

  QElapsedTimer resumed;
  resumed.start();
  form->btnPlay->Click();
  Wait(150);
  EXPECT_LE(form->Seek()->HeardFrame() - movedTo, resumed.elapsed() * 44100 / 1000) << "heard no faster than time runs";
  Wait(850);
  EXPECT_FALSE(form->deAudioOut->Paused());
  EXPECT_GT(form->Seek()->HeardFrame(), 44100 * 5);
  EXPECT_LT(form->Seek()->HeardFrame(), 44100 * 7);
  form->suitempbtnStopClick(form->btnStop);
  form.reset();
  QFile::remove(WorkingFileName());
}
