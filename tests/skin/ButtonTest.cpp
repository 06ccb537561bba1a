// The skinned buttons as a user drives them: mouse, keys and what they show.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "SUIButton.h"
#include "SUICheckBox.h"
#include "SUIPublic.h"
#include "SUIRegister.h"
#include "SkinWindow.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

const QRgb kKey = qRgb(255, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);

// A window holding the buttons under test, shown so that real mouse and key
// events reach them.
struct TButtonWindow : TSkinWindow {
  TButtonWindow() : TSkinWindow(300, 200, clWhite) {}
  template <class T>
  T* Add(QRect bounds, TsuiUIStyle style = Protein) {
    auto* b = TSkinWindow::Add<T>(bounds);
    b->SetUIStyle(style);
    return b;
  }
};

// The skin picture stretched over a button of size the way the face is drawn.
QImage ExpectedFace(const QString& name, QSize size, QColor background) {
  TBitmap picture;
  LoadSkinBitmap(picture, 0, name);
  QImage image(size, QImage::Format_RGB32);
  image.fill(background);
  QPainter p(&image);
  DrawNinePart(picture, p, QRect(QPoint(0, 0), size), false);
  return image;
}

// A glyph of size with a magenta key border around a solid colour.
QImage SolidGlyph(QSize size, QRgb inner) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(kKey);
  QPainter(&image).fillRect(QRect(1, 1, size.width() - 2, size.height() - 2), QColor(inner));
  return image;
}

// The smallest rectangle holding every pixel of colour; empty when none.
QRect Bounds(const QImage& image, QRgb colour) {
  QRect r;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) r |= QRect(x, y, 1, 1);
  return r;
}

int Count(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  return n;
}

}  // namespace

TEST(SkinButton, mouseOnPressAndReleaseShowTheirPicturesAndClickOnlyOverTheButton) {
  TButtonWindow w;
  auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  b->SetTabStop(false);  // no focus mark in the pictures compared
  int clicks = 0;
  b->SetOnClick([&](TComponent* sender) {
    EXPECT_EQ(b, sender);
    ++clicks;
  });
  w.Show();
  const QSize size(90, 25);
  const QColor back = ToQColor(b->PaintColor());
  EXPECT_EQ(ExpectedFace(QStringLiteral("PROTEIN_BUTTON_NORMAL"), size, back), Shot(b));

  QTest::mouseMove(b, QPoint(45, 12));
  ASSERT_TRUE(ProcessEventsUntil([&] { return b->MouseIn(); }, 2000));
  EXPECT_EQ(ExpectedFace(QStringLiteral("PROTEIN_BUTTON_MOUSEON"), size, back), Shot(b));

  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(45, 12));
  EXPECT_TRUE(b->Pressed());
  EXPECT_EQ(ExpectedFace(QStringLiteral("PROTEIN_BUTTON_MOUSEDOWN"), size, back), Shot(b));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(45, 12));
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(b->Pressed());

  // Pressed, dragged off and released outside: no click, and the face is no
  // longer the pressed one.
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(45, 12));
  QTest::mouseMove(b, QPoint(150, 12));
  EXPECT_FALSE(b->Pressed());
  EXPECT_FALSE(b->MouseIn());
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 12));
  EXPECT_EQ(1, clicks);
}

TEST(SkinButton, disabledButtonIsDrawnGreyAndEnablingRestoresTheNormalFace) {
  TButtonWindow w;
  auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  b->SetTabStop(false);
  b->SetCaption(QStringLiteral("录制"));
  b->Glyph()->SetImage(SolidGlyph(QSize(12, 11), qRgb(0xC0, 0x10, 0x10)));
  w.Show();
  const QImage normal = Shot(b);
  ASSERT_GT(Count(normal, qRgb(0xC0, 0x10, 0x10)), 0);

  b->SetEnabled(false);
  const QImage disabled = Shot(b);
  EXPECT_EQ(0, Count(disabled, qRgb(0xC0, 0x10, 0x10))) << "the glyph keeps its colour";
  EXPECT_EQ(0, Count(disabled, qRgb(0, 0, 0))) << "the caption keeps its colour";
  EXPECT_GT(Count(disabled, qRgb(0x80, 0x80, 0x80)), 20) << "no grey caption and glyph";

  // A disabled button takes no clicks.
  int clicks = 0;
  b->SetOnClick([&](TComponent*) { ++clicks; });
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(45, 12));
  EXPECT_EQ(0, clicks);

  b->SetEnabled(true);
  EXPECT_EQ(normal, Shot(b));
}

