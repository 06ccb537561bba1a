#include <gtest/gtest.h>

#include "ComCtrls.h"
#include "DisplayTestSupport.h"
#include "deAudioConsts.h"

#include <QHash>
#include <cmath>
#include <tuple>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

class OscilloscopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Scope.SetAudioControlSource(&Source);
    Scope.SetColor(clWhite);
    Scope.PenLeft()->SetColor(clRed);
    Scope.PenRight()->SetColor(clBlue);
  }
  template <class L, class R>
  void Show(int frames, L left, R right) {
    Source.Load(Frames(frames, left, right));
    ASSERT_EQ(Source.SampleCount(), frames);
  }

  TLoadedControlSource Source{nullptr};
  TdeOscilloscope Scope{nullptr};
  const QRgb Red = Rgb(clRed);
  const QRgb Blue = Rgb(clBlue);
};

TEST_F(OscilloscopeTest, RecorderSizeTopBottomCentresLeftOn28AndRightOn85) {
  Scope.resize(465, 114);
  Show(1000, Constant(0), Constant(0));
  const QImage image = Render(Scope);
  for (int x : {0, 1, 100, 232, 463, 464}) {
    EXPECT_EQ(RowsWith(image, x, Red), std::vector<int>{28}) << "x " << x;
    EXPECT_EQ(RowsWith(image, x, Blue), std::vector<int>{85}) << "x " << x;
  }
  EXPECT_EQ(CountColour(image, Red), 465);
  EXPECT_EQ(CountColour(image, Blue), 465);
  EXPECT_EQ(CountColour(image, kWhite), 465 * 114 - 2 * 465);
}

TEST_F(OscilloscopeTest, FullScaleReachesHalfOnEitherSideAndPositiveIsBelow) {
  Scope.resize(465, 114);
  // 32767 * 28 / 32768 = 27.999..., rounded to 28: the bottom row of the left half.
  Show(100, Constant(32767), Constant(-32768));
  QImage image = Render(Scope);
  EXPECT_EQ(RowsWith(image, 200, Red), std::vector<int>{56});
  EXPECT_EQ(RowsWith(image, 200, Blue), std::vector<int>{57}) << "-32768 reaches exactly mid - half";

  Show(100, Constant(-32768), Constant(32767));
  image = Render(Scope);
  EXPECT_EQ(RowsWith(image, 200, Red), std::vector<int>{0});
  EXPECT_EQ(RowsWith(image, 200, Blue), std::vector<int>{113});
}

// In a 398-wide rectangle with 200 points the points sit at x = 0, 2, 4, ...;
// with half 50 a level of +-16384 is drawn on row 75 or 25.
class OscilloscopePointsTest : public OscilloscopeTest {
 protected:
  void SetUp() override {
    OscilloscopeTest::SetUp();
    Scope.SetLayout(olLeftChannel);
    Scope.resize(398, 101);
  }
  static int Row(bool high) { return high ? 75 : 25; }
};

TEST_F(OscilloscopePointsTest, ThousandFramesShowEveryFifthFrame) {
  // Frames between the shown ones would pull the trace down to the bottom row.
  Show(
      1000, [](int f) { return f % 5 ? 32767 : (f / 5 % 2 ? -16384 : 16384); }, Constant(0));
  const QImage image = Render(Scope);
  for (int k = 0; k < 199; ++k)  // point 199 lies on the right edge, outside the image
    EXPECT_EQ(image.pixel(2 * k, Row(k % 2 == 0)), Red) << "point " << k << " shows frame " << 5 * k;
  for (int y = 76; y < 101; ++y)
    for (int x = 0; x < 398; ++x) ASSERT_NE(image.pixel(x, y), Red) << "a frame between points was drawn";
}

