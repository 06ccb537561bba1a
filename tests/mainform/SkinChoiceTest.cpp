// The 外观 submenu of the control-box menu: each style restyles the whole
// window at once, the choice is kept in the user's configuration and comes
// back with the next window, and a name that is no style gives Protein.
#include "MainFormFixture.h"

#include "Application.h"
#include "ControlBoxMenu.h"
#include "Menus.h"
#include "Places.h"
#include "SUIButton.h"
#include "SUIForm.h"
#include "SUIMainMenu.h"
#include "SUIPublic.h"
#include "SUITitleBar.h"
#include "SkinChoice.h"

#include <QTest>

namespace {

struct TStylePictures {
  explicit TStylePictures(TsuiUIStyle style) {
    LoadSkinBitmap(Left, 0, GetThemeString(style, teTitleLeft));
    LoadSkinBitmap(Client, 0, GetThemeString(style, teTitleClient));
  }
  TBitmap Left, Client;
};

// Compares the strip with the style's own title pictures wherever neither
// a button nor the caption is drawn over them: the left piece from the left
// edge, the stretched middle piece after it. Returns the pixels compared.
int ExpectStripShows(const QImage& shot, const TsuiTitleBarPlaces& places, const TStylePictures& p, const char* style) {
  int compared = 0, wrong = 0;
  const int buttonsLeft = [&] {
    int x = shot.width();
    for (const auto& b : places.Buttons)
      if (b.Rect.left() > places.CaptionLeft) x = std::min(x, b.Rect.left());
    return x;
  }();
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 6; x < buttonsLeft - 2; ++x) {
      // The caption and the window's rounded corners are left out.
      if (x >= places.CaptionLeft - 2 && x < places.CaptionLeft + 120) continue;
      bool onButton = false;
      for (const auto& b : places.Buttons) onButton = onButton || b.Rect.adjusted(-1, -1, 1, 1).contains(x, y);
      if (onButton) continue;
      QColor want;
      if (x < p.Left.Width())
        want = ToQColor(p.Left.Pixel(x, y));
      else if (p.Client.Width() == 1)
        want = ToQColor(p.Client.Pixel(0, y));
      else
        continue;
      ++compared;
      if (want.rgb() != shot.pixelColor(x, y).rgb()) ++wrong;
    }
  EXPECT_EQ(0, wrong) << style << ": pixels that are not the style's title pictures";
  return compared;
}

}  // namespace

class SkinChoiceTest : public MainFormTest {
 protected:
  TMenuItem* Offer(TsuiUIStyle style) const {
    const std::vector<TSkinOffer> offers = SkinOffers();
    for (size_t i = 0; i < offers.size(); ++i)
      if (offers[i].Style == style) return Form->ControlBoxMenu()->SkinItem()->Items(int(i));
    return nullptr;
  }
};

TEST_F(SkinChoiceTest, eachStyleRestylesTitleStripFrameButtonsAndMenuAtOnce) {
  Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  TMenuItem* skins = Form->ControlBoxMenu()->SkinItem();
  ASSERT_EQ(QStringLiteral("外观"), skins->Caption());
  ASSERT_EQ(5, skins->Count());
  EXPECT_EQ(Protein, Form->suiForm1->UIStyle()) << "the stored look by default";

  TsuiTitleBar* bar = Form->suiForm1->TitleBar();
  QImage previous = bar->grab().toImage();
  for (TsuiUIStyle style : {MacOS, WinXP, DeepBlue, BlueGlass, Protein}) {
    const char* name = QMetaEnum::fromType<SUIThemes::TsuiUIStyle>().valueToKey(style);
    Offer(style)->Click();
    QCoreApplication::processEvents();
    const TStylePictures pictures(style);
    ASSERT_FALSE(pictures.Left.Empty()) << name;
    EXPECT_EQ(pictures.Left.Height(), bar->height()) << name << ": the strip is as high as the style's title";
    const QImage shot = bar->grab().toImage();
    EXPECT_NE(previous, shot) << name;
    EXPECT_GT(ExpectStripShows(shot, bar->Places(), pictures, name), 100) << name;
    previous = shot;

    EXPECT_EQ(style, Form->suiForm1->UIStyle()) << name;
    EXPECT_EQ(GetThemeColor(style, teFormColor), Form->suiForm1->Color()) << name;
    for (TsuiButton* button : {Form->btnRecord, Form->btnPlay, Form->suiButton2})
      EXPECT_EQ(style, button->UIStyle()) << name;
    TsuiTitleBarButtons* buttons = bar->Buttons();
    for (int i = 0; i < buttons->Count(); ++i) EXPECT_EQ(style, buttons->Items(i)->UIStyle()) << name;
    EXPECT_EQ(style, Form->ControlBoxMenu()->Menu()->UIStyle()) << name;
    Form->ControlBoxMenu()->Refresh();
    for (int i = 0; i < skins->Count(); ++i)
      EXPECT_EQ(skins->Items(i) == Offer(style), skins->Items(i)->Checked()) << name;
  }
}

TEST_F(SkinChoiceTest, theChoiceIsKeptAndTheNextWindowOpensInIt_theDescriptionUnchanged) {
  const QByteArray stored = ReadAll(QStringLiteral(":/Form1.json"));
  Offer(BlueGlass)->Click();
  EXPECT_EQ(QStringLiteral("BlueGlass"), UserSettings()->value(QStringLiteral("appearance/style")).toString());

  Form.reset();
  Form = CreateStoredWindow();
  EXPECT_EQ(BlueGlass, Form->suiForm1->UIStyle());
  EXPECT_EQ(BlueGlass, Form->btnStop->UIStyle());
  EXPECT_EQ(TStylePictures(BlueGlass).Left.Height(), Form->suiForm1->TitleBar()->height());
  EXPECT_EQ(BlueGlass, Form->ControlBoxMenu()->Menu()->UIStyle());
  EXPECT_EQ(stored, ReadAll(QStringLiteral(":/Form1.json")));

  Offer(Protein)->Click();
  Form.reset();
  Form = CreateStoredWindow();
  EXPECT_EQ(Protein, Form->suiForm1->UIStyle());
}

TEST_F(SkinChoiceTest, aKeptNameThatIsNoStyleGivesTheStoredLookWithoutAMessage) {
  Form.reset();
  UserSettings()->setValue(QStringLiteral("appearance/style"), QStringLiteral("Velvet"));
  int messages = 0;
  TApplication::Instance()->SetOnException([&](const QString&) { ++messages; });
  Form = CreateStoredWindow();
  QCoreApplication::processEvents();
  EXPECT_EQ(Protein, Form->suiForm1->UIStyle());
  EXPECT_EQ(Protein, Form->btnRecord->UIStyle());
  EXPECT_EQ(23, Form->suiForm1->TitleBar()->height());
  EXPECT_EQ(0, messages);
  TApplication::Instance()->SetOnException(nullptr);
}
