// Sample layouts: which records carry linear samples and how their samples
// lie, the rules the codec drivers and the devices add on top, and fading and
// peak measuring for every sample size, integer and float.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "AcmDriver.h"
#include "SampleLayout.h"
#include "WaveDevice.h"

namespace {

constexpr uint8_t kAlawSubFormat[16] = {0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// A format record in a buffer of exactly 18 + cbSize bytes, so that reading
// past the record is caught by the address checker.
struct TRecord {
  std::unique_ptr<uint8_t[]> Bytes;
  const WAVEFORMATEX* Wfx() const { return reinterpret_cast<const WAVEFORMATEX*>(Bytes.get()); }
};

TRecord Record(uint16_t tag, uint16_t bits, uint16_t channels, uint32_t rate, uint16_t blockAlign,
               const uint8_t* subFormat = nullptr, uint16_t cbSize = 0) {
  WAVEFORMATEXTENSIBLE ext{};
  ext.Format = {tag, channels, rate, rate * blockAlign, blockAlign, bits, cbSize};
  ext.wValidBitsPerSample = bits;
  if (subFormat) std::memcpy(ext.SubFormat, subFormat, 16);
  TRecord r{std::make_unique<uint8_t[]>(sizeof(WAVEFORMATEX) + cbSize)};
  std::memcpy(r.Bytes.get(), &ext, std::min<size_t>(sizeof ext, sizeof(WAVEFORMATEX) + cbSize));
  return r;
}

TRecord Extensible(uint16_t bits, uint16_t channels, const uint8_t* subFormat, uint16_t blockAlign) {
  return Record(WAVE_FORMAT_EXTENSIBLE, bits, channels, 48000, blockAlign, subFormat, WAVE_FORMAT_EXTENSIBLE_EXTRA);
}

TEST(SampleLayout, readsTheKindFromTagBitsAndSubFormat_andMakesTheFrameItself) {
  struct TCase {
    TRecord R;
    TAcmSampleKind Kind;
    uint16_t Frame;
    bool Extensible;
  };
  // A rate no device has and a block align of 1 in every record: neither is the layout's business.
  const uint8_t* pcm = KSDATAFORMAT_SUBTYPE_PCM;
  const uint8_t* flt = KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
  TCase cases[] = {
      {Record(WAVE_FORMAT_PCM, 8, 2, 7, 1), TAcmSampleKind::U8, 2, false},
      {Record(WAVE_FORMAT_PCM, 16, 2, 7, 1), TAcmSampleKind::S16, 4, false},
      {Record(WAVE_FORMAT_PCM, 24, 2, 7, 1), TAcmSampleKind::S24, 6, false},
      {Record(WAVE_FORMAT_PCM, 32, 2, 7, 1), TAcmSampleKind::S32, 8, false},
      {Record(WAVE_FORMAT_IEEE_FLOAT, 32, 2, 7, 1), TAcmSampleKind::F32, 8, false},
      {Record(WAVE_FORMAT_IEEE_FLOAT, 64, 2, 7, 1), TAcmSampleKind::F64, 16, false},
      {Extensible(8, 2, pcm, 1), TAcmSampleKind::U8, 2, true},
      {Extensible(24, 2, pcm, 1), TAcmSampleKind::S24, 6, true},
      {Extensible(32, 2, pcm, 1), TAcmSampleKind::S32, 8, true},
      {Extensible(32, 2, flt, 1), TAcmSampleKind::F32, 8, true},
      {Extensible(64, 2, flt, 1), TAcmSampleKind::F64, 16, true},
      // The largest frame nBlockAlign can state, and one channel more.
      {Record(WAVE_FORMAT_IEEE_FLOAT, 64, 8191, 7, 1), TAcmSampleKind::F64, 65528, false},
      {Record(WAVE_FORMAT_IEEE_FLOAT, 64, 8192, 7, 1), TAcmSampleKind::None, 0, false},
      // No linear samples: odd sizes, compressed tags and sub-formats, a cut extension.
      {Record(WAVE_FORMAT_PCM, 12, 2, 7, 1), TAcmSampleKind::None, 0, false},
      {Record(WAVE_FORMAT_PCM, 64, 2, 7, 1), TAcmSampleKind::None, 0, false},
      {Record(WAVE_FORMAT_IEEE_FLOAT, 16, 2, 7, 1), TAcmSampleKind::None, 0, false},
      {Record(WAVE_FORMAT_IEEE_FLOAT, 24, 2, 7, 1), TAcmSampleKind::None, 0, false},
      {Record(WAVE_FORMAT_ALAW, 8, 2, 7, 1), TAcmSampleKind::None, 0, false},
      {Record(WAVE_FORMAT_GSM610, 0, 1, 7, 65), TAcmSampleKind::None, 0, false},
      {Extensible(20, 2, pcm, 1), TAcmSampleKind::None, 0, false},
      {Extensible(8, 2, kAlawSubFormat, 1), TAcmSampleKind::None, 0, false},
      {Record(WAVE_FORMAT_EXTENSIBLE, 16, 2, 7, 1, pcm, WAVE_FORMAT_EXTENSIBLE_EXTRA - 1), TAcmSampleKind::None, 0,
       false},
  };
  for (const TCase& c : cases) {
    const WAVEFORMATEX* w = c.R.Wfx();
    SCOPED_TRACE(testing::Message() << "tag " << w->wFormatTag << ", " << w->wBitsPerSample << " bits, " << w->nChannels
                                    << " channels");
    const TAcmLinearFormat f = SampleLayout(w);
    EXPECT_EQ(c.Kind, f.Kind);
    if (c.Kind == TAcmSampleKind::None) continue;
    EXPECT_EQ(c.Frame, f.BlockAlign);
    EXPECT_EQ(w->nChannels, f.Channels);
    EXPECT_EQ(w->nSamplesPerSec, f.Rate);
    EXPECT_EQ(c.Extensible, f.Extensible);
  }
  EXPECT_EQ(0u, SampleBytes(TAcmSampleKind::None));
}

TEST(SampleLayout, theDriversAndTheDevicesEachAddTheirOwnRules) {
  const uint8_t* pcm = KSDATAFORMAT_SUBTYPE_PCM;
  const uint8_t* flt = KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
  TAcmLinearFormat f;
  // 64-bit float: the devices play it and the drivers convert it.
  TRecord r = Record(WAVE_FORMAT_IEEE_FLOAT, 64, 2, 48000, 16);
  EXPECT_EQ(16u, PcmFrameBytes(*r.Wfx()));
  ASSERT_TRUE(AcmParseLinear(r.Wfx(), f));
  EXPECT_EQ(TAcmSampleKind::F64, f.Kind);
  // Extensible: the drivers read it, the devices leave it to the mapper.
  r = Extensible(16, 2, pcm, 4);
  EXPECT_EQ(0u, PcmFrameBytes(*r.Wfx()));
  ASSERT_TRUE(AcmParseLinear(r.Wfx(), f));
  EXPECT_EQ(TAcmSampleKind::S16, f.Kind);
  EXPECT_TRUE(f.Extensible);
  r = Extensible(32, 1, flt, 4);
  ASSERT_TRUE(AcmParseLinear(r.Wfx(), f));
  EXPECT_EQ(TAcmSampleKind::F32, f.Kind);
  // Six channels and a rate below 8000: a device takes both, a driver neither.
  r = Record(WAVE_FORMAT_PCM, 24, 6, 48000, 18);
  EXPECT_EQ(18u, PcmFrameBytes(*r.Wfx()));
  EXPECT_FALSE(AcmParseLinear(r.Wfx(), f));
  r = Record(WAVE_FORMAT_PCM, 16, 1, 4000, 2);
  EXPECT_EQ(2u, PcmFrameBytes(*r.Wfx()));
  EXPECT_FALSE(AcmParseLinear(r.Wfx(), f));
  // Both want the record's block align to be the frame.
  r = Record(WAVE_FORMAT_PCM, 16, 2, 48000, 2);
  EXPECT_EQ(0u, PcmFrameBytes(*r.Wfx()));
  EXPECT_FALSE(AcmParseLinear(r.Wfx(), f));
  r = Record(WAVE_FORMAT_PCM, 16, 2, 48000, 4);
  EXPECT_EQ(4u, PcmFrameBytes(*r.Wfx()));
  ASSERT_TRUE(AcmParseLinear(r.Wfx(), f));
  EXPECT_EQ(4, f.BlockAlign);
  EXPECT_FALSE(f.Extensible);
}

// Samples as they lie in memory: little-endian, 24-bit in three bytes.
std::vector<uint8_t> Encode(TAcmSampleKind kind, const std::vector<double>& samples) {
  std::vector<uint8_t> out;
  auto put = [&out](const auto v) {
    uint8_t b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    out.insert(out.end(), b, b + sizeof v);
  };
  for (const double s : samples) {
    switch (kind) {
      case TAcmSampleKind::U8: put(static_cast<uint8_t>(s)); break;
      case TAcmSampleKind::S16: put(static_cast<int16_t>(s)); break;
      case TAcmSampleKind::S24: {
        const auto v = static_cast<uint32_t>(static_cast<int32_t>(s));
        out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)});
        break;
      }
      case TAcmSampleKind::S32: put(static_cast<int32_t>(s)); break;
      case TAcmSampleKind::F32: put(static_cast<float>(s)); break;
      case TAcmSampleKind::F64: put(s); break;
      case TAcmSampleKind::None: break;
    }
  }
  return out;
}

