// The track bar and the scroll bar driven as a user drives them, and the
// scroll bar kept in step with a memo's own bar.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "SUIRegister.h"
#include "SUIScrollBar.h"
#include "SUITrackBar.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

struct TBarWindow : TSkinWindow {
  TBarWindow() : TSkinWindow(400, 300) {}
  // The style first: it decides the bar's thickness.
  template <class T>
  T* Add(QRect bounds, TsuiUIStyle style = Protein) {
    auto* c = Make<T>();
    c->SetUIStyle(style);
    Place(c, bounds);
    return c;
  }
};

// The middle of the slider, in the bar's coordinates.
QPoint SliderCentre(const TsuiTrackBar* bar) { return bar->Slider()->geometry().center(); }

}  // namespace

TEST(SkinTrackBar, sliderFollowsThePositionAtBothEndsAndThePointerMapsBack) {
  TBarWindow w;
  auto* bar = w.Add<TsuiTrackBar>(QRect(10, 10, 200, 30));
  EXPECT_EQ(20, bar->height()) << "as thick as the taller of bar and slider";
  const int room = bar->width() - bar->Slider()->width();
  EXPECT_EQ(0, bar->Slider()->x());
  bar->SetPosition(100);
  EXPECT_EQ(room, bar->Slider()->x());
  bar->SetPosition(250);
  EXPECT_EQ(100, bar->Position()) << "beyond Max stores Max";
  bar->SetPosition(50);
  EXPECT_EQ(room * 50 / 100, bar->Slider()->x());
  for (int p : {0, 37, 50, 100}) {
    bar->SetPosition(p);
    EXPECT_NEAR(p, bar->PositionAt(SliderCentre(bar).x()), 1) << p;
  }

  // A range of one: the two ends only.
  bar->SetMin(0);
  bar->SetMax(1);
  bar->SetPosition(1);
  EXPECT_EQ(room, bar->Slider()->x());
  EXPECT_EQ(1, bar->PositionAt(bar->width() - bar->Slider()->width() / 2));
  EXPECT_EQ(0, bar->PositionAt(bar->Slider()->width() / 2));
  bar->SetMax(0);
  EXPECT_EQ(0, bar->Slider()->x()) << "Min = Max puts the slider at the start";
  EXPECT_EQ(0, bar->PositionAt(150));

  bar->SetPageSize(150);
  EXPECT_EQ(10, bar->PageSize());
}

TEST(SkinTrackBar, verticalBarRunsFromMinAtTheTop) {
  TBarWindow w;
  auto* bar = w.Add<TsuiTrackBar>(QRect(10, 10, 30, 150));
  bar->SetOrientation(suiVertical);
  EXPECT_EQ(20, bar->height()) << "turning keeps the fitted size; the caller sets the length";
  bar->SetBounds(10, 10, 30, 150);
  EXPECT_EQ(150, bar->height());
  EXPECT_EQ(bar->Slider()->width(), bar->width()) << "as wide as the vertical slider";
  bar->SetPosition(100);
  EXPECT_EQ(bar->height() - bar->Slider()->height(), bar->Slider()->y());
  bar->SetPosition(0);
  EXPECT_EQ(0, bar->Slider()->y());
}

TEST(SkinTrackBar, holdingTheButtonOnTheBarPagesUntilTheSliderReachesThePointer) {
  TBarWindow w;
  auto* bar = w.Add<TsuiTrackBar>(QRect(10, 10, 300, 20));
  int changes = 0;
  bar->SetOnChange([&](TComponent* sender) {
    EXPECT_EQ(bar, sender);
    ++changes;
  });
  w.Show();
  const QPoint target(250, 10);
  const int stop = bar->PositionAt(target.x());
  QTest::mousePress(bar, Qt::LeftButton, {}, target);
  EXPECT_EQ(10, bar->Position()) << "one page at once";
  EXPECT_EQ(1, changes);
  ASSERT_NE(nullptr, bar->PageTimer());
  EXPECT_EQ(500, bar->PageTimer()->interval());
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->Position() >= 20; }, 3000));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, target);
  EXPECT_EQ(nullptr, bar->PageTimer());
  const int released = bar->Position();
  QTest::qWait(600);
  EXPECT_EQ(released, bar->Position());

  // Paging stops where the pointer is, and a click on the left pages back.
  bar->SetPosition(stop - 4);
  QTest::mousePress(bar, Qt::LeftButton, {}, target);
  EXPECT_EQ(stop, bar->Position());
  QTest::mouseRelease(bar, Qt::LeftButton, {}, target);
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, 10));
  EXPECT_EQ(stop - 10, bar->Position());
}

