#include "SUIImagePanel.h"

#include <QMouseEvent>
#include <QPainter>

TsuiCustomPanel::TsuiCustomPanel(TComponent* owner) : TPanel(owner) {
  setFocusPolicy(Qt::NoFocus);
  FPicture.SetOnChange([this](TGraphicsObject*) { PictureChanged(); });
}

TsuiCustomPanel::~TsuiCustomPanel() = default;

void TsuiCustomPanel::SetPicture(const TBitmap& value) {
  // Assign reports the change, which fits and repaints.
  FPicture.Assign(const_cast<TBitmap*>(&value));
  ClearBackground();
}

void TsuiCustomPanel::PictureChanged() {
  if (!FPicture.Empty()) {
    FitToPicture();
    FPicture.SetTransparent(FTransparent);
  }
  ClearBackground();
  if (FOnPictureChange) FOnPictureChange(this);
}

void TsuiCustomPanel::SetAutoSize(bool value) {
  FAutoSize = value;
  if (!FPicture.Empty()) FitToPicture();
}

void TsuiCustomPanel::FitToPicture() {
  if (!FAutoSize || FPicture.Empty()) return;
  const TAlign a = Align();
  const int w = (a == alTop || a == alBottom || a == alClient) ? Width() : FPicture.Width();
  const int h = (a == alLeft || a == alRight || a == alClient) ? Height() : FPicture.Height();
  SetBounds(Left(), Top(), w, h);
}

void TsuiCustomPanel::SetTransparent(bool value) {
  FTransparent = value;
  if (!FPicture.Empty()) FPicture.SetTransparent(value);
  update();
}

void TsuiCustomPanel::SetDrawStyle(TsuiDrawStyle value) {
  FDrawStyle = value;
  ClearBackground();
}

void TsuiCustomPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  update();
}

void TsuiCustomPanel::SetBorderWidth(int value) {
  value = std::max(0, value);
  if (value == FBorderWidth) return;
  FBorderWidth = value;
  update();
}

void TsuiCustomPanel::SetTabStop(bool value) {
  FTabStop = value;
  setFocusPolicy(value ? Qt::StrongFocus : Qt::NoFocus);
}

void TsuiCustomPanel::SetCaptionPos(int x, int y) {
  FCaptionPos = QPoint(x, y);
  update();
}

void TsuiCustomPanel::ApplyUIStyle(TsuiUIStyle style) { ApplyUIStyleToChildren(this, style); }

void TsuiCustomPanel::ColorChanged() {
  TPanel::ColorChanged();
  // The paint fills the face itself; Qt's fill would hide a transparent panel's parent.
  setAutoFillBackground(false);
  update();
}

TsuiPanelState TsuiCustomPanel::State() const {
  TsuiPanelState s;
  s.Size = size();
  s.BorderWidth = FBorderWidth;
  s.Transparent = FTransparent;
  s.DrawStyle = FDrawStyle;
  s.Color = PaintColor();
  s.Caption = Caption();
  s.Font = font();
  s.TextColor = palette().color(QPalette::WindowText);
  s.Alignment = FAlignment;
  s.CaptionPos = FCaptionPos;
  return s;
}

QRect TsuiCustomPanel::Paint(QPainter& canvas, const TsuiPanelState& s, const TBitmap& picture) {
  const QRect client =
      QRect(QPoint(0, 0), s.Size).adjusted(s.BorderWidth, s.BorderWidth, -s.BorderWidth, -s.BorderWidth);
  // ClearBackground filled the face before every picture was drawn; Qt
  // keeps nothing between paints, so the fill is part of each one.
  if (!s.Transparent) canvas.fillRect(client, ToQColor(s.Color));
  if (!picture.Empty()) {
    switch (s.DrawStyle) {
      case suiStretch: picture.StretchDraw(canvas, client); break;
      case suiTile:
        canvas.save();
        canvas.setClipRect(client);
        DrawTiled(canvas, picture, client);
        canvas.restore();
        break;
      case suiNormal: picture.Draw(canvas, 0, 0); break;
    }
  }
  if (s.Caption.trimmed().isEmpty()) return {};
  canvas.setFont(s.Font);
  canvas.setPen(s.TextColor);
  const QFontMetrics metrics(s.Font);
  QRect where;
  if (s.CaptionPos.x() == -1 || s.CaptionPos.y() == -1) {
    const Qt::Alignment h = s.Alignment == taLeftJustify    ? Qt::AlignLeft
                            : s.Alignment == taRightJustify ? Qt::AlignRight
                                                            : Qt::AlignHCenter;
    where = metrics.boundingRect(client, int(h | Qt::AlignVCenter | Qt::TextSingleLine), s.Caption);
  } else {
    where = QRect(s.CaptionPos, metrics.size(Qt::TextSingleLine, s.Caption));
  }
  canvas.drawText(where, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s.Caption);
  return where;
}

void TsuiCustomPanel::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const TsuiPanelState s = State();
  if (s.Transparent) PaintParentBackground(canvas, this);
  QRect caption = Paint(canvas, s, FPicture);
  CaptionChanged(caption);
  FCaptionRect = caption;
}

void TsuiCustomPanel::resizeEvent(QResizeEvent* event) {
  TPanel::resizeEvent(event);
  update();
}

void TsuiCustomPanel::mousePressEvent(QMouseEvent* event) {
  if (FTabStop) setFocus(Qt::MouseFocusReason);
  DoMouseDown(*event);
}

void TsuiCustomPanel::mouseReleaseEvent(QMouseEvent* event) {
  DoMouseUp(*event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}

void TsuiCustomPanel::mouseMoveEvent(QMouseEvent* event) { DoMouseMove(*event); }

void TsuiCustomPanel::mouseDoubleClickEvent(QMouseEvent*) { DoDblClick(); }

TsuiImagePanel::TsuiImagePanel(TComponent* owner) : TsuiCustomPanel(owner) {}
