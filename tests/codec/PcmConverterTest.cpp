// The PCM and float converters, checked by content.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "AcmTestSupport.h"

namespace {

struct TCase {
  uint32_t InRate;
  uint16_t InBits, InChannels;
  uint32_t OutRate;
  uint16_t OutBits, OutChannels;
  uint16_t InTag = WAVE_FORMAT_PCM, OutTag = WAVE_FORMAT_PCM;
};

double NoiseFloorDb(uint16_t bits, uint16_t tag) {
  if (tag == WAVE_FORMAT_IEEE_FLOAT || bits >= 24) return 90;  // the resampler, not the samples, limits it
  return bits == 16 ? 75 : 35;
}

class SineThroughConverter : public ::testing::TestWithParam<TCase> {};

TEST_P(SineThroughConverter, keepsFrequencyAndAmplitude) {
  const TCase c = GetParam();
  TFormatBuffer in = Linear(c.InRate, c.InBits, c.InChannels, c.InTag);
  TFormatBuffer out = Linear(c.OutRate, c.OutBits, c.OutChannels, c.OutTag);
  const double hz = 997, amplitude = 0.5;
  const auto data = Sine(in.Wfx(), hz, amplitude, c.InRate / 2);
  // An eighth of a second per block, as the recorder delivers them.
  const TConversion r = ConvertAll(in.Wfx(), out.Wfx(), data, c.InRate / 8 * in.Wfx()->nBlockAlign);
  ASSERT_EQ(r.Result, 0u);
  const size_t expected = size_t(c.OutRate) / 2;
  EXPECT_NEAR(double(r.Output.size() / out.Wfx()->nBlockAlign), double(expected), expected * 0.01);
  const double floor = std::min(NoiseFloorDb(c.InBits, c.InTag), NoiseFloorDb(c.OutBits, c.OutTag));
  for (int ch = 0; ch < c.OutChannels; ++ch) {
    const TSineFit fit = FitSine(Channel(out.Wfx(), r.Output, ch), c.OutRate, hz, c.OutRate / 50);
    EXPECT_NEAR(fit.Amplitude, amplitude, 0.01) << "channel " << ch;
    EXPECT_GT(fit.SnrDb, floor - 6) << "channel " << ch;
  }
}

INSTANTIATE_TEST_SUITE_P(RatesBitsChannels, SineThroughConverter,
                         ::testing::Values(TCase{44100, 16, 2, 22050, 16, 1}, TCase{44100, 16, 2, 8000, 8, 1},
                                           TCase{8000, 8, 1, 48000, 16, 2}, TCase{11025, 8, 2, 22050, 16, 2},
                                           TCase{48000, 24, 2, 44100, 16, 2}, TCase{44100, 16, 1, 192000, 32, 2},
                                           TCase{192000, 32, 2, 8000, 24, 1}, TCase{96000, 16, 2, 96000, 24, 2},
                                           TCase{22050, 16, 2, 22050, 8, 2},
                                           TCase{48000, 32, 2, 16000, 16, 1, WAVE_FORMAT_IEEE_FLOAT, WAVE_FORMAT_PCM},
                                           TCase{16000, 16, 1, 48000, 32, 2, WAVE_FORMAT_PCM, WAVE_FORMAT_IEEE_FLOAT},
                                           TCase{44100, 32, 2, 32000, 32, 2, WAVE_FORMAT_IEEE_FLOAT,
                                                 WAVE_FORMAT_IEEE_FLOAT}));

TEST(PcmConverter, sameRate_sampleAndChannelChangesAreExact) {
  // 16-bit stereo L=1000, R=3000 -> mono is the average; mono -> stereo duplicates.
  TFormatBuffer st = Linear(22050, 16, 2), mono = Linear(22050, 16, 1), mono8 = Linear(22050, 8, 1);
  std::vector<uint8_t> data;
  for (int i = 0; i < 100; ++i)
    for (int16_t v : {int16_t(1000), int16_t(3000)}) data.insert(data.end(), {uint8_t(v), uint8_t(v >> 8)});
  TConversion r = ConvertAll(st.Wfx(), mono.Wfx(), data, 40);
  ASSERT_EQ(r.Result, 0u);
  ASSERT_EQ(r.Output.size(), 200u);
  for (size_t i = 0; i < r.Output.size(); i += 2) ASSERT_EQ(int16_t(r.Output[i] | r.Output[i + 1] << 8), 2000);

  const std::vector<uint8_t> eight = {0, 64, 128, 200, 255};
  r = ConvertAll(mono8.Wfx(), st.Wfx(), eight, 5);
  ASSERT_EQ(r.Result, 0u);
  ASSERT_EQ(r.Output.size(), 20u);
  for (size_t i = 0; i < eight.size(); ++i) {
    const int16_t want = int16_t((eight[i] - 128) * 256);
    EXPECT_EQ(int16_t(r.Output[4 * i] | r.Output[4 * i + 1] << 8), want);
    EXPECT_EQ(int16_t(r.Output[4 * i + 2] | r.Output[4 * i + 3] << 8), want);
  }
}

TEST(PcmConverter, identity_isBitExactForEverySampleSize) {
  for (uint16_t bits : {8, 16, 24, 32}) {
    TFormatBuffer f = Linear(44100, bits, 2);
    std::vector<uint8_t> data(4410 * f.Wfx()->nBlockAlign);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 37 + i / 7);
    const TConversion r = ConvertAll(f.Wfx(), f.Wfx(), data, 1000 * f.Wfx()->nBlockAlign + 1);
    ASSERT_EQ(r.Result, 0u);
    EXPECT_EQ(r.Output, data) << bits << " bits";
  }
}

