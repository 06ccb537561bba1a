// The length of a take through the sound server, in real time: a take lasts
// as long as the time between the Record and Stop presses. A signal plays
// into the null sink throughout (an idle sink's monitor runs slow).
#include "AlsaFixture.h"
#include "Description.h"
#include "EventLoopHelpers.h"
#include "LinkTestSupport.h"
#include "MainForm.h"
#include "SUIButton.h"
#include "Streams.h"
#include "deACM.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>

static void InitTakeResources() { Q_INIT_RESOURCE(tamsel); }

namespace {

// Seconds of audio in the working file, by its data rate.
double TakeSeconds() {
  TFileStream stream(WorkingFileName(), fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  return double(reader.GetStreamSize(0)) / reader.GetFormat()->AvgBytesPerSec();
}

}  // namespace

TEST(TakeLength, aTakeLastsAsLongAsThePressesAreApart) {
  TPulseServer server;
  if (!server.Running()) GTEST_FAIL() << "no sound server for the real-time tests: " << server.Why().toStdString();
  QTemporaryDir dir;
  const QString tone = dir.path() + "/tone.raw";
  {
    std::vector<uint8_t> t(size_t(44100) * 4 * 40);
    for (size_t i = 0; i < t.size() / 4; ++i) {
      const auto v = static_cast<int16_t>(std::lround(10000 * std::sin(2 * M_PI * 440 * double(i) / 44100)));
      for (int c = 0; c < 2; ++c) {
        t[i * 4 + c * 2] = uint8_t(v & 0xFF);
        t[i * 4 + c * 2 + 1] = uint8_t((v >> 8) & 0xFF);
      }
    }
    QFile f(tone);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(t.data()), qsizetype(t.size()));
  }
  server.PlayIntoSink(tone);
  QThread::msleep(500);

  InitTakeResources();
  QFile::remove(WorkingFileName());
  auto form = std::make_unique<TForm1>(nullptr);
  ReadDescriptionFile(form.get(), QStringLiteral(":/Form1.json"));
  form->DoCreate();

  // The server's first capture stream takes about a second to connect; that is the server's.
  form->btnRecord->Click();
  ProcessEventsUntil([] { return false; }, 1500);
  form->btnStop->Click();

  struct TCase {
    const char* Name;
    std::unique_ptr<TdeWaveFormat> Format;
    int Millis;
  };
  TCase cases[] = {
      {"PCM 11025 Hz", Pcm(11025, 8, 2), 3230},
      {"PCM 8000 Hz", Pcm(8000, 8, 2), 3230},
      {"MP3 48 kHz stereo 320 kbit/s", Enumerated(WAVE_FORMAT_MPEGLAYER3, 48000, 2, 40000), 4240},
  };
  for (TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(c.Format) << "format not offered";
    form->RecordConvert->SetFormatOut(c.Format.get());
    QElapsedTimer pressed;
    form->btnRecord->Click();
    pressed.start();
    ASSERT_EQ(TForm1::Recording, form->State());
    ProcessEventsUntil([&] { return pressed.elapsed() >= c.Millis; });
    const double apart = pressed.elapsed() / 1000.0;
    form->btnStop->Click();
    ASSERT_EQ(TForm1::Stopped, form->State());
    const double take = TakeSeconds();
    std::printf("[ take ] %s: %.3f s between the presses, take %.3f s\n", c.Name, apart, take);
    RecordProperty(c.Name, QStringLiteral("%1 of %2").arg(take, 0, 'f', 3).arg(apart, 0, 'f', 3).toStdString());
    EXPECT_NEAR(take, apart, 0.1);
  }
  form.reset();
  QFile::remove(WorkingFileName());
}
