#include "GalleryPage.h"

#include "Exceptions.h"
#include "GalleryControls.h"
#include "SUIPublic.h"

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

// A sample window in the style, built the way the skinned controls build theirs.
class TPreview : public QWidget {
 public:
  explicit TPreview(TsuiUIStyle style) : FStyle(style) { setFixedSize(kPageWidth, 270); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const TsuiUIStyle s = FStyle;
    p.fillRect(rect(), QColor(0x60, 0x66, 0x70));
    TBitmap title;
    Load(title, Name(s, 45));
    const QRect win(20, 16, 560, 222 + title.Height() - 23);
    p.save();
    p.translate(win.topLeft());
    PaintWindow(p, s, win.size());
    p.restore();
    // The title buttons large enough to judge, in their three states.
    int x = 600;
    for (int first : {48, 54, 60}) {
      for (int i = 0; i < 3; ++i) {
        TBitmap b;
        Load(b, Name(s, first + i));
        p.fillRect(QRect(x - 2, 24, b.Width() + 4, b.Height() + 4), TitleStripColour());
        b.DrawPart(p, QRect(x, 26, b.Width(), b.Height()), QRect(0, 0, b.Width(), b.Height()), GetThemeBool(s, 66),
                   b.KeyColor());
        x += b.Width() + 10;
      }
      x += 8;
    }
  }

 private:
  QColor TitleStripColour() const {
    TBitmap t;
    Load(t, Name(FStyle, 46));
    return t.Empty() ? QColor(Qt::gray) : t.Image().pixelColor(0, t.Height() / 2);
  }

