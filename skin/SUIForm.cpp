#include "SUIForm.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "Forms.h"
#include "SUIMenu.h"
#include "SUIPublic.h"

#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

Qt::Edges FormEdgesAt(QPoint point, QSize client) {
  const int x = point.x(), y = point.y(), cw = client.width(), ch = client.height();
  if (x <= 4 && y <= 4) return Qt::TopEdge | Qt::LeftEdge;
  if (x > cw - 5 && y < 5) return Qt::TopEdge | Qt::RightEdge;
  if (x > cw - 5 && y > ch - 5) return Qt::BottomEdge | Qt::RightEdge;
  if (x < 5 && y > ch - 5) return Qt::BottomEdge | Qt::LeftEdge;
  if (x <= 4) return Qt::LeftEdge;
  if (y <= 4) return Qt::TopEdge;
  if (x > cw - 5) return Qt::RightEdge;
  if (y > ch - 5) return Qt::BottomEdge;
  return {};
}

namespace {

// Qt's menu bar keys with Alt alone as well, and items light up under the pointer.
class TMenuBarStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_MenuBar_AltKeyNavigation || hint == SH_MenuBar_MouseTracking) return 1;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_MenuBarPanelWidth || metric == PM_MenuBarVMargin) return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuBarItem && widget) s.setHeight(widget->height());
    return s;
  }
};

bool HasOtherFrame(const TForm* form, const TsuiForm* self) {
  for (QObject* child : form->children())
    if (auto* frame = qobject_cast<TsuiForm*>(child); frame && frame != self) return true;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* frame = dynamic_cast<TsuiForm*>(form->Components(i)); frame && frame != self) return true;
  return false;
}

}  // namespace

TsuiForm::TsuiForm(TComponent* owner) : TPanel(owner), FForm(dynamic_cast<TForm*>(owner)) {
  // Checked before the window is touched, so a refused frame leaves it as it was.
  if (FForm && HasOtherFrame(FForm, this))
    throw Exception(QStringLiteral("Sorry, You can create only one TsuiForm component in one form!"));
  const bool designing = FForm && FForm->Designing();
  if (FForm && !designing) FForm->setMinimumSize(125, 50);

  FTitleBar = new TsuiTitleBar(this);
  FTitleBar->setParent(this);
  FMenuBarColor = TPanel::Color();
  FMenuBarHeight = 22;
  if (FForm) FFormBorderStyle = FForm->BorderStyle();
  setMouseTracking(true);
  UpdateLayout();
  SetUIStyle(DeepBlue);
  SetAlign(alNone);
  if (FForm) SetCaption(FForm->Caption());

  if (FForm && !designing) {
    if (const QRect work = GetWorkArea(); !work.isEmpty()) FForm->setMaximumSize(work.size());
    FForm->SetBorderStyle(bsNone);
    FForm->setMouseTracking(true);
    FForm->installEventFilter(this);
    FTitleBar->AttachToFrame(FForm, FFormBorderStyle == bsSizeable);
  }
}

TsuiForm::~TsuiForm() {
  if (FForm) FForm->removeEventFilter(this);
  if (auto* menu = dynamic_cast<IsuiFramedMenu*>(FMenu)) menu->SetForm(nullptr);
}

TsuiMenuBar::TsuiMenuBar(TsuiForm* frame) : TControlOf<QMenuBar>(frame), FFrame(frame) {
  setNativeMenuBar(false);
  auto* style = new TMenuBarStyle;
  style->setParent(this);  // outlives the bar's own use of it
  setStyle(style);
  setMouseTracking(true);
  SetAlign(alTop);
}

void TsuiMenuBar::Rebuild(TMenu* menu) {
  clear();
  if (!menu) return;
  TMenuItem* items = menu->Items();
  for (int i = 0; i < items->Count(); ++i) addAction(items->Items(i)->Action());
  update();
}

void TsuiMenuBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const TsuiUIStyle style = FFrame->MenuStyle();
  DrawMenuBarBackground(p, rect(), style, FFrame->MenuBarColor());
  const auto* look = dynamic_cast<const TsuiMenuLook*>(FFrame->Menu());
  const TsuiMenuBarColors colors = MenuBarColors(style, look);
  const QColor text = ToQColor(look ? look->FontColor() : clMenuText);
  p.setFont(font());
  for (QAction* action : actions()) {
    const QRect r = actionGeometry(action);
    if (!action->isVisible() || r.isEmpty()) continue;
    const bool hot = action == activeAction() && action->isEnabled();
    if (hot) {
      DrawMenuBarButton(p, r, style, colors, action->text(), action->menu() && action->menu()->isVisible());
    } else {
      p.setPen(action->isEnabled() ? text : ToQColor(clGrayText));
      p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, action->text());
    }
  }
}

void TsuiForm::SetMenu(TMainMenu* value) {
  if (value == FMenu) return;
  if (FMenu) {
    RemoveFreeNotification(FMenu);
    if (auto* old = dynamic_cast<IsuiFramedMenu*>(FMenu)) old->SetForm(nullptr);
  }
  FMenu = value;
  if (!value) {
    FreeMenuBar();
    return;
  }
  FreeNotification(value);
  if (auto* menu = dynamic_cast<IsuiFramedMenu*>(value)) menu->SetForm(this);
  if (!FMenuBar) {
    FMenuBar = new TsuiMenuBar(this);
    FMenuBar->setParent(this);
    FMenuBar->SetHeight(FMenuBarHeight);
    // The title bar stays above the menu bar.
    FMenuBar->lower();
    FTitleBar->lower();
    FMenuBar->show();
  }
  MenuChanged(true);
}

void TsuiForm::FreeMenuBar() {
  delete FMenuBar;
  FMenuBar = nullptr;
  UpdateLayout();
}

void TsuiForm::MenuChanged(bool structure) {
  if (!FMenuBar) return;
  if (structure) FMenuBar->Rebuild(FMenu);
  UpdateMenuBarFont();
  FMenuBar->update();
}

void TsuiForm::UpdateMenuBarFont() {
  TFont font;
  if (auto* menu = dynamic_cast<TsuiMenuLook*>(FMenu))
    menu->ItemFont(font);
  else
    SetSystemMenuFont(&font);
  FMenuBar->Font()->Assign(&font);
}

TsuiUIStyle TsuiForm::MenuStyle() const {
  if (auto* menu = dynamic_cast<const TsuiMenuLook*>(FMenu)) return menu->UIStyle();
  return FUIStyle;
}

void TsuiForm::SetMenuBarColor(TColor value) {
  FMenuBarColor = value;
  if (FMenuBar) FMenuBar->update();
}

void TsuiForm::SetMenuBarHeight(int value) {
  FMenuBarHeight = value;
  if (!FMenuBar) return;
  FMenuBar->SetHeight(value);
  UpdateLayout();
}

void TsuiForm::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  if (value == Custom) return;
  SetBorderColor(GetThemeColor(value, teFormBorderColor));
  SetBorderWidth(GetThemeInt(value, teFormBorderWidth));
  SetColor(GetThemeColor(value, teFormColor));
  FMenuBarColor = TPanel::Color();
  FTitleBar->SetUIStyle(value);
  if (auto* menu = dynamic_cast<TsuiMenuLook*>(FMenu); menu && menu->UIStyle() != Custom) menu->SetUIStyle(value);
  if (FMenuBar) FMenuBar->update();
  if (FUIStyleAutoUpdateSub) {
    ApplyUIStyleToContainers(this, value);
    ApplyUIStyleToChildren(this, value);
  }
  LoadBackground();
  UpdateLayout();
  update();
  if (FForm) FForm->update();
}

void TsuiForm::LoadBackground() {
  const char* tile = FUIStyle == Protein ? "PROTEIN_FORM_BACKGROUND"
                     : FUIStyle == MacOS ? "MACOS_FORM_BACKGROUND"
                                         : nullptr;
  if (tile)
    LoadSkinBitmap(FBackground, 0, QString::fromLatin1(tile));
  else
    FBackground.Clear();
}

void TsuiForm::SetBorderColor(TColor value) {
  if (value == FBorderColor) return;
  FBorderColor = value;
  UpdateLayout();
  if (FForm) FForm->update();
}