TEST_F(OscilloscopePointsTest, FewerFramesThanPointsShowEachFrameTwice) {
  Show(
      100, [](int f) { return f % 2 ? -16384 : 16384; }, Constant(0));
  const QImage image = Render(Scope);
  for (int k = 0; k < 199; ++k) {
    const int frame = k / 2;
    EXPECT_EQ(image.pixel(2 * k, Row(frame % 2 == 0)), Red) << "point " << k;
    if (k % 2 == 0) {
      EXPECT_EQ(image.pixel(2 * k + 1, Row(frame % 2 == 0)), Red) << "points " << k << ", " << k + 1;
    }
  }
}

TEST_F(OscilloscopePointsTest, OneFrameIsAFlatLineRoundedHalfToEven) {
  // 8192 * 50 / 32768 = 12.5, a tie: 12, so row 62.
  Show(1, Constant(8192), Constant(0));
  const QImage image = Render(Scope);
  for (int x = 0; x < 398; ++x) ASSERT_EQ(RowsWith(image, x, Red), std::vector<int>{62}) << "x " << x;
}

TEST_F(OscilloscopeTest, PointPositionsRoundHalfToEven) {
  // 11 points over 25 pixels: x = 0, 2.5, 5, 7.5, ... rounds to 0, 2, 5, 8, 10, 12, 15, 18, 20, 22, 25.
  Scope.resize(25, 101);
  Scope.SetLayout(olLeftChannel);
  Scope.SetNumberOfPoints(11);
  Show(
      11, [](int f) { return f % 2 ? -16384 : 16384; }, Constant(0));
  const QImage image = Render(Scope);
  const int xs[] = {0, 2, 5, 8, 10, 12, 15, 18, 20, 22};
  for (int k = 0; k < 10; ++k) EXPECT_EQ(image.pixel(xs[k], k % 2 ? 25 : 75), Red) << "point " << k;
  for (int x : {3, 7, 13, 17, 23}) {
    EXPECT_NE(image.pixel(x, 25), Red) << x;
    EXPECT_NE(image.pixel(x, 75), Red) << x;
  }
}

TEST_F(OscilloscopeTest, OverlayDrawsRightOverLeftInTheWholeRectangle) {
  Scope.resize(465, 114);
  Scope.SetLayout(olOverlay);
  Show(50, Constant(0), Constant(0));
  QImage image = Render(Scope);
  EXPECT_EQ(CountColour(image, Red), 0);
  EXPECT_EQ(RowsWith(image, 10, Blue), std::vector<int>{57});

  Show(50, Constant(16384), Constant(0));
  image = Render(Scope);
  EXPECT_EQ(RowsWith(image, 10, Red), std::vector<int>{57 + 28});
  EXPECT_EQ(RowsWith(image, 10, Blue), std::vector<int>{57});
}

TEST_F(OscilloscopeTest, LeftRightAndSingleChannelLayouts) {
  Scope.resize(465, 114);
  Show(50, Constant(16384), Constant(-16384));

  Scope.SetLayout(olLeftRight);  // halves at x = 232
  QImage image = Render(Scope);
  EXPECT_EQ(RowsWith(image, 100, Red), std::vector<int>{57 + 28});
  EXPECT_EQ(RowsWith(image, 300, Blue), std::vector<int>{57 - 28});
  EXPECT_TRUE(RowsWith(image, 300, Red).empty());
  EXPECT_TRUE(RowsWith(image, 100, Blue).empty());

  Scope.SetLayout(olLeftChannel);
  image = Render(Scope);
  EXPECT_EQ(RowsWith(image, 300, Red), std::vector<int>{57 + 28});
  EXPECT_EQ(CountColour(image, Blue), 0);

  Scope.SetLayout(olRightChannel);
  image = Render(Scope);
  EXPECT_EQ(RowsWith(image, 100, Blue), std::vector<int>{57 - 28});
  EXPECT_EQ(CountColour(image, Red), 0);
}

