// The skinned frame on a window: taking over its caption and border, the
// layout and border it draws, sizing by the edges and the style it applies.
#include "Description.h"
#include "Forms.h"
#include "FrameTestSupport.h"
#include "SUIForm.h"
#include "SUIRegister.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QTest>
#include <memory>

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button,
                    type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons(), Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

struct TFramedWindow {
  explicit TFramedWindow(TFormBorderStyle style = bsSizeable) : Form(std::make_unique<TForm>(nullptr)) {
    Form->SetBorderStyle(style);
    Form->SetCaption(QStringLiteral("Tamsel"));
    Frame = new TsuiForm(Form.get());
    Frame->setParent(Form.get());
    Frame->SetWindowRequests(&Requests);
    Frame->SetUIStyle(Protein);
    Frame->SetWidth(480);
    Frame->SetHeight(367);
  }
  TRecordedRequests Requests;
  std::unique_ptr<TForm> Form;
  TsuiForm* Frame;
};

TEST(FormFrame, takesOverTheWindowsCaptionAndBorder) {
  TFramedWindow w;
  EXPECT_TRUE(w.Form->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(w.Form->windowFlags() & Qt::Window) << "still a window of its own for the task bar";
  EXPECT_EQ(QStringLiteral("Tamsel"), w.Frame->Caption());
  w.Frame->SetCaption(QStringLiteral("Tamsel录音机"));
  EXPECT_EQ(QStringLiteral("Tamsel录音机"), w.Form->windowTitle()) << "the task bar shows the frame's caption";
  EXPECT_EQ(130, w.Form->minimumWidth()) << "the style's title bar sets the window's minimum width";
  EXPECT_EQ(50, w.Form->minimumHeight());
}

TEST(FormFrame, borderOfOnePixelFramesTheWindowAndTheFrameFillsTheRest) {
  TFramedWindow w;
  EXPECT_EQ(QSize(482, 368), w.Form->size()) << "two borders wide, one high: the title bar covers the top one";
  EXPECT_EQ(QRect(1, 0, 480, 367), w.Frame->geometry());
  EXPECT_EQ(QRect(0, 0, 480, 23), w.Frame->TitleBar()->geometry());

  const QImage shot = w.Form->grab().toImage();
  for (const QPoint p : {QPoint(0, 100), QPoint(481, 100), QPoint(200, 367), QPoint(0, 367), QPoint(481, 0)})
    EXPECT_EQ(QColor(Qt::black), shot.pixelColor(p)) << p.x() << "," << p.y();

  w.Frame->SetTitleBarVisible(false);
  EXPECT_EQ(QRect(1, 1, 480, 366), w.Frame->geometry()) << "without the title bar the top border shows";
  EXPECT_EQ(QColor(Qt::black), w.Form->grab().toImage().pixelColor(200, 0));
  w.Frame->SetTitleBarVisible(true);

  // Wider borders grow the window around the frame, which keeps its size,
  // so a size stored and read back again stays the same.
  w.Frame->SetBorderWidth(3);
  EXPECT_EQ(QSize(486, 370), w.Form->size());
  EXPECT_EQ(QRect(3, 0, 480, 367), w.Frame->geometry());
  w.Frame->SetHeight(w.Frame->Height());
  EXPECT_EQ(367, w.Frame->Height());
  w.Frame->SetTitleBarVisible(false);
  w.Frame->SetHeight(300);
  EXPECT_EQ(QRect(3, 3, 480, 300), w.Frame->geometry()) << "without the title bar a border above it too";
  w.Frame->SetTitleBarVisible(true);
  w.Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.Form.get()));
  w.Form->resize(600, 400);
  QApplication::processEvents();
  EXPECT_EQ(QRect(3, 0, 594, 397), w.Frame->geometry()) << "the frame follows the window";
}

