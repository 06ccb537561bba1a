#include "StdCtrls.h"

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

TLabel::TLabel(TComponent* owner) : TControl(owner), FLabel(new QLabel(this)) {
  FLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
  FLabel->setTextFormat(Qt::PlainText);
}

void TLabel::SetCaption(const QString& value) {
  FCaption = value;
  FLabel->setText(value);
  AdjustBounds();
}

void TLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
  // Without a colour of its own a label already shows its parent through.
  FTransparent = value;
}

void TLabel::FontChanged() {
  TControl::FontChanged();
  AdjustBounds();
}

// An auto-sized label keeps its top-left corner and takes its text's size.
void TLabel::AdjustBounds() {
  if (FAutoSize) {
    FLabel->adjustSize();
    resize(FLabel->size());
  }
  FLabel->setGeometry(rect());
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
  TControl::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}

TButton::TButton(TComponent* owner) : TControl(owner), FButton(new QPushButton(this)) {
  setFocusProxy(FButton);
  QObject::connect(FButton, &QPushButton::clicked, this, [this] { Click(); });
}

QString TButton::Caption() const { return FButton->text(); }
void TButton::SetCaption(const QString& value) { FButton->setText(value); }

void TButton::resizeEvent(QResizeEvent* event) {
  TControl::resizeEvent(event);
  FButton->setGeometry(rect());
}

TListBox::TListBox(TComponent* owner) : TControl(owner), FList(new QListWidget(this)) {
  setFocusProxy(FList);
  FList->setUniformItemSizes(true);
}

void TListBox::SetItemHeight(int value) {
  FItemHeight = value;
  for (int i = 0; i < FList->count(); ++i) FList->item(i)->setSizeHint(QSize(0, value));
}

QStringList TListBox::Items() const {
  QStringList items;
  for (int i = 0; i < FList->count(); ++i) items << FList->item(i)->text();
  return items;
}

void TListBox::SetItems(const QStringList& items) {
  Clear();
  for (const QString& s : items) Add(s);
}

void TListBox::Clear() { FList->clear(); }

void TListBox::Add(const QString& item) {
  auto* entry = new QListWidgetItem(item, FList);
  entry->setSizeHint(QSize(0, FItemHeight));
}

int TListBox::Count() const { return FList->count(); }

void TListBox::resizeEvent(QResizeEvent* event) {
  TControl::resizeEvent(event);
  FList->setGeometry(rect());
}

TPanel::TPanel(TComponent* owner) : TControl(owner) {}

void TPanel::SetCaption(const QString& value) {
  FCaption = value;
  update();
}

void TPanel::paintEvent(QPaintEvent*) {
  if (FCaption.isEmpty()) return;
  QPainter p(this);
  p.drawText(rect(), Qt::AlignCenter, FCaption);
}
