#include "SUIComboBox.h"

#include "Exceptions.h"
#include "SUIPublic.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>

namespace {
const QColor kDisabledArrow(0x80, 0x80, 0x80);

void Triangle(QPainter& canvas, QPoint at, const QColor& color) {
  const QPoint points[3] = {at, at + QPoint(6, 0), at + QPoint(3, 3)};
  canvas.setPen(color);
  canvas.setBrush(color);
  canvas.drawPolygon(points, 3);
}
}  // namespace

TsuiCustomComboBox::TsuiCustomComboBox(TComponent* owner) : TControlOf<QComboBox>(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  resize(145, 21);
  SetColor(clWindow);
  QObject::connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
    if (!ItemChosen(index)) return;
    Dispatch(FOnSelect);
    Dispatch(FOnChange);
  });
  SetUIStyle(FindFormUIStyle(owner));
}

void TsuiCustomComboBox::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  // Custom looks up black for all three, as the theme has no column for it.
  FButtonColor = GetThemeColor(value, teComboBoxButtonColor);
  FArrowColor = GetThemeColor(value, teBorderColor);
  FBorderColor = GetThemeColor(value, teBorderColor);
  update();
}

void TsuiCustomComboBox::SetBorderColor(TColor value) {
  if (value == FBorderColor) return;
  FBorderColor = value;
  update();
}

void TsuiCustomComboBox::SetArrowColor(TColor value) {
  if (value == FArrowColor) return;
  FArrowColor = value;
  update();
}

void TsuiCustomComboBox::SetButtonColor(TColor value) {
  if (value == FButtonColor) return;
  FButtonColor = value;
  update();
}

QStringList TsuiCustomComboBox::Items() const {
  QStringList items;
  for (int i = 0; i < count(); ++i) items << itemText(i);
  return items;
}

void TsuiCustomComboBox::SetItems(const QStringList& value) {
  if (value == Items()) return;
  const QString text = currentText();
  clear();
  addItems(value);
  setCurrentIndex(-1);
  if (isEditable()) setEditText(text);
}

void TsuiCustomComboBox::SetText(const QString& value) {
  const int index = findText(value);
  if (index >= 0 || !isEditable()) setCurrentIndex(index);
  if (isEditable()) setEditText(value);
}

void TsuiCustomComboBox::SetStyle(TComboBoxStyle value) {
  if (value == Style()) return;
  setEditable(value == csDropDown);
  if (QLineEdit* edit = lineEdit())
    QObject::connect(edit, &QLineEdit::textEdited, this, [this](const QString&) { Dispatch(FOnChange); });
  ColorChanged();
}

TsuiComboBoxState TsuiCustomComboBox::State() const {
  TsuiComboBoxState s;
  s.Style = FUIStyle;
  s.Size = size();
  QStyleOptionComboBox option;
  initStyleOption(&option);
  s.ButtonRect = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
  s.Enabled = isEnabled();
  s.BorderColor = FBorderColor;
  s.ArrowColor = FArrowColor;
  s.ButtonColor = FButtonColor;
  s.Color = PaintColor();
  return s;
}

void TsuiCustomComboBox::PaintSkin(QPainter& canvas, const TsuiComboBoxState& s) {
  const QRect r = s.ButtonRect;
  if (!r.isEmpty()) {
    TBitmap picture;
    if (s.Style == MacOS) {
      try {
        LoadSkinBitmap(picture, 0, QStringLiteral("MACOS_COMBOBOX_BUTTON"));
      } catch (const Exception&) {
        picture.Clear();
      }
    }
    if (!picture.Empty())
      picture.StretchDraw(canvas, r);
    else
      canvas.fillRect(r, ToQColor(s.ButtonColor));
    const QPoint at(r.left() + r.width() / 2 - 4, r.height() / 2);
    if (s.Enabled) {
      Triangle(canvas, at, ToQColor(s.ArrowColor));
    } else {
      Triangle(canvas, at + QPoint(1, 1), Qt::white);
      Triangle(canvas, at, kDisabledArrow);
    }
  }
  DrawWindowFrame(canvas, QRect(QPoint(0, 0), s.Size), s.BorderColor, s.Color);
}

void TsuiCustomComboBox::paintEvent(QPaintEvent* event) {
  QComboBox::paintEvent(event);
  QPainter canvas(this);
  PaintSkin(canvas, State());
}

void TsuiCustomComboBox::ColorChanged() {
  TControlBase::ColorChanged();
  // The edit field and the list show the combo's colour too.
  QPalette p = palette();
  p.setColor(QPalette::Base, ToQColor(PaintColor()));
  setPalette(p);
  update();
}

void TsuiCustomComboBox::changeEvent(QEvent* event) {
  QComboBox::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}

void TsuiCustomComboBox::showPopup() {
  Dispatch(FOnDropDown);
  QComboBox::showPopup();
}

void TsuiCustomComboBox::hidePopup() {
  QComboBox::hidePopup();
  Dispatch(FOnCloseUp);
}

void TsuiCustomComboBox::mousePressEvent(QMouseEvent* event) {
  DoMouseDown(*event);
  QComboBox::mousePressEvent(event);
}

void TsuiCustomComboBox::mouseReleaseEvent(QMouseEvent* event) {
  QComboBox::mouseReleaseEvent(event);
  DoMouseUp(*event);
}

void TsuiCustomComboBox::keyPressEvent(QKeyEvent* event) {
  if (DoKeyDown(*event)) QComboBox::keyPressEvent(event);
}

void TsuiCustomComboBox::keyReleaseEvent(QKeyEvent* event) {
  if (DoKeyUp(*event)) QComboBox::keyReleaseEvent(event);
}

void TsuiCustomComboBox::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  DoEnter();
}

void TsuiCustomComboBox::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  DoExit();
}

TsuiComboBox::TsuiComboBox(TComponent* owner) : TsuiCustomComboBox(owner) { SetStyle(csDropDown); }
