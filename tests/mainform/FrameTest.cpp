// The recorder's skinned window as a user sees and handles it: its frame
// and title bar as stored, the title bar's pictures on screen, and the
// title bar's buttons acting on the window.
#include "MainFormFixture.h"

#include "SUIForm.h"
#include "SUITitleBar.h"
#include "Streams.h"
#include "deAudioStreams.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace {

void ClickAt(QWidget* widget, QPoint at) {
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
}

}  // namespace

class MainFrameTest : public MainFormTest {
 protected:
  TsuiTitleBar* Bar() const { return Form->suiForm1->TitleBar(); }
  void Show() {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  }
};

TEST_F(MainFrameTest, windowIsFramelessWithAOnePixelBlackBorderAroundTheFrame) {
  EXPECT_TRUE(Form->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(QStringLiteral("Tamsel录音机"), Form->windowTitle());
  EXPECT_EQ(QSize(482, 368), Form->size());
  EXPECT_EQ(QRect(1, 0, 480, 367), Form->suiForm1->geometry());
  EXPECT_EQ(130, Form->minimumWidth());
  Show();
  EXPECT_TRUE(Form->mask().isEmpty()) << "square corners";
  const QImage shot = Form->grab().toImage();
  EXPECT_EQ(QColor(Qt::black), shot.pixelColor(0, 200));
  EXPECT_EQ(QColor(Qt::black), shot.pixelColor(481, 200));
  EXPECT_EQ(QColor(Qt::black), shot.pixelColor(240, 367));
}

TEST_F(MainFrameTest, titleBarShowsItsStoredSectionsControlBoxCaptionMinimizeAndClose) {
  ASSERT_EQ(QRect(0, 0, 480, 23), Bar()->geometry());
  TsuiTitleBarSections* sections = Bar()->Sections();
  ASSERT_EQ(3, sections->Count());
  EXPECT_EQ(QSize(441, 23), QSize(sections->Items(0)->Picture()->Width(), sections->Items(0)->Picture()->Height()));
  EXPECT_EQ(suiRight, sections->Items(1)->Align());
  EXPECT_EQ(suiClient, sections->Items(2)->Align());
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(sections->Items(i)->Picture()->Has2x()) << "section " << i;

  TsuiTitleBarButtons* buttons = Bar()->Buttons();
  ASSERT_EQ(3, buttons->Count()) << "no maximize button";
  const TsuiTitleBarBtnType types[] = {suiControlBox, suiClose, suiMin};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(types[i], buttons->Items(i)->ButtonType());
    EXPECT_TRUE(buttons->Items(i)->Transparent());
    for (const TBitmap* p :
         {buttons->Items(i)->PicNormal(), buttons->Items(i)->PicMouseOn(), buttons->Items(i)->PicMouseDown()}) {
      EXPECT_EQ(QSize(19, 19), QSize(p->Width(), p->Height()));
      EXPECT_TRUE(p->Has2x());
    }
  }
  const TsuiTitleBarPlaces places = Bar()->Places();
  EXPECT_EQ(24, places.CaptionLeft);

  // On screen: the sections' own pixels along the top row, and each
  // button's picture where the layout puts it.
  const QImage shot = Bar()->grab().toImage();
  const TBitmap* left = sections->Items(0)->Picture();
  const TBitmap* right = sections->Items(1)->Picture();
  const TBitmap* client = sections->Items(2)->Picture();
  EXPECT_EQ(ToQColor(left->Pixel(300, 0)), shot.pixelColor(300, 0));
  EXPECT_EQ(ToQColor(right->Pixel(0, 12)), shot.pixelColor(479, 12));
  EXPECT_EQ(ToQColor(client->Pixel(0, 12)), shot.pixelColor(460, 12));
  for (const auto& place : places.Buttons) {
    const TBitmap* picture = buttons->Items(place.Index)->PicNormal();
    const QPoint centre(picture->Width() / 2, picture->Height() / 2);
    EXPECT_EQ(ToQColor(picture->Pixel(centre.x(), centre.y())), shot.pixelColor(place.Rect.topLeft() + centre))
        << "button " << place.Index;
  }
  EXPECT_EQ(QRect(461, 2, 19, 19), places.Buttons[0].Rect) << "close at the right edge";
  EXPECT_EQ(QRect(441, 2, 19, 19), places.Buttons[1].Rect) << "minimize left of it";
  EXPECT_EQ(QRect(0, 2, 19, 19), places.Buttons[2].Rect) << "control box at the left";

  // The caption is drawn in white from x = 24 on, in the frame's font.
  int white = 0;
  for (int x = 24; x < 120; ++x)
    for (int y = 0; y < 23; ++y) white += shot.pixelColor(x, y).lightness() > 230 ? 1 : 0;
  EXPECT_GT(white, 20);
  EXPECT_EQ(-12, Form->suiForm1->Font()->Height());
  EXPECT_TRUE(Form->suiForm1->Font()->Style().testFlag(fsBold));
}

