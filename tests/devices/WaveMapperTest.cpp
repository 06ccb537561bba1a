// A device opened in a compressed format records and plays it: the mapper
// converts through the codec manager in front of a PCM device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "AlsaFixture.h"
#include "ComponentSupport.h"
#include "EventLoopHelpers.h"
#include "WaveScripted.h"
#include "deAudioIO.h"

namespace {

constexpr uint32_t kRate = 44100;

std::vector<uint8_t> Sine(size_t frames, double hz) {
  std::vector<uint8_t> out(frames * 4);
  for (size_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(10000 * std::sin(2 * M_PI * hz * double(i) / kRate)));
    for (int c = 0; c < 2; ++c) std::memcpy(&out[i * 4 + c * 2], &v, 2);
  }
  return out;
}

void SetCd(WAVEFORMATEX* f) {
  *f = {};
  f->wFormatTag = WAVE_FORMAT_PCM;
  f->nChannels = 2;
  f->nSamplesPerSec = kRate;
  f->wBitsPerSample = 16;
  f->nBlockAlign = 4;
  f->nAvgBytesPerSec = kRate * 4;
}

// The codec manager's IMA ADPCM format for CD-rate stereo.
bool ImaFormat(TdeWaveFormat* format) {
  alignas(8) uint8_t pcm[WAVE_FORMAT_BUFFER_SIZE] = {};
  SetCd(reinterpret_cast<WAVEFORMATEX*>(pcm));
  WAVEFORMATEX* ima = format->WaveFormat();
  std::memset(ima, 0, WAVE_FORMAT_BUFFER_SIZE);
  ima->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
  return acmFormatSuggest(nullptr, reinterpret_cast<WAVEFORMATEX*>(pcm), ima, WAVE_FORMAT_BUFFER_SIZE,
                          ACM_FORMATSUGGESTF_WFORMATTAG) == MMSYSERR_NOERROR;
}

// Converts all of data between the two formats with the codec manager.
std::vector<uint8_t> Convert(const WAVEFORMATEX* from, const WAVEFORMATEX* to, const std::vector<uint8_t>& data) {
  HACMSTREAM s = nullptr;
  if (acmStreamOpen(&s, nullptr, from, to, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) return {};
  uint32_t outSize = 0;
  acmStreamSize(s, static_cast<uint32_t>(data.size()), &outSize, ACM_STREAMSIZEF_SOURCE);
  std::vector<uint8_t> in = data, out(outSize + 4096);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = in.data();
  h.cbSrcLength = static_cast<uint32_t>(in.size());
  h.pbDst = out.data();
  h.cbDstLength = static_cast<uint32_t>(out.size());
  acmStreamPrepareHeader(s, &h, 0);
  acmStreamConvert(s, &h, ACM_STREAMCONVERTF_BLOCKALIGN);
  out.resize(h.cbDstLengthUsed);
  acmStreamUnprepareHeader(s, &h, 0);
  acmStreamClose(s, 0);
  return out;
}

// Signal-to-noise ratio in dB of got against want over the left channel, best over small lags.
double Snr(const std::vector<uint8_t>& want, const std::vector<uint8_t>& got, size_t frames) {
  double best = -100;
  for (size_t lag = 0; lag < 64; ++lag) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i + lag < frames && (i + lag) * 4 + 2 <= got.size() && i * 4 + 2 <= want.size(); ++i) {
      int16_t a, b;
      std::memcpy(&a, &want[i * 4], 2);
      std::memcpy(&b, &got[(i + lag) * 4], 2);
      signal += double(a) * a;
      noise += double(a - b) * (a - b);
    }
    if (noise > 0) best = std::max(best, 10 * std::log10(signal / noise));
  }
  return best;
}

class WaveMapper : public ::testing::Test {
 protected:
  const std::vector<uint8_t> Signal = Sine(kRate * 3, 441);
  TFilePcms Pcms{Signal};
};

TEST_F(WaveMapper, aRecordingInImaAdpcm_holdsTheInputSignal) {
  TdeAudioIn in;
  ASSERT_TRUE(ImaFormat(in.Format()));
  in.SetBufferSize(in.Format()->BlockAlign() * 8u);
  TRecordingObserver observer(&in);
  in.Open();
  ASSERT_TRUE(ProcessEventsUntil([&] { return observer.Blocks.size() >= 40; }));
  in.Close();
  std::vector<uint8_t> recorded;
  for (auto& b : observer.Blocks) {
    EXPECT_EQ(b.size() % in.Format()->BlockAlign(), 0u);
    recorded.insert(recorded.end(), b.begin(), b.end());
  }
  WAVEFORMATEX pcm;
  SetCd(&pcm);
  const std::vector<uint8_t> decoded = Convert(in.Format()->WaveFormat(), &pcm, recorded);
  ASSERT_GT(decoded.size(), kRate);
  EXPECT_GT(Snr(Signal, decoded, kRate / 2), 20);
}

