// The components on the desktop's usual stack: ALSA's default device in front
// of a sound server with a null sink, paced in real time. Skipped, with the
// reason, where no sound server can be started.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cmath>

#include "AlsaFixture.h"
#include "ComponentSupport.h"
#include "EventLoopHelpers.h"
#include "deAudioIO.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrame = 4;
constexpr uint32_t kEighth = kRate / 8 * kFrame;

std::vector<uint8_t> Tone(double seconds, double hz) {
  const size_t frames = static_cast<size_t>(seconds * kRate);
  std::vector<uint8_t> out(frames * kFrame);
  for (size_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * hz * static_cast<double>(i) / kRate)));
    for (int c = 0; c < 2; ++c) {
      out[i * 4 + c * 2] = static_cast<uint8_t>(v & 0xFF);
      out[i * 4 + c * 2 + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
  }
  return out;
}

// Zero crossings per second of the left channel and its RMS, over the given bytes.
void Analyse(const std::vector<uint8_t>& pcm, size_t from, size_t to, double& crossingsPerSecond, double& rms) {
  size_t crossings = 0;
  double sum = 0;
  int16_t prev = 0;
  const size_t n = (to - from) / kFrame;
  for (size_t i = 0; i < n; ++i) {
    const size_t at = from + i * kFrame;
    const auto v = static_cast<int16_t>(pcm[at] | (pcm[at + 1] << 8));
    if (i > 0 && ((prev < 0) != (v < 0))) ++crossings;
    sum += double(v) * v;
    prev = v;
  }
  crossingsPerSecond = double(crossings) * kRate / double(n);
  rms = std::sqrt(sum / double(n));
}

class Pulse : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Server.Running()) GTEST_FAIL() << "no sound server for the real-time tests: " << Server.Why().toStdString();
  }
  TPulseServer Server;
  QTemporaryDir Dir;
};

TEST_F(Pulse, aThreeSecondRecording_takesThreeSeconds_andHoldsTheSignalPlayedIntoTheSink) {
  const QString tone = Dir.path() + "/tone.raw";
  {
    const std::vector<uint8_t> t = Tone(8, 440);
    QFile f(tone);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(t.data()), static_cast<qsizetype>(t.size()));
  }
  Server.PlayIntoSink(tone);
  QThread::msleep(300);
  TdeAudioIn in;
  in.Format()->SetPcm(kRate, 16, 2);
  in.SetBufferSize(kEighth);
  std::vector<uint8_t> recorded;
  TRecordingObserver observer(&in);
  const size_t wanted = size_t{3} * kRate * kFrame;
  QElapsedTimer timer;
  timer.start();
  in.Open();
  ASSERT_TRUE(ProcessEventsUntil([&] {
    size_t total = 0;
    for (auto& b : observer.Blocks) total += b.size();
    return total >= wanted;
  }));
  const qint64 elapsed = timer.elapsed();
  in.Close();
  for (auto& b : observer.Blocks) recorded.insert(recorded.end(), b.begin(), b.end());
  EXPECT_GE(elapsed, 2700);  // paced by the device, not faster
  EXPECT_LT(elapsed, 10000);
  double zc, rms;
  Analyse(recorded, recorded.size() - kRate * kFrame, recorded.size(), zc, rms);
  EXPECT_NEAR(zc, 880, 60);
  EXPECT_GT(rms, 4000);
}

