#pragma once
// The recorder's window. It wires two chains and runs one of them at a time:
//   recording: deAudioIn -> RecordConvert -> OnAudioConverted -> RIFF writer
//   playback:  RIFF reader's data window -> PlayConvert (pushed by this
//              window) -> deAudioOut, whose OnAudioPlayed asks for more.
// The components come from the window description (":/Form1.json"); Loaded
// binds the fields below to them. Every failure of a recording or playback
// tears it down first and then reaches the application's error display.
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Timers.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

class QShortcut;
class TControlBoxMenu;
class TSleepInhibitor;
class TFileStream;
class TdeAudioControlSource;
class TdeAudioConvertor;
class TdeAudioIn;
class TdeAudioOut;
class TdeOscilloscope;
class TdeRIFFAudioReader;
class TdeRIFFAudioWriter;
class TdeSubStream;
class TsuiButton;
class TsuiForm;

// Where the working file lives: the program's folder when it is writable
// (a program run from its build or unpacked folder), otherwise the user's
// data folder for the program ($XDG_DATA_HOME/tamsel), created when missing.
QString WorkingFolder(const QString& programFolder);
// The working file's full name for the running program.
QString WorkingFileName();
// The address the home-page actions open: the configured one, or the about
// page in the program's data folder.
QString HomePageAddress();

class TForm1 : public TForm {
  Q_OBJECT
 public:
  enum TState : uint8_t { Stopped = 0, Recording = 1, Playing = 2 };

  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  // The handlers the description binds, by these names.
  void FormCreate(TComponent* Sender);
  void FormClose(TComponent* Sender, TCloseAction& Action);
  void suitempbtnRecordClick(TComponent* Sender);
  void suitempbtnStopClick(TComponent* Sender);
  void suitempbtnPlayClick(TComponent* Sender);
  void suitempbtnFormatClick(TComponent* Sender);
  void RecordConvertAudioConverted(TComponent* Sender, const void* AudioData, int32_t AudioDataSize, bool& Abort);
  void deAudioOutAudioPlayed(TComponent* Sender, const void* AudioData, int32_t AudioDataSize);
  void tmStatusBarTimer(TComponent* Sender);
  void suiButton2Click(TComponent* Sender);
  void suiButton3Click(TComponent* Sender);
  void suiButton4Click(TComponent* Sender);
  void Label1Click(TComponent* Sender);
  void Label2Click(TComponent* Sender);

  // Pauses a running recording, or resumes a paused one: the input stays
  // open, the file keeps the take without the paused stretch, the status
  // shows "已暂停" with the time frozen. Does nothing unless recording.
  void PauseRecordingClick();
  bool RecordingPaused() const;

  // The devices to record from and play to: the sound system's name (empty
  // for its default device) and the description shown for it. A choice holds
  // from the next recording or playback on and is kept in the user's
  // configuration; a device the environment names still goes first.
  struct TDeviceChoice {
    QString Name;
    QString Description;
  };
  const TDeviceChoice& InputDevice() const { return FInputDevice; }
  void SetInputDevice(const TDeviceChoice& choice);
  const TDeviceChoice& OutputDevice() const { return FOutputDevice; }
  void SetOutputDevice(const TDeviceChoice& choice);

  // The loudest input of the last second as the format panel shows it
  // ("峰值 -6.0 dBFS"), empty when nothing was recorded in that second.
  QString PeakText();

  // The title bar's control-box menu; Alt+Space opens it too.
  TControlBoxMenu* ControlBoxMenu() const { return FControlBoxMenu.get(); }
  void PopupControlBoxMenu();

  // Asks the desktop not to sleep while recording; replaced by tests.
  TSleepInhibitor* SleepInhibitor() const { return FInhibitor.get(); }
  void SetSleepInhibitor(std::unique_ptr<TSleepInhibitor> inhibitor);

  TState State() const { return FState; }
  const QString& FileName() const { return FFileName; }

