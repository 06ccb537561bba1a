#include "SUIAccessible.h"

#include "Application.h"
#include "ComCtrls.h"
#include "Forms.h"
#include "SUICheckListBox.h"
#include "SUISideChannel.h"
#include "SUITabControl.h"
#include "SUITitleBar.h"
#include "StdCtrls.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QStringList>
#include <QWindow>

bool TPaintedPartAccessible::isValid() const { return FHost && Exists(); }

QWindow* TPaintedPartAccessible::window() const {
  return FHost && FHost->window() ? FHost->window()->windowHandle() : nullptr;
}

QRect TPaintedPartAccessible::rect() const {
  if (!FHost) return {};
  const QRect place = PlaceOnHost();
  return place.isEmpty() ? QRect() : QRect(FHost->mapToGlobal(place.topLeft()), place.size());
}

TPaintedParts::~TPaintedParts() {
  for (QAccessible::Id id : FIds)
    if (id) QAccessible::deleteAccessibleInterface(id);
}

int TPaintedParts::IndexOf(const QAccessibleInterface* part) const {
  for (size_t i = 0; i < FIds.size(); ++i)
    if (FIds[i] && QAccessible::accessibleInterface(FIds[i]) == part) return int(i);
  return -1;
}

namespace {

// The names say what the button does, in the words of the window's menus.
QString TitleButtonName(TsuiTitleBarBtnType type, bool maximized) {
  switch (type) {
    case suiControlBox: return QCoreApplication::translate("TsuiTitleBar", "窗口菜单");
    case suiMin: return QCoreApplication::translate("TsuiTitleBar", "最小化");
    case suiMax:
      return maximized ? QCoreApplication::translate("TsuiTitleBar", "还原")
                       : QCoreApplication::translate("TsuiTitleBar", "最大化");
    case suiClose: return QCoreApplication::translate("TsuiTitleBar", "关闭");
    case suiHelp: return QCoreApplication::translate("TsuiTitleBar", "帮助");
    case suiCustom: break;
  }
  return QCoreApplication::translate("TsuiTitleBar", "按钮");
}

class TTitleButtonAccessible : public TPaintedPartAccessible, public TPressAccessible {
 public:
  using TPaintedPartAccessible::TPaintedPartAccessible;
  TsuiTitleBar* Bar() const { return static_cast<TsuiTitleBar*>(Host()); }
  TsuiTitleBarButton* Button() const { return Bar()->Buttons()->Items(Index()); }

  QAccessible::Role role() const override { return QAccessible::PushButton; }
  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) {
      const TForm* form = Bar()->ParentForm();
      return TitleButtonName(Button()->ButtonType(), form && form->isMaximized());
    }
    if (t == QAccessible::Accelerator && Button()->ButtonType() == suiControlBox) return QStringLiteral("Alt+Space");
    return {};
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    // A reader may still hold the part of a button that is gone.
    if (!isValid()) {
      s.invisible = true;
      return s;
    }
    if (!Button()->Visible() || !Bar()->isVisible()) s.invisible = true;
    if (Button()->ButtonType() == suiControlBox) s.hasPopup = true;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

 protected:
  bool Exists() const override { return Index() < Bar()->Buttons()->Count(); }
  QRect PlaceOnHost() const override {
    for (const auto& place : Bar()->Places().Buttons)
      if (place.Index == Index()) return place.Rect;
    return {};
  }
  // As a click on the button: its action on the window, then its event.
  void Press() override {
    if (!isValid()) return;
    TsuiTitleBar* bar = Bar();
    const TsuiTitleBarBtnType type = Button()->ButtonType();
    bar->RunButtonAction(Index());
    try {
      if (type == suiCustom && bar->OnCustomBtnsClick())
        bar->OnCustomBtnsClick()(bar, Index());
      else if (type == suiHelp && bar->OnHelpBtnClick())
        bar->OnHelpBtnClick()(bar, Index());
    } catch (...) {
      ::HandleException();
    }
  }
};

