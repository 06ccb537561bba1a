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
  const TAcmLinearFormat layout = SampleLayout(format.WaveFormat());
  if (layout.Kind != TAcmSampleKind::None && layout.Channels > 0 && layout.Rate > 0) {
    // The convertor holds nothing for this source; a compressed format later plans afresh.
    if (FConvertor->Active()) FConvertor->SetActive(false);
    if (FConvertor->FormatOut()->SamplesPerSec() != 48000) SetOutputFormat(48000);
    StretchLinear(layout, audioData, audioDataSize);
    SplitChannels(FStereo.data(), static_cast<int32_t>(FStereo.size() * sizeof(int16_t)));
  } else {
    // The chain is planned again only when the producer's format changed
    // (input versus output device); otherwise it runs on as one stream, so no
    // block pays for a flush or a fresh codec state.
    if (!FConvertor->Active() || !format.IsEqual(FConvertor->FormatIn())) {
      FConvertor->SetActive(false);
      FConvertor->FormatIn()->Assign(&format);
      SetOutputFormat(48000);
      FConvertor->SetActive(true);
    }
    FConvertor->Convert(audioData, audioDataSize);
    SplitChannels(FConvertor->OutputData(), FConvertor->OutputSize());
  }
  DoDataChanged();
}

namespace {

// One sample of the kind at p as 16-bit, by its top bits (floats clamped).
template <TAcmSampleKind Kind>
int16_t Sample16(const uint8_t* p) {
  if constexpr (Kind == TAcmSampleKind::U8) {
    return static_cast<int16_t>((int(p[0]) - 128) * 256);
  } else if constexpr (Kind == TAcmSampleKind::S16) {
    return static_cast<int16_t>(uint16_t(p[0] | (p[1] << 8)));
  } else if constexpr (Kind == TAcmSampleKind::S24) {
    return static_cast<int16_t>(uint16_t(p[1] | (p[2] << 8)));
  } else if constexpr (Kind == TAcmSampleKind::S32) {
    return static_cast<int16_t>(uint16_t(p[2] | (p[3] << 8)));
  } else {
    double v;
    if constexpr (Kind == TAcmSampleKind::F32) {
      float f;
      std::memcpy(&f, p, sizeof f);
      v = f;
    } else {
      std::memcpy(&v, p, sizeof v);
    }
    if (std::isnan(v)) return 0;
    if (v <= -1.0) return -32768;
    if (v >= 1.0) return 32767;
    return static_cast<int16_t>(std::lround(v * 32767.0));
  }
}

// Frames of in (frame bytes apart, right channel at rightOffset) stretched to
// outFrames interleaved stereo frames; position in 32.32 fixed point.
template <TAcmSampleKind Kind>
void Stretch(const uint8_t* in, uint32_t frames, uint32_t frame, uint32_t rightOffset, uint64_t step, int16_t* out,
             uint32_t outFrames) {
  uint64_t pos = 0;
  const uint32_t last = frames - 1;
  for (uint32_t j = 0; j < outFrames; ++j, pos += step) {
    uint32_t i = static_cast<uint32_t>(pos >> 32);
    if (i > last) i = last;
    const uint32_t next = i < last ? i + 1 : last;
    const int32_t frac = static_cast<int32_t>((pos >> 16) & 0xFFFF);
    const uint8_t* a = in + size_t(i) * frame;
    const uint8_t* b = in + size_t(next) * frame;
    const int32_t l0 = Sample16<Kind>(a), l1 = Sample16<Kind>(b);
    const int32_t r0 = Sample16<Kind>(a + rightOffset), r1 = Sample16<Kind>(b + rightOffset);
    // The step between two samples spans 17 bits: its product with frac needs 64.
    out[2 * size_t(j)] = static_cast<int16_t>(l0 + ((int64_t{l1 - l0} * frac) >> 16));
    out[2 * size_t(j) + 1] = static_cast<int16_t>(r0 + ((int64_t{r1 - r0} * frac) >> 16));
  }
}

}  // namespace