TEST_F(OscilloscopeTest, VerticalPutsPositiveSamplesRightOfTheMiddle) {
  Scope.resize(57, 100);  // half 28, middle column 28
  Scope.SetLayout(olLeftChannel);
  Scope.SetOrientation(ooVertical);
  Show(10, Constant(32767), Constant(0));
  QImage image = Render(Scope);
  for (int y = 0; y < 100; ++y) ASSERT_EQ(image.pixel(56, y), Red) << "y " << y;
  EXPECT_EQ(CountColour(image, Red), 100);

  Scope.resize(114, 465);
  Scope.SetLayout(olLeftRight);  // left channel in x 0..57, right in 57..114
  Show(10, Constant(-32768), Constant(0));
  image = Render(Scope);
  EXPECT_EQ(image.pixel(0, 200), Red);
  EXPECT_EQ(image.pixel(57 + 28, 200), Blue);
}

TEST_F(OscilloscopeTest, HandledPaintBackgroundSkipsTheFillButNotTheTraces) {
  Scope.resize(465, 114);
  Show(20, Constant(0), Constant(0));
  int calls = 0;
  Scope.SetOnPaintBackground([&](TComponent* sender, bool& handled) {
    EXPECT_EQ(sender, &Scope);
    EXPECT_FALSE(handled);
    ++calls;
    handled = true;
  });
  const QImage image = Render(Scope);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(CountColour(image, kWhite), 0);
  EXPECT_EQ(image.pixel(5, 5), kMarker);
  EXPECT_EQ(RowsWith(image, 5, Red), std::vector<int>{28});

  Scope.SetOnPaintBackground([](TComponent*, bool&) {});
  EXPECT_EQ(Render(Scope).pixel(5, 5), kWhite) << "a handler leaving Handled False gets the fill";
}

// Opaque, the control draws its traces itself; transparent, it leaves them to
// QPainter. Over the same white both must give the same pixels, for steep and
// shallow segments, dense and sparse points, in every layout.
TEST_F(OscilloscopeTest, OwnTraceDrawingMatchesThePaintersPixelForPixel) {
  uint32_t state = 12345;
  auto noise = [&state](int) {
    state = state * 1664525u + 1013904223u;
    return int(int16_t(state >> 16));
  };
  auto sweep = [](int f) { return int(30000 * std::sin(f * f * 0.00002)); };
  for (const auto& [w, h, points, layout, orientation] : {std::tuple{465, 114, 200, olTopBottom, ooHorizontal},
                                                          {465, 114, 1000, olOverlay, ooHorizontal},
                                                          {97, 301, 150, olLeftRight, ooVertical},
                                                          {300, 61, 17, olLeftChannel, ooHorizontal},
                                                          {64, 200, 400, olRightChannel, ooVertical}}) {
    Scope.resize(w, h);
    Scope.SetNumberOfPoints(points);
    Scope.SetLayout(layout);
    Scope.SetOrientation(orientation);
    Show(2000, noise, sweep);
    Scope.SetTransparent(false);
    const QImage own = Render(Scope);
    Scope.SetTransparent(true);
    QImage painters(Scope.size(), QImage::Format_RGB32);
    painters.fill(kWhite);
    Scope.render(&painters, QPoint(), QRegion(), QWidget::DrawChildren);
    int differ = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) differ += own.pixel(x, y) != painters.pixel(x, y);
    EXPECT_EQ(differ, 0) << w << "x" << h << ", " << points << " points";
    EXPECT_GT(w * h - CountColour(own, kWhite), h / 2) << "the traces were drawn";
  }
}

TEST_F(OscilloscopeTest, TransparentLeavesWhatIsBehind) {
  Scope.resize(100, 40);
  Scope.SetTransparent(true);
  QImage image = Render(Scope);
  EXPECT_EQ(CountColour(image, kMarker), 100 * 40);
  Show(20, Constant(0), Constant(0));
  image = Render(Scope);
  EXPECT_EQ(image.pixel(5, 5), kMarker);
  EXPECT_EQ(RowsWith(image, 5, Red), std::vector<int>{10});
}

