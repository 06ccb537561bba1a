#include "SUIRadioGroup.h"

#include "Exceptions.h"
#include "SUICheckBox.h"

TsuiCheckGroup::TsuiCheckGroup(TComponent* owner) : TsuiCustomGroupBox(owner) { FUIStyle = FindFormUIStyle(owner); }

TsuiCheckGroup::~TsuiCheckGroup() = default;

void TsuiCheckGroup::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  // Custom keeps the colours it has: its theme answers are no colours.
  if (value != Custom) {
    SetBorderColor(GetThemeColor(value, teBorderColor));
    SetFontColor(GetThemeColor(value, teGroupCaptionColor));
    if (!ParentColor()) SetColor(GetThemeColor(value, teControlColor));
  }
  for (const auto& b : FButtons) {
    b->SetUIStyle(value);
    SyncButtonColor(b.get());
  }
  update();
}

void TsuiCheckGroup::SyncButtonColor(TsuiCheckBox* button) {
  // A group that follows its parent's colour lets its boxes follow it too.
  if (ParentColor())
    button->SetParentColor(true);
  else
    button->SetColor(Color());
}

void TsuiCheckGroup::ColorChanged() {
  TsuiCustomGroupBox::ColorChanged();
  for (const auto& b : FButtons) SyncButtonColor(b.get());
}

void TsuiCheckGroup::SetItems(const QStringList& value) {
  if (value == FItems) return;
  FItems = value;
  ItemsChanged();
}

void TsuiCheckGroup::ItemsChanged() {
  const bool added = SyncItems();
  ArrangeItems();
  if (added) {
    for (const auto& b : FButtons) b->update();
    update();
  }
}

std::unique_ptr<TsuiCheckBox> TsuiCheckGroup::CreateItemButton() {
  // Owned by the group alone: the boxes come from Items, so the window
  // description does not list them.
  return std::make_unique<TsuiCheckBox>(nullptr);
}

bool TsuiCheckGroup::SyncItems() {
  bool added = false;
  while (FButtons.size() < size_t(FItems.size())) {
    std::unique_ptr<TsuiCheckBox> b = CreateItemButton();
    b->setParent(this);
    b->SetAutoSize(true);
    b->SetUIStyle(FUIStyle);
    b->SetTransparent(Transparent());
    SyncButtonColor(b.get());
    b->SetOnClick([this](TComponent*) { Click(); });
    b->setEnabled(isEnabled());
    b->show();
    FButtons.push_back(std::move(b));
    added = true;
  }
  while (FButtons.size() > size_t(FItems.size())) FButtons.pop_back();
  for (size_t i = 0; i < FButtons.size(); ++i) FButtons[i]->SetCaption(FItems[qsizetype(i)]);
  return added;
}

void TsuiCheckGroup::ArrangeItems() {
  if (FButtons.empty()) return;
  const int n = int(FButtons.size()), c = FColumns;
  const QRect inner = InnerRect();
  const int bottom = inner.y() + inner.height();
  const int top = inner.y() + FTopMargin;
  const int columnWidth = (width() - 10) / c;
  const int rows = (n + c - 1) / c;
  const int rowHeight = (bottom - top) / rows;
  const int y0 = top + ((bottom - top) % rows) / 2;
  for (int i = 0; i < n; ++i) {
    TsuiCheckBox* b = FButtons[size_t(i)].get();
    b->SetBounds((i / rows) * columnWidth + 8, (i % rows) * rowHeight + y0, b->Width(), b->Height());
  }
}

void TsuiCheckGroup::SetColumns(int value) {
  if (value < 1) return;
  FColumns = value;
  ArrangeItems();
}

void TsuiCheckGroup::SetTopMargin(int value) {
  if (value < 0) return;
  FTopMargin = value;
  ArrangeItems();
}

void TsuiCheckGroup::SetTransparent(bool value) {
  TsuiCustomGroupBox::SetTransparent(value);
  for (const auto& b : FButtons) b->SetTransparent(value);
}

TsuiCheckBox* TsuiCheckGroup::Button(int index) const {
  if (index < 0 || size_t(index) >= FButtons.size()) RaiseListIndexError(index);
  return FButtons[size_t(index)].get();
}

bool TsuiCheckGroup::Checked(int index) const { return Button(index)->Checked(); }

void TsuiCheckGroup::SetChecked(int index, bool value) { Button(index)->SetChecked(value); }

void TsuiCheckGroup::Click() {
  ItemClicked();
  TsuiCustomGroupBox::Click();
}

void TsuiCheckGroup::resizeEvent(QResizeEvent* event) {
  TsuiCustomGroupBox::resizeEvent(event);
  ArrangeItems();
}
