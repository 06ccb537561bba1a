#pragma once
// A producer that hands out blocks in a format the test chooses, and pixel
// helpers over a rendered control.
#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

#include "EventLoopHelpers.h"
#include "PcmFormat.h"
#include "deACM.h"
#include "deAudioControls.h"

class TTestProducer : public TQComponent {
 public:
  explicit TTestProducer(TComponent* owner = nullptr) : TQComponent(owner) {
    Subject = std::make_unique<TdeAudioSubject>(this, &Format);
    SetPcm(48000, 16, 2);
  }
  ~TTestProducer() override { Subject.reset(); }

  void SetPcm(uint32_t rate, uint16_t bits, uint16_t channels) {
    Format.SetDefault();
    SetPcmFormat(Format, rate, bits, channels);
  }

  void Deliver(const void* data, int32_t size) { Subject->Notify(Subject.get(), data, size); }
  // Interleaved left/right 16-bit frames.
  void DeliverFrames(const std::vector<int16_t>& interleaved) {
    Deliver(interleaved.data(), static_cast<int32_t>(interleaved.size() * sizeof(int16_t)));
  }

  void* QueryInterface(const TGUID& iid) override {
    if (void* role = QueryAudioRole(iid, Subject.get(), nullptr)) return role;
    return TQComponent::QueryInterface(iid);
  }

  TdeWaveFormat Format;
  std::unique_ptr<TdeAudioSubject> Subject;
};

// A control source loaded directly with 16-bit stereo blocks, so drawing is
// tested apart from conversion.
class TLoadedControlSource : public TdeAudioControlSource {
 public:
  using TdeAudioControlSource::TdeAudioControlSource;
  void Load(const void* data, int32_t size) {
    SplitChannels(data, size);
    DoDataChanged();
  }
  void Load(const std::vector<int16_t>& interleaved) {
    Load(interleaved.data(), static_cast<int32_t>(interleaved.size() * sizeof(int16_t)));
  }
};

// Frames whose left and right samples come from two functions of the frame index.
template <class L, class R>
std::vector<int16_t> Frames(int count, L left, R right) {
  std::vector<int16_t> v;
  v.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    v.push_back(static_cast<int16_t>(left(i)));
    v.push_back(static_cast<int16_t>(right(i)));
  }
  return v;
}

inline auto Constant(int value) {
  return [value](int) { return value; };
}

inline constexpr QRgb kMarker = 0xFF00FF00;  // what the image holds before the control paints

// Paints the control into an image pre-filled with kMarker, without the
// window system's own background, so only the control's painting shows.
inline QImage Render(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_RGB32);
  image.fill(kMarker);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

inline QRgb Rgb(TColor color) { return ToQColor(color).rgb(); }

// Rows of column x that hold colour c, top to bottom.
inline std::vector<int> RowsWith(const QImage& image, int x, QRgb c) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixel(x, y) == c) rows.push_back(y);
  return rows;
}

inline int CountColour(const QImage& image, QRgb c) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == c) ++n;
  return n;
}
