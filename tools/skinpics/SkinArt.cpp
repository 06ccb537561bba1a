#include "SkinArt.h"

#include "SUIResDef.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace SkinArt {
namespace {

using SUIResDef::TThemeEntryIndex;
using enum SUIResDef::TThemeEntryIndex;

QColor FromBgr(int32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }
QColor Theme(int style, TThemeEntryIndex index) { return FromBgr(SUIResDef::EntryOf(index).Values[style - 1]); }
QColor Mix(const QColor& a, const QColor& b, qreal t) {
  return QColor::fromRgbF(
      float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
      float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}
QColor Alpha(QColor c, qreal a) {
  c.setAlphaF(float(a));
  return c;
}

enum class TState { Normal, MouseOn, MouseDown, Disabled };

// One style's look: the theme column's colours and the shapes of its own.
struct TLook {
  int Id;
  QString Prefix;
  QColor Form, Border, Accent, Body, Track, Scroll;  // from the theme table
  QColor TitleTop, TitleBottom, TitleEdge;           // the title strip, top to bottom
  QColor FaceTop, FaceBottom, FaceBorder;            // push buttons and boxes
  QColor Hot;                                        // the mouse-on glow and check marks
  QColor Fill;                                       // progress fill
  QSize Button;
  qreal Radius;      // push button corners
  bool ButtonKeyed;  // drawn with a key (the style's buttons are transparent)
  int TitleH, TitleLeftW, TitleRightW;
  int TitleBtn;  // square size of the title buttons
  int TitleBtnTop;
  bool TitleBtnKeyed;
  bool RoundTitleBtns;  // circles rather than rounded squares
  qreal Gloss;          // strength of the upper highlight
};

TLook MakeLook(int id) {
  TLook k{};
  k.Id = id;
  k.Prefix = QString::fromLatin1(SUIResDef::StylePrefixes[id]);
  k.Form = Theme(id, teFormColor);
  k.Border = Theme(id, teBorderColor);
  k.Accent = Theme(id, teSelectedBorderColor);
  k.Body = Theme(id, teControlColor);
  k.Track = Theme(id, teTrackBarColor);
  k.Scroll = Theme(id, teScrollBarColor);
  k.TitleBtnTop = SUIResDef::EntryOf(teTitleButtonTop).Values[id - 1];
  k.TitleBtnKeyed = SUIResDef::EntryOf(teTitleButtonTransparent).Values[id - 1] != 0;
  switch (id) {
    case 1:  // MacOS: light metal, pill buttons
      k.TitleTop = QColor(0xF4, 0xF4, 0xF4), k.TitleBottom = QColor(0xC9, 0xC9, 0xC9),
      k.TitleEdge = QColor(0x8C, 0x8C, 0x8C);
      k.FaceTop = QColor(0xFF, 0xFF, 0xFF), k.FaceBottom = QColor(0xD6, 0xDA, 0xE0),
      k.FaceBorder = QColor(0x7F, 0x7F, 0x7F);
      k.Hot = QColor(0x5E, 0x9A, 0xE6), k.Fill = QColor(0x3B, 0x7D, 0xD8);
      k.Button = {84, 23}, k.Radius = 10.5, k.ButtonKeyed = true;
      k.TitleH = 23, k.TitleLeftW = 64, k.TitleRightW = 8, k.TitleBtn = 15, k.RoundTitleBtns = true, k.Gloss = 0.7;
      break;
    case 2:  // WinXP: saturated blue caption, soft cream buttons
      k.TitleTop = QColor(0x3C, 0x8C, 0xF4), k.TitleBottom = QColor(0x0A, 0x4C, 0xD2),
      k.TitleEdge = QColor(0x00, 0x33, 0x99);
      k.FaceTop = QColor(0xFF, 0xFF, 0xFD), k.FaceBottom = QColor(0xE3, 0xE2, 0xDA),
      k.FaceBorder = QColor(0x00, 0x3C, 0x74);
      k.Hot = QColor(0xF2, 0xA8, 0x2C), k.Fill = QColor(0x3C, 0xB8, 0x4A);
      k.Button = {18, 21}, k.Radius = 3, k.ButtonKeyed = false;
      k.TitleH = 29, k.TitleLeftW = 32, k.TitleRightW = 8, k.TitleBtn = 21, k.RoundTitleBtns = false, k.Gloss = 0.45;
      break;
    case 3:  // DeepBlue: dark navy caption, square-cut grey buttons
      k.TitleTop = QColor(0x3A, 0x4E, 0x86), k.TitleBottom = QColor(0x14, 0x1F, 0x45),
      k.TitleEdge = QColor(0x0A, 0x10, 0x28);
      k.FaceTop = QColor(0xF6, 0xF7, 0xFA), k.FaceBottom = QColor(0xC6, 0xCB, 0xD8),
      k.FaceBorder = QColor(0x20, 0x2A, 0x48);
      k.Hot = QColor(0x5A, 0x7C, 0xC4), k.Fill = QColor(0x34, 0x4E, 0x96);
      k.Button = {74, 21}, k.Radius = 1.5, k.ButtonKeyed = false;
      k.TitleH = 32, k.TitleLeftW = 120, k.TitleRightW = 8, k.TitleBtn = 24, k.RoundTitleBtns = false, k.Gloss = 0.25;
      break;
    case 4:  // Protein: silver buttons under a deep blue glossy caption
      k.TitleTop = QColor(0x4A, 0x6F, 0xB4), k.TitleBottom = QColor(0x1D, 0x3A, 0x7A),
      k.TitleEdge = QColor(0x12, 0x24, 0x52);
      k.FaceTop = QColor(0xFF, 0xFF, 0xFF), k.FaceBottom = QColor(0xDD, 0xE1, 0xE8),
      k.FaceBorder = QColor(0x6E, 0x78, 0x8A);
      k.Hot = QColor(0x4C, 0x8E, 0xDE), k.Fill = QColor(0x35, 0x6C, 0xC8);
      k.Button = {74, 21}, k.Radius = 3, k.ButtonKeyed = false;
      k.TitleH = 23, k.TitleLeftW = 441, k.TitleRightW = 1, k.TitleBtn = 19, k.RoundTitleBtns = false, k.Gloss = 0.55;
      break;
    default:  // BlueGlass: translucent light blue glass
      k.TitleTop = QColor(0xB4, 0xD2, 0xFA), k.TitleBottom = QColor(0x4E, 0x82, 0xDA),
      k.TitleEdge = QColor(0x2E, 0x5A, 0xA8);
      k.FaceTop = QColor(0xF4, 0xF9, 0xFF), k.FaceBottom = QColor(0xB6, 0xD0, 0xF4),
      k.FaceBorder = QColor(0x4A, 0x6E, 0xB0);
      k.Hot = QColor(0x52, 0xA6, 0xF4), k.Fill = QColor(0x3E, 0x8E, 0xE8);
      k.Button = {77, 27}, k.Radius = 8, k.ButtonKeyed = true;
      k.TitleH = 33, k.TitleLeftW = 160, k.TitleRightW = 8, k.TitleBtn = 21, k.RoundTitleBtns = true, k.Gloss = 0.8;
      break;
  }
  return k;
}

// The title strip's colour at row y, so a title button's edge pixels sit on it.
QColor TitleAt(const TLook& k, qreal y) { return Mix(k.TitleTop, k.TitleBottom, std::clamp(y / k.TitleH, 0.0, 1.0)); }

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& a, const QColor& b) {
  return Gradient(QPointF(0, top), QPointF(0, bottom), a, b);
}

// A rounded box with a crisp one-pixel border, filled with fill, lit from above.
void Box(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill, const QColor& border, qreal gloss) {
  const QRectF edge = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRoundedRect(edge, radius, radius);
  if (gloss > 0) {
    // Light from the top: a bright inner line along the upper edge.
    QLinearGradient g(0, r.top(), 0, r.bottom());
    g.setColorAt(0, Alpha(Qt::white, gloss));
    g.setColorAt(0.5, Alpha(Qt::white, 0));
    p.setPen(QPen(QBrush(g), 1));
    p.setBrush(Qt::NoBrush);
    const qreal inner = std::max<qreal>(0, radius - 1);
    p.drawRoundedRect(edge.adjusted(1, 1, -1, -1), inner, inner);
  }
  p.setPen(QPen(border, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(edge, radius, radius);
}

// ---- push buttons ----

void PushButton(QPainter& p, const TLook& k, TState s) {
  const QRectF r(0, 0, k.Button.width(), k.Button.height());
  QColor top = k.FaceTop, bottom = k.FaceBottom, border = k.FaceBorder;
  if (s == TState::MouseOn) {
    top = k.FaceTop;
    bottom = Mix(k.FaceBottom, k.Hot, 0.22);
    border = Mix(k.FaceBorder, k.Hot, 0.65);
  } else if (s == TState::MouseDown) {
    top = Mix(k.FaceBottom, k.FaceBorder, 0.25);
    bottom = Mix(k.FaceBottom, k.FaceTop, 0.6);
    border = k.FaceBorder.darker(115);
  }
  QLinearGradient g = Vertical(0, r.height(), top, bottom);
  g.setColorAt(0.48, Mix(top, bottom, 0.35));
  g.setColorAt(0.52, Mix(top, bottom, 0.55));
  Box(p, r, k.Radius, g, border, s == TState::MouseDown ? 0 : k.Gloss);
  if (s == TState::MouseDown) {
    // Pressed in: a shadow along the inner top edge.
    p.setPen(QPen(Alpha(Qt::black, 0.14), 1));
    const qreal rr = std::max<qreal>(0, k.Radius - 1);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), rr, rr);
  }
}

// ---- check boxes, radio buttons, check list marks ----

void CheckMark(QPainter& p, const QRectF& r, const QColor& c, qreal width) {
  QPainterPath path;
  path.moveTo(r.left() + r.width() * 0.22, r.top() + r.height() * 0.52);
  path.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.72);
  path.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.28);
  p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void StateFace(const TLook& k, TState s, QColor& top, QColor& bottom, QColor& border, QColor& mark) {
  top = Qt::white;
  bottom = Mix(k.FaceBottom, Qt::white, 0.35);
  border = k.FaceBorder;
  mark = k.Fill.darker(125);
  if (s == TState::MouseOn) border = Mix(k.FaceBorder, k.Hot, 0.7), bottom = Mix(bottom, k.Hot, 0.18);
  if (s == TState::MouseDown)
    top = Mix(k.FaceBottom, k.FaceBorder, 0.25), bottom = Qt::white, border = k.FaceBorder.darker(115);
  if (s == TState::Disabled) {
    top = bottom = Mix(k.Form, Qt::white, 0.4);
    border = Mix(k.FaceBorder, k.Form, 0.55);
    mark = Mix(k.FaceBorder, k.Form, 0.45);
  }
}

