// The ALSA backend on file-plugin PCMs: exact bytes, call results, notice order.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "AlsaFixture.h"
#include "Platform.h"

namespace {

WAVEFORMATEX Pcm(uint32_t rate = 44100, uint16_t bits = 16, uint16_t channels = 2) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<uint16_t>(bits / 8 * channels);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

struct TBuffers {
  TBuffers(size_t count, uint32_t size) : Data(count, std::vector<char>(size)), Headers(count) {
    for (size_t i = 0; i < count; ++i) {
      Headers[i].lpData = Data[i].data();
      Headers[i].dwBufferLength = size;
    }
  }
  std::vector<std::vector<char>> Data;
  std::vector<WAVEHDR> Headers;
};

class WaveAlsa : public ::testing::Test {
 protected:
  const std::vector<uint8_t> Signal = TestSignal(44100 * 3);
  TFilePcms Pcms{Signal};
  TNoticeLog Log;
  TNotifyHandle Target = Log.Handle();
};

TEST_F(WaveAlsa, capture_deliversTheInfileBitForBit_inQueueOrderWithoutGapOrDuplicate) {
  const WAVEFORMATEX f = Pcm();
  HWAVEIN h = nullptr;
  ASSERT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  TBuffers b(4, 5512);  // not a whole number of frames: the device fills whole frames only
  std::vector<uint8_t> received;
  std::vector<WAVEHDR*> order;
  const size_t wanted = 60;
  size_t done = 0;
  Log.OnMessage = [&](const TMessage& m) {
    if (m.Msg != MM_WIM_DATA) return;
    auto* hdr = reinterpret_cast<WAVEHDR*>(m.LParam);
    EXPECT_EQ(hdr->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    order.push_back(hdr);
    received.insert(received.end(), hdr->lpData, hdr->lpData + hdr->dwBytesRecorded);
    if (++done + b.Headers.size() <= wanted) {
      EXPECT_EQ(waveInAddBuffer(h, hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
  };
  for (WAVEHDR& hdr : b.Headers) {
    ASSERT_EQ(waveInPrepareHeader(h, &hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(h, &hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_EQ(waveInStart(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return done == wanted; }));
  EXPECT_EQ(waveInReset(h), MMSYSERR_NOERROR);
  for (WAVEHDR& hdr : b.Headers) EXPECT_EQ(waveInUnprepareHeader(h, &hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return Log.Count(MM_WIM_CLOSE) == 1; }));

  ASSERT_EQ(received.size(), wanted * 5512);
  EXPECT_TRUE(std::equal(received.begin(), received.end(), Signal.begin()));
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], &b.Headers[i % 4]) << i;
  EXPECT_EQ(Log.Messages.front().Msg, MM_WIM_OPEN);
  EXPECT_EQ(Log.Messages.back().Msg, MM_WIM_CLOSE);
}

TEST_F(WaveAlsa, playback_writesExactlyTheWrittenBytes_andReturnsEachBufferOnceInWriteOrder) {
  const WAVEFORMATEX f = Pcm();
  HWAVEOUT h = nullptr;
  ASSERT_EQ(waveOutOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  const uint32_t size = 44100 / 8 * 4;
  const size_t count = Signal.size() / size;
  TBuffers b(count, size);
  for (size_t i = 0; i < count; ++i) {
    std::memcpy(b.Data[i].data(), Signal.data() + i * size, size);
    ASSERT_EQ(waveOutPrepareHeader(h, &b.Headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(h, &b.Headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitFor([&] { return Log.Count(MM_WOM_DONE) == count; }));
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return Log.Count(MM_WOM_CLOSE) == 1; }));
  ASSERT_EQ(Log.Messages.size(), count + 2);
  EXPECT_EQ(Log.Messages.front().Msg, MM_WOM_OPEN);
  for (size_t i = 0; i < count; ++i) EXPECT_EQ(Log.Messages[i + 1].LParam, reinterpret_cast<intptr_t>(&b.Headers[i]));
  const std::vector<uint8_t> played = Pcms.Played();
  ASSERT_EQ(played.size(), count * size);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), Signal.begin()));
}

TEST_F(WaveAlsa, openAndClose100Times_postsOnlyOpenAndCloseNotices) {
  const WAVEFORMATEX f = Pcm(22050, 8, 1);
  for (int i = 0; i < 100; ++i) {
    HWAVEIN in = nullptr;
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitFor([&] { return Log.Messages.size() == 400; }));
  EXPECT_EQ(Log.Count(MM_WIM_OPEN), 100u);
  EXPECT_EQ(Log.Count(MM_WIM_CLOSE), 100u);
  EXPECT_EQ(Log.Count(MM_WOM_OPEN), 100u);
  EXPECT_EQ(Log.Count(MM_WOM_CLOSE), 100u);
}

TEST_F(WaveAlsa, reset_returnsEveryQueuedBufferDoneInQueueOrder_andCloseRefusesWhileQueued) {
  const WAVEFORMATEX f = Pcm();
  HWAVEIN h = nullptr;
  ASSERT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  TBuffers b(3, 4000);
  for (WAVEHDR& hdr : b.Headers) {
    ASSERT_EQ(waveInPrepareHeader(h, &hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(h, &hdr, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(waveInAddBuffer(h, &b.Headers[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInUnprepareHeader(h, &b.Headers[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInReset(h), MMSYSERR_NOERROR);
  for (WAVEHDR& hdr : b.Headers) EXPECT_EQ(hdr.dwFlags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] { return Log.Count(MM_WIM_CLOSE) == 1; }));
  ASSERT_EQ(Log.Messages.size(), 5u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Log.Messages[i + 1].Msg, MM_WIM_DATA);
    EXPECT_EQ(Log.Messages[i + 1].LParam, reinterpret_cast<intptr_t>(&b.Headers[i]));
  }
}

TEST_F(WaveAlsa, refusals_giveTheCodesTheLibraryTranslates) {
  HWAVEIN h = nullptr;
  WAVEFORMATEX f = Pcm();
  qputenv("TAMSEL_CAPTURE_DEVICE", "tamsel_no_such_pcm");
  EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveInOpen(&h, 200, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_BADDEVICEID);
  qputenv("TAMSEL_CAPTURE_DEVICE", "tamselcap");
  f.wBitsPerSample = 12;
  EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), WAVERR_BADFORMAT);
  f = Pcm();
  f.nBlockAlign = 3;
  EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), WAVERR_BADFORMAT);
  f = Pcm();
  f.wFormatTag = WAVE_FORMAT_ALAW;  // not through the mapper: the device takes PCM only
  EXPECT_EQ(waveInOpen(&h, 0, &f, &Target, 0, CALLBACK_WINDOW), WAVERR_BADFORMAT);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_INVALPARAM);

  f = Pcm();
  EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &f, &Target, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInOpen(&h, WAVE_MAPPER, &f, &Target, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  TBuffers b(1, 400);
  EXPECT_EQ(waveInAddBuffer(h, &b.Headers[0], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  EXPECT_EQ(waveInPrepareHeader(h, &b.Headers[0], 32), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutReset(reinterpret_cast<HWAVEOUT>(h)), MMSYSERR_INVALHANDLE);  // an input handle
  EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(h), MMSYSERR_INVALHANDLE);
  ASSERT_TRUE(WaitFor([&] { return Log.Messages.size() == 2; }));
  EXPECT_EQ(Log.Messages[0].Msg, MM_WIM_OPEN);  // the query posts nothing
}

}  // namespace
