#include "ImgList.h"

namespace {

QImage Masked(const QImage& image, TColor mask) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  if (mask == clNone) return out;
  const QRgb key = ToQColor(mask).rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  return out;
}

QImage Fitted(const QImage& image, int w, int h) {
  if (image.size() == QSize(w, h)) return image;
  return image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QImage GreyedImage(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb c = line[x];
      // Pulled towards light grey so every shape reads as inactive.
      const int g = 128 + qGray(c) / 2;
      line[x] = qRgba(g, g, g, qAlpha(c));
    }
  }
  return out;
}

TImageList::TImageList(TComponent* owner) : TQComponent(owner) {
  FBitmap.SetOnChange([this](TGraphicsObject*) {
    if (OnChange) OnChange(this);
  });
}

void TImageList::SetWidth(int value) {
  value = std::max(value, 1);
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}

void TImageList::SetHeight(int value) {
  value = std::max(value, 1);
  if (value == FHeight) return;
  FHeight = value;
  Changed();
}

int TImageList::Count() const {
  if (FBitmap.Empty() || FBitmap.Height() != FHeight) return 0;
  return FBitmap.Width() / FWidth;
}

int TImageList::Add(const QImage& plain, const QImage& fine, TColor mask) {
  const int n = Count();
  const QImage one = Masked(Fitted(plain.isNull() ? fine : plain, FWidth, FHeight), mask);
  const QImage oneFine = fine.isNull() ? QImage() : Masked(Fitted(fine, FWidth * 2, FHeight * 2), mask);

  QImage strip(FWidth * (n + 1), FHeight, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QImage strip2x;
  // The fine strip is kept whenever one picture has a fine version; the
  // others are scaled up into it.
  if (!oneFine.isNull() || FBitmap.Has2x()) {
    strip2x = QImage(strip.size() * 2, QImage::Format_ARGB32);
    strip2x.fill(Qt::transparent);
  }
  {
    QPainter p(&strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (n > 0) p.drawImage(0, 0, FBitmap.Image().copy(0, 0, FWidth * n, FHeight));
    p.drawImage(FWidth * n, 0, one);
  }
  if (!strip2x.isNull()) {
    QPainter p(&strip2x);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < n; ++i) p.drawImage(QRect(FWidth * 2 * i, 0, FWidth * 2, FHeight * 2), Image(i, 2));
    p.drawImage(QRect(FWidth * 2 * n, 0, FWidth * 2, FHeight * 2), oneFine.isNull() ? one : oneFine);
  }
  FBitmap.SetImages(strip, strip2x);
  return n;
}

void TImageList::Delete(int index) {
  if (!ValidIndex(index)) return;
  const int n = Count();
  if (n == 1) return Clear();
  auto without = [&](const QImage& src, int w) {
    QImage out(w * (n - 1), src.height(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, src.copy(0, 0, w * index, src.height()));
    p.drawImage(w * index, 0, src.copy(w * (index + 1), 0, w * (n - index - 1), src.height()));
    return out;
  };
  const QImage fine = FBitmap.Has2x() ? without(FBitmap.Image2x(), FWidth * 2) : QImage();
  FBitmap.SetImages(without(FBitmap.Image(), FWidth), fine);
}

void TImageList::Clear() { FBitmap.Clear(); }

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

QImage TImageList::Image(int index, qreal devicePixelRatio) const {
  if (!ValidIndex(index)) return {};
  if (devicePixelRatio > 1 && FBitmap.Has2x())
    return FBitmap.Image2x().copy(index * FWidth * 2, 0, FWidth * 2, FHeight * 2);
  return FBitmap.Image().copy(index * FWidth, 0, FWidth, FHeight);
}

void TImageList::Draw(QPainter& painter, int x, int y, int index, bool enabled) const {
  if (!ValidIndex(index)) return;
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
  QImage img = Image(index, ratio);
  if (!enabled) img = GreyedImage(img);
  painter.drawImage(QRect(x, y, FWidth, FHeight), img);
}
