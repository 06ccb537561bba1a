#pragma once
// The skinned progress bar: a bar 12 pixels thick that fills a skin picture in
// proportion to its position and writes the percentage over a horizontal bar.
//
// It is a QProgressBar underneath, so screen readers hear its value and its
// text; the range and position of its own are kept apart from Qt's (which
// clamps), so a position outside the range still shows as the user set it.
#include "Controls.h"
#include "SUIThemes.h"

#include <QProgressBar>

namespace SUIProgressBar {
Q_NAMESPACE
enum TsuiProgressBarOrientation { suiHorizontal, suiVertical };
Q_ENUM_NS(TsuiProgressBarOrientation)
}  // namespace SUIProgressBar
using SUIProgressBar::TsuiProgressBarOrientation;
using enum SUIProgressBar::TsuiProgressBarOrientation;

// Everything one paint of a progress bar depends on.
struct TsuiProgressBarState {
  QSize Size;
  TsuiProgressBarOrientation Orientation = suiHorizontal;
  int Min = 0, Max = 100, Position = 50;
  bool Enabled = true;
  bool ShowCaption = true;
  bool SmartShowCaption = false;
  TColor Color, BorderColor, CaptionColor;
  QString Text;
  const TBitmap* Picture = nullptr;
};

// The bar with all its behaviour; TsuiProgressBar below only orders what it stores.
class TsuiCustomProgressBar : public TControlOf<QProgressBar>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(TColor CaptionColor READ CaptionColor WRITE SetCaptionColor)
  Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)
  Q_PROPERTY(bool SmartShowCaption READ SmartShowCaption WRITE SetSmartShowCaption)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(SUIProgressBar::TsuiProgressBarOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TBitmap* Picture READ Picture)
  Q_CLASSINFO("Default:CaptionColor", "clBlack")
  Q_CLASSINFO("Default:ShowCaption", "true")
  Q_CLASSINFO("Default:SmartShowCaption", "false")
  Q_CLASSINFO("Default:Max", "100")
  Q_CLASSINFO("Default:Min", "0")
  Q_CLASSINFO("Default:Position", "50")
  Q_CLASSINFO("Default:Orientation", "suiHorizontal")
  Q_CLASSINFO("Default:BorderColor", "clBlack")
  Q_CLASSINFO("Stored:Picture", "IsPictureStored")
 public:
  static constexpr int Thickness = 12;

  explicit TsuiCustomProgressBar(TComponent* owner);
  ~TsuiCustomProgressBar() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }
  // A themed bar takes its picture from the theme; only a Custom one keeps its own.
  Q_INVOKABLE bool IsPictureStored() const { return FUIStyle == Custom; }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  int Position() const { return FPosition; }
  void SetPosition(int value);
  TsuiProgressBarOrientation Orientation() const { return FOrientation; }
  // Keeps the thickness at 12 and the length at the larger of width and height.
  void SetOrientation(TsuiProgressBarOrientation value);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TColor CaptionColor() const { return FCaptionColor; }
  void SetCaptionColor(TColor value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool value);
  bool SmartShowCaption() const { return FSmartShowCaption; }
  void SetSmartShowCaption(bool value);
  TBitmap* Picture() { return &FPicture; }
  void SetPicture(const TBitmap& value);

  // (Position - Min) * 100 div (Max - Min); 0 for an empty range. May be
  // negative or above 100.
  int Percent() const;
  // How much of length is filled: nothing at or below Min, all of it above Max.
  int FillLength(int length) const;
  // "50%": the percentage, always in step with the position.
  QString text() const override;

  // A size whose thickness is not 12 is refused as a whole.
  void SetBounds(int left, int top, int width, int height) override;

  TsuiProgressBarState State() const;
  // Draws a whole bar from state alone.
  static void Paint(QPainter& canvas, const TsuiProgressBarState& state);

  unsigned ThemeRows() const override { return trStyleUnlessCustom; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void ApplyStyle();
  void RangeChanged();
  // Fixes the thickness for the current orientation, so Qt layouts keep it too.
  void HoldThickness();

  TsuiUIStyle FUIStyle = Custom;
  int FMin = 0, FMax = 100, FPosition = 50;
  TsuiProgressBarOrientation FOrientation = suiHorizontal;
  TBitmap FPicture;
  TColor FBorderColor = clBlack;
  TColor FCaptionColor = clBlack;
  bool FShowCaption = true;
  bool FSmartShowCaption = false;
  bool FPressed = false;
};

// The size and the colour are read after the orientation and the style, so
// a vertical bar's length is not refused while it is still horizontal and a
// colour of its own is not replaced by the style's.
class TsuiProgressBar : public TsuiCustomProgressBar {
  Q_OBJECT
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
 public:
  explicit TsuiProgressBar(TComponent* owner) : TsuiCustomProgressBar(owner) {}
};