TEST_F(OscilloscopeTest, NoFramesShowOnlyTheBackground) {
  Scope.resize(465, 114);
  EXPECT_EQ(CountColour(Render(Scope), kWhite), 465 * 114) << "before the first block";
  const uint8_t three[3] = {0x10, 0x20, 0x30};
  Source.Load(three, 3);
  EXPECT_EQ(Source.SampleCount(), 0);
  EXPECT_EQ(CountColour(Render(Scope), kWhite), 465 * 114);

  TdeOscilloscope unlinked(nullptr);
  unlinked.resize(50, 20);
  unlinked.SetColor(clWhite);
  EXPECT_EQ(CountColour(Render(unlinked), kWhite), 50 * 20);
}

TEST_F(OscilloscopeTest, TooFewPointsAreRefusedAndTheOldValueKept) {
  try {
    Scope.SetNumberOfPoints(9);
    FAIL() << "9 points accepted";
  } catch (const EOscilloscopeError& e) {
    EXPECT_EQ(e.Message(), QString::fromLatin1(SInvalidNumberOfPoints));
  }
  EXPECT_EQ(Scope.NumberOfPoints(), 200);
  EXPECT_THROW(Scope.SetNumberOfPoints(-5), EACMControlError);
  Scope.SetNumberOfPoints(10);
  EXPECT_EQ(Scope.NumberOfPoints(), 10);
}

TEST_F(OscilloscopeTest, PenPropertiesCopySettingsAndPaintWithThem) {
  TPen pen;
  pen.SetColor(clLime);
  pen.SetWidth(3);
  Scope.SetPenRight(&pen);
  pen.SetColor(clYellow);
  EXPECT_EQ(Scope.PenRight()->Color(), clLime) << "the pen's settings are copied, not shared";
  EXPECT_EQ(Scope.PenRight()->Width(), 3);
  Scope.resize(100, 114);
  Show(20, Constant(0), Constant(0));
  EXPECT_EQ(RowsWith(Render(Scope), 50, Rgb(clLime)).size(), 3u);
}

TEST(Oscilloscope, NewControlHasItsStoredDefaults) {
  TdeOscilloscope scope(nullptr);
  EXPECT_EQ(scope.Width(), 80);
  EXPECT_EQ(scope.Height(), 40);
  EXPECT_TRUE(scope.ParentColor());
  EXPECT_EQ(scope.Color(), clWindow);
  EXPECT_FALSE(scope.Transparent());
  EXPECT_EQ(scope.Layout(), olTopBottom);
  EXPECT_EQ(scope.Orientation(), ooHorizontal);
  EXPECT_EQ(scope.NumberOfPoints(), 200);
  for (TPen* pen : {scope.PenLeft(), scope.PenRight()}) {
    EXPECT_EQ(pen->Color(), clBlack);
    EXPECT_EQ(pen->Width(), 1);
    EXPECT_EQ(pen->Style(), psSolid);
  }
  EXPECT_EQ(scope.AudioControlSource(), nullptr);
}

TEST(Oscilloscope, ParentColourIsPaintedUntilAColourIsSet) {
  TControl parent(nullptr);
  parent.SetColor(clYellow);
  TdeOscilloscope scope(nullptr);
  scope.setParent(&parent);
  scope.resize(20, 10);
  EXPECT_EQ(CountColour(Render(scope), Rgb(clYellow)), 200);
  scope.SetColor(clAqua);
  EXPECT_FALSE(scope.ParentColor());
  EXPECT_EQ(CountColour(Render(scope), Rgb(clAqua)), 200);
}

