#include "SUITitleBar.h"

#include "Application.h"
#include "Forms.h"
#include "SUIPublic.h"

#include <QApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace {

// The first two characters of a caption too long for the strip, whole
// characters even outside the basic plane.
QString Shortened(const QString& caption) {
  int n = 0;
  for (int chars = 0; chars < 2 && n < caption.size(); ++chars)
    n += caption.at(n).isHighSurrogate() && n + 1 < caption.size() ? 2 : 1;
  return caption.left(n) + QStringLiteral("...");
}

TsuiWindowRequests& DefaultRequests() {
  static TsuiWindowRequests requests;  // stateless
  return requests;
}

}  // namespace

bool TsuiWindowRequests::StartMove(QWidget* window) {
  QWindow* handle = window ? window->windowHandle() : nullptr;
  return handle && handle->startSystemMove();
}

bool TsuiWindowRequests::StartResize(QWidget* window, Qt::Edges edges) {
  QWindow* handle = window ? window->windowHandle() : nullptr;
  return handle && handle->startSystemResize(edges);
}

Qt::CursorShape EdgeCursor(Qt::Edges edges) {
  if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge)) return Qt::SizeFDiagCursor;
  if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge)) return Qt::SizeBDiagCursor;
  if (edges == Qt::LeftEdge || edges == Qt::RightEdge) return Qt::SizeHorCursor;
  if (edges == Qt::TopEdge || edges == Qt::BottomEdge) return Qt::SizeVerCursor;
  return Qt::ArrowCursor;
}

int TsuiTitleBarPlaces::ButtonAt(QPoint point) const {
  int hot = -1;
  for (const TButtonPlace& place : Buttons) {
    // PointInRect counts the far edges itself: one column and row past the picture.
    if (PointInRect(point, place.Rect)) hot = place.Index;
  }
  return hot;
}

QRegion RoundCornerRegion(const QRect& client, int w) {
  if (w <= 0) return QRegion(client);
  QPainterPath path;
  path.addRoundedRect(QRectF(client), w / 2.0, w / 2.0);
  QRegion region(path.toFillPolygon().toPolygon());
  // Only the top corners are round.
  region += QRect(client.left(), client.bottom() + 1 - 2 * w, 2 * w, 2 * w);
  region += QRect(client.right() + 1 - 2 * w, client.bottom() + 1 - 2 * w, 2 * w, 2 * w);
  return region & client;
}

// ---- the bar ----

TsuiTitleBar::TsuiTitleBar(TComponent* owner)
    : TPanel(owner),
      FSections(std::make_unique<TsuiTitleBarSections>(this)),
      FButtons(std::make_unique<TsuiTitleBarButtons>(this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  for (TsuiTitleBarBtnType type : {suiControlBox, suiClose, suiMax, suiMin}) FButtons->Add()->SetButtonType(type);
  SetAlign(alTop);
  Font()->SetColor(clWhite);
  Font()->SetName(QStringLiteral("Tahoma"));
  Font()->SetStyle(fsBold);
  SetUIStyle(FindFormUIStyle(owner));
}

TsuiTitleBar::~TsuiTitleBar() = default;

TsuiWindowRequests& TsuiTitleBar::WindowRequests() const { return FRequests ? *FRequests : DefaultRequests(); }

void TsuiTitleBar::ItemsChanged() {
  if (FPointer) FHotIndex = Places().ButtonAt(*FPointer);
  update();
}

void TsuiTitleBar::SetAutoSize(bool value) {
  FAutoSize = value && FSections->Count() > 0;
  if (FSections->Count() == 0) return;
  const TBitmap* first = FSections->Items(0)->Picture();
  if (first->Empty() || first->Height() == Height()) return;
  SetHeight(first->Height());
  if (parentWidget()) AlignChildControls(parentWidget());
}

void TsuiTitleBar::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  FSections->Clear();
  if (value != Custom) {
    TsuiTitleBarSection* left = FSections->Add();
    LoadSkinBitmap(*left->Picture(), 0, GetThemeString(value, teTitleLeft));
    left->SetAutoSize(true);
    TsuiTitleBarSection* right = FSections->Add();
    LoadSkinBitmap(*right->Picture(), 0, GetThemeString(value, teTitleRight));
    right->SetAutoSize(true);
    right->SetAlign(suiRight);
    TsuiTitleBarSection* client = FSections->Add();
    LoadSkinBitmap(*client->Picture(), 0, GetThemeString(value, teTitleClient));
    client->SetAlign(suiClient);
    SetLeftBtnXOffset(GetThemeInt(value, teTitleLeftBtnXOffset));
    SetRightBtnXOffset(GetThemeInt(value, teTitleRightBtnXOffset));
    if (TForm* form = ParentForm()) form->SetMinWidth(GetThemeInt(value, teTitleMinFormWidth));
    SetRoundCorner(GetThemeInt(value, teTitleRoundCorner));
    for (int i = 0; i < FButtons->Count(); ++i) FButtons->Items(i)->SetUIStyle(value);
    SetAutoSize(true);
  }
  update();
}

