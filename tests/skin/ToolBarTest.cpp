// The skinned tool bar: its background per style and the looks of plain,
// hot, pressed and checked buttons, and the bar stored with its buttons.
#include "Description.h"
#include "Forms.h"
#include "ImgList.h"
#include "SUIRegister.h"
#include "SUIToolBar.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QToolButton>

namespace {

// A parent painted red, so a transparent bar shows it.
class TRedParent : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::red); }
};

TToolButton* AddButton(TComponent* owner, TsuiToolBar* bar, const QString& caption) {
  auto* button = new TToolButton(owner);
  button->SetCaption(caption);
  bar->AddButton(button);
  return button;
}

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

QToolButton* WidgetOf(TsuiToolBar* bar, TToolButton* button) {
  return qobject_cast<QToolButton*>(bar->widgetForAction(button->Action()));
}

TEST(SkinToolBar, onlyMacOsLetsTheParentShowThrough) {
  for (TsuiUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    TRedParent parent;
    parent.resize(200, 40);
    auto* bar = new TsuiToolBar(nullptr);
    bar->setParent(&parent);
    bar->SetUIStyle(style);
    bar->setGeometry(0, 0, 200, 30);
    const QImage shot = parent.grab().toImage();
    const QColor expected = style == MacOS ? QColor(Qt::red) : ToQColor(GetThemeColor(style, 83));
    EXPECT_EQ(style == MacOS, bar->Transparent()) << int(style);
    EXPECT_EQ(expected, shot.pixelColor(190, 15)) << int(style);
    delete bar;
  }
}

