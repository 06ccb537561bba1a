// The standard controls as the main window relies on them.
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "StdCtrls.h"

#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include "EventLoopHelpers.h"

#include <gtest/gtest.h>

TEST(Controls, bottomAlignedChildTakesFullWidthAtTheBottom) {
  TPanel form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* bar = new TProgressBar(&form);
  bar->setParent(&form);
  bar->SetBounds(5, 5, 50, 17);
  bar->SetAlign(alBottom);
  AlignChildControls(&form);
  EXPECT_EQ(QRect(0, 183, 300, 17), bar->geometry());
}

// A progress bar's move is painted with the window's next paint, not at once
// inside SetPosition (playback moves it every block); a move too small to show
// paints nothing, and either end always shows.
TEST(Controls, progressBarPaintsAMoveWithTheNextPaint_andAlwaysShowsTheEnd) {
  TProgressBar bar(nullptr);
  bar.SetBounds(0, 0, 200, 16);
  bar.SetMax(10000);
  struct TPaints : QObject {
    int Count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++Count;
      return false;
    }
  } paints;
  bar.Widget()->installEventFilter(&paints);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  QCoreApplication::processEvents();
  const QImage empty = bar.Widget()->grab().toImage();
  paints.Count = 0;

  bar.SetPosition(5000);
  EXPECT_EQ(paints.Count, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(paints.Count, 1);
  EXPECT_EQ(bar.Position(), 5000);

  bar.SetPosition(5001);  // a ten-thousandth of 200 pixels
  QCoreApplication::processEvents();
  EXPECT_EQ(paints.Count, 1);

  bar.SetPosition(20000);  // clamped to the end
  EXPECT_EQ(bar.Position(), 10000);
  QCoreApplication::processEvents();
  EXPECT_EQ(paints.Count, 2);
  const QImage full = bar.Widget()->grab().toImage();
  EXPECT_NE(full.pixel(190, 8), empty.pixel(190, 8)) << "the bar is filled to its end";
}

TEST(Controls, lastStatusPanelExtendsToTheRightEdge) {
  TStatusBar bar(nullptr);
  bar.SetBounds(0, 0, 480, 19);
  bar.Panels()->Add();
  bar.Panels()->Add();
  bar.Panel(0)->SetWidth(120);
  bar.Panel(1)->SetWidth(50);
  EXPECT_EQ(QRect(0, 0, 120, 19), bar.PanelRect(0));
  EXPECT_EQ(QRect(120, 0, 360, 19), bar.PanelRect(1));
}

TEST(Controls, saveDialogFilterBecomesWindowSystemNotation) {
  TSaveDialog dialog(nullptr);
  dialog.SetFilter(QStringLiteral("Sound (*.wav)|*.wav|All|*.wav;*.au"));
  EXPECT_EQ(QStringLiteral("Sound (*.wav) (*.wav);;All (*.wav *.au)"), dialog.QtFilter());
}

TEST(Controls, clickHandlerFailureGoesToTheErrorDisplayAndNotThroughTheWidget) {
  TExceptionCapture capture;
  TButton button(nullptr);
  button.SetBounds(0, 0, 90, 25);
  int clicks = 0;
  button.SetOnClick([&](TComponent* sender) {
    EXPECT_EQ(&button, sender);
    ++clicks;
    throw EStreamError(QStringLiteral("disk full"));
  });
  button.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  QTest::mouseClick(button.Widget(), Qt::LeftButton);
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(QStringList{QStringLiteral("disk full")}, capture.Messages);
  EXPECT_FALSE(button.Widget()->isDown());
}

TEST(Controls, labelClickRunsOnRelease) {
  TLabel label(nullptr);
  label.SetCaption(QStringLiteral("home page"));
  EXPECT_GT(label.Width(), 0);
  int clicks = 0;
  label.SetOnClick([&](TComponent*) { ++clicks; });
  label.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
  QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(1, clicks);
}

TEST(Controls, controlOnAnotherWidgetClassTakesPartInAlignment) {
  TPanel form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* top = new TControlOf<QPushButton>(&form);
  auto* rest = new TControlOf<QPushButton>(&form);
  top->setParent(&form);
  rest->setParent(&form);
  top->SetHeight(25);
  top->SetAlign(alTop);
  rest->SetAlign(alClient);
  form.Loaded();
  EXPECT_EQ(QRect(0, 0, 300, 25), top->geometry());
  EXPECT_EQ(QRect(0, 25, 300, 175), rest->geometry());
}
