// The title bar on a skinned frame laid out as the recorder's: control box,
// close and minimize over three sections, driven by mouse events.
#include "Forms.h"
#include "FrameTestSupport.h"
#include "SUIForm.h"
#include "SUITitleBar.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <memory>

namespace {

const QColor kLeft(0xC0, 0x20, 0x20), kRight(0x20, 0xC0, 0x20), kClient(0x20, 0x20, 0xC0);
const QColor kKey(0xFF, 0x00, 0xFF);

// A button picture of one colour whose bottom row is the colour left out.
void KeyedPicture(TBitmap* picture, QColor colour) {
  QImage image(19, 19, QImage::Format_ARGB32);
  image.fill(colour);
  for (int x = 0; x < 19; ++x) image.setPixelColor(x, 18, kKey);
  picture->SetImage(image);
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

class TitleBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TForm>(nullptr);
    Frame = new TsuiForm(Form.get());
    Frame->setParent(Form.get());
    Frame->SetUIStyle(Protein);
    Frame->SetWidth(480);
    Frame->SetHeight(367);
    Frame->SetWindowRequests(&Requests);
    Bar = Frame->TitleBar();
    Bar->Buttons()->Clear();
    for (TsuiTitleBarBtnType type : {suiControlBox, suiClose, suiMin}) {
      TsuiTitleBarButton* b = Bar->Buttons()->Add();
      b->SetUIStyle(Protein);
      b->SetButtonType(type);
    }
    FillPicture(Bar->Sections()->Items(0)->Picture(), QSize(441, 23), kLeft);
    FillPicture(Bar->Sections()->Items(1)->Picture(), QSize(1, 23), kRight);
    FillPicture(Bar->Sections()->Items(2)->Picture(), QSize(1, 23), kClient);
  }

