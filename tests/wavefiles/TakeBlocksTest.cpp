// A take entered at a block decodes, in ffmpeg, to exactly what ffmpeg
// decodes from the take's start, from that block on: the block index is
// checked against an independent decoder in every encoding a take is written
// in, MP3's bit reservoir and overlap included.
#include "EncodedTake.h"
#include "WaveTestSupport.h"
#include "deAudioStreams.h"
#include "deTakeBlocks.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace wavetest;

TEST(TakeBlocks, aDecodeEnteredAtAnyBlockMatchesFfmpegsDecodeFromTheStart) {
  if (!HavePeer("ffmpeg")) GTEST_FAIL() << "ffmpeg missing";
  QTemporaryDir dir;
  for (const TTakeEncoding& e : TakeEncodings()) {
    SCOPED_TRACE(e.Name);
    TdeWaveFormat format;
    const std::string data = EncodeTake(e, 3.0, format);
    ASSERT_FALSE(data.empty());
    const QString whole = dir.filePath("whole.wav");
    WriteTakeFile(whole, format, data);
    const auto ref = FfmpegDecode(whole);
    const size_t ch = e.Channels;

    TMemoryStream stream = MemoryOf(data);
    stream.SetPosition(7);
    const TdeTakeBlocks blocks(format, stream);
    EXPECT_EQ(7, stream.Position()) << "the stream is left where it was";
    ASSERT_EQ(int64_t(ref.size() / ch), blocks.Frames());
    ASSERT_EQ(e.BlockFrames, blocks.BlockFrames());
    const int64_t n = blocks.Blocks();
    ASSERT_GT(n, 20);
    const TdeTakeBlocks::TEntry end = blocks.Nearest(blocks.Frames() + 5);
    EXPECT_EQ(blocks.Frames(), end.Frame);
    EXPECT_EQ(blocks.EndOffset(), end.Offset);

    for (const int64_t b : {int64_t(0), int64_t(1), int64_t(2), n / 3, 2 * n / 3, n - 1}) {
      SCOPED_TRACE("block " + std::to_string(b));
      // A frame inside the block finds it; the nearest boundary rounds.
      const int64_t inside = b * blocks.BlockFrames() + blocks.BlockFrames() / 3;
      const TdeTakeBlocks::TEntry at = blocks.BlockAt(inside);
      EXPECT_EQ(b * blocks.BlockFrames(), at.Frame);
      if (blocks.BlockFrames() > 1) {
        EXPECT_EQ(at.Frame, blocks.Nearest(inside).Frame);
        EXPECT_EQ(at.Frame + blocks.BlockFrames(), blocks.Nearest(inside + blocks.BlockFrames() / 2).Frame);
      }
      ASSERT_LE(at.DecodeOffset, at.Offset);
      const QString part = dir.filePath("part.wav");
      WriteTakeFile(part, format, data.substr(size_t(at.DecodeOffset), size_t(blocks.EndOffset() - at.DecodeOffset)));
      const auto got = FfmpegDecode(part);
      ASSERT_EQ(got.size() / ch - size_t(at.DecodeSkip), ref.size() / ch - size_t(at.Frame));
      size_t differ = 0;
      for (size_t i = size_t(at.DecodeSkip) * ch, j = size_t(at.Frame) * ch; i < got.size(); ++i, ++j)
        differ += got[i] != ref[j];
      EXPECT_EQ(0u, differ) << "of " << got.size() - size_t(at.DecodeSkip) * ch << " samples";
    }
  }
}
