// The side channel over time, driven step by step: sliding open and closed,
// the leave check with a pointer the test places, the pin, and its floor.
#include "Description.h"
#include "Forms.h"
#include "SUIRegister.h"
#include "SUISideChannel.h"

#include <gtest/gtest.h>
#include <QToolButton>
#include <memory>
#include <vector>

namespace {

class SideChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Form->resize(400, 300);
    Channel = new TsuiSideChannel(Form.get());
    Channel->setParent(Form.get());
    Channel->SetFullWidth(100);
    Channel->SetCaption(QStringLiteral("频道"));
    Channel->SetOnPop([this](TComponent*) { Events.push_back("pop"); });
    Channel->SetOnPush([this](TComponent*) { Events.push_back("push"); });
    Channel->SetCursorSource([this] { return Cursor; });
    AlignChildControls(Form.get());
  }
  // Runs slide steps until the slide ends; returns the widths it went through.
  std::vector<int> Slide() {
    std::vector<int> widths;
    for (int i = 0; i < 100 && Channel->Animating(); ++i) {
      Channel->SlideStep();
      widths.push_back(Channel->width());
    }
    return widths;
  }
  QPoint Outside() const { return Channel->mapToGlobal(QPoint(Channel->width() + 40, 10)); }
  QPoint Inside() const { return Channel->mapToGlobal(QPoint(5, 10)); }

  std::unique_ptr<TForm> Form;
  TsuiSideChannel* Channel = nullptr;
  std::vector<std::string> Events;
  QPoint Cursor;
};

TEST_F(SideChannelTest, startsFoldedToItsBarAndSlidesOpenAndClosedInFifteenPixelSteps) {
  EXPECT_EQ(10, Channel->width());
  EXPECT_FALSE(Channel->IsOpen());
  EXPECT_EQ(300, Channel->height()) << "docked along the window's edge";
  Channel->Pop(false);
  EXPECT_TRUE(Channel->SlideTimer().isActive()) << "the slide runs on the timer, not in a loop";
  EXPECT_EQ((std::vector<int>{25, 40, 55, 70, 85, 100}), Slide());
  EXPECT_EQ((std::vector<std::string>{"pop"}), Events);
  EXPECT_TRUE(Channel->LeaveTimer().isActive());
  EXPECT_FALSE(Channel->PinButton()->isHidden());

  Cursor = Inside();
  Channel->CheckLeave();
  EXPECT_FALSE(Channel->Animating()) << "the pointer is still on it";
  Cursor = Outside();
  Channel->CheckLeave();
  EXPECT_FALSE(Channel->LeaveTimer().isActive());
  EXPECT_EQ((std::vector<int>{85, 70, 55, 40, 25, 10}), Slide());
  EXPECT_EQ((std::vector<std::string>{"pop", "push"}), Events);
  EXPECT_TRUE(Channel->PinButton()->isHidden());
}

TEST_F(SideChannelTest, quickMoveOpensAndClosesInOneStep) {
  Channel->SetQuickMove(true);
  Channel->Pop(Channel->QuickMove());
  EXPECT_EQ(100, Channel->width());
  EXPECT_FALSE(Channel->Animating());
  Cursor = Outside();
  Channel->CheckLeave();
  EXPECT_EQ(10, Channel->width());
  EXPECT_EQ((std::vector<std::string>{"pop", "push"}), Events);
}

TEST_F(SideChannelTest, aPinnedChannelStaysOpenWhenThePointerLeaves) {
  Channel->SetQuickMove(true);
  Channel->SetStayOn(true);
  EXPECT_EQ(100, Channel->width());
  EXPECT_TRUE(Channel->PinButton()->isChecked());
  EXPECT_FALSE(Channel->LeaveTimer().isActive()) << "nothing checks the pointer while pinned";
  // The user releases the pin: it closes at once.
  Channel->PinButton()->click();
  EXPECT_FALSE(Channel->StayOn());
  EXPECT_EQ(10, Channel->width());
}

TEST_F(SideChannelTest, clickModeOpensOnlyOnAClickAndAnOpenChannelKeepsItsFloor) {
  Channel->SetPopupMode(SUISideChannel::suiMouseClick);
  Channel->SetQuickMove(true);
  Channel->HoverPop();
  EXPECT_EQ(10, Channel->width());
  Channel->ClickPop();
  EXPECT_EQ(100, Channel->width());
  Channel->SetBounds(0, 0, 30, Channel->height());
  EXPECT_EQ(100, Channel->width()) << "too narrow for an open channel: refused";
  Channel->SetBounds(0, 0, 140, Channel->height());
  EXPECT_EQ(140, Channel->FullWidth()) << "a width the user gives an open channel is its new open width";
}

