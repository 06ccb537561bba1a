#include "MainForm.h"

#include "Application.h"
#include "ControlBoxMenu.h"
#include "Description.h"
#include "Exceptions.h"
#include "Languages.h"
#include "PeakMeter.h"
#include "PlaybackSeek.h"
#include "SUIButton.h"
#include "SUIForm.h"
#include "SUIRegister.h"
#include "SaveCopy.h"
#include "SkinChoice.h"
#include "SleepInhibitor.h"
#include "Streams.h"
#include "TakeArchive.h"
#include "TakeCut.h"
#include "WindowAccessible.h"
#include "WindowKeys.h"
#include "deACM.h"
#include "deAsyncWriter.h"
#include "deAudioControls.h"
#include "deAudioIO.h"
#include "deAudioStreams.h"
#include "deCommon.h"
#include "deDeviceList.h"
#include "deRegister.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
// ⅛ s each.
constexpr uint8_t kCaptureBuffers = 64;
// Stop waits this long for the disk before it handles the window's events
// while it waits, polling this often; the wait shows after kDrainShowMs.
constexpr int kDrainQuietMs = 100;
constexpr int kDrainPollMs = 20;
constexpr int kDrainShowMs = 500;

// Ten seconds of the take's format wait for a stalled disk before blocks are
// dropped; bounded for formats of absurd rates.
int64_t WriterRingBytes(const TdeWaveFormat& format) {
  return std::clamp<int64_t>(int64_t{format.AvgBytesPerSec()} * 10, 256 * 1024, 256ll * 1024 * 1024);
}

// Runs every step of a teardown even when one fails; the first failure is
// raised at the end, after the state has been reset.
class TTeardown {
 public:
  template <class F>
  void Step(F step) {
    try {
      step();
    } catch (...) {
      if (!FFirst) FFirst = std::current_exception();
    }
  }
  void Finish() {
    if (FFirst) std::rethrow_exception(FFirst);
  }
  std::exception_ptr First() const { return FFirst; }

 private:
  std::exception_ptr FFirst;
};

void RegisterClasses() {
  RegisterClass<TForm1>();
  RegisterAudioClasses();
  RegisterSkinControls();
  RegisterHandlers<TForm1>()
      .Handler("FormCreate", &TForm1::FormCreate)
      .Handler("FormClose", &TForm1::FormClose)
      .Handler("suitempbtnRecordClick", &TForm1::suitempbtnRecordClick)
      .Handler("suitempbtnStopClick", &TForm1::suitempbtnStopClick)
      .Handler("suitempbtnPlayClick", &TForm1::suitempbtnPlayClick)
      .Handler("suitempbtnFormatClick", &TForm1::suitempbtnFormatClick)
      .Handler("RecordConvertAudioConverted", &TForm1::RecordConvertAudioConverted)
      .Handler("deAudioOutAudioPlayed", &TForm1::deAudioOutAudioPlayed)
      .Handler("tmStatusBarTimer", &TForm1::tmStatusBarTimer)
      .Handler("suiButton2Click", &TForm1::suiButton2Click)
      .Handler("suiButton3Click", &TForm1::suiButton3Click)
      .Handler("suiButton4Click", &TForm1::suiButton4Click)
      .Handler("Label1Click", &TForm1::Label1Click)
      .Handler("Label2Click", &TForm1::Label2Click);
}

// A device whose close fails is dropped: the window must not show Stopped
// with the device still open, where the next Record would be refused.
void CloseOrDrop(TdeAudioIO& device) {
  try {
    device.Close();
  } catch (...) {
    device.Drop();
    throw;
  }
}

}  // namespace

double Now() { return QDateTime::currentMSecsSinceEpoch() / 86400000.0 + 25569.0; }

