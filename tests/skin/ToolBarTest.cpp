// The skinned tool bar: its background per style and the looks of plain,
// hot, pressed and checked buttons, and the bar stored with its buttons.
#include "Description.h"
#include "Forms.h"
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

}  // namespace