void TsuiForm::SetBorderWidth(int value) {
  if (value == FBorderWidth) return;
  const int width = Width(), height = Height();
  FBorderWidth = value;
  ApplySize(width, height);
  if (FForm) FForm->update();
}

bool TsuiForm::TitleBarVisible() const { return FTitleBar->Visible(); }

void TsuiForm::SetTitleBarVisible(bool value) {
  if (value == FTitleBar->Visible()) return;
  FTitleBar->SetVisible(value);
  UpdateLayout();
  if (FForm) FForm->update();
}

void TsuiForm::SetColor(TColor value) {
  TPanel::SetColor(value);
  update();
}

QString TsuiForm::Caption() const { return FTitleBar->Caption(); }

void TsuiForm::SetCaption(const QString& value) {
  FTitleBar->SetCaption(value);
  if (FForm) FForm->SetCaption(value);
}

void TsuiForm::SetFormPanel(TPanel* value) {
  if (value == this) {
    ShowError(QStringLiteral("Sorry, you can't select the Form assign to FormPanel property"));
    return;
  }
  if (value == FFormPanel) return;
  if (FFormPanel) RemoveFreeNotification(FFormPanel);
  FFormPanel = value;
  if (!value) return;
  FreeNotification(value);
  value->SetAlign(alClient);
  value->SetCaption(QString());
}

TsuiTitleBarButtons* TsuiForm::TitleBarButtons() const { return FTitleBar->Buttons(); }
TsuiTitleBarSections* TsuiForm::TitleBarSections() const { return FTitleBar->Sections(); }
bool TsuiForm::TitleBarDrawAppIcon() const { return FTitleBar->DrawAppIcon(); }
void TsuiForm::SetTitleBarDrawAppIcon(bool value) { FTitleBar->SetDrawAppIcon(value); }
TFont* TsuiForm::Font() const { return FTitleBar->Font(); }
int TsuiForm::RoundCorner() const { return FTitleBar->RoundCorner(); }
void TsuiForm::SetRoundCorner(int value) { FTitleBar->SetRoundCorner(value); }

const TsuiTitleBarButtonClickEvent& TsuiForm::OnTitleBarCustomBtnsClick() const {
  return FTitleBar->OnCustomBtnsClick();
}
void TsuiForm::SetOnTitleBarCustomBtnsClick(TsuiTitleBarButtonClickEvent handler) {
  FTitleBar->SetOnCustomBtnsClick(std::move(handler));
}
const TsuiTitleBarButtonClickEvent& TsuiForm::OnTitleBarHelpBtnClick() const { return FTitleBar->OnHelpBtnClick(); }
void TsuiForm::SetOnTitleBarHelpBtnClick(TsuiTitleBarButtonClickEvent handler) {
  FTitleBar->SetOnHelpBtnClick(std::move(handler));
}

void TsuiForm::SetWindowRequests(TsuiWindowRequests* requests) {
  FRequests = requests;
  FTitleBar->SetWindowRequests(requests);
}

void TsuiForm::SetWidth(int value) {
  if (!FForm) {
    TPanel::SetBounds(Left(), Top(), value, Height());
    return;
  }
  FForm->resize(std::max(value, 0) + 2 * FBorderWidth, FForm->height());
  UpdateLayout();
}

// One and a half borders, not two: the title bar covers the top one.
void TsuiForm::SetHeight(int value) {
  if (!FForm) {
    TPanel::SetBounds(Left(), Top(), Width(), value);
    return;
  }
  // The window is the frame plus the borders the layout leaves around it, so
  // a height written and read back stays the same for any border width.
  const int top = FTitleBar->Visible() ? 0 : FBorderWidth;
  FForm->resize(FForm->width(), std::max(value, 0) + FBorderWidth + top);
  UpdateLayout();
}

// On a window the frame's place is always the window's inside; a size
// given to the frame sizes the window.
void TsuiForm::SetBounds(int left, int top, int width, int height) {
  if (!FForm) {
    TPanel::SetBounds(left, top, width, height);
    return;
  }
  if (width != Width()) SetWidth(width);
  if (height != Height()) SetHeight(height);
  UpdateLayout();
}

void TsuiForm::ApplySize(int width, int height) {
  SetWidth(width);
  SetHeight(height);
}

