#include "Description.h"
#include "Exceptions.h"
#include "Forms.h"
#include "SUIForm.h"
#include "SUIMenu.h"
#include "SUIPublic.h"
#include "SUIThemes.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWidget>
#include <map>
#include <memory>
#include <set>

namespace {

// Protein's picture sizes, which the recorder's window is laid out for.
const std::map<QString, QSize> kProteinSizes = {
    {"BUTTON_NORMAL", {74, 21}},     {"BUTTON_MOUSEON", {74, 21}}, {"BUTTON_MOUSEDOWN", {74, 21}},
    {"TITLE_LEFT", {441, 23}},       {"TITLE_CLIENT", {1, 23}},    {"TITLE_RIGHT", {1, 23}},
    {"PROGRESSBAR", {1, 10}},        {"PROGRESSBAR_V", {10, 1}},   {"SCROLLBAR_TRACK", {16, 21}},
    {"TAB_ACTIVE", {9, 17}},         {"TAB_INACTIVE", {9, 17}},    {"TAB_LINE", {10, 5}},
    {"MENU_CHECKED", {16, 16}},      {"TRACKBAR_BAR", {45, 4}},    {"TRACKBAR_SLIDER", {11, 20}},
    {"TRACKBAR_SLIDER_V", {18, 11}},
};

QSize ProteinSize(const QString& element) {
  auto it = kProteinSizes.find(element);
  if (it != kProteinSizes.end()) return it->second;
  if (element.startsWith("TITLEBTN_")) return {19, 19};
  if (element.startsWith("CHECKBOX_") || element.startsWith("RADIOBUTTON_")) return {13, 13};
  if (element.startsWith("CHECKLIST_")) return {11, 11};
  if (element.startsWith("SCROLLBAR_")) return {16, 16};
  return {};
}

}  // namespace

TEST(Themes, CustomUnknownStylesAndWrongKindsGiveTheNeutralAnswers) {
  for (int style : {int(Custom), 6, 7, 127, 128 /* low seven bits: Custom */}) {
    for (int index : {1, 2, 24, 66}) {
      EXPECT_EQ(GetThemeInt(style, index), -1) << style << " " << index;
      EXPECT_EQ(GetThemeColor(style, index), TColor(0));
      EXPECT_FALSE(GetThemeBool(style, index));
      EXPECT_TRUE(GetThemeString(style, index).isEmpty());
      TThemeKind kind = TThemeKind::Name;
      EXPECT_EQ(GetThemeValue(style, index, kind).toInt(), -1);
      EXPECT_EQ(kind, TThemeKind::Int);
    }
  }
  // Entries outside 1..95 are neutral too.
  EXPECT_EQ(GetThemeInt(Protein, 0), -1);
  EXPECT_EQ(GetThemeInt(Protein, 96), -1);
  // The wrong lookup for an entry's kind.
  EXPECT_EQ(GetThemeColor(Protein, 4), TColor(0));
  EXPECT_EQ(GetThemeInt(Protein, 2), -1);
  EXPECT_FALSE(GetThemeBool(Protein, 24));
  EXPECT_TRUE(GetThemeString(Protein, 3).isEmpty());
  EXPECT_EQ(GetThemeInt(Protein, 66), -1);
}

TEST(Themes, LookupsUseTheLowSevenBitsOfTheStyleAndKeepTheKinds) {
  EXPECT_EQ(GetThemeColor(0x80 | Protein, 3), TColor(0xFBFBFB));
  EXPECT_EQ(GetThemeString(Protein, 24), "PROTEIN_BUTTON_NORMAL");
  EXPECT_EQ(GetThemeString(Protein, 49), "PROTEIN_TITLEBTN_CLOSE_MOUSEON");
  EXPECT_EQ(GetThemeString(WinXP, 23), "MENU_CHECKED");
  EXPECT_EQ(GetThemeString(MacOS, 23), "MENU_CHECKED");
  // WinXP alone has its own pictures for the hot and pressed boxes and the restore button.
  EXPECT_EQ(GetThemeString(WinXP, 31), "WINXP_CHECKBOX_MOUSEON_CHECK");
  EXPECT_EQ(GetThemeString(DeepBlue, 31), "DEEPBLUE_CHECKBOX_CHECK");
  EXPECT_EQ(GetThemeString(WinXP, 64), "WINXP_TITLEBTN_RST_MOUSEON");
  EXPECT_EQ(GetThemeString(BlueGlass, 64), "BLUEGLASS_TITLEBTN_MAX_MOUSEON");
  EXPECT_EQ(GetThemeString(Protein, 77), "PROTEIN_TRACKBAR_BAR");
  EXPECT_EQ(GetThemeInt(BlueGlass, 68), -3);
  EXPECT_EQ(GetThemeInt(MacOS, 73), 34);
  EXPECT_EQ(GetThemeColor(BlueGlass, 74), TColor(0xE9D6D5));
  EXPECT_TRUE(GetThemeBool(Protein, 66));
  EXPECT_FALSE(GetThemeBool(DeepBlue, 66));
  TThemeKind kind;
  EXPECT_EQ(GetThemeValue(WinXP, 2, kind).toInt(), 0xC82C00);
  EXPECT_EQ(kind, TThemeKind::Color);
  EXPECT_EQ(GetThemeValue(Protein, 45, kind).toString(), "PROTEIN_TITLE_LEFT");
  EXPECT_EQ(kind, TThemeKind::Name);
}

