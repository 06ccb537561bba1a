#pragma once
// The recorder's button glyphs, drawn by vector code at any scale so the 2x
// pictures are drawn, not enlarged. Each glyph has a fully transparent
// background (its top-left pixel, the colour its button leaves out) and
// soft edges in its alpha, so it sits cleanly on any button face.
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

struct TGlyph {
  QString Name;  // the button it belongs to
  QSize Size;    // in logical pixels
  void (*Draw)(class QPainter& painter);  // draws into a Size box
};

// Record dot, stop square, play triangle, format, exit, save, home page.
const std::vector<TGlyph>& RecorderGlyphs();
// The glyph drawn at scale (1 or 2), with the scale as device pixel ratio.
QImage RenderGlyph(const TGlyph& glyph, int scale);
