// Skinned menus: drop-down item sizes and drawing per style, the frame's
// menu bar with the keyboard and the pointer, the control-box popup, and
// menus stored in the window description.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "ImgList.h"
#include "SUIForm.h"
#include "SUIMainMenu.h"
#include "SUIPublic.h"
#include "SUIRegister.h"
#include "SUITitleBar.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <memory>

namespace {

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const QString& caption, const QString& name = {}) {
  auto* item = new TMenuItem(owner);
  item->SetName(name);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

QColor Rgb(TColor colour) { return ToQColor(colour); }

// The darkest grey level among the pixels of rect.
int DarkestLevel(const QImage& image, const QRect& rect) {
  int darkest = 255;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) darkest = std::min(darkest, qGray(image.pixel(x, y)));
  return darkest;
}

// A window with a skinned frame and a main menu: File (Open, -, Save
// disabled, Exit) and Edit (Copy, Loop checked).
class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FailOnLoopException();
    Form = std::make_unique<TForm>(nullptr);
    Frame = new TsuiForm(Form.get());
    Frame->setParent(Form.get());
    Frame->SetUIStyle(Protein);
    Frame->SetWidth(320);
    Frame->SetHeight(200);
    Menu = new TsuiMainMenu(Form.get());
    File = AddItem(Form.get(), Menu->Items(), QStringLiteral("&File"));
    Open = AddItem(Form.get(), File, QStringLiteral("&Open"));
    Open->SetShortCut(QStringLiteral("Ctrl+O"));
    Line = AddItem(Form.get(), File, QStringLiteral("-"));
    Save = AddItem(Form.get(), File, QStringLiteral("&Save"));
    Save->SetEnabled(false);
    Exit = AddItem(Form.get(), File, QStringLiteral("E&xit"));
    Edit = AddItem(Form.get(), Menu->Items(), QStringLiteral("&Edit"));
    Copy = AddItem(Form.get(), Edit, QStringLiteral("&Copy"));
    Loop = AddItem(Form.get(), Edit, QStringLiteral("&Loop"));
    Loop->SetChecked(true);
  }
  void TearDown() override {
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  }

  void Show() {
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  }
  // The drop-down laid out and drawn without being shown.
  static QImage Drawn(QMenu* menu) {
    menu->ensurePolished();
    menu->resize(menu->sizeHint());
    return menu->grab().toImage();
  }

  std::unique_ptr<TForm> Form;
  TsuiForm* Frame = nullptr;
  TsuiMainMenu* Menu = nullptr;
  TMenuItem *File, *Open, *Line, *Save, *Exit, *Edit, *Copy, *Loop;
};

TEST_F(MenuTest, itemAndSeparatorHeightsFollowTheStyle) {
  for (TsuiUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    Menu->SetUIStyle(style);
    QMenu* drop = File->SubMenu();
    EXPECT_EQ(GetThemeInt(style, 20), drop->actionGeometry(Open->Action()).height()) << int(style);
    EXPECT_EQ(GetThemeInt(style, 21), drop->actionGeometry(Line->Action()).height()) << int(style);
    EXPECT_EQ(GetThemeInt(style, 22), Menu->BarWidth()) << int(style);
  }
  Menu->SetUIStyle(MacOS);
  Menu->SetMenuItemHeight(30);
  Menu->SetSeparatorHeight(30);
  EXPECT_EQ(20, Menu->MenuItemHeight());
  EXPECT_EQ(12, Menu->SeparatorHeight());

  Menu->SetUIStyle(DeepBlue);
  Menu->SetMenuItemHeight(30);
  EXPECT_EQ(30, File->SubMenu()->actionGeometry(Open->Action()).height());
  // Wide enough for caption, short cut, side bar and the margin.
  EXPECT_GT(File->SubMenu()->actionGeometry(Open->Action()).width(), Menu->BarWidth() + 40);
}