void CheckBox(QPainter& p, const TLook& k, TState s, bool checked, int size) {
  QColor top, bottom, border, mark;
  StateFace(k, s, top, bottom, border, mark);
  const QRectF r(0, 0, size, size);
  Box(p, r, size > 11 ? 2 : 1.5, Vertical(0, size, top, bottom), border, 0);
  if (checked) CheckMark(p, r.adjusted(1, 1, -1, -1), mark, size > 11 ? 1.8 : 1.5);
}

void RadioButton(QPainter& p, const TLook& k, TState s, bool checked) {
  QColor top, bottom, border, mark;
  StateFace(k, s, top, bottom, border, mark);
  const QRectF r(0.5, 0.5, 12, 12);
  p.setPen(QPen(border, 1));
  p.setBrush(Vertical(0, 13, top, bottom));
  p.drawEllipse(r);
  if (checked) {
    QRadialGradient g(QPointF(5.6, 5.4), 3.4);
    g.setColorAt(0, mark.lighter(150));
    g.setColorAt(1, mark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(6.5, 6.5), 3, 3);
  }
}

// ---- progress bar ----

void Progress(QPainter& p, const TLook& k, bool vertical) {
  const QColor light = Mix(k.Fill, Qt::white, 0.45), dark = k.Fill;
  QLinearGradient g = vertical ? QLinearGradient(0, 0, 10, 0) : QLinearGradient(0, 0, 0, 10);
  g.setColorAt(0, light);
  g.setColorAt(0.45, Mix(light, dark, 0.5));
  g.setColorAt(0.55, dark);
  g.setColorAt(1, dark.darker(115));
  p.fillRect(vertical ? QRectF(0, 0, 10, 1) : QRectF(0, 0, 1, 10), g);
}

