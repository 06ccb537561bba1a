// The memo and the list box with skinned scroll bars over their own: both
// kept in step by wheel, keys, content and the skinned bar itself.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "SUIListBox.h"
#include "SUIMemo.h"
#include "SUIRegister.h"
#include "SUIScrollBar.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace {

struct TScrollWindow : TSkinWindow {
  TScrollWindow() : TSkinWindow(400, 300) {}
  TsuiScrollBar* Bar(const char* name = nullptr) {
    auto* bar = Add<TsuiScrollBar>(QRect(300, 10, 16, 100), QString::fromLatin1(name));
    bar->SetUIStyle(Protein);
    return bar;
  }
};

QStringList Lines(int n) {
  QStringList lines;
  for (int i = 0; i < n; ++i) lines << QStringLiteral("line %1").arg(i);
  return lines;
}

void Wheel(QWidget* target, int steps) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120 * steps), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &wheel);
}

// The skinned bar shows what the native one holds.
void ExpectInStep(const TsuiScrollBar* bar, const QScrollBar* native, const char* when) {
  EXPECT_EQ(native->minimum(), bar->Min()) << when;
  EXPECT_EQ(native->maximum(), bar->Max()) << when;
  EXPECT_EQ(native->value(), bar->Position()) << when;
}

}  // namespace

TEST(SkinScrollOwners, memoAndItsBarStayInStepWhenTextIsAddedTheWheelTurnsAndTheBarMoves) {
  TScrollWindow w;
  auto* memo = w.Add<TsuiMemo>(QRect(10, 10, 150, 90));
  TsuiScrollBar* bar = w.Bar();
  memo->SetVScrollBar(bar);
  EXPECT_EQ(ssVertical, memo->ScrollBars()) << "the native bar makes room for the skinned one";
  w.Show();
  QScrollBar* native = memo->verticalScrollBar();
  EXPECT_EQ(QRect(10 + 150 - bar->Width() - 2, 11, bar->Width(), 88), bar->geometry()) << "inside the frame";
  EXPECT_FALSE(bar->isEnabled()) << "nothing to scroll yet";
  EXPECT_TRUE(bar->isVisible()) << "a memo keeps its bar";

  memo->SetLines(Lines(100));
  ASSERT_TRUE(ProcessEventsUntil([&] { return native->maximum() > 0; }, 2000));
  ExpectInStep(bar, native, "after text is added");
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(TsuiScrollBarLink::NativeThumbLength(native), bar->LineButton());
  EXPECT_GT(bar->LineButton(), 0);

  Wheel(memo->viewport(), 2);
  EXPECT_GT(native->value(), 0) << "the wheel scrolls the text";
  ExpectInStep(bar, native, "after a wheel turn");

  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
  EXPECT_GT(native->value(), 80) << "the text scrolls to its end";
  ExpectInStep(bar, native, "after Ctrl+End");

  // The skinned bar scrolls the text once, without the change coming back.
  int nativeMoves = 0;
  QObject::connect(native, &QAbstractSlider::valueChanged, [&] { ++nativeMoves; });
  bar->SetPosition(10);
  EXPECT_EQ(10, native->value());
  EXPECT_EQ(1, nativeMoves);
  EXPECT_EQ(10, bar->Position());

  memo->SetLines({});
  ASSERT_TRUE(ProcessEventsUntil([&] { return native->maximum() == 0; }, 2000));
  ExpectInStep(bar, native, "after the text is cleared");
  EXPECT_FALSE(bar->isEnabled());
}

TEST(SkinScrollOwners, draggingTheSkinnedThumbAndHoldingItsArrowScrollTheMemo) {
  TScrollWindow w;
  auto* memo = w.Add<TsuiMemo>(QRect(10, 10, 150, 120));
  TsuiScrollBar* bar = w.Bar();
  memo->SetVScrollBar(bar);
  memo->SetLines(Lines(200));
  w.Show();
  QScrollBar* native = memo->verticalScrollBar();
  ASSERT_GT(native->maximum(), 0);

  // The user grabs the thumb and pulls it down.
  TsuiScrollTrackBar* track = bar->TrackBar();
  const QPoint grab = track->Slider()->geometry().center();
  QTest::mousePress(track, Qt::LeftButton, {}, grab);
  for (int dy = 10; dy <= 40; dy += 10) QTest::mouseMove(track, grab + QPoint(0, dy));
  QTest::mouseRelease(track, Qt::LeftButton, {}, grab + QPoint(0, 40));
  EXPECT_GT(native->value(), 0) << "the text follows the thumb";
  ExpectInStep(bar, native, "after a drag");

  // Holding the down arrow scrolls on until it is let go.
  const int before = native->value();
  QTest::mousePress(bar->DownButton(), Qt::LeftButton, {}, QPoint(4, 4));
  ASSERT_TRUE(ProcessEventsUntil([&] { return native->value() >= before + 2; }, 3000));
  QTest::mouseRelease(bar->DownButton(), Qt::LeftButton, {}, QPoint(4, 4));
  const int held = native->value();
  QTest::qWait(250);
  EXPECT_EQ(held, native->value()) << "released, it stops";
  ExpectInStep(bar, native, "after the arrow");
}

