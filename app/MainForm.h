#pragma once
// The recorder's window. It wires two chains and runs one of them at a time:
//   recording: deAudioIn -> RecordConvert -> OnAudioConverted -> RIFF writer
//   playback:  RIFF reader's data window -> PlayConvert (pushed by this
//              window) -> deAudioOut, whose OnAudioPlayed asks for more.
// The components come from the window description (":/Form1.json"); Loaded
// binds the fields below to them. Every failure of a recording or playback
// tears it down first and then reaches the application's error display.
#include "ComCtrls.h"
#include "DeviceChoices.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Places.h"
#include "SaveCopy.h"
#include "StdCtrls.h"
#include "Timers.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

class TControlBoxMenu;
class TPeakMeter;
class TPlaybackSeek;
class TSleepInhibitor;
class TTakeArchive;
class TTakeCut;
class TWindowKeys;
class TFileStream;
class TdeAudioControlSource;
class TdeAudioConvertor;
class TdeAudioIn;
class TdeAudioOut;
class TdeOscilloscope;
class TdeRIFFAudioReader;
class TdeAsyncWriter;
class TdeSubStream;
class TsuiButton;
class TsuiForm;

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
  // Space: pauses and resumes a recording, else plays, pauses and resumes playback.
  void SpaceKey();

  // The devices to record from and play to.
  TDeviceChoices& Devices() { return FDevices; }

  // The title bar's control-box menu; Alt+Space opens it too.
  TControlBoxMenu* ControlBoxMenu() const { return FControlBoxMenu.get(); }
  TTakeCut* TakeCut() const { return FCut.get(); }
  void PopupControlBoxMenu();

  // Asks the desktop not to sleep while recording; replaced by tests.
  TSleepInhibitor* SleepInhibitor() const { return FInhibitor.get(); }
  void SetSleepInhibitor(std::unique_ptr<TSleepInhibitor> inhibitor);

  TState State() const { return FState; }
  TPlaybackSeek* Seek() const { return FSeek.get(); }
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

 private:
  void UpdateButtons();
  void UpdateStatus();
  void StopRecording();
  void StopPlaying();
  void FillPlayBuffer();
  // From the stream's position: fills the device's pre-buffer and keeps playing.
  void PushAhead();
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
  // Waits for the writer to put the take's end on disk, the window's events
  // handled meanwhile and a wait shown once it takes long.
  void DrainWriter();
  // After a take that has gaps: the log line with the device's count, and one
  // message with the length lost.
  void ReportLoss();
  void ReportReroute();
  void SetStatusText(int panel, const QString& text);
  void AddSteps(const QString& heading, const QString& rule, const TdeAudioConvertor& convertor);

  TState FState = Stopped;
  double FStartTime = 0;
  double FPauseStart = 0;  // when the recording was paused
  QString FFileName;
  QDateTime FTakeTime;  // when the take in the working file began; invalid for one of an earlier run
  std::unique_ptr<TFileStream> FFileStream;
  std::unique_ptr<TdeAsyncWriter> FWriter;
  std::unique_ptr<TdeRIFFAudioReader> FReader;
  std::unique_ptr<TdeSubStream> FPlayStream;
  std::vector<uint8_t> FPlayBuffer;  // reused for every pushed block
  bool FPlayDataEnded = false;       // the last block of the file has been pushed
  bool FFailing = false;             // a teardown is pending
  bool FWriterFailed = false;        // the take's file failed; further blocks are dropped
  bool FInputOpened = false;         // this Record opened the input: its losses are this take's
  bool FStopping = false;            // inside StopRecording / StopPlaying
  bool FDestroying = false;          // no events are handled from here on
  // The window's features, each a unit of its own.
  TDeviceChoices FDevices{this};
  std::unique_ptr<TPeakMeter> FMeter;
  std::unique_ptr<TWindowKeys> FKeys;
  std::unique_ptr<TSleepInhibitor> FInhibitor;
  std::unique_ptr<TControlBoxMenu> FControlBoxMenu;
  std::unique_ptr<TTakeArchive> FTakes;
  std::unique_ptr<TTakeCut> FCut;
  std::unique_ptr<TPlaybackSeek> FSeek;
};

// Now as a date-time: days since 1899-12-30 with the time of day as fraction.
double Now();
// "hh:nn:ss" of a date-time difference; the hours wrap after a day.
QString FormatElapsed(double days);
// The playback percentage text: position * 100 div size, "0" for an empty window.
QString PlayPercent(int64_t position, int64_t size);
// A playback position on the progress bar, whose range is 32 bits: a take of
// more than 2 GiB is counted in steps of a few bytes.
int ProgressUnits(int64_t position, int64_t size);