void TsuiTitleBar::SetButtonInterval(int value) {
  if (value == FButtonInterval) return;
  FButtonInterval = value;
  ItemsChanged();
}

void TsuiTitleBar::SetCaption(const QString& value) {
  if (value == FCaption) return;
  FCaption = value;
  update();
}

void TsuiTitleBar::SetFormActive(bool value) {
  if (value == FFormActive) return;
  FFormActive = value;
  update();
}

void TsuiTitleBar::SetLeftBtnXOffset(int value) {
  if (value == FLeftBtnXOffset) return;
  FLeftBtnXOffset = value;
  ItemsChanged();
}

void TsuiTitleBar::SetRightBtnXOffset(int value) {
  if (value == FRightBtnXOffset) return;
  FRightBtnXOffset = value;
  ItemsChanged();
}

void TsuiTitleBar::SetDrawAppIcon(bool value) {
  if (value == FDrawAppIcon) return;
  FDrawAppIcon = value;
  ItemsChanged();
}

void TsuiTitleBar::SetRoundCorner(int value) {
  FRoundCorner = value;
  ApplyWindowRegion();
}

void TsuiTitleBar::AttachToFrame(TForm* form, bool sizeable) {
  FHostForm = form;
  FHostSizeable = sizeable;
  ApplyWindowRegion();
}

TForm* TsuiTitleBar::ParentForm() const {
  if (FHostForm) return FHostForm;
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (auto* form = dynamic_cast<TForm*>(w)) return form;
  return nullptr;
}

bool TsuiTitleBar::WindowMaximized() const {
  const TForm* form = ParentForm();
  return form && form->isMaximized();
}

void TsuiTitleBar::ApplyWindowRegion() {
  if (!FHostForm || FHostForm->Designing()) return;
  if (FRoundCorner <= 0)
    FHostForm->clearMask();
  else
    FHostForm->setMask(RoundCornerRegion(FHostForm->rect(), FRoundCorner));
}

Qt::Edges TsuiTitleBar::EdgesAt(QPoint point) const {
  if (!FHostForm || !FHostSizeable || WindowMaximized() || point.y() > 4) return {};
  if (point.x() <= 4) return Qt::TopEdge | Qt::LeftEdge;
  if (point.x() > FHostForm->ClientWidth() - 5) return Qt::TopEdge | Qt::RightEdge;
  return Qt::TopEdge;
}

TsuiTitleBarPlaces TsuiTitleBar::Places() const {
  TsuiTitleBarPlaces places;
  int x = Width() + FRightBtnXOffset + 1;
  int controlBox = -1;
  for (int i = 0; i < FButtons->Count(); ++i) {
    const TsuiTitleBarButton* b = FButtons->Items(i);
    if (!b->Visible()) continue;
    if (b->ButtonType() == suiControlBox) {
      controlBox = i;
      continue;
    }
    const int w = b->PicNormal()->Width();
    x -= w + FButtonInterval + 1;
    places.Buttons.push_back({i, QRect(x, b->Top(), w, b->PicNormal()->Height())});
  }
  int left = FLeftBtnXOffset;
  if (controlBox >= 0) {
    const TsuiTitleBarButton* b = FButtons->Items(controlBox);
    if (FDrawAppIcon) {
      places.AppIcon = true;
      places.Buttons.push_back({controlBox, QRect(left + 3, b->Top(), 16, 16)});
      left += 21;
    } else {
      places.Buttons.push_back({controlBox, QRect(left, b->Top(), b->PicNormal()->Width(), b->PicNormal()->Height())});
      left += b->PicNormal()->Width() + 5;
    }
  }
  if (left == 0) left = 6;
  places.CaptionLeft = left;
  places.CaptionRoom = x - left;
  return places;
}