TEST(Themes, EveryNamedPictureOfEveryStyleLoadsAtItsSize) {
  std::set<QString> seen;
  for (int style = MacOS; style <= BlueGlass; ++style) {
    for (int index = 1; index <= 95; ++index) {
      const QString name = GetThemeString(style, index);
      if (name.isEmpty()) continue;
      TBitmap b;
      ASSERT_NO_THROW(LoadSkinBitmap(b, 0, name)) << name.toStdString();
      ASSERT_FALSE(b.Empty()) << name.toStdString();
      seen.insert(name);
      if (style == Protein) {
        const QString element = name.startsWith("PROTEIN_") ? name.mid(QString("PROTEIN_").size()) : name;
        EXPECT_EQ(b.Image().size(), ProteinSize(element)) << name.toStdString();
      }
      // The fine picture is drawn for the same logical size.
      ASSERT_TRUE(b.Has2x()) << name.toStdString();
      EXPECT_EQ(b.Image2x().size(), b.Image().size() * 2) << name.toStdString();
    }
  }
  EXPECT_GT(seen.size(), 240u);

  auto size = [](const QString& name) {
    TBitmap b;
    LoadSkinBitmap(b, 0, name);
    return b.Image().size();
  };
  EXPECT_EQ(size("MACOS_BUTTON_NORMAL"), QSize(84, 23));
  EXPECT_EQ(size("WINXP_BUTTON_NORMAL"), QSize(18, 21));
  EXPECT_EQ(size("BLUEGLASS_BUTTON_MOUSEDOWN"), QSize(77, 27));
  EXPECT_EQ(size("MACOS_TITLE_CLIENT").height(), 23);
  EXPECT_EQ(size("WINXP_TITLE_LEFT").height(), 29);
  EXPECT_EQ(size("DEEPBLUE_TITLE_RIGHT").height(), 32);
  EXPECT_EQ(size("BLUEGLASS_TITLE_CLIENT").height(), 33);
  EXPECT_EQ(size("MENU_CHECKED"), QSize(16, 16));
  EXPECT_EQ(size("MACOS_FORM_BACKGROUND"), QSize(8, 8));
  EXPECT_EQ(size("PROTEIN_FORM_BACKGROUND"), QSize(8, 8));
  EXPECT_EQ(size("MACOS_COMBOBOX_BUTTON"), QSize(16, 17));
  EXPECT_EQ(size("SIDECHANNEL_BAR_NORMAL"), QSize(8, 172));
  EXPECT_EQ(size("SIDECHANNEL_BAR_MOUSEON"), QSize(8, 172));
  for (const char* extra : SUIResDef::ExtraPictures) EXPECT_TRUE(SkinBitmapExists(extra)) << extra;
}

