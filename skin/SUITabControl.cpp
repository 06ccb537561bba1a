#include "SUITabControl.h"

#include "SUIPublic.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <algorithm>

namespace {

const QColor kDisabledText(0x80, 0x80, 0x80);

}  // namespace

// ---- layout ----

int TsuiTabStripLayout::TabAt(QPoint p) const {
  for (size_t i = 0; i < Widths.size(); ++i) {
    const int left = Lefts[i], w = Widths[i];
    if (w > 0 && left < p.x() && p.x() < left + w && 0 < p.y() && p.y() < ActiveHeight) return int(i);
  }
  return -1;
}

int TsuiTabControlTopPanel::TabWidth(const QString& caption, const QFont& font) {
  const QString plain = PlainCaption(caption);
  const int w = plain.isEmpty() ? 80 : QFontMetrics(font).horizontalAdvance(plain) + 20;
  return std::max(w, 15);
}

TsuiTabStripLayout TsuiTabControlTopPanel::LayOut(const TsuiTabStripState& s) {
  TsuiTabStripLayout layout;
  TBitmap active;
  LoadSkinBitmapOrClear(active, s.ActivePicName);
  layout.ActiveHeight = active.Empty() ? std::max(0, s.Size.height() - 2) : active.Height();
  int x = s.LeftMargin;
  for (qsizetype i = 0; i < s.Tabs.size(); ++i) {
    const bool visible = size_t(i) >= s.Visible.size() || s.Visible[size_t(i)];
    const int w = visible ? TabWidth(s.Tabs[i], s.Font) : 0;
    layout.Lefts.push_back(x);
    layout.Widths.push_back(w);
    x += w;
  }
  return layout;
}

void TsuiTabControlTopPanel::Paint(QPainter& canvas, const TsuiTabStripState& s, QWidget* background) {
  const QRect whole(QPoint(0, 0), s.Size);
  canvas.fillRect(whole, ToQColor(s.Color));
  if (background) PaintParentBackground(canvas, background);

  TBitmap active, inactive, line;
  LoadSkinBitmapOrClear(active, s.ActivePicName);
  LoadSkinBitmapOrClear(inactive, s.InactivePicName);
  LoadSkinBitmapOrClear(line, s.LinePicName);
  const TsuiTabStripLayout layout = LayOut(s);
  const int ha = layout.ActiveHeight;
  const int lineHeight = line.Empty() ? std::max(0, s.Size.height() - ha) : line.Height();
  if (!line.Empty()) line.StretchDraw(canvas, QRect(1, ha, s.Size.width() - 2, lineHeight));
  canvas.setPen(ToQColor(s.BorderColor));
  if (lineHeight > 0) {
    canvas.drawLine(0, ha, 0, ha + lineHeight - 1);
    canvas.drawLine(s.Size.width() - 1, ha, s.Size.width() - 1, ha + lineHeight - 1);
  }

  canvas.setFont(s.Font);
  for (size_t i = 0; i < layout.Widths.size(); ++i) {
    const int w = layout.Widths[i];
    if (w <= 0) continue;
    const bool current = int(i) == s.TabIndex;
    const QRect r = current ? QRect(layout.Lefts[i], 1, w, ha) : QRect(layout.Lefts[i], 0, w, ha);
    const TBitmap& picture = current ? active : inactive;
    if (!picture.Empty()) {
      DrawThreePart(picture, canvas, r, true);
    } else {
      // No picture for this style: a plain outlined tab.
      canvas.fillRect(r.adjusted(0, 0, -1, -1), ToQColor(current ? clWhite : s.Color));
      canvas.setPen(ToQColor(s.BorderColor));
      canvas.drawRect(r.adjusted(0, 0, -1, -1));
    }
    canvas.setPen(s.Enabled ? s.TextColor : kDisabledText);
    canvas.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, s.Tabs[qsizetype(i)]);
    if (current && s.Focused) {
      QPen dots(s.TextColor, 0, Qt::DotLine);
      canvas.setPen(dots);
      canvas.drawRect(r.adjusted(3, 3, -4, -3));
    }
  }
}

// ---- TsuiTabControlTopPanel ----

TsuiTabControlTopPanel::TsuiTabControlTopPanel(TsuiTab* owner) : TControlOf<QTabBar>(owner), FOwner(owner) {
  setParent(owner);
  setDrawBase(false);
  setExpanding(false);
  setUsesScrollButtons(false);
  setElideMode(Qt::ElideNone);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(false);
  SetAlign(alTop);
  QObject::connect(this, &QTabBar::currentChanged, this, [this](int index) { BarIndexChanged(index); });
  SyncBar();
}

TsuiTabControlTopPanel::~TsuiTabControlTopPanel() { FSyncing = true; }