TsuiTitleBarState TsuiTitleBar::State() const {
  TsuiTitleBarState s;
  s.Style = FUIStyle;
  s.Size = size();
  s.Color = ParentColor() ? clBtnFace : Color();
  s.Caption = FCaption;
  TFont* font = const_cast<TsuiTitleBar*>(this)->Font();  // the runtime hands the font out only for writing
  s.Font = font->ToQFont();
  s.FontColor = font->Color();
  s.FormActive = FFormActive;
  s.Pressed = FPressed;
  s.Places = Places();
  s.HotIndex = FPointer ? s.Places.ButtonAt(*FPointer) : -1;
  return s;
}

void TsuiTitleBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const TsuiTitleBarState s = State();
  // Under the sections, for a bar that has none (the Custom style).
  painter.fillRect(QRect(QPoint(0, 0), s.Size), ToQColor(s.Color));
  DrawSections(painter, s);
  DrawButtons(painter, s);
}

void TsuiTitleBar::DrawSections(QPainter& painter, const TsuiTitleBarState& state) const {
  const int h = state.Size.height(), barWidth = state.Size.width();
  int left = -1;
  int right = barWidth + 1;
  const TsuiTitleBarSection* client = nullptr;
  auto draw = [&](const TsuiTitleBarSection* s, int x, int width, bool stretch) {
    const TBitmap* picture = s->Picture();
    if (picture->Empty() || width <= 0) return;
    if (stretch)
      picture->StretchDraw(painter, QRect(x, 0, width, h));
    else
      picture->DrawPart(painter, QRect(x, 0, width, h), QRect(0, 0, width, h), false, clDefault);
  };
  for (int i = 0; i < FSections->Count(); ++i) {
    const TsuiTitleBarSection* s = FSections->Items(i);
    switch (s->Align()) {
      case suiLeft:
        draw(s, left + 1, s->Width(), s->Stretch());
        left += s->Width();
        break;
      case suiRight:
        if (barWidth - left >= s->Width()) {
          draw(s, right - s->Width() - 1, s->Width(), s->Stretch());
          right -= s->Width();
        }
        break;
      case suiClient: client = s; break;
    }
  }
  if (client) draw(client, left + 1, right - 1 - (left + 1), true);
}

void TsuiTitleBar::DrawButtons(QPainter& painter, const TsuiTitleBarState& state) const {
  const TsuiTitleBarPlaces& places = state.Places;
  for (const TsuiTitleBarPlaces::TButtonPlace& place : places.Buttons) {
    const TsuiTitleBarButton* b = FButtons->Items(place.Index);
    if (places.AppIcon && b->ButtonType() == suiControlBox) {
      painter.drawPixmap(place.Rect, QApplication::windowIcon().pixmap(16, 16, QIcon::Normal));
      continue;
    }
    const TBitmap* picture = b->PicNormal();
    if (place.Index == state.HotIndex) picture = state.Pressed ? b->PicMouseDown() : b->PicMouseOn();
    if (picture->Empty()) picture = b->PicNormal();
    if (picture->Empty()) continue;
    // A transparent button leaves out its bottom-left pixel's colour.
    const QRect whole(0, 0, picture->Width(), picture->Height());
    picture->DrawPart(painter, QRect(place.Rect.topLeft(), whole.size()), whole, b->Transparent(),
                      picture->Pixel(0, picture->Height() - 1));
  }

  QColor colour = ToQColor(state.FontColor);
  if (!state.FormActive)
    colour = ToQColor(clInactiveCaption);
  else if (state.Style == MacOS)
    colour = Qt::black;
  const QFontMetrics metrics(state.Font);
  const QString& caption = state.Caption;
  const QString text = metrics.horizontalAdvance(caption) > places.CaptionRoom ? Shortened(caption) : caption;
  const int y = state.Style == DeepBlue ? 4 : (state.Size.height() - metrics.height()) / 2;
  painter.setFont(state.Font);
  painter.setPen(colour);
  painter.drawText(QPoint(places.CaptionLeft, y + metrics.ascent()), text);
}

