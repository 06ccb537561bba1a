#pragma once
// The skinned controls the gallery shows. To add a control, add one entry to
// GalleryControls() in GalleryControls.cpp: the gallery makes it once for each
// style and state.
#include "SUIThemes.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;

enum class TGalleryState { Enabled, Disabled, Hovered, Pressed };

struct TGalleryControl {
  QString Name;
  // Makes the control on parent in style and puts it in state (see Hover and Press).
  std::function<QWidget*(QWidget* parent, TsuiUIStyle style, TGalleryState state)> Make;
};

std::vector<TGalleryControl> GalleryControls();

// Real events, so a control shows its hover or pressed look the way a user brings it on.
void Hover(QWidget* control);
void Press(QWidget* control);
// Applies state by the two above or by disabling the control.
void PutInState(QWidget* control, TGalleryState state);
