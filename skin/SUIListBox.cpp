#include "SUIListBox.h"

TsuiListBox::TsuiListBox(TComponent* owner)
    : TsuiBorderedOf<QListWidget>(owner), FVScroll(std::make_unique<TsuiScrollBarLink>(this, Qt::Vertical, true)) {
  setUniformItemSizes(true);
  // Long items are cut at the edge, as in any list box; only the list scrolls.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  resize(121, 97);
  QObject::connect(this, &QListWidget::currentRowChanged, this, [this] {
    if (!FSettingIndex) Click();
  });
}

TsuiListBox::~TsuiListBox() = default;

QStringList TsuiListBox::Items() const {
  QStringList items;
  for (int i = 0; i < count(); ++i) items << item(i)->text();
  return items;
}

QListWidgetItem* TsuiListBox::MakeItem(const QString& text) const { return new QListWidgetItem(text); }

void TsuiListBox::SetItems(const QStringList& value) {
  FSettingIndex = true;
  clear();
  for (const QString& text : value) addItem(MakeItem(text));
  FSettingIndex = false;
}

void TsuiListBox::Add(const QString& text) { addItem(MakeItem(text)); }

void TsuiListBox::SetItemIndex(int value) {
  FSettingIndex = true;
  setCurrentRow(value >= 0 && value < count() ? value : -1);
  FSettingIndex = false;
}

void TsuiListBox::SetSorted(bool value) {
  setSortingEnabled(value);
  if (value) sortItems();
}

void TsuiListBox::SetMultiSelect(bool value) {
  setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TsuiListBox::mouseReleaseEvent(QMouseEvent* event) {
  // The bordered base clicks on every release; a list clicks when its item moves.
  QListWidget::mouseReleaseEvent(event);
  DoMouseUp(*event);
}

void TsuiListBox::SetVScrollBar(TsuiScrollBar* value) {
  if (FVScroll->SetBar(value)) PlaceScrollBars();
}

void TsuiListBox::PlaceScrollBars() {
  if (TsuiScrollBar* bar = FVScroll->Bar())
    FVScroll->Place(QRect(Left() + Width() - bar->Width() - 2, Top() + 1, bar->Width(), Height() - 2));
}

void TsuiListBox::resizeEvent(QResizeEvent* event) {
  TsuiBorderedOf<QListWidget>::resizeEvent(event);
  PlaceScrollBars();
}

void TsuiListBox::moveEvent(QMoveEvent* event) {
  TsuiBorderedOf<QListWidget>::moveEvent(event);
  PlaceScrollBars();
}

void TsuiListBox::changeEvent(QEvent* event) {
  TsuiBorderedOf<QListWidget>::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) FVScroll->Sync();
}

void TsuiListBox::showEvent(QShowEvent* event) {
  TsuiBorderedOf<QListWidget>::showEvent(event);
  FVScroll->Sync();
}

void TsuiListBox::hideEvent(QHideEvent* event) {
  TsuiBorderedOf<QListWidget>::hideEvent(event);
  FVScroll->Sync();
}
