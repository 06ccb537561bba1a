#include "SUIMemo.h"

#include <QScrollBar>

TsuiMemo::TsuiMemo(TComponent* owner)
    : TsuiBorderedOf<QPlainTextEdit>(owner),
      FVScroll(std::make_unique<TsuiScrollBarLink>(this, Qt::Vertical, false)),
      FHScroll(std::make_unique<TsuiScrollBarLink>(this, Qt::Horizontal, false)) {
  setTabChangesFocus(true);
  resize(185, 89);
  SetScrollBars(ssNone);
  QObject::connect(this, &QPlainTextEdit::textChanged, this, [this] {
    SyncScrollBars();
    Dispatch(FOnChange);
  });
  QObject::connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
    if (dy != 0) SyncScrollBars();
  });
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

void TsuiMemo::SetVScrollBar(TsuiScrollBar* value) {
  if (FVScroll->SetBar(value)) ScrollBarsChanged();
}

void TsuiMemo::SetHScrollBar(TsuiScrollBar* value) {
  if (FHScroll->SetBar(value)) ScrollBarsChanged();
}

void TsuiMemo::ScrollBarsChanged() {
  const bool v = FVScroll->Bar(), h = FHScroll->Bar();
  SetScrollBars(v && h ? ssBoth : v ? ssVertical : h ? ssHorizontal : ssNone);
  PlaceScrollBars();
}

void TsuiMemo::PlaceScrollBars() {
  TsuiScrollBar* v = FVScroll->Bar();
  TsuiScrollBar* h = FHScroll->Bar();
  const int L = Left(), T = Top(), W = Width(), H = Height();
  // Alone, a bar stops short of the frame's far ring as well.
  if (h) FHScroll->Place(QRect(L + 1, T + H - h->Height() - 2, W - (v ? v->Width() : 1) - 1, h->Height()));
  if (v) FVScroll->Place(QRect(L + W - v->Width() - 2, T + 1, v->Width(), H - (h ? h->Height() : 1) - 1));
}

void TsuiMemo::resizeEvent(QResizeEvent* event) {
  TsuiBorderedOf<QPlainTextEdit>::resizeEvent(event);
  PlaceScrollBars();
}

void TsuiMemo::moveEvent(QMoveEvent* event) {
  TsuiBorderedOf<QPlainTextEdit>::moveEvent(event);
  PlaceScrollBars();
}

void TsuiMemo::SyncScrollBars() {
  FVScroll->Sync();
  FHScroll->Sync();
}

void TsuiMemo::changeEvent(QEvent* event) {
  TsuiBorderedOf<QPlainTextEdit>::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) SyncScrollBars();
}

void TsuiMemo::keyPressEvent(QKeyEvent* event) {
  TsuiBorderedOf<QPlainTextEdit>::keyPressEvent(event);
  SyncScrollBars();
}

void TsuiMemo::wheelEvent(QWheelEvent* event) {
  TsuiBorderedOf<QPlainTextEdit>::wheelEvent(event);
  SyncScrollBars();
}

void TsuiMemo::mouseMoveEvent(QMouseEvent* event) {
  TsuiBorderedOf<QPlainTextEdit>::mouseMoveEvent(event);
  if (event->buttons() & Qt::LeftButton) SyncScrollBars();
}
