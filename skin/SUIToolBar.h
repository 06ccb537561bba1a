#pragma once
// The skinned tool bar: Qt's tool bar with flat buttons whose hot, pressed
// and checked looks are rectangles in the style's colours, and optionally
// no background of its own. Its buttons are TToolButton components listed
// under it in the window description.
#include "Controls.h"
#include "ImgList.h"
#include "Menus.h"
#include "SUIThemes.h"

#include <QToolBar>
#include <memory>

class QAction;

namespace SUIToolBar {
Q_NAMESPACE
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator };
Q_ENUM_NS(TToolButtonStyle)
}  // namespace SUIToolBar
using SUIToolBar::TToolButtonStyle;
using enum SUIToolBar::TToolButtonStyle;

// One button of a tool bar, over a QAction the bar shows.
class TToolButton : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(SUIToolBar::TToolButtonStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(bool Down READ Down WRITE SetDown)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
  Q_CLASSINFO("Default:Style", "tbsButton")
  Q_CLASSINFO("Default:ImageIndex", "-1")
  Q_CLASSINFO("Default:Down", "false")
  Q_CLASSINFO("Default:Enabled", "true")
  Q_CLASSINFO("Default:Hint", "")
 public:
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;

  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle value);
  // A check button stays down after a click until the next one.
  bool Down() const;
  void SetDown(bool value);
  bool Enabled() const;
  void SetEnabled(bool value);
  const QString& Hint() const { return FHint; }
  void SetHint(const QString& value);
  // The picture in the bar's Images (and HotImages); -1: none.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  QAction* Action() const { return FAction.get(); }
  class TsuiToolBar* ToolBar() const {
    return FToolBar;
  }
  TComponent* ParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }

 private:
  friend class TsuiToolBar;
  QString FCaption;
  TToolButtonStyle FStyle = tbsButton;
  QString FHint;
  int FImageIndex = -1;
  class TsuiToolBar* FToolBar = nullptr;
  std::unique_ptr<QAction> FAction;
  TNotifyEvent FOnClick;
};

class TsuiToolBar : public TControlOf<QToolBar>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(TColor ButtonColor READ ButtonColor WRITE SetButtonColor)
  Q_PROPERTY(TColor ButtonBorderColor READ ButtonBorderColor WRITE SetButtonBorderColor)
  Q_PROPERTY(TColor ButtonDownColor READ ButtonDownColor WRITE SetButtonDownColor)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
  Q_PROPERTY(TImageList* Images READ Images WRITE SetImages)
  Q_PROPERTY(TImageList* HotImages READ HotImages WRITE SetHotImages)
  Q_CLASSINFO("Default:Transparent", "false")
  Q_CLASSINFO("Default:ShowCaptions", "true")
 public:
  // Flat and opaque, in the style of the owner's skinned frame.
  explicit TsuiToolBar(TComponent* owner);
  ~TsuiToolBar() override;

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  // The style's button colours and background; MacOS has no background of its own.
  void SetUIStyle(TsuiUIStyle value);
  TColor ButtonColor() const { return FButtonColor; }
  void SetButtonColor(TColor value);
  TColor ButtonBorderColor() const { return FButtonBorderColor; }
  void SetButtonBorderColor(TColor value);
  TColor ButtonDownColor() const { return FButtonDownColor; }
  void SetButtonDownColor(TColor value);
  TColor Color() const { return TControlBase::Color(); }
  void SetColor(TColor value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool value);
  // The buttons' pictures; HotImages, when set, for hot, pressed and checked
  // buttons. Not owned: the bar forgets a list that is destroyed.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* value);
  TImageList* HotImages() const { return FHotImages; }
  void SetHotImages(TImageList* value);
  // Sizes the buttons for their pictures and redraws them.
  void UpdateButtons();
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  // The buttons in bar order; not owned.
  int ButtonCount() const { return int(FButtons.size()); }
  TToolButton* Buttons(int index) const { return FButtons.at(size_t(index)); }
  void AddButton(TToolButton* button);
  void RemoveButton(TToolButton* button);

  unsigned ThemeRows() const override { return trStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

  // What one button's look is drawn from.
  struct TButtonState {
    QRect Bounds;
    QString Caption;
    int ImageIndex = -1;
    bool Hot = false, Pressed = false, Checked = false, Enabled = true, DropDown = false;
  };
  void DrawToolButton(QPainter& painter, const TButtonState& state) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Sets list (Images or HotImages) to value; other is the other one.
  void SetImageList(TImageList*& list, TImageList* other, TImageList* value);

  TsuiUIStyle FUIStyle = DeepBlue;
  TColor FButtonColor = clBtnFace;
  TColor FButtonBorderColor = clBlack;
  TColor FButtonDownColor = clBtnShadow;
  bool FTransparent = false;
  bool FShowCaptions = true;
  TImageList* FImages = nullptr;
  TImageList* FHotImages = nullptr;
  std::vector<TToolButton*> FButtons;
};
