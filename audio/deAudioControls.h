#pragma once
// Live display: a control source that taps a producer, turns every block into
// 16-bit stereo at 48000 Hz and splits it into two sample arrays, and the
// oscilloscope that draws those arrays over a cached background.
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"
#include "Graphics.h"
#include "SampleLayout.h"
#include "deACM.h"

// ---- Control source ----

// Observes one producer (AudioSource) and keeps the last block as left and
// right 16-bit samples. Its own observers (the oscilloscopes) are told after
// every block; they read LeftData/RightData/SampleCount during their paint.
class TdeAudioControlSource : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(TComponent* AudioSource READ AudioSource WRITE SetAudioSource)
 public:
  explicit TdeAudioControlSource(TComponent* owner);
  ~TdeAudioControlSource() override;

  TComponent* AudioSource() const;
  // Raises EACMError for this component itself or a component that is no producer.
  void SetAudioSource(TComponent* value);

  // The last block, valid until the next block arrives or this component goes.
  // Null before the first block (and after a failed growth of the arrays).
  const int16_t* LeftData() const { return FLeftData.get(); }
  const int16_t* RightData() const { return FRightData.get(); }
  int32_t SampleCount() const { return FSampleCount; }

  // One block from the source: convert it, split it, tell the observers.
  // Uncompressed blocks are stretched to 48000 Hz on their own by linear
  // interpolation, which is all a trace of a few hundred points needs; other
  // formats go through the convertor, kept open across blocks as one stream.
  // A conversion failure propagates to the producer and leaves the previous
  // block in place.
  void HandleAudioData(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize);

  void* QueryInterface(const TGUID& iid) override;

  const TNotifyEvent& OnDataChanged() const { return FOnDataChanged; }
  void SetOnDataChanged(TNotifyEvent handler) { FOnDataChanged = std::move(handler); }
  const TObserverErrorEvent& OnObserverError() const { return FOnObserverError; }
  void SetOnObserverError(TObserverErrorEvent handler) { FOnObserverError = std::move(handler); }

 protected:
  virtual void DoDataChanged();
  virtual void HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                   bool& raiseException);
  // Takes the whole 16-bit stereo frames at address; grows the arrays when needed.
  void SplitChannels(const void* address, int32_t size);
  // Room for count samples; raises EOutOfMemory when there is none.
  virtual std::unique_ptr<int16_t[]> NewSampleArray(int32_t count);

 private:
  // 16-bit stereo PCM at samplesPerSec into the convertor's FormatOut.
  void SetOutputFormat(uint32_t samplesPerSec);
  // The block of linear samples as 16-bit stereo at 48000 Hz in FStereo.
  void StretchLinear(const TAcmLinearFormat& layout, const void* audioData, int32_t audioDataSize);

  std::unique_ptr<int16_t[]> FLeftData;
  std::unique_ptr<int16_t[]> FRightData;
  std::unique_ptr<TdeAudioObserver> FObserver;
  int32_t FSampleCount = 0;
  std::unique_ptr<TdeAudioSubject> FSubject;
  std::unique_ptr<TdeAudioConvertor> FConvertor;
  int32_t FCapacity = 0;
  std::vector<int16_t> FStereo;       // interleaved output of StretchLinear; grows only
  const void* FOutputData = nullptr;  // what the observers are handed
  int32_t FOutputSize = 0;
  TNotifyEvent FOnDataChanged;
  TObserverErrorEvent FOnObserverError;
};

// ---- Peak level ----

// The loudest sample of a block of linear PCM (8-bit unsigned, 16/24/32-bit
// signed, 32/64-bit float) as a fraction of full scale, and whether any sample
// sits at full scale (the input clipped). Other formats measure 0.
using TdeBlockPeak = TSamplePeak;
TdeBlockPeak MeasurePeak(const TdeWaveFormat& format, const void* data, uint32_t size);
// A fraction of full scale in dBFS: 0 at full scale, -infinity for silence.
double PeakDecibels(double peak);

// ---- Audio control ----

// A rectangle as the traces use it: Right and Bottom are exclusive.
struct TTraceRect {
  int Left, Top, Right, Bottom;
};

// Handled set by the handler suppresses the background fill.
using THandledEvent = std::function<void(TComponent* sender, bool& handled)>;

// Base of the audio display controls: follows a control source and repaints
// on every block. The colour follows the parent unless set.
class TdeAudioControl : public TControl {
  Q_OBJECT
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_CLASSINFO("Default:Color", "clWindow")
 public:
  explicit TdeAudioControl(TComponent* owner);
  ~TdeAudioControl() override;

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

  const THandledEvent& OnPaintBackground() const { return FOnPaintBackground; }
  void SetOnPaintBackground(THandledEvent handler);

  void* QueryInterface(const TGUID& iid) override;

  // Only asks for a repaint: several blocks before one paint give one paint.
  virtual void HandleAudioData(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize);

 protected:
  // Valid during Paint only.
  TCanvas& Canvas() { return *FCanvas; }
  // Background (unless a handler or Transparent says no); subclasses draw over it.
  virtual void Paint();
  virtual void PaintBackground();
  void paintEvent(QPaintEvent* event) override;
  // Runs Paint with the canvas drawing through painter.
  void PaintWith(QPainter& painter);
  void ColorChanged() override;