QString FormatElapsed(double days) {
  const double frac = days - std::floor(days);
  int64_t seconds = static_cast<int64_t>(frac * 86400.0 + 1e-6);
  seconds %= 86400;
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString PlayPercent(int64_t position, int64_t size) {
  if (size <= 0) return QStringLiteral("0");
  return QString::number(position * 100 / size);
}

int ProgressUnits(int64_t position, int64_t size) {
  return static_cast<int>(std::clamp<int64_t>(position / (size / INT32_MAX + 1), 0, INT32_MAX));
}

TForm1::TForm1(TComponent* owner) : TForm(owner) { RegisterClasses(); }

// Whatever still runs is stopped before the components go.
TForm1::~TForm1() {
  FDestroying = true;
  try {
    if (FState == Recording) StopRecording();
    if (FState == Playing) StopPlaying();
  } catch (...) {
    ::HandleException();
  }
}

void TForm1::Loaded() {
  TForm::Loaded();
  TranslateStoredTexts(this);
  suiForm1 = FindComponentAs<TsuiForm>(this, QStringLiteral("suiForm1"));
  deOscilloscope1 = FindComponentAs<TdeOscilloscope>(this, QStringLiteral("deOscilloscope1"));
  btnRecord = FindComponentAs<TsuiButton>(this, QStringLiteral("btnRecord"));
  btnStop = FindComponentAs<TsuiButton>(this, QStringLiteral("btnStop"));
  btnPlay = FindComponentAs<TsuiButton>(this, QStringLiteral("btnPlay"));
  btnFormat = FindComponentAs<TsuiButton>(this, QStringLiteral("btnFormat"));
  lbSteps = FindComponentAs<TListBox>(this, QStringLiteral("lbSteps"));
  suiButton2 = FindComponentAs<TsuiButton>(this, QStringLiteral("suiButton2"));
  Label1 = FindComponentAs<TLabel>(this, QStringLiteral("Label1"));
  Label2 = FindComponentAs<TLabel>(this, QStringLiteral("Label2"));
  sbStatus = FindComponentAs<TStatusBar>(this, QStringLiteral("sbStatus"));
  pbPlayback = FindComponentAs<TProgressBar>(this, QStringLiteral("pbPlayback"));
  suiButton3 = FindComponentAs<TsuiButton>(this, QStringLiteral("suiButton3"));
  suiButton4 = FindComponentAs<TsuiButton>(this, QStringLiteral("suiButton4"));
  deAudioIn = FindComponentAs<TdeAudioIn>(this, QStringLiteral("deAudioIn"));
  deAudioOut = FindComponentAs<TdeAudioOut>(this, QStringLiteral("deAudioOut"));
  RecordConvert = FindComponentAs<TdeAudioConvertor>(this, QStringLiteral("RecordConvert"));
  PlayConvert = FindComponentAs<TdeAudioConvertor>(this, QStringLiteral("PlayConvert"));
  deAudioControlSource = FindComponentAs<TdeAudioControlSource>(this, QStringLiteral("deAudioControlSource"));
  tmStatusBar = FindComponentAs<TTimer>(this, QStringLiteral("tmStatusBar"));
  SaveDialog1 = FindComponentAs<TSaveDialog>(this, QStringLiteral("SaveDialog1"));
  AlignChildControls(this);
  ApplyChildTabOrder(this);
  // The state panel is as wide as its longest text in the language shown,
  // so a translation is not cut off.
  if (sbStatus->Panels()->Count() > 0) {
    const QFontMetrics metrics(sbStatus->font());
    int needed = 0;
    for (const QString& state : {tr("正在录制 "), tr("已暂停 ")})
      needed = std::max(needed, metrics.horizontalAdvance(state + QStringLiteral("00:00:00")) + 12);
    needed = std::max(needed, metrics.horizontalAdvance(tr("正在播放 ") + QStringLiteral("100%")) + 12);
    if (sbStatus->Panel(0)->Width() < needed) sbStatus->Panel(0)->SetWidth(needed);
  }

  FMeter = std::make_unique<TPeakMeter>(*deAudioIn, *deOscilloscope1);
  FMeter->SetOnSilenceChanged([this] { UpdateStatus(); });

  // A device that closes by itself (it failed, or was unplugged) ends the
  // recording or playback that uses it, so the window never shows a state
  // that no longer runs.
  deAudioIn->SetAfterClose([this](TComponent*) {
    if (FState == Recording && !FStopping) FailLater(nullptr);
  });
  deAudioOut->SetAfterClose([this](TComponent*) {
    if (FState == Playing && !FStopping) FailLater(nullptr);
  });
}

void TForm1::FormCreate(TComponent*) {
  FState = Stopped;
  FFileName = WorkingFileName();
  SetDoubleBuffered(true);
  Label2->SetHint(QString::fromUtf8(TAMSEL_CONTACT));
  const std::vector<TWindowKeys::TKey> keys = {
      {QKeySequence(Qt::CTRL | Qt::Key_R), btnRecord},  {QKeySequence(Qt::Key_Escape), btnStop},
      {QKeySequence(Qt::CTRL | Qt::Key_S), suiButton3}, {QKeySequence(Qt::CTRL | Qt::Key_F), btnFormat},
      {QKeySequence(Qt::CTRL | Qt::Key_Q), suiButton2},
  };
  FKeys = std::make_unique<TWindowKeys>(
      *this, keys, [this] { SpaceKey(); }, [this] { PopupControlBoxMenu(); });
  btnRecord->SetHint(tr("录制 (Ctrl+R)；录制时按 Space 暂停或继续"));
  btnPlay->SetHint(tr("播放 (Space)；播放时按 Space 暂停或继续"));
  FDevices.Load();
  if (!FInhibitor) FInhibitor = std::make_unique<TSleepInhibitor>();
  FControlBoxMenu = std::make_unique<TControlBoxMenu>(
      this, *suiForm1, FDevices,
      TControlBoxActions{[this] { return FState == Recording; }, [this] { return RecordingPaused(); },
                         [this] { PauseRecordingClick(); }, [this] { return FFileName; },
                         [this] { return FCut && FCut->CanCut(); },
                         [this](bool before) { FCut->Cut(before ? TTakeCut::DeleteBefore : TTakeCut::DeleteAfter); }});
  // The description keeps its own style; the user's choice is laid over it.
  if (const TsuiUIStyle skin = StoredSkin(); skin != suiForm1->UIStyle()) FControlBoxMenu->ApplySkin(skin);
  // Its one notice goes to the error display once the recording runs.
  FTakes = std::make_unique<TTakeArchive>(FFileName, TakesFolder(), [this](const QString& message) {
    QMetaObject::invokeMethod(
        this, [message] { TApplication::Instance()->ShowException(message); }, Qt::QueuedConnection);
  });
  FCut = std::make_unique<TTakeCut>(
      *this, FFileName, *FTakes, *pbPlayback,
      TTakeCutHost{[this] { return FState == Playing && deAudioOut->Paused(); }, [this] { return FSeek->HeardFrame(); },
                   [this] { suitempbtnStopClick(btnStop); }, [this](const QString& text) { SetStatusText(1, text); }});
  FSeek = std::make_unique<TPlaybackSeek>(
      *this, *this, *pbPlayback, *PlayConvert, *deAudioOut, *deAudioControlSource,
      TPlaybackSeekActions{[this] { return FState == Playing ? FPlayStream.get() : nullptr; },
                           [this](int64_t landed) {
                             const int64_t size = FPlayStream->Size();
                             PushAhead();
                             // The place landed on, or the end when that ended playback.
                             pbPlayback->SetPosition(ProgressUnits(FState == Playing ? landed : size, size));
                             UpdateStatus();
                           },
                           [this](std::exception_ptr error) { FailLater(error); }});
  MakeWindowAccessible(*this);
  UpdateButtons();
  UpdateStatus();
}

void TForm1::PopupControlBoxMenu() { FControlBoxMenu->Popup(); }

void TForm1::SpaceKey() {
  try {
    if (FState == Recording)
      PauseRecordingClick();
    else if (btnPlay->Enabled())
      btnPlay->Click();
  } catch (...) {
    ::HandleException();
  }
}

void TForm1::FormClose(TComponent*, TCloseAction&) { btnStop->Click(); }

void TForm1::UpdateButtons() {
  const bool fileExists = QFileInfo::exists(FFileName);
  btnRecord->SetEnabled(FState == Stopped);
  btnStop->SetEnabled(FState == Recording || FState == Playing);
  btnPlay->SetEnabled((FState == Stopped || FState == Playing) && fileExists);
  btnFormat->SetEnabled(FState == Stopped);
}

void TForm1::SetStatusText(int panel, const QString& text) {
  if (panel < sbStatus->Panels()->Count()) sbStatus->Panel(panel)->SetText(text);
}

void TForm1::UpdateStatus() {
  switch (FState) {
    case Stopped: SetStatusText(0, tr("已停止")); break;
    case Recording:
      // A take that has heard nothing yet says so in place of its format: a
      // microphone left unplugged is found before the take is lost.
      SetStatusText(1, FMeter->SilentInput() ? tr("没有声音输入：请检查麦克风")
                                             : RecordConvert->FormatOut()->Description() + FMeter->PeakText());
      if (RecordingPaused())
        SetStatusText(0, tr("已暂停 ") + FormatElapsed(FPauseStart - FStartTime));
      else
        SetStatusText(0, tr("正在录制 ") + FormatElapsed(Now() - FStartTime));
      break;
    case Playing:
      SetStatusText(1, PlayConvert->FormatIn()->Description());
      SetStatusText(0,
                    tr("正在播放 ") + PlayPercent(FPlayStream->Position(), FPlayStream->Size()) + QStringLiteral("%"));
      break;
  }
}

void TForm1::tmStatusBarTimer(TComponent*) { UpdateStatus(); }

void TForm1::AddSteps(const QString& heading, const QString& rule, const TdeAudioConvertor& convertor) {
  QStringList steps;
  convertor.GetConversionSteps(&steps);
  lbSteps->Clear();
  lbSteps->Add(heading);
  lbSteps->Add(rule);
  for (const QString& s : steps) lbSteps->Add(s);
}

void TForm1::suitempbtnRecordClick(TComponent*) {
  // The device records the PCM format the codec manager proposes for the
  // chosen format, in buffers of an eighth of a second.
  deAudioIn->Format()->SuggestPCM(RecordConvert->FormatOut());
  deAudioIn->SetBufferSize(deAudioIn->Format()->AvgBytesPerSec() / 8 + 4);
  // Eight seconds of buffers at the device: the window may freeze that long
  // without the device overrunning, and Stop finds room for all it holds.
  deAudioIn->SetBufferCount(kCaptureBuffers);
  try {
    FFailing = false;
    FWriterFailed = false;
    FInputOpened = false;
    RecordConvert->SetFormatIn(deAudioIn->Format());
    RecordConvert->Open();
    AddSteps(tr("录制转换步骤："), QStringLiteral("======================="), *RecordConvert);
    FTakes->KeepUnsaved();
    FTakes->Started(QDateTime::currentDateTime());
    FFileStream = std::make_unique<TFileStream>(FFileName, fmCreate);
    auto writer = std::make_unique<TdeRIFFAudioWriter>(FFileStream.get());
    writer->GetFormat()->Assign(RecordConvert->FormatOut());
    FWriter = std::make_unique<TdeAsyncWriter>(std::move(writer), WriterRingBytes(*RecordConvert->FormatOut()), [this] {
      // On the writer's thread: the take stops without waiting for another block.
      QMetaObject::invokeMethod(
          this,
          [this] {
            try {
              if (FWriter) FWriter->Check();
            } catch (...) {
              FWriterFailed = true;
              FailLater(std::current_exception());
            }
          },
          Qt::QueuedConnection);
    });
    deAudioControlSource->SetAudioSource(deAudioIn);
    deAudioIn->SetDeviceName(FDevices.ToOpen(true));
    deAudioIn->Open();
    FInputOpened = true;
    FTakeTime = QDateTime::currentDateTime();
    FState = Recording;
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    // The file may be emptied already: no take of this run or an earlier one is left to date.
    FTakeTime = QDateTime();
    try {
      StopRecording();
    } catch (...) {
    }
    UpdateButtons();
    std::rethrow_exception(error);
  }
  UpdateButtons();
  FStartTime = Now();
  tmStatusBar->SetEnabled(true);
  UpdateStatus();
  FInhibitor->Inhibit(tr("正在录音"));
}

void TForm1::SetSleepInhibitor(std::unique_ptr<TSleepInhibitor> inhibitor) {
  if (FInhibitor) FInhibitor->Release();
  FInhibitor = std::move(inhibitor);
}

void TForm1::RecordConvertAudioConverted(TComponent*, const void* AudioData, int32_t AudioDataSize, bool&) {
  // After a failed write the blocks the device still returns are dropped:
  // the recording stops once, with one message.
  if (!FWriter || FWriterFailed) return;
  try {
    FWriter->Write(AudioData, AudioDataSize);
    // The last block before a pause: the file is complete as it stands while paused.
    if (deAudioIn->Paused()) FWriter->Checkpoint();
  } catch (...) {
    FWriterFailed = true;
    FailLater(std::current_exception());
  }
}

bool TForm1::RecordingPaused() const { return FState == Recording && deAudioIn->Paused(); }

void TForm1::PauseRecordingClick() {
  if (FState != Recording || FFailing) return;
  const bool resume = deAudioIn->Paused();
  try {
    // The press cuts at once: the device hands over what it has captured.
    deAudioIn->SetPaused(!resume);
  } catch (...) {
    // A device that failed on the way has its teardown queued already; its message goes to the caller.
    if (FFailing) throw;
    FailLater(std::current_exception());
    return;
  }
  if (FState != Recording || FFailing) return;
  if (resume) {
    // The paused stretch does not count in the elapsed time.
    FStartTime += Now() - FPauseStart;
  } else {
    FPauseStart = Now();
    try {
      if (FWriter) FWriter->Checkpoint();
    } catch (...) {
      FWriterFailed = true;
      FailLater(std::current_exception());
    }
  }
  UpdateStatus();
}

void TForm1::FailLater(std::exception_ptr error) {
  if (FFailing) return;
  FFailing = true;
  QMetaObject::invokeMethod(
      this,
      [this, error] {
        try {
          if (FState == Recording) StopRecording();
          if (FState == Playing) StopPlaying();
          pbPlayback->SetPosition(0);
          tmStatusBar->SetEnabled(false);
          if (error) std::rethrow_exception(error);
        } catch (...) {
          FFailing = false;
          ::HandleException();
          return;
        }
        FFailing = false;
      },
      Qt::QueuedConnection);
}

void TForm1::StopRecording() {
  // Called again while the writer drains (a failure queued before the press): the first call ends it.
  if (FStopping) return;
  FStopping = true;
  TTeardown teardown;
  // The end of the take reaches the file: what the device captured up to the
  // press, then what the convertor's codec still holds.
  // A device that failed leaves a healthy file: what the codec holds still goes in.
  teardown.Step([&] {
    if (FWriter && !FFailing) deAudioIn->Drain();
  });
  teardown.Step([&] {
    if (FWriter && !FWriterFailed && RecordConvert->Active()) RecordConvert->ConvertLast(nullptr, 0);
  });
  teardown.Step([&] { RecordConvert->SetActive(false); });
  teardown.Step([&] { CloseOrDrop(*deAudioIn); });
  // Finish first so a failing trailer is reported; the writer is freed anyway.
  teardown.Step([&] {
    if (!FWriter) return;
    DrainWriter();
    FWriter->Finish();
  });
  ReportLoss();
  ReportReroute();
  FWriter.reset();
  FMeter->Forget();
  if (FInhibitor) FInhibitor->Release();
  EndRun(teardown.First());
}

void TForm1::DrainWriter() {
  if (FWriter->Drain(std::chrono::milliseconds(kDrainQuietMs)) || FDestroying) return;
  // A slow or stalled disk: the window goes on handling its events, and once
  // it takes long says what it waits for. Nothing is cut short: the take is
  // complete in its file when this returns.
  QProgressDialog wait(tr("正在把录音写入磁盘，请稍候…"), QString(), 0, 0, this);
  wait.setWindowTitle(tr("停止"));
  wait.setWindowModality(Qt::ApplicationModal);
  wait.setMinimumDuration(kDrainShowMs);
  wait.setValue(0);
  while (!FWriter->Drain(std::chrono::milliseconds(kDrainPollMs)))
    QCoreApplication::processEvents(wait.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void TForm1::ReportLoss() {
  const int64_t dropped = FWriter ? FWriter->DroppedBytes() : 0;
  // The input's counters outlive its device: a Record that failed before
  // opening one still holds the previous take's.
  const uint32_t overruns = FInputOpened ? deAudioIn->Overruns() : 0;
  const uint64_t frames = FInputOpened ? deAudioIn->LostFrames() : 0;
  if (dropped == 0 && overruns == 0) return;
  const double seconds =
      static_cast<double>(dropped) / std::max<uint32_t>(RecordConvert->FormatOut()->AvgBytesPerSec(), 1) +
      static_cast<double>(frames) / std::max<uint32_t>(deAudioIn->Format()->SamplesPerSec(), 1);
  qWarning("recording: %.2f s lost; device overruns %u (%llu frames), %lld bytes dropped before the disk", seconds,
           overruns, static_cast<unsigned long long>(frames), static_cast<long long>(dropped));
  const QString text = tr("录音时有 %1 秒的声音丢失（磁盘或系统过忙）。").arg(std::max(seconds, 0.1), 0, 'f', 1);
  // After Stop has returned, through the queue that shows one box at a time.
  QMetaObject::invokeMethod(
      this, [text] { TApplication::Instance()->ShowException(text); }, Qt::QueuedConnection);
}

// The sound server moved the take to another input when its device went:
// the take went on, and the user learns from where and since when.
void TForm1::ReportReroute() {
  if (!deAudioIn->Rerouted()) return;
  QString to = deAudioIn->RerouteTo();
  for (const TdeDeviceInfo& d : AudioDeviceList(true))
    if (d.Name == to && !d.Description.isEmpty()) to = d.Description;
  const double seconds =
      static_cast<double>(deAudioIn->RerouteFrame()) / std::max<uint32_t>(deAudioIn->Format()->SamplesPerSec(), 1);
  const QString text = tr("录音进行到第 %1 秒时输入设备断开了，之后的声音录自“%2”。").arg(seconds, 0, 'f', 1).arg(to);
  QMetaObject::invokeMethod(
      this, [text] { TApplication::Instance()->ShowException(text); }, Qt::QueuedConnection);
}

// The common end of StopRecording and StopPlaying: whatever failed, the
// window is Stopped before the first failure is passed on.
void TForm1::EndRun(std::exception_ptr firstError) {
  FFileStream.reset();
  FState = Stopped;
  FStopping = false;
  UpdateButtons();
  UpdateStatus();
  if (firstError) std::rethrow_exception(firstError);
}

void TForm1::suitempbtnPlayClick(TComponent*) {
  if (deAudioOut->Active()) {
    deAudioOut->SetPaused(!deAudioOut->Paused());
  } else {
    deAudioControlSource->SetAudioSource(deAudioOut);
    try {
      FFileStream = std::make_unique<TFileStream>(FFileName, fmOpenRead);
      try {
        FFailing = false;
        FReader = std::make_unique<TdeRIFFAudioReader>(FFileStream.get());
        deAudioOut->Format()->SuggestPCM(FReader->GetFormat());
        PlayConvert->SetFormatIn(FReader->GetFormat());
        PlayConvert->SetFormatOut(deAudioOut->Format());
        PlayConvert->Open();
        AddSteps(tr("播放转换步骤："), QStringLiteral("====================="), *PlayConvert);
        FPlayStream = FReader->OpenStream(0);
        deAudioOut->SetDeviceName(FDevices.ToOpen(false));
        deAudioOut->Open();
        pbPlayback->SetMax(ProgressUnits(FPlayStream->Size(), FPlayStream->Size()));
        pbPlayback->SetPosition(0);
        FState = Playing;
        PushAhead();
      } catch (...) {
        const std::exception_ptr error = std::current_exception();
        try {
          StopPlaying();
        } catch (...) {
        }
        std::rethrow_exception(error);
      }
    } catch (...) {
      UpdateButtons();
      throw;
    }
    UpdateButtons();
  }
  FStartTime = Now();
  tmStatusBar->SetEnabled(true);
  UpdateStatus();
}

void TForm1::FillPlayBuffer() {
  const int64_t block = ReadingBlockSize(*PlayConvert->FormatIn(), FPlayStream->Size() - FPlayStream->Position());
  FPlayBuffer.resize(static_cast<size_t>(block));
  const int32_t got = block > 0 ? std::max(FPlayStream->Read(FPlayBuffer.data(), static_cast<int32_t>(block)), 0) : 0;
  // A short read means the file shrank while playing: what was read is the end.
  if (got < block || FPlayStream->Position() >= FPlayStream->Size()) {
    FPlayDataEnded = true;
    PlayConvert->ConvertLast(FPlayBuffer.data(), got);
  } else {
    PlayConvert->Convert(FPlayBuffer.data(), got);
  }
}

void TForm1::PushAhead() {
  FPlayDataEnded = false;
  for (int i = 0; i < deAudioOut->BufferCount() + 1 && !FPlayDataEnded; ++i) FillPlayBuffer();
  // A codec that holds data back may not have filled the pre-buffer yet.
  if (deAudioOut->PreBuffering()) deAudioOut->Flush();
  KeepPlaying();
}

void TForm1::KeepPlaying() {
  if (FState != Playing) return;
  // Only a buffer at the device reports back; without one playback would stall.
  while (!FPlayDataEnded && deAudioOut->QueuedBuffers() == 0) {
    FillPlayBuffer();
    if (deAudioOut->PreBuffering()) deAudioOut->Flush();
  }
  if (!FPlayDataEnded) return;
  deAudioOut->Flush();
  // Nothing reached the device at all (an empty take): nothing will report back.
  if (deAudioOut->QueuedBuffers() == 0 && !deAudioOut->PreBuffering()) StopPlaying();
}

void TForm1::deAudioOutAudioPlayed(TComponent*, const void*, int32_t) {
  if (FState != Playing || !FPlayStream || FFailing) return;
  try {
    pbPlayback->SetPosition(ProgressUnits(FPlayStream->Position(), FPlayStream->Size()));
    if (!FPlayDataEnded) {
      FillPlayBuffer();
      KeepPlaying();
    } else if (deAudioOut->QueuedBuffers() == 0) {
      StopPlaying();
    }
  } catch (...) {
    FailLater(std::current_exception());
  }
}

void TForm1::StopPlaying() {
  FStopping = true;
  TTeardown teardown;
  teardown.Step([&] { CloseOrDrop(*deAudioOut); });
  teardown.Step([&] { PlayConvert->SetActive(false); });
  FPlayStream.reset();
  FReader.reset();
  if (FSeek) FSeek->Stopped();
  EndRun(teardown.First());
}

void TForm1::suitempbtnStopClick(TComponent*) {
  tmStatusBar->SetEnabled(false);
  SetStatusText(0, tr("已停止"));
  SetStatusText(1, QString());
  TTeardown teardown;
  if (FState == Recording) teardown.Step([&] { StopRecording(); });
  if (FState == Playing) teardown.Step([&] { StopPlaying(); });
  pbPlayback->SetPosition(0);
  teardown.Finish();
}

void TForm1::suitempbtnFormatClick(TComponent*) {
  // An accepted choice simply becomes the format of the next recording.
  RecordConvert->FormatOut()->Choose(tr("选择录制格式"));
}

void TForm1::suiButton3Click(TComponent*) {
  const QString source = WorkingFileName();
  if (!QFileInfo::exists(source)) return;
  const QDateTime taken = FTakeTime.isValid() ? FTakeTime : EarlierTakeStart(source);
  OfferSaveTypes(*SaveDialog1);
  SaveDialog1->SetFileName(taken.isValid() ? SaveProposal(SaveFolder(), taken) : SaveFolder());
  if (!SaveDialog1->Execute()) return;
  const std::optional<TSaveChoice> choice = ChosenSave(*SaveDialog1, this);
  if (!choice) return;
  RefuseSameFile(source, choice->FileName);
  TSaveProgress progress(*choice, this);
  // A take still recording is copied as far as it has reached the file. The
  // writer's thread brings it there while the window goes on taking blocks.
  std::optional<TdeSettlePoint> point;
  if (FWriter) {
    FWriter->RequestSettle([takes = FTakes.get()] { return takes->Fingerprint(); });
    const bool settled = progress.Await([&] {
      // A take that ended meanwhile is complete in its file.
      if (!FWriter) return true;
      try {
        point = FWriter->SettlePoint();
      } catch (...) {
        // The failure stops the take by itself; what reached the file is copied.
        return true;
      }
      return point.has_value();
    });
    if (!settled) return;
  }
  // Saved means all of the file as it stood when the copy began, and no more.
  const QString print = point ? point->Note : FTakes->Fingerprint();
  const bool saved = choice->Type ? SaveEncodedCopy(source, *choice, taken, progress)
                                  : SaveWavCopy(source, choice->FileName, point ? &*point : nullptr, progress);
  if (!saved) return;
  FTakes->Saved(print);
  UserSettings()->setValue(QStringLiteral("save/folder"), QFileInfo(choice->FileName).absolutePath());
}

void TForm1::suiButton4Click(TComponent*) { QDesktopServices::openUrl(QUrl(HomePageAddress())); }

void TForm1::Label1Click(TComponent*) { QDesktopServices::openUrl(QUrl(HomePageAddress())); }

void TForm1::Label2Click(TComponent*) {
  QGuiApplication::clipboard()->setText(QString::fromUtf8(TAMSEL_CONTACT));
  ShowMessage(tr("QQ号码已复制！"));
}

void TForm1::suiButton2Click(TComponent*) { Close(); }
