#pragma once
// Panels that show a picture (as it is, stretched or tiled), can let their
// parent show through, and can take the picture's size. The track bar's
// slider is one, and a skinned form may use one as its client panel.
#include "SUIPublic.h"
#include "SUIThemes.h"
#include "StdCtrls.h"

namespace SUIImagePanel {
Q_NAMESPACE
enum TsuiDrawStyle { suiNormal, suiStretch, suiTile };
Q_ENUM_NS(TsuiDrawStyle)
// Where an automatically placed caption goes on its line.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
}  // namespace SUIImagePanel
using SUIImagePanel::TAlignment;
using SUIImagePanel::TsuiDrawStyle;
using enum SUIImagePanel::TsuiDrawStyle;
using enum SUIImagePanel::TAlignment;

// Everything one paint of a panel depends on.
struct TsuiPanelState {
  QSize Size;
  int BorderWidth = 0;
  bool Transparent = false;
  TsuiDrawStyle DrawStyle = suiNormal;
  TColor Color;
  QString Caption;
  QFont Font;
  QColor TextColor;
  TAlignment Alignment = taCenter;
  QPoint CaptionPos{-1, -1};  // -1 in either: placed by Alignment
};

class TsuiCustomPanel : public TPanel, public IsuiThemeChild {
  Q_OBJECT
 public:
  explicit TsuiCustomPanel(TComponent* owner);
  ~TsuiCustomPanel() override;

  TBitmap* Picture() { return &FPicture; }
  const TBitmap& PictureRef() const { return FPicture; }
  void SetPicture(const TBitmap& value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool value);
  TsuiDrawStyle DrawStyle() const { return FDrawStyle; }
  void SetDrawStyle(TsuiDrawStyle value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  int CaptionX() const { return FCaptionPos.x(); }
  int CaptionY() const { return FCaptionPos.y(); }
  void SetCaptionPos(int x, int y);
  // Runs after the panel has fitted itself to a new picture (the track bar
  // places its slider panel again).
  void SetOnPictureChange(TNotifyEvent handler) { FOnPictureChange = std::move(handler); }
  // Where the caption went at the last paint; empty when none was drawn.
  QRect CaptionRect() const { return FCaptionRect; }

  TsuiPanelState State() const;

  // The panel's own face: picture or colour, then the caption. The parent's
  // background (for a transparent panel) is already on canvas. Returns the
  // caption's rectangle.
  static QRect Paint(QPainter& canvas, const TsuiPanelState& state, const TBitmap& picture);

  // Passes a form's style on to the children.
  unsigned ThemeRows() const override { return trContainer; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { ApplyUIStyle(style); }
  virtual void ApplyUIStyle(TsuiUIStyle style);

 protected:
  // Qt paints only inside paint events, so clearing means repainting it all.
  virtual void ClearBackground() { update(); }
  virtual void CaptionChanged(QRect&) {}
  virtual void PictureChanged();
  void FitToPicture();
  void ColorChanged() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TBitmap FPicture;
  bool FAutoSize = false;
  bool FTransparent = false;
  TsuiDrawStyle FDrawStyle = suiNormal;
  TAlignment FAlignment = taCenter;
  int FBorderWidth = 0;
  bool FTabStop = false;
  QPoint FCaptionPos{-1, -1};
  QRect FCaptionRect;
  TNotifyEvent FOnPictureChange;
};

class TsuiImagePanel : public TsuiCustomPanel {
  Q_OBJECT
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(TBitmap* Picture READ Picture)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(SUIImagePanel::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(SUIImagePanel::TsuiDrawStyle DrawStyle READ DrawStyle WRITE SetDrawStyle)
  Q_CLASSINFO("Default:BorderWidth", "0")
  Q_CLASSINFO("Default:Transparent", "false")
  Q_CLASSINFO("Default:AutoSize", "false")
  Q_CLASSINFO("Default:Alignment", "taCenter")
  Q_CLASSINFO("Default:TabStop", "false")
  Q_CLASSINFO("Default:DrawStyle", "suiNormal")
 public:
  explicit TsuiImagePanel(TComponent* owner);
};