// One row per sample kind, in stereo.
struct TKindRow {
  TAcmSampleKind Kind;
  double A, B;                // every frame of the faded block holds A, B
  std::vector<double> In;     // four frames faded in
  std::vector<double> Out;    // and faded out
  std::vector<double> Quiet;  // a block peaking at half of full scale
  double Lowest, Highest;     // the ends of full scale
  double HighestPeak;         // what the highest measures
  double NearLow, NearHigh;   // one step inside them
};

const double kTiny = std::ldexp(1.0, -40);  // lost in a float, kept in a double

// clang-format off
const TKindRow kRows[] = {
    // Unsigned: 128 is silence; the scaled offsets round towards it.
    {TAcmSampleKind::U8, 255, 0,
     {128, 128, 159, 96, 191, 64, 223, 32},
     {255, 0, 223, 32, 191, 64, 159, 96},
     {128, 64, 160, 128}, 0, 255, 127.0 / 128, 1, 254},
    {TAcmSampleKind::S16, 32767, -32768,
     {0, 0, 8191, -8192, 16383, -16384, 24575, -24576},
     {32767, -32768, 24575, -24576, 16383, -16384, 8191, -8192},
     {100, -16384, 200, 0}, -32768, 32767, 32767.0 / 32768, -32767, 32766},
    {TAcmSampleKind::S24, 8388607, -8388608,
     {0, 0, 2097151, -2097152, 4194303, -4194304, 6291455, -6291456},
     {8388607, -8388608, 6291455, -6291456, 4194303, -4194304, 2097151, -2097152},
     {100, -4194304, 200, 0}, -8388608, 8388607, 8388607.0 / 8388608, -8388607, 8388606},
    {TAcmSampleKind::S32, 2147483647, -2147483648.0,
     {0, 0, 536870911, -536870912, 1073741823, -1073741824, 1610612735, -1610612736},
     {2147483647, -2147483648.0, 1610612735, -1610612736, 1073741823, -1073741824, 536870911, -536870912},
     {5, -1073741824, 1073741823, 0}, -2147483648.0, 2147483647, 2147483647.0 / 2147483648, -2147483647, 2147483646},
    // A negative float scaled by 0 is -0: silence all the same.
    {TAcmSampleKind::F32, 1.0, -0.5,
     {0, -0.0, 0.25, -0.125, 0.5, -0.25, 0.75, -0.375},
     {1.0, -0.5, 0.75, -0.375, 0.5, -0.25, 0.25, -0.125},
     {0.25, -0.5, 0.125, 0}, -1.0, 1.0, 1.0, -0.999, 0.999},
    {TAcmSampleKind::F64, 1.0 + kTiny, -0.5,
     {0, -0.0, 0.25 + kTiny / 4, -0.125, 0.5 + kTiny / 2, -0.25, 0.75 + kTiny * 3 / 4, -0.375},
     {1.0 + kTiny, -0.5, 0.75 + kTiny * 3 / 4, -0.375, 0.5 + kTiny / 2, -0.25, 0.25 + kTiny / 4, -0.125},
     {0.25, -0.5, 0.125 + kTiny, 0}, -1.0, 1.0, 1.0, -1.0 + kTiny, 1.0 - kTiny},
};
// clang-format on

