// The recorder's window driven as a user drives it, on the scripted device
// layer and real files: record, stop, play with pause and resume, save, and
// the failures a user meets (no device, damaged file, full disk).
#include "LinkTestSupport.h"
#include "MainFormFixture.h"

#include "Streams.h"
#include "deACM.h"
#include "deAudioStreams.h"
#include "deCommon.h"

#include <sys/resource.h>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <csignal>

QByteArray MainFormTest::RecordBlocks(int blocks) {
  QByteArray fed;
  for (int b = 0; b < blocks; ++b) {
    QByteArray block(static_cast<qsizetype>(Form->deAudioIn->BufferSize()), Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size(); ++i) block[i] = static_cast<char>((b * 7 + i * 3) & 0xFF);
    EXPECT_TRUE(Wave.Complete(block.constData(), static_cast<uint32_t>(block.size())));
    Settle();
    fed += block;
  }
  return fed;
}

namespace {

struct TButtonStates {
  bool Record, Stop, Play, Format;
  friend bool operator==(const TButtonStates&, const TButtonStates&) = default;
  friend std::ostream& operator<<(std::ostream& os, const TButtonStates& s) {
    return os << "record " << s.Record << " stop " << s.Stop << " play " << s.Play << " format " << s.Format;
  }
};

TButtonStates Buttons(const TForm1& form) {
  return {form.btnRecord->Enabled(), form.btnStop->Enabled(), form.btnPlay->Enabled(), form.btnFormat->Enabled()};
}

// The audio bytes of a RIFF WAVE file, read back through the reader.
QByteArray AudioOf(const QString& fileName, TdeWaveFormat* format = nullptr) {
  TFileStream stream(fileName, fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  if (format) format->Assign(reader.GetFormat());
  QByteArray data(static_cast<qsizetype>(reader.GetStreamSize(0)), Qt::Uninitialized);
  data.resize(reader.ReadStream(0, data.data(), static_cast<int32_t>(data.size())));
  return data;
}

// Collects what the output device reports as played.
class TPlayedTap : public TQComponent {
 public:
  explicit TPlayedTap(TComponent* source) : TQComponent(nullptr), FObserver(this) {
    FObserver.OnAudioData = [this](IdeAudioSubject*, const void* data, int32_t size) {
      Played.append(static_cast<const char*>(data), size);
    };
    FObserver.SetAudioSource(source);
  }
  QByteArray Played;

 private:
  TdeAudioObserver FObserver;
};

// Answers the next modal message box and returns its text.
QString AnswerNextMessageBox(const std::function<void()>& action) {
  QString text;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      box->accept();
    }
  });
  action();
  return text;
}

}  // namespace

TEST_F(MainFormTest, startsStoppedWithPlayOnlyWhenTheWorkingFileExists) {
  EXPECT_EQ((TButtonStates{true, false, false, true}), Buttons(*Form));
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  EXPECT_TRUE(Form->suiButton2->Enabled());
  EXPECT_TRUE(Form->suiButton3->Enabled());
  EXPECT_TRUE(Form->suiButton4->Enabled());
  EXPECT_FALSE(Form->tmStatusBar->Enabled());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_FALSE(Form->deAudioOut->Active());

  // A window created while a take exists offers to play it.
  Form.reset();
  QFile f(WorkingFileName());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  Form = CreateStoredWindow(false);
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
}

TEST_F(MainFormTest, recordWritesTheStoredFormatAndStopLeavesACompleteFile) {
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  EXPECT_EQ((TButtonStates{false, true, false, false}), Buttons(*Form));
  // An eighth of a second of PCM 11025 Hz 8-bit stereo, plus 4.
  EXPECT_EQ(2760u, Form->deAudioIn->BufferSize());
  EXPECT_EQ(11025u, Wave.LastFormat().nSamplesPerSec);
  EXPECT_EQ(8, Wave.LastFormat().wBitsPerSample);
  EXPECT_EQ(2, Wave.LastFormat().nChannels);
  const QStringList steps = Form->lbSteps->Items();
  ASSERT_GE(steps.size(), 4);
  EXPECT_EQ(QStringLiteral("录制转换步骤："), steps[0]);
  EXPECT_EQ(QString(23, QLatin1Char('=')), steps[1]);
  EXPECT_EQ(Form->RecordConvert->FormatOut()->Description(), steps.last());
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("正在录制 00:00:0"))) << Panel(0).toStdString();
  EXPECT_EQ(Form->RecordConvert->FormatOut()->Description(), Panel(1));
  EXPECT_TRUE(Form->tmStatusBar->Enabled());

  const QByteArray fed = RecordBlocks(6);
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  EXPECT_EQ(QString(), Panel(1));
  EXPECT_FALSE(Form->tmStatusBar->Enabled());

  TdeWaveFormat format;
  EXPECT_EQ(fed, AudioOf(Form->FileName(), &format));
  EXPECT_EQ(WAVE_FORMAT_PCM, format.FormatTag());
  EXPECT_EQ(11025u, format.SamplesPerSec());
  EXPECT_EQ(8, format.BitsPerSample());
  EXPECT_EQ(2, format.Channels());
}