// ---- title strip ----

void TitleBand(QPainter& p, const TLook& k, qreal width) {
  QLinearGradient g = Vertical(0, k.TitleH, k.TitleTop, k.TitleBottom);
  p.fillRect(QRectF(0, 0, width, k.TitleH), g);
  // The glossy upper half, then the dark line under the strip.
  QLinearGradient gloss =
      Vertical(0, k.TitleH * 0.5, Alpha(Qt::white, 0.28 * k.Gloss), Alpha(Qt::white, 0.05 * k.Gloss));
  p.fillRect(QRectF(0, 1, width, k.TitleH * 0.5 - 1), gloss);
  p.fillRect(QRectF(0, 0, width, 1), Alpha(Qt::white, 0.45 * k.Gloss));
  p.fillRect(QRectF(0, k.TitleH - 1, width, 1), k.TitleEdge);
}

void TitleLeft(QPainter& p, const TLook& k) {
  const qreal w = k.TitleLeftW;
  TitleBand(p, k, w);
  // A soft light on the left end that has faded out well before the joint
  // with the stretched middle piece.
  QRadialGradient glow(QPointF(w * 0.18, k.TitleH * 0.2), w * 0.45);
  glow.setColorAt(0, Alpha(Qt::white, 0.34 * k.Gloss));
  glow.setColorAt(1, Alpha(Qt::white, 0));
  p.save();
  p.setClipRect(QRectF(0, 1, w * 0.8, k.TitleH - 2));
  p.fillRect(QRectF(0, 1, w, k.TitleH - 2), glow);
  p.restore();
  p.fillRect(QRectF(0, 0, 1, k.TitleH), Alpha(k.TitleEdge, 0.5));
}

void TitleRight(QPainter& p, const TLook& k) {
  TitleBand(p, k, k.TitleRightW);
  p.fillRect(QRectF(k.TitleRightW - 1, 0, 1, k.TitleH), Alpha(k.TitleEdge, 0.5));
}