TEST(Themes, KeyColoursSitWhereTheDrawingStepsLookForThem) {
  auto load = [](const QString& name) {
    TBitmap b;
    LoadSkinBitmap(b, 0, name);
    return b.Image();
  };
  const QRgb magenta = qRgb(255, 0, 255), white = qRgb(255, 255, 255);
  // The check mark is keyed by white; title buttons of a transparent style by their bottom-left pixel.
  EXPECT_EQ(load("MENU_CHECKED").pixel(0, 0) & 0xFFFFFF, white & 0xFFFFFF);
  const QImage close = load("PROTEIN_TITLEBTN_CLOSE_NORMAL");
  EXPECT_EQ(close.pixel(0, close.height() - 1) & 0xFFFFFF, magenta & 0xFFFFFF);
  // Tabs are keyed by magenta and DrawThreePart reads the key at (0, 0).
  EXPECT_EQ(load("PROTEIN_TAB_ACTIVE").pixel(0, 0) & 0xFFFFFF, magenta & 0xFFFFFF);
  // Protein's buttons are not transparent: their corners carry no key to show.
  const QImage button = load("PROTEIN_BUTTON_NORMAL");
  for (int y = 0; y < button.height(); ++y)
    for (int x = 0; x < button.width(); ++x)
      ASSERT_NE(button.pixel(x, y) & 0xFFFFFF, magenta & 0xFFFFFF) << x << "," << y;
  // A transparent style's button is keyed outside its rounded corners.
  EXPECT_EQ(load("MACOS_BUTTON_NORMAL").pixel(0, 0) & 0xFFFFFF, magenta & 0xFFFFFF);
  EXPECT_EQ(load("BLUEGLASS_BUTTON_NORMAL").pixel(0, 0) & 0xFFFFFF, magenta & 0xFFFFFF);

  for (int style = MacOS; style <= BlueGlass; ++style) {
    // Radio buttons are drawn with their pixel (0, 0) as the key; transparent
    // title buttons with their bottom-left one.
    EXPECT_EQ(load(GetThemeString(style, 37)).pixel(0, 0) & 0xFFFFFF, magenta & 0xFFFFFF) << style;
    if (GetThemeBool(style, 66)) {
      const QImage b = load(GetThemeString(style, 48));
      EXPECT_EQ(b.pixel(0, b.height() - 1) & 0xFFFFFF, magenta & 0xFFFFFF) << style;
    }
    // No pixel beside the key is pinkish: edges were mixed with what they sit on, not with magenta.
    for (int index = 23; index <= 95; ++index) {
      const QString name = GetThemeString(style, index);
      if (name.isEmpty()) continue;
      for (bool fine : {false, true}) {
        TBitmap bitmap;
        LoadSkinBitmap(bitmap, 0, name);
        const QImage image = fine ? bitmap.Image2x() : bitmap.Image();
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if ((c.rgb() & 0xFFFFFF) == (magenta & 0xFFFFFF)) continue;
            bool besideKey = false;
            for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
              if (image.valid(x + d.x(), y + d.y()) &&
                  (image.pixel(x + d.x(), y + d.y()) & 0xFFFFFF) == (magenta & 0xFFFFFF))
                besideKey = true;
            if (besideKey) {
              ASSERT_FALSE(c.red() > c.green() + 60 && c.blue() > c.green() + 60)
                  << name.toStdString() << (fine ? "@2x" : "") << " pink at " << x << "," << y;
            }
          }
      }
    }
  }
}

TEST(Themes, AMissingPictureIsAResourceError) {
  TBitmap b;
  EXPECT_THROW(LoadSkinBitmap(b, 0, "PROTEIN_NO_SUCH_PICTURE"), EResNotFound);
  EXPECT_THROW(LoadSkinBitmap(b, 0, ""), EResNotFound);
  // Another module carries none of the program's pictures.
  EXPECT_THROW(LoadSkinBitmap(b, 1, "PROTEIN_BUTTON_NORMAL"), EResNotFound);
  try {
    LoadSkinBitmap(b, 0, "NOPE");
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource NOPE not found.");
  }
}

TEST(Themes, StyleDiscoveryTakesTheFirstSkinnedFormTheOwnerHolds) {
  TForm owner(nullptr);
  EXPECT_EQ(FindFormUIStyle(&owner), DeepBlue);
  EXPECT_EQ(FindFormBorderColor(&owner), TColor(0));
  EXPECT_EQ(FindFormColor(&owner), clBtnFace);
  EXPECT_EQ(FindFormUIStyle(nullptr), DeepBlue);

  // A window holds one frame only; a plain owner may hold several.
  TQComponent holder(nullptr);
  new TPanel(&holder);
  auto* first = new TsuiForm(&holder);
  first->SetUIStyle(WinXP);
  first->SetColor(TColor(0x123456));
  auto* second = new TsuiForm(&holder);
  second->SetUIStyle(MacOS);
  EXPECT_EQ(FindFormUIStyle(&holder), WinXP);
  EXPECT_EQ(FindFormBorderColor(&holder), TColor(0x686868));
  EXPECT_EQ(FindFormColor(&holder), TColor(0x123456));
}

