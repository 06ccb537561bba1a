#include "GalleryControls.h"

#include "SUIButton.h"
#include "SUICheckBox.h"
#include "SUICheckListBox.h"
#include "SUIColorBox.h"
#include "SUIComboBox.h"
#include "SUIEdit.h"
#include "SUIFontComboBox.h"
#include "SUIForm.h"
#include "SUIGrid.h"
#include "SUIGroupBox.h"
#include "SUIImagePanel.h"
#include "SUIListBox.h"
#include "SUIListView.h"
#include "SUIMainMenu.h"
#include "SUIMemo.h"
#include "SUIPageControl.h"
#include "SUIProgressBar.h"
#include "SUIRadioGroup.h"
#include "SUIScrollBar.h"
#include "SUISideChannel.h"
#include "SUITabControl.h"
#include "SUITitleBar.h"
#include "SUIToolBar.h"
#include "SUITrackBar.h"
#include "SUITreeView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

namespace {

// A glyph for the sample push button: a filled dot on the key colour.
void DrawSampleGlyph(TBitmap& glyph) {
  QImage image(12, 11, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xC8, 0x20, 0x20));
  p.drawEllipse(QRect(1, 1, 10, 9));
  glyph.SetImage(image);
}

template <class T>
T* Place(QWidget* parent, TsuiUIStyle style, QSize size) {
  auto* control = new T(nullptr);
  control->setParent(parent);
  control->SetUIStyle(style);
  control->resize(size);
  control->SetTabStop(false);  // no focus mark in the pictures
  return control;
}