  static void PaintWindow(QPainter& p, TsuiUIStyle s, QSize size) {
    const int w = size.width(), h = size.height();
    // Client area: the tiled background where the style has one, else its colour.
    TBitmap tile;
    const QString tileName = StylePrefix(s) + QStringLiteral("_FORM_BACKGROUND");
    if (SkinBitmapExists(tileName)) {
      Load(tile, tileName);
      p.save();
      p.setClipRect(0, 0, w, h);
      DrawTiled(p, tile, QRect(0, 0, w, h));
      p.restore();
    } else {
      p.fillRect(0, 0, w, h, Q(GetThemeColor(s, 3)));
    }
    // Title strip: left piece, stretched middle, right piece.
    TBitmap left, client, right;
    Load(left, Name(s, 45));
    Load(client, Name(s, 46));
    Load(right, Name(s, 47));
    const int th = left.Height();
    left.Draw(p, 0, 0);
    client.StretchDraw(p, QRect(left.Width(), 0, w - left.Width() - right.Width(), th));
    right.Draw(p, w - right.Width(), 0);
    // Title buttons: control box on the left, close, maximize, minimize from the right.
    const bool keyed = GetThemeBool(s, 66);
    const int top = GetThemeInt(s, 69);
    TBitmap box;
    Load(box, Name(s, 60));
    box.DrawPart(p, QRect(2 + GetThemeInt(s, 67), top, box.Width(), box.Height()),
                 QRect(0, 0, box.Width(), box.Height()), keyed, box.KeyColor());
    int x = w - 2 + GetThemeInt(s, 68);
    for (int index : {48, 52, 54}) {
      TBitmap b;
      Load(b, Name(s, index));
      x -= b.Width();
      b.DrawPart(p, QRect(x, top, b.Width(), b.Height()), QRect(0, 0, b.Width(), b.Height()), keyed, b.KeyColor());
    }
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(s == MacOS ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
    p.drawText(QRect(box.Width() + 8, 0, w / 2, th), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromUtf8("Tamsel录音机"));

    // Push buttons in the recorder's size, normal, mouse on, pressed.
    f.setBold(false);
    p.setFont(f);
    const char* captions[] = {"录制", "停止", "播放"};
    const bool transparent = s == MacOS || s == BlueGlass;
    for (int i = 0; i < 3; ++i) {
      TBitmap face;
      Load(face, Name(s, 24 + i));
      const QRect r(16 + i * 104, th + 16, 90, 25);
      p.save();
      p.translate(r.topLeft());
      DrawNinePart(face, p, QRect(0, 0, r.width(), r.height()), transparent);
      p.restore();
      p.setPen(Qt::black);
      p.drawText(r.translated(i == 2 ? 1 : 0, i == 2 ? 1 : 0), Qt::AlignCenter, QString::fromUtf8(captions[i]));
    }

    // Check boxes and radio buttons, checked and not, then disabled.
    int y = th + 56;
    const int boxes[] = {29, 30, 27, 37, 38, 35};
    const char* labels[] = {"开", "关", "禁用", "甲", "乙", "禁用"};
    for (int i = 0; i < 6; ++i) {
      TBitmap b;
      Load(b, Name(s, boxes[i]));
      const int bx = 16 + i * 70;
      if (i >= 3)
        b.DrawPart(p, QRect(bx, y, b.Width(), b.Height()), QRect(0, 0, b.Width(), b.Height()), true, b.Pixel(0, 0));
      else
        b.Draw(p, bx, y);
      p.setPen(i == 2 || i == 5 ? QColor(0x80, 0x80, 0x80) : QColor(Qt::black));
      p.drawText(QRect(bx + b.Width() + 4, y - 3, 60, b.Height() + 6), Qt::AlignVCenter, QString::fromUtf8(labels[i]));
    }

    // Progress bar at 60 %, framed in the border colour.
    y += 28;
    {
      TBitmap fill;
      Load(fill, Name(s, 43));
      const QRect r(16, y, 300, fill.Height() + 2);
      p.fillRect(r, Q(GetThemeColor(s, 9)));
      fill.StretchDraw(p, QRect(r.left() + 1, r.top() + 1, (r.width() - 2) * 6 / 10, fill.Height()));
      p.setPen(Q(GetThemeColor(s, 8)));
      p.drawRect(r.adjusted(0, 0, -1, -1));
    }

    // Track bar: the bar in three parts with the slider on it.
    y += 24;
    {
      TBitmap bar, slider;
      Load(bar, Name(s, 75));
      Load(slider, Name(s, 76));
      const int bh = std::max(bar.Height(), slider.Height());
      DrawThreePart(bar, p, QRect(16, y + (bh - bar.Height()) / 2, 300, bar.Height()), false);
      slider.DrawPart(p, QRect(110, y, slider.Width(), slider.Height()), QRect(0, 0, slider.Width(), slider.Height()),
                      true, clFuchsia);
    }

    // Tab strip: one active tab and two others over the line.
    y += 32;
    {
      TBitmap active, inactive, line;
      Load(active, Name(s, 70));
      Load(inactive, Name(s, 71));
      Load(line, Name(s, 72));
      const int ha = active.Height();
      line.StretchDraw(p, QRect(17, y + ha, 298, line.Height()));
      p.fillRect(QRect(16, y + ha + line.Height(), 300, 30), Q(GetThemeColor(s, 9)));
      p.setPen(Q(GetThemeColor(s, 8)));
      p.drawRect(QRect(16, y + ha, 299, line.Height() + 30));
      const char* tabs[] = {"录音", "播放", "格式"};
      int tx = 20;
      for (int i = 0; i < 3; ++i) {
        const QRect r = i == 0 ? QRect(tx, y + 1, 60, ha) : QRect(tx, y, 60, ha);
        DrawThreePart(i == 0 ? active : inactive, p, r, true);
        p.setPen(Qt::black);
        p.drawText(r, Qt::AlignCenter, QString::fromUtf8(tabs[i]));
        tx += 60;
      }
    }

    // A vertical scroll bar at the right: buttons, track colour, thumb in three parts.
    {
      TBitmap up, down, track;
      Load(up, Name(s, 85));
      Load(down, Name(s, 88));
      Load(track, Name(s, 91));
      const int sx = w - 16 - 40, sy = th + 16, sh = h - th - 32;
      p.fillRect(QRect(sx, sy, up.Width(), sh), Q(GetThemeColor(s, 84)));
      up.Draw(p, sx, sy);
      down.Draw(p, sx, sy + sh - down.Height());
      const int third = track.Height() / 3;
      const int ty = sy + up.Height() + 20, tl = 60;
      track.DrawPart(p, QRect(sx, ty, track.Width(), third), QRect(0, 0, track.Width(), third));
      track.DrawPart(p, QRect(sx, ty + third, track.Width(), tl - 2 * third), QRect(0, third, track.Width(), third));
      track.DrawPart(p, QRect(sx, ty + tl - third, track.Width(), third), QRect(0, 2 * third, track.Width(), third));
    }

    // The border: entry 2 in entry 4's width.
    p.setPen(Qt::NoPen);
    const QColor border = Q(GetThemeColor(s, 2));
    const int bw = std::max(1, GetThemeInt(s, 4));
    p.fillRect(0, 0, w, bw, border);
    p.fillRect(0, h - bw, w, bw, border);
    p.fillRect(0, 0, bw, h, border);
    p.fillRect(w - bw, 0, bw, h, border);
  }

  TsuiUIStyle FStyle;
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
    const QColor ground = FStyle == Custom ? QColor(0xF4, 0xF4, 0xF4) : Q(GetThemeColor(FStyle, 3));
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
