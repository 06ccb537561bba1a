#include "WaveTestSupport.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <cstring>

using namespace wavetest;

namespace {
uint32_t U32At(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

std::string Payload(size_t n, char seed = 1) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7);
  return s;
}

void ExpectInvalid(const std::string& bytes) {
  TMemoryStream s = MemoryOf(bytes);
  try {
    TdeRIFFAudioReader r(&s);
    ADD_FAILURE() << "accepted";
  } catch (const EACMAudioReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid file format.");
  }
}

std::string ReadAll(TdeRIFFAudioReader& r) {
  auto w = r.OpenStream(0);
  std::string out(static_cast<size_t>(w->Size()), '\0');
  EXPECT_EQ(w->Read(out.data(), static_cast<int32_t>(out.size())), static_cast<int32_t>(out.size()));
  return out;
}
}  // namespace

TEST(RiffWriter, OneBlockGivesRiffWithTheReservedChunkAndPatchedSizes) {
  TMemoryStream s;
  const std::string audio = Payload(1000);
  {
    TdeRIFFAudioWriter w(&s);
    w.Write(audio.data(), 1000);
  }
  const std::string f = BytesOf(s);
  ASSERT_EQ(f.size(), 1080u);
  EXPECT_EQ(f.substr(0, 4), "RIFF");
  EXPECT_EQ(U32At(f, 4), 1072u);
  EXPECT_EQ(f.substr(8, 8), "WAVEJUNK");
  EXPECT_EQ(U32At(f, 16), 28u);
  EXPECT_EQ(f.substr(20, 28), std::string(28, '\0'));
  EXPECT_EQ(f.substr(48, 4), "fmt ");
  EXPECT_EQ(U32At(f, 52), 16u);
  EXPECT_EQ(f.substr(56, 16), PcmFmt(2, 11025, 8));
  EXPECT_EQ(f.substr(72, 4), "data");
  EXPECT_EQ(U32At(f, 76), 1000u);
  EXPECT_EQ(f.substr(80), audio);
}

TEST(RiffWriter, WritesNothingWithoutDataAndIgnoresEmptyBlocks) {
  TMemoryStream s;
  {
    TdeRIFFAudioWriter w(&s);
    w.Write(nullptr, 0);
    EXPECT_EQ(s.Size(), 0);
  }
  EXPECT_EQ(s.Size(), 0);
  {
    TdeRIFFAudioWriter w(&s);
    w.Write("ab", 0);
    w.Write("abcd", 4);
    w.Write("ab", 0);
    w.Write("ef", 2);
    EXPECT_EQ(w.BytesWritten(), 6);
  }
  const std::string f = BytesOf(s);
  ASSERT_EQ(f.size(), 86u);  // one header only
  EXPECT_EQ(U32At(f, 76), 6u);
  EXPECT_EQ(f.substr(80), "abcdef");
}

TEST(RiffWriter, NonPcmFormatCarriesItsExtraBytes) {
  TMemoryStream s;
  {
    TdeRIFFAudioWriter w(&s);
    WAVEFORMATEX* wf = w.GetFormat()->WaveFormat();
    wf->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    wf->nChannels = 1;
    wf->nSamplesPerSec = 8000;
    wf->nAvgBytesPerSec = 4055;
    wf->nBlockAlign = 256;
    wf->wBitsPerSample = 4;
    wf->cbSize = 2;
    reinterpret_cast<uint8_t*>(wf)[18] = 0xF9;
    reinterpret_cast<uint8_t*>(wf)[19] = 0x01;
    w.Write("xyzw", 4);
  }
  const std::string f = BytesOf(s);
  EXPECT_EQ(U32At(f, 52), 20u);
  EXPECT_EQ(U32At(f, 56 + 16) & 0xFFFF, 2u);  // cbSize is part of the chunk
  EXPECT_EQ(f.substr(76, 4), "data");
  EXPECT_EQ(f.substr(84), "xyzw");
}