TEST_F(SideChannelTest, theUsersResizeHandlersRunAroundEachChangeOfSize) {
  Form->show();
  Channel->SetQuickMove(true);
  std::vector<int> asked, resized;
  bool allow = true;
  Channel->SetOnCanResize([&](TComponent*, int& w, int&, bool& resize) {
    asked.push_back(w);
    resize = allow;
  });
  Channel->SetOnResize([&](TComponent*) { resized.push_back(Channel->width()); });

  Channel->Pop(true);
  ASSERT_EQ(100, Channel->width());
  ASSERT_FALSE(resized.empty()) << "opening is a change of size";
  EXPECT_EQ(100, resized.back());
  EXPECT_EQ(100, Channel->FullWidth()) << "the slide does not change the open width";

  resized.clear();
  Channel->SetBounds(0, 0, 160, Channel->height());
  EXPECT_EQ(160, asked.back());
  EXPECT_EQ(std::vector<int>{160}, resized);
  EXPECT_EQ(160, Channel->FullWidth());

  // The user's refusal holds even for a width the channel would take.
  allow = false;
  Channel->SetBounds(0, 0, 120, Channel->height());
  EXPECT_EQ(160, Channel->width());
  EXPECT_EQ(160, Channel->FullWidth());

  // The handler may also change the width; the floor is checked after it.
  allow = true;
  Channel->SetOnCanResize([&](TComponent*, int& w, int&, bool&) { w = w / 2; });
  Channel->SetBounds(0, 0, 90, Channel->height());
  EXPECT_EQ(160, Channel->width()) << "45 is below the floor";
  Channel->SetBounds(0, 0, 180, Channel->height());
  EXPECT_EQ(90, Channel->width());

  // Folded to its bar, a narrow width is no open width.
  Channel->SetOnCanResize({});
  Channel->Push(true);
  EXPECT_EQ(10, Channel->width());
  EXPECT_EQ(90, Channel->FullWidth());
}

TEST(SideChannelDescription, storedValuesComeBack) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* channel = new TsuiSideChannel(&form);
  channel->setParent(&form);
  channel->SetName(QStringLiteral("scTools"));
  channel->SetFullWidth(160);
  channel->SetCaption(QStringLiteral("工具"));
  channel->SetChannelAlign(SUISideChannel::suiRight);
  channel->SetPopupMode(SUISideChannel::suiMouseClick);
  channel->SetSideBarColor(TColor(0x336699));
  const QByteArray json = WriteDescription(&form);
  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* back = FindComponentAs<TsuiSideChannel>(&copy, QStringLiteral("scTools"));
  EXPECT_EQ(160, back->FullWidth());
  EXPECT_EQ(QStringLiteral("工具"), back->Caption());
  EXPECT_EQ(SUISideChannel::suiRight, back->ChannelAlign());
  EXPECT_EQ(alRight, back->TControlBase::Align());
  EXPECT_EQ(SUISideChannel::suiMouseClick, back->PopupMode());
  EXPECT_EQ(TColor(0x336699), back->SideBarColor());
  EXPECT_FALSE(back->IsOpen());
  EXPECT_EQ(json, WriteDescription(&copy));
}

class TChannelWindow : public TForm {
  Q_OBJECT
 public:
  explicit TChannelWindow(TComponent* owner) : TForm(owner) {
    RegisterClass<TChannelWindow>();
    RegisterHandlers<TChannelWindow>()
        .Handler("ChannelResize", &TChannelWindow::ChannelResize)
        .Handler("ChannelCanResize", &TChannelWindow::ChannelCanResize);
  }
  void ChannelResize(TComponent*) { ++Resized; }
  void ChannelCanResize(TComponent*, int& width, int&, bool& resize) { resize = width != 77; }
  int Resized = 0;
};

TEST(SideChannelDescription, resizeHandlersAreBoundByName) {
  RegisterSkinControls();
  const QByteArray json = R"json({"Class": "TChannelWindow", "Name": "Window", "Children": [
      {"Class": "TsuiSideChannel", "Name": "scTools",
       "Properties": {"Width": 120, "QuickMove": true, "OnResize": "ChannelResize",
                      "OnCanResize": "ChannelCanResize"}}]})json";
  TChannelWindow window(nullptr);
  ReadDescription(&window, json);
  auto* channel = FindComponentAs<TsuiSideChannel>(&window, QStringLiteral("scTools"));
  window.show();
  channel->Pop(true);
  const int resized = window.Resized;
  EXPECT_GT(resized, 0);
  channel->SetBounds(0, 0, 77, channel->height());
  EXPECT_EQ(120, channel->width());
  channel->SetBounds(0, 0, 140, channel->height());
  EXPECT_EQ(140, channel->width());
  EXPECT_GT(window.Resized, resized);
  EXPECT_EQ(json.count("OnCanResize"), WriteDescription(&window).count("OnCanResize"));
}

}  // namespace

#include "SideChannelTest.moc"