TEST(SkinTrackBar, draggingTheSliderMovesItWithThePointerAndReportsEachStep) {
  TBarWindow w;
  auto* bar = w.Add<TsuiTrackBar>(QRect(10, 10, 211, 20));
  QList<int> seen;
  bar->SetOnChange([&](TComponent*) { seen << bar->Position(); });
  w.Show();
  const QPoint grab = SliderCentre(bar);
  QTest::mousePress(bar, Qt::LeftButton, {}, grab);
  EXPECT_TRUE(bar->Dragging());
  EXPECT_EQ(0, bar->Position()) << "a press on the slider does not page";
  QTest::mouseMove(bar, grab + QPoint(100, 0));
  EXPECT_EQ(grab.x() + 100, SliderCentre(bar).x());
  EXPECT_NEAR(50, bar->Position(), 1);
  QTest::mouseMove(bar, QPoint(400, 10));
  EXPECT_EQ(bar->width() - bar->Slider()->width(), bar->Slider()->x()) << "kept on the bar";
  EXPECT_EQ(100, bar->Position());
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(400, 10));
  EXPECT_FALSE(bar->Dragging());
  ASSERT_EQ(2, seen.size());
  EXPECT_EQ(100, seen.last()) << "the last step is reported without another move";
}

TEST(SkinTrackBar, focusedBarTakesArrowPageHomeAndEndKeys) {
  TBarWindow w;
  auto* bar = w.Add<TsuiTrackBar>(QRect(10, 10, 200, 20));
  EXPECT_FALSE(bar->TabStop());
  bar->SetTabStop(true);
  w.Show();
  bar->setFocus();
  ASSERT_TRUE(bar->hasFocus());
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(1, bar->Position());
  QTest::keyClick(bar, Qt::Key_PageDown);
  EXPECT_EQ(11, bar->Position());
  QTest::keyClick(bar, Qt::Key_Up);
  EXPECT_EQ(10, bar->Position());
  QTest::keyClick(bar, Qt::Key_End);
  EXPECT_EQ(100, bar->Position());
  QTest::keyClick(bar, Qt::Key_PageUp);
  EXPECT_EQ(90, bar->Position());
  QTest::keyClick(bar, Qt::Key_Home);
  EXPECT_EQ(0, bar->Position());
  QTest::keyClick(bar, Qt::Key_Left);
  EXPECT_EQ(0, bar->Position());
}

// Whether every pixel of the picture but magenta is a shade of grey.
bool AllGrey(const TBitmap& picture) {
  const QImage image = picture.Image().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if ((p & 0xFFFFFF) != 0xFF00FF && (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p))) return false;
    }
  return true;
}

TEST(SkinTrackBars, disabledBarsShowTheirPicturesGreyedAndEnabledTheirOwn) {
  TBarWindow w;
  auto* track = w.Add<TsuiTrackBar>(QRect(10, 10, 200, 20), BlueGlass);
  auto* scroll = w.Add<TsuiScrollBar>(QRect(10, 40, 16, 185), BlueGlass);
  ASSERT_FALSE(AllGrey(*track->SliderImage()));
  ASSERT_FALSE(AllGrey(*scroll->TrackBar()->SliderImage()));
  const QImage slider = track->SliderImage()->Image();
  track->SetEnabled(false);
  scroll->SetEnabled(false);
  EXPECT_TRUE(AllGrey(*track->SliderImage()));
  EXPECT_TRUE(AllGrey(*track->BarImage()));
  EXPECT_TRUE(AllGrey(*scroll->TrackBar()->SliderImage()));
  EXPECT_TRUE(AllGrey(*scroll->UpButton()->PicDisabled()));
  track->SetEnabled(true);
  scroll->SetEnabled(true);
  EXPECT_EQ(slider, track->SliderImage()->Image());
  EXPECT_FALSE(AllGrey(*scroll->TrackBar()->SliderImage()));
}