TEST(SkinButton, glyphAndCaptionArePlacedByLayoutAndSpacing) {
  TButtonWindow w;
  auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  b->SetCaption(QStringLiteral("退出"));
  b->Glyph()->SetImage(SolidGlyph(QSize(16, 16), kRed));
  w.Show();
  const QFontMetrics m(b->font());
  const int tw = m.horizontalAdvance(b->Caption()), th = m.height();
  struct TCase {
    TButtonLayout Layout;
    QPoint Glyph;
  };
  const TCase cases[] = {
      {blGlyphLeft, QPoint((90 - 16 - tw - 4) / 2, (25 - 16) / 2)},
      {blGlyphRight, QPoint((90 + tw + 4 - 16) / 2, (25 - 16) / 2)},
      {blGlyphTop, QPoint((90 - 16) / 2, (25 - th - 16 - 4) / 2)},
      {blGlyphBottom, QPoint((90 - 16) / 2, (25 + th + 4 - 16) / 2)},
  };
  for (const TCase& c : cases) {
    b->SetLayout(c.Layout);
    const QRect red = Bounds(Shot(b), kRed);
    // The key-coloured border is left out: the solid part starts one pixel in.
    const QRect seen = red & QRect(0, 0, 90, 25);
    const QRect expected = QRect(c.Glyph + QPoint(1, 1), QSize(14, 14)) & QRect(0, 0, 90, 25);
    EXPECT_EQ(expected, seen) << "layout " << int(c.Layout);
  }
  EXPECT_EQ(0, Count(Shot(b), kKey)) << "the glyph's key colour shows";

  // More spacing moves the glyph of a left layout further left.
  b->SetLayout(blGlyphLeft);
  b->SetSpacing(10);
  EXPECT_EQ((90 - 16 - tw - 10) / 2 + 1, Bounds(Shot(b), kRed).left());

  // Pressed, the glyph moves by one pixel right and down.
  b->SetSpacing(4);
  const QRect up = Bounds(Shot(b), kRed);
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(45, 12));
  EXPECT_EQ(up.translated(1, 1), Bounds(Shot(b), kRed));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(45, 12));
}

TEST(SkinButton, twoFrameGlyphShowsItsRightHalfWhileDisabled) {
  TButtonWindow w;
  auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  QImage frames(32, 16, QImage::Format_RGB32);
  frames.fill(kKey);
  {
    QPainter p(&frames);
    p.fillRect(QRect(2, 2, 12, 12), QColor(kGreen));
    p.fillRect(QRect(18, 2, 12, 12), QColor(kBlue));
  }
  b->Glyph()->SetImage(frames);
  w.Show();
  const QImage enabled = Shot(b);
  EXPECT_GT(Count(enabled, kGreen), 0);
  EXPECT_EQ(0, Count(enabled, kBlue));
  b->SetEnabled(false);
  const QImage disabled = Shot(b);
  EXPECT_EQ(0, Count(disabled, kGreen));
  EXPECT_EQ(Bounds(enabled, kGreen), Bounds(disabled, kBlue)) << "the disabled frame is drawn where the normal one was";
}

TEST(SkinButton, holdingTheButtonRepeatsUntilReleaseOrLeave) {
  TButtonWindow w;
  auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  EXPECT_EQ(100, b->MouseContinuouslyDownInterval());
  b->SetMouseContinuouslyDownInterval(5);
  int ticks = 0;
  b->SetOnMouseContinuouslyDown([&](TComponent*) { ++ticks; });
  w.Show();

  EXPECT_EQ(nullptr, b->RepeatTimer());
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(45, 12));
  ASSERT_NE(nullptr, b->RepeatTimer());
  EXPECT_EQ(5, b->RepeatTimer()->interval());
  EXPECT_EQ(0, ticks) << "the first repeat comes one interval after the press";
  ASSERT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));

  // Off the button but still held: it keeps repeating.
  QTest::mouseMove(b, QPoint(150, 12));
  const int off = ticks;
  ASSERT_TRUE(ProcessEventsUntil([&] { return ticks >= off + 3; }));

  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 12));
  EXPECT_EQ(nullptr, b->RepeatTimer());
  const int released = ticks;
  QTest::qWait(50);
  EXPECT_EQ(released, ticks);

  // Leaving the control ends it too.
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(45, 12));
  ASSERT_NE(nullptr, b->RepeatTimer());
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(b, &leave);
  EXPECT_EQ(nullptr, b->RepeatTimer());
  EXPECT_FALSE(b->Pressed());
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(45, 12));
}

