#include "SUIMemo.h"

#include <QScrollBar>

TsuiMemo::TsuiMemo(TComponent* owner) : TsuiBorderedOf<QPlainTextEdit>(owner) {
  setTabChangesFocus(true);
  resize(185, 89);
  SetScrollBars(ssNone);
  QObject::connect(this, &QPlainTextEdit::textChanged, this, [this] { Dispatch(FOnChange); });
}

TsuiMemo::~TsuiMemo() = default;

QStringList TsuiMemo::Lines() const {
  const QString text = toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void TsuiMemo::SetLines(const QStringList& value) { SetText(value.join(QLatin1Char('\n'))); }

void TsuiMemo::SetText(const QString& value) {
  if (value == toPlainText()) return;
  setPlainText(value);
}

void TsuiMemo::SetWordWrap(bool value) {
  setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TsuiMemo::SetScrollBars(TScrollStyle value) {
  FScrollBars = value;
  const bool v = value == ssVertical || value == ssBoth, h = value == ssHorizontal || value == ssBoth;
  setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}
