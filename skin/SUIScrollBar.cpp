#include "SUIScrollBar.h"
#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <functional>

namespace {
constexpr int kRepeatInterval = 100;
constexpr int kMinThumb = 18;

bool HasFine(std::initializer_list<const TBitmap*> pictures) {
  return std::all_of(pictures.begin(), pictures.end(), [](const TBitmap* b) { return b->Has2x(); });
}

// A picture of logical size drawn by draw, with a fine version when the
// pieces it is drawn from all have one.
void Drawn(TBitmap& result, QSize size, bool fine, const std::function<void(QPainter&)>& draw) {
  result.Clear();
  if (size.isEmpty()) return;
  auto paint = [&](qreal ratio) {
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter p(&image);
    draw(p);
    return image;
  };
  const QImage plain = paint(1.0);
  QImage twice = fine ? paint(2.0) : QImage();
  twice.setDevicePixelRatio(1.0);
  result.SetImages(plain, twice);
}

// The logical part of picture as a picture of its own.
void Cut(TBitmap& result, const TBitmap& picture, const QRect& part) {
  Drawn(result, part.size(), picture.Has2x(),
        [&](QPainter& p) { picture.DrawPart(p, QRect(QPoint(0, 0), part.size()), part, false, TColor(0)); });
}
}  // namespace

TsuiScrollBar::TsuiScrollBar(TComponent* owner)
    : TControlOf<QWidget>(owner),
      FTrackBar(std::make_unique<TsuiScrollTrackBar>(nullptr)),
      FDownButton(std::make_unique<TsuiImageButton>(nullptr)),
      FUpButton(std::make_unique<TsuiImageButton>(nullptr)) {
  FTrackBar->setParent(this);
  FTrackBar->SetUIStyle(Custom);
  FTrackBar->BarImage()->Clear();
  FTrackBar->SetOrientation(suiVertical);
  for (TsuiImageButton* b : {FUpButton.get(), FDownButton.get()}) {
    b->setParent(this);
    b->SetTabStop(false);
    b->SetMouseContinuouslyDownInterval(kRepeatInterval);
  }
  // A press steps at once, as users of scroll bars expect; holding repeats.
  FUpButton->SetOnMouseDown([this](TComponent*, TMouseButton button, TShiftState, int, int) {
    if (button == mbLeft) Step(-FSmallChange);
  });
  FDownButton->SetOnMouseDown([this](TComponent*, TMouseButton button, TShiftState, int, int) {
    if (button == mbLeft) Step(FSmallChange);
  });
  FUpButton->SetOnMouseContinuouslyDown([this](TComponent*) { Step(-FSmallChange); });
  FDownButton->SetOnMouseContinuouslyDown([this](TComponent*) { Step(FSmallChange); });
  resize(16, 185);
  SetUIStyle(FindFormUIStyle(owner));
  ArrangeParts();
}

TsuiScrollBar::~TsuiScrollBar() { Detach(); }

void TsuiScrollBar::Step(int delta) { FTrackBar->SetPosition(FTrackBar->Position() + delta); }

void TsuiScrollBar::SetUIStyle(TsuiUIStyle value) {
  if (value == FUIStyle) return;
  FUIStyle = value;
  if (value == Custom) return;
  SetColor(GetThemeColor(value, teScrollBarColor));
  LoadPictures();
  ArrangeParts();
}

void TsuiScrollBar::changeEvent(QEvent* event) {
  TControlOf<QWidget>::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) return;
  LoadPictures();
  ArrangeParts();
}

void TsuiScrollBar::ColorChanged() {
  TControlBase::ColorChanged();
  setAutoFillBackground(false);
  FTrackBar->SetColor(Color());
  update();
}

void TsuiScrollBar::SetOrientation(TsuiProgressBarOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  LoadPictures();
  ArrangeParts();
}

void TsuiScrollBar::SetPageSize(int value) {
  FTrackBar->SetPageSize(value);
  BuildThumb();
}

void TsuiScrollBar::SetLineButton(int value) {
  if (value == FLineButton) return;
  FLineButton = value;
  BuildThumb();
}

void TsuiScrollBar::LoadPictures() {
  if (FUIStyle == Custom) return;
  FTrackBar->BarImage()->Clear();
  TBitmap track;
  LoadSkinBitmapOrClear(track, GetThemeString(FUIStyle, teScrollBarTrack));
  RotateBitmapLeft(track);
  const int fw = track.Width() / 3;
  TBitmap* frames[] = {&FThumbHead, &FThumbBody, &FThumbTail};
  for (int i = 0; i < 3; ++i) {
    Cut(*frames[i], track, QRect(i * fw, 0, fw, track.Height()));
    if (FOrientation == suiVertical) RotateBitmapRight(*frames[i]);
    if (!isEnabled()) FadeBitmap(*frames[i], TColor(0xFF00FF));
  }
  const bool horizontal = FOrientation == suiHorizontal;
  auto load = [&](TsuiImageButton* button, int first) {
    TBitmap picture;
    for (int i = 0; i < 3; ++i) {
      LoadSkinBitmapOrClear(picture, GetThemeString(FUIStyle, first + i));
      if (horizontal) RotateBitmapLeft(picture);
      TBitmap* target = i == 0 ? button->PicNormal() : i == 1 ? button->PicMouseOn() : button->PicMouseDown();
      target->Assign(&picture);
      if (i == 0) {
        FadeBitmap(picture, picture.Pixel(0, 0));
        button->PicDisabled()->Assign(&picture);
      }
    }
    button->SetAutoSize(true);
  };
  load(FUpButton.get(), teScrollBarTopButtonNormal);
  load(FDownButton.get(), teScrollBarBottomButtonNormal);
}