  TdeAudioObserver& Observer() { return *FObserver; }
  // Whether every paint covers the whole control, so that what lies beneath
  // need not be painted first when only the control changed.
  void UpdateOpaque();
  // The source the observer follows; only AudioControlSource sets it.
  TdeAudioControlSource* ControlSource() const;
  const int16_t* LeftData() const;
  const int16_t* RightData() const;
  int32_t SampleCount() const;

 private:
  std::unique_ptr<TdeAudioObserver> FObserver;
  THandledEvent FOnPaintBackground;
  bool FTransparent = false;
  TCanvas* FCanvas = nullptr;
};

// ---- Oscilloscope ----

namespace deAudioControls {
Q_NAMESPACE
enum TOscilloscopeLayout : uint8_t { olLeftRight, olTopBottom, olLeftChannel, olRightChannel, olOverlay };
Q_ENUM_NS(TOscilloscopeLayout)
enum TOscilloscopeOrientation : uint8_t { ooHorizontal, ooVertical };
Q_ENUM_NS(TOscilloscopeOrientation)
}  // namespace deAudioControls
using deAudioControls::TOscilloscopeLayout;
using deAudioControls::TOscilloscopeOrientation;
using enum deAudioControls::TOscilloscopeLayout;
using enum deAudioControls::TOscilloscopeOrientation;

// Draws the latest block of its control source, one trace per channel, each
// reduced to NumberOfPoints single frames spread over its whole rectangle.
class TdeCustomOscilloscope : public TdeAudioControl {
  Q_OBJECT
 public:
  static constexpr int32_t MinNumberOfPoints = 10;

  explicit TdeCustomOscilloscope(TComponent* owner);
  ~TdeCustomOscilloscope() override;

  // The writers repaint, also when the value is unchanged.
  TOscilloscopeLayout Layout() const { return FLayout; }
  void SetLayout(TOscilloscopeLayout value);
  int32_t NumberOfPoints() const { return FNumberOfPoints; }
  // Below MinNumberOfPoints raises EOscilloscopeError and keeps the old value.
  void SetNumberOfPoints(int32_t value);
  TOscilloscopeOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TOscilloscopeOrientation value);
  // Setting copies the pen's settings. Changing the owned pen directly shows
  // with the next block.
  TPen* PenLeft() { return &FPenLeft; }
  void SetPenLeft(TPen* value);
  TPen* PenRight() { return &FPenRight; }
  void SetPenRight(TPen* value);

  TdeAudioControlSource* AudioControlSource() const { return ControlSource(); }
  void SetAudioControlSource(TdeAudioControlSource* value);

  // A small red mark in the top right corner, over the traces: the input
  // reached full scale. Its owner decides how long it stays lit.
  bool ClipMark() const { return FClipMark; }
  void SetClipMark(bool value);
  // Where the mark is drawn, in the control's coordinates.
  QRect ClipMarkRect() const;

 protected:
  void Paint() override;
  void paintEvent(QPaintEvent* event) override;
  // One trace of count values over rect. Point k shows frame Trunc(k * count / N),
  // the first on the rectangle's left (top) edge and the last on its right (bottom) one;
  // a positive sample lies below (right of) the middle line.
  virtual void DrawChannel(const int16_t* values, int32_t count, const TTraceRect& rect, TPen& pen);

 private:
  void PaintTraces();
  // Whether a paint goes through FImage: an opaque fill on a one-to-one device.
  bool PaintsThroughImage() const;
  // Draws the trace through FPoints into FImage as the painter would, pixel
  // for pixel, without its per-span cost.
  void RasterTrace(int32_t points, QRgb colour);

 private:
  TOscilloscopeLayout FLayout = olTopBottom;
  int32_t FNumberOfPoints = 200;
  TOscilloscopeOrientation FOrientation = ooHorizontal;
  TPen FPenLeft;
  TPen FPenRight;
  std::vector<QPoint> FPoints;  // one trace's points, reused by every paint
  std::vector<QLine> FLines;    // and its segments
  QImage FImage;                // the whole control, drawn here and copied in one go
  bool FRaster = false;         // Paint is drawing into FImage
  // The points' positions along and frame indices, for the key they were worked out for.
  struct TTraceGrid {
    int32_t Count = -1, Points = 0;
    int Start = 0, Length = 0;
    bool operator==(const TTraceGrid&) const = default;
  };
  TTraceGrid FGridKey;
  std::vector<int> FAlong;
  std::vector<int32_t> FFrame;
  bool FClipMark = false;
};

// The oscilloscope as placed on a form: publishes its properties.
class TdeOscilloscope : public TdeCustomOscilloscope {
  Q_OBJECT
  Q_PROPERTY(TComponent* AudioControlSource READ AudioControlSourceComponent WRITE SetAudioControlSourceComponent)
  Q_PROPERTY(deAudioControls::TOscilloscopeLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int NumberOfPoints READ NumberOfPoints WRITE SetNumberOfPoints)
  Q_PROPERTY(deAudioControls::TOscilloscopeOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(TPen* PenLeft READ PenLeft WRITE SetPenLeft)
  Q_PROPERTY(TPen* PenRight READ PenRight WRITE SetPenRight)
  Q_CLASSINFO("Default:Layout", "olTopBottom")
  Q_CLASSINFO("Default:Orientation", "ooHorizontal")
 public:
  explicit TdeOscilloscope(TComponent* owner) : TdeCustomOscilloscope(owner) {}

  TComponent* AudioControlSourceComponent() const { return AudioControlSource(); }
  // A component that is not a control source raises EACMControlError.
  void SetAudioControlSourceComponent(TComponent* value);
};