TEST(SkinScrollBar, thumbLengthFollowsPageSizeOrLineButton) {
  TBarWindow w;
  auto* bar = w.Add<TsuiScrollBar>(QRect(10, 10, 16, 185));
  EXPECT_EQ(bar->UpButton()->width(), bar->width());
  const int track = bar->TrackBar()->height();
  EXPECT_EQ(185 - bar->UpButton()->height() - bar->DownButton()->height() - 1, track);
  EXPECT_EQ(bar->UpButton()->height(), bar->TrackBar()->y());
  EXPECT_EQ(185 - bar->DownButton()->height(), bar->DownButton()->y());
  bar->SetPageSize(5);
  EXPECT_EQ(10 * track / 100, bar->TrackBar()->Slider()->height()) << "below 10 counts as 10";
  bar->SetPageSize(50);
  EXPECT_EQ(50 * track / 100, bar->TrackBar()->Slider()->height());
  bar->SetLineButton(5);
  EXPECT_EQ(18, bar->LineButton());
  EXPECT_EQ(18, bar->TrackBar()->Slider()->height());

  bar->SetOrientation(suiHorizontal);
  bar->SetBounds(10, 10, 200, 16);
  EXPECT_EQ(bar->UpButton()->height(), bar->height());
  EXPECT_EQ(200 - bar->UpButton()->width() - bar->DownButton()->width(), bar->TrackBar()->width());
  EXPECT_EQ(18, bar->TrackBar()->Slider()->width());
  EXPECT_GT(bar->TrackBar()->Slider()->width(), bar->TrackBar()->Slider()->height() / 2);
}

TEST(SkinScrollBar, arrowButtonsStepOnPressAndRepeatWhileHeld) {
  TBarWindow w;
  auto* bar = w.Add<TsuiScrollBar>(QRect(10, 10, 16, 185));
  bar->SetSmallChange(3);
  w.Show();
  TsuiImageButton* down = bar->DownButton();
  EXPECT_EQ(100, down->MouseContinuouslyDownInterval());
  QTest::mouseClick(down, Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(3, bar->Position());
  QTest::mousePress(down, Qt::LeftButton, {}, QPoint(4, 4));
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->Position() >= 12; }, 3000));
  QTest::mouseRelease(down, Qt::LeftButton, {}, QPoint(4, 4));
  const int held = bar->Position();
  QTest::qWait(250);
  EXPECT_EQ(held, bar->Position());
  QTest::mouseClick(bar->UpButton(), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(held - 3, bar->Position());
}