TEST_F(MainFormTest, playSendsTheWholeTakeAndEndsByItself) {
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(12);  // 1.5 s
  Press(Form->btnStop);

  TPlayedTap tap(Form->deAudioOut);
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  EXPECT_EQ((TButtonStates{false, true, true, false}), Buttons(*Form));
  const QStringList steps = Form->lbSteps->Items();
  ASSERT_GE(steps.size(), 4);
  EXPECT_EQ(QStringLiteral("播放转换步骤："), steps[0]);
  EXPECT_EQ(QString(21, QLatin1Char('=')), steps[1]);
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("正在播放 "))) << Panel(0).toStdString();
  EXPECT_TRUE(Panel(0).endsWith(QStringLiteral("%")));
  EXPECT_EQ(Form->PlayConvert->FormatIn()->Description(), Panel(1));
  // The pre-buffer is full: the device runs with five blocks.
  EXPECT_EQ(5u, Wave.QueuedCount());

  int played = 0;
  while (Form->State() == TForm1::Playing && played < 100) {
    ASSERT_TRUE(Wave.Complete());
    Settle();
    ++played;
  }
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  EXPECT_EQ(fed.size(), tap.Played.size());
  EXPECT_EQ(fed, tap.Played);
  // Ending by itself keeps the timer, the format and the full progress bar.
  EXPECT_EQ(Form->pbPlayback->Max(), Form->pbPlayback->Position());
  EXPECT_TRUE(Form->tmStatusBar->Enabled());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  EXPECT_FALSE(Panel(1).isEmpty());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
}

TEST_F(MainFormTest, playPausesAndResumesAndStopEndsIt) {
  Press(Form->btnRecord);
  RecordBlocks(12);
  Press(Form->btnStop);

  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  Press(Form->btnPlay);
  EXPECT_TRUE(Wave.Paused());
  EXPECT_TRUE(Form->deAudioOut->Paused());
  EXPECT_EQ(TForm1::Playing, Form->State());
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("正在播放 ")));
  Press(Form->btnPlay);
  EXPECT_FALSE(Wave.Paused());
  ASSERT_TRUE(Wave.Complete());
  Settle();

  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  EXPECT_EQ(0, Form->pbPlayback->Position());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  EXPECT_EQ(QString(), Panel(1));
}

// Shorter than the output's pre-buffer: it is still heard, and playback ends.
TEST_F(MainFormTest, aTakeShorterThanThePreBufferIsPlayedAndEnds) {
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(2);
  Press(Form->btnStop);

  TPlayedTap tap(Form->deAudioOut);
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  while (Wave.Complete()) Settle();
  Settle();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ(fed, tap.Played);
}

TEST_F(MainFormTest, aDamagedWorkingFileIsRefusedAndPlaybackStaysStopped) {
  {
    QFile f(WorkingFileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF\0\0\0\0WAVEjunk", 16);
  }
  Form->FormCreate(Form.get());
  TExceptionCapture errors;
  Press(Form->btnPlay);
  EXPECT_EQ(QStringList{QStringLiteral("Invalid file format.")}, errors.Messages);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
  // The file is not held open: a new recording may replace it.
  Press(Form->btnRecord);
  EXPECT_EQ(TForm1::Recording, Form->State());
}

TEST_F(MainFormTest, aMissingInputDeviceIsReportedAndLeavesAnEmptyWorkingFile) {
  Wave.FailNext("waveInOpen", MMSYSERR_BADDEVICEID);
  TExceptionCapture errors;
  Press(Form->btnRecord);
  ASSERT_EQ(1, errors.Messages.size());
  EXPECT_TRUE(errors.Messages[0].startsWith(QStringLiteral("Error opening audio device for input.")))
      << errors.Messages[0].toStdString();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->RecordConvert->Active());
  EXPECT_EQ(0, QFileInfo(WorkingFileName()).size());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
}

