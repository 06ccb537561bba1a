#include "SUIEdit.h"

TsuiEdit::TsuiEdit(TComponent* owner) : TsuiBorderedOf<QLineEdit>(owner) {
  setFrame(false);
  setTextMargins(kSuiBorderWidth, kSuiBorderWidth, kSuiBorderWidth, kSuiBorderWidth);
  setMaxLength(32767);
  resize(121, 21);
  QObject::connect(this, &QLineEdit::textChanged, this, [this] { Dispatch(FOnChange); });
}

void TsuiEdit::SetText(const QString& value) {
  if (value == text()) return;
  setText(value);
}

void TsuiEdit::SetMaxLength(int value) {
  FMaxLength = std::max(value, 0);
  setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TsuiEdit::SetPasswordChar(const QString& value) {
  FPasswordChar = value.left(1);
  setEchoMode(FPasswordChar.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
}

void TsuiEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  PaintFrame();
}