TEST(PcmConverter, twentyFourBits_roundsAndSaturatesAtTheTop) {
  TFormatBuffer s32 = Linear(8000, 32, 1), s24 = Linear(8000, 24, 1);
  std::vector<uint8_t> data;
  for (int32_t v : {INT32_MAX, INT32_MIN, 0x180, -0x180, 0x17F})
    for (int b = 0; b < 4; ++b) data.push_back(uint8_t(uint32_t(v) >> (8 * b)));
  const TConversion r = ConvertAll(s32.Wfx(), s24.Wfx(), data, 20);
  ASSERT_EQ(r.Result, 0u);
  ASSERT_EQ(r.Output.size(), 15u);
  auto at = [&](int i) {
    return int32_t(uint32_t(r.Output[3 * i]) << 8 | uint32_t(r.Output[3 * i + 1]) << 16 |
                   uint32_t(r.Output[3 * i + 2]) << 24) >>
           8;
  };
  EXPECT_EQ(at(0), 0x7FFFFF);
  EXPECT_EQ(at(1), -0x800000);
  EXPECT_EQ(at(2), 2);
  EXPECT_EQ(at(3), -1);  // -1.5 rounds towards +inf
  EXPECT_EQ(at(4), 1);
}

TEST(PcmConverter, extensibleSources_convertToPlainPcm) {
  TFormatBuffer ext24 = Extensible(48000, 24, 2), extF = Extensible(48000, 32, 2, true);
  TFormatBuffer pcm16 = Linear(48000, 16, 2);
  for (TFormatBuffer* src : {&ext24, &extF}) {
    const auto data = Sine(src->Wfx(), 440, 0.25, 4800);
    const TConversion r = ConvertAll(src->Wfx(), pcm16.Wfx(), data, 4800);
    ASSERT_EQ(r.Result, 0u);
    EXPECT_GT(FitSine(Channel(pcm16.Wfx(), r.Output, 1), 48000, 440, 10).SnrDb, 80);
  }
  // Not as a destination, and not with a sub-format we do not know.
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, pcm16.Wfx(), ext24.Wfx(), nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
            ACMERR_NOTPOSSIBLE);
  reinterpret_cast<WAVEFORMATEXTENSIBLE*>(ext24.Bytes)->SubFormat[0] = 2;
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, ext24.Wfx(), pcm16.Wfx(), nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
            ACMERR_NOTPOSSIBLE);
}