// A real click on tab index of a strip, as a user picks it.
void ClickTab(TsuiTabControlTopPanel* strip, int index) {
  const TsuiTabStripLayout layout = TsuiTabControlTopPanel::LayOut(strip->State());
  if (index < 0 || size_t(index) >= layout.Widths.size()) return;
  const QPointF at(layout.Lefts[size_t(index)] + layout.Widths[size_t(index)] / 2.0, layout.ActiveHeight / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, at, strip->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(strip, &press);
}

// Disabled greys the control; pressed clicks its last tab.
void PutTabsInState(TsuiTab* tabs, TGalleryState state, int lastTab) {
  tabs->TopPanel()->setFocusPolicy(Qt::NoFocus);  // no focus mark in the pictures
  if (state == TGalleryState::Disabled) tabs->setEnabled(false);
  if (state == TGalleryState::Pressed) ClickTab(tabs->TopPanel(), lastTab);
}

// A bordered control the way a styled container leaves it: the style's border colour.
template <class T>
T* PlaceBordered(QWidget* parent, TsuiUIStyle style, QSize size, TGalleryState state) {
  auto* control = new T(nullptr);
  control->setParent(parent);
  if (style != Custom) control->ApplyThemeBorderColor(GetThemeColor(style, teBorderColor));
  control->resize(size);
  PutInState(control, state);
  return control;
}

// A scroll bar for a memo or a list to lay over its own.
TsuiScrollBar* SkinnedBar(QWidget* parent, TsuiUIStyle style) {
  auto* bar = new TsuiScrollBar(nullptr);
  bar->setParent(parent);
  bar->SetUIStyle(style);
  return bar;
}

const QStringList kSampleLines = {QStringLiteral("录音 1.wav"), QStringLiteral("录音 2.wav"),
                                  QStringLiteral("Interview.wav"), QStringLiteral("Rehearsal.wav")};

// A picture for the sample image panel: a gradient with a magenta corner
// that a transparent panel leaves out.
void DrawSamplePicture(TBitmap& picture) {
  QImage image(40, 24, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient g(0, 0, 40, 24);
  g.setColorAt(0, QColor(0x3C, 0x78, 0xC8));
  g.setColorAt(1, QColor(0xE0, 0xF0, 0xFF));
  p.fillRect(image.rect(), g);
  p.fillRect(QRect(0, 12, 12, 12), QColor(255, 0, 255));
  picture.SetImage(image);
}

// Controls without a style of their own get it from a container, as a form
// hands it on.
template <class T>
T* PlaceUnstyled(QWidget* parent, QSize size) {
  auto* control = new T(nullptr);
  control->setParent(parent);
  control->resize(size);
  return control;
}

TMenuItem* AddMenuItem(TComponent* owner, TMenuItem* parent, const QString& caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

// The sample items: an accelerator, a short cut, a separator, a checked and a
// disabled item (every item disabled in the disabled state).
void FillSampleMenu(TComponent* owner, TMenuItem* drop, bool disabled) {
  TMenuItem* record = AddMenuItem(owner, drop, QStringLiteral("录制(&R)"));
  record->SetShortCut(QStringLiteral("Ctrl+R"));
  AddMenuItem(owner, drop, QStringLiteral("&Play"))->SetShortCut(QStringLiteral("Ctrl+P"));
  AddMenuItem(owner, drop, QStringLiteral("-"));
  AddMenuItem(owner, drop, QStringLiteral("&Loop"))->SetChecked(true);
  AddMenuItem(owner, drop, QStringLiteral("&Save as..."))->SetEnabled(false);
  if (disabled)
    for (int i = 0; i < drop->Count(); ++i) drop->Items(i)->SetEnabled(false);
}

// A drop-down as it looks when open (hovered: its first item selected), as a
// picture, since an open menu is a window of its own.
QLabel* DropDownPicture(QWidget* parent, QMenu* drop, TGalleryState state, QPoint at) {
  drop->ensurePolished();
  drop->resize(drop->sizeHint());
  if (state == TGalleryState::Hovered || state == TGalleryState::Pressed)
    drop->setActiveAction(drop->actions().value(0));
  auto* picture = new QLabel(parent);
  picture->setPixmap(drop->grab());
  picture->move(at);
  picture->resize(picture->pixmap().size());
  return picture;
}

}  // namespace

std::vector<TGalleryControl> GalleryControls() {
  return {
      {QStringLiteral("TsuiButton"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* b = Place<TsuiButton>(parent, style, QSize(90, 25));
         b->SetCaption(QStringLiteral("录制"));
         DrawSampleGlyph(*b->Glyph());
         PutInState(b, state);
         return b;
       }},
      {QStringLiteral("TsuiCheckBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* c = Place<TsuiCheckBox>(parent, style, QSize(93, 17));
         c->SetChecked(state != TGalleryState::Enabled);
         PutInState(c, state);
         return c;
       }},
      {QStringLiteral("TsuiRadioButton"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* r = Place<TsuiRadioButton>(parent, style, QSize(110, 17));
         r->SetChecked(state != TGalleryState::Enabled);
         PutInState(r, state);
         return r;
       }},
      {QStringLiteral("TsuiProgressBar"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = new TsuiProgressBar(nullptr);
         bar->setParent(parent);
         bar->SetUIStyle(style);
         bar->SetBounds(0, 0, 150, TsuiProgressBar::Thickness);
         bar->SetPosition(state == TGalleryState::Enabled ? 62 : 35);
         PutInState(bar, state);
         return bar;
       }},
      {QStringLiteral("TsuiProgressBar (vertical)"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = new TsuiProgressBar(nullptr);
         bar->setParent(parent);
         bar->SetUIStyle(style);
         bar->SetOrientation(suiVertical);
         bar->SetBounds(0, 0, TsuiProgressBar::Thickness, 60);
         bar->SetPosition(state == TGalleryState::Enabled ? 62 : 35);
         PutInState(bar, state);
         return bar;
       }},
      {QStringLiteral("TsuiEdit"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* e = PlaceBordered<TsuiEdit>(parent, style, QSize(121, 21), state);
         e->SetText(QStringLiteral("录音 1.wav"));
         return e;
       }},
      {QStringLiteral("TsuiMemo"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* m = PlaceBordered<TsuiMemo>(parent, style, QSize(150, 60), state);
         m->SetLines(kSampleLines + kSampleLines + kSampleLines);
         m->SetVScrollBar(SkinnedBar(parent, style));
         return m;
       }},
      {QStringLiteral("TsuiListBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* l = PlaceBordered<TsuiListBox>(parent, style, QSize(121, 70), state);
         l->SetItems(kSampleLines + kSampleLines);
         l->SetItemIndex(1);
         l->SetVScrollBar(SkinnedBar(parent, style));
         return l;
       }},
      {QStringLiteral("TsuiCheckListBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* l = PlaceBordered<TsuiCheckListBox>(parent, style, QSize(121, 70), state);
         l->SetUIStyle(style);
         l->SetItems(kSampleLines);
         l->SetChecked(0, true);
         l->SetChecked(2, true);
         l->SetItemIndex(1);
         l->SetVScrollBar(SkinnedBar(parent, style));
         return l;
       }},
      {QStringLiteral("TsuiListView"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* v = PlaceBordered<TsuiListView>(parent, style, QSize(180, 80), state);
         v->SetViewStyle(vsReport);
         v->SetColumns({QStringLiteral("名称"), QStringLiteral("Length")});
         v->SetItems({QStringLiteral("录音 1.wav\t0:42"), QStringLiteral("Interview.wav\t12:05")});
         return v;
       }},
      {QStringLiteral("TsuiTreeView"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* t = PlaceBordered<TsuiTreeView>(parent, style, QSize(150, 80), state);
         t->SetItems({QStringLiteral("Recordings"), QStringLiteral("\t录音 1.wav"), QStringLiteral("\tInterview.wav"),
                      QStringLiteral("Imports")});
         t->expandAll();
         return t;
       }},
      // A skinned frame off any window: its title bar with all four buttons on
      // its background. Disabled shows an inactive window's caption; hovered
      // and pressed act on the close button.
      {QStringLiteral("TsuiForm"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* frame = new TsuiForm(nullptr);
         frame->setParent(parent);
         frame->SetUIStyle(style);
         frame->SetCaption(QStringLiteral("Tamsel录音机"));
         frame->SetBounds(4, 4, 240, 64);
         TsuiTitleBar* bar = frame->TitleBar();
         AlignChildControls(frame);
         if (state == TGalleryState::Disabled) {
           bar->SetFormActive(false);
         } else if (state != TGalleryState::Enabled) {
           const TsuiTitleBarPlaces places = bar->Places();
           if (!places.Buttons.empty()) {
             const QPointF at = QRectF(places.Buttons.front().Rect).center();
             QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
             QApplication::sendEvent(bar, &move);
             if (state == TGalleryState::Pressed) {
               QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                                 Qt::NoModifier);
               QApplication::sendEvent(bar, &press);
             }
           }
         }
         return frame;
       }},
      {QStringLiteral("TsuiTabControl"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* t = new TsuiTabControl(nullptr);
         t->setParent(parent);
         t->SetUIStyle(style);
         t->SetTabs({QStringLiteral("录制"), QStringLiteral("播放"), QStringLiteral("Format")});
         t->SetBounds(4, 4, 200, 70);
         PutTabsInState(t, state, 2);
         return t;
       }},
      // Three sheets, the first holding a button.
      {QStringLiteral("TsuiPageControl"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* pages = new TsuiPageControl(nullptr);
         pages->setParent(parent);
         pages->SetUIStyle(style);
         pages->SetBounds(4, 4, 200, 80);
         for (const char* caption : {"常规", "Input", "Output"}) {
           auto* sheet = new TsuiTabSheet(nullptr);
           sheet->SetCaption(QString::fromUtf8(caption));
           sheet->SetPageControl(pages);
         }
         auto* button = new TsuiButton(nullptr);
         button->setParent(pages->Pages(0));
         button->SetUIStyle(style);
         button->SetCaption(QStringLiteral("确定"));
         button->SetBounds(10, 12, 75, 25);
         button->SetTabStop(false);
         PutTabsInState(pages, state, 2);
         return pages;
       }},
      {QStringLiteral("TsuiComboBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* c = new TsuiComboBox(nullptr);
         c->setParent(parent);
         c->SetUIStyle(style);
         c->SetStyle(csDropDownList);
         c->SetItems({QStringLiteral("PCM 11025 Hz"), QStringLiteral("GSM 6.10")});
         c->SetItemIndex(0);
         c->SetBounds(4, 4, 130, 22);
         PutInState(c, state);
         return c;
       }},
      {QStringLiteral("TsuiColorBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* c = new TsuiColorBox(nullptr);
         c->setParent(parent);
         c->SetUIStyle(style);
         c->SetColorStyle(TColorBoxStyle(cbStandardColors | cbPrettyNames));
         c->SetSelected(clTeal);
         c->SetBounds(4, 4, 130, 22);
         PutInState(c, state);
         return c;
       }},
      {QStringLiteral("TsuiFontComboBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* c = new TsuiFontComboBox(nullptr);
         c->setParent(parent);
         c->SetUIStyle(style);
         c->SetUseFonts(true);
         c->SetBounds(4, 4, 130, 22);
         PutInState(c, state);
         return c;
       }},
      {QStringLiteral("TsuiFontSizeComboBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* c = new TsuiFontSizeComboBox(nullptr);
         c->setParent(parent);
         c->SetUIStyle(style);
         c->SetFontSize(12);
         c->SetBounds(4, 4, 60, 22);
         PutInState(c, state);
         return c;
       }},
      {QStringLiteral("TsuiImagePanel"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* panel = PlaceUnstyled<TsuiImagePanel>(parent, QSize(110, 34));
         DrawSamplePicture(*panel->Picture());
         panel->SetDrawStyle(suiTile);
         panel->SetTransparent(true);
         panel->SetCaption(QStringLiteral("图片"));
         panel->ApplyUIStyle(style);
         PutInState(panel, state);
         return panel;
       }},
      {QStringLiteral("TsuiGroupBox"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* group = PlaceUnstyled<TsuiGroupBox>(parent, QSize(130, 56));
         group->SetCaption(QStringLiteral("格式"));
         auto* box = new TsuiCheckBox(nullptr);
         box->setParent(group);
         box->SetCaption(QStringLiteral("立体声"));
         box->SetTabStop(false);
         box->SetBounds(8, 22, 100, 17);
         if (style != Custom) {
           group->SetBorderColor(GetThemeColor(style, teBorderColor));
           group->SetFontColor(GetThemeColor(style, teGroupCaptionColor));
           group->SetColor(GetThemeColor(style, teControlColor));
         }
         group->ApplyUIStyle(style);
         PutInState(group, state);
         return group;
       }},
      {QStringLiteral("TsuiCheckGroup"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* group = PlaceUnstyled<TsuiCheckGroup>(parent, QSize(170, 76));
         group->SetUIStyle(style);
         group->SetCaption(QStringLiteral("声道"));
         group->SetColumns(2);
         group->SetItems({QStringLiteral("左"), QStringLiteral("右"), QStringLiteral("中"), QStringLiteral("低音")});
         group->SetChecked(0, true);
         group->SetChecked(3, true);
         for (int i = 0; i < group->ButtonCount(); ++i) group->Button(i)->SetTabStop(false);
         PutInState(group, state);
         return group;
       }},
      {QStringLiteral("TsuiTrackBar"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = PlaceUnstyled<TsuiTrackBar>(parent, QSize(120, 20));
         bar->SetUIStyle(style);
         bar->SetPosition(35);
         PutInState(bar, state);
         return bar;
       }},
      {QStringLiteral("TsuiTrackBar vertical"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = PlaceUnstyled<TsuiTrackBar>(parent, QSize(20, 70));
         bar->SetUIStyle(style);
         bar->SetOrientation(suiVertical);
         bar->SetBounds(0, 0, bar->Width(), 70);
         bar->SetPosition(70);
         PutInState(bar, state);
         return bar;
       }},
      {QStringLiteral("TsuiScrollBar"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = PlaceUnstyled<TsuiScrollBar>(parent, QSize(16, 90));
         bar->SetUIStyle(style);
         bar->SetPageSize(30);
         bar->SetPosition(40);
         PutInState(bar, state);
         return bar;
       }},
      {QStringLiteral("TsuiScrollBar horizontal"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = PlaceUnstyled<TsuiScrollBar>(parent, QSize(130, 16));
         bar->SetUIStyle(style);
         bar->SetOrientation(suiHorizontal);
         bar->resize(130, bar->height());
         bar->SetPageSize(25);
         bar->SetPosition(60);
         PutInState(bar, state);
         return bar;
       }},
      // A few filled cells, a range selected and the current cell focused.
      {QStringLiteral("TsuiStringGrid"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* g = new TsuiStringGrid(nullptr);
         g->setParent(parent);
         g->SetUIStyle(style);
         g->SetColCount(4);
         g->SetRowCount(4);
         g->SetDefaultColWidth(48);
         g->SetDefaultRowHeight(18);
         g->SetBounds(4, 4, 200, 80);
         const char* header[] = {"", "Hz", "位", "声道"};
         for (int c = 0; c < 4; ++c) g->SetCells(c, 0, QString::fromUtf8(header[c]));
         g->SetCells(0, 1, QStringLiteral("PCM"));
         g->SetCells(1, 1, QStringLiteral("11025"));
         g->SetCurrentCell(1, 1);
         g->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
         if (state != TGalleryState::Disabled) g->setFocus();
         PutInState(g, state == TGalleryState::Disabled ? state : TGalleryState::Enabled);
         return g;
       }},
      {QStringLiteral("TsuiDrawGrid"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* g = new TsuiDrawGrid(nullptr);
         g->setParent(parent);
         g->SetUIStyle(style);
         g->SetColCount(4);
         g->SetRowCount(3);
         g->SetDefaultColWidth(48);
         g->SetDefaultRowHeight(18);
         g->SetBounds(4, 4, 200, 62);
         g->SetCurrentCell(2, 1);
         PutInState(g, state == TGalleryState::Disabled ? state : TGalleryState::Enabled);
         return g;
       }},
      // A frame with its menu bar and the first drop-down open under it;
      // hovered lights the bar's first item and the drop-down's first item.
      {QStringLiteral("TsuiMainMenu"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* host = new QWidget(parent);
         auto* frame = new TsuiForm(nullptr);
         frame->setParent(host);
         frame->SetUIStyle(style);
         frame->SetCaption(QStringLiteral("Tamsel录音机"));
         frame->SetBounds(0, 0, 250, 60);
         auto* menu = new TsuiMainMenu(frame);  // the frame frees its menu and items
         menu->SetUIStyle(style);
         TMenuItem* file = AddMenuItem(frame, menu->Items(), QStringLiteral("文件(&F)"));
         AddMenuItem(frame, menu->Items(), QStringLiteral("&Edit"));
         AddMenuItem(frame, menu->Items(), QStringLiteral("&Help"))->SetEnabled(state != TGalleryState::Disabled);
         FillSampleMenu(frame, file, state == TGalleryState::Disabled);
         frame->SetMenu(menu);
         AlignChildControls(frame);
         TsuiMenuBar* bar = frame->MenuBar();
         const QRect item = bar->actionGeometry(file->Action());
         if (state == TGalleryState::Hovered || state == TGalleryState::Pressed) {
           const QPointF at = QRectF(item).center();
           QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
           QApplication::sendEvent(bar, &move);
         }
         QLabel* drop =
             DropDownPicture(host, file->SubMenu(), state, QPoint(item.left(), bar->geometry().bottom() + 1));
         host->resize(std::max(frame->width(), drop->geometry().right() + 1), drop->geometry().bottom() + 1);
         return host;
       }},
      {QStringLiteral("TsuiPopupMenu"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* host = new QWidget(parent);
         auto* menu = new TsuiPopupMenu(nullptr);
         menu->SetUIStyle(style);
         FillSampleMenu(menu, menu->Items(), state == TGalleryState::Disabled);
         QLabel* drop = DropDownPicture(host, menu->Menu(), state, QPoint(0, 0));
         host->resize(drop->size());
         delete menu;  // the picture is all the gallery keeps
         return host;
       }},
      // Three buttons, the middle one checked; hovered and pressed act on the first.
      {QStringLiteral("TsuiToolBar"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* bar = new TsuiToolBar(nullptr);
         bar->setParent(parent);
         bar->SetUIStyle(style);
         bar->setGeometry(4, 4, 200, 26);
         TToolButton* first = nullptr;
         for (const char* caption : {"录制", "Loop", "Save"}) {
           auto* button = new TToolButton(bar);  // the bar frees its buttons
           button->SetCaption(QString::fromUtf8(caption));
           bar->AddButton(button);
           if (!first) first = button;
         }
         bar->Buttons(1)->SetStyle(tbsCheck);
         bar->Buttons(1)->SetDown(true);
         if (state == TGalleryState::Disabled)
           bar->setEnabled(false);
         else
           PutInState(bar->widgetForAction(first->Action()), state);
         return bar;
       }},
      // Folded to its bar; hovered shows it open, pressed open and pinned.
      {QStringLiteral("TsuiSideChannel"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* host = new QWidget(parent);
         host->resize(180, 110);
         auto* channel = new TsuiSideChannel(nullptr);
         channel->setParent(host);
         if (style != Custom) {
           channel->ApplyThemeColor(GetThemeColor(style, teControlColor));
           channel->ApplyThemeSideBarColor(GetThemeColor(style, teControlColor));
         }
         channel->SetCaption(QStringLiteral("工具"));
         channel->SetFullWidth(140);
         channel->SetQuickMove(true);
         AlignChildControls(host);
         if (state == TGalleryState::Hovered) channel->Pop(true);
         if (state == TGalleryState::Pressed) channel->SetStayOn(true);
         if (state == TGalleryState::Disabled) channel->setEnabled(false);
         return host;
       }},
  };
}

void Hover(QWidget* control) {
  const QPointF centre(control->width() / 2.0, control->height() / 2.0);
  QEnterEvent enter(centre, control->mapTo(control->window(), centre), control->mapToGlobal(centre));
  QApplication::sendEvent(control, &enter);
  QMouseEvent move(QEvent::MouseMove, centre, control->mapToGlobal(centre), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(control, &move);
}

void Press(QWidget* control) {
  Hover(control);
  const QPointF centre(control->width() / 2.0, control->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, centre, control->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(control, &press);
}

void PutInState(QWidget* control, TGalleryState state) {
  switch (state) {
    case TGalleryState::Enabled: break;
    case TGalleryState::Disabled: control->setEnabled(false); break;
    case TGalleryState::Hovered: Hover(control); break;
    case TGalleryState::Pressed: Press(control); break;
  }
}