  // Components, bound when the description has been read.
  TsuiForm* suiForm1 = nullptr;
  TdeOscilloscope* deOscilloscope1 = nullptr;
  TsuiButton* btnRecord = nullptr;
  TsuiButton* btnStop = nullptr;
  TsuiButton* btnPlay = nullptr;
  TsuiButton* btnFormat = nullptr;
  TListBox* lbSteps = nullptr;
  TsuiButton* suiButton2 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TStatusBar* sbStatus = nullptr;
  TProgressBar* pbPlayback = nullptr;
  TsuiButton* suiButton3 = nullptr;
  TsuiButton* suiButton4 = nullptr;
  TdeAudioIn* deAudioIn = nullptr;
  TdeAudioOut* deAudioOut = nullptr;
  TdeAudioConvertor* RecordConvert = nullptr;
  TdeAudioConvertor* PlayConvert = nullptr;
  TdeAudioControlSource* deAudioControlSource = nullptr;
  TTimer* tmStatusBar = nullptr;
  TSaveDialog* SaveDialog1 = nullptr;

 protected:
  void Loaded() override;
  // Space plays and pauses also while a button has the focus (which would
  // take Space as its own click); the buttons still click on Enter.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateButtons();
  void UpdateStatus();
  void StopRecording();
  void StopPlaying();
  void FillPlayBuffer();
  void EndRun(std::exception_ptr firstError);
  // Pushes the next block of the file; the last one flushes the chain.
  // Keeps a buffer at the output while data remains (pushing more when the
  // codec held the last push back); once the file is used up sends what the
  // output still holds back, so a take shorter than the pre-buffer is heard,
  // and ends playback when nothing is left to report back.
  void KeepPlaying();
  // A failure inside a device notice: stop what runs once, after the notice
  // has been handled, then show the error.
  void FailLater(std::exception_ptr error);
  void SetStatusText(int panel, const QString& text);
  void AddSteps(const QString& heading, const QString& rule, const TdeAudioConvertor& convertor);
  // The keyboard's way to the transport and file buttons; each key clicks its
  // button only while the button is enabled, and the button's tool tip names it.
  void BindShortcuts();

  TState FState = Stopped;
  double FStartTime = 0;
  double FPauseStart = 0;  // when the recording was paused
  QString FFileName;
  QDateTime FTakeTime;  // when the take in the working file began; invalid for one of an earlier run
  std::unique_ptr<TFileStream> FFileStream;
  std::unique_ptr<TdeRIFFAudioWriter> FWriter;
  std::unique_ptr<TdeRIFFAudioReader> FReader;
  std::unique_ptr<TdeSubStream> FPlayStream;
  std::vector<uint8_t> FPlayBuffer;  // reused for every pushed block
  bool FPlayDataEnded = false;       // the last block of the file has been pushed
  bool FFailing = false;             // a teardown is pending; further blocks are dropped
  bool FStopping = false;            // inside StopRecording / StopPlaying
  std::vector<std::unique_ptr<QShortcut>> FShortcuts;
  std::unique_ptr<TSleepInhibitor> FInhibitor;
  std::unique_ptr<TControlBoxMenu> FControlBoxMenu;
  // The chosen device while the sound system lists it; otherwise the default,
  // after one message naming the device that has gone.
  QString DeviceToOpen(bool input, const TDeviceChoice& choice);
  void LoadDeviceChoices();
  void ChooseDevice(bool input, const TDeviceChoice& choice);
  TDeviceChoice FInputDevice, FOutputDevice;
  QStringList FMissingReported;  // gone devices already named in a message
  // The clipping cue: each recorded block's peak, kept for a second, and the
  // oscilloscope's mark, lit for a second after the last full-scale sample.
  void MeterBlock(const void* audio, int32_t size);
  void ForgetPeaks();
  struct TPeak {
    int64_t AtMs;
    double Peak;
  };
  // A fixed ring, so metering allocates nothing per block; with blocks shorter
  // than a 64th of a second the oldest go before their second is up.
  std::array<TPeak, 64> FPeaks{};
  size_t FPeakFirst = 0, FPeakCount = 0;
  QElapsedTimer FClock;
  QTimer FClipTimer;
};

// Now as a date-time: days since 1899-12-30 with the time of day as fraction.
double Now();
// "hh:nn:ss" of a date-time difference; the hours wrap after a day.
QString FormatElapsed(double days);
// The name the save dialog proposes for a take begun at time, in folder:
// "录音 YYYY-MM-DD HH-MM-SS.wav".
QString SaveProposal(const QString& folder, const QDateTime& time);
// Where the save dialog opens: the folder of the last save while it exists,
// else the user's music folder, else the home folder.
QString SaveFolder();
// The playback percentage text: position * 100 div size, "0" for an empty window.
QString PlayPercent(int64_t position, int64_t size);
