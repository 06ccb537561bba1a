#include "SUIPageControl.h"

#include <algorithm>

// ---- TsuiTabSheet ----

TsuiTabSheet::TsuiTabSheet(TComponent* owner) : TControlOf<QWidget>(owner) {}

TsuiTabSheet::~TsuiTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

void TsuiTabSheet::SetCaption(const QString& value) {
  if (value == FCaption) return;
  FCaption = value;
  if (FPageControl) FPageControl->PageChanged();
}

void TsuiTabSheet::SetTabVisible(bool value) {
  if (value == FTabVisible) return;
  FTabVisible = value;
  if (FPageControl) FPageControl->PageChanged();
}

int TsuiTabSheet::PageIndex() const { return FPageControl ? FPageControl->IndexOfPage(this) : -1; }

void TsuiTabSheet::SetPageIndex(int value) {
  if (FPageControl) FPageControl->MovePage(this, value);
}

void TsuiTabSheet::SetPageControl(TsuiPageControl* value) {
  if (value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  FPageControl = nullptr;
  if (!value) {
    hide();
    return;
  }
  if (parentWidget() != value) setParent(value);
  FPageControl = value;
  value->InsertPage(this);
}

void TsuiTabSheet::ApplyThemeUIStyle(TsuiUIStyle style) {
  FUIStyle = style;
  ApplyUIStyleToChildren(this, style);
}

// ---- TsuiPageControl ----

TsuiPageControl::TsuiPageControl(TComponent* owner) : TsuiTab(owner) {
  InitTab(owner);
  TopPanel()->SetTabs({});
}

TsuiPageControl::~TsuiPageControl() {
  // The sheets' widgets go with this one, after it stopped being a page control.
  for (TsuiTabSheet* sheet : FPages) sheet->FPageControl = nullptr;
  FPages.clear();
}

TsuiTabControlTopPanel* TsuiPageControl::CreateTopPanel() { return new TsuiTabControlTopPanel(this); }

TsuiTabSheet* TsuiPageControl::Pages(int index) const {
  return index >= 0 && index < PageCount() ? FPages[size_t(index)] : nullptr;
}

int TsuiPageControl::IndexOfPage(const TsuiTabSheet* sheet) const {
  const auto it = std::find(FPages.begin(), FPages.end(), sheet);
  return it == FPages.end() ? -1 : int(it - FPages.begin());
}

void TsuiPageControl::SetActivePage(TsuiTabSheet* value) {
  if (Loading()) FStoredActivePage = value;
  if (value && value->FPageControl != this) return;
  if (!value && !FPages.empty()) return;
  TopPanel()->SetTabIndex(IndexOfPage(value));
}

void TsuiPageControl::SetActivePageIndex(int value) { SetActivePage(Pages(value)); }

QStringList TsuiPageControl::PageNames() const {
  QStringList names;
  for (const TsuiTabSheet* sheet : FPages) names << sheet->Name();
  return names;
}

void TsuiPageControl::SetPageNames(const QStringList& value) {
  FStoredOrder = value;
  if (!Loading()) ApplyStoredOrder();
}

void TsuiPageControl::MovePage(TsuiTabSheet* sheet, int index) {
  const int from = IndexOfPage(sheet);
  if (from < 0) return;
  index = std::clamp(index, 0, PageCount() - 1);
  if (index == from) return;
  FPages.erase(FPages.begin() + from);
  FPages.insert(FPages.begin() + index, sheet);
  PageChanged();
}

void TsuiPageControl::InsertPage(TsuiTabSheet* sheet) {
  FPages.push_back(sheet);
  sheet->hide();
  PageChanged();
}

void TsuiPageControl::RemovePage(TsuiTabSheet* sheet) {
  const int index = IndexOfPage(sheet);
  if (index < 0) return;
  FPages.erase(FPages.begin() + index);
  if (FStoredActivePage == sheet) FStoredActivePage = nullptr;
  if (FActivePage != sheet) {
    PageChanged();
    return;
  }
  // The neighbour that takes the removed page's place, right first.
  TsuiTabSheet* next = nullptr;
  for (int i = index; i < PageCount() && !next; ++i)
    if (FPages[size_t(i)]->TabVisible()) next = FPages[size_t(i)];
  for (int i = index - 1; i >= 0 && !next; --i)
    if (FPages[size_t(i)]->TabVisible()) next = FPages[size_t(i)];
  FActivePage = next;
  PageChanged();
  // No events into a window that is being torn down.
  const bool closing = Destroying() || (Owner() && Owner()->Destroying());
  if (!closing) TsuiTab::TabActivated(ActivePageIndex());
}

void TsuiPageControl::PageChanged() {
  // The strip mirrors the pages; rebuilding it must not move the active page.
  FUpdating = true;
  QStringList captions;
  for (const TsuiTabSheet* sheet : FPages) captions << sheet->Caption();
  TopPanel()->SetTabs(captions);
  for (int i = 0; i < PageCount(); ++i) TopPanel()->SetTabVisible(i, FPages[size_t(i)]->TabVisible());
  TopPanel()->SetTabIndex(ActivePageIndex());
  FUpdating = false;
  if (FActivePage && !FActivePage->TabVisible()) {
    const int next = TopPanel()->NeighbourTab(true);
    TopPanel()->SetTabIndex(next);
  } else if (!FActivePage) {
    for (TsuiTabSheet* sheet : FPages)
      if (sheet->TabVisible()) {
        TopPanel()->SetTabIndex(IndexOfPage(sheet));
        break;
      }
  }
  ShowPage(ActivePageIndex());
}

void TsuiPageControl::TabActivated(int tabIndex) {
  if (FUpdating) return;
  TsuiTabSheet* page = Pages(tabIndex);
  if (page && !page->TabVisible()) page = nullptr;
  FActivePage = page;
  ShowPage(ActivePageIndex());
  TsuiTab::TabActivated(tabIndex);
}

void TsuiPageControl::ShowPage(int index) {
  PlaceSheets();
  for (int i = 0; i < PageCount(); ++i)
    if (i != index) FPages[size_t(i)]->hide();
  if (TsuiTabSheet* page = Pages(index)) {
    page->show();
    page->raise();
  }
}

void TsuiPageControl::PlaceSheets() {
  const QRect body = BodyRect();
  for (TsuiTabSheet* sheet : FPages) sheet->setGeometry(body);
}

void TsuiPageControl::ApplyStoredOrder() {
  if (!FStoredOrder.isEmpty()) {
    std::stable_sort(FPages.begin(), FPages.end(), [this](const TsuiTabSheet* a, const TsuiTabSheet* b) {
      auto rank = [this](const TsuiTabSheet* s) {
        const qsizetype i = FStoredOrder.indexOf(s->Name());
        return i < 0 ? FStoredOrder.size() : i;
      };
      return rank(a) < rank(b);
    });
    FStoredOrder.clear();
  }
  PageChanged();
}

void TsuiPageControl::Loaded() {
  // Still loading here, so settling the stored page raises no events.
  TsuiTabSheet* active = FStoredActivePage;
  ApplyStoredOrder();
  if (active && active->FPageControl == this) SetActivePage(active);
  FStoredActivePage = nullptr;
  TsuiTab::Loaded();
}

void TsuiPageControl::ApplyUIStyle(TsuiUIStyle style) {
  TsuiTab::ApplyUIStyle(style);
  for (TsuiTabSheet* sheet : FPages) sheet->ApplyThemeUIStyle(style);
}

void TsuiPageControl::resizeEvent(QResizeEvent* event) {
  TsuiTab::resizeEvent(event);
  PlaceSheets();
}