TEST(RiffWriter, OddDataGetsAPadByteCountedByRiffOnly) {
  TMemoryStream s;
  {
    TdeRIFFAudioWriter w(&s);
    w.Write("abc", 3);
    // Already valid and aligned while the recording runs.
    const std::string mid = BytesOf(s);
    EXPECT_EQ(mid.size(), 84u);
    EXPECT_EQ(U32At(mid, 4), 76u);
    EXPECT_EQ(U32At(mid, 76), 3u);
    w.Write("de", 2);  // overwrites the pad byte
  }
  const std::string f = BytesOf(s);
  ASSERT_EQ(f.size(), 86u);
  EXPECT_EQ(U32At(f, 4), 78u);
  EXPECT_EQ(U32At(f, 76), 5u);
  EXPECT_EQ(f.substr(80, 5), "abcde");
  EXPECT_EQ(f[85], '\0');
}

TEST(RiffWriter, OddFormatChunkIsPaddedToo) {
  TMemoryStream s;
  {
    TdeRIFFAudioWriter w(&s);
    WAVEFORMATEX* wf = w.GetFormat()->WaveFormat();
    wf->wFormatTag = 0x0031;
    wf->cbSize = 1;
    w.Write("zz", 2);
  }
  const std::string f = BytesOf(s);
  EXPECT_EQ(U32At(f, 52), 19u);
  EXPECT_EQ(f.substr(76, 4), "data");
  TMemoryStream back = MemoryOf(f);
  TdeRIFFAudioReader r(&back);
  EXPECT_EQ(r.GetFormat()->FormatTag(), 0x0031);
  EXPECT_EQ(ReadAll(r), "zz");
}

TEST(RiffWriter, KeepsTheSizesTrueAtLeastOncePerSecondOfAudio) {
  TMemoryStream s;
  TdeRIFFAudioWriter w(&s);
  SetPcm(*w.GetFormat(), 1, 8000, 8);  // 8000 bytes a second
  const std::string block = Payload(1000);
  for (int i = 0; i < 20; ++i) {
    w.Write(block.data(), 1000);
    const std::string f = BytesOf(s);
    const uint32_t data = U32At(f, 76);
    EXPECT_GE(data, 1000u);  // the first block is claimed at once
    EXPECT_GT(data + 8000u, static_cast<uint32_t>((i + 1) * 1000));
    EXPECT_EQ(U32At(f, 4), data + 72);
  }
}

TEST(RiffWriter, WritesAfterWhereTheStreamStood) {
  TMemoryStream s;
  s.WriteBuffer("JUNK", 4);
  {
    TdeRIFFAudioWriter w(&s);
    EXPECT_EQ(w.HeaderStart(), 4);
    w.Write("ab", 2);
  }
  const std::string f = BytesOf(s);
  EXPECT_EQ(f.substr(4, 4), "RIFF");
  EXPECT_EQ(U32At(f, 8), 74u);
  EXPECT_EQ(U32At(f, 80), 2u);
}

TEST(RiffWriter, ZeroFormatTagOrMissingStreamIsAProgrammingError) {
  EXPECT_THROW(TdeRIFFAudioWriter(nullptr), EAssertionFailed);
  TMemoryStream s;
  TdeRIFFAudioWriter w(&s);
  w.GetFormat()->WaveFormat()->wFormatTag = 0;
  EXPECT_THROW(w.Write("a", 1), EAssertionFailed);
}

TEST(RiffReader, ReadsBackWhatTheWriterWrote) {
  TMemoryStream s;
  const std::string audio = Payload(4001, 3);
  {
    TdeRIFFAudioWriter w(&s);
    SetPcm(*w.GetFormat(), 1, 22050, 8);
    w.Write(audio.data(), 2000);
    w.Write(audio.data() + 2000, 2001);
  }
  s.SetPosition(0);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetFormat()->SamplesPerSec(), 22050u);
  EXPECT_EQ(r.GetFormat()->Channels(), 1);
  EXPECT_EQ(r.GetStreamSize(0), 4001);
  EXPECT_EQ(r.StreamCount(), 1);
  EXPECT_EQ(ReadAll(r), audio);
  char buf[8000];
  EXPECT_EQ(r.ReadStream(0, buf, 8000), 4001);  // never more than the data
}

TEST(RiffReader, AcceptsAnyCaseChunksInAnyOrderWithPaddedExtras) {
  const std::string fmt = PcmFmt(2, 44100, 16);
  const std::string file = RiffBuilder()
                               .Chunk("LIST", "INFOISFT\x05\0\0\0Lavf5", true)  // odd, padded
                               .Chunk("DaTa", "12345678")
                               .Chunk("FmT ", fmt)
                               .Wave();
  TMemoryStream s = MemoryOf(file);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetFormat()->SamplesPerSec(), 44100u);
  EXPECT_EQ(r.GetFormat()->BitsPerSample(), 16);
  EXPECT_EQ(ReadAll(r), "12345678");
}