TEST_F(MenuTest, checkedDisabledAndSelectedItemsAreDrawnInTheStyleColours) {
  Menu->SetUIStyle(WinXP);
  QMenu* edit = Edit->SubMenu();
  QImage shot = Drawn(edit);
  const QRect loop = edit->actionGeometry(Loop->Action());
  // The check mark sits in the side bar, drawn dark over the bar colour.
  EXPECT_LT(DarkestLevel(shot, QRect(loop.left() + 4, loop.top() + 3, 16, 16)), 0x40);
  const QRect copy = edit->actionGeometry(Copy->Action());
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 17)), shot.pixelColor(copy.left() + 4, copy.top() + 3)) << "side bar";

  QMenu* file = File->SubMenu();
  shot = Drawn(file);
  const QRect open = file->actionGeometry(Open->Action()), save = file->actionGeometry(Save->Action());
  const QRect captionOf = QRect(Menu->BarWidth() + 4, 4, 30, 12);
  EXPECT_LT(DarkestLevel(shot, captionOf.translated(open.topLeft())), 0x40) << "enabled text is black";
  const int grey = DarkestLevel(shot, captionOf.translated(save.topLeft()));
  EXPECT_GT(grey, 0x60) << "disabled text is grey";
  EXPECT_LT(grey, 0xB0);
  const QRect line = file->actionGeometry(Line->Action());
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 18)), shot.pixelColor(line.center().x(), line.top() + 2));

  file->setActiveAction(Open->Action());
  shot = Drawn(file);
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 12)), shot.pixelColor(open.right() - 3, open.center().y())) << "fill";
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 11)), shot.pixelColor(open.left(), open.center().y())) << "frame";

  // A disabled item under the pointer keeps the plain background.
  file->setActiveAction(Save->Action());
  shot = Drawn(file);
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 15)), shot.pixelColor(save.right() - 3, save.center().y()));
}

TEST_F(MenuTest, itemPicturesComeFromTheImagesListGreyedWhenDisabledAndFramedWhenChecked) {
  Menu->SetUIStyle(WinXP);
  EXPECT_EQ(nullptr, Menu->Images()) << "the built-in check mark list is never handed out";
  auto* icons = new TImageList(Form.get());
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(qRgb(255, 0, 0));
  icons->Add(red);
  Menu->SetImages(icons);
  EXPECT_EQ(icons, Menu->Images());
  Copy->SetImageIndex(0);
  Loop->SetImageIndex(0);
  Save->SetImageIndex(0);
  Open->SetImageIndex(3);  // no such picture: drawn as if it had none

  QMenu* edit = Edit->SubMenu();
  QImage shot = Drawn(edit);
  const QRect copy = edit->actionGeometry(Copy->Action()), loop = edit->actionGeometry(Loop->Action());
  EXPECT_EQ(QColor(255, 0, 0), shot.pixelColor(copy.left() + 4, copy.top() + 3));
  EXPECT_EQ(QColor(255, 0, 0), shot.pixelColor(copy.left() + 19, copy.top() + 18));
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 17)), shot.pixelColor(copy.left() + 3, copy.top() + 3));
  // Checked with a picture: a black frame round a fill of the selected colour.
  EXPECT_EQ(QColor(0, 0, 0), shot.pixelColor(loop.left() + 2, loop.top() + 1));
  EXPECT_EQ(QColor(0, 0, 0), shot.pixelColor(loop.left() + 20, loop.top() + 10));
  EXPECT_EQ(QColor(0, 0, 0), shot.pixelColor(loop.left() + 10, loop.top() + 19));
  EXPECT_EQ(Rgb(Menu->SelectedColor()), shot.pixelColor(loop.left() + 3, loop.top() + 2));
  EXPECT_EQ(QColor(255, 0, 0), shot.pixelColor(loop.left() + 10, loop.top() + 10));

  QMenu* file = File->SubMenu();
  shot = Drawn(file);
  const QRect save = file->actionGeometry(Save->Action()), open = file->actionGeometry(Open->Action());
  const QColor grey = shot.pixelColor(save.left() + 10, save.top() + 10);
  EXPECT_EQ(grey.red(), grey.green());
  EXPECT_EQ(grey.green(), grey.blue());
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 17)), shot.pixelColor(open.left() + 10, open.top() + 10));

  // Without a list, a checked item gets the plain mark back.
  Menu->SetImages(nullptr);
  EXPECT_EQ(nullptr, Menu->Images());
  shot = Drawn(edit);
  EXPECT_NE(QColor(255, 0, 0), shot.pixelColor(copy.left() + 10, copy.top() + 10));
  EXPECT_LT(DarkestLevel(shot, QRect(loop.left() + 4, loop.top() + 3, 16, 16)), 0x40);

  // A destroyed list is forgotten, not drawn from.
  Menu->SetImages(icons);
  delete icons;
  EXPECT_EQ(nullptr, Menu->Images());
  shot = Drawn(edit);
  EXPECT_NE(QColor(255, 0, 0), shot.pixelColor(copy.left() + 10, copy.top() + 10));
}