TEST_F(Pulse, playback_reportsBuffersAsTheyAreHeard_andTheSinkCarriesTheSignal) {
  TdeAudioIn monitor;  // records what the null sink plays
  monitor.Format()->SetPcm(kRate, 16, 2);
  monitor.SetBufferSize(kEighth);
  TRecordingObserver heard(&monitor);
  monitor.Open();

  const std::vector<uint8_t> tone = Tone(2, 1000);
  TdeAudioOut out;
  out.Format()->SetPcm(kRate, 16, 2);
  out.SetBufferCount(4);
  size_t next = 0;
  bool finished = false;
  auto push = [&] {
    if (next >= tone.size()) return;
    const size_t n = std::min<size_t>(kEighth, tone.size() - next);
    out.Write(tone.data() + next, static_cast<int32_t>(n));
    next += n;
  };
  out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) {
    push();
    if (next >= tone.size() && out.QueuedBuffers() == 0) {
      out.Close();
      finished = true;
    }
  });
  QElapsedTimer timer;
  timer.start();
  out.Open();
  for (int i = 0; i < 5; ++i) push();
  ASSERT_TRUE(ProcessEventsUntil([&] { return finished; }));
  const qint64 elapsed = timer.elapsed();
  ProcessEventsUntil([] { return false; }, 300);
  monitor.Close();
  EXPECT_GE(elapsed, 1800);  // done notices follow what is heard, not what is queued
  EXPECT_LT(elapsed, 8000);
  std::vector<uint8_t> recorded;
  for (auto& b : heard.Blocks) recorded.insert(recorded.end(), b.begin(), b.end());
  // Somewhere in the take there is a second of the 1 kHz tone.
  bool found = false;
  for (size_t at = 0; !found && at + kRate * kFrame / 2 <= recorded.size(); at += kEighth) {
    double zc, rms;
    Analyse(recorded, at, at + kRate * kFrame / 2, zc, rms);
    found = std::abs(zc - 2000) < 100 && rms > 4000;
  }
  EXPECT_TRUE(found);
}

TEST_F(Pulse, pause_holdsThePosition_andRestartGoesOn) {
  const std::vector<uint8_t> tone = Tone(1.5, 500);
  TdeAudioOut out;
  out.Format()->SetPcm(kRate, 16, 2);
  size_t played = 0;
  out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t size) { played += static_cast<size_t>(size); });
  out.Open();
  for (size_t at = 0; at < tone.size(); at += kEighth)
    out.Write(tone.data() + at, static_cast<int32_t>(std::min<size_t>(kEighth, tone.size() - at)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return played >= 2 * kEighth; }));
  out.SetPaused(true);
  ProcessEventsUntil([] { return false; }, 400);  // what was heard before the pause still reports
  const size_t atPause = played;
  ProcessEventsUntil([] { return false; }, 1000);
  EXPECT_EQ(played, atPause);
  EXPECT_LT(atPause, tone.size());
  out.SetPaused(false);
  ASSERT_TRUE(ProcessEventsUntil([&] { return played == tone.size(); }));
  out.Close();
}

TEST_F(Pulse, closingInTheMiddle_ofRecordingAndOfPlayback_isClean) {
  TdeAudioIn in;
  in.Format()->SetPcm(kRate, 16, 2);
  in.SetBufferSize(kEighth);
  TRecordingObserver observer(&in);
  TdeAudioOut out;
  out.Format()->SetPcm(kRate, 16, 2);
  const std::vector<uint8_t> tone = Tone(3, 300);
  in.Open();
  out.Open();
  for (size_t at = 0; at < tone.size(); at += kEighth)
    out.Write(tone.data() + at, static_cast<int32_t>(std::min<size_t>(kEighth, tone.size() - at)));
  // The sound server takes about a second to deliver the first captured block.
  ASSERT_TRUE(ProcessEventsUntil([&] { return !observer.Blocks.empty(); }));
  ProcessEventsUntil([] { return false; }, 300);
  in.Close();
  out.Close();
  const size_t blocks = observer.Blocks.size();
  EXPECT_GT(blocks, 0u);
  ProcessEventsUntil([] { return false; }, 300);
  EXPECT_EQ(observer.Blocks.size(), blocks);
}

TEST_F(Pulse, aServerThatVanishesMidRecording_stopsTheDevice_andReportsOnce) {
  TdeAudioIn in;
  in.Format()->SetPcm(kRate, 16, 2);
  in.SetBufferSize(kEighth);
  TRecordingObserver observer(&in);
  TExceptionCapture shown;
  in.Open();
  ASSERT_TRUE(ProcessEventsUntil([&] { return observer.Blocks.size() >= 3; }));
  Server.Kill();
  EXPECT_TRUE(ProcessEventsUntil([&] { return !in.Active(); }, 10000));
  ProcessEventsUntil([] { return false; }, 300);
  ASSERT_EQ(shown.Messages.size(), 1);
  EXPECT_TRUE(shown.Messages[0].startsWith("The audio input device stopped working"))
      << shown.Messages[0].toStdString();
}

}  // namespace
