#include "SUICheckBox.h"

#include "Exceptions.h"
#include "SUIPublic.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {
const QColor kDisabledText(0x80, 0x80, 0x80);
}  // namespace

// ---- TsuiCustomButtonEx ----

TsuiCustomButtonEx::TsuiCustomButtonEx(TComponent* owner) : TsuiCustomButton(owner) {
  setCheckable(true);
  SetParentColor(true);
  resize(93, height());
}

void TsuiCustomButtonEx::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  setChecked(value);
  CheckedChanged();
  update();
}

void TsuiCustomButtonEx::Click() {
  if (isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus) setFocus(Qt::OtherFocusReason);
  Toggle();
  TsuiCustomButton::Click();
}

void TsuiCustomButtonEx::UIStyleChanged() { ApplyUIStyle(UIStyle()); }

void TsuiCustomButtonEx::AdjustBounds() {
  if (!AutoSize() || FAdjusting) return;
  FAdjusting = true;
  const QFont f = font();
  const int h = std::max(FontPixelHeight(f) + 2, GetPicHeight()) + 4;
  const int w = GetPicWidth() + QFontMetrics(f).horizontalAdvance(PlainCaption(Caption())) + 8;
  SetBounds(Left(), Top(), w, h);
  FAdjusting = false;
}

void TsuiCustomButtonEx::resizeEvent(QResizeEvent* event) {
  TsuiCustomButton::resizeEvent(event);
  AdjustBounds();
}

void TsuiCustomButtonEx::changeEvent(QEvent* event) {
  TsuiCustomButton::changeEvent(event);
  if (event->type() == QEvent::FontChange) AdjustBounds();
}

void TsuiCustomButtonEx::mouseDoubleClickEvent(QMouseEvent* event) {
  TsuiCustomButton::mouseDoubleClickEvent(event);
  DoDblClick();
}

TsuiButtonState TsuiCustomButtonEx::State() const {
  TsuiButtonState s = TsuiCustomButton::State();
  s.PicSize = QSize(GetPicWidth(), GetPicHeight());
  return s;
}

TsuiButtonLayout TsuiCustomButtonEx::LayOut(const TsuiButtonState& s) const {
  TsuiButtonLayout l;
  l.SkinPos = QPoint(1, (s.Size.height() - s.PicSize.height()) / 2);
  const QPoint caption(s.PicSize.width() + 4, (s.Size.height() - (FontPixelHeight(s.Font) + 2)) / 2);
  const QPoint corner(s.Size.width() - 1, s.Size.height() - 1);
  l.CaptionRect = QRect(caption, corner);
  l.CaptionFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (s.Focused && s.TabStop) l.FocusRect = QRect(caption - QPoint(1, 0), corner);
  return l;
}

void TsuiCustomButtonEx::DrawCaption(const TsuiButtonPaint& paint) {
  const TsuiButtonState& s = paint.State;
  FCaptionRect = paint.Layout.CaptionRect;
  paint.Canvas.setFont(s.Font);
  paint.Canvas.setPen(s.Enabled ? s.TextColor : kDisabledText);
  paint.Canvas.drawText(FCaptionRect, paint.Layout.CaptionFlags, s.Caption);
}

// ---- TsuiCheckBox ----

TsuiCheckBox::TsuiCheckBox(TComponent* owner) : TsuiCustomButtonEx(owner) {
  SetPicTransparent(false);
  SetCaption(QStringLiteral("suiCheckBox"));
  resize(width(), 17);
  InitUIStyle(FindFormUIStyle(owner));
}

void TsuiCheckBox::Toggle() {
  SetChecked(!Checked());
  AfterToggle();
}

void TsuiCheckBox::TransparentChanged() { SetPicTransparent(false); }

void TsuiCheckBox::UIStyleChanged() {
  ApplyUIStyle(UIStyle());
  switch (UIStyle()) {
    case Custom: break;
    case MacOS:
    case Protein: SetTransparent(true); break;
    case WinXP:
    case DeepBlue:
    case BlueGlass: SetTransparent(false); break;
  }
}

void TsuiCheckBox::ApplyPictureEntries(TsuiUIStyle style, const TPictureEntries& e) {
  SetResHandle(0);
  const bool enabled = isEnabled();
  if (Checked())
    SetThemePictures(GetThemeString(style, enabled ? e.CheckedNormal : e.CheckedDisabled),
                     GetThemeString(style, e.CheckedMouseOn), GetThemeString(style, e.CheckedMouseDown));
  else
    SetThemePictures(GetThemeString(style, enabled ? e.UncheckedNormal : e.UncheckedDisabled),
                     GetThemeString(style, e.UncheckedMouseOn), GetThemeString(style, e.UncheckedMouseDown));
}

void TsuiCheckBox::ApplyUIStyle(TsuiUIStyle style) {
  ApplyPictureEntries(style, {teCheckBoxChecked, teCheckBoxDisabledChecked, teCheckBoxUnchecked,
                              teCheckBoxDisabledUnchecked, teCheckBoxMouseOnChecked, teCheckBoxMouseDownChecked,
                              teCheckBoxMouseOnUnchecked, teCheckBoxMouseDownUnchecked});
}

namespace {
QSize EntryPictureSize(TsuiUIStyle style, TThemeEntryIndex entry) {
  const QString name = GetThemeString(style, entry);
  if (name.isEmpty()) return QSize(0, 0);
  TBitmap picture;
  try {
    LoadSkinBitmap(picture, 0, name);
  } catch (const Exception&) {
    return QSize(0, 0);
  }
  return {picture.Width(), picture.Height()};
}
}  // namespace

int TsuiCheckBox::GetPicWidth() const { return EntryPictureSize(UIStyle(), teCheckBoxUnchecked).width(); }
int TsuiCheckBox::GetPicHeight() const { return EntryPictureSize(UIStyle(), teCheckBoxUnchecked).height(); }

// ---- TsuiRadioButton ----

TsuiRadioButton::TsuiRadioButton(TComponent* owner) : TsuiCheckBox(owner) {
  SetPicTransparent(true);
  SetCaption(QStringLiteral("suiRadioButton"));
  resize(width(), 17);
  InitUIStyle(UIStyle());
}

void TsuiRadioButton::Toggle() {
  if (!Checked()) SetChecked(true);
}

void TsuiRadioButton::CheckedChanged() {
  if (Checked())
    if (QWidget* parent = parentWidget())
      for (QObject* child : parent->children())
        if (auto* other = qobject_cast<TsuiRadioButton*>(child);
            other && other != this && other->GroupIndex() == FGroupIndex)
          other->SetChecked(false);
  TsuiCheckBox::CheckedChanged();
}

void TsuiRadioButton::TransparentChanged() { SetPicTransparent(true); }

void TsuiRadioButton::ApplyUIStyle(TsuiUIStyle style) {
  ApplyPictureEntries(style,
                      {teRadioButtonChecked, teRadioButtonDisabledChecked, teRadioButtonUnchecked,
                       teRadioButtonDisabledUnchecked, teRadioButtonMouseOnChecked, teRadioButtonMouseDownChecked,
                       teRadioButtonMouseOnUnchecked, teRadioButtonMouseDownUnchecked});
  update();
}
