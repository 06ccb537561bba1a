// The process-wide driver catalogue over the registered drivers.
#include <gtest/gtest.h>

#include <cstring>

#include "AcmDriver.h"
#include "deACM.h"

namespace {

const TdeCodec* Find(const char* shortName) {
  for (int i = 0; i < CodecCount(); ++i)
    if (Codecs(i)->ShortName() == shortName) return Codecs(i);
  return nullptr;
}

}  // namespace

TEST(CodecCatalogue, ListsEveryDriverInTableOrderWithItsFormats) {
  RefreshCodecs();
  const auto drivers = AcmDrivers();
  ASSERT_EQ(CodecCount(), int(drivers.size()));
  for (int i = 0; i < CodecCount(); ++i) {
    const IAcmDriver& d = *drivers[size_t(i)];
    const TdeCodec* c = Codecs(i);
    SCOPED_TRACE(d.ShortName());
    EXPECT_EQ(c->ShortName(), d.ShortName());
    EXPECT_EQ(c->LongName(), d.LongName());
    EXPECT_EQ(c->Licensing(), d.Licensing());
    EXPECT_EQ(c->Features(), d.Features());
    EXPECT_EQ(c->Details().cbStruct, sizeof(ACMDRIVERDETAILS));
    EXPECT_EQ(c->Support() & TdeCodec::sfCodec, (d.Support() & ACMDRIVERDETAILS_SUPPORTF_CODEC) ? 1 : 0);
    EXPECT_EQ(c->MaxExtraSize(), c->MaxFormatSize() - 18);
    // Every format of every tag, each as the driver writes it, with its text.
    size_t expected = 0;
    for (const auto& tag : d.FormatTags()) expected += d.FormatCount(tag.Tag);
    ASSERT_EQ(c->Formats().size(), expected);
    size_t k = 0;
    for (const auto& tag : d.FormatTags())
      for (uint32_t j = 0; j < d.FormatCount(tag.Tag); ++j, ++k) {
        alignas(4) uint8_t buffer[WAVE_FORMAT_BUFFER_SIZE] = {};
        auto* wfx = reinterpret_cast<WAVEFORMATEX*>(buffer);
        ASSERT_TRUE(d.EnumFormat(tag.Tag, j, wfx));
        const auto& f = c->Formats()[k];
        ASSERT_EQ(f.Block.size(), c->MaxFormatSize());
        EXPECT_EQ(std::memcmp(f.Block.data(), buffer, 18 + wfx->cbSize), 0) << j;
        std::string text;
        ASSERT_TRUE(d.Describe(wfx, text));
        EXPECT_EQ(f.Name.toStdString(), text);
      }
  }
}

TEST(CodecCatalogue, CodecEntriesCarryTheirSizesAndLicences) {
  const TdeCodec* mp3 = Find("MPEG Layer-3");
  const TdeCodec* ms = Find("MS ADPCM");
  const TdeCodec* gsm = Find("GSM 6.10");
  ASSERT_TRUE(mp3 && ms && gsm);
  EXPECT_EQ(mp3->MaxFormatSize(), 18u + 12u);
  EXPECT_EQ(ms->MaxFormatSize(), 18u + 32u);
  EXPECT_EQ(mp3->Formats().size(), 252u);
  EXPECT_TRUE(mp3->Licensing().contains("LAME"));
  EXPECT_TRUE(gsm->Licensing().contains("libgsm"));
  EXPECT_EQ(mp3->Formats().front().Name, "8.000 kHz, Mono, 8 kBit/s");
}

TEST(CodecCatalogue, ClearLeavesAnEmptyCatalogueUntilRefresh) {
  const int all = CodecCount();
  ASSERT_GT(all, 0);
  ClearCodecs();
  EXPECT_EQ(CodecCount(), 0);  // not built again on its own
  EXPECT_THROW(Codecs(0), EACMCodecError);
  RefreshCodecs();
  EXPECT_EQ(CodecCount(), all);
  EXPECT_THROW(Codecs(-1), EACMCodecError);
  EXPECT_THROW(Codecs(all), EACMCodecError);
  // A second refresh replaces, never duplicates.
  RefreshCodecs();
  EXPECT_EQ(CodecCount(), all);
}
