#pragma once
// A component that only carries a picture, so the picture is written in the
// window description's own notation.
#include "Classes.h"
#include "Graphics.h"

class TPictureHolder : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(TBitmap* Picture READ Picture)
 public:
  TPictureHolder() : TQComponent(nullptr) {}
  TBitmap* Picture() { return &FPicture; }

 private:
  TBitmap FPicture;
};