TEST(SkinScrollOwners, listBoxShowsItsBarOnlyWhileTheListCanScroll) {
  TScrollWindow w;
  auto* list = w.Add<TsuiListBox>(QRect(10, 10, 121, 97));
  TsuiScrollBar* bar = w.Bar();
  list->SetItems(Lines(2));
  list->SetVScrollBar(bar);
  w.Show();
  EXPECT_FALSE(bar->isVisible()) << "two items fit";

  for (int i = 0; i < 30; ++i) list->Add(QStringLiteral("more %1").arg(i));
  QScrollBar* native = list->verticalScrollBar();
  ASSERT_TRUE(ProcessEventsUntil([&] { return bar->isVisible(); }, 2000));
  EXPECT_EQ(TsuiScrollBarLink::NativeThumbLength(native), bar->LineButton())
      << "the thumb is as long as the native one";
  EXPECT_EQ(QRect(10 + 121 - bar->Width() - 2, 11, bar->Width(), 95), bar->geometry());
  ExpectInStep(bar, native, "after items are added");

  list->setFocus();
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_GT(native->value(), 0);
  ExpectInStep(bar, native, "after End");
  Wheel(list->viewport(), -1);
  ExpectInStep(bar, native, "after a wheel turn");

  list->setEnabled(false);
  EXPECT_TRUE(bar->isVisible()) << "a disabled list shows its bar greyed";
  EXPECT_FALSE(bar->isEnabled());
  list->setEnabled(true);
  EXPECT_TRUE(bar->isEnabled());

  // Moving the list takes its bar along.
  list->SetLeft(40);
  EXPECT_EQ(40 + 121 - bar->Width() - 2, bar->x());

  list->SetItems(Lines(1));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !bar->isVisible(); }, 2000));
}

TEST(SkinScrollOwners, aReplacedOrRemovedBarIsLetGoAndTheControlScrollsOnWithout) {
  TScrollWindow w;
  auto* memo = w.Add<TsuiMemo>(QRect(10, 10, 150, 90));
  TsuiScrollBar* first = w.Bar();
  TsuiScrollBar* second = w.Bar();
  memo->SetVScrollBar(first);
  memo->SetHScrollBar(second);
  EXPECT_EQ(ssBoth, memo->ScrollBars());
  memo->SetWordWrap(false);
  memo->SetLines(Lines(100));
  w.Show();

  memo->SetHScrollBar(nullptr);
  EXPECT_EQ(ssVertical, memo->ScrollBars());
  EXPECT_EQ(100, second->Max()) << "a released bar is a plain one again";
  EXPECT_EQ(0, second->LineButton());
  EXPECT_TRUE(second->isEnabled());
  const int before = second->Position();
  Wheel(memo->viewport(), 2);
  EXPECT_EQ(before, second->Position()) << "a released bar no longer follows";

  delete first;
  EXPECT_EQ(nullptr, memo->VScrollBar());
  Wheel(memo->viewport(), 2);
  memo->SetBounds(20, 20, 160, 100);
  memo->SetLines(Lines(3));
  EXPECT_EQ(QStringList(Lines(3)), memo->Lines());
}

TEST(SkinScrollOwners, theBarsAreStoredByNameAndAttachedAgainWhenRead) {
  RegisterSkinControls();
  TScrollWindow w;
  auto* memo = w.Add<TsuiMemo>(QRect(10, 10, 150, 90), "mmNotes");
  auto* list = w.Add<TsuiListBox>(QRect(10, 120, 121, 97), "lbFiles");
  memo->SetVScrollBar(w.Bar("sbNotes"));
  list->SetVScrollBar(w.Bar("sbFiles"));
  const QByteArray json = WriteDescription(&w.Form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* m = FindComponentAs<TsuiMemo>(&copy, QStringLiteral("mmNotes"));
  auto* l = FindComponentAs<TsuiListBox>(&copy, QStringLiteral("lbFiles"));
  EXPECT_EQ(FindComponentAs<TsuiScrollBar>(&copy, QStringLiteral("sbNotes")), m->VScrollBar());
  EXPECT_EQ(FindComponentAs<TsuiScrollBar>(&copy, QStringLiteral("sbFiles")), l->VScrollBar());
  EXPECT_EQ(m->verticalScrollBar(), m->VScrollBar()->Attached());
  EXPECT_EQ(json, WriteDescription(&copy));
}
