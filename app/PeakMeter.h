#pragma once
// The clipping cue of a recording: each recorded block's peak, kept for a
// second for the status bar, and the oscilloscope's mark, lit for a second
// after the last full-scale sample. And the silent input: a take with
// nothing above -70 dBFS for its first three seconds, until sound arrives.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

class TdeAudioIn;
class TdeOscilloscope;

class TPeakMeter {
 public:
  // Meters every block input records (its OnAudioRecorded) and marks scope;
  // both must outlive the meter.
  TPeakMeter(TdeAudioIn& input, TdeOscilloscope& scope);
  ~TPeakMeter();
  TPeakMeter(const TPeakMeter&) = delete;
  TPeakMeter& operator=(const TPeakMeter&) = delete;

  // The loudest input of the last second as the format panel shows it
  // ("  峰值 -6.0 dBFS"), empty when nothing was recorded in that second.
  QString PeakText();
  // The take has had no sound from its start for three seconds, and still has none.
  bool SilentInput() const { return FSilent; }
  // Called as SilentInput changes, so it is said at once.
  void SetOnSilenceChanged(std::function<void()> handler) { FOnSilenceChanged = std::move(handler); }
  // A new take starts without the old peaks, cue and silence.
  void Forget();

 private:
  void MeterBlock(const void* audio, int32_t size);

  struct TPeak {
    int64_t AtMs;
    double Peak;
  };
  TdeAudioIn& FInput;
  TdeOscilloscope& FScope;
  // A fixed ring, so metering allocates nothing per block; with blocks shorter
  // than a 64th of a second the oldest go before their second is up.
  std::array<TPeak, 64> FPeaks{};
  size_t FPeakFirst = 0, FPeakCount = 0;
  QElapsedTimer FClock;
  QTimer FClipTimer;
  uint64_t FQuietFrames = 0;  // from the take's start, while nothing louder came
  bool FHeard = false;
  bool FSilent = false;
  std::function<void()> FOnSilenceChanged;
};