TEST(RiffReader, SkipsPadBytesAfterOddChunksIncludingTheFormat) {
  std::string fmt = PcmFmt(1, 8000, 8) + std::string("\0\0\x07", 3);  // 19-byte chunk
  const std::string file =
      RiffBuilder().Chunk("fmt ", fmt).Chunk("odd ", "abc").Chunk("data", "hello").Chunk("tail", "x").Wave();
  TMemoryStream s = MemoryOf(file);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetFormat()->SamplesPerSec(), 8000u);
  EXPECT_EQ(ReadAll(r), "hello");
}

TEST(RiffReader, LaterFormatChunkReplacesTheEarlierAndShortOnesKeepDefaults) {
  const std::string full = PcmFmt(2, 48000, 16);
  const std::string file =
      RiffBuilder().Chunk("fmt ", full).Chunk("fmt ", full.substr(0, 14)).Chunk("data", "abcd").Wave();
  TMemoryStream s = MemoryOf(file);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetFormat()->SamplesPerSec(), 48000u);
  EXPECT_EQ(r.GetFormat()->BitsPerSample(), 8);  // not covered by the 14 bytes: default
  EXPECT_EQ(r.GetFormat()->ExtraSize(), 0);
}

TEST(RiffReader, FormatChunkOf512BytesIsAcceptedAnd513Refused) {
  std::string fmt = std::string("\x11\0\x01\0", 4) + std::string(12, '\x01') + std::string(496, '\0');
  fmt[16] = static_cast<char>(0xEE);  // cbSize 494
  fmt[17] = 0x01;
  TMemoryStream s = MemoryOf(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", "ab").Wave());
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetFormat()->ExtraSize(), 494);
  ExpectInvalid(RiffBuilder().Chunk("fmt ", fmt + "z").Chunk("data", "ab").Wave());
}

TEST(RiffReader, RefusesDamagedFiles) {
  const std::string fmt = PcmFmt(1, 8000, 8);
  const std::string good = RiffBuilder().Chunk("fmt ", fmt).Chunk("data", "abcd").Wave();
  ExpectInvalid("");
  ExpectInvalid("RIF");
  ExpectInvalid(good.substr(0, 11));
  ExpectInvalid("riff" + good.substr(4));
  ExpectInvalid(good.substr(0, 8) + "wave" + good.substr(12));
  ExpectInvalid(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", "abcd").Wave(0));  // never finished
  ExpectInvalid(RiffBuilder().Chunk("fmt ", fmt).Wave());
  ExpectInvalid(RiffBuilder().Chunk("data", "abcd").Wave());
  ExpectInvalid(RiffBuilder().Chunk("fmt ", fmt).Raw("dat").Wave());  // truncated chunk header
  // A huge unknown chunk moves forward past the end, never backwards.
  ExpectInvalid(RiffBuilder().Chunk("fmt ", fmt).ChunkWithSize("junk", 0xFFFFFFF8u, "").Chunk("data", "ab").Wave());
  ExpectInvalid(RiffBuilder().ChunkWithSize("fmt ", 0xFFFFFFFFu, fmt).Wave());
  // Formats nobody can step through.
  std::string zero = fmt;
  zero[2] = 0;  // no channels
  ExpectInvalid(RiffBuilder().Chunk("fmt ", zero).Chunk("data", "abcd").Wave());
  zero = fmt;
  std::memset(zero.data() + 8, 0, 4);  // no bytes per second
  ExpectInvalid(RiffBuilder().Chunk("fmt ", zero).Chunk("data", "abcd").Wave());
}

TEST(RiffReader, DataPastTheEndIsRefusedWhenTheWindowIsMade) {
  const std::string file =
      RiffBuilder().Chunk("fmt ", PcmFmt(1, 8000, 8)).ChunkWithSize("data", 0xFFFFFFFFu, "abcd").Wave();
  TMemoryStream s = MemoryOf(file);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetStreamSize(0), 0xFFFFFFFFll);
  try {
    r.OpenStream(0);
    FAIL() << "no exception";
  } catch (const EACMAudioReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid file format.");
  }
}