// The strip with the caption as its name and its visible buttons as children.
class TTitleBarAccessible : public QAccessibleWidget {
 public:
  explicit TTitleBarAccessible(TsuiTitleBar* bar) : QAccessibleWidget(bar, QAccessible::TitleBar) {}
  TsuiTitleBar* Bar() const { return static_cast<TsuiTitleBar*>(widget()); }

  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? Bar()->Caption() : QAccessibleWidget::text(t);
  }
  int childCount() const override { return int(Visible().size()); }
  QAccessibleInterface* child(int index) const override {
    const std::vector<int> shown = Visible();
    if (index < 0 || size_t(index) >= shown.size()) return nullptr;
    TsuiTitleBar* bar = Bar();
    const int button = shown[size_t(index)];
    return FParts.Get(button, [bar, button] { return new TTitleButtonAccessible(bar, button); });
  }
  int indexOfChild(const QAccessibleInterface* part) const override {
    const std::vector<int> shown = Visible();
    const int button = FParts.IndexOf(part);
    for (size_t i = 0; i < shown.size(); ++i)
      if (shown[i] == button) return int(i);
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const int button = Bar()->Places().ButtonAt(Bar()->mapFromGlobal(QPoint(x, y)));
    const std::vector<int> shown = Visible();
    for (size_t i = 0; i < shown.size(); ++i)
      if (shown[i] == button) return child(int(i));
    return nullptr;
  }

 private:
  // Collection numbers of the buttons drawn, left to right as the reader walks them.
  std::vector<int> Visible() const {
    std::vector<int> shown;
    for (int i = 0; i < Bar()->Buttons()->Count(); ++i)
      if (Bar()->Buttons()->Items(i)->Visible()) shown.push_back(i);
    return shown;
  }
  TPaintedParts FParts;
};

class TStatusPanelAccessible : public TPaintedPartAccessible {
 public:
  using TPaintedPartAccessible::TPaintedPartAccessible;
  TStatusBar* Bar() const { return static_cast<TStatusBar*>(Host()); }
  QAccessible::Role role() const override { return QAccessible::StaticText; }
  QString text(QAccessible::Text t) const override {
    return isValid() && t == QAccessible::Name ? Bar()->Panel(Index())->Text() : QString();
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.readOnly = true;
    if (!isValid() || !Bar()->isVisible()) s.invisible = true;
    return s;
  }

 protected:
  bool Exists() const override { return Index() < Bar()->Panels()->Count(); }
  QRect PlaceOnHost() const override { return Bar()->PanelRect(Index()); }
};