TEST(Oscilloscope, OnlyAControlSourceCanBeItsSource) {
  TTestProducer producer;
  TdeOscilloscope scope(nullptr);
  EXPECT_THROW(scope.SetAudioControlSourceComponent(&producer), EACMControlError);
  EXPECT_EQ(scope.AudioControlSource(), nullptr);
  {
    TdeAudioControlSource source(nullptr);
    scope.SetAudioControlSourceComponent(&source);
    EXPECT_EQ(scope.AudioControlSource(), &source);
  }
  EXPECT_EQ(scope.AudioControlSource(), nullptr) << "a destroyed source unlinks itself";
  scope.resize(10, 10);
  scope.SetColor(clWhite);
  EXPECT_EQ(CountColour(Render(scope), kWhite), 100);
}

TEST(Oscilloscope, ABlockRequestsARepaint) {
  TLoadedControlSource source(nullptr);
  TdeOscilloscope scope(nullptr);
  scope.SetAudioControlSource(&source);
  scope.resize(40, 20);
  scope.show();
  QCoreApplication::processEvents();
  int paints = 0;
  scope.SetOnPaintBackground([&](TComponent*, bool&) { ++paints; });
  // Several blocks before the paint cycle give one paint of the latest.
  for (int i = 0; i < 3; ++i) source.Load(Frames(8, Constant(i), Constant(i)));
  EXPECT_EQ(paints, 0) << "nothing is drawn inside the block";
  EXPECT_TRUE(ProcessEventsUntil([&] { return paints > 0; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(paints, 1);
}

}  // namespace

namespace {
// Counts the paint events of the widgets it watches.
class TPaintCounter : public QObject {
 public:
  int Of(QWidget* w) const { return Counts.value(w); }
  void Watch(QWidget* w) { w->installEventFilter(this); }
  void Reset() { Counts.clear(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Counts[static_cast<QWidget*>(watched)];
    return false;
  }

 private:
  QHash<QWidget*, int> Counts;
};
}  // namespace

// A block repaints the scope alone: not the window beneath it, nor the status
// bar beside it; a status text repaints the bar alone, and only when it changed.
TEST(Oscilloscope, ABlockRepaintsTheScopeAndNothingBeneathIt) {
  QWidget window;
  window.resize(300, 200);
  TLoadedControlSource source(nullptr);
  auto* scope = new TdeOscilloscope(nullptr);
  scope->setParent(&window);
  scope->setGeometry(10, 10, 200, 100);
  scope->SetAudioControlSource(&source);
  auto* status = new TStatusBar(nullptr);
  status->setParent(&window);
  status->setGeometry(0, 180, 300, 20);
  auto* panel = static_cast<TStatusPanel*>(status->Panels()->Add());
  panel->SetText(QStringLiteral("已停止"));
  TPaintCounter paints;
  for (QWidget* w : {static_cast<QWidget*>(&window), static_cast<QWidget*>(scope), static_cast<QWidget*>(status)})
    paints.Watch(w);
  window.show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return paints.Of(scope) > 0 && paints.Of(status) > 0; }));
  QCoreApplication::processEvents();

  paints.Reset();
  source.Load(Frames(
      600, [](int i) { return i * 50; }, Constant(-3000)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return paints.Of(scope) > 0; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(paints.Of(scope), 1);
  EXPECT_EQ(paints.Of(&window), 0) << "the window's background under the scope was painted again";
  EXPECT_EQ(paints.Of(status), 0);

  paints.Reset();
  panel->SetText(QStringLiteral("已停止"));  // unchanged
  panel->SetText(QStringLiteral("正在录制 00:00:01"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return paints.Of(status) > 0; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(paints.Of(status), 1);
  EXPECT_EQ(paints.Of(&window), 0);
  EXPECT_EQ(paints.Of(scope), 0);

  // A scope that lets its background through needs what is beneath it.
  scope->SetTransparent(true);
  QCoreApplication::processEvents();
  paints.Reset();
  source.Load(Frames(600, Constant(100), Constant(-100)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return paints.Of(scope) > 0; }));
  EXPECT_GE(paints.Of(&window), 1);
}
