#include "deAudioControls.h"

#include <QPaintEvent>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "deAudioConsts.h"

// ---- Control source ----

TdeAudioControlSource::TdeAudioControlSource(TComponent* owner) : TQComponent(owner) {
  FConvertor = std::make_unique<TdeAudioConvertor>(this);
  FObserver = std::make_unique<TdeAudioObserver>(this);
  FObserver->OnAudioData = [this](IdeAudioSubject* sender, const void* data, int32_t size) {
    HandleAudioData(sender, data, size);
  };
  FSubject = std::make_unique<TdeAudioSubject>(this, FConvertor->FormatOut());
  FSubject->OnObserverError = [this](IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                     bool& raiseException) {
    HandleObserverError(sender, observer, e, raiseException);
  };
  // What the observers see before the first block.
  SetOutputFormat(11025);
  FConvertor->SetRequestRealTime(false);
}

TdeAudioControlSource::~TdeAudioControlSource() {
  FObserver.reset();  // detaches from the source first
  FSubject.reset();
  FConvertor.reset();
}

TComponent* TdeAudioControlSource::AudioSource() const { return FObserver->AudioSource(); }

void TdeAudioControlSource::SetAudioSource(TComponent* value) { FObserver->SetAudioSource(value); }

void* TdeAudioControlSource::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioObserver::IID) return FObserver ? static_cast<IdeAudioObserver*>(FObserver.get()) : nullptr;
  if (iid == IdeAudioSubject::IID) return FSubject ? static_cast<IdeAudioSubject*>(FSubject.get()) : nullptr;
  return TQComponent::QueryInterface(iid);
}

void TdeAudioControlSource::SetOutputFormat(uint32_t samplesPerSec) {
  TdeWaveFormat* out = FConvertor->FormatOut();
  out->SetDefault();
  out->SetBitsPerSample(16);
  out->SetChannels(2);
  out->SetSamplesPerSec(samplesPerSec);
  out->SetAvgBytesPerSec(samplesPerSec * 4);
  out->SetBlockAlign(4);
}

void TdeAudioControlSource::HandleAudioData(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize) {
  TdeWaveFormat& format = sender->GetFormat();
  // The chain is planned again only when the producer's format changed (input
  // versus output device); each block is still converted on its own.
  if (!FConvertor->Active() || !format.IsEqual(FConvertor->FormatIn())) {
    FConvertor->SetActive(false);
    FConvertor->FormatIn()->Assign(&format);
    SetOutputFormat(48000);
    FConvertor->SetActive(true);
  }
  FConvertor->ConvertAlone(audioData, audioDataSize);
  SplitChannels(FConvertor->OutputData(), FConvertor->OutputSize());
  DoDataChanged();
}

std::unique_ptr<int16_t[]> TdeAudioControlSource::NewSampleArray(int32_t count) {
  try {
    return std::unique_ptr<int16_t[]>(new int16_t[static_cast<size_t>(count)]);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(QString::fromLatin1(SOutOfMemory));
  }
}

void TdeAudioControlSource::SplitChannels(const void* address, int32_t size) {
  const int32_t n = address && size > 0 ? size / 4 : 0;
  if (n > FCapacity) {
    // Until both arrays exist again nothing may be read from them.
    FSampleCount = 0;
    FLeftData.reset();
    FRightData.reset();
    FCapacity = 0;
    FLeftData = NewSampleArray(n);
    try {
      FRightData = NewSampleArray(n);
    } catch (...) {
      FLeftData.reset();
      throw;
    }
    FCapacity = n;
  }
  const auto* bytes = static_cast<const uint8_t*>(address);
  for (int32_t i = 0; i < n; ++i) {
    int16_t left, right;
    std::memcpy(&left, bytes + 4 * static_cast<size_t>(i), 2);
    std::memcpy(&right, bytes + 4 * static_cast<size_t>(i) + 2, 2);
    FLeftData[i] = left;
    FRightData[i] = right;
  }
  FSampleCount = n;
}

void TdeAudioControlSource::DoDataChanged() {
  FSubject->Notify(FSubject.get(), FConvertor->OutputData(), FConvertor->OutputSize());
  if (FOnDataChanged) FOnDataChanged(this);
}

void TdeAudioControlSource::HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                                bool& raiseException) {
  if (FOnObserverError) FOnObserverError(sender, observer, e, raiseException);
}

// ---- Audio control ----