TEST(SkinScrollBar, attachedBarAndAMemosOwnBarStayInStepBothWays) {
  TBarWindow w;
  auto* memo = new QPlainTextEdit(&w.Form);
  memo->setGeometry(10, 10, 200, 120);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* bar = w.Add<TsuiScrollBar>(QRect(210, 10, 16, 120));
  int changes = 0;
  bar->SetOnChange([&](TComponent*) { ++changes; });
  bar->Attach(memo->verticalScrollBar());
  w.Show();
  QScrollBar* native = memo->verticalScrollBar();
  EXPECT_FALSE(bar->TrackBar()->SliderVisible()) << "nothing to scroll yet";

  QStringList lines;
  for (int i = 0; i < 200; ++i) lines << QStringLiteral("line %1").arg(i);
  memo->setPlainText(lines.join(QLatin1Char('\n')));
  ASSERT_TRUE(ProcessEventsUntil([&] { return native->maximum() > 0; }, 3000));
  EXPECT_EQ(native->maximum(), bar->Max());
  EXPECT_TRUE(bar->TrackBar()->SliderVisible());
  EXPECT_EQ(10, bar->PageSize() < 10 ? 10 : bar->PageSize()) << "a long text keeps the thumb at its least";

  QWheelEvent wheel(QPointF(50, 50), memo->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(memo->viewport(), &wheel);
  EXPECT_GT(native->value(), 0);
  EXPECT_EQ(native->value(), bar->Position());
  EXPECT_GT(changes, 0);

  // The skinned bar scrolls the memo: its arrows, and paging by the memo's page.
  const int before = native->value();
  QTest::mouseClick(bar->DownButton(), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(before + native->singleStep(), native->value());
  bar->SetPosition(native->maximum());
  EXPECT_EQ(native->maximum(), native->value());
  QTest::mouseClick(bar->TrackBar(), Qt::LeftButton, {}, QPoint(8, 2));
  EXPECT_EQ(native->maximum() - native->pageStep(), native->value());
  EXPECT_EQ(native->value(), bar->Position());

  memo->clear();
  ASSERT_TRUE(ProcessEventsUntil([&] { return native->maximum() == 0; }, 3000));
  EXPECT_EQ(0, bar->Max());
  EXPECT_EQ(0, bar->Position());
  delete memo;
  EXPECT_EQ(nullptr, bar->Attached());
}

TEST(SkinTrackBars, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* track = new TsuiTrackBar(&form);
  track->setParent(&form);
  track->SetName(QStringLiteral("tbVolume"));
  track->SetUIStyle(MacOS);
  track->SetOrientation(suiVertical);
  track->SetMin(-20);
  track->SetMax(20);
  track->SetPosition(5);
  track->SetPageSize(4);
  auto* scroll = new TsuiScrollBar(&form);
  scroll->setParent(&form);
  scroll->SetName(QStringLiteral("sbList"));
  scroll->SetOrientation(suiHorizontal);
  scroll->SetMax(500);
  scroll->SetPosition(120);
  scroll->SetSmallChange(7);
  scroll->SetPageSize(30);
  scroll->SetLineButton(25);
  const QByteArray json = WriteDescription(&form);
  EXPECT_FALSE(json.contains("BarImage")) << "a themed bar's pictures come from its theme";

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* t = FindComponentAs<TsuiTrackBar>(&copy, QStringLiteral("tbVolume"));
  EXPECT_EQ(MacOS, t->UIStyle());
  EXPECT_EQ(suiVertical, t->Orientation());
  EXPECT_EQ(-20, t->Min());
  EXPECT_EQ(20, t->Max());
  EXPECT_EQ(5, t->Position());
  EXPECT_EQ(4, t->PageSize());
  auto* s = FindComponentAs<TsuiScrollBar>(&copy, QStringLiteral("sbList"));
  EXPECT_EQ(suiHorizontal, s->Orientation());
  EXPECT_EQ(500, s->Max());
  EXPECT_EQ(120, s->Position());
  EXPECT_EQ(7, s->SmallChange());
  EXPECT_EQ(30, s->PageSize());
  EXPECT_EQ(25, s->LineButton());
  EXPECT_EQ(json, WriteDescription(&copy));
}

TEST(SkinTrackBar, aCustomVerticalBarIsItsPictureTurnedLeft_centredAcrossAndFromTheTop) {
  // A bar picture 50 long and 6 thick: its start red, its end blue.
  QImage picture(50, 6, QImage::Format_RGB32);
  for (int x = 0; x < 50; ++x)
    for (int y = 0; y < 6; ++y) picture.setPixelColor(x, y, x < 25 ? Qt::red : Qt::blue);
  TBitmap bar;
  bar.SetImage(picture);
  TsuiTrackBarState s;
  s.Size = QSize(20, 100);
  s.Orientation = suiVertical;
  s.Color = clWhite;
  QImage shot(s.Size, QImage::Format_RGB32);
  {
    QPainter canvas(&shot);
    TsuiTrackBar::Paint(canvas, s, bar);
  }
  // Across: (20 - 6) / 2 = 7 to 12; along: the picture's own length from the top, its end up.
  EXPECT_EQ(QColor(Qt::blue), shot.pixelColor(7, 0));
  EXPECT_EQ(QColor(Qt::blue), shot.pixelColor(12, 24));
  EXPECT_EQ(QColor(Qt::red), shot.pixelColor(7, 25));
  EXPECT_EQ(QColor(Qt::red), shot.pixelColor(12, 49));
  EXPECT_EQ(QColor(Qt::white), shot.pixelColor(9, 50));
  EXPECT_EQ(QColor(Qt::white), shot.pixelColor(6, 10));
  EXPECT_EQ(QColor(Qt::white), shot.pixelColor(13, 10));
  EXPECT_EQ(QColor(Qt::white), shot.pixelColor(9, 99));
}