TEST_F(MainFormTest, aFailingDeviceEndsTheRecordingWithAValidFile) {
  TExceptionCapture errors;
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(3);
  Wave.Fail(MMSYSERR_NODRIVER);
  Settle();
  EXPECT_EQ(1, errors.Messages.size());
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
  EXPECT_EQ(fed, AudioOf(WorkingFileName()));
}

TEST_F(MainFormTest, aFailingDeviceStillGetsTheEncodersHeldFramesIntoTheFile) {
  // MP3 at 320 kbit/s and 48 kHz: frames of 960 bytes, 1152 samples each.
  const std::unique_ptr<TdeWaveFormat> mp3 = Enumerated(WAVE_FORMAT_MPEGLAYER3, 48000, 2, 40000);
  ASSERT_TRUE(mp3) << "format not offered";
  Form->RecordConvert->SetFormatOut(mp3.get());
  TExceptionCapture errors;
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  ASSERT_EQ(4, Form->deAudioIn->Format()->BlockAlign());
  const qsizetype fedSamples = RecordBlocks(3).size() / 4;
  Wave.Fail(MMSYSERR_NODRIVER);
  Settle();
  ASSERT_EQ(1, errors.Messages.size());
  EXPECT_EQ(TForm1::Stopped, Form->State());
  const QByteArray kept = AudioOf(WorkingFileName());
  EXPECT_EQ(0, kept.size() % 960);
  EXPECT_GE(kept.size() / 960 * 1152, fedSamples) << "every captured sample reaches an encoded frame";
}

TEST_F(MainFormTest, theProposedSaveNameCarriesTheTakesStart_orNoTimeWhenTheTakeWasLost) {
  QString proposed;
  auto propose = [&] {
    proposed.clear();
    Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
      proposed = d.FileName();
      return false;
    });
    Press(Form->suiButton3);
  };
  // 12 buffers of 2760 bytes at 22050 bytes a second: a take of 1.502 s.
  Press(Form->btnRecord);
  ASSERT_EQ(2760u, Form->deAudioIn->BufferSize());
  RecordBlocks(12);
  Press(Form->btnStop);
  // A later run sees only the file, written to its end at 03:04:05.
  Form.reset();
  const QDateTime end(QDate(2026, 1, 2), QTime(3, 4, 5));
  {
    QFile f(WorkingFileName());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(end, QFileDevice::FileModificationTime));
  }
  Form = CreateStoredWindow(false);
  propose();
  EXPECT_EQ(QStringLiteral("录音 2026-01-02 03-04-03.wav"), QFileInfo(proposed).fileName()) << "the start, not the end";

  // A Record that fails after emptying the file leaves no take to date.
  Wave.FailNext("waveInOpen", MMSYSERR_BADDEVICEID);
  {
    TExceptionCapture errors;
    Press(Form->btnRecord);
    ASSERT_EQ(1, errors.Messages.size());
  }
  ASSERT_EQ(0, QFileInfo(WorkingFileName()).size());
  propose();
  EXPECT_FALSE(QFileInfo(proposed).fileName().startsWith(QStringLiteral("录音 "))) << proposed.toStdString();
}

