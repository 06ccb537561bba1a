#pragma once
// The window frame panel: a plain panel with a caption strip along its top
// edge, standing in until the themed frame draws it from the skin pictures.
#include "SUIThemes.h"
#include "StdCtrls.h"

class TsuiForm : public TPanel {
  Q_OBJECT
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_CLASSINFO("Default:UIStyle", "DeepBlue")
public:
  static constexpr int TitleBarHeight = 23;
  explicit TsuiForm(TComponent* owner) : TPanel(owner) {}
  // The style the skinned controls on this window follow.
  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value) {
    if (value == FUIStyle) return;
    FUIStyle = value;
    update();
  }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  TsuiUIStyle FUIStyle = DeepBlue;
};
