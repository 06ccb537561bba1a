#include "PeakMeter.h"

#include "SampleLayout.h"
#include "deAudioControls.h"
#include "deAudioIO.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {

// -70 dBFS: even a quiet room through a plugged-in microphone is louder.
constexpr double kSilenceFloor = 0.000316227766;
constexpr uint64_t kSilentSeconds = 3;

}  // namespace

TPeakMeter::TPeakMeter(TdeAudioIn& input, TdeOscilloscope& scope) : FInput(input), FScope(scope) {
  FInput.SetOnAudioRecorded([this](TComponent*, const void* audio, int32_t size) { MeterBlock(audio, size); });
  FClock.start();
  FClipTimer.setSingleShot(true);
  FClipTimer.setInterval(1000);
  QObject::connect(&FClipTimer, &QTimer::timeout, [this] { FScope.SetClipMark(false); });
}

TPeakMeter::~TPeakMeter() { FInput.SetOnAudioRecorded(nullptr); }

void TPeakMeter::MeterBlock(const void* audio, int32_t size) {
  const TdeBlockPeak peak = MeasurePeak(*FInput.Format(), audio, static_cast<uint32_t>(std::max(size, 0)));
  if (FPeakCount == FPeaks.size()) {
    FPeakFirst = (FPeakFirst + 1) % FPeaks.size();
    --FPeakCount;
  }
  FPeaks[(FPeakFirst + FPeakCount) % FPeaks.size()] = {FClock.elapsed(), peak.Peak};
  ++FPeakCount;
  if (peak.Clipped) {
    FScope.SetClipMark(true);
    FClipTimer.start();
  }
  // Encoded blocks measure nothing: they are not taken for silence.
  const TdeWaveFormat& format = *FInput.Format();
  if (FHeard || size <= 0 || SampleLayout(format.WaveFormat()).Kind == TAcmSampleKind::None) return;
  const bool silent = FSilent;
  if (peak.Peak >= kSilenceFloor) {
    FHeard = true;
    FSilent = false;
  } else {
    FQuietFrames += static_cast<uint64_t>(size) / std::max<uint32_t>(format.BlockAlign(), 1);
    FSilent = FQuietFrames >= kSilentSeconds * format.SamplesPerSec();
  }
  if (FSilent != silent && FOnSilenceChanged) FOnSilenceChanged();
}

QString TPeakMeter::PeakText() {
  const int64_t now = FClock.elapsed();
  while (FPeakCount > 0 && now - FPeaks[FPeakFirst].AtMs > 1000) {
    FPeakFirst = (FPeakFirst + 1) % FPeaks.size();
    --FPeakCount;
  }
  if (FPeakCount == 0) return QString();
  double peak = 0;
  for (size_t i = 0; i < FPeakCount; ++i) peak = std::max(peak, FPeaks[(FPeakFirst + i) % FPeaks.size()].Peak);
  const double db = PeakDecibels(peak);
  return std::isinf(db) ? QCoreApplication::translate("TPeakMeter", "  峰值 -∞ dBFS")
                        : QCoreApplication::translate("TPeakMeter", "  峰值 %1 dBFS").arg(db, 0, 'f', 1);
}

void TPeakMeter::Forget() {
  FPeakCount = 0;
  FQuietFrames = 0;
  FHeard = false;
  FSilent = false;
  FClipTimer.stop();
  FScope.SetClipMark(false);
}
