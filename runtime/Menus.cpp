#include "Menus.h"

#include "Application.h"
#include "Exceptions.h"

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>

// A drop-down of a menu item. While its menu is owner-drawn, the menu
// measures and paints the items; Qt keeps the keyboard, the mouse and the
// accessibility of the drop-down.
class TMenuWidget : public QMenu {
 public:
  explicit TMenuWidget(TMenuItem* item);
  TMenuItem* Item() const { return FItem; }
  // The item whose style option Qt built last: it measures or paints next.
  TMenuItem* Current() const { return FCurrent; }
  TMenu* OwnerDrawingMenu() const {
    TMenu* menu = FItem->GetParentMenu();
    return menu && menu->OwnerDraw() ? menu : nullptr;
  }

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
    QMenu::initStyleOption(option, action);
    FCurrent = nullptr;
    for (int i = 0; i < FItem->Count(); ++i)
      if (FItem->Items(i)->Action() == action) FCurrent = FItem->Items(i);
  }

 private:
  TMenuItem* FItem;
  mutable TMenuItem* FCurrent = nullptr;
};

namespace {

class TMenuStyle : public QProxyStyle {
 public:
  static TMenuWidget* OwnerDrawn(const QWidget* widget) {
    auto* menu = dynamic_cast<TMenuWidget*>(const_cast<QWidget*>(widget));
    return menu && menu->OwnerDrawingMenu() ? menu : nullptr;
  }

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    TMenuWidget* menu = type == CT_MenuItem ? OwnerDrawn(widget) : nullptr;
    if (!menu || !menu->Current()) return QProxyStyle::sizeFromContents(type, option, size, widget);
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter painter(&scratch);
    TCanvas canvas(painter);
    int width = size.width(), height = size.height();
    menu->OwnerDrawingMenu()->MeasureItem(menu->Current(), canvas, width, height);
    return {width, height};
  }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    TMenuWidget* menu = OwnerDrawn(widget);
    if (menu && element == CE_MenuItem && menu->Current()) {
      painter->save();
      TCanvas canvas(*painter);
      menu->OwnerDrawingMenu()->DrawItem(menu->Current(), canvas, option->rect, option->state & State_Selected);
      painter->restore();
      return;
    }
    if (menu && element == CE_MenuEmptyArea) {
      menu->OwnerDrawingMenu()->DrawBackground(*painter, option->rect);
      return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (TMenuWidget* menu = OwnerDrawn(widget)) {
      if (element == PE_PanelMenu) {
        menu->OwnerDrawingMenu()->DrawBackground(*painter, option->rect);
        return;
      }
      if (element == PE_FrameMenu) {
        menu->OwnerDrawingMenu()->DrawFrame(*painter, option->rect);
        return;
      }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (TMenuWidget* menu = OwnerDrawn(widget)) {
      switch (metric) {
        case PM_MenuPanelWidth: return menu->OwnerDrawingMenu()->FrameWidth();
        case PM_MenuHMargin:
        case PM_MenuVMargin:
        case PM_MenuDesktopFrameWidth: return 0;
        default: break;
      }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    // An owner-drawn menu shows a disabled item under the pointer too.
    if (hint == SH_Menu_AllowActiveAndDisabled && OwnerDrawn(widget)) return 1;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace

TMenuWidget::TMenuWidget(TMenuItem* item) : FItem(item) {
  auto* style = new TMenuStyle;
  style->setParent(this);  // outlives the widget's own use of it
  setStyle(style);
}

// ---- TMenuItem ----

namespace {

bool IsShortCutText(const QString& text) {
  if (text.isEmpty()) return true;
  const QKeySequence keys = QKeySequence::fromString(text, QKeySequence::PortableText);
  if (keys.isEmpty()) return false;
  for (int i = 0; i < keys.count(); ++i)
    if (keys[i].key() == Qt::Key_unknown) return false;
  return true;
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : QObject(nullptr), TComponent(owner), FAction(std::make_unique<QAction>()) {
  QObject::connect(FAction.get(), &QAction::triggered, this, [this] {
    // Qt turns a checkable action over itself; Checked decides.
    FAction->setChecked(FChecked);
    Click();
  });
}

TMenuItem::~TMenuItem() {
  Detach();
  FAction->setMenu(nullptr);
  for (TMenuItem* item : FItems) item->FParent = nullptr;
  FItems.clear();
  if (FSubMenu) FSubMenu->clear();
}

void TMenuItem::Detach() {
  if (FParent) FParent->Remove(this);
}

void TMenuItem::SyncAction() {
  FAction->setSeparator(IsLine());
  FAction->setText(FCaption);
  FAction->setCheckable(FChecked);
  FAction->setChecked(FChecked);
  FAction->setEnabled(FEnabled);
  FAction->setVisible(FVisible);
  QFont font = FAction->font();
  font.setBold(FDefault);
  FAction->setFont(font);
  FAction->setShortcut(QKeySequence::fromString(FShortCut, QKeySequence::PortableText));
  FAction->setStatusTip(FHint);
  FAction->setToolTip(FHint);
}

void TMenuItem::Changed(bool structure) {
  SyncAction();
  if (TMenu* menu = GetParentMenu()) menu->ItemChanged(this, structure);
}

void TMenuItem::SetCaption(const QString& value) {
  if (value == FCaption) return;
  const bool wasLine = IsLine();
  FCaption = value;
  Changed(wasLine != IsLine());
}

void TMenuItem::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  Changed(false);
}

void TMenuItem::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  Changed(false);
}

void TMenuItem::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Changed(false);
}

void TMenuItem::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed(true);
}

void TMenuItem::SetShortCut(const QString& value) {
  if (value == FShortCut) return;
  if (!IsShortCutText(value)) throw EConvertError(QStringLiteral("\"%1\" is not a valid short cut.").arg(value));
  FShortCut = value;
  Changed(false);
}

QString TMenuItem::ShortCutText() const { return FAction->shortcut().toString(QKeySequence::NativeText); }

void TMenuItem::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  Changed(false);
}

void TMenuItem::SetHint(const QString& value) {
  if (value == FHint) return;
  FHint = value;
  Changed(false);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  const auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  Assert(item != nullptr && item != this, "Menus", "Item");
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == item) throw EMenuError(QStringLiteral("A menu item cannot be placed inside itself."));
  item->Detach();
  if (index < 0 || index > Count()) index = Count();
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  ItemsChanged();
}