void TsuiTitleBar::SetPointer(std::optional<QPoint> point) {
  FPointer = point;
  const int hot = point ? Places().ButtonAt(*point) : -1;
  if (hot == FHotIndex) return;
  FHotIndex = hot;
  update();
}

void TsuiTitleBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    TPanel::mousePressEvent(event);
    return;
  }
  const QPoint at = event->position().toPoint();
  SetPointer(at);
  if (const Qt::Edges edges = EdgesAt(at)) {
    WindowRequests().StartResize(ParentForm() ? static_cast<QWidget*>(ParentForm()) : window(), edges);
    return;
  }
  FPressed = true;
  FPressedIndex = FHotIndex;
  update();
  if (FHotIndex == -1) {
    FPressed = false;
    // The move starts once the pointer moves, so a click or a double click
    // on the strip stays with the window.
    if (!WindowMaximized()) FDragStart = event->globalPosition().toPoint();
  }
}

void TsuiTitleBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  SetPointer(at);
  const Qt::Edges edges = EdgesAt(at);
  if (edges)
    setCursor(EdgeCursor(edges));
  else
    unsetCursor();
  if (!FDragStart || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint global = event->globalPosition().toPoint();
  QWidget* target = ParentForm() ? static_cast<QWidget*>(ParentForm()) : window();
  if (FManualMove) {
    target->move(global - *FManualMove);
    return;
  }
  if ((global - *FDragStart).manhattanLength() < QApplication::startDragDistance()) return;
  if (WindowRequests().StartMove(target)) {
    FDragStart.reset();
    return;
  }
  // A window system that moves nothing itself (X without a window manager):
  // the window follows the pointer until the button is released.
  FManualMove = *FDragStart - target->pos();
  target->move(global - *FManualMove);
}

void TsuiTitleBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    TPanel::mouseReleaseEvent(event);
    return;
  }
  FDragStart.reset();
  FManualMove.reset();
  const int pressed = FPressedIndex;
  FPressedIndex = -1;
  FPressed = false;
  SetPointer(event->position().toPoint());
  update();
  // A button acts when the press and the release are both on it.
  if (pressed == -1 || pressed != FHotIndex) return;
  const TsuiTitleBarBtnType type = FButtons->Items(pressed)->ButtonType();
  RunButtonAction(pressed);
  try {
    if (type == suiCustom && FOnCustomBtnsClick)
      FOnCustomBtnsClick(this, pressed);
    else if (type == suiHelp && FOnHelpBtnClick)
      FOnHelpBtnClick(this, pressed);
  } catch (...) {
    ::HandleException();
  }
}

void TsuiTitleBar::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  FDragStart.reset();
  FPressedIndex = -1;
  const QPoint at = event->position().toPoint();
  if (EdgesAt(at) || Places().ButtonAt(at) != -1) return;
  for (int i = 0; i < FButtons->Count(); ++i) {
    if (FButtons->Items(i)->ButtonType() == suiMax) {
      RunButtonAction(i);
      return;
    }
  }
}

void TsuiTitleBar::leaveEvent(QEvent* event) {
  TPanel::leaveEvent(event);
  SetPointer(std::nullopt);
}

void TsuiTitleBar::resizeEvent(QResizeEvent* event) {
  TPanel::resizeEvent(event);
  ItemsChanged();
}

void TsuiTitleBar::FontChanged() {
  TPanel::FontChanged();
  update();
}

void TsuiTitleBar::RunButtonAction(int index) {
  TForm* form = ParentForm();
  if (!form || index < 0 || index >= FButtons->Count()) return;
  if (const QRect work = GetWorkArea(); !work.isEmpty()) form->setMaximumSize(work.size());
  TsuiTitleBarButton* button = FButtons->Items(index);
  switch (button->ButtonType()) {
    case suiMax:
      if (form->isMaximized())
        form->showNormal();
      else
        form->showMaximized();
      if (FUIStyle == WinXP) button->UpdateMaximizePictures(form->isMaximized());
      ApplyWindowRegion();
      break;
    case suiMin: form->showMinimized(); break;
    case suiClose: form->close(); break;
    case suiControlBox:
      if (TPopupMenu* menu = button->ControlBoxMenu()) {
        const QPoint at = mapToGlobal(QPoint(0, height()));
        menu->Popup(at.x(), at.y());
      }
      break;
    case suiHelp:
    case suiCustom: break;
  }
}
