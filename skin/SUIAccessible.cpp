#include "SUIAccessible.h"

#include "Application.h"
#include "ComCtrls.h"
#include "Forms.h"
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

QString Translate(const char* text) { return QCoreApplication::translate("TsuiTitleBar", text); }

// The names say what the button does, in the words of the window's menus.
QString TitleButtonName(TsuiTitleBarBtnType type, bool maximized) {
  switch (type) {
    case suiControlBox: return Translate("窗口菜单");
    case suiMin: return Translate("最小化");
    case suiMax: return maximized ? Translate("还原") : Translate("最大化");
    case suiClose: return Translate("关闭");
    case suiHelp: return Translate("帮助");
    case suiCustom: break;
  }
  return Translate("按钮");
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
    if (!isValid() || !Button()->Visible() || !Bar()->isVisible()) s.invisible = true;
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
