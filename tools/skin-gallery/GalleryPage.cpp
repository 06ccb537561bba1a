#include "GalleryPage.h"

#include "Exceptions.h"
#include "Forms.h"
#include "GalleryControls.h"
#include "SUIPublic.h"
#include "SampleWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QMetaEnum>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kPageWidth = 900;

QColor Q(TColor c) { return ToQColor(c); }

TBitmap* Load(TBitmap& b, const QString& name) {
  try {
    LoadSkinBitmap(b, 0, name);
  } catch (const EResNotFound&) {
    b.Clear();
  }
  return &b;
}

// Draws a picture with its key left out: white for the few white-keyed ones, magenta otherwise.
void DrawKeyed(QPainter& p, const TBitmap& b, const QString& name, int x, int y) {
  const bool white = name == QLatin1String("MENU_CHECKED") || name.startsWith(QLatin1String("FONTCOMBO_"));
  b.DrawPart(p, QRect(x, y, b.Width(), b.Height()), QRect(0, 0, b.Width(), b.Height()), true,
             white ? clWhite : clFuchsia);
}

QString Name(TsuiUIStyle style, int index) { return GetThemeString(style, index); }

// The sample window in the style, and the title buttons large enough to
// judge, in their three states.
class TPreview : public QWidget {
 public:
  explicit TPreview(TsuiUIStyle style) : FStyle(style) {
    setFixedSize(kPageWidth, 324);
    QString why;
    FWindow = MakeSampleWindow(style, this, &why);
    if (FWindow) {
      FWindow->move(20, 16);
      FWindow->show();
    } else {
      FWhy = why;
    }
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const TsuiUIStyle s = FStyle;
    p.fillRect(rect(), QColor(0x60, 0x66, 0x70));
    if (!FWhy.isEmpty()) {
      p.setPen(Qt::white);
      p.drawText(QRect(20, 16, 560, 200), Qt::AlignLeft | Qt::TextWordWrap, FWhy);
    }
    int x = 600;
    for (int first : {teTitleCloseNormal, teTitleMinNormal, teTitleControlBoxNormal}) {
      for (int i = 0; i < 3; ++i) {
        TBitmap b;
        Load(b, Name(s, first + i));
        p.fillRect(QRect(x - 2, 24, b.Width() + 4, b.Height() + 4), TitleStripColour());
        b.DrawPart(p, QRect(x, 26, b.Width(), b.Height()), QRect(0, 0, b.Width(), b.Height()),
                   GetThemeBool(s, teTitleButtonTransparent), b.KeyColor());
        x += b.Width() + 10;
      }
      x += 8;
    }
  }

 private:
  QColor TitleStripColour() const {
    TBitmap t;
    Load(t, Name(FStyle, teTitleClient));
    return t.Empty() ? QColor(Qt::gray) : t.Image().pixelColor(0, t.Height() / 2);
  }

  TsuiUIStyle FStyle;
  std::unique_ptr<TForm> FWindow;
  QString FWhy;
};

// Every picture of a style with its name, on the style's form colour.
class TPictureSheet : public QWidget {
 public:
  explicit TPictureSheet(TsuiUIStyle style) : FStyle(style), FNames(StylePictureNames(style)) {
    setFixedSize(kPageWidth, Layout(nullptr));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    Layout(&p);
  }

 private:
  // Lays the pictures out in rows; paints when given a painter. Returns the height.
  int Layout(QPainter* p) const {
    const QColor ground = FStyle == Custom ? QColor(0xF4, 0xF4, 0xF4) : Q(GetThemeColor(FStyle, teFormColor));
    if (p) {
      p->fillRect(rect(), ground);
      QFont f = p->font();
      f.setPixelSize(9);
      p->setFont(f);
      p->setPen(QColor(0x50, 0x50, 0x50));
    }
    int x = 8, y = 8, rowHeight = 0;
    for (const QString& name : FNames) {
      TBitmap b;
      Load(b, name);
      const QString label = name.mid(
          StylePrefix(FStyle).isEmpty() || !name.startsWith(StylePrefix(FStyle)) ? 0 : StylePrefix(FStyle).size() + 1);
      const int cellWidth = std::max(std::min(b.Width(), 460), 124) + 8;
      const int cellHeight = std::min(b.Height(), 180) + 16;
      if (x + cellWidth > kPageWidth - 8) x = 8, y += rowHeight + 6, rowHeight = 0;
      if (p) {
        DrawKeyed(*p, b, name, x, y);
        p->drawText(QRect(x, y + std::min(b.Height(), 180) + 2, cellWidth - 4, 12), Qt::AlignLeft | Qt::AlignTop,
                    label.toLower());
      }
      x += cellWidth;
      rowHeight = std::max(rowHeight, cellHeight);
    }
    return y + rowHeight + 8;
  }

  TsuiUIStyle FStyle;
  QStringList FNames;
};

// Each registered control in the style, one row, one column per state.
QWidget* ControlsGrid(TsuiUIStyle style) {
  auto* grid = new QWidget;
  auto* layout = new QGridLayout(grid);
  const char* states[] = {"enabled", "disabled", "hovered", "pressed"};
  for (int c = 0; c < 4; ++c) layout->addWidget(new QLabel(QString::fromLatin1(states[c])), 0, c + 1);
  int row = 1;
  for (const TGalleryControl& control : GalleryControls()) {
    layout->addWidget(new QLabel(control.Name), row, 0);
    for (int c = 0; c < 4; ++c) {
      auto* cell = new QWidget;
      cell->setMinimumSize(120, 40);
      if (QWidget* made = control.Make(cell, style, TGalleryState(c))) cell->setMinimumSize(made->size() + QSize(8, 8));
      layout->addWidget(cell, row, c + 1);
    }
    ++row;
  }
  if (row == 1) layout->addWidget(new QLabel(QStringLiteral("(no skinned controls registered yet)")), 1, 0, 1, 5);
  return grid;
}

}  // namespace

QStringList StylePictureNames(TsuiUIStyle style) {
  QStringList names;
  if (style == Custom) {
    names << QStringLiteral("MENU_CHECKED");
    for (const char* extra : SUIResDef::ExtraPictures)
      if (!QString::fromLatin1(extra).startsWith(QLatin1String("MACOS_")) &&
          !QString::fromLatin1(extra).startsWith(QLatin1String("PROTEIN_")))
        names << QString::fromLatin1(extra);
    return names;
  }
  for (int index = 1; index <= 95; ++index) {
    const QString name = GetThemeString(style, index);
    if (!name.isEmpty() && name != QLatin1String("MENU_CHECKED") && !names.contains(name)) names << name;
  }
  for (const char* extra : SUIResDef::ExtraPictures)
    if (QString::fromLatin1(extra).startsWith(StylePrefix(style) + QLatin1Char('_')))
      names << QString::fromLatin1(extra);
  return names;
}

TGalleryPage::TGalleryPage(TsuiUIStyle style, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->setSpacing(6);
  auto* title = new QLabel(style == Custom ? QStringLiteral("Shared pictures")
                                           : QString::fromLatin1(QMetaEnum::fromType<TsuiUIStyle>().valueToKey(style)));
  QFont f = title->font();
  f.setBold(true);
  f.setPixelSize(16);
  title->setFont(f);
  title->setContentsMargins(8, 6, 0, 0);
  layout->addWidget(title);
  if (style != Custom) layout->addWidget(new TPreview(style));
  layout->addWidget(new TPictureSheet(style));
  if (style != Custom) layout->addWidget(ControlsGrid(style));
  layout->addStretch(1);
}
