#pragma once
// The window frame panel: a plain panel with a caption strip along its top
// edge, standing in until the themed frame draws it from the skin pictures.
#include "StdCtrls.h"

class TsuiForm : public TPanel {
  Q_OBJECT
public:
  static constexpr int TitleBarHeight = 23;
  explicit TsuiForm(TComponent* owner) : TPanel(owner) {}

protected:
  void paintEvent(QPaintEvent* event) override;
};