TEST_F(MenuTest, macStyleStretchesItsPicturesOverTheItems) {
  Menu->SetUIStyle(MacOS);
  QMenu* file = File->SubMenu();
  file->setActiveAction(Open->Action());
  const QImage shot = Drawn(file);
  TBitmap select, bar;
  LoadSkinBitmap(select, 0, QStringLiteral("MACOS_MENU_SELECT"));
  LoadSkinBitmap(bar, 0, QStringLiteral("MACOS_MENU_BAR"));
  const QRect open = file->actionGeometry(Open->Action()), exit = file->actionGeometry(Exit->Action());
  EXPECT_EQ(select.Image().pixelColor(0, 10), shot.pixelColor(open.right() - 2, open.top() + 10));
  EXPECT_EQ(bar.Image().pixelColor(0, 10), shot.pixelColor(exit.right() - 2, exit.top() + 10));
}

TEST_F(MenuTest, altAndArrowKeysWalkTheMenuAndEnterClicks) {
  int copies = 0;
  Copy->SetOnClick([&](TComponent*) { ++copies; });
  Show();
  ASSERT_NE(nullptr, Frame->MenuBar());
  QTest::keyClick(Form.get(), Qt::Key_F, Qt::AltModifier);
  ASSERT_TRUE(ProcessEventsUntil([&] { return File->SubMenu()->isVisible(); }, 2000));
  QMenu* file = File->SubMenu();
  EXPECT_EQ(Open->Action(), file->activeAction());
  QTest::keyClick(file, Qt::Key_Down);  // over the separator
  EXPECT_EQ(Save->Action(), file->activeAction());
  QTest::keyClick(file, Qt::Key_Down);
  EXPECT_EQ(Exit->Action(), file->activeAction());
  QTest::keyClick(file, Qt::Key_Right);
  ASSERT_TRUE(ProcessEventsUntil([&] { return Edit->SubMenu()->isVisible(); }, 2000));
  EXPECT_FALSE(file->isVisible());
  QTest::keyClick(Edit->SubMenu(), Qt::Key_Return);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !Edit->SubMenu()->isVisible(); }, 2000));
  EXPECT_EQ(1, copies);
}

TEST_F(MenuTest, theBarShowsTheTopItemsUnderTheTitleAndLightsTheHotOne) {
  Frame->SetUIStyle(WinXP);
  Show();
  TsuiMenuBar* bar = Frame->MenuBar();
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ(Frame->TitleBar()->height(), bar->y());
  EXPECT_EQ(Frame->MenuBarHeight(), bar->height());
  ASSERT_EQ(2, bar->actions().size());
  const QRect edit = bar->actionGeometry(Edit->Action());
  QMouseEvent move(QEvent::MouseMove, QPointF(edit.center()), QPointF(bar->mapToGlobal(edit.center())), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &move);
  ASSERT_EQ(Edit->Action(), bar->activeAction());
  const QImage shot = bar->grab().toImage();
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 11)), shot.pixelColor(edit.left(), edit.center().y()));
  EXPECT_EQ(Rgb(GetThemeColor(WinXP, 12)), shot.pixelColor(edit.left() + 2, edit.top() + 2));
  const QRect file = bar->actionGeometry(File->Action());
  EXPECT_EQ(Rgb(Frame->MenuBarColor()), shot.pixelColor(file.left() + 1, file.top() + 1));

  // A new top item shows at once; removing the menu takes the bar away.
  AddItem(Form.get(), Menu->Items(), QStringLiteral("&Help"));
  EXPECT_EQ(3, bar->actions().size());
  delete Menu;
  Menu = nullptr;
  EXPECT_EQ(nullptr, Frame->MenuBar());
  EXPECT_EQ(nullptr, Frame->Menu());
}

TEST_F(MenuTest, theControlBoxPopsItsMenuUpUnderTheBar) {
  auto* popup = new TsuiPopupMenu(Form.get());
  AddItem(Form.get(), popup->Items(), QStringLiteral("关于"));
  EXPECT_EQ(Protein, popup->UIStyle());
  TsuiTitleBar* bar = Frame->TitleBar();
  int box = -1;
  for (int i = 0; i < bar->Buttons()->Count(); ++i)
    if (bar->Buttons()->Items(i)->ButtonType() == suiControlBox) box = i;
  ASSERT_GE(box, 0);
  bar->Buttons()->Items(box)->SetControlBoxMenu(popup);
  Show();
  bar->RunButtonAction(box);
  ASSERT_TRUE(ProcessEventsUntil([&] { return popup->Menu()->isVisible(); }, 2000));
  EXPECT_EQ(bar->mapToGlobal(QPoint(0, bar->height())), popup->Menu()->pos());
  popup->Menu()->close();
  delete popup;
  EXPECT_EQ(nullptr, bar->Buttons()->Items(box)->ControlBoxMenu());
}

