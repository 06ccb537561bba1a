#pragma once
// One style's page of the gallery: a sample window put together from the
// style's pictures, every picture of the style on its own, and the skinned
// controls in their states.
#include "SUIThemes.h"

#include <QWidget>

class TGalleryPage : public QWidget {
 public:
  TGalleryPage(TsuiUIStyle style, QWidget* parent = nullptr);
};

// The pictures of a style: every name its entries give, then the extra
// pictures that carry its prefix; the shared ones for Custom.
QStringList StylePictureNames(TsuiUIStyle style);
