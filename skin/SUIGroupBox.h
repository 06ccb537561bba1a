#pragma once
// A flat group frame in one colour with a gap in its top edge for the caption.
#include "SUIImagePanel.h"

// Everything one paint of a group frame depends on besides the panel's own.
struct TsuiGroupBoxState {
  TsuiPanelState Panel;
  TColor BorderColor;
  bool Enabled = true;
  QString Caption;
};

class TsuiCustomGroupBox : public TsuiCustomPanel {
  Q_OBJECT
 public:
  explicit TsuiCustomGroupBox(TComponent* owner);

  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  // The caption's colour is the font's.
  TColor FontColor() const { return const_cast<TsuiCustomGroupBox*>(this)->Font()->Color(); }
  void SetFontColor(TColor value) { Font()->SetColor(value); }
  // The client rectangle less the frame and the caption's line.
  QRect InnerRect() const;

  TsuiGroupBoxState GroupState() const;
  // The panel's face (transparent) or the colour, the frame and the caption.
  static void Paint(QPainter& canvas, const TsuiGroupBoxState& state, const TBitmap& picture);

  unsigned ThemeRows() const override { return 0; }
  void ApplyThemeBorderColor(TColor value) override { SetBorderColor(value); }
  void ApplyThemeCaptionColor(TColor value) override { SetFontColor(value); }
  void ApplyThemeColor(TColor value) override { SetColor(value); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  TColor FBorderColor;
};

class TsuiGroupBox : public TsuiCustomGroupBox {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_CLASSINFO("Default:Caption", " ")
  Q_CLASSINFO("Default:Transparent", "false")
 public:
  explicit TsuiGroupBox(TComponent* owner);
  // Takes the group colours as a child of a container, and hands a form's
  // style on to its own children as a container.
  unsigned ThemeRows() const override { return trGroup | trContainer; }
};