enum class TTitleGlyph { Close, Max, Min, Help, ControlBox, Restore };

void TitleGlyph(QPainter& p, TTitleGlyph glyph, const QRectF& r, const QColor& c) {
  const qreal w = std::max<qreal>(1.2, r.width() / 8);
  p.setPen(QPen(c, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  const qreal m = r.width() * 0.3;
  const QRectF g = r.adjusted(m, m, -m, -m);
  switch (glyph) {
    case TTitleGlyph::Close:
      p.setPen(QPen(c, w * 1.15, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(g.topLeft(), g.bottomRight());
      p.drawLine(g.topRight(), g.bottomLeft());
      break;
    case TTitleGlyph::Max:
      p.drawRect(g);
      p.fillRect(QRectF(g.left(), g.top(), g.width(), w * 1.2), c);
      break;
    case TTitleGlyph::Restore: {
      const qreal d = g.width() * 0.3;
      p.drawRect(g.adjusted(d, 0, 0, -d));
      p.fillRect(QRectF(g.left(), g.top() + d, g.width() - d, g.height() - d), Qt::transparent);
      p.drawRect(g.adjusted(0, d, -d, 0));
      break;
    }
    case TTitleGlyph::Min: p.fillRect(QRectF(g.left(), g.bottom() - w * 1.3, g.width(), w * 1.3), c); break;
    case TTitleGlyph::Help: {
      QPainterPath q;
      const qreal cx = g.center().x();
      q.moveTo(g.left() + g.width() * 0.15, g.top() + g.height() * 0.3);
      q.cubicTo(g.left() + g.width() * 0.15, g.top() - g.height() * 0.05, g.right(), g.top() - g.height() * 0.05,
                g.right() - g.width() * 0.1, g.top() + g.height() * 0.35);
      q.cubicTo(g.right() - g.width() * 0.2, g.top() + g.height() * 0.55, cx, g.top() + g.height() * 0.5, cx,
                g.top() + g.height() * 0.75);
      p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap));
      p.drawPath(q);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawEllipse(QPointF(cx, g.bottom() + w * 0.2), w * 0.7, w * 0.7);
      break;
    }
    case TTitleGlyph::ControlBox: {
      // The recorder's mark: a ring round a dot.
      p.setPen(QPen(c, w));
      p.drawEllipse(g.center(), g.width() * 0.55, g.width() * 0.55);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      p.drawEllipse(g.center(), g.width() * 0.22, g.width() * 0.22);
      break;
    }
  }
}

void TitleButton(QPainter& p, const TLook& k, TTitleGlyph glyph, TState s) {
  const qreal n = k.TitleBtn;
  const QRectF r(0, 0, n, n);
  QColor base = k.Id == 1 ? k.Hot : Mix(k.TitleBottom, Qt::white, 0.18);
  if (glyph == TTitleGlyph::Close && (k.Id == 2 || k.Id == 4 || k.Id == 5)) base = QColor(0xC8, 0x4A, 0x3A);
  if (s == TState::MouseOn) base = base.lighter(125);
  if (s == TState::MouseDown) base = base.darker(125);
  const QColor border = Mix(k.TitleEdge, base, 0.2);
  QLinearGradient g = Vertical(0, n, base.lighter(140), base.darker(110));
  g.setColorAt(0.5, base);
  if (s == TState::MouseDown) g = Vertical(0, n, base.darker(115), base.lighter(115));
  if (k.RoundTitleBtns) {
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawEllipse(r.adjusted(1.5, 1.5, -1.5, -1.5));
    QLinearGradient shine = Vertical(1.5, n * 0.55, Alpha(Qt::white, 0.7 * k.Gloss), Alpha(Qt::white, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(n * 0.25, 2.5, n * 0.5, n * 0.4));
  } else {
    Box(p, r.adjusted(1, 1, -1, -1), 3, g, border, s == TState::MouseDown ? 0 : k.Gloss);
  }
  TitleGlyph(p, glyph, r, s == TState::MouseDown ? QColor(0xE6, 0xEA, 0xF2) : Qt::white);
}

// ---- tabs ----

// The strip is the tab and the line under it, as high as the theme's strip.
int TabHeight(const TLook& k) { return SUIResDef::EntryOf(teTabHeight).Values[k.Id - 1] - 5; }

void Tab(QPainter& p, const TLook& k, bool active) {
  // Three frames of three columns: left side, middle, right side.
  const QColor top = active ? Qt::white : Mix(k.Body, k.Border, 0.04);
  const QColor bottom = active ? k.Body : Mix(k.Body, k.Border, 0.13);
  const QColor border = Mix(k.Border, k.Body, 0.35);
  const qreal h = TabHeight(k);
  p.setPen(Qt::NoPen);
  p.setBrush(Vertical(0, h, top, bottom));
  QPainterPath shape;
  shape.moveTo(0.5, h);
  shape.lineTo(0.5, 3);
  shape.quadTo(0.5, 0.5, 3, 0.5);
  shape.lineTo(6, 0.5);
  shape.quadTo(8.5, 0.5, 8.5, 3);
  shape.lineTo(8.5, h);
  p.drawPath(shape);
  p.setPen(QPen(border, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shape);
  if (active) p.fillRect(QRectF(1, 1, 7, 1.5), Alpha(k.Hot, 0.9));
}

void TabLine(QPainter& p, const TLook& k) {
  p.fillRect(QRectF(0, 0, 10, 5), k.Body);
  p.fillRect(QRectF(0, 0, 10, 1), Mix(k.Border, k.Body, 0.35));
}

// ---- track bar ----

void TrackBar(QPainter& p, const TLook& k) {
  Box(p, QRectF(0, 0, 45, 4), 1.5, Vertical(0, 4, Mix(k.Border, k.Track, 0.55), k.Track.lighter(104)),
      Mix(k.Border, k.Track, 0.4), 0);
}

void Slider(QPainter& p, const TLook& k, bool vertical) {
  const QSizeF size = vertical ? QSizeF(18, 11) : QSizeF(11, 20);
  QPainterPath shape;
  if (vertical) {
    // Points to the right.
    shape = SkinArt::Outline({{0.5, 1.5}, {12, 1.5}, {17.5, 5.5}, {12, 9.5}, {0.5, 9.5}});
  } else {
    shape = SkinArt::Outline({{1.5, 0.5}, {9.5, 0.5}, {9.5, 14}, {5.5, 19.5}, {1.5, 14}});
  }
  QLinearGradient g = vertical ? QLinearGradient(0, 0, 0, size.height()) : QLinearGradient(0, 0, size.width(), 0);
  g.setColorAt(0, Qt::white);
  g.setColorAt(1, Mix(k.FaceBottom, k.Hot, 0.2));
  p.setPen(QPen(k.FaceBorder, 1));
  p.setBrush(g);
  p.drawPath(shape);
}

// ---- scroll bar ----

void ScrollButton(QPainter& p, const TLook& k, bool up, TState s) {
  QColor top = Qt::white, bottom = Mix(k.FaceBottom, k.Scroll, 0.3), border = Mix(k.FaceBorder, k.Scroll, 0.3);
  if (s == TState::MouseOn) bottom = Mix(bottom, k.Hot, 0.25), border = Mix(border, k.Hot, 0.6);
  if (s == TState::MouseDown) top = Mix(k.FaceBottom, k.FaceBorder, 0.3), bottom = Qt::white;
  Box(p, QRectF(0, 0, 16, 16), 2, Vertical(0, 16, top, bottom), border, s == TState::MouseDown ? 0 : 0.5);
  QPainterPath arrow;
  if (up) {
    arrow.moveTo(4.5, 10);
    arrow.lineTo(8, 6);
    arrow.lineTo(11.5, 10);
  } else {
    arrow.moveTo(4.5, 6);
    arrow.lineTo(8, 10);
    arrow.lineTo(11.5, 6);
  }
  p.setPen(QPen(k.FaceBorder.darker(130), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arrow);
}

void ScrollTrack(QPainter& p, const TLook& k) {
  // A vertical thumb cut in three rows of seven: head, body, tail.
  QLinearGradient g(0, 0, 16, 0);
  g.setColorAt(0, Qt::white);
  g.setColorAt(1, Mix(k.FaceBottom, k.Hot, 0.25));
  p.fillRect(QRectF(0, 0, 16, 21), k.Scroll);
  // The middle rows are stretched along the thumb, so they carry no grip.
  Box(p, QRectF(1, 0, 14, 21), 3, g, k.FaceBorder, 0.4);
}

// ---- form backgrounds and the extras ----

void FormBackground(QPainter& p, int style) {
  const QColor base = Theme(style, teFormColor);
  p.fillRect(QRectF(0, 0, 8, 8), base);
  if (style == 1) {
    // Fine horizontal pinstripes.
    for (int y = 0; y < 8; y += 2) p.fillRect(QRectF(0, y, 8, 1), base.lighter(103));
  } else {
    // A faint woven dot, barely there.
    p.fillRect(QRectF(0, 0, 1, 1), base.darker(103));
    p.fillRect(QRectF(4, 4, 1, 1), base.darker(103));
  }
}

void MenuChecked(QPainter& p) { CheckMark(p, QRectF(2, 2, 12, 12), Qt::black, 1.8); }

void MacMenu(QPainter& p, bool selected) {
  const QColor accent = Theme(1, teSelectedBorderColor);
  if (selected)
    p.fillRect(QRectF(0, 0, 8, 21), Vertical(0, 21, accent.lighter(135), accent.darker(110)));
  else
    p.fillRect(QRectF(0, 0, 8, 21), Vertical(0, 21, QColor(0xF7, 0xF7, 0xF7), QColor(0xE4, 0xE4, 0xE4)));
}

void MacComboButton(QPainter& p) {
  const QColor accent = Theme(1, teSelectedBorderColor);
  Box(p, QRectF(0, 0, 16, 17), 3, Vertical(0, 17, accent.lighter(150), accent), accent.darker(130), 0.7);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(SkinArt::Outline({{5, 7}, {8, 4}, {11, 7}}));
  p.drawPath(SkinArt::Outline({{5, 10}, {8, 13}, {11, 10}}));
}

void SideBar(QPainter& p, bool hot) {
  const QColor glow = MakeLook(4).Hot;
  const QColor top = hot ? Mix(glow, Qt::white, 0.55) : QColor(0xF2, 0xF3, 0xF6);
  const QColor bottom = hot ? Mix(glow, Qt::white, 0.15) : QColor(0xD4, 0xD8, 0xE0);
  QLinearGradient g(0, 0, 8, 0);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  Box(p, QRectF(0, 0, 8, 172), 2, g, QColor(0x7A, 0x82, 0x94), 0.5);
  p.setPen(Qt::NoPen);
  p.setBrush(hot ? Qt::white : QColor(0x7A, 0x82, 0x94));
  for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(4, 78 + i * 4), 1, 1);
}

void Pin(QPainter& p, bool onTop) {
  const QColor c(0x3A, 0x46, 0x5E);
  p.setPen(QPen(c, 1));
  p.setBrush(QColor(0xE8, 0xEC, 0xF4));
  if (onTop) {
    // Pushed in, seen from above.
    p.drawRect(QRectF(3.5, 1.5, 5, 6));
    p.drawLine(QPointF(2, 7.5), QPointF(10, 7.5));
    p.drawLine(QPointF(6, 8), QPointF(6, 11.5));
  } else {
    // Lying on its side, pointing left.
    p.drawRect(QRectF(4.5, 3.5, 6, 5));
    p.drawLine(QPointF(4.5, 2), QPointF(4.5, 10));
    p.drawLine(QPointF(0.5, 6), QPointF(4, 6));
  }
}

void FontKind(QPainter& p, bool trueType) {
  if (trueType) {
    // Two overlapping T's.
    p.fillRect(QRectF(0, 0, 7, 2), QColor(0x5A, 0x5A, 0x5A));
    p.fillRect(QRectF(2.5, 0, 2, 9), QColor(0x5A, 0x5A, 0x5A));
    p.fillRect(QRectF(4, 3, 8, 2), QColor(0x1F, 0x4F, 0xB0));
    p.fillRect(QRectF(7, 3, 2, 9), QColor(0x1F, 0x4F, 0xB0));
  } else {
    // A printer.
    p.setPen(QPen(QColor(0x3A, 0x3A, 0x3A), 1));
    p.setBrush(QColor(0xD8, 0xD8, 0xD8));
    p.drawRect(QRectF(0.5, 4.5, 11, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 0.5, 7, 4));
    p.drawRect(QRectF(2.5, 7.5, 7, 4));
  }
}

QString Named(const TLook& k, const char* element) { return k.Prefix + QLatin1Char('_') + QLatin1String(element); }

void AddStyle(std::vector<TPicture>& out, const TLook& k) {
  auto add = [&out](QString name, QSize size, TKey key, QColor backdrop, std::function<void(QPainter&)> draw) {
    for (const TPicture& p : out)
      if (p.Name == name) return;  // entries that repeat a picture name it once
    out.push_back({std::move(name), size, key, backdrop, std::move(draw)});
  };
  const TKey buttonKey = k.ButtonKeyed ? TKey::Magenta : TKey::None;
  const char* faces[] = {"BUTTON_NORMAL", "BUTTON_MOUSEON", "BUTTON_MOUSEDOWN"};
  const TState states[] = {TState::Normal, TState::MouseOn, TState::MouseDown};
  for (int i = 0; i < 3; ++i)
    add(Named(k, faces[i]), k.Button, buttonKey, k.Form, [k, s = states[i]](QPainter& p) { PushButton(p, k, s); });

  // Check boxes and radio buttons: every name the style's entries give.
  for (int index = teCheckBoxDisabledChecked; index <= teRadioButtonMouseDownUnchecked; ++index) {
    const QString element = QLatin1String(SUIResDef::ElementOf(k.Id, index));
    const bool radio = element.startsWith(QLatin1String("RADIO"));
    const bool checked = !element.endsWith(QLatin1String("UNCHECK"));
    TState s = TState::Normal;
    if (element.contains(QLatin1String("DISABLE"))) s = TState::Disabled;
    if (element.contains(QLatin1String("MOUSEON"))) s = TState::MouseOn;
    if (element.contains(QLatin1String("MOUSEDOWN"))) s = TState::MouseDown;
    if (radio)
      add(k.Prefix + QLatin1Char('_') + element, {13, 13}, TKey::Magenta, k.Form,
          [k, s, checked](QPainter& p) { RadioButton(p, k, s, checked); });
    else
      add(k.Prefix + QLatin1Char('_') + element, {13, 13}, TKey::None, k.Form,
          [k, s, checked](QPainter& p) { CheckBox(p, k, s, checked, 13); });
  }
  for (int index = teCheckListDisabledChecked; index <= teCheckListUnchecked; ++index) {
    const QString element = QLatin1String(SUIResDef::ElementOf(k.Id, index));
    const bool checked = !element.endsWith(QLatin1String("UNCHECK"));
    const TState s = element.contains(QLatin1String("DISABLE")) ? TState::Disabled : TState::Normal;
    add(k.Prefix + QLatin1Char('_') + element, {11, 11}, TKey::None, Qt::white,
        [k, s, checked](QPainter& p) { CheckBox(p, k, s, checked, 11); });
  }

  add(Named(k, "PROGRESSBAR"), {1, 10}, TKey::None, k.Body, [k](QPainter& p) { Progress(p, k, false); });
  add(Named(k, "PROGRESSBAR_V"), {10, 1}, TKey::None, k.Body, [k](QPainter& p) { Progress(p, k, true); });

  add(Named(k, "TITLE_LEFT"), {k.TitleLeftW, k.TitleH}, TKey::None, k.TitleBottom,
      [k](QPainter& p) { TitleLeft(p, k); });
  add(Named(k, "TITLE_CLIENT"), {1, k.TitleH}, TKey::None, k.TitleBottom, [k](QPainter& p) { TitleBand(p, k, 1); });
  add(Named(k, "TITLE_RIGHT"), {k.TitleRightW, k.TitleH}, TKey::None, k.TitleBottom,
      [k](QPainter& p) { TitleRight(p, k); });

  struct TKind {
    const char* Element;
    TTitleGlyph Glyph;
  };
  std::vector<TKind> kinds = {{"TITLEBTN_CLOSE", TTitleGlyph::Close},
                              {"TITLEBTN_MAX", TTitleGlyph::Max},
                              {"TITLEBTN_MIN", TTitleGlyph::Min},
                              {"TITLEBTN_HELP", TTitleGlyph::Help},
                              {"TITLEBTN_CTLBOX", TTitleGlyph::ControlBox}};
  if (SUIResDef::ElementOf(k.Id, teTitleRestoreNormal) != SUIResDef::ElementOf(k.Id, teTitleMaxNormal))
    kinds.push_back({"TITLEBTN_RST", TTitleGlyph::Restore});
  const char* endings[] = {"_NORMAL", "_MOUSEON", "_MOUSEDOWN"};
  // Title buttons are keyed by their bottom-left pixel, which no shape covers.
  const QColor onTitle = TitleAt(k, k.TitleBtnTop + k.TitleBtn / 2.0);
  for (const TKind& kind : kinds)
    for (int i = 0; i < 3; ++i)
      add(Named(k, kind.Element) + QLatin1String(endings[i]), {k.TitleBtn, k.TitleBtn},
          k.TitleBtnKeyed ? TKey::Magenta : TKey::None, onTitle,
          [k, g = kind.Glyph, s = states[i]](QPainter& p) { TitleButton(p, k, g, s); });

  add(Named(k, "TAB_ACTIVE"), {9, TabHeight(k)}, TKey::Magenta, k.Body, [k](QPainter& p) { Tab(p, k, true); });
  add(Named(k, "TAB_INACTIVE"), {9, TabHeight(k)}, TKey::Magenta, k.Body, [k](QPainter& p) { Tab(p, k, false); });
  add(Named(k, "TAB_LINE"), {10, 5}, TKey::None, k.Body, [k](QPainter& p) { TabLine(p, k); });

  add(Named(k, "TRACKBAR_BAR"), {45, 4}, TKey::None, k.Track, [k](QPainter& p) { TrackBar(p, k); });
  add(Named(k, "TRACKBAR_SLIDER"), {11, 20}, TKey::Magenta, k.Track, [k](QPainter& p) { Slider(p, k, false); });
  add(Named(k, "TRACKBAR_SLIDER_V"), {18, 11}, TKey::Magenta, k.Track, [k](QPainter& p) { Slider(p, k, true); });

  const char* scroll[] = {"SCROLLBAR_TOPBUTTON", "SCROLLBAR_BTMBUTTON"};
  for (int b = 0; b < 2; ++b)
    for (int i = 0; i < 3; ++i)
      add(Named(k, scroll[b]) + QLatin1String(endings[i]), {16, 16}, TKey::None, k.Scroll,
          [k, up = b == 0, s = states[i]](QPainter& p) { ScrollButton(p, k, up, s); });
  add(Named(k, "SCROLLBAR_TRACK"), {16, 21}, TKey::None, k.Scroll, [k](QPainter& p) { ScrollTrack(p, k); });
}

}  // namespace

QPainterPath Outline(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(points)));
  path.closeSubpath();
  return path;
}

QLinearGradient Gradient(QPointF from, QPointF to, const QColor& a, const QColor& b) {
  QLinearGradient g(from, to);
  g.setColorAt(0, a);
  g.setColorAt(1, b);
  return g;
}

std::vector<TPicture> AllPictures() {
  std::vector<TPicture> out;
  out.push_back({QStringLiteral("MENU_CHECKED"), {16, 16}, TKey::White, Qt::white, MenuChecked});
  for (int style = 1; style <= SUIResDef::StyleCount; ++style) AddStyle(out, MakeLook(style));
  out.push_back({QStringLiteral("MACOS_FORM_BACKGROUND"), {8, 8}, TKey::None, Theme(1, teFormColor), [](QPainter& p) {
                   FormBackground(p, 1);
                 }});
  out.push_back({QStringLiteral("PROTEIN_FORM_BACKGROUND"), {8, 8}, TKey::None, Theme(4, teFormColor), [](QPainter& p) {
                   FormBackground(p, 4);
                 }});
  out.push_back({QStringLiteral("MACOS_MENU_BAR"), {8, 21}, TKey::None, Theme(1, teFormColor), [](QPainter& p) {
                   MacMenu(p, false);
                 }});
  out.push_back({QStringLiteral("MACOS_MENU_SELECT"), {8, 21}, TKey::None, Theme(1, teFormColor), [](QPainter& p) {
                   MacMenu(p, true);
                 }});
  out.push_back(
      {QStringLiteral("MACOS_COMBOBOX_BUTTON"), {16, 17}, TKey::None, Theme(1, teComboBoxButtonColor), MacComboButton});
  out.push_back(
      {QStringLiteral("SIDECHANNEL_BAR_NORMAL"), {8, 172}, TKey::None, Theme(4, teControlColor), [](QPainter& p) {
         SideBar(p, false);
       }});
  out.push_back(
      {QStringLiteral("SIDECHANNEL_BAR_MOUSEON"), {8, 172}, TKey::None, Theme(4, teControlColor), [](QPainter& p) {
         SideBar(p, true);
       }});
  out.push_back(
      {QStringLiteral("SIDECHANNEL_BTN_ONTOP"), {12, 12}, TKey::Magenta, QColor(0xD4, 0xD0, 0xC8), [](QPainter& p) {
         Pin(p, true);
       }});
  out.push_back(
      {QStringLiteral("SIDECHANNEL_BTN_NOONTOP"), {12, 12}, TKey::Magenta, QColor(0xD4, 0xD0, 0xC8), [](QPainter& p) {
         Pin(p, false);
       }});
  out.push_back({QStringLiteral("FONTCOMBO_TRUETYPE_FNT"), {12, 12}, TKey::White, Qt::white, [](QPainter& p) {
                   FontKind(p, true);
                 }});
  out.push_back({QStringLiteral("FONTCOMBO_DEVICE_FNT"), {12, 12}, TKey::White, Qt::white, [](QPainter& p) {
                   FontKind(p, false);
                 }});
  return out;
}

QImage Render(const TPicture& picture, int scale) {
  QImage art(picture.Size * scale, QImage::Format_ARGB32_Premultiplied);
  art.fill(Qt::transparent);
  {
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    picture.Draw(p);
  }
  // Flatten: no picture carries alpha. Pixels the drawing left (almost) bare
  // become the key; every other one is mixed with what it will sit on, so no
  // edge ever blends with the key colour.
  const QRgb key = picture.Key == TKey::Magenta ? qRgb(255, 0, 255) : qRgb(255, 255, 255);
  const QRgb back = picture.Backdrop.rgb();
  QImage out(art.size(), QImage::Format_RGB32);
  for (int y = 0; y < art.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(art.constScanLine(y));
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < art.width(); ++x) {
      const QRgb s = src[x];
      const int a = qAlpha(s);
      if (picture.Key != TKey::None && a < 96) {
        dst[x] = key;
        continue;
      }
      const int r = qRed(s) + qRed(back) * (255 - a) / 255, g = qGreen(s) + qGreen(back) * (255 - a) / 255,
                b = qBlue(s) + qBlue(back) * (255 - a) / 255;
      QRgb v = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
      // A drawn pixel that happens to equal the key would vanish: nudge it.
      if (picture.Key != TKey::None && (v & 0xFFFFFF) == (key & 0xFFFFFF)) v = qRgb(qRed(v), qGreen(v) ^ 1, qBlue(v));
      dst[x] = v;
    }
  }
  out.setDevicePixelRatio(scale);
  return out;
}

}  // namespace SkinArt
