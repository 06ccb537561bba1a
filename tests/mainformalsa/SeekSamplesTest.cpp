// A seek heard on a real ALSA device (the file plugin keeps every byte
// played): in every encoding the format chooser offers, playback moved to a
// third and to two thirds of a take plays from there to the end exactly the
// samples ffmpeg decodes from the whole take, starting within one block of
// the place asked for. For MP3 that means no silent or damaged frame where
// the decode was entered.
#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>
#include <algorithm>

#include "AlsaFixture.h"
#include "EncodedTake.h"
#include "EventLoopHelpers.h"
#include "MainForm.h"
#include "PlaybackSeek.h"
#include "SUIButton.h"
#include "StoredWindow.h"
#include "deACM.h"
#include "deAudioIO.h"

namespace {

std::vector<int16_t> Samples(const std::vector<uint8_t>& raw) {
  std::vector<int16_t> s(raw.size() / 2);
  std::memcpy(s.data(), raw.data(), s.size() * 2);
  return s;
}

}  // namespace

TEST(SeekSamples, aSeekPlaysFromItsPlaceTheSamplesFfmpegDecodesThere_inEveryEncoding) {
  if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) GTEST_FAIL() << "ffmpeg is not installed";
  TFilePcms pcms({});
  auto form = CreateStoredWindow();
  for (const TTakeEncoding& e : TakeEncodings()) {
    SCOPED_TRACE(e.Name);
    TdeWaveFormat format;
    const std::string data = EncodeTake(e, 3.0, format);
    ASSERT_FALSE(data.empty());
    WriteTakeFile(WorkingFileName(), format, data);
    const std::vector<int16_t> ref = FfmpegDecode(WorkingFileName());
    const int64_t ch = e.Channels, total = int64_t(ref.size()) / ch;
    ASSERT_GT(total, int64_t(e.Rate) * 2);
    form->FormCreate(form.get());
    for (const double share : {1.0 / 3, 2.0 / 3}) {
      SCOPED_TRACE(share);
      QFile::remove(QString::fromStdString(pcms.Dir()) + "/out.raw");
      form->btnPlay->Click();
      ASSERT_EQ(TForm1::Playing, form->State());
      ASSERT_EQ(16, form->deAudioOut->Format()->BitsPerSample());
      // At once, before the device has asked for more than the first blocks.
      ASSERT_TRUE(form->Seek()->SeekToShare(share));
      ASSERT_TRUE(ProcessEventsUntil([&] { return form->State() == TForm1::Stopped; }, 20000));
      const std::vector<int16_t> played = Samples(pcms.Played());
      // Where in the take the played end begins: the seek's place, within one block.
      const int64_t asked = std::llround(share * double(total));
      int64_t from = -1;
      // The first place from which the played end matches: any later one matches too.
      for (int64_t k = std::max<int64_t>(asked - 2 * e.BlockFrames, 0); k <= asked + e.BlockFrames && from < 0; ++k) {
        const size_t tail = size_t((total - k) * ch);
        if (tail <= played.size() && std::equal(ref.end() - tail, ref.end(), played.end() - tail)) from = k;
      }
      EXPECT_GE(from, asked - e.BlockFrames) << "the end of playback is not ffmpeg's decode from near " << asked
                                             << " (played " << played.size() / ch << " frames of " << total << ")";
    }
  }
  QFile::remove(WorkingFileName());
}