TEST(SampleLayout, fadesEveryKindTowardsItsSilence_wholeFramesOnly) {
  for (const TKindRow& row : kRows) {
    SCOPED_TRACE(testing::Message() << "kind " << int(row.Kind));
    const TAcmLinearFormat stereo{row.Kind, 2, 48000, uint16_t(2 * SampleBytes(row.Kind)), false};
    for (const bool in : {true, false}) {
      std::vector<uint8_t> block = Encode(row.Kind, {row.A, row.B, row.A, row.B, row.A, row.B, row.A, row.B});
      block.push_back(0x5A);  // less than a frame: left as it is
      FadeSamples(stereo, block.data(), static_cast<uint32_t>(block.size()), in);
      std::vector<uint8_t> expected = Encode(row.Kind, in ? row.In : row.Out);
      expected.push_back(0x5A);
      EXPECT_EQ(expected, block) << (in ? "in" : "out");
    }
    // Mono: every sample is a frame of its own.
    std::vector<uint8_t> mono = Encode(row.Kind, {row.A, row.A});
    FadeSamples({row.Kind, 1, 48000, uint16_t(SampleBytes(row.Kind)), false}, mono.data(),
                static_cast<uint32_t>(mono.size()), false);
    EXPECT_EQ(Encode(row.Kind, {row.A, row.In[4]}), mono);
  }
  // Anything else is not touched.
  uint8_t alaw[4] = {0x55, 0xD5, 0x55, 0xD5};
  FadeSamples(TAcmLinearFormat{}, alaw, sizeof alaw, true);
  EXPECT_EQ(0x55, alaw[0]);
  EXPECT_EQ(0xD5, alaw[1]);
}

