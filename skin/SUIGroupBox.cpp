#include "SUIGroupBox.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

namespace {
const QColor kDisabledCaption(0x80, 0x80, 0x80);
}  // namespace

TsuiCustomGroupBox::TsuiCustomGroupBox(TComponent* owner) : TsuiCustomPanel(owner) {
  SetCaption(QStringLiteral(" "));
  resize(185, 105);
  const TsuiUIStyle s = FindFormUIStyle(owner);
  FBorderColor = GetThemeColor(s, teBorderColor);
  Font()->SetColor(GetThemeColor(s, teGroupCaptionColor));
}

void TsuiCustomGroupBox::SetBorderColor(TColor value) {
  if (value == FBorderColor) return;
  FBorderColor = value;
  update();
}

QRect TsuiCustomGroupBox::InnerRect() const {
  const QRect r = rect();
  return QRect(QPoint(r.left() + 3, r.top() + FontPixelHeight(font())),
               QPoint(r.left() + r.width() - 2 - 1, r.top() + r.height() - 2 - 1));
}

TsuiGroupBoxState TsuiCustomGroupBox::GroupState() const {
  TsuiGroupBoxState s;
  s.Panel = State();
  // The panel part draws no caption: the frame puts it in its gap.
  s.Panel.Caption.clear();
  s.Caption = Caption();
  s.BorderColor = FBorderColor;
  s.Enabled = isEnabled();
  return s;
}

void TsuiCustomGroupBox::Paint(QPainter& canvas, const TsuiGroupBoxState& s, const TBitmap& picture) {
  const int l = 0, t = 0, r = s.Panel.Size.width(), b = s.Panel.Size.height();
  if (s.Panel.Transparent)
    TsuiCustomPanel::Paint(canvas, s.Panel, picture);
  else
    canvas.fillRect(QRect(l, t, r - l, b - t), ToQColor(s.Panel.Color));
  const QFontMetrics metrics(s.Panel.Font);
  const int y = FontPixelHeight(s.Panel.Font) / 2 + t + 1;
  const int gapEnd = s.Caption.isEmpty() ? l : l + 6 + metrics.horizontalAdvance(s.Caption);
  canvas.setPen(QPen(ToQColor(s.BorderColor), 0));
  canvas.setRenderHint(QPainter::Antialiasing, false);
  const QPoint corners[] = {{l + 2, y}, {l, y}, {l, b - 1}, {r - 1, b - 1}, {r - 1, y}, {gapEnd, y}};
  // The last stretch runs from the right edge back to the caption's end, so
  // it is left out when the caption reaches past the right edge.
  canvas.drawPolyline(corners, gapEnd < r - 1 ? 6 : 5);
  canvas.setFont(s.Panel.Font);
  canvas.setPen(s.Enabled ? s.Panel.TextColor : kDisabledCaption);
  canvas.drawText(QPoint(5, metrics.ascent()), s.Caption);
}

void TsuiCustomGroupBox::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const TsuiGroupBoxState s = GroupState();
  if (s.Panel.Transparent) PaintParentBackground(canvas, this);
  Paint(canvas, s, PictureRef());
}

void TsuiCustomGroupBox::changeEvent(QEvent* event) {
  TsuiCustomPanel::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) return;
  // Every child follows the group both ways, even one disabled on its own before.
  const bool enabled = isEnabled();
  for (QObject* child : children())
    if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow()) w->setEnabled(enabled);
  update();
}

TsuiGroupBox::TsuiGroupBox(TComponent* owner) : TsuiCustomGroupBox(owner) {}