  QImage Shot() const { return Bar->grab().toImage(); }
  TsuiTitleBarButton* Button(int i) const { return Bar->Buttons()->Items(i); }
  void Show() {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  }
  // Press at a point of the bar, move the pointer and release there.
  void Drag(QPoint from, QPoint to) {
    SendMouse(Bar, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(Bar, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(Bar, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  void Click(QPoint at) { Drag(at, at); }

  TRecordedRequests Requests;
  std::unique_ptr<TForm> Form;
  TsuiForm* Frame = nullptr;
  TsuiTitleBar* Bar = nullptr;
};

TEST_F(TitleBarTest, recorderLayoutPutsTheControlBoxLeftAndCloseAtTheRightEdge) {
  ASSERT_EQ(QSize(480, 23), Bar->size());
  const TsuiTitleBarPlaces places = Bar->Places();
  ASSERT_EQ(3u, places.Buttons.size());
  EXPECT_EQ(1, places.Buttons[0].Index);
  EXPECT_EQ(QRect(461, 2, 19, 19), places.Buttons[0].Rect) << "close ends at the right edge";
  EXPECT_EQ(2, places.Buttons[1].Index);
  EXPECT_EQ(QRect(441, 2, 19, 19), places.Buttons[1].Rect) << "minimize left of close";
  EXPECT_EQ(0, places.Buttons[2].Index);
  EXPECT_EQ(QRect(0, 2, 19, 19), places.Buttons[2].Rect) << "control box at the left, no program icon";
  EXPECT_EQ(24, places.CaptionLeft);
  EXPECT_EQ(441 - 24, places.CaptionRoom);
}

TEST_F(TitleBarTest, eachButtonClaimsItsPictureAndOneEdgeColumnAndRow_andNoPixelOfItsNeighbour) {
  const TsuiTitleBarPlaces places = Bar->Places();
  EXPECT_EQ(1, places.ButtonAt(QPoint(461, 8))) << "close's first column is close's";
  EXPECT_EQ(1, places.ButtonAt(QPoint(480, 21)));
  EXPECT_EQ(2, places.ButtonAt(QPoint(460, 8))) << "the far edge of minimize";
  EXPECT_EQ(2, places.ButtonAt(QPoint(441, 2)));
  EXPECT_EQ(-1, places.ButtonAt(QPoint(440, 8)));
  EXPECT_EQ(-1, places.ButtonAt(QPoint(470, 22))) << "one row below the far edge";
  EXPECT_EQ(-1, places.ButtonAt(QPoint(470, 1)));
  EXPECT_EQ(0, places.ButtonAt(QPoint(19, 21)));
  EXPECT_EQ(-1, places.ButtonAt(QPoint(20, 8)));
}

TEST_F(TitleBarTest, sectionsCoverTheStripLeftRightAndStretchedClient) {
  const QImage shot = Shot();
  // Row 0 is above the buttons.
  EXPECT_EQ(kLeft, shot.pixelColor(0, 0));
  EXPECT_EQ(kLeft, shot.pixelColor(440, 0));
  EXPECT_EQ(kClient, shot.pixelColor(441, 0));
  EXPECT_EQ(kClient, shot.pixelColor(478, 22));
  EXPECT_EQ(kRight, shot.pixelColor(479, 0));
  EXPECT_EQ(kRight, shot.pixelColor(479, 22));

  // A bar narrower than the left section shows only its beginning.
  Frame->SetWidth(300);
  const QImage narrow = Shot();
  EXPECT_EQ(kLeft, narrow.pixelColor(299, 0));
}

TEST_F(TitleBarTest, buttonsShowTheirStatePicturesWithTheKeyColourLeftOut) {
  KeyedPicture(Button(1)->PicNormal(), QColor(0x80, 0x80, 0x80));
  KeyedPicture(Button(1)->PicMouseOn(), QColor(0xFF, 0xA0, 0x00));
  KeyedPicture(Button(1)->PicMouseDown(), QColor(0x60, 0x30, 0x00));
  ASSERT_TRUE(Button(1)->Transparent());
  const QPoint inside(465, 8), keyPixel(461, 20);

  EXPECT_EQ(QColor(0x80, 0x80, 0x80), Shot().pixelColor(inside));
  EXPECT_EQ(kClient, Shot().pixelColor(keyPixel)) << "the section shows through the key colour";
  SendMouse(Bar, QEvent::MouseMove, inside, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(1, Bar->HotIndex());
  EXPECT_EQ(QColor(0xFF, 0xA0, 0x00), Shot().pixelColor(inside));
  SendMouse(Bar, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(QColor(0x60, 0x30, 0x00), Shot().pixelColor(inside));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(Bar, &leave);
  EXPECT_EQ(-1, Bar->HotIndex());
  EXPECT_EQ(QColor(0x80, 0x80, 0x80), Shot().pixelColor(inside));
  EXPECT_TRUE(Requests.Moves.empty()) << "a press on a button never moves the window";
}

TEST_F(TitleBarTest, captionStartsAfterTheControlBoxAndTooLongACaptionKeepsTwoCharactersAndDots) {
  const QImage empty = Shot();
  Frame->SetCaption(QStringLiteral("Tamsel"));
  const QImage shown = Shot();
  int first = -1;
  for (int x = 0; x < shown.width() && first < 0; ++x)
    for (int y = 0; y < shown.height(); ++y)
      if (shown.pixel(x, y) != empty.pixel(x, y)) {
        first = x;
        break;
      }
  EXPECT_GE(first, 24);
  EXPECT_LE(first, 26);

  const QString long_ = QString(40, QChar(0x5F55));  // far wider than the 417 pixels of room
  Frame->SetCaption(long_);
  const QImage cut = Shot();
  Frame->SetCaption(long_.left(2) + QStringLiteral("..."));
  EXPECT_EQ(Shot(), cut);
  Frame->SetCaption(long_.left(3) + QStringLiteral("..."));
  EXPECT_NE(Shot(), cut);
}

TEST_F(TitleBarTest, secondClientSectionOrControlBoxIsRefusedWithAMessage) {
  TsuiTitleBarSection* left = Bar->Sections()->Items(0);
  EXPECT_EQ(QStringLiteral("Sorry, only one section's Align property can be \"suiClient\""),
            AnswerMessage([&] { left->SetAlign(suiClient); }));
  EXPECT_EQ(suiLeft, left->Align());
  TsuiTitleBarSection* client = Bar->Sections()->Items(2);
  EXPECT_FALSE(AnswerMessage([&] { client->SetAlign(suiClient); }).isEmpty()) << "even on the client section";
  EXPECT_EQ(suiClient, client->Align());
  client->SetStretch(false);
  EXPECT_TRUE(client->Stretch()) << "the client section always stretches";

  EXPECT_EQ(QStringLiteral("Sorry, only one button's ButtonType property can be \"suiControlBox\""),
            AnswerMessage([&] { Button(1)->SetButtonType(suiControlBox); }));
  EXPECT_EQ(suiClose, Button(1)->ButtonType());
}

TEST_F(TitleBarTest, customStyleLeavesNoSectionsButStillDrawsButtonsAndCaption) {
  KeyedPicture(Button(1)->PicNormal(), QColor(0x80, 0x80, 0x80));
  Bar->SetUIStyle(Custom);
  EXPECT_EQ(0, Bar->Sections()->Count());
  const QImage blank = Shot();
  EXPECT_EQ(QColor(0x80, 0x80, 0x80), blank.pixelColor(465, 8));
  Frame->SetCaption(QStringLiteral("Tamsel"));
  EXPECT_NE(blank, Shot());
}

TEST_F(TitleBarTest, draggingTheStripAsksTheWindowSystemToMoveTheWindow) {
  Show();
  Click(QPoint(200, 10));
  EXPECT_TRUE(Requests.Moves.empty()) << "a click without movement stays a click";
  Drag(QPoint(200, 10), QPoint(240, 30));
  ASSERT_EQ(1u, Requests.Moves.size());
  EXPECT_EQ(Form.get(), Requests.Moves[0]);
  EXPECT_TRUE(Requests.Resizes.empty());

  Form->showMaximized();
  Drag(QPoint(200, 10), QPoint(240, 30));
  EXPECT_EQ(1u, Requests.Moves.size()) << "a maximized window stays put";
}

TEST_F(TitleBarTest, topRowsOfASizeableWindowSizeItAndOtherwiseMove) {
  Show();
  const std::pair<QPoint, Qt::Edges> cases[] = {
      {QPoint(2, 2), Qt::TopEdge | Qt::LeftEdge},
      {QPoint(200, 4), Qt::TopEdge},
      {QPoint(478, 0), Qt::TopEdge | Qt::RightEdge},
  };
  for (const auto& [at, edges] : cases) {
    Requests.Resizes.clear();
    SendMouse(Bar, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(Bar, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(1u, Requests.Resizes.size()) << at.x() << "," << at.y();
    EXPECT_EQ(edges, Requests.Resizes[0]) << at.x() << "," << at.y();
  }
  Requests.Resizes.clear();
  SendMouse(Bar, QEvent::MouseButtonPress, QPoint(200, 5), Qt::LeftButton, Qt::LeftButton);
  SendMouse(Bar, QEvent::MouseButtonRelease, QPoint(200, 5), Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(Requests.Resizes.empty()) << "row 5 is the strip";

  // A window that could not be sized before it was skinned cannot be now.
  TForm fixed(nullptr);
  fixed.SetBorderStyle(bsSingle);
  TsuiForm frame(&fixed);
  frame.setParent(&fixed);
  frame.SetWindowRequests(&Requests);
  EXPECT_EQ(Qt::Edges(), frame.TitleBar()->EdgesAt(QPoint(2, 2)));
}

TEST_F(TitleBarTest, closeAndMinimizeActOnTheWindowOnlyWhenPressedAndReleasedOnThem) {
  Show();
  int closes = 0;
  Form->SetOnClose([&](TComponent*, TCloseAction&) { ++closes; });
  // Pressed on minimize, released on close: neither.
  SendMouse(Bar, QEvent::MouseButtonPress, QPoint(445, 8), Qt::LeftButton, Qt::LeftButton);
  SendMouse(Bar, QEvent::MouseMove, QPoint(465, 8), Qt::NoButton, Qt::LeftButton);
  SendMouse(Bar, QEvent::MouseButtonRelease, QPoint(465, 8), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(0, closes);
  EXPECT_FALSE(Form->isMinimized());
  EXPECT_TRUE(Requests.Moves.empty());

  Click(QPoint(5, 8));  // the control box has no menu: nothing happens
  EXPECT_TRUE(Form->isVisible());
  EXPECT_TRUE(Requests.Moves.empty());

  Click(QPoint(445, 8));
  EXPECT_TRUE(Form->isMinimized());
  Form->showNormal();
  Click(QPoint(465, 8));
  EXPECT_EQ(1, closes);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(TitleBarTest, doubleClickMaximizesOnlyWithAMaximizeButtonAndNotOnAButton) {
  Show();
  QTest::mouseDClick(Bar, Qt::LeftButton, {}, QPoint(200, 10));
  EXPECT_FALSE(Form->isMaximized()) << "no maximize button: nothing";

  TsuiTitleBarButton* max = Bar->Buttons()->Add();
  max->SetUIStyle(Protein);
  max->SetButtonType(suiMax);
  QTest::mouseDClick(Bar, Qt::LeftButton, {}, QPoint(465, 8));
  EXPECT_FALSE(Form->isMaximized()) << "on a button: nothing";
  QTest::mouseDClick(Bar, Qt::LeftButton, {}, QPoint(200, 10));
  EXPECT_TRUE(Form->isMaximized());
  EXPECT_TRUE(Requests.Moves.empty());
  QTest::mouseDClick(Bar, Qt::LeftButton, {}, QPoint(200, 10));
  EXPECT_FALSE(Form->isMaximized()) << "and back";
}

TEST(TitleBarRegion, roundCornersCutOnlyTheTopCorners) {
  const QRect client(0, 0, 100, 60);
  EXPECT_EQ(QRegion(client), RoundCornerRegion(client, 0));
  const QRegion round = RoundCornerRegion(client, 13);
  EXPECT_FALSE(round.contains(QPoint(0, 0)));
  EXPECT_FALSE(round.contains(QPoint(99, 0)));
  EXPECT_TRUE(round.contains(QPoint(50, 0)));
  EXPECT_TRUE(round.contains(QPoint(0, 59)));
  EXPECT_TRUE(round.contains(QPoint(99, 59)));
  EXPECT_TRUE(round.contains(QPoint(0, 30)));
}

TEST_F(TitleBarTest, roundCornerShapesTheWindowAndZeroLeavesItSquare) {
  Frame->SetRoundCorner(13);
  EXPECT_FALSE(Form->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(Form->mask().contains(QPoint(0, Form->height() - 1)));
  Frame->SetRoundCorner(0);
  EXPECT_TRUE(Form->mask().isEmpty()) << "square: no shape at all";
}

}  // namespace