TEST_F(MainFormTest, aFullDiskStopsTheRecordingOnceAndKeepsAValidFile) {
  // The file may not grow past 9000 bytes: the fourth block does not fit.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limit = old;
  limit.rlim_cur = 9000;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
  TExceptionCapture errors;
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(3);
  // The device keeps returning buffers after the failure; they are dropped.
  for (int i = 0; i < 4 && Wave.Complete(); ++i) Settle();
  // The file is written on a thread of its own: the stop follows the failure there.
  ProcessEventsUntil([&] { return Form->State() == TForm1::Stopped; });
  Settle();
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(1, errors.Messages.size()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
  const QByteArray kept = AudioOf(WorkingFileName());
  EXPECT_GE(kept.size(), fed.size());
  EXPECT_EQ(fed, kept.left(fed.size()));
}

TEST_F(MainFormTest, gapsTheDeviceLeftAreNamedOnceAfterStopWithTheirLength) {
  TExceptionCapture errors;
  Press(Form->btnRecord);
  const QByteArray before = RecordBlocks(2);
  // Two overruns, 0.5 s and 0.3 s of the device's rate.
  const uint32_t rate = Form->deAudioIn->Format()->SamplesPerSec();
  Wave.Overrun(rate / 2);
  Wave.Overrun(rate * 3 / 10);
  const QByteArray after = RecordBlocks(2);
  Settle();
  EXPECT_TRUE(errors.Messages.isEmpty()) << "named before Stop";
  Press(Form->btnStop);
  Settle();
  EXPECT_EQ(QStringList{QStringLiteral("录音时有 0.8 秒的声音丢失（磁盘或系统过忙）。")}, errors.Messages);
  EXPECT_EQ(before + after, AudioOf(WorkingFileName()));

  // A take without gaps says nothing.
  errors.Messages.clear();
  Press(Form->btnRecord);
  RecordBlocks(2);
  Press(Form->btnStop);
  Settle();
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();

  // Nor does a Record that fails before it opens the device, after a take with
  // a gap: the working file cannot be created (it links into a missing folder).
  Press(Form->btnRecord);
  RecordBlocks(1);
  Wave.Overrun(rate);
  Press(Form->btnStop);
  Settle();
  ASSERT_EQ(1, errors.Messages.size());
  errors.Messages.clear();
  ASSERT_TRUE(QFile::remove(WorkingFileName()));
  ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent-tamsel-folder/take.wav"), WorkingFileName()));
  Press(Form->btnRecord);
  Settle();
  QFile::remove(WorkingFileName());
  EXPECT_EQ(TForm1::Stopped, Form->State());
  ASSERT_EQ(1, errors.Messages.size()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
  EXPECT_FALSE(errors.Messages[0].contains(QStringLiteral("声音丢失"))) << errors.Messages[0].toStdString();
}

TEST_F(MainFormTest, closingTheWindowWhileRecordingLeavesACompleteFile) {
  Form->show();
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(4);
  Form->close();
  Settle();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_EQ(fed, AudioOf(WorkingFileName()));
}

TEST_F(MainFormTest, saveCopiesTheTakeReplacingAConfirmedFile) {
  Press(Form->btnRecord);
  RecordBlocks(2);
  Press(Form->btnStop);
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("copy.wav"));
  {
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older take");
  }
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    EXPECT_EQ(QStringLiteral("wav"), d.DefaultExt());
    EXPECT_TRUE(d.Options().testFlag(ofOverwritePrompt));
    d.SetFileName(target);
    return true;
  });
  Press(Form->suiButton3);
  EXPECT_EQ(ReadAll(WorkingFileName()), ReadAll(target));

  // A copy that cannot be made is reported, not passed over in silence.
  TExceptionCapture errors;
  const QString unreachable = dir.filePath(QStringLiteral("missing/folder/copy.wav"));
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFileName(unreachable);
    return true;
  });
  Press(Form->suiButton3);
  ASSERT_EQ(1, errors.Messages.size());
  EXPECT_TRUE(errors.Messages[0].contains(QStringLiteral("missing"))) << errors.Messages[0].toStdString();

  // A cancelled dialog and a missing take do nothing.
  int asked = 0;
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog&) { return ++asked, false; });
  Press(Form->suiButton3);
  EXPECT_EQ(1, asked);
  QFile::remove(WorkingFileName());
  Press(Form->suiButton3);
  EXPECT_EQ(1, asked);
}

TEST_F(MainFormTest, contactIsCopiedAndConfirmed) {
  const QString shown = AnswerNextMessageBox([&] { Form->Label2->Click(); });
  EXPECT_EQ(QStringLiteral("QQ号码已复制！"), shown);
  EXPECT_EQ(QString::fromUtf8(TAMSEL_CONTACT), QGuiApplication::clipboard()->text());
}

TEST_F(MainFormTest, homePageOpensTheAboutPageByDefault) {
  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
  Press(Form->suiButton4);
  Form->Label1->Click();
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  ASSERT_EQ(2, catcher.Opened.size());
  EXPECT_EQ(catcher.Opened[0], catcher.Opened[1]);
  if (QString::fromUtf8(TAMSEL_HOME_PAGE).isEmpty()) {
    EXPECT_TRUE(catcher.Opened[0].isLocalFile());
    EXPECT_TRUE(QFileInfo::exists(catcher.Opened[0].toLocalFile())) << catcher.Opened[0].toString().toStdString();
  }
}

// A take of the stored format (PCM 11025 Hz 8-bit stereo) with size audio bytes.
static void WriteTake(const QString& fileName, int size) {
  TFileStream stream(fileName, fmCreate);
  TdeRIFFAudioWriter writer(&stream);
  QByteArray audio(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) audio[i] = static_cast<char>(i * 5 & 0xFF);
  writer.Write(audio.constData(), size);
  writer.Finish();
}