TEST(FormFrame, edgeTableGivesEdgesAndCornersFiveWideAndNothingInside) {
  const QSize client(482, 368);
  const struct {
    QPoint At;
    Qt::Edges Edges;
  } cases[] = {
      {{0, 0}, Qt::TopEdge | Qt::LeftEdge},
      {{4, 4}, Qt::TopEdge | Qt::LeftEdge},
      {{478, 0}, Qt::TopEdge | Qt::RightEdge},
      {{481, 4}, Qt::TopEdge | Qt::RightEdge},
      {{477, 3}, Qt::TopEdge},
      {{481, 367}, Qt::BottomEdge | Qt::RightEdge},
      {{478, 364}, Qt::BottomEdge | Qt::RightEdge},
      {{0, 367}, Qt::BottomEdge | Qt::LeftEdge},
      {{4, 364}, Qt::BottomEdge | Qt::LeftEdge},
      {{0, 200}, Qt::LeftEdge},
      {{4, 363}, Qt::LeftEdge},
      {{5, 200}, Qt::Edges()},
      {{200, 0}, Qt::TopEdge},
      {{200, 4}, Qt::TopEdge},
      {{200, 5}, Qt::Edges()},
      {{481, 200}, Qt::RightEdge},
      {{477, 200}, Qt::Edges()},
      {{200, 367}, Qt::BottomEdge},
      {{200, 363}, Qt::Edges()},
      {{5, 364}, Qt::BottomEdge},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Edges, FormEdgesAt(c.At, client)) << c.At.x() << "," << c.At.y();
}

TEST(FormFrame, pressingNearAnEdgeSizesASizeableWindowUnlessMaximized) {
  TFramedWindow w;
  w.Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.Form.get()));
  // The window's own border pixel, and the frame's pixels near the edge.
  SendMouse(w.Form.get(), QEvent::MouseButtonPress, QPoint(0, 200), Qt::LeftButton);
  SendMouse(w.Frame, QEvent::MouseButtonPress, QPoint(478, 200), Qt::LeftButton);
  SendMouse(w.Form.get(), QEvent::MouseButtonPress, QPoint(481, 367), Qt::LeftButton);
  SendMouse(w.Frame, QEvent::MouseButtonPress, QPoint(200, 200), Qt::LeftButton);
  ASSERT_EQ(3u, w.Requests.Resizes.size());
  EXPECT_EQ(Qt::Edges(Qt::LeftEdge), w.Requests.Resizes[0]);
  EXPECT_EQ(Qt::Edges(Qt::RightEdge), w.Requests.Resizes[1]);
  EXPECT_EQ(Qt::BottomEdge | Qt::RightEdge, w.Requests.Resizes[2]);
  EXPECT_EQ(w.Form.get(), w.Requests.Windows[0]);

  SendMouse(w.Form.get(), QEvent::MouseMove, QPoint(0, 200), Qt::NoButton);
  EXPECT_EQ(Qt::SizeHorCursor, w.Form->cursor().shape());
  SendMouse(w.Frame, QEvent::MouseMove, QPoint(200, 200), Qt::NoButton);
  EXPECT_EQ(Qt::ArrowCursor, w.Frame->cursor().shape());

  w.Form->showMaximized();
  SendMouse(w.Form.get(), QEvent::MouseButtonPress, QPoint(0, 10), Qt::LeftButton);
  EXPECT_EQ(3u, w.Requests.Resizes.size()) << "a maximized window has no edges";

  TFramedWindow fixed(bsSingle);
  fixed.Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fixed.Form.get()));
  SendMouse(fixed.Form.get(), QEvent::MouseButtonPress, QPoint(0, 200), Qt::LeftButton);
  EXPECT_TRUE(fixed.Requests.Resizes.empty()) << "a window that was not sizeable stays so";
}

TEST(FormFrame, secondFrameOnAWindowIsRefusedAndTheFirstStays) {
  TFramedWindow w;
  try {
    auto second = std::make_unique<TsuiForm>(w.Form.get());
    ADD_FAILURE() << "a second frame was made";
  } catch (const Exception& e) {
    EXPECT_EQ(QStringLiteral("Sorry, You can create only one TsuiForm component in one form!"), e.Message());
  }
  EXPECT_EQ(1, w.Form->ComponentCount());
  EXPECT_EQ(QRect(1, 0, 480, 367), w.Frame->geometry());
}

