#pragma once
// A component that owns a picture, the way glyphs and title sections do.
#include "Classes.h"
#include "Graphics.h"

class TPictureHolder : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(TBitmap* Glyph READ Glyph)
 public:
  explicit TPictureHolder(TComponent* owner) : TQComponent(owner) {}
  TBitmap* Glyph() { return &FGlyph; }

 private:
  TBitmap FGlyph;
};