void TsuiForm::UpdateLayout() {
  // While the window frees its components (its menu among them) it is no
  // longer a form: nothing to lay out.
  if (!FForm || Owner()->Destroying()) return;
  const int b = FBorderWidth;
  const int top = FTitleBar->Visible() ? 0 : b;
  setGeometry(b, top, std::max(FForm->ClientWidth() - 2 * b, 0), std::max(FForm->ClientHeight() - b - top, 0));
  // Also while hidden, when no resize event comes yet.
  AlignChildControls(this);
}

void TsuiForm::DrawBorder(QPainter& painter) const {
  const int b = FBorderWidth;
  if (b <= 0) return;
  const int cw = FForm->ClientWidth(), ch = FForm->ClientHeight();
  const QColor colour = ToQColor(FBorderColor);
  painter.fillRect(QRect(0, 0, b, ch), colour);
  painter.fillRect(QRect(0, ch - b, cw, b), colour);
  painter.fillRect(QRect(cw - b, 0, b, ch), colour);
  // The title bar covers the top border; it shows only when the bar is hidden.
  painter.setPen(QPen(colour, b, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(0, 0, cw, 0);
}

void TsuiForm::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // The tile is the style's; Custom (and every style without one) fills with Color.
  // A child's repaint asks for the part under it only.
  if ((FUIStyle == Protein || FUIStyle == MacOS) && !FBackground.Empty())
    DrawTiled(painter, FBackground, rect(), event->rect());
  else
    painter.fillRect(event->rect(), ToQColor(Color()));
}

Qt::Edges TsuiForm::EdgesOnWindow(QPoint formPoint) const {
  if (!FForm || FFormBorderStyle != bsSizeable || FForm->isMaximized()) return {};
  return FormEdgesAt(formPoint, FForm->size());
}

// The pointer over the window's own pixels or the frame's: the sizing
// cursor near an edge, and a press there sizes the window.
bool TsuiForm::PointerOnWindow(QWidget* shown, QPoint formPoint, bool press) {
  const Qt::Edges edges = EdgesOnWindow(formPoint);
  if (press) {
    if (edges) (FRequests ? *FRequests : FTitleBar->WindowRequests()).StartResize(FForm, edges);
  } else if (edges) {
    shown->setCursor(EdgeCursor(edges));
  } else {
    shown->unsetCursor();
  }
  return edges != Qt::Edges();
}

void TsuiForm::mouseMoveEvent(QMouseEvent* event) {
  if (FForm) PointerOnWindow(this, mapTo(FForm, event->position().toPoint()), false);
  TPanel::mouseMoveEvent(event);
}

void TsuiForm::mousePressEvent(QMouseEvent* event) {
  if (FForm && event->button() == Qt::LeftButton &&
      PointerOnWindow(this, mapTo(FForm, event->position().toPoint()), true))
    return;
  TPanel::mousePressEvent(event);
}

void TsuiForm::mouseReleaseEvent(QMouseEvent* event) {
  TPanel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}

bool TsuiForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FForm) return TPanel::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress: break;
    default: return false;
  }
  // The window's own handling first, then the frame's.
  static_cast<QObject*>(FForm)->event(event);
  switch (event->type()) {
    case QEvent::Paint: {
      QPainter painter(FForm);
      DrawBorder(painter);
      break;
    }
    case QEvent::Resize:
      UpdateLayout();
      FForm->update();
      FTitleBar->ApplyWindowRegion();
      break;
    case QEvent::WindowActivate: FTitleBar->SetFormActive(true); break;
    case QEvent::WindowDeactivate: FTitleBar->SetFormActive(false); break;
    case QEvent::MouseMove:
      PointerOnWindow(FForm, static_cast<QMouseEvent*>(event)->position().toPoint(), false);
      break;
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) PointerOnWindow(FForm, mouse->position().toPoint(), true);
      break;
    }
    default: break;
  }
  return true;
}

void TsuiForm::Notification(TComponent* component, TOperation operation) {
  TPanel::Notification(component, operation);
  if (operation == opRemove && component == FFormPanel) FFormPanel = nullptr;
  if (operation == opRemove && component == FMenu) {
    FMenu = nullptr;
    FreeMenuBar();
  }
}