TEST(SkinButton, keysClickTheFocusedTheDefaultAndTheCancelButton) {
  TButtonWindow w;
  auto* focused = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  auto* def = w.Add<TsuiButton>(QRect(10, 40, 90, 25));
  auto* cancel = w.Add<TsuiButton>(QRect(10, 70, 90, 25));
  auto* accel = w.Add<TsuiButton>(QRect(10, 100, 90, 25));
  def->SetDefault(true);
  cancel->SetCancel(true);
  accel->SetCaption(QStringLiteral("&Save"));
  accel->SetModalResult(6);
  std::map<TComponent*, int> clicks;
  for (TsuiButton* b : {focused, def, cancel, accel}) b->SetOnClick([&](TComponent* s) { ++clicks[s]; });
  w.Show();
  w.Form.activateWindow();
  focused->setFocus();
  ASSERT_TRUE(ProcessEventsUntil([&] { return focused->hasFocus(); }, 2000));

  QTest::keyPress(focused, Qt::Key_Space);
  EXPECT_TRUE(focused->Pressed());
  QTest::keyRelease(focused, Qt::Key_Space);
  QTest::keyClick(focused, Qt::Key_Return);
  EXPECT_EQ(2, clicks[focused]) << "Space and Enter click the focused button";
  EXPECT_EQ(0, clicks[def]) << "the focused button takes Enter before the default one";

  QTest::keyClick(focused, Qt::Key_Escape);
  EXPECT_EQ(1, clicks[cancel]);

  QTest::keyClick(focused, Qt::Key_S, Qt::AltModifier);
  ASSERT_TRUE(ProcessEventsUntil([&] { return clicks[accel] == 1; }, 2000));
  EXPECT_TRUE(accel->hasFocus()) << "the accelerator focuses its button";
  EXPECT_EQ(6, w.Form.ModalResult());
  EXPECT_EQ(QStringLiteral("Save"), accel->text().remove(QLatin1Char('&')));

  // With the focus on something that does not take Enter, the default button does.
  auto* other = new QWidget(&w.Form);
  other->setFocusPolicy(Qt::StrongFocus);
  other->setGeometry(200, 10, 20, 20);
  other->show();
  other->setFocus();
  ASSERT_TRUE(ProcessEventsUntil([&] { return other->hasFocus(); }, 2000));
  QTest::keyClick(other, Qt::Key_Return);
  EXPECT_EQ(1, clicks[def]);
}

TEST(SkinButton, radioButtonsOfOneGroupAndParentExcludeEachOther) {
  TButtonWindow w;
  auto* a = w.Add<TsuiRadioButton>(QRect(10, 10, 120, 17));
  auto* b = w.Add<TsuiRadioButton>(QRect(10, 30, 120, 17));
  auto* otherGroup = w.Add<TsuiRadioButton>(QRect(10, 50, 120, 17));
  otherGroup->SetGroupIndex(1);
  TPanel panel(nullptr);
  panel.setParent(&w.Form);
  auto* elsewhere = new TsuiRadioButton(&w.Form);
  elsewhere->setParent(&panel);
  w.Show();

  otherGroup->SetChecked(true);
  elsewhere->SetChecked(true);
  QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_TRUE(a->Checked());
  QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_TRUE(a->Checked()) << "clicking a checked radio button keeps it checked";
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(otherGroup->Checked()) << "another group index is left alone";
  EXPECT_TRUE(elsewhere->Checked()) << "another parent is left alone";
  EXPECT_TRUE(b->isChecked()) << "screen readers see the checked state";
}

TEST(SkinButton, checkBoxTogglesByMouseAndSpaceAndShowsItsStatePicture) {
  TButtonWindow w;
  auto* box = w.Add<TsuiCheckBox>(QRect(10, 10, 120, 17));
  w.Show();
  const QImage unchecked = Shot(box);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_TRUE(box->Checked());
  EXPECT_NE(unchecked, Shot(box));
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_FALSE(box->Checked());
}

