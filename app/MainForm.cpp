#include "MainForm.h"

#include "Application.h"
#include "ControlBoxMenu.h"
#include "Description.h"
#include "Exceptions.h"
#include "SUIButton.h"
#include "SUIForm.h"
#include "SUIMainMenu.h"
#include "SUIRegister.h"
#include "SUITitleBar.h"
#include "SaveCopy.h"
#include "SleepInhibitor.h"
#include "Streams.h"
#include "WaveDevice.h"
#include "deACM.h"
#include "deAudioControls.h"
#include "deAudioIO.h"
#include "deAudioStreams.h"
#include "deCommon.h"
#include "deRegister.h"

#include <unistd.h>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSaveFile>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

const char* const kWorkingFile = "Recorded.wav";

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

bool FolderWritable(const QString& folder) {
  return !folder.isEmpty() && QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

// Copies source over target through a temporary file next to target, so a
// copy that fails half-way leaves the old target as it was.
void CopyReplacing(const QString& source, const QString& target) {
  if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) return;
  QFile in(source);
  QSaveFile out(target);
  auto fail = [&](const QString& reason) {
    out.cancelWriting();
    throw EFCreateError(QStringLiteral("保存失败：%1\n%2").arg(QDir::toNativeSeparators(target), reason));
  };
  if (!in.open(QIODevice::ReadOnly)) fail(in.errorString());
  if (!out.open(QIODevice::WriteOnly)) fail(out.errorString());
  char buffer[65536];
  for (;;) {
    const qint64 n = in.read(buffer, sizeof buffer);
    if (n < 0) fail(in.errorString());
    if (n == 0) break;
    if (out.write(buffer, n) != n) fail(out.errorString());
  }
  if (!out.commit()) fail(out.errorString());
}

// The user's configuration: $XDG_CONFIG_HOME/tamsel/recorder.ini.
std::unique_ptr<QSettings> UserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"),
                                     QStringLiteral("recorder"));
}

const char* DeviceKey(bool input) { return input ? "devices/input" : "devices/output"; }

}  // namespace

QString WorkingFolder(const QString& programFolder) {
  if (FolderWritable(programFolder)) return programFolder;
  const QString data =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel");
  QDir().mkpath(data);
  return data;
}

QString WorkingFileName() {
  return QDir(WorkingFolder(QCoreApplication::applicationDirPath())).filePath(QString::fromLatin1(kWorkingFile));
}

QString HomePageAddress() {
  const QString configured = QString::fromUtf8(TAMSEL_HOME_PAGE);
  if (!configured.isEmpty()) return configured;
  const QString candidates[] = {
      QStringLiteral(TAMSEL_DATADIR "/about.html"),
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tamsel/about.html"),
      QStringLiteral(TAMSEL_ABOUT_SOURCE),
  };
  for (const QString& c : candidates)
    if (QFileInfo::exists(c)) return QUrl::fromLocalFile(QFileInfo(c).canonicalFilePath()).toString();
  return QUrl::fromLocalFile(candidates[0]).toString();
}

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

TForm1::TForm1(TComponent* owner) : TForm(owner) { RegisterClasses(); }

// Whatever still runs is stopped before the components go.
TForm1::~TForm1() {
  try {
    if (FState == Recording) StopRecording();
    if (FState == Playing) StopPlaying();
  } catch (...) {
    ::HandleException();
  }
}

void TForm1::Loaded() {
  TForm::Loaded();
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

  deAudioIn->SetOnAudioRecorded([this](TComponent*, const void* audio, int32_t size) { MeterBlock(audio, size); });
  FClock.start();
  FClipTimer.setSingleShot(true);
  FClipTimer.setInterval(1000);
  connect(&FClipTimer, &QTimer::timeout, this, [this] { deOscilloscope1->SetClipMark(false); });

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
  BindShortcuts();
  LoadDeviceChoices();
  if (!FInhibitor) FInhibitor = std::make_unique<TSleepInhibitor>();
  FControlBoxMenu = std::make_unique<TControlBoxMenu>(*this, suiForm1->UIStyle());
  TsuiTitleBarButtons* buttons = suiForm1->TitleBar()->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (buttons->Items(i)->ButtonType() == suiControlBox) buttons->Items(i)->SetControlBoxMenu(FControlBoxMenu->Menu());
  UpdateButtons();
  UpdateStatus();
}