void TdeAudioControlSource::StretchLinear(const TAcmLinearFormat& layout, const void* audioData,
                                          int32_t audioDataSize) {
  const uint32_t frame = layout.BlockAlign;
  const uint32_t frames = audioData && audioDataSize > 0 && frame > 0 ? uint32_t(audioDataSize) / frame : 0;
  // The whole block lasts as long at 48000 Hz: frames * 48000 / rate, rounded.
  const uint64_t outFrames64 = frames ? (uint64_t(frames) * 48000 + layout.Rate / 2) / layout.Rate : 0;
  const auto outFrames = static_cast<uint32_t>(std::min<uint64_t>(outFrames64, uint32_t(INT32_MAX / 4)));
  FStereo.resize(size_t(outFrames) * 2);  // a vector keeps its room, so this allocates only to grow
  if (outFrames == 0) return;
  // Rounded up, so that frames on the 48000 Hz grid land exactly on their own.
  const uint64_t step = ((uint64_t(layout.Rate) << 32) + 47999) / 48000;
  const uint32_t rightOffset = layout.Channels > 1 ? SampleBytes(layout.Kind) : 0;
  const auto* in = static_cast<const uint8_t*>(audioData);
  int16_t* out = FStereo.data();
  switch (layout.Kind) {
    case TAcmSampleKind::U8: Stretch<TAcmSampleKind::U8>(in, frames, frame, rightOffset, step, out, outFrames); break;
    case TAcmSampleKind::S16: Stretch<TAcmSampleKind::S16>(in, frames, frame, rightOffset, step, out, outFrames); break;
    case TAcmSampleKind::S24: Stretch<TAcmSampleKind::S24>(in, frames, frame, rightOffset, step, out, outFrames); break;
    case TAcmSampleKind::S32: Stretch<TAcmSampleKind::S32>(in, frames, frame, rightOffset, step, out, outFrames); break;
    case TAcmSampleKind::F32: Stretch<TAcmSampleKind::F32>(in, frames, frame, rightOffset, step, out, outFrames); break;
    case TAcmSampleKind::F64: Stretch<TAcmSampleKind::F64>(in, frames, frame, rightOffset, step, out, outFrames); break;
    case TAcmSampleKind::None: break;
  }
}

std::unique_ptr<int16_t[]> TdeAudioControlSource::NewSampleArray(int32_t count) {
  try {
    return std::unique_ptr<int16_t[]>(new int16_t[static_cast<size_t>(count)]);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(QString::fromLatin1(SOutOfMemory));
  }
}

void TdeAudioControlSource::SplitChannels(const void* address, int32_t size) {
  FOutputData = address;  // handed on as it stands to the observers
  FOutputSize = size;
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
  FSubject->Notify(FSubject.get(), FOutputData, FOutputSize);
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
  UpdateOpaque();
}

TdeAudioControl::~TdeAudioControl() { FObserver.reset(); }

void* TdeAudioControl::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioObserver::IID) return FObserver ? static_cast<IdeAudioObserver*>(FObserver.get()) : nullptr;
  return TControl::QueryInterface(iid);
}

void TdeAudioControl::SetTransparent(bool value) {
  FTransparent = value;
  UpdateOpaque();
  update();
}

void TdeAudioControl::SetOnPaintBackground(THandledEvent handler) {
  FOnPaintBackground = std::move(handler);
  UpdateOpaque();
}

// A handler may leave the background unpainted, so only the plain fill counts.
void TdeAudioControl::UpdateOpaque() { setAttribute(Qt::WA_OpaquePaintEvent, !FTransparent && !FOnPaintBackground); }

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
  PaintWith(painter);
}