TEST(Themes, TheStyleIsStoredByName) {
  TForm form(nullptr);
  form.SetName("Form1");
  auto* frame = new TsuiForm(&form);
  frame->SetName("suiForm1");
  frame->setParent(&form);
  frame->SetUIStyle(Protein);
  const QJsonObject props = QJsonDocument::fromJson(WriteDescription(&form))
                                .object()["Children"]
                                .toArray()[0]
                                .toObject()["Properties"]
                                .toObject();
  EXPECT_EQ(props["UIStyle"].toString(), "Protein");

  RegisterClass<TsuiForm>();
  const QByteArray json = R"({"Class": "TsuiForm", "Name": "f", "Properties": {"UIStyle": "BlueGlass"}})";
  std::unique_ptr<TComponent> back(ReadComponent(json));
  ASSERT_TRUE(dynamic_cast<TsuiForm*>(back.get()));
  EXPECT_EQ(dynamic_cast<TsuiForm*>(back.get())->UIStyle(), BlueGlass);
  const QByteArray bad = R"({"Class": "TsuiForm", "Name": "f", "Properties": {"UIStyle": "Plastic"}})";
  EXPECT_THROW(std::unique_ptr<TComponent>(ReadComponent(bad)), EDescriptionError);
}

namespace {

// A skinned control in any rows, recording what it was given.
class TStyledChild : public QWidget, public IsuiThemeChild {
 public:
  TStyledChild(QWidget* parent, unsigned rows, TsuiUIStyle own) : QWidget(parent), FRows(rows), Style(own) {}
  unsigned ThemeRows() const override { return FRows; }
  TsuiUIStyle ThemeUIStyle() const override { return Style; }
  void ApplyThemeUIStyle(TsuiUIStyle s) override {
    Style = s;
    ++StyleCalls;
    if (FRows & trContainer) ApplyUIStyleToChildren(this, s);
  }
  void ApplyThemeBorderColor(TColor c) override { Border = c, ++BorderCalls; }
  void ApplyThemeCaptionColor(TColor c) override { Caption = c; }
  void ApplyThemeColor(TColor c) override { Color = c; }
  void ApplyThemeSideBarColor(TColor c) override { SideBar = c; }

  unsigned FRows;
  TsuiUIStyle Style;
  int StyleCalls = 0, BorderCalls = 0;
  TColor Border = clNone, Caption = clNone, Color = clNone, SideBar = clNone;
};

}  // namespace

TEST(Themes, ApplyingAStyleGivesEachChildTheActionsOfItsRows) {
  QWidget container;
  using R = IsuiThemeChild;
  auto* button = new TStyledChild(&container, R::trStyleUnlessCustom, MacOS);
  auto* customButton = new TStyledChild(&container, R::trStyleUnlessCustom, Custom);
  auto* edit = new TStyledChild(&container, R::trBorder, Custom);
  auto* group = new TStyledChild(&container, R::trGroup | R::trContainer, MacOS);
  auto* side = new TStyledChild(&container, R::trSideChannel, Custom);
  auto* combo = new TStyledChild(&container, R::trStyle, Custom);
  auto* both = new TStyledChild(&container, R::trBorder | R::trStyle, Custom);
  auto* nested = new TStyledChild(group, R::trStyle, Custom);
  new QWidget(&container);  // not skinned: left alone

  ApplyUIStyleToChildren(&container, WinXP);
  EXPECT_EQ(button->Style, WinXP);
  EXPECT_EQ(customButton->Style, Custom);
  EXPECT_EQ(customButton->StyleCalls, 0);
  EXPECT_EQ(edit->Border, TColor(0x686868));
  EXPECT_EQ(group->Border, TColor(0x686868));
  EXPECT_EQ(group->Caption, TColor(0xCF4602));
  EXPECT_EQ(group->Color, TColor(0xDEEBEF));
  EXPECT_EQ(group->StyleCalls, 0);  // the group's own row sets colours only
  EXPECT_EQ(nested->StyleCalls, 0);
  EXPECT_EQ(side->Color, TColor(0xDEEBEF));
  EXPECT_EQ(side->SideBar, TColor(0xDEEBEF));
  EXPECT_EQ(combo->Style, WinXP);
  EXPECT_EQ(both->Style, WinXP);
  EXPECT_EQ(both->BorderCalls, 1);

  // Custom hands nothing down.
  ApplyUIStyleToChildren(&container, Custom);
  EXPECT_EQ(combo->Style, WinXP);

  // Containers pass the style on to what they hold.
  ApplyUIStyleToContainers(&container, Protein);
  EXPECT_EQ(group->Style, Protein);
  EXPECT_EQ(nested->Style, Protein);
  EXPECT_EQ(combo->Style, WinXP);
}

TEST(Themes, TheMenuFontComesFromTheDesktopInTheMenuTextColour) {
  TFont font;
  font.SetName("nothing like it");
  font.SetColor(clRed);
  SetSystemMenuFont(&font);
  EXPECT_NE(font.Name(), "nothing like it");
  EXPECT_LT(font.Height(), 0);
  EXPECT_EQ(font.Color(), clMenuText);
  SetSystemMenuFont(nullptr);
}