TEST(SampleLayout, measuresThePeakOfEveryKindAgainstItsFullScale) {
  for (const TKindRow& row : kRows) {
    SCOPED_TRACE(testing::Message() << "kind " << int(row.Kind));
    std::vector<uint8_t> quiet = Encode(row.Kind, row.Quiet);
    if (SampleBytes(row.Kind) > 1) quiet.push_back(0x80);  // part of a sample: not read
    TSamplePeak p = MeasureSamplePeak(row.Kind, quiet.data(), static_cast<uint32_t>(quiet.size()));
    EXPECT_DOUBLE_EQ(0.5, p.Peak);
    EXPECT_FALSE(p.Clipped);
    const std::vector<uint8_t> low = Encode(row.Kind, {row.Quiet[0], row.Lowest, row.Quiet[2]});
    p = MeasureSamplePeak(row.Kind, low.data(), static_cast<uint32_t>(low.size()));
    EXPECT_TRUE(p.Clipped);
    EXPECT_DOUBLE_EQ(1.0, p.Peak);
    const std::vector<uint8_t> high = Encode(row.Kind, {row.Quiet[0], row.Highest, row.Quiet[2]});
    p = MeasureSamplePeak(row.Kind, high.data(), static_cast<uint32_t>(high.size()));
    EXPECT_TRUE(p.Clipped);
    EXPECT_DOUBLE_EQ(row.HighestPeak, p.Peak);
    const std::vector<uint8_t> near = Encode(row.Kind, {row.NearLow, row.NearHigh});
    p = MeasureSamplePeak(row.Kind, near.data(), static_cast<uint32_t>(near.size()));
    EXPECT_FALSE(p.Clipped);
    EXPECT_GT(p.Peak, 0.99);
  }
  const float over[] = {0.25f, 1.5f};
  EXPECT_TRUE(MeasureSamplePeak(TAcmSampleKind::F32, over, sizeof over).Clipped);
  const int16_t samples[] = {100, -16384};
  EXPECT_EQ(0.0, MeasureSamplePeak(TAcmSampleKind::None, samples, sizeof samples).Peak);
  EXPECT_EQ(0.0, MeasureSamplePeak(TAcmSampleKind::S16, nullptr, 4).Peak);
}

}  // namespace
