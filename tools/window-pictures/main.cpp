// Stores the recorder window's pictures in its description:
//   tamsel-window-pictures TEMPLATE OUTPUT
// reads the description TEMPLATE (which carries no pictures), adds each
// button's glyph, drawn here, and the title bar's section and button
// pictures, taken from the window's style, each at 1x and 2x, and writes
// OUTPUT. The build runs it, so the pictures always come from this code.
#include "Description.h"
#include "Glyphs.h"
#include "PictureHolder.h"
#include "SUIButton.h"
#include "SUIPublic.h"
#include "SUIThemes.h"
#include "SUITitleBar.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <cstdio>

namespace {

// The picture in the description's notation.
QJsonValue PictureJson(TBitmap& picture) {
  TPictureHolder holder;
  holder.Picture()->Assign(&picture);
  const QJsonObject entry = QJsonDocument::fromJson(WriteDescription(&holder)).object();
  return entry.value(QLatin1String("Properties")).toObject().value(QLatin1String("Picture"));
}

QJsonValue GlyphJson(const SkinArt::TPicture& glyph) {
  TBitmap picture;
  picture.SetImages(SkinArt::Render(glyph, 1), SkinArt::Render(glyph, 2));
  return PictureJson(picture);
}

// The middle of the face the recorder's buttons show, which glyph edges are mixed onto.
QColor ButtonFace() {
  TBitmap face;
  LoadSkinBitmap(face, 0, GetThemeString(Protein, teButtonNormal));
  return ToQColor(face.Pixel(face.Width() / 2, face.Height() / 2));
}

QJsonValue SkinJson(TsuiUIStyle style, int entry) {
  TBitmap picture;
  LoadSkinBitmap(picture, 0, GetThemeString(style, entry));
  return PictureJson(picture);
}

int ThemeEntry(const QJsonValue& value, const QMetaEnum& e, int fallback) {
  bool ok = false;
  const int v = e.keyToValue(value.toString().toLatin1().constData(), &ok);
  return ok ? v : fallback;
}

// The frame's title bar: pictures of the frame's style, by section alignment
// and button type.
void AddTitleBarPictures(QJsonObject& props) {
  const QMetaEnum styles = QMetaEnum::fromType<SUIThemes::TsuiUIStyle>();
  const QMetaEnum aligns = QMetaEnum::fromType<SUITitleBar::TsuiTitleBarAlign>();
  const QMetaEnum types = QMetaEnum::fromType<SUITitleBar::TsuiTitleBarBtnType>();
  const auto style = TsuiUIStyle(ThemeEntry(props.value(QLatin1String("UIStyle")), styles, DeepBlue));

  QJsonArray sections = props.value(QLatin1String("TitleBarSections")).toArray();
  for (auto&& item : sections) {
    QJsonObject section = item.toObject();
    const int align = ThemeEntry(section.value(QLatin1String("Align")), aligns, suiLeft);
    section.insert(QStringLiteral("Picture"), SkinJson(style, align == suiLeft    ? teTitleLeft
                                                              : align == suiRight ? teTitleRight
                                                                                  : teTitleClient));
    item = section;
  }
  props.insert(QStringLiteral("TitleBarSections"), sections);

  QJsonArray buttons = props.value(QLatin1String("TitleBarButtons")).toArray();
  for (auto&& item : buttons) {
    QJsonObject button = item.toObject();
    int first = 0;
    switch (ThemeEntry(button.value(QLatin1String("ButtonType")), types, suiCustom)) {
      case suiMax: first = teTitleMaxNormal; break;
      case suiMin: first = teTitleMinNormal; break;
      case suiClose: first = teTitleCloseNormal; break;
      case suiHelp: first = teTitleHelpNormal; break;
      case suiControlBox: first = teTitleControlBoxNormal; break;
      default: continue;
    }
    const auto buttonStyle = TsuiUIStyle(ThemeEntry(button.value(QLatin1String("UIStyle")), styles, style));
    button.insert(QStringLiteral("PicNormal"), SkinJson(buttonStyle, first));
    button.insert(QStringLiteral("PicMouseOn"), SkinJson(buttonStyle, first + 1));
    button.insert(QStringLiteral("PicMouseDown"), SkinJson(buttonStyle, first + 2));
    item = button;
  }
  props.insert(QStringLiteral("TitleBarButtons"), buttons);
}

void AddPictures(QJsonObject& entry, const std::vector<SkinArt::TPicture>& glyphs) {
  const QString name = entry.value(QLatin1String("Name")).toString();
  QJsonObject props = entry.value(QLatin1String("Properties")).toObject();
  if (entry.value(QLatin1String("Class")).toString() == QLatin1String("TsuiForm")) AddTitleBarPictures(props);
  if (TsuiButton::staticMetaObject.indexOfProperty("Glyph") >= 0)
    for (const SkinArt::TPicture& glyph : glyphs)
      if (glyph.Name == name) props.insert(QStringLiteral("Glyph"), GlyphJson(glyph));
  entry.insert(QStringLiteral("Properties"), props);
  QJsonArray children = entry.value(QLatin1String("Children")).toArray();
  for (auto&& child : children) {
    QJsonObject c = child.toObject();
    AddPictures(c, glyphs);
    child = c;
  }
  if (!children.isEmpty()) entry.insert(QStringLiteral("Children"), children);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: tamsel-window-pictures TEMPLATE OUTPUT\n");
    return 2;
  }
  QFile in(QString::fromLocal8Bit(argv[1]));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  QJsonParseError error{};
  QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &error);
  if (!doc.isObject()) {
    std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error.errorString()));
    return 1;
  }
  QJsonObject root = doc.object();
  try {
    AddPictures(root, RecorderGlyphs(ButtonFace()));
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", qPrintable(e.Message()));
    return 1;
  }
  QFile out(QString::fromLocal8Bit(argv[2]));
  if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
