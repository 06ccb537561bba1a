#pragma once
// The clipping cue of a recording: each recorded block's peak, kept for a
// second for the status bar, and the oscilloscope's mark, lit for a second
// after the last full-scale sample.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <array>
#include <cstddef>
#include <cstdint>

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
  // A new take starts without the old peaks and cue.
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
};