TEST(MenuItems, refuseToGoInsideThemselvesAndLeaveTheirParentWhenFreed) {
  TMainMenu menu(nullptr);
  auto* top = new TMenuItem(&menu);
  auto* child = new TMenuItem(&menu);
  menu.Items()->Add(top);
  top->Add(child);
  EXPECT_THROW(child->Add(top), EMenuError);
  EXPECT_EQ(top, child->Parent());
  EXPECT_EQ(&menu, child->GetParentMenu());
  EXPECT_THROW(child->SetShortCut(QStringLiteral("Ctrl+Nowhere+")), EConvertError);
  delete child;
  EXPECT_EQ(0, top->Count());
  EXPECT_EQ(nullptr, top->SubMenu()->actions().value(0));
}

}  // namespace

// A window class with a handler, so item clicks can be stored.
class TMenuWindow : public TForm {
  Q_OBJECT
 public:
  explicit TMenuWindow(TComponent* owner) : TForm(owner) {
    RegisterClass<TMenuWindow>();
    RegisterHandlers<TMenuWindow>().Handler("miOpenClick", &TMenuWindow::miOpenClick);
  }
  void miOpenClick(TComponent*) { ++Opened; }
  int Opened = 0;
};

TEST(MenuDescription, itemsTheirClicksAndTheFramesMenuComeBack) {
  RegisterSkinControls();
  const QByteArray json = R"json({"Class": "TMenuWindow", "Name": "Window",
    "Children": [
      {"Class": "TsuiForm", "Name": "Frame", "Properties": {"UIStyle": "Protein", "Menu": "MainMenu"}},
      {"Class": "TImageList", "Name": "Icons", "Properties": {"Width": 20}},
      {"Class": "TsuiMainMenu", "Name": "MainMenu", "Properties": {"UIStyle": "WinXP", "BarWidth": 30,
       "Images": "Icons"},
       "Children": [
         {"Class": "TMenuItem", "Name": "miFile", "Properties": {"Caption": "文件(&F)"},
          "Children": [
            {"Class": "TMenuItem", "Name": "miOpen",
             "Properties": {"Caption": "&Open", "ShortCut": "Ctrl+O", "OnClick": "miOpenClick"}},
            {"Class": "TMenuItem", "Name": "miLine", "Properties": {"Caption": "-"}},
            {"Class": "TMenuItem", "Name": "miLoop", "Properties": {"Caption": "&Loop", "Checked": true,
             "Enabled": false}}]}]},
      {"Class": "TsuiPopupMenu", "Name": "BoxMenu",
       "Children": [{"Class": "TMenuItem", "Name": "miAbout", "Properties": {"Caption": "关于"}}]}]})json";
  TMenuWindow window(nullptr);
  ReadDescription(&window, json);
  auto* menu = FindComponentAs<TsuiMainMenu>(&window, QStringLiteral("MainMenu"));
  auto* frame = FindComponentAs<TsuiForm>(&window, QStringLiteral("Frame"));
  EXPECT_EQ(menu, frame->Menu());
  EXPECT_EQ(frame, menu->Form());
  EXPECT_EQ(30, menu->BarWidth());
  EXPECT_EQ(FindComponentAs<TImageList>(&window, QStringLiteral("Icons")), menu->Images());
  EXPECT_EQ(GetThemeInt(WinXP, 20), menu->MenuItemHeight());
  ASSERT_EQ(1, menu->Items()->Count());
  TMenuItem* file = menu->Items()->Items(0);
  ASSERT_EQ(3, file->Count());
  EXPECT_EQ(QStringLiteral("Ctrl+O"), file->Items(0)->ShortCut());
  EXPECT_TRUE(file->Items(1)->IsLine());
  EXPECT_TRUE(file->Items(2)->Checked());
  EXPECT_FALSE(file->Items(2)->Enabled());
  ASSERT_NE(nullptr, frame->MenuBar());
  EXPECT_EQ(QStringLiteral("文件(&F)"), frame->MenuBar()->actions().value(0)->text());
  file->Items(0)->Action()->trigger();
  EXPECT_EQ(1, window.Opened);
  auto* box = FindComponentAs<TsuiPopupMenu>(&window, QStringLiteral("BoxMenu"));
  EXPECT_EQ(1, box->Items()->Count());

  const QByteArray written = WriteDescription(&window);
  TMenuWindow copy(nullptr);
  ReadDescription(&copy, written);
  EXPECT_EQ(written.toStdString(), WriteDescription(&copy).toStdString());
  EXPECT_EQ(3, FindComponentAs<TsuiMainMenu>(&copy, QStringLiteral("MainMenu"))->Items()->Items(0)->Count());
  EXPECT_EQ(20, FindComponentAs<TsuiMainMenu>(&copy, QStringLiteral("MainMenu"))->Images()->Width());
}

#include "MenuTest.moc"