TEST(FormFrame, customStyleChangesNothingButTheStoredValue) {
  TFramedWindow w;
  w.Frame->SetBorderWidth(2);
  w.Frame->SetColor(clRed);
  const int sections = w.Frame->TitleBarSections()->Count();
  w.Frame->SetUIStyle(Custom);
  EXPECT_EQ(Custom, w.Frame->UIStyle());
  EXPECT_EQ(2, w.Frame->BorderWidth());
  EXPECT_EQ(clRed, w.Frame->Color());
  EXPECT_EQ(sections, w.Frame->TitleBarSections()->Count());
  // Custom paints the client with its colour, not the style's tile it had before.
  const QImage shot = w.Frame->grab().toImage();
  for (const QPoint p : {QPoint(100, 200), QPoint(101, 201), QPoint(300, 100)})
    EXPECT_EQ(QColor(Qt::red), shot.pixelColor(p)) << p.x() << "," << p.y();
}

TEST(FormFrame, formPanelFillsTheFrameAndTheFrameItselfIsRefused) {
  TFramedWindow w;
  EXPECT_EQ(QStringLiteral("Sorry, you can't select the Form assign to FormPanel property"),
            AnswerMessage([&] { w.Frame->SetFormPanel(w.Frame); }));
  EXPECT_EQ(nullptr, w.Frame->FormPanel());

  auto* panel = new TPanel(w.Form.get());
  panel->setParent(w.Frame);
  panel->SetCaption(QStringLiteral("inside"));
  w.Frame->SetFormPanel(panel);
  EXPECT_EQ(alClient, panel->Align());
  EXPECT_TRUE(panel->Caption().isEmpty());
  AlignChildControls(w.Frame);
  EXPECT_EQ(QRect(0, 23, 480, 344), panel->geometry());
  delete panel;
  EXPECT_EQ(nullptr, w.Frame->FormPanel()) << "a removed panel is forgotten";
}

TEST(FormFrame, storedValuesAfterTheStyleOverrideItAndTheTitleBarRoundTrips) {
  RegisterSkinControls();
  TFramedWindow w;
  w.Form->SetName(QStringLiteral("Form1"));
  w.Frame->SetName(QStringLiteral("suiForm1"));
  TsuiTitleBarButtons* buttons = w.Frame->TitleBarButtons();
  buttons->Clear();
  TsuiTitleBarButton* close = buttons->Add();
  close->SetUIStyle(Protein);
  close->SetButtonType(suiClose);
  FillPicture(close->PicNormal(), QSize(19, 19), QColor(0x11, 0x22, 0x33));
  w.Frame->SetBorderColor(clNavy);
  w.Frame->SetColor(TColor(0x123456));
  w.Frame->Font()->SetHeight(-12);

  TForm again(nullptr);
  ReadDescription(&again, WriteDescription(w.Form.get()));
  auto* frame = FindComponentAs<TsuiForm>(&again, QStringLiteral("suiForm1"));
  EXPECT_EQ(Protein, frame->UIStyle());
  EXPECT_EQ(clNavy, frame->BorderColor()) << "stored after the style, so it wins";
  EXPECT_EQ(TColor(0x123456), frame->Color());
  EXPECT_EQ(-12, frame->Font()->Height());
  EXPECT_EQ(QSize(482, 368), again.size());
  EXPECT_EQ(QRect(1, 0, 480, 367), frame->geometry());
  ASSERT_EQ(1, frame->TitleBarButtons()->Count());
  const TsuiTitleBarButton* read = frame->TitleBarButtons()->Items(0);
  EXPECT_EQ(suiClose, read->ButtonType());
  EXPECT_EQ(QColor(0x11, 0x22, 0x33), read->PicNormal()->Image().pixelColor(5, 5))
      << "stored pictures replace the style's";
  ASSERT_EQ(3, frame->TitleBarSections()->Count());
  EXPECT_EQ(441, frame->TitleBarSections()->Items(0)->Width());
  EXPECT_EQ(suiClient, frame->TitleBarSections()->Items(2)->Align());
}

}  // namespace