void TdeAudioControl::PaintWith(QPainter& painter) {
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

// Qt's own line drawing costs a fill call per one-pixel span, most of a
// block's paint; the traces are drawn into an image of the control instead,
// which reaches the window in one copy.
bool TdeCustomOscilloscope::PaintsThroughImage() const {
  return testAttribute(Qt::WA_OpaquePaintEvent) && devicePixelRatioF() == 1.0 && SampleCount() > 0;
}

void TdeCustomOscilloscope::paintEvent(QPaintEvent* event) {
  if (!PaintsThroughImage()) return TdeAudioControl::paintEvent(event);
  if (FImage.size() != size()) FImage = QImage(size(), QImage::Format_RGB32);  // only when resized
  {
    QPainter painter(&FImage);
    FRaster = true;
    struct TRasterScope {
      bool& Flag;
      ~TRasterScope() { Flag = false; }
    } scope{FRaster};
    PaintWith(painter);
  }
  QPainter(this).drawImage(event->rect().topLeft(), FImage, event->rect());
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
// (sample * half) / 32768 rounded in integers: the quotient is exact in
// binary, so floor plus the remainder's comparison with a half is the same.
int SampleOffset(int16_t sample, int half) {
  const int32_t n = int32_t(sample) * half;
  const int32_t q = n >> 15;  // floor
  const int32_t r = n & 32767;
  return q + (r > 16384 || (r == 16384 && (q & 1)) ? 1 : 0);
}

}  // namespace

void TdeCustomOscilloscope::DrawChannel(const int16_t* values, int32_t count, const TTraceRect& rect, TPen& pen) {
  const int32_t points = FNumberOfPoints;
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
  // Where the points lie along and which frames they show depend only on the
  // block length and the rectangle, which stay the same block after block.
  const TTraceGrid key{count, points, start, length};
  if (!(key == FGridKey)) {
    if (FAlong.size() < static_cast<size_t>(points)) {  // grows only
      FAlong.resize(static_cast<size_t>(points));
      FFrame.resize(static_cast<size_t>(points));
    }
    const long double step = static_cast<long double>(count) / points;
    long double pos = 0;
    FAlong[0] = start;
    FFrame[0] = 0;
    // Positions by repeated addition, not multiplication, so the points land as they always have.
    long double along = start;
    const long double delta = static_cast<long double>(length) / (points - 1);
    along += delta;
    pos += step;
    for (int32_t k = 1; k < points; ++k) {
      int32_t i = static_cast<int32_t>(pos);  // Trunc
      if (i >= count) i = count - 1;
      FAlong[static_cast<size_t>(k)] = RoundEven(along);
      FFrame[static_cast<size_t>(k)] = i;
      along += delta;
      pos += step;
    }
    FGridKey = key;
  }
  if (FPoints.size() < static_cast<size_t>(points)) FPoints.resize(static_cast<size_t>(points));  // grows only
  for (int32_t k = 0; k < points; ++k)
    FPoints[static_cast<size_t>(k)] = point(FAlong[size_t(k)], values[FFrame[size_t(k)]]);
  const TPen& used = canvas.Pen();
  if (used.Style() == psClear || used.Mode() == pmNop) {
    canvas.MoveTo(FPoints[size_t(points) - 1].x(), FPoints[size_t(points) - 1].y());
    return;
  }
  if (FRaster && used.Mode() == pmCopy && (used.Style() == psSolid || used.Style() == psInsideFrame) &&
      used.Width() <= 1) {
    RasterTrace(points, ToQColor(used.Color()).rgb());
    canvas.MoveTo(FPoints[size_t(points) - 1].x(), FPoints[size_t(points) - 1].y());
    return;
  }
  QPainter& painter = canvas.Painter();
  if (used.Mode() == pmCopy) {
    // Where a pixel drawn twice looks the same, the segments go in one call
    // with the pen set once, not a pen change per segment; each is still
    // drawn as a line of its own, so the pixels are the same.
    if (FLines.size() < FPoints.size()) FLines.resize(FPoints.size());  // grows only
    int32_t lines = 0;
    for (int32_t k = 1; k < points; ++k)
      if (FPoints[size_t(k)] != FPoints[size_t(k) - 1])
        FLines[size_t(lines++)] = QLine(FPoints[size_t(k) - 1], FPoints[size_t(k)]);
    painter.setPen(used.ToQPen());
    painter.setCompositionMode(PenModeToComposition(used.Mode()));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawLines(FLines.data(), lines);
    canvas.MoveTo(FPoints[size_t(points) - 1].x(), FPoints[size_t(points) - 1].y());
  } else {
    canvas.MoveTo(FPoints[0].x(), FPoints[0].y());
    for (int32_t k = 1; k < points; ++k) canvas.LineTo(FPoints[size_t(k)].x(), FPoints[size_t(k)].y());
    painter.setPen(used.ToQPen());
    painter.setCompositionMode(PenModeToComposition(used.Mode()));
  }
  // Flat-capped segments may leave out a point's own pixel at the end of a
  // steep segment; the trace must reach every point exactly.
  painter.drawPoints(FPoints.data(), points);
}

namespace {

// One segment as the raster engine draws an aliased one-pixel pen with flat
// caps: 16.16 fixed point stepped along the longer axis from its lesser end,
// whose pixel is drawn, to the greater, whose pixel is not.
template <class Put>
void RasterSegment(QPoint a, QPoint b, Put put) {
  int x1 = a.x() * 64, y1 = a.y() * 64, x2 = b.x() * 64, y2 = b.y() * 64;
  const bool steep = std::abs(x2 - x1) < std::abs(y2 - y1);
  if (steep) {
    std::swap(x1, y1);
    std::swap(x2, y2);
  }
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  if (x1 == x2) return;
  const int64_t inc = (int64_t(y2 - y1) << 16) / (x2 - x1);  // truncated, as the engine's
  int64_t across = (int64_t(y1) << 10) + (inc > 0 ? (32 * inc) >> 6 : 0);
  for (int along = x1 >> 6; along < x2 >> 6; ++along, across += inc) {
    const int minor = int(across >> 16);
    steep ? put(minor, along) : put(along, minor);
  }
}

}  // namespace

void TdeCustomOscilloscope::RasterTrace(int32_t points, QRgb colour) {
  const int w = FImage.width(), h = FImage.height();
  uchar* bits = FImage.bits();
  const qsizetype stride = FImage.bytesPerLine();
  auto put = [&](int x, int y) {
    if (unsigned(x) < unsigned(w) && unsigned(y) < unsigned(h)) reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour;
  };
  for (int32_t k = 1; k < points; ++k) RasterSegment(FPoints[size_t(k) - 1], FPoints[size_t(k)], put);
  for (int32_t k = 0; k < points; ++k) put(FPoints[size_t(k)].x(), FPoints[size_t(k)].y());
}

void TdeOscilloscope::SetAudioControlSourceComponent(TComponent* value) {
  auto* source = dynamic_cast<TdeAudioControlSource*>(value);
  if (value && !source) throw EACMControlError(QString::fromLatin1(SNotAnAudioControlSource));
  SetAudioControlSource(source);
}