void TForm1::BindShortcuts() {
  const struct {
    QKeySequence Key;
    TsuiButton* Button;
  } keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_R), btnRecord}, {QKeySequence(Qt::Key_Space), btnPlay},
      {QKeySequence(Qt::Key_Escape), btnStop},         {QKeySequence(Qt::CTRL | Qt::Key_S), suiButton3},
      {QKeySequence(Qt::CTRL | Qt::Key_F), btnFormat}, {QKeySequence(Qt::CTRL | Qt::Key_Q), suiButton2},
  };
  FShortcuts.clear();
  for (TsuiCustomButton* b : findChildren<TsuiCustomButton*>()) b->installEventFilter(this);
  auto menuKey = std::make_unique<QShortcut>(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(menuKey.get(), &QShortcut::activated, this, &TForm1::PopupControlBoxMenu);
  FShortcuts.push_back(std::move(menuKey));
  for (const auto& k : keys) {
    auto shortcut = std::make_unique<QShortcut>(k.Key, this);
    TsuiButton* button = k.Button;
    // Auto-repeat would start and stop a take while the key is held.
    shortcut->setAutoRepeat(false);
    connect(shortcut.get(), &QShortcut::activated, this, [button] {
      if (button->Enabled()) button->Click();
    });
    button->SetHint(QStringLiteral("%1 (%2)").arg(button->Caption().remove(QLatin1Char('&')),
                                                  k.Key.toString(QKeySequence::NativeText)));
    FShortcuts.push_back(std::move(shortcut));
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
      if (type == QEvent::KeyPress && !key->isAutoRepeat() && btnPlay->Enabled()) btnPlay->Click();
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

void TForm1::PopupControlBoxMenu() {
  TsuiTitleBar* bar = suiForm1->TitleBar();
  const QPoint at = bar->mapToGlobal(QPoint(0, bar->height()));
  FControlBoxMenu->Menu()->Popup(at.x(), at.y());
}

void TForm1::LoadDeviceChoices() {
  const auto settings = UserSettings();
  for (bool input : {true, false}) {
    const QString key = QString::fromLatin1(DeviceKey(input));
    TDeviceChoice& choice = input ? FInputDevice : FOutputDevice;
    choice.Name = settings->value(key + QStringLiteral("/name")).toString();
    choice.Description = settings->value(key + QStringLiteral("/description")).toString();
  }
}

void TForm1::SetInputDevice(const TDeviceChoice& choice) { ChooseDevice(true, choice); }

void TForm1::SetOutputDevice(const TDeviceChoice& choice) { ChooseDevice(false, choice); }

void TForm1::ChooseDevice(bool input, const TDeviceChoice& choice) {
  (input ? FInputDevice : FOutputDevice) = choice;
  const auto settings = UserSettings();
  const QString key = QString::fromLatin1(DeviceKey(input));
  settings->setValue(key + QStringLiteral("/name"), choice.Name);
  settings->setValue(key + QStringLiteral("/description"), choice.Description);
  // Chosen again: if it goes away again, say so again.
  FMissingReported.removeAll(choice.Name);
}

QString TForm1::DeviceToOpen(bool input, const TDeviceChoice& choice) {
  if (choice.Name.isEmpty()) return QString();
  const std::vector<TWaveDeviceInfo> devices = WaveDeviceList(input ? TWaveDirection::Input : TWaveDirection::Output);
  const std::string name = choice.Name.toStdString();
  // A sound system that lists nothing cannot say a device has gone.
  if (devices.empty() ||
      std::any_of(devices.begin(), devices.end(), [&](const TWaveDeviceInfo& d) { return d.Name == name; }))
    return choice.Name;
  if (!FMissingReported.contains(choice.Name)) {
    FMissingReported << choice.Name;
    const QString shown = choice.Description.isEmpty() || choice.Description == choice.Name
                              ? choice.Name
                              : QStringLiteral("%1（%2）").arg(choice.Description, choice.Name);
    const QString text = (input ? QStringLiteral("找不到输入设备“%1”，改用默认设备。")
                                : QStringLiteral("找不到输出设备“%1”，改用默认设备。"))
                             .arg(shown);
    // After the press has done its work: the take is not held up by the message.
    QMetaObject::invokeMethod(
        this, [text] { ShowError(text); }, Qt::QueuedConnection);
  }
  return QString();
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
    case Stopped: SetStatusText(0, QStringLiteral("已停止")); break;
    case Recording:
      SetStatusText(1, RecordConvert->FormatOut()->Description() + PeakText());
      if (RecordingPaused())
        SetStatusText(0, QStringLiteral("已暂停 ") + FormatElapsed(FPauseStart - FStartTime));
      else
        SetStatusText(0, QStringLiteral("正在录制 ") + FormatElapsed(Now() - FStartTime));
      break;
    case Playing:
      SetStatusText(1, PlayConvert->FormatIn()->Description());
      SetStatusText(0, QStringLiteral("正在播放 ") + PlayPercent(FPlayStream->Position(), FPlayStream->Size()) +
                           QStringLiteral("%"));
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
  try {
    FFailing = false;
    RecordConvert->SetFormatIn(deAudioIn->Format());
    RecordConvert->Open();
    AddSteps(QStringLiteral("录制转换步骤："), QStringLiteral("======================="), *RecordConvert);
    FFileStream = std::make_unique<TFileStream>(FFileName, fmCreate);
    FWriter = std::make_unique<TdeRIFFAudioWriter>(FFileStream.get());
    FWriter->GetFormat()->Assign(RecordConvert->FormatOut());
    deAudioControlSource->SetAudioSource(deAudioIn);
    deAudioIn->SetDeviceName(DeviceToOpen(true, FInputDevice));
    deAudioIn->Open();
    FTakeTime = QDateTime::currentDateTime();
    FState = Recording;
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
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
  FInhibitor->Inhibit(QStringLiteral("正在录音"));
}

void TForm1::SetSleepInhibitor(std::unique_ptr<TSleepInhibitor> inhibitor) {
  if (FInhibitor) FInhibitor->Release();
  FInhibitor = std::move(inhibitor);
}

void TForm1::RecordConvertAudioConverted(TComponent*, const void* AudioData, int32_t AudioDataSize, bool&) {
  // After a failed write the blocks the device still returns are dropped:
  // the recording stops once, with one message.
  if (!FWriter || FFailing) return;
  try {
    FWriter->Write(AudioData, AudioDataSize);
    // The last block before a pause: the file is complete as it stands while paused.
    if (deAudioIn->Paused()) FWriter->Checkpoint();
  } catch (...) {
    FailLater(std::current_exception());
  }
}

void TForm1::MeterBlock(const void* audio, int32_t size) {
  const TdeBlockPeak peak = MeasurePeak(*deAudioIn->Format(), audio, static_cast<uint32_t>(std::max(size, 0)));
  if (FPeakCount == FPeaks.size()) {
    FPeakFirst = (FPeakFirst + 1) % FPeaks.size();
    --FPeakCount;
  }
  FPeaks[(FPeakFirst + FPeakCount) % FPeaks.size()] = {FClock.elapsed(), peak.Peak};
  ++FPeakCount;
  if (peak.Clipped) {
    deOscilloscope1->SetClipMark(true);
    FClipTimer.start();
  }
}

QString TForm1::PeakText() {
  const int64_t now = FClock.elapsed();
  while (FPeakCount > 0 && now - FPeaks[FPeakFirst].AtMs > 1000) {
    FPeakFirst = (FPeakFirst + 1) % FPeaks.size();
    --FPeakCount;
  }
  if (FPeakCount == 0) return QString();
  double peak = 0;
  for (size_t i = 0; i < FPeakCount; ++i) peak = std::max(peak, FPeaks[(FPeakFirst + i) % FPeaks.size()].Peak);
  const double db = PeakDecibels(peak);
  return std::isinf(db) ? QStringLiteral("  峰值 -∞ dBFS") : QStringLiteral("  峰值 %1 dBFS").arg(db, 0, 'f', 1);
}

void TForm1::ForgetPeaks() {
  FPeakCount = 0;
  FClipTimer.stop();
  deOscilloscope1->SetClipMark(false);
}

bool TForm1::RecordingPaused() const { return FState == Recording && deAudioIn->Paused(); }

void TForm1::PauseRecordingClick() {
  if (FState != Recording || FFailing) return;
  if (deAudioIn->Paused()) {
    deAudioIn->SetPaused(false);
    // The paused stretch does not count in the elapsed time.
    FStartTime += Now() - FPauseStart;
  } else {
    deAudioIn->SetPaused(true);
    FPauseStart = Now();
    try {
      if (FWriter) FWriter->Checkpoint();
    } catch (...) {
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
  FStopping = true;
  TTeardown teardown;
  // The end of the take reaches the file: what the device captured up to the
  // press, then what the convertor's codec still holds.
  teardown.Step([&] {
    if (FWriter && !FFailing) deAudioIn->Drain();
  });
  teardown.Step([&] {
    if (FWriter && !FFailing && RecordConvert->Active()) RecordConvert->ConvertLast(nullptr, 0);
  });
  teardown.Step([&] { RecordConvert->SetActive(false); });
  teardown.Step([&] { CloseOrDrop(*deAudioIn); });
  // Finish first so a failing trailer is reported; the writer is freed anyway.
  teardown.Step([&] {
    if (FWriter) FWriter->Finish();
  });
  FWriter.reset();
  ForgetPeaks();
  if (FInhibitor) FInhibitor->Release();
  EndRun(teardown.First());
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
        AddSteps(QStringLiteral("播放转换步骤："), QStringLiteral("====================="), *PlayConvert);
        FPlayStream = FReader->OpenStream(0);
        deAudioOut->SetDeviceName(DeviceToOpen(false, FOutputDevice));
        deAudioOut->Open();
        pbPlayback->SetMax(static_cast<int>(std::clamp<int64_t>(FPlayStream->Size(), 0, INT32_MAX)));
        pbPlayback->SetPosition(0);
        FPlayDataEnded = false;
        for (int i = 0; i < deAudioOut->BufferCount() + 1 && !FPlayDataEnded; ++i) FillPlayBuffer();
        FState = Playing;
        // A codec that holds data back may not have filled the pre-buffer yet.
        if (deAudioOut->PreBuffering()) deAudioOut->Flush();
        KeepPlaying();
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
    pbPlayback->SetPosition(static_cast<int>(std::clamp<int64_t>(FPlayStream->Position(), 0, INT32_MAX)));
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
  EndRun(teardown.First());
}

void TForm1::suitempbtnStopClick(TComponent*) {
  tmStatusBar->SetEnabled(false);
  SetStatusText(0, QStringLiteral("已停止"));
  SetStatusText(1, QString());
  TTeardown teardown;
  if (FState == Recording) teardown.Step([&] { StopRecording(); });
  if (FState == Playing) teardown.Step([&] { StopPlaying(); });
  pbPlayback->SetPosition(0);
  teardown.Finish();
}

void TForm1::suitempbtnFormatClick(TComponent*) {
  // An accepted choice simply becomes the format of the next recording.
  RecordConvert->FormatOut()->Choose(QStringLiteral("选择录制格式"));
}

void TForm1::suiButton3Click(TComponent*) {
  const QString source = WorkingFileName();
  if (!QFileInfo::exists(source)) return;
  // A take of an earlier run is named after the time its file was written.
  const QDateTime taken = FTakeTime.isValid() ? FTakeTime : QFileInfo(source).lastModified();
  OfferSaveTypes(*SaveDialog1);
  SaveDialog1->SetFileName(SaveProposal(SaveFolder(), taken));
  if (!SaveDialog1->Execute()) return;
  const std::optional<TSaveChoice> choice = ChosenSave(*SaveDialog1, this);
  if (!choice) return;
  if (!choice->Type)
    CopyReplacing(source, choice->FileName);
  else if (!SaveEncodedCopy(source, *choice, taken, this))
    return;
  UserSettings()->setValue(QStringLiteral("save/folder"), QFileInfo(choice->FileName).absolutePath());
}

QString SaveProposal(const QString& folder, const QDateTime& time) {
  return QDir(folder).filePath(QStringLiteral("录音 %1.wav").arg(time.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))));
}

QString SaveFolder() {
  const QString last = UserSettings()->value(QStringLiteral("save/folder")).toString();
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (!music.isEmpty() && QFileInfo(music).isDir()) return music;
  return QDir::homePath();
}

void TForm1::suiButton4Click(TComponent*) { QDesktopServices::openUrl(QUrl(HomePageAddress())); }

void TForm1::Label1Click(TComponent*) { QDesktopServices::openUrl(QUrl(HomePageAddress())); }

void TForm1::Label2Click(TComponent*) {
  QGuiApplication::clipboard()->setText(QString::fromUtf8(TAMSEL_CONTACT));
  ShowMessage(QStringLiteral("QQ号码已复制！"));
}

void TForm1::suiButton2Click(TComponent*) { Close(); }
