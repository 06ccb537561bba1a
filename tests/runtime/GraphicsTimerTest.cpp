#include "Application.h"
#include "EventLoopHelpers.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "Timers.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>

TEST(Color, IdentifiersNumbersAndPaintValues) {
  TColor c;
  ASSERT_TRUE(IdentToColor("clBtnFace", c));
  EXPECT_EQ(c, clBtnFace);
  EXPECT_EQ(ColorToIdent(clWindow), "clWindow");
  ASSERT_TRUE(IdentToColor("$954933", c));
  EXPECT_EQ(c.Value, 0x954933);
  ASSERT_TRUE(IdentToColor("9783603", c));
  EXPECT_EQ(c.Value, 0x954933);
  EXPECT_EQ(ColorToIdent(c), QString()) << "an unnamed colour has no identifier";
  EXPECT_FALSE(IdentToColor("clNoSuchColour", c));
  EXPECT_FALSE(IdentToColor("", c));
  // 0x00BBGGRR: red is the low byte.
  EXPECT_EQ(ToQColor(TColor(0x954933)), QColor(0x33, 0x49, 0x95));
  EXPECT_EQ(FromQColor(QColor(0x33, 0x49, 0x95)).Value, 0x954933);
  EXPECT_EQ(ToQColor(clWindow), QColor(Qt::white));
}

TEST(Font, SizeFollowsHeightAndAssignCopiesEverything) {
  TFont f;
  f.SetHeight(-12);
  EXPECT_EQ(f.Size(), 9);
  f.SetSize(8);
  EXPECT_EQ(f.Height(), -11);
  int changes = 0;
  TFont g;
  g.SetOnChange([&](TGraphicsObject*) { ++changes; });
  f.SetName(QString::fromUtf8("宋体"));
  f.SetStyle(fsBold | fsItalic);
  f.SetColor(clRed);
  g.Assign(&f);
  EXPECT_EQ(g.Name(), f.Name());
  EXPECT_EQ(g.Style(), f.Style());
  EXPECT_EQ(g.Color(), clRed);
  EXPECT_EQ(g.Height(), -11);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(g.ToQFont().bold());
  EXPECT_EQ(g.ToQFont().pixelSize(), 11);

  TPen pen;
  try {
    g.Assign(&pen);
    FAIL() << "assigning a pen to a font must fail";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPen to a TFont.");
  }
}

TEST(Canvas, PenAndBrushPaintTheirColours) {
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    TCanvas canvas(painter);
    canvas.Brush().SetColor(TColor(0x954933));
    canvas.FillRect(QRect(0, 0, 10, 5));
    canvas.Pen().SetColor(clRed);
    canvas.MoveTo(0, 8);
    canvas.LineTo(9, 8);
  }
  EXPECT_EQ(QColor(image.pixel(3, 2)), QColor(0x33, 0x49, 0x95));
  EXPECT_EQ(QColor(image.pixel(4, 8)), QColor(Qt::red));
  EXPECT_EQ(QColor(image.pixel(4, 6)), QColor(Qt::black));
}

TEST(Timer, TicksOnlyWhileEnabledWithHandler) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000);
  EXPECT_FALSE(timer.Running()) << "no handler, no ticks";
  int ticks = 0;
  timer.SetInterval(1);
  timer.SetOnTimer([&](TComponent* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  EXPECT_TRUE(timer.Running());
  ASSERT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  timer.SetEnabled(true);
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
}

TEST(Application, ExceptionFromTimerIsShownAndTheLoopGoesOn) {
  ASSERT_NE(TApplication::Instance(), nullptr);
  TExceptionCapture shown;
  TTimer timer(nullptr);
  timer.SetInterval(1);
  int ticks = 0;
  timer.SetOnTimer([&](TComponent*) {
    if (++ticks == 1) throw EFOpenError("Cannot open file \"x\".");
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(shown.Messages, QStringList{"Cannot open file \"x\"."});
  // Direct use from a catch block, any exception type.
  try {
    throw std::runtime_error("plain");
  } catch (...) {
    HandleException();
  }
  EXPECT_EQ(shown.Messages.last(), "plain");
}

// An error box runs its own loop; what fails meanwhile is shown after it
// closes, in order, and each distinct message once.
TEST(Application, ErrorsRaisedWhileABoxIsOpenAreShownAfterIt) {
  QStringList shown;
  int open = 0, mostOpen = 0;
  TApplication::Instance()->SetOnException([&](const QString& m) {
    shown << m;
    mostOpen = std::max(mostOpen, ++open);
    if (m == "device failed") {
      // What a box's loop would run: a deferred teardown that fails twice,
      // and the first failure again.
      QTimer::singleShot(0, [] {
        TApplication::Instance()->ShowException("finish failed");
        TApplication::Instance()->ShowException("device failed");
        TApplication::Instance()->ShowException("finish failed");
        TApplication::Instance()->ShowException("close failed");
      });
      QCoreApplication::processEvents();
      QCoreApplication::processEvents();
    }
    --open;
  });
  TApplication::Instance()->ShowException("device failed");
  FailOnLoopException();
  EXPECT_EQ(shown, (QStringList{"device failed", "finish failed", "close failed"}));
  EXPECT_EQ(mostOpen, 1);
  // Once the boxes are closed, the same failure is shown again.
  TExceptionCapture again;
  TApplication::Instance()->ShowException("device failed");
  EXPECT_EQ(again.Messages, QStringList{"device failed"});
}