void TMenuItem::Remove(TMenuItem* item) {
  const int i = IndexOf(item);
  if (i < 0) return;
  FItems.erase(FItems.begin() + i);
  item->FParent = nullptr;
  ItemsChanged();
}

void TMenuItem::ItemsChanged() {
  FSubMenuDirty = true;
  if (FSubMenu) SubMenu();  // rebuilt now, so an open drop-down shows the change
  FAction->setMenu(FItems.empty() ? nullptr : SubMenu());
  if (TMenu* menu = GetParentMenu()) menu->ItemChanged(this, true);
}

QMenu* TMenuItem::SubMenu() {
  if (!FSubMenu) FSubMenu = std::make_unique<TMenuWidget>(this);
  if (FSubMenuDirty) {
    FSubMenuDirty = false;
    FSubMenu->clear();
    for (TMenuItem* item : FItems) FSubMenu->addAction(item->Action());
    FSubMenu->setTitle(FCaption);
  }
  return FSubMenu.get();
}

void TMenuItem::InvalidateLayout() {
  if (FSubMenu) {
    QEvent changed(QEvent::StyleChange);
    QCoreApplication::sendEvent(FSubMenu.get(), &changed);
  }
  for (TMenuItem* item : FItems) item->InvalidateLayout();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->FParent) root = root->FParent;
  return root->FMenu;
}

TComponent* TMenuItem::ParentComponent() const {
  if (!FParent) return nullptr;
  if (FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* menu = dynamic_cast<TMenu*>(parent))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(parent))
    item->Add(this);
}

void TMenuItem::Click() {
  if (FAutoCheck) SetChecked(!FChecked);
  if (!FOnClick) return;
  try {
    FOnClick(this);
  } catch (...) {
    ::HandleException();
  }
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : QObject(nullptr), TComponent(owner), FItems(std::make_unique<TMenuItem>(nullptr)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  // The items are the form's; they outlive the menu without it.
  FItems.reset();
}

void TMenu::SetOwnerDraw(bool value) {
  if (value == FOwnerDraw) return;
  FOwnerDraw = value;
  UpdateItems();
  ItemChanged(FItems.get(), false);
}

void TMenu::UpdateItems() { FItems->InvalidateLayout(); }

void TMenu::MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) {
  if (item->OnMeasureItem()) item->OnMeasureItem()(item, canvas, width, height);
}

void TMenu::DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) {
  if (item->OnAdvancedDrawItem()) item->OnAdvancedDrawItem()(item, canvas, rect, selected);
}

void TMenu::DrawBackground(QPainter& painter, const QRect& rect) { painter.fillRect(rect, Qt::white); }

void TMenu::DrawFrame(QPainter& painter, const QRect& rect) {
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void TMenu::ItemChanged(TMenuItem* item, bool structure) {
  if (FOnChange) FOnChange(this, structure);
  (void)item;
}

// ---- TPopupMenu ----

void TPopupMenu::Popup(int x, int y) {
  if (FOnPopup) {
    try {
      FOnPopup(this);
    } catch (...) {
      ::HandleException();
      return;
    }
  }
  Menu()->popup(QPoint(x, y));
}
