// The wave format value: defaults, accessors' limits, copy, compare, streaming,
// description and the PCM suggestion.
#include <gtest/gtest.h>

#include <cstring>

#include "Streams.h"
#include "deACM.h"

namespace {

uint8_t* Bytes(TdeWaveFormat& f) { return reinterpret_cast<uint8_t*>(f.WaveFormat()); }

// A filer that writes the binary properties into one memory stream and reads them back.
class TMemoryFiler : public TFiler {
 public:
  enum TMode { Writing, Reading };
  TMode Mode = Writing;
  TMemoryStream Data;
  QStringList Names;
  void DefineBinaryProperty(const QString& name, TStreamProc readData, TStreamProc writeData, bool hasData) override {
    Names << name;
    EXPECT_TRUE(hasData);
    if (Mode == Writing)
      writeData(Data);
    else
      readData(Data);
  }
};

TEST(WaveFormat, newObject_isDefaultPcmWithZeroTail) {
  TdeWaveFormat f;
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(f.Channels(), 2);
  EXPECT_EQ(f.SamplesPerSec(), 11025u);
  EXPECT_EQ(f.AvgBytesPerSec(), 22050u);
  EXPECT_EQ(f.BlockAlign(), 2);
  EXPECT_EQ(f.BitsPerSample(), 8);
  EXPECT_EQ(f.ExtraSize(), 0);
  for (uint32_t i = sizeof(WAVEFORMATEX); i < TdeWaveFormat::BufferSize; ++i) ASSERT_EQ(Bytes(f)[i], 0) << i;
  TdeWaveFormat g;
  EXPECT_TRUE(f.IsEqual(&g));
  EXPECT_EQ(f.Description(), QStringLiteral("PCM: 11.025 kHz, 8 Bit, Stereo"));
}

TEST(WaveFormat, extraSize_limitIs494_andALoadedLargerValueReadsClamped) {
  TdeWaveFormat f;
  f.SetExtraSize(494);
  EXPECT_EQ(f.ExtraSize(), 494);
  try {
    f.SetExtraSize(495);
    FAIL();
  } catch (const EACMError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("The wave format buffer is too small."));
  }
  EXPECT_EQ(f.ExtraSize(), 494);
  f.WaveFormat()->cbSize = 600;
  EXPECT_EQ(f.ExtraSize(), 494);
}

TEST(WaveFormat, setDefault_keepsTheExtraArea) {
  TdeWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_IMA_ADPCM);
  f.SetExtraSize(2);
  Bytes(f)[18] = 0xAB;
  Bytes(f)[300] = 0xCD;
  f.SetDefault();
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(f.ExtraSize(), 0);
  EXPECT_EQ(Bytes(f)[18], 0xAB);
  EXPECT_EQ(Bytes(f)[300], 0xCD);
}

TEST(WaveFormat, equality_andAssignment_coverBytesPastCbSize) {
  TdeWaveFormat a, b;
  Bytes(b)[511] = 1;
  EXPECT_FALSE(a.IsEqual(&b));
  a.Assign(&b);
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_EQ(std::memcmp(Bytes(a), Bytes(b), 512), 0);
  EXPECT_FALSE(a.IsEqual(nullptr));
}

TEST(WaveFormat, assignmentWithAnotherClass_oneWayIgnored_otherWayRaises) {
  TdeWaveFormat f;
  Bytes(f)[100] = 7;
  TPersistent other;
  EXPECT_NO_THROW(other.Assign(&f));  // a wave format assigns itself only to wave formats
  EXPECT_THROW(f.Assign(&other), EConvertError);
  EXPECT_EQ(Bytes(f)[100], 7);
}

TEST(WaveFormat, streamingOutAndIn_reproducesAll512Bytes_notTheRestriction) {
  TdeWaveFormat a;
  for (int i = 0; i < 512; ++i) Bytes(a)[i] = uint8_t(i * 7 + 3);
  a.SetChooserRestriction(TdeWaveFormat::crOutput);
  TMemoryFiler filer;
  a.DefineProperties(filer);
  EXPECT_EQ(filer.Names, QStringList{QStringLiteral("FormatBuffer")});
  EXPECT_EQ(filer.Data.Size(), 512);
  TdeWaveFormat b;
  filer.Mode = TMemoryFiler::Reading;
  filer.Data.SetPosition(0);
  b.DefineProperties(filer);
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_EQ(b.ChooserRestriction(), TdeWaveFormat::crNone);
}

TEST(WaveFormat, streamingInFromAShortValue_raisesAReadError) {
  TMemoryFiler filer;
  filer.Mode = TMemoryFiler::Reading;
  const uint8_t shortValue[10] = {};
  filer.Data.Write(shortValue, sizeof shortValue);
  filer.Data.SetPosition(0);
  TdeWaveFormat f;
  EXPECT_THROW(f.DefineProperties(filer), EReadError);
}

TEST(WaveFormat, description_unknownTagLosesThePrefix_undescribableIsEmpty) {
  TdeWaveFormat f;
  f.SetSamplesPerSec(44100);
  f.SetAvgBytesPerSec(44100 * 4);
  f.SetBlockAlign(4);
  f.SetBitsPerSample(16);
  EXPECT_EQ(f.Description(), QStringLiteral("PCM: 44.100 kHz, 16 Bit, Stereo"));
  f.SetBlockAlign(3);  // inconsistent: not describable
  EXPECT_EQ(f.Description(), QString());
  f.SetFormatTag(0x7777);
  EXPECT_EQ(f.Description(), QString());
  TdeWaveFormat m;
  m.SetChannels(1);
  m.SetSamplesPerSec(22050);
  m.SetAvgBytesPerSec(22050);
  m.SetBlockAlign(1);
  EXPECT_EQ(m.Description(), QStringLiteral("PCM: 22.050 kHz, 8 Bit, Mono"));
}

TEST(WaveFormat, suggestPcm_ofPcm_isTheSameFormat_evenOnItself) {
  TdeWaveFormat src, f;
  f.SetFormatTag(WAVE_FORMAT_ALAW);
  f.SuggestPCM(&src);
  EXPECT_TRUE(f.IsEqual(&src));
  src.SuggestPCM(&src);
  EXPECT_TRUE(f.IsEqual(&src));
}

TEST(WaveFormat, suggestPcm_failing_leavesTheObjectUntouched) {
  TdeWaveFormat src, f;
  src.SetFormatTag(0x7777);
  Bytes(f)[200] = 9;
  TdeWaveFormat before;
  before.Assign(&f);
  EXPECT_THROW(f.SuggestPCM(&src), EACMConversionError);
  EXPECT_TRUE(f.IsEqual(&before));
  src.SetFormatTag(WAVE_FORMAT_PCM);
  src.SetChannels(0);
  EXPECT_THROW(f.SuggestPCM(&src), EACMConversionError);
  EXPECT_TRUE(f.IsEqual(&before));
}

}  // namespace