TEST(PcmConverter, partialFrame_isLeftForTheNextCall) {
  TFormatBuffer f = Linear(44100, 16, 2), g = Linear(44100, 8, 2);
  HACMSTREAM has;
  ASSERT_EQ(acmStreamOpen(&has, nullptr, f.Wfx(), g.Wfx(), nullptr, 0, 0, 0), 0u);
  uint32_t size = 1;
  EXPECT_EQ(acmStreamSize(has, 3, &size, ACM_STREAMSIZEF_SOURCE), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(size, 0u);
  uint8_t src[16] = {0, 0x10, 0, 0x20, 0, 0x30, 0, 0x40, 0, 0x50}, dst[16] = {};
  ACMSTREAMHEADER h = StreamHeader(src, sizeof src, dst, sizeof dst);
  ASSERT_EQ(acmStreamPrepareHeader(has, &h, 0), 0u);
  h.cbSrcLength = 3;
  ASSERT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), 0u);
  EXPECT_EQ(h.cbSrcLengthUsed, 0u);
  EXPECT_EQ(h.cbDstLengthUsed, 0u);
  h.cbSrcLength = 10;  // two frames and half of a third
  ASSERT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), 0u);
  EXPECT_EQ(h.cbSrcLengthUsed, 8u);
  EXPECT_EQ(h.cbDstLengthUsed, 4u);
  EXPECT_EQ(dst[0], 0x90);
  EXPECT_EQ(dst[3], 0xC0);
  // A destination too small for everything: less is consumed, nothing overflows.
  h.cbDstLength = 2;
  h.cbSrcLength = 16;
  ASSERT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), 0u);
  EXPECT_EQ(h.cbSrcLengthUsed, 4u);
  EXPECT_EQ(h.cbDstLengthUsed, 2u);
  h.cbSrcLength = sizeof src;
  h.cbDstLength = sizeof dst;
  EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), 0u);
  EXPECT_EQ(acmStreamClose(has, 0), 0u);
}

TEST(PcmConverter, resampler_bufferIsNeverOverrun_andResetStartsAfresh) {
  TFormatBuffer in = Linear(8000, 16, 1), out = Linear(192000, 16, 2);
  const auto data = Sine(in.Wfx(), 300, 0.5, 8000);
  // Tiny blocks make the destination sizes tight; ConvertAll checks the guard bytes.
  for (uint32_t block : {2u, 6u, 158u}) {
    const TConversion r = ConvertAll(in.Wfx(), out.Wfx(), data, block);
    ASSERT_EQ(r.Result, 0u) << block;
    EXPECT_NEAR(double(r.Output.size() / 4), 192000.0, 192000 * 0.01) << block;
  }
  HACMSTREAM has;
  ASSERT_EQ(acmStreamOpen(&has, nullptr, in.Wfx(), out.Wfx(), nullptr, 0, 0, 0), 0u);
  EXPECT_EQ(acmStreamReset(has, 0), 0u);
  uint32_t size = 0;
  EXPECT_EQ(acmStreamSize(has, 1600, &size, ACM_STREAMSIZEF_SOURCE), 0u);
  EXPECT_GE(size, 800u * 24 * 4);
  EXPECT_EQ(acmStreamSize(has, size, &size, ACM_STREAMSIZEF_DESTINATION), 0u);
  EXPECT_LE(size, 1600u);
  EXPECT_EQ(acmStreamClose(has, 0), 0u);
}

}  // namespace

namespace {

TEST(PcmConverter, endFlushesTheResampler_andTheNextInputStartsAfresh) {
  TFormatBuffer in = Linear(48000, 16, 1), out = Linear(44100, 16, 1);
  const auto data = Sine(in.Wfx(), 1000, 0.5, 4800);
  HACMSTREAM has;
  ASSERT_EQ(acmStreamOpen(&has, nullptr, in.Wfx(), out.Wfx(), nullptr, 0, 0, 0), 0u);
  uint32_t outCap = 0;
  ASSERT_EQ(acmStreamSize(has, uint32_t(data.size()), &outCap, ACM_STREAMSIZEF_SOURCE), 0u);
  std::vector<uint8_t> src(data), dst(outCap);
  ACMSTREAMHEADER h = StreamHeader(src.data(), uint32_t(src.size()), dst.data(), uint32_t(dst.size()));
  ASSERT_EQ(acmStreamPrepareHeader(has, &h, 0), 0u);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_END), 0u);
    EXPECT_EQ(h.cbSrcLengthUsed, src.size());
    // All of it comes out, the filter's tail included.
    EXPECT_NEAR(double(h.cbDstLengthUsed / 2), 4410.0, 4410 * 0.01) << round;
    const std::vector<uint8_t> got(dst.begin(), dst.begin() + h.cbDstLengthUsed);
    EXPECT_GT(FitSine(Channel(out.Wfx(), got, 0), 44100, 1000, 200).SnrDb, 60) << round;
  }
  EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), 0u);
  EXPECT_EQ(acmStreamClose(has, 0), 0u);
}

}  // namespace