TEST_F(MainFrameTest, minimizeButtonMinimizesTheWindow) {
  Show();
  ClickAt(Bar(), QPoint(450, 10));
  EXPECT_TRUE(Form->isMinimized());
  Form->showNormal();
  ClickAt(Bar(), QPoint(8, 10));
  EXPECT_FALSE(Form->isMinimized()) << "the control box has no menu and does nothing";
  EXPECT_TRUE(Form->isVisible());
}

TEST_F(MainFrameTest, closeButtonWhileRecordingStopsItAndLeavesACompleteFile) {
  Show();
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  const QByteArray fed = RecordBlocks(3);
  ClickAt(Bar(), QPoint(470, 10));
  Settle();
  EXPECT_FALSE(Form->isVisible());
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioIn->Active());
  TFileStream stream(WorkingFileName(), fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  EXPECT_EQ(fed.size(), reader.GetStreamSize(0));
}

namespace {

// Pixels of the grab whose hue is clearly the glyph's own (red for record,
// green for play), not the grey face or the dark caption.
int CountTinted(const QImage& shot, bool red) {
  int n = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      const int lead = red ? c.red() - c.green() : c.green() - c.red();
      n += lead > 60 ? 1 : 0;
    }
  return n;
}

}  // namespace

TEST_F(MainFrameTest, pushButtonsAreStoredProteinButtonsWithGlyphsOfTheirOwnSizes) {
  struct TExpected {
    TsuiButton* Button;
    QSize Glyph;
    TButtonLayout Layout;
  };
  const TExpected expected[] = {
      {Form->btnRecord, {12, 11}, blGlyphLeft},  {Form->btnStop, {12, 11}, blGlyphLeft},
      {Form->btnPlay, {12, 11}, blGlyphRight},   {Form->btnFormat, {13, 10}, blGlyphLeft},
      {Form->suiButton2, {16, 16}, blGlyphLeft}, {Form->suiButton3, {17, 17}, blGlyphLeft},
      {Form->suiButton4, {16, 16}, blGlyphLeft},
  };
  for (const TExpected& e : expected) {
    SCOPED_TRACE(e.Button->Name().toStdString());
    EXPECT_EQ(Protein, e.Button->UIStyle());
    EXPECT_EQ(QSize(90, 25), e.Button->size());
    EXPECT_FALSE(e.Button->AutoSize());
    EXPECT_FALSE(e.Button->Transparent());
    EXPECT_EQ(0, e.Button->ModalResult());
    EXPECT_EQ(4, e.Button->Spacing());
    EXPECT_EQ(0, e.Button->ResHandle());
    EXPECT_EQ(100, e.Button->MouseContinuouslyDownInterval());
    EXPECT_EQ(e.Layout, e.Button->Layout());
    EXPECT_EQ(e.Glyph, QSize(e.Button->Glyph()->Width(), e.Button->Glyph()->Height()));
    EXPECT_TRUE(e.Button->Glyph()->Has2x());
  }

  // The record dot sits left of the caption, the play triangle right of it.
  Show();
  const QImage record = Form->btnRecord->grab().toImage();
  EXPECT_GT(CountTinted(record.copy(0, 0, 45, 25), true), 15);
  EXPECT_EQ(0, CountTinted(record.copy(45, 0, 45, 25), true));
  Form->btnPlay->setEnabled(true);
  const QImage play = Form->btnPlay->grab().toImage();
  EXPECT_GT(CountTinted(play.copy(45, 0, 45, 25), false), 15);
  EXPECT_EQ(0, CountTinted(play.copy(0, 0, 45, 25), false));
}

TEST_F(MainFrameTest, aDisabledTransportButtonIsDrawnDisabledAndEnablingRestoresItsFace) {
  Show();
  ASSERT_FALSE(Form->btnPlay->isEnabled()) << "nothing recorded yet";
  const QImage disabled = Form->btnPlay->grab().toImage();
  EXPECT_EQ(0, CountTinted(disabled, false)) << "the glyph is drawn in grey";
  Form->btnPlay->setEnabled(true);
  const QImage enabled = Form->btnPlay->grab().toImage();
  EXPECT_GT(CountTinted(enabled, false), 15);
  // The face under the caption's left is the record button's face again.
  const QImage record = Form->btnRecord->grab().toImage();
  for (QPoint at : {QPoint(3, 3), QPoint(86, 21), QPoint(5, 12)})
    EXPECT_EQ(record.pixelColor(at), enabled.pixelColor(at)) << at.x() << "," << at.y();
  Form->btnPlay->setEnabled(false);
  EXPECT_EQ(disabled, Form->btnPlay->grab().toImage());
}