void TsuiTabControlTopPanel::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  FActivePicName = GetThemeString(value, teTabActive);
  FInactivePicName = GetThemeString(value, teTabInactive);
  FLinePicName = GetThemeString(value, teTabLine);
  const int h = GetThemeInt(value, teTabHeight);
  if (h > 0) SetHeight(h);
  update();
}

void TsuiTabControlTopPanel::SetTabs(const QStringList& value) {
  if (value == FTabs) return;
  FTabs = value;
  SyncBar();
  update();
  if (FTabs.isEmpty())
    Select(-1, false);
  else if (FTabIndex >= FTabs.size())
    Select(int(FTabs.size()) - 1, false);
}

void TsuiTabControlTopPanel::SetTabIndex(int value) { Select(value, false); }
void TsuiTabControlTopPanel::SelectTab(int value) { Select(value, true); }

void TsuiTabControlTopPanel::Select(int value, bool byUser) {
  if (FTabs.isEmpty()) {
    FTabIndex = -1;
    update();
    return;
  }
  if (value < -1 || value >= FTabs.size() || value == FTabIndex) {
    update();
    return;
  }
  if (byUser && FOwner && !FOwner->CanChange()) {
    SyncBar();  // QTabBar may already show the refused tab
    return;
  }
  FTabIndex = value;
  SyncBar();
  update();
  if (FOwner) FOwner->TabActivated(FTabIndex);
}

void TsuiTabControlTopPanel::SetLeftMargin(int value) {
  if (value == FLeftMargin) return;
  FLeftMargin = value;
  update();
}

bool TsuiTabControlTopPanel::TabVisible(int index) const {
  return index < 0 || size_t(index) >= FTabVisible.size() || FTabVisible[size_t(index)];
}

void TsuiTabControlTopPanel::SetTabVisible(int index, bool value) {
  if (index < 0 || TabVisible(index) == value) return;
  if (size_t(index) >= FTabVisible.size()) FTabVisible.resize(size_t(index) + 1, true);
  FTabVisible[size_t(index)] = value;
  SyncBar();
  update();
}

int TsuiTabControlTopPanel::NeighbourTab(bool forward, bool wrap) const {
  const int n = int(FTabs.size());
  if (n == 0) return -1;
  const int start = FTabIndex < 0 ? (forward ? -1 : n) : FTabIndex;
  for (int step = 1; step <= n; ++step) {
    int i = start + (forward ? step : -step);
    if (i < 0 || i >= n) {
      if (!wrap) return -1;
      i = (i % n + n) % n;
    }
    if (TabVisible(i)) return i;
  }
  return -1;
}

void TsuiTabControlTopPanel::SyncBar() {
  if (FSyncing) return;
  FSyncing = true;
  while (count() > FTabs.size()) removeTab(count() - 1);
  for (qsizetype i = 0; i < FTabs.size(); ++i) {
    if (i >= count())
      addTab(FTabs[i]);
    else if (tabText(int(i)) != FTabs[i])
      setTabText(int(i), FTabs[i]);
    setTabVisible(int(i), TabVisible(int(i)));
  }
  if (FTabIndex >= 0 && FTabIndex < count()) setCurrentIndex(FTabIndex);
  FSyncing = false;
}

void TsuiTabControlTopPanel::BarIndexChanged(int index) {
  // Only QTabBar's own keys, mnemonics and accessibility actions get here.
  if (FSyncing) return;
  SelectTab(index);
}

TsuiTabStripState TsuiTabControlTopPanel::State() const {
  TsuiTabStripState s;
  s.Size = size();
  s.Tabs = FTabs;
  for (qsizetype i = 0; i < FTabs.size(); ++i) s.Visible.push_back(TabVisible(int(i)));
  s.TabIndex = FTabIndex;
  s.LeftMargin = FLeftMargin;
  s.Font = font();
  s.TextColor = palette().color(QPalette::WindowText);
  s.Color = Color();
  s.BorderColor = FOwner ? FOwner->BorderColor() : clBlack;
  s.ActivePicName = FActivePicName;
  s.InactivePicName = FInactivePicName;
  s.LinePicName = FLinePicName;
  s.Enabled = isEnabled();
  s.Focused = hasFocus();
  return s;
}

QSize TsuiTabControlTopPanel::tabSizeHint(int index) const {
  // QTabBar's own layout (accessibility rectangles) follows the painted tabs.
  const TsuiTabStripLayout layout = LayOut(State());
  const int w = index >= 0 && size_t(index) < layout.Widths.size() ? layout.Widths[size_t(index)] : 0;
  return QSize(w, layout.ActiveHeight);
}

QSize TsuiTabControlTopPanel::sizeHint() const { return QSize(width(), height()); }
QSize TsuiTabControlTopPanel::minimumSizeHint() const { return QSize(0, 0); }