TEST(SkinButton, namingAPictureMakesTheButtonCustomAndThemeNamesAreNotStored) {
  TButtonWindow w;
  auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25));
  b->SetName(QStringLiteral("btnThemed"));
  EXPECT_EQ(QString(), b->GetPicNormalResName()) << "a themed button names no pictures";
  const QByteArray themed = WriteDescription(&w.Form);
  EXPECT_FALSE(themed.contains("PROTEIN_BUTTON")) << themed.constData();

  b->SetPicNormalResName(QStringLiteral("MY_FACE"));
  EXPECT_EQ(Custom, b->UIStyle());
  EXPECT_EQ(QStringLiteral("MY_FACE"), b->GetPicNormalResName());
  // A Custom button sizes itself to its picture; a missing one is the blank 74 x 21.
  EXPECT_TRUE(b->AutoSize());
  EXPECT_EQ(QSize(74, 21), b->size());
  b->SetTabStop(false);
  w.Show();
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(b, &leave);
  const QImage shot = Shot(b);
  EXPECT_EQ(74 * 21, Count(shot, qRgb(255, 255, 255))) << "the blank face fills the button";
}

TEST(SkinButton, customCheckBoxHasNoPicturesAndPaintsTheBlankFace) {
  TButtonWindow w;
  w.Form.SetColor(clBlack);
  auto* box = w.Add<TsuiCheckBox>(QRect(10, 10, 120, 17), Custom);
  box->SetTabStop(false);
  w.Show();
  const QImage shot = Shot(box);
  // The blank face is drawn at (1, height div 2) for a picture of no size.
  EXPECT_EQ(qRgb(255, 255, 255), shot.pixel(1, 8) | 0xFF000000u);
  EXPECT_EQ(qRgb(255, 255, 255), shot.pixel(74, 16) | 0xFF000000u);
  EXPECT_EQ(qRgb(0, 0, 0), shot.pixel(0, 8) | 0xFF000000u);
}

TEST(SkinButton, focusShowsABoldCaptionInMacOSAndBlueGlassAndAFrameElsewhere) {
  for (TsuiUIStyle style : {MacOS, BlueGlass, Protein}) {
    TButtonWindow w;
    auto* b = w.Add<TsuiButton>(QRect(10, 10, 90, 25), style);
    auto* other = w.Add<TsuiButton>(QRect(10, 40, 90, 25), style);
    b->SetCaption(QStringLiteral("OK"));
    w.Show();
    w.Form.activateWindow();
    other->setFocus();
    ASSERT_TRUE(ProcessEventsUntil([&] { return other->hasFocus(); }, 2000));
    const QImage plain = Shot(b);
    b->setFocus();
    ASSERT_TRUE(ProcessEventsUntil([&] { return b->hasFocus(); }, 2000));
    const QImage focused = Shot(b);
    const QRect frameRow(2, 2, b->width() - 4, 1);
    const bool frameDrawn = plain.copy(frameRow) != focused.copy(frameRow);
    const QRect captionArea(20, 6, 50, 13);
    const bool captionChanged = plain.copy(captionArea) != focused.copy(captionArea);
    if (style == Protein) {
      EXPECT_TRUE(frameDrawn);
    } else {
      EXPECT_FALSE(frameDrawn) << "style " << int(style);
      EXPECT_TRUE(captionChanged) << "style " << int(style);
    }
  }
}

TEST(SkinButton, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* b = new TsuiButton(&form);
  b->setParent(&form);
  b->SetName(QStringLiteral("btnPlay"));
  b->SetCaption(QStringLiteral("播放"));
  b->SetLayout(blGlyphRight);
  b->SetSpacing(6);
  b->SetModalResult(2);
  b->SetMouseContinuouslyDownInterval(250);
  b->Glyph()->SetImage(SolidGlyph(QSize(12, 11), kGreen));
  const QByteArray json = WriteDescription(&form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* back = FindComponentAs<TsuiButton>(&copy, QStringLiteral("btnPlay"));
  EXPECT_EQ(QStringLiteral("播放"), back->Caption());
  EXPECT_EQ(blGlyphRight, back->Layout());
  EXPECT_EQ(6, back->Spacing());
  EXPECT_EQ(2, back->ModalResult());
  EXPECT_EQ(250, back->MouseContinuouslyDownInterval());
  EXPECT_EQ(b->UIStyle(), back->UIStyle());
  EXPECT_EQ(b->Glyph()->Image(), back->Glyph()->Image());
  EXPECT_EQ(json, WriteDescription(&copy));
}
