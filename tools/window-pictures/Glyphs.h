#pragma once
// The recorder's button glyphs, drawn by vector code at any scale so the 2x
// pictures are drawn, not enlarged. Rendered like the skin pictures: the
// background becomes magenta (the glyph's top-left pixel, which its button
// leaves out) and soft edges are mixed onto the button face they sit on.
#include "SkinArt.h"

#include <QColor>
#include <vector>

// Record dot, stop square, play triangle, format, exit, save, home page;
// each named after the button that shows it.
std::vector<SkinArt::TPicture> RecorderGlyphs(const QColor& face);