TdeAudioControl::TdeAudioControl(TComponent* owner) : TControl(owner) {
  FObserver = std::make_unique<TdeAudioObserver>(this);
  FObserver->OnAudioData = [this](IdeAudioSubject* sender, const void* audioData, int32_t size) {
    HandleAudioData(sender, audioData, size);
  };
  SetBounds(Left(), Top(), 80, 40);
  SetParentColor(false);
  SetColor(clWindow);
  SetParentColor(true);
}

TdeAudioControl::~TdeAudioControl() { FObserver.reset(); }

void* TdeAudioControl::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioObserver::IID) return FObserver ? static_cast<IdeAudioObserver*>(FObserver.get()) : nullptr;
  return TControl::QueryInterface(iid);
}

void TdeAudioControl::SetTransparent(bool value) {
  FTransparent = value;
  update();
}

void TdeAudioControl::ColorChanged() {
  // The background is ours to paint (or not, when transparent).
  setAutoFillBackground(false);
  update();
}

void TdeAudioControl::HandleAudioData(IdeAudioSubject*, const void*, int32_t) { update(); }

TdeAudioControlSource* TdeAudioControl::ControlSource() const {
  return FObserver ? static_cast<TdeAudioControlSource*>(FObserver->AudioSource()) : nullptr;
}

const int16_t* TdeAudioControl::LeftData() const {
  const TdeAudioControlSource* source = ControlSource();
  return source ? source->LeftData() : nullptr;
}

const int16_t* TdeAudioControl::RightData() const {
  const TdeAudioControlSource* source = ControlSource();
  return source ? source->RightData() : nullptr;
}

int32_t TdeAudioControl::SampleCount() const {
  const TdeAudioControlSource* source = ControlSource();
  return source ? source->SampleCount() : 0;
}

void TdeAudioControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  TCanvas canvas(painter);
  struct TCanvasScope {
    TCanvas*& Slot;
    ~TCanvasScope() { Slot = nullptr; }
  } scope{FCanvas};
  FCanvas = &canvas;
  Paint();
}

void TdeAudioControl::Paint() {
  bool handled = false;
  if (FOnPaintBackground) FOnPaintBackground(this, handled);
  if (!handled && !FTransparent) PaintBackground();
}

void TdeAudioControl::PaintBackground() {
  Canvas().Brush().SetColor(PaintColor());
  Canvas().Brush().SetStyle(bsSolid);
  Canvas().FillRect(rect());
}

// ---- Oscilloscope ----

TdeCustomOscilloscope::TdeCustomOscilloscope(TComponent* owner) : TdeAudioControl(owner) {
  FPenLeft.SetWidth(1);
  FPenLeft.SetStyle(psSolid);
  FPenRight.Assign(&FPenLeft);
}

TdeCustomOscilloscope::~TdeCustomOscilloscope() = default;

void TdeCustomOscilloscope::SetLayout(TOscilloscopeLayout value) {
  FLayout = value;
  update();
}

void TdeCustomOscilloscope::SetNumberOfPoints(int32_t value) {
  if (value < MinNumberOfPoints) throw EOscilloscopeError(QString::fromLatin1(SInvalidNumberOfPoints));
  FNumberOfPoints = value;
  update();
}

void TdeCustomOscilloscope::SetOrientation(TOscilloscopeOrientation value) {
  FOrientation = value;
  update();
}

void TdeCustomOscilloscope::SetPenLeft(TPen* value) {
  FPenLeft.Assign(value);
  update();
}

void TdeCustomOscilloscope::SetPenRight(TPen* value) {
  FPenRight.Assign(value);
  update();
}

void TdeCustomOscilloscope::SetAudioControlSource(TdeAudioControlSource* value) { Observer().SetAudioSource(value); }

void TdeCustomOscilloscope::SetClipMark(bool value) {
  if (FClipMark == value) return;
  FClipMark = value;
  update(ClipMarkRect());
}

QRect TdeCustomOscilloscope::ClipMarkRect() const { return QRect(width() - 10, 3, 7, 7); }

void TdeCustomOscilloscope::Paint() {
  TdeAudioControl::Paint();
  PaintTraces();
  if (FClipMark) {
    TCanvas& canvas = Canvas();
    canvas.Brush().SetColor(TColor(0x0000FF));  // red, in the framework's blue-green-red order
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(ClipMarkRect());
  }
}