// The panels as its children; its name reads them all at once.
class TStatusBarAccessible : public QAccessibleWidget {
 public:
  explicit TStatusBarAccessible(TStatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}
  TStatusBar* Bar() const { return static_cast<TStatusBar*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    QStringList texts;
    for (int i = 0; i < Bar()->Panels()->Count(); ++i)
      if (!Bar()->Panel(i)->Text().isEmpty()) texts << Bar()->Panel(i)->Text();
    return texts.join(QStringLiteral("  "));
  }
  int childCount() const override { return Bar()->Panels()->Count(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    TStatusBar* bar = Bar();
    return FParts.Get(index, [bar, index] { return new TStatusPanelAccessible(bar, index); });
  }
  int indexOfChild(const QAccessibleInterface* part) const override { return FParts.IndexOf(part); }

 private:
  TPaintedParts FParts;
};

// A label with a click handler is a link, followed by the press action; the
// label drawn inside it is not a second object.
class TLabelAccessible : public QAccessibleWidget {
 public:
  explicit TLabelAccessible(TLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
  TLabel* Label() const { return static_cast<TLabel*>(widget()); }

  // The handler may come after the reader first asked.
  QAccessible::Role role() const override { return Label()->OnClick() ? QAccessible::Link : QAccessible::StaticText; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Label()->Caption();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (role() == QAccessible::Link) s.linked = true;
    return s;
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (Label()->OnClick()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& name) override {
    if (name == pressAction() && Label()->OnClick())
      Label()->Click();
    else
      QAccessibleWidget::doAction(name);
  }
};

class TTabAccessible : public TPaintedPartAccessible, public TPressAccessible {
 public:
  using TPaintedPartAccessible::TPaintedPartAccessible;
  TsuiTabControlTopPanel* Strip() const { return static_cast<TsuiTabControlTopPanel*>(Host()); }

  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QString text(QAccessible::Text t) const override {
    return isValid() && t == QAccessible::Name ? Strip()->Tabs().at(Index()) : QString();
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid() || !Strip()->TabVisible(Index()) || !Strip()->isVisible()) {
      s.invisible = true;
      return s;
    }
    s.selectable = true;
    s.selected = Strip()->TabIndex() == Index();
    s.focused = s.selected && Strip()->hasFocus();
    if (!Strip()->isEnabled()) s.disabled = true;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

 protected:
  bool Exists() const override { return Index() < Strip()->Tabs().size(); }
  QRect PlaceOnHost() const override {
    const TsuiTabStripLayout layout = TsuiTabControlTopPanel::LayOut(Strip()->State());
    const size_t i = size_t(Index());
    if (i >= layout.Widths.size() || layout.Widths[i] == 0) return {};
    return QRect(layout.Lefts[i], 0, layout.Widths[i], layout.ActiveHeight);
  }
  // As a click on the tab: the control may refuse the change.
  void Press() override {
    if (isValid() && Strip()->isEnabled()) Strip()->SelectTab(Index());
  }
};

// The painted tabs, with the one shown selected.
class TTabStripAccessible : public QAccessibleWidget {
 public:
  explicit TTabStripAccessible(TsuiTabControlTopPanel* strip) : QAccessibleWidget(strip, QAccessible::PageTabList) {}
  TsuiTabControlTopPanel* Strip() const { return static_cast<TsuiTabControlTopPanel*>(widget()); }

  int childCount() const override { return int(Strip()->Tabs().size()); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    TsuiTabControlTopPanel* strip = Strip();
    return FParts.Get(index, [strip, index] { return new TTabAccessible(strip, index); });
  }
  int indexOfChild(const QAccessibleInterface* part) const override { return FParts.IndexOf(part); }
  QAccessibleInterface* childAt(int x, int y) const override {
    return child(TsuiTabControlTopPanel::LayOut(Strip()->State()).TabAt(Strip()->mapFromGlobal(QPoint(x, y))));
  }

 private:
  TPaintedParts FParts;
};

class TCheckItemAccessible : public TPaintedPartAccessible, public QAccessibleActionInterface {
 public:
  using TPaintedPartAccessible::TPaintedPartAccessible;
  TsuiCheckListBox* List() const { return static_cast<TsuiCheckListBox*>(Host()); }

  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QString text(QAccessible::Text t) const override {
    return isValid() && t == QAccessible::Name ? List()->item(Index())->text() : QString();
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invisible = true;
      return s;
    }
    s.checkable = true;
    s.checked = List()->Checked(Index());
    s.selectable = true;
    s.selected = List()->item(Index())->isSelected();
    s.disabled = !List()->ItemEnabled(Index()) || !List()->isEnabled();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override { return {toggleAction()}; }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
  // As a click on the tick, the list's event included.
  void doAction(const QString& name) override {
    if (name == toggleAction() && isValid() && List()->isEnabled()) List()->Toggle(Index());
  }

 protected:
  bool Exists() const override { return Index() < List()->count(); }
  QRect PlaceOnHost() const override {
    const QRect r = List()->visualItemRect(List()->item(Index()));
    return QRect(List()->viewport()->mapTo(List(), r.topLeft()), r.size());
  }
};

// The items with their ticks: checked or not, and toggled as a click does.
class TCheckListAccessible : public QAccessibleWidget {
 public:
  explicit TCheckListAccessible(TsuiCheckListBox* list) : QAccessibleWidget(list, QAccessible::List) {}
  TsuiCheckListBox* List() const { return static_cast<TsuiCheckListBox*>(widget()); }

  int childCount() const override { return List()->count(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    TsuiCheckListBox* list = List();
    return FParts.Get(index, [list, index] { return new TCheckItemAccessible(list, index); });
  }
  int indexOfChild(const QAccessibleInterface* part) const override { return FParts.IndexOf(part); }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QListWidgetItem* item = List()->itemAt(List()->viewport()->mapFromGlobal(QPoint(x, y)));
    return item ? child(List()->row(item)) : nullptr;
  }

 private:
  TPaintedParts FParts;
};

// The sliding panel: named by its caption, open or folded to its bar; the
// press action opens or folds it as the bar does.
class TSideChannelAccessible : public QAccessibleWidget {
 public:
  explicit TSideChannelAccessible(TsuiSideChannel* channel) : QAccessibleWidget(channel, QAccessible::Pane) {}
  TsuiSideChannel* Channel() const { return static_cast<TsuiSideChannel*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Channel()->Caption();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = Channel()->IsOpen();
    s.collapsed = !s.expanded;
    return s;
  }
  QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
  void doAction(const QString& name) override {
    if (name != pressAction()) return QAccessibleWidget::doAction(name);
    if (Channel()->IsOpen())
      Channel()->Push(true);
    else
      Channel()->Pop(true);
  }
};

// The window: a frame with its caption as name.
class TFormAccessible : public QAccessibleWidget {
 public:
  explicit TFormAccessible(TForm* form) : QAccessibleWidget(form, QAccessible::Window) {}
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? widget()->windowTitle() : QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* SkinAccessibleFactory(const QString&, QObject* object) {
  if (auto* bar = qobject_cast<TsuiTitleBar*>(object)) return new TTitleBarAccessible(bar);
  if (auto* strip = qobject_cast<TsuiTabControlTopPanel*>(object)) return new TTabStripAccessible(strip);
  if (auto* ticks = qobject_cast<TsuiCheckListBox*>(object)) return new TCheckListAccessible(ticks);
  if (auto* channel = qobject_cast<TsuiSideChannel*>(object)) return new TSideChannelAccessible(channel);
  if (auto* status = qobject_cast<TStatusBar*>(object)) return new TStatusBarAccessible(status);
  if (auto* label = qobject_cast<TLabel*>(object)) return new TLabelAccessible(label);
  if (auto* form = qobject_cast<TForm*>(object); form && form->isWindow()) return new TFormAccessible(form);
  return nullptr;
}

}  // namespace

void InstallSkinAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(SkinAccessibleFactory);
    return true;
  }();
  (void)installed;
}