TEST_F(WaveMapper, aPlaybackInImaAdpcm_playsTheSignal) {
  TdeAudioOut out;
  ASSERT_TRUE(ImaFormat(out.Format()));
  WAVEFORMATEX pcm;
  SetCd(&pcm);
  const std::vector<uint8_t> encoded = Convert(&pcm, out.Format()->WaveFormat(), Signal);
  ASSERT_FALSE(encoded.empty());
  size_t played = 0;
  out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t size) { played += size_t(size); });
  out.Open();
  const size_t chunk = 1000;  // not a whole number of blocks: the mapper carries the rest over
  for (size_t at = 0; at < encoded.size(); at += chunk)
    out.Write(encoded.data() + at, int32_t(std::min(chunk, encoded.size() - at)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return played == encoded.size(); }));
  out.Close();
  const std::vector<uint8_t> heard = Pcms.Played();
  ASSERT_GT(heard.size(), Signal.size() * 9 / 10);
  EXPECT_GT(Snr(Signal, heard, kRate), 20);
}

TEST(WaveMapperScripted, aCompressedFormat_opensDeviceZeroMapped_andTheDeviceSeesPcm) {
  TScriptedWave wave;
  TdeAudioIn in;
  ASSERT_TRUE(ImaFormat(in.Format()));
  in.SetBufferSize(in.Format()->BlockAlign() * 2u);
  TRecordingObserver observer(&in);
  in.Open();
  EXPECT_EQ(wave.LastDeviceID(), WAVE_MAPPER);  // the mapper's device is the default device
  EXPECT_EQ(wave.LastFormat().wFormatTag, WAVE_FORMAT_PCM);
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(wave.Complete());
    Pump();
  }
  EXPECT_FALSE(observer.Blocks.empty());
  in.Close();
  EXPECT_EQ(wave.Device(), nullptr);
}

TEST(WaveMapperScripted, aCompressedRecordingPausesAtTheLastWholeBlock_notAtTheBuffersEdge) {
  TScriptedWave wave;
  TdeAudioIn in;
  ASSERT_TRUE(ImaFormat(in.Format()));
  const uint32_t block = in.Format()->BlockAlign();
  in.SetBufferSize(block * 8u);
  TRecordingObserver observer(&in);
  in.Open();
  Pump();
  // One PCM buffer of the device (a sixteenth of a second) makes one block and a part.
  ASSERT_TRUE(wave.Fill(nullptr, kRate / 16 * 4));
  in.SetPaused(true);
  ASSERT_EQ(1u, observer.Blocks.size()) << "the block captured before the press, at the press";
  EXPECT_EQ(block, observer.Blocks[0].size());
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(wave.Complete());
    Pump();
  }
  EXPECT_EQ(1u, observer.Blocks.size()) << "nothing while paused";
  in.SetPaused(false);
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(wave.Complete());
    Pump();
  }
  ASSERT_EQ(2u, observer.Blocks.size());
  EXPECT_EQ(block * 8u, observer.Blocks[1].size()) << "whole blocks after the resume";
  in.Close();
}

// A window that does not hand the buffers back in time loses what the codec
// made meanwhile: it is counted as a gap, as the device's own overruns are.
TEST(WaveMapperScripted, encodedAudioNoBufferTakes_isCountedAsLostOnce) {
  TScriptedWave wave;
  TdeAudioIn in;
  ASSERT_TRUE(ImaFormat(in.Format()));
  const uint32_t block = in.Format()->BlockAlign();
  uint16_t blockFrames = 0;  // wSamplesPerBlock, after the 18 bytes of WAVEFORMATEX
  std::memcpy(&blockFrames, reinterpret_cast<const uint8_t*>(in.Format()->WaveFormat()) + 18, 2);
  in.SetBufferSize(block * 2u);  // four buffers of two blocks
  TRecordingObserver observer(&in);
  in.Open();
  Pump();
  // Sixteen sixteenths of a second while the buffers are not handed back.
  const size_t innerFrames = kRate / 16;
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(wave.Complete());
  Pump();
  size_t delivered = 0;
  for (const auto& b : observer.Blocks) delivered += b.size();
  ASSERT_EQ(4u * 2 * block, delivered) << "every queued buffer was filled";
  // Then the ring turns again, with nothing lost.
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(wave.Complete());
    Pump();
  }
  in.Close();
  EXPECT_EQ(1u, in.Overruns());
  // All that was captured in the stretch but the eight blocks delivered and
  // the part of a block the codec still held.
  const double lost = double(16 * innerFrames) - 8.0 * blockFrames;
  EXPECT_NEAR(lost, double(in.LostFrames()), blockFrames);
}

TEST(WaveMapperScripted, aFormatNoCodecConverts_isRefusedWithTheFormatCode) {
  TScriptedWave wave;
  TdeAudioOut out;
  out.Format()->SetFormatTag(0x7777);
  try {
    out.Open();
    FAIL();
  } catch (const EACMAudioOutError& e) {
    EXPECT_TRUE(e.Message().endsWith("The selected audio format is not supported on this machine."));
  }
}

}  // namespace