void TsuiTabControlTopPanel::paintEvent(QPaintEvent*) {
  // Off screen first, as the tabs overlap the parent's background.
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    Paint(p, State(), FOwner);
  }
  QPainter(this).drawImage(QPoint(0, 0), image);
}

void TsuiTabControlTopPanel::mousePressEvent(QMouseEvent* event) {
  update();
  DoMouseDown(*event);
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  const int tab = LayOut(State()).TabAt(event->position().toPoint());
  if (tab >= 0) SelectTab(tab);
}

void TsuiTabControlTopPanel::mouseReleaseEvent(QMouseEvent* event) { DoMouseUp(*event); }

void TsuiTabControlTopPanel::keyPressEvent(QKeyEvent* event) {
  if (!DoKeyDown(*event)) return;
  // QTabBar's own arrows would land on hidden tabs.
  const bool rtl = layoutDirection() == Qt::RightToLeft;
  if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
    const int next = NeighbourTab((event->key() == Qt::Key_Right) != rtl, false);
    if (next >= 0) SelectTab(next);
    event->accept();
    return;
  }
  QTabBar::keyPressEvent(event);
}

void TsuiTabControlTopPanel::changeEvent(QEvent* event) {
  QTabBar::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) update();
}

// ---- TsuiTab ----

TsuiTab::TsuiTab(TComponent* owner) : TControlOf<QWidget>(owner) {
  resize(185, 80);
  auto makeShortcut = [this](const QList<QKeySequence>& keys, bool forward) {
    auto shortcut = std::make_unique<QShortcut>(this);
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut.get(), &QShortcut::activated, this, [this, forward] {
      const int next = FTopPanel->NeighbourTab(forward);
      if (next >= 0) FTopPanel->SelectTab(next);
    });
    return shortcut;
  };
  FNextTab = makeShortcut({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, true);
  // Shift+Tab arrives as Backtab.
  FPreviousTab =
      makeShortcut({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
                   false);
}

TsuiTab::~TsuiTab() = default;

void TsuiTab::InitTab(TComponent* owner) {
  FTopPanel = CreateTopPanel();
  SetUIStyle(FindFormUIStyle(owner));
}

void TsuiTab::SetUIStyle(TsuiUIStyle value) {
  if (value == Custom || !FTopPanel) return;
  FUIStyle = value;
  FTopPanel->SetColor(GetThemeColor(value, teControlColor));
  SetBorderColor(GetThemeColor(value, teBorderColor));
  FTopPanel->SetUIStyle(value);
  SetColor(value == WinXP ? clWhite : GetThemeColor(value, teControlColor));
  ApplyUIStyle(value);
  AlignChildControls(this);
  update();
}

void TsuiTab::ApplyUIStyle(TsuiUIStyle style) { ApplyUIStyleToChildren(this, style); }

int TsuiTab::LeftMargin() const { return FTopPanel->LeftMargin(); }
void TsuiTab::SetLeftMargin(int value) { FTopPanel->SetLeftMargin(value); }

void TsuiTab::SetBorderColor(TColor value) {
  if (value == FBorderColor) return;
  FBorderColor = value;
  BorderColorChanged();
  update();
  if (FTopPanel) FTopPanel->update();
}

bool TsuiTab::CanChange() {
  bool allow = true;
  if (FOnChanging) FOnChanging(this, allow);
  return allow;
}

void TsuiTab::TabActivated(int tabIndex) {
  if (Loading()) return;
  if (FOnTabActive) FOnTabActive(this, tabIndex);
  Dispatch(FOnChange);
}

QRect TsuiTab::BodyRect() const {
  const int h = FTopPanel ? FTopPanel->height() : 0;
  return QRect(1, h, std::max(0, width() - 2), std::max(0, height() - h - 1));
}

void TsuiTab::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const int h = FTopPanel ? FTopPanel->height() : 0;
  const int w = width(), H = height();
  canvas.fillRect(QRect(0, h, w, H - h), ToQColor(PaintColor()));
  canvas.setPen(ToQColor(FBorderColor));
  canvas.drawLine(0, h, 0, H - 1);
  canvas.drawLine(0, H - 1, w - 1, H - 1);
  canvas.drawLine(w - 1, H - 1, w - 1, h - 1);
}

void TsuiTab::mousePressEvent(QMouseEvent* event) { DoMouseDown(*event); }

void TsuiTab::mouseReleaseEvent(QMouseEvent* event) {
  DoMouseUp(*event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}

void TsuiTab::mouseMoveEvent(QMouseEvent* event) { DoMouseMove(*event); }
void TsuiTab::mouseDoubleClickEvent(QMouseEvent*) { DoDblClick(); }

// ---- TsuiTabControl ----

TsuiTabControl::TsuiTabControl(TComponent* owner) : TsuiTab(owner) { InitTab(owner); }

TsuiTabControlTopPanel* TsuiTabControl::CreateTopPanel() { return new TsuiTabControlTopPanel(this); }
