// Pausing the wave-in component: each press cuts where the device has got,
// the ring keeps circulating, nothing recorded while paused is delivered, and
// the two stretches meet through short fades.
#include <gtest/gtest.h>

#include <cstring>

#include "ComponentSupport.h"
#include "PcmFormat.h"
#include "WaveScripted.h"
#include "deAudioIO.h"

namespace {

std::vector<uint8_t> Block(uint32_t size, uint8_t seed) {
  std::vector<uint8_t> b(size);
  for (uint32_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 5);
  return b;
}

TEST(FadePcm, rampsEachFormatTowardsItsSilence) {
  TdeWaveFormat f;
  SetPcmFormat(f, 8000, 16, 1);
  int16_t s16[4] = {1000, 1000, -1000, -1000};
  FadePcm(f, s16, sizeof s16, true);
  EXPECT_EQ((std::vector<int16_t>{0, 250, -500, -750}), std::vector<int16_t>(s16, s16 + 4));
  int16_t out16[4] = {1000, 1000, -1000, -1000};
  FadePcm(f, out16, sizeof out16, false);
  EXPECT_EQ((std::vector<int16_t>{1000, 750, -500, -250}), std::vector<int16_t>(out16, out16 + 4));

  SetPcmFormat(f, 8000, 8, 2);  // unsigned, silence at 128, both channels of a frame alike
  uint8_t u8[4] = {228, 28, 228, 28};
  FadePcm(f, u8, sizeof u8, true);
  EXPECT_EQ((std::vector<uint8_t>{128, 128, 178, 78}), std::vector<uint8_t>(u8, u8 + 4));

  SetPcmFormat(f, 8000, 24, 1);  // 24-bit keeps its sign: -4000 halves to -2000
  uint8_t s24[6] = {0x60, 0xF0, 0xFF, 0x60, 0xF0, 0xFF};
  FadePcm(f, s24, sizeof s24, false);
  EXPECT_EQ((std::vector<uint8_t>{0x60, 0xF0, 0xFF, 0x30, 0xF8, 0xFF}), std::vector<uint8_t>(s24, s24 + 6));

  f.SetFormatTag(WAVE_FORMAT_IEEE_FLOAT);
  f.SetBitsPerSample(32);
  float fl[2] = {0.5f, 0.5f};
  FadePcm(f, fl, sizeof fl, true);
  EXPECT_FLOAT_EQ(0.0f, fl[0]);
  EXPECT_FLOAT_EQ(0.25f, fl[1]);

  f.SetFormatTag(WAVE_FORMAT_ALAW);  // a compressed format is not touched
  f.SetBitsPerSample(8);
  uint8_t alaw[2] = {0x55, 0xD5};
  FadePcm(f, alaw, sizeof alaw, true);
  EXPECT_EQ(0x55, alaw[0]);
}

class AudioInPause : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPcmFormat(*In.Format(), 8000, 16, 1);
    In.SetBufferSize(400);  // 200 frames; a fade is 80 frames = 160 bytes
  }
  void Feed(const std::vector<uint8_t>& b) {
    ASSERT_TRUE(Wave.Complete(b.data(), static_cast<uint32_t>(b.size())));
    Pump();
  }
  TScriptedWave Wave;
  TdeAudioIn In;
};

// Samples of one value, so a fade shows as the plain ramp of its gains.
std::vector<uint8_t> Level(uint32_t frames, int16_t value) {
  std::vector<uint8_t> b(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) b[2 * i] = uint8_t(value & 0xFF), b[2 * i + 1] = uint8_t((value >> 8) & 0xFF);
  return b;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& b) {
  std::vector<int16_t> s(b.size() / 2);
  std::memcpy(s.data(), b.data(), s.size() * 2);
  return s;
}

TEST_F(AudioInPause, eachPressCutsWhereTheDeviceHasGot_notAtTheNextBuffersEdge) {
  TRecordingObserver obs(&In);
  In.SetPaused(true);
  EXPECT_FALSE(In.Paused()) << "a closed device has nothing to pause";
  In.Open();
  Pump();
  // A hundred frames are in before the pause: they are delivered at the press, whole.
  ASSERT_TRUE(Wave.Fill(Level(100, 800).data(), 200));
  In.SetPaused(true);
  EXPECT_TRUE(In.Paused());
  ASSERT_EQ(1u, obs.Blocks.size());
  EXPECT_EQ(Level(100, 800), obs.Blocks[0]);
  // After the press only the 80-frame fade-out reaches the observers.
  Feed(Level(200, 800));
  Feed(Level(200, 800));
  ASSERT_EQ(2u, obs.Blocks.size());
  std::vector<int16_t> fadeOut(80);
  for (int i = 0; i < 80; ++i) fadeOut[i] = static_cast<int16_t>(10 * (80 - i));
  EXPECT_EQ(fadeOut, Samples(obs.Blocks[1]));
  EXPECT_EQ(7u, Wave.Count("waveInAddBuffer")) << "the ring keeps circulating while paused";
  // Frames captured before the resume press are the pause's, even in the buffer that runs on.
  ASSERT_TRUE(Wave.Fill(Level(50, 800).data(), 100));
  In.SetPaused(false);
  EXPECT_FALSE(In.Paused());
  EXPECT_EQ(2u, obs.Blocks.size());
  Feed(Level(200, 800));
  ASSERT_EQ(3u, obs.Blocks.size());
  std::vector<int16_t> fadeIn(200, 800);
  for (int i = 0; i < 80; ++i) fadeIn[i] = static_cast<int16_t>(10 * i);
  EXPECT_EQ(fadeIn, Samples(obs.Blocks[2]));
  In.Close();
}

TEST_F(AudioInPause, aPauseUndoneBeforeTheNextBufferChangesNothing_andCloseClearsIt) {
  TRecordingObserver obs(&In);
  In.Open();
  In.SetPaused(true);
  In.SetPaused(false);
  const auto a = Block(400, 7);
  Feed(a);
  ASSERT_EQ(1u, obs.Blocks.size());
  EXPECT_EQ(a, obs.Blocks[0]);
  In.SetPaused(true);
  In.Close();
  EXPECT_FALSE(In.Paused());
  In.Open();
  Feed(a);
  EXPECT_EQ(2u, obs.Blocks.size()) << "a new opening records at once";
  In.Close();
}

}  // namespace
