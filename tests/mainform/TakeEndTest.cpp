// The ends of a take. Stop keeps everything captured up to the press.
// Playback always ends, whatever the working file holds: an empty take, a
// file that shrinks while it plays, a tiny data rate, a codec that holds the
// first blocks back. Each plays what it has and returns to Stopped.
#include "MainFormFixture.h"

#include "Streams.h"
#include "deACM.h"
#include "deAudioStreams.h"

#include <QFile>
#include <cstring>

namespace {

void PutU16(QByteArray& b, uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void PutU32(QByteArray& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

// A RIFF WAVE file of one format chunk and one data chunk, sizes as given.
QByteArray WaveFile(const QByteArray& fmt, const QByteArray& data) {
  QByteArray b("RIFF");
  PutU32(b, uint32_t(4 + 8 + fmt.size() + 8 + data.size()));
  b.append("WAVEfmt ");
  PutU32(b, uint32_t(fmt.size()));
  b.append(fmt).append("data");
  PutU32(b, uint32_t(data.size()));
  return b.append(data);
}

QByteArray FormatChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg, uint16_t align, uint16_t bits,
                       const QByteArray& extra = {}) {
  QByteArray f;
  PutU16(f, tag);
  PutU16(f, channels);
  PutU32(f, rate);
  PutU32(f, avg);
  PutU16(f, align);
  PutU16(f, bits);
  if (tag != WAVE_FORMAT_PCM) {
    PutU16(f, uint16_t(extra.size()));
    f.append(extra);
  }
  return f;
}

class TPlayedBytes : public TQComponent {
 public:
  explicit TPlayedBytes(TComponent* source) : TQComponent(nullptr), FObserver(this) {
    FObserver.OnAudioData = [this](IdeAudioSubject*, const void*, int32_t size) { Bytes += size; };
    FObserver.SetAudioSource(source);
  }
  int64_t Bytes = 0;

 private:
  TdeAudioObserver FObserver;
};

class TakeEndTest : public MainFormTest {
 protected:
  void WriteWorkingFile(const QByteArray& bytes) {
    QFile f(WorkingFileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
    f.close();
    Form->FormCreate(Form.get());
  }
  // Plays every buffer the device gets until playback stops (or a bound is hit).
  void PlayOut(const std::function<void(int)>& afterBuffer = {}) {
    for (int i = 0; Form->State() == TForm1::Playing && i < 500; ++i) {
      if (!Wave.Complete()) {
        Settle();
        if (!Wave.Complete()) break;  // nothing at the device: it would never report back
      }
      Settle();
      if (afterBuffer) afterBuffer(i);
    }
    Settle();
  }
};

}  // namespace

TEST_F(TakeEndTest, anEmptyTakePlaysNothingAndStopsAtOnce) {
  WriteWorkingFile(WaveFile(FormatChunk(WAVE_FORMAT_PCM, 2, 11025, 22050, 2, 8), {}));
  TExceptionCapture errors;
  Press(Form->btnPlay);
  EXPECT_EQ(QStringList(), errors.Messages);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  EXPECT_TRUE(Form->btnPlay->Enabled());
}

TEST_F(TakeEndTest, everyOddFileIsPlayedToItsEndAndStops) {
  // IMA ADPCM, 8 kHz mono, in 4096-byte blocks of 8185 samples: an eighth of a
  // second is 500 bytes, so the first five pushes give the codec no whole block.
  QByteArray extra;
  PutU16(extra, 8185);
  const QByteArray bigBlocks = FormatChunk(WAVE_FORMAT_IMA_ADPCM, 1, 8000, 4003, 4096, 4, extra);
  // The same blocks claiming 5 bytes a second: an eighth of that is no byte at all.
  const QByteArray tinyRate = FormatChunk(WAVE_FORMAT_IMA_ADPCM, 1, 8000, 5, 4096, 4, extra);
  const QByteArray imaData(3 * 4096, '\0');
  struct TCase {
    const char* Name;
    QByteArray File;
    int64_t Played;  // bytes of 16-bit PCM the device must play
  } cases[] = {
      {"codec holds the first blocks back", WaveFile(bigBlocks, imaData), 3 * 8185 * 2},
      {"data rate below 8 bytes a second", WaveFile(tinyRate, imaData), 3 * 8185 * 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteWorkingFile(c.File);
    TPlayedBytes played(Form->deAudioOut);
    TExceptionCapture errors;
    Press(Form->btnPlay);
    PlayOut();
    EXPECT_EQ(QStringList(), errors.Messages);
    EXPECT_EQ(TForm1::Stopped, Form->State());
    EXPECT_EQ(c.Played, played.Bytes);
    if (Form->State() != TForm1::Stopped) Press(Form->btnStop);
  }
}

TEST_F(TakeEndTest, aFileThatShrinksWhilePlayingEndsWithWhatWasRead) {
  const QByteArray audio(11025 * 2 * 2, '\x40');  // 2 s of PCM 11025 Hz 8-bit stereo
  WriteWorkingFile(WaveFile(FormatChunk(WAVE_FORMAT_PCM, 2, 11025, 22050, 2, 8), audio));
  TPlayedBytes played(Form->deAudioOut);
  TExceptionCapture errors;
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  // Cut the file to its header and half a second while it plays.
  PlayOut([](int buffer) {
    if (buffer == 0) {
      ASSERT_TRUE(QFile::resize(WorkingFileName(), 44 + 11025));
    }
  });
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ(QStringList(), errors.Messages);
  // What was read before the cut (the pre-buffer and a little more), not the whole take.
  EXPECT_GT(played.Bytes, 0);
  EXPECT_LT(played.Bytes, int64_t{Form->deAudioOut->Format()->AvgBytesPerSec()});
}

TEST_F(TakeEndTest, stopKeepsTheReturnedBuffersAndThePartlyFilledOne) {
  Press(Form->btnRecord);
  QByteArray fed = RecordBlocks(2);
  // Two more buffers come back and a third is half full when Stop is pressed;
  // their notices are still queued.
  const uint32_t size = Form->deAudioIn->BufferSize();
  for (int b = 0; b < 3; ++b) {
    QByteArray block(static_cast<qsizetype>(b < 2 ? size : size / 2), static_cast<char>(0x30 + b));
    const bool queued = b < 2 ? Wave.Complete(block.constData(), uint32_t(block.size()))
                              : Wave.Fill(block.constData(), uint32_t(block.size()));
    ASSERT_TRUE(queued);
    fed += block;
  }
  Form->btnStop->Click();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  Settle();  // late notices of the closed device change nothing
  TFileStream stream(WorkingFileName(), fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  QByteArray audio(static_cast<qsizetype>(reader.GetStreamSize(0)), Qt::Uninitialized);
  audio.resize(reader.ReadStream(0, audio.data(), static_cast<int32_t>(audio.size())));
  EXPECT_EQ(fed.size(), audio.size());
  EXPECT_EQ(fed, audio);
}