TEST(SkinToolBar, hotPressedAndCheckedButtonsAreFlatRectanglesInTheStyleColours) {
  TForm form(nullptr);
  auto* bar = new TsuiToolBar(&form);
  bar->setParent(&form);
  bar->SetUIStyle(WinXP);
  bar->setGeometry(0, 0, 300, 30);
  TToolButton* plain = AddButton(&form, bar, QStringLiteral("录制"));
  TToolButton* loop = AddButton(&form, bar, QStringLiteral("Loop"));
  loop->SetStyle(tbsCheck);
  loop->SetDown(true);
  form.resize(300, 30);
  QApplication::processEvents();
  TsuiToolBar::TButtonState state;
  state.Bounds = QRect(0, 0, 40, 22);
  auto draw = [&](TsuiToolBar::TButtonState s) {
    QImage image(40, 22, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    bar->DrawToolButton(painter, s);
    return image;
  };
  const QColor border = ToQColor(GetThemeColor(WinXP, 80)), hot = ToQColor(GetThemeColor(WinXP, 81)),
               down = ToQColor(GetThemeColor(WinXP, 82));
  EXPECT_EQ(QColor(Qt::white), draw(state).pixelColor(2, 2)) << "a plain button has no box";
  state.Hot = true;
  EXPECT_EQ(hot, draw(state).pixelColor(2, 2));
  EXPECT_EQ(border, draw(state).pixelColor(0, 10));
  state.Pressed = true;
  EXPECT_EQ(down, draw(state).pixelColor(2, 2));
  state.Hot = state.Pressed = false;
  state.Checked = true;
  EXPECT_EQ(hot, draw(state).pixelColor(2, 2)) << "checked away from the pointer looks hot";

  // On screen: the checked button has its box, the plain one none.
  const QImage shot = bar->grab().toImage();
  const QRect p = WidgetOf(bar, plain)->geometry(), l = WidgetOf(bar, loop)->geometry();
  EXPECT_EQ(ToQColor(bar->Color()), shot.pixelColor(p.left() + 2, p.top() + 2));
  EXPECT_EQ(hot, shot.pixelColor(l.left() + 2, l.top() + 2));
  EXPECT_EQ(border, shot.pixelColor(l.left(), l.center().y()));
}

TEST(SkinToolBar, buttonsAndColoursComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* bar = new TsuiToolBar(&form);
  bar->setParent(&form);
  bar->SetName(QStringLiteral("tbMain"));
  bar->SetUIStyle(Protein);
  bar->SetButtonColor(TColor(0x123456));
  TToolButton* record = AddButton(&form, bar, QStringLiteral("录制"));
  record->SetName(QStringLiteral("tbRecord"));
  TToolButton* loop = AddButton(&form, bar, QStringLiteral("Loop"));
  loop->SetName(QStringLiteral("tbLoop"));
  loop->SetStyle(tbsCheck);
  loop->SetDown(true);
  const QByteArray json = WriteDescription(&form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* back = FindComponentAs<TsuiToolBar>(&copy, QStringLiteral("tbMain"));
  EXPECT_EQ(TColor(0x123456), back->ButtonColor());
  EXPECT_EQ(GetThemeColor(Protein, 82), back->ButtonDownColor());
  ASSERT_EQ(2, back->ButtonCount());
  EXPECT_EQ(QStringLiteral("录制"), back->Buttons(0)->Caption());
  EXPECT_EQ(tbsCheck, back->Buttons(1)->Style());
  EXPECT_TRUE(back->Buttons(1)->Down());
  EXPECT_EQ(json, WriteDescription(&copy));
}

TEST(SkinToolBar, buttonPicturesComeFromImagesOrHotImagesAndDropDownsShowTheirArrow) {
  TForm form(nullptr);
  auto* bar = new TsuiToolBar(&form);
  bar->setParent(&form);
  bar->SetUIStyle(WinXP);
  auto* images = new TImageList(&form);
  auto* hotImages = new TImageList(&form);
  images->Add(Filled(16, 16, qRgb(255, 0, 0)));
  hotImages->Add(Filled(16, 16, qRgb(0, 160, 0)));
  bar->SetImages(images);
  const QColor hot = ToQColor(GetThemeColor(WinXP, 81)), down = ToQColor(GetThemeColor(WinXP, 82));

  TsuiToolBar::TButtonState state;
  state.Bounds = QRect(0, 0, 40, 40);
  state.ImageIndex = 0;
  auto draw = [&](const TsuiToolBar::TButtonState& s) {
    QImage image(s.Bounds.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    bar->DrawToolButton(painter, s);
    return image;
  };
  EXPECT_EQ(QColor(255, 0, 0), draw(state).pixelColor(11, 2)) << "a plain button shows its picture";
  state.Hot = true;
  QImage shot = draw(state);
  EXPECT_EQ(QColor(255, 0, 0), shot.pixelColor(11, 2));
  EXPECT_EQ(QColor(255, 0, 0), shot.pixelColor(26, 17));
  EXPECT_EQ(hot, shot.pixelColor(10, 2));
  EXPECT_EQ(hot, shot.pixelColor(11, 18));
  state.Pressed = true;
  shot = draw(state);
  EXPECT_EQ(QColor(255, 0, 0), shot.pixelColor(12, 3)) << "pressed shifts the picture";
  EXPECT_EQ(down, shot.pixelColor(11, 3));
  state.Enabled = false;
  const QColor grey = draw(state).pixelColor(20, 10);
  EXPECT_EQ(grey.red(), grey.green());
  EXPECT_EQ(grey.green(), grey.blue());
  state.Enabled = true;
  state.ImageIndex = 4;  // no such picture
  EXPECT_EQ(down, draw(state).pixelColor(20, 10));
  state.ImageIndex = 0;

  bar->SetHotImages(hotImages);
  EXPECT_EQ(QColor(0, 160, 0), draw(state).pixelColor(20, 10)) << "hot images for a pressed button";
  state.Hot = state.Pressed = false;
  EXPECT_EQ(QColor(255, 0, 0), draw(state).pixelColor(20, 10)) << "plain images for a plain one";
  state.Checked = true;
  EXPECT_EQ(QColor(0, 160, 0), draw(state).pixelColor(20, 10));

  // The drop-down part: a line 14 pixels from the right and a small arrow,
  // shown while the button is hot.
  TsuiToolBar::TButtonState drop;
  drop.Bounds = QRect(0, 0, 40, 22);
  drop.DropDown = true;
  EXPECT_EQ(QColor(Qt::white), draw(drop).pixelColor(26, 5));
  drop.Hot = true;
  shot = draw(drop);
  EXPECT_EQ(QColor(0, 0, 0), shot.pixelColor(26, 5));
  EXPECT_EQ(QColor(0, 0, 0), shot.pixelColor(33, 11));
  EXPECT_EQ(QColor(0, 0, 0), shot.pixelColor(33, 12));
  EXPECT_EQ(hot, shot.pixelColor(33, 14));
  EXPECT_EQ(hot, shot.pixelColor(29, 11));

  // On screen the buttons make room for their pictures and the arrow.
  TToolButton* record = AddButton(&form, bar, QStringLiteral("录制"));
  record->SetImageIndex(0);
  TToolButton* more = AddButton(&form, bar, QStringLiteral("录制"));
  more->SetStyle(tbsDropDown);
  bar->setGeometry(0, 0, 300, 60);
  form.resize(300, 60);
  QApplication::processEvents();
  EXPECT_GE(WidgetOf(bar, record)->sizeHint().height(), 16 + 4);
  EXPECT_GE(WidgetOf(bar, more)->minimumWidth(), WidgetOf(bar, record)->sizeHint().width() + 14 - 1);
  const QImage barShot = bar->grab().toImage();
  const QRect r = WidgetOf(bar, record)->geometry();
  const int x = r.left() + (r.width() - 16) / 2 - 1;
  EXPECT_EQ(QColor(255, 0, 0), barShot.pixelColor(x + 8, r.top() + 10));

  // A list that goes is forgotten.
  delete hotImages;
  EXPECT_EQ(nullptr, bar->HotImages());
  EXPECT_EQ(images, bar->Images());
}

TEST(SkinToolBar, imageListsAndPictureIndexesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* icons = new TImageList(&form);
  icons->SetName(QStringLiteral("Icons"));
  icons->Add(Filled(16, 16, qRgb(255, 0, 0)));
  auto* bar = new TsuiToolBar(&form);
  bar->setParent(&form);
  bar->SetName(QStringLiteral("tbMain"));
  bar->SetImages(icons);
  bar->SetHotImages(icons);
  TToolButton* record = AddButton(&form, bar, QStringLiteral("录制"));
  record->SetName(QStringLiteral("tbRecord"));
  record->SetImageIndex(0);
  record->SetStyle(tbsDropDown);
  const QByteArray json = WriteDescription(&form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* back = FindComponentAs<TsuiToolBar>(&copy, QStringLiteral("tbMain"));
  auto* backIcons = FindComponentAs<TImageList>(&copy, QStringLiteral("Icons"));
  ASSERT_NE(nullptr, backIcons);
  EXPECT_EQ(1, backIcons->Count());
  EXPECT_EQ(backIcons, back->Images());
  EXPECT_EQ(backIcons, back->HotImages());
  ASSERT_EQ(1, back->ButtonCount());
  EXPECT_EQ(0, back->Buttons(0)->ImageIndex());
  EXPECT_EQ(tbsDropDown, back->Buttons(0)->Style());
  EXPECT_EQ(json, WriteDescription(&copy));
}

}  // namespace