void TdeCustomOscilloscope::PaintTraces() {
  const int32_t count = SampleCount();
  const int16_t* left = LeftData();
  const int16_t* right = RightData();
  if (count <= 0 || !left || !right) return;
  const TTraceRect all{0, 0, width(), height()};
  const int halfW = (all.Right - all.Left) / 2;
  const int halfH = (all.Bottom - all.Top) / 2;
  switch (FLayout) {
    case olLeftRight:
      DrawChannel(left, count, {all.Left, all.Top, halfW, all.Bottom}, FPenLeft);
      DrawChannel(right, count, {halfW, all.Top, all.Right, all.Bottom}, FPenRight);
      break;
    case olTopBottom:
      DrawChannel(left, count, {all.Left, all.Top, all.Right, halfH}, FPenLeft);
      DrawChannel(right, count, {all.Left, halfH, all.Right, all.Bottom}, FPenRight);
      break;
    case olLeftChannel: DrawChannel(left, count, all, FPenLeft); break;
    case olRightChannel: DrawChannel(right, count, all, FPenRight); break;
    case olOverlay:
      DrawChannel(left, count, all, FPenLeft);
      DrawChannel(right, count, all, FPenRight);
      break;
  }
}

TdeBlockPeak MeasurePeak(const TdeWaveFormat& format, const void* data, uint32_t size) {
  return MeasureSamplePeak(SampleLayout(format.WaveFormat()).Kind, data, size);
}

double PeakDecibels(double peak) {
  return peak > 0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

namespace {

// Round: nearest, ties to even (the default rounding mode).
int RoundEven(long double value) { return static_cast<int>(std::nearbyintl(value)); }

// Distance of a sample from the middle line; full scale -32768 gives exactly -half.
int SampleOffset(int16_t sample, int half) {
  return RoundEven(static_cast<long double>(int32_t(sample) * half) / 32768.0L);
}

}  // namespace

void TdeCustomOscilloscope::DrawChannel(const int16_t* values, int32_t count, const TTraceRect& rect, TPen& pen) {
  const int32_t points = FNumberOfPoints;
  const long double step = static_cast<long double>(count) / points;
  long double pos = 0;
  TCanvas& canvas = Canvas();
  canvas.Pen().Assign(&pen);
  // Along: the axis the points advance on; across: the sample's offset from the middle.
  const bool horizontal = FOrientation == ooHorizontal;
  const int start = horizontal ? rect.Left : rect.Top;
  const int length = horizontal ? rect.Right - rect.Left : rect.Bottom - rect.Top;
  const int half = (horizontal ? rect.Bottom - rect.Top : rect.Right - rect.Left) / 2;
  const int mid = (horizontal ? rect.Top : rect.Left) + half;
  auto point = [&](int along, int16_t sample) {
    const int across = mid + SampleOffset(sample, half);
    return horizontal ? QPoint(along, across) : QPoint(across, along);
  };
  if (FPoints.size() < static_cast<size_t>(points)) FPoints.resize(static_cast<size_t>(points));  // grows only
  FPoints[0] = point(start, values[0]);
  // Positions by repeated addition, not multiplication, so the points land as they always have.
  long double along = start;
  const long double delta = static_cast<long double>(length) / (points - 1);
  along += delta;
  pos += step;
  for (int32_t k = 1; k < points; ++k) {
    int32_t i = static_cast<int32_t>(pos);  // Trunc
    if (i >= count) i = count - 1;
    FPoints[static_cast<size_t>(k)] = point(RoundEven(along), values[i]);
    along += delta;
    pos += step;
  }
  canvas.MoveTo(FPoints[0].x(), FPoints[0].y());
  for (int32_t k = 1; k < points; ++k) canvas.LineTo(FPoints[size_t(k)].x(), FPoints[size_t(k)].y());
  // Flat-capped segments may leave out a point's own pixel at the end of a
  // steep segment; the trace must reach every point exactly.
  if (canvas.Pen().Style() != psClear && canvas.Pen().Mode() != pmNop) {
    QPainter& painter = canvas.Painter();
    painter.setPen(canvas.Pen().ToQPen());
    painter.setCompositionMode(PenModeToComposition(canvas.Pen().Mode()));
    painter.drawPoints(FPoints.data(), points);
  }
}

void TdeOscilloscope::SetAudioControlSourceComponent(TComponent* value) {
  auto* source = dynamic_cast<TdeAudioControlSource*>(value);
  if (value && !source) throw EACMControlError(QString::fromLatin1(SNotAnAudioControlSource));
  SetAudioControlSource(source);
}