void TsuiScrollBar::ArrangeParts() {
  if (FArranging) return;
  FArranging = true;
  FTrackBar->SetOrientation(FOrientation);
  TsuiImageButton *up = FUpButton.get(), *down = FDownButton.get();
  if (FOrientation == suiVertical) {
    const int h = height();
    up->move(0, 0);
    FTrackBar->SetBounds(0, up->height(), FTrackBar->Width(), std::max(0, h - down->height() - up->height() - 1));
    down->move(0, h - down->height());
    TControlBase::SetBounds(Left(), Top(), up->width(), Height());
  } else {
    const int w = width();
    up->move(0, 0);
    FTrackBar->SetBounds(up->width(), 0, std::max(0, w - down->width() - up->width()), FTrackBar->Height());
    down->move(w - down->width(), 0);
    TControlBase::SetBounds(Left(), Top(), Width(), up->height());
  }
  FArranging = false;
  BuildThumb();
}

void TsuiScrollBar::BuildThumb() {
  const bool vertical = FOrientation == suiVertical;
  if (FThumbHead.Empty()) return;
  const int trackLength = vertical ? FTrackBar->Height() : FTrackBar->Width();
  int length;
  if (FLineButton > 0) {
    FLineButton = std::max(FLineButton, kMinThumb);
    length = FLineButton;
  } else {
    int p = PageSize();
    if (p < 10 || p > 100) p = 10;
    length = p * trackLength / 100;
  }
  const QSize head = QSize(FThumbHead.Width(), FThumbHead.Height());
  const QSize tail = QSize(FThumbTail.Width(), FThumbTail.Height());
  const QSize size = vertical ? QSize(head.width(), length) : QSize(length, head.height());
  TBitmap thumb;
  Drawn(thumb, size, HasFine({&FThumbHead, &FThumbBody, &FThumbTail}), [&](QPainter& p) {
    FThumbHead.Draw(p, 0, 0);
    if (vertical) {
      FThumbBody.StretchDraw(p, QRect(0, head.height(), size.width(), length - head.height() - tail.height()));
      FThumbTail.Draw(p, 0, length - tail.height());
    } else {
      FThumbBody.StretchDraw(p, QRect(head.width(), 0, length - head.width() - tail.width(), size.height()));
      FThumbTail.Draw(p, length - tail.width(), 0);
    }
  });
  FTrackBar->SetSliderImage(thumb);
}

void TsuiScrollBar::SetBounds(int left, int top, int width, int height) {
  TControlOf<QWidget>::SetBounds(left, top, width, height);
  ArrangeParts();
}

void TsuiScrollBar::resizeEvent(QResizeEvent* event) {
  TControlOf<QWidget>::resizeEvent(event);
  ArrangeParts();
}

void TsuiScrollBar::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  canvas.fillRect(rect(), ToQColor(PaintColor()));
}

void TsuiScrollBar::Attach(QScrollBar* native) {
  Detach();
  if (!native) return;
  FNative = native;
  FLinks.push_back(QObject::connect(native, &QAbstractSlider::rangeChanged, this, [this] { SyncFromNative(); }));
  FLinks.push_back(QObject::connect(native, &QAbstractSlider::valueChanged, this, [this](int v) {
    SyncFromNative();
    FTrackBar->SetPosition(v);
  }));
  FLinks.push_back(QObject::connect(FTrackBar.get(), &QAbstractSlider::valueChanged, native, [this](int v) {
    if (FNative && FNative->value() != v) FNative->setValue(v);
  }));
  FLinks.push_back(QObject::connect(native, &QObject::destroyed, this, [this] { Detach(); }));
  SyncFromNative();
}

void TsuiScrollBar::Detach() {
  for (const QMetaObject::Connection& c : FLinks) QObject::disconnect(c);
  FLinks.clear();
  FNative.clear();
  if (FTrackBar) FTrackBar->SetPagingStep(0);
}

void TsuiScrollBar::SyncFromNative() {
  if (!FNative) return;
  const int min = FNative->minimum(), max = FNative->maximum(), page = FNative->pageStep();
  FSmallChange = std::max(1, FNative->singleStep());
  FTrackBar->SetPagingStep(std::max(1, page));
  // The thumb shows the page's share of the whole document.
  const qint64 whole = qint64(max) - min + page;
  const int percent = whole > 0 ? int(std::clamp<qint64>(qint64(page) * 100 / whole, 0, 100)) : 100;
  if (percent != PageSize()) SetPageSize(percent);
  FTrackBar->SetMin(min);
  FTrackBar->SetMax(max);
  FTrackBar->SetPosition(FNative->value());
  FTrackBar->SetSliderVisible(max > min);
}