// Plays the working file to its end and returns the sizes of the played blocks.
static std::vector<int> PlayedBlockSizes(TForm1& form, TScriptedWave& wave) {
  std::vector<int> sizes;
  TPlayedTap tap(form.deAudioOut);
  form.btnPlay->Click();
  for (int i = 0; i < 100 && form.State() == TForm1::Playing && wave.QueuedCount() > 0; ++i) {
    const qsizetype before = tap.Played.size();
    wave.Complete();
    for (int k = 0; k < 5; ++k) QCoreApplication::processEvents();
    sizes.push_back(static_cast<int>(tap.Played.size() - before));
  }
  return sizes;
}

TEST_F(MainFormTest, playbackSendsEighthsOfASecond_andATailUnderTwoBlocksAsOne) {
  struct TCase {
    int Bytes;
    std::vector<int> Blocks;
  };
  // 22050 bytes a second: blocks of 2756.
  const TCase cases[] = {{5000, {5000}}, {6000, {2756, 3244}}, {2756 * 6 + 100, {2756, 2756, 2756, 2756, 2756, 2856}}};
  for (const TCase& c : cases) {
    WriteTake(WorkingFileName(), c.Bytes);
    Form->FormCreate(Form.get());
    EXPECT_EQ(c.Blocks, PlayedBlockSizes(*Form, Wave)) << c.Bytes << " bytes";
    EXPECT_EQ(TForm1::Stopped, Form->State()) << c.Bytes << " bytes";
  }
}

TEST_F(MainFormTest, statusShowsThePercentagePlayed_andStopWorksWhilePaused) {
  WriteTake(WorkingFileName(), 2756 * 10);
  Form->FormCreate(Form.get());
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  // Five blocks of ten are with the device.
  EXPECT_EQ(QStringLiteral("正在播放 50%"), Panel(0));
  Form->tmStatusBarTimer(Form->tmStatusBar);
  EXPECT_EQ(QStringLiteral("正在播放 50%"), Panel(0));

  Press(Form->btnPlay);
  ASSERT_TRUE(Form->deAudioOut->Paused());
  EXPECT_EQ(QStringLiteral("正在播放 50%"), Panel(0));
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  EXPECT_FALSE(Form->deAudioOut->Paused());
  EXPECT_FALSE(Wave.Device());
  EXPECT_EQ(QStringLiteral("已停止"), Panel(0));
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
  // Playing again starts from the beginning, not paused.
  Press(Form->btnPlay);
  EXPECT_EQ(TForm1::Playing, Form->State());
  EXPECT_FALSE(Wave.Paused());
  EXPECT_EQ(5u, Wave.QueuedCount());
}

TEST_F(MainFormTest, saveWhileRecordingCopiesAReadableTake_andTheRecordingGoesOn) {
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(3);
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("copy.wav"));
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFileName(target);
    return true;
  });
  Press(Form->suiButton3);
  EXPECT_EQ(TForm1::Recording, Form->State());
  const QByteArray copied = AudioOf(target);
  EXPECT_FALSE(copied.isEmpty());
  EXPECT_EQ(fed.left(copied.size()), copied);

  const QByteArray more = RecordBlocks(2);
  Press(Form->btnStop);
  EXPECT_EQ(fed + more, AudioOf(WorkingFileName()));
}

TEST_F(MainFormTest, formatOpensTheChooserUnderItsTitle_andCancelKeepsTheFormat) {
  TdeWaveFormat before;
  before.Assign(Form->RecordConvert->FormatOut());
  QString title;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      title = dialog->windowTitle();
      dialog->reject();
    }
  });
  Press(Form->btnFormat);
  EXPECT_EQ(QStringLiteral("选择录制格式"), title);
  EXPECT_TRUE(Form->RecordConvert->FormatOut()->IsEqual(&before));
}