TEST(RiffReader, AnEmptyDataChunkAtTheEndGivesAnEmptyWindow) {
  TMemoryStream s = MemoryOf(RiffBuilder().Chunk("fmt ", PcmFmt(1, 8000, 8)).Chunk("data", "").Wave());
  TdeRIFFAudioReader r(&s);
  auto w = r.OpenStream(0);
  char buf[4];
  EXPECT_EQ(w->Size(), 0);
  EXPECT_EQ(w->Read(buf, 4), 0);
}

TEST(RiffReader, WindowsMayOutliveOrPrecedeTheReader) {
  TMemoryStream s = MemoryOf(RiffBuilder().Chunk("fmt ", PcmFmt(1, 8000, 8)).Chunk("data", "abcd").Wave());
  std::unique_ptr<TdeSubStream> kept;
  {
    TdeRIFFAudioReader r(&s);
    auto a = r.OpenStream(0);
    kept = r.OpenStream(0);
    EXPECT_EQ(r.OpenWindowCount(), 2);
    a.reset();
    EXPECT_EQ(r.OpenWindowCount(), 1);
  }
  char buf[4];
  EXPECT_EQ(kept->Read(buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "abcd");
  kept.reset();  // no call back into the reader that is gone
}

TEST(RiffReader, LastAndNextReachTheEndOfTheOneStream) {
  TMemoryStream s = MemoryOf(RiffBuilder().Chunk("fmt ", PcmFmt(1, 8000, 8)).Chunk("data", "abcd").Wave());
  TdeRIFFAudioReader r(&s);
  EXPECT_FALSE(r.Eof());
  r.Next();
  EXPECT_TRUE(r.Eof());
  TdeRIFFAudioReader r2(&(s.SetPosition(0), s));
  r2.Last();
  EXPECT_TRUE(r2.Eof());
  EXPECT_EQ(s.Position(), r2.DataStart());
}

TEST(RiffReader, RF64AndBW64TakeTheSizesThatRead0xFFFFFFFFFromDs64) {
  const std::string fmt = PcmFmt(1, 8000, 8);
  // ds64: RIFF size, data size 5, sample count 5, one table entry for "big ".
  const auto ds64 = [](uint64_t data, uint32_t entries, uint64_t bigSize) {
    RiffBuilder b;
    b.U32(0xFFFFFFFFu).U32(0).U32(uint32_t(data)).U32(uint32_t(data >> 32)).U32(uint32_t(data)).U32(0).U32(entries);
    if (entries) b.Raw("big ").U32(uint32_t(bigSize)).U32(uint32_t(bigSize >> 32));
    return b.Bytes();
  };
  for (const char* id : {"RF64", "BW64"}) {
    SCOPED_TRACE(id);
    const std::string file = RiffBuilder()
                                 .Chunk("ds64", ds64(5, 1, 3))
                                 .Chunk("fmt ", fmt)
                                 .ChunkWithSize("big ", 0xFFFFFFFFu, std::string("xyz\0", 4))  // 3 bytes and the pad
                                 .ChunkWithSize("data", 0xFFFFFFFFu, "hello")
                                 .Wave(0xFFFFFFFFll)
                                 .replace(0, 4, id);
    TMemoryStream s = MemoryOf(file);
    TdeRIFFAudioReader r(&s);
    EXPECT_TRUE(r.IsRF64());
    EXPECT_EQ(ReadAll(r), "hello");
  }
  // A 0xFFFFFFFF data size needs the ds64 chunk before it; a plain RIFF file
  // ignores a ds64 chunk and keeps its own sizes.
  ExpectInvalid(RiffBuilder().Chunk("fmt ", fmt).ChunkWithSize("data", 0xFFFFFFFFu, "ab").Wave().replace(0, 4, "RF64"));
  TMemoryStream plain =
      MemoryOf(RiffBuilder().Chunk("ds64", ds64(99, 0, 0)).Chunk("fmt ", fmt).Chunk("data", "ab").Wave());
  TdeRIFFAudioReader r(&plain);
  EXPECT_FALSE(r.IsRF64());
  EXPECT_EQ(ReadAll(r), "ab");
}