// A device that cannot be closed is dropped: the window is usable again.
TEST_F(MainFormTest, aFailingCloseIsReported_andRecordAndPlayWorkAfterIt) {
  TExceptionCapture errors;
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(2);
  Wave.FailNext("waveInReset", MMSYSERR_NOMEM);
  Press(Form->btnStop);
  ASSERT_EQ(1, errors.Messages.size());
  EXPECT_TRUE(errors.Messages[0].startsWith(QStringLiteral("Error closing input device.")))
      << errors.Messages[0].toStdString();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  EXPECT_FALSE(Wave.Device());
  EXPECT_EQ((TButtonStates{true, false, true, true}), Buttons(*Form));
  EXPECT_EQ(fed, AudioOf(WorkingFileName()));

  Press(Form->btnRecord);
  EXPECT_EQ(TForm1::Recording, Form->State());
  RecordBlocks(8);
  Press(Form->btnStop);

  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  Wave.FailNext("waveOutReset", MMSYSERR_NOMEM);
  Press(Form->btnStop);
  ASSERT_EQ(2, errors.Messages.size());
  EXPECT_TRUE(errors.Messages[1].startsWith(QStringLiteral("Error closing output device.")))
      << errors.Messages[1].toStdString();
  EXPECT_FALSE(Form->deAudioOut->Active());
  Press(Form->btnPlay);
  EXPECT_EQ(TForm1::Playing, Form->State());
  EXPECT_EQ(2, errors.Messages.size());
}

TEST(MainFormText, percentageAndElapsedTime) {
  EXPECT_EQ(QStringLiteral("50"), PlayPercent(50, 100));
  EXPECT_EQ(QStringLiteral("33"), PlayPercent(1, 3));
  EXPECT_EQ(QStringLiteral("0"), PlayPercent(0, 0));
  EXPECT_EQ(QStringLiteral("0"), PlayPercent(-1, -1));
  // 64-bit: four gigabytes times a hundred does not overflow.
  EXPECT_EQ(QStringLiteral("99"), PlayPercent(4294967000ll, 4294967295ll));
  EXPECT_EQ(QStringLiteral("00:00:00"), FormatElapsed(0));
  EXPECT_EQ(QStringLiteral("01:02:03"), FormatElapsed((3600 + 120 + 3) / 86400.0));
  // The hours of the time of day: they wrap after 24 hours.
  EXPECT_EQ(QStringLiteral("01:00:00"), FormatElapsed(1.0 + 1.0 / 24));
}

TEST(MainFormWorkingFile, aReadOnlyProgramFolderFallsBackToTheUserDataFolder) {
  QTemporaryDir home;
  const QByteArray old = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
  const QString folder = WorkingFolder(home.filePath(QStringLiteral("not/there")));
  EXPECT_EQ(home.filePath(QStringLiteral("tamsel")), folder);
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(home.path(), WorkingFolder(home.path()));
  if (old.isEmpty())
    qunsetenv("XDG_DATA_HOME");
  else
    qputenv("XDG_DATA_HOME", old);
}

TEST(MainFormSaveName, takesTheTimeTheTakeBegan) {
  EXPECT_EQ(QStringLiteral("/music/录音 2026-12-09 08-05-03.wav"),
            SaveProposal(QStringLiteral("/music"), QDateTime(QDate(2026, 12, 9), QTime(8, 5, 3))));
}

TEST_F(MainFormTest, saveProposesTheTakesTimeInTheMusicFolder_andThenTheLastFolderUsed) {
  // The user's music folder, as the desktop's folder list names it.
  QTemporaryDir music, chosen;
  {
    QFile dirs(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/user-dirs.dirs"));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write(QByteArray("XDG_MUSIC_DIR=\"") + music.path().toUtf8() + "\"\n");
  }
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  Press(Form->btnRecord);
  RecordBlocks(1);
  Press(Form->btnStop);
  const QDateTime after = QDateTime::currentDateTime().addSecs(1);

  QString proposed;
  const QString target = chosen.filePath(QStringLiteral("interview.wav"));
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    proposed = d.FileName();
    d.SetFileName(target);
    return true;
  });
  Press(Form->suiButton3);
  const QFileInfo name(proposed);
  EXPECT_EQ(QFileInfo(music.path()).absoluteFilePath(), name.absolutePath());
  ASSERT_TRUE(name.fileName().startsWith(QStringLiteral("录音 "))) << proposed.toStdString();
  const QDateTime taken = QDateTime::fromString(name.fileName().mid(3, 19), QStringLiteral("yyyy-MM-dd HH-mm-ss"));
  ASSERT_TRUE(taken.isValid()) << proposed.toStdString();
  EXPECT_LE(before, taken);
  EXPECT_GE(after, taken);
  EXPECT_TRUE(QFile::exists(target));

  Press(Form->suiButton3);
  EXPECT_EQ(QFileInfo(chosen.path()).absoluteFilePath(), QFileInfo(proposed).absolutePath())
      << "the folder of the last save";
  QFile::remove(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/user-dirs.dirs"));
}
