#pragma once
// The two-state buttons: a small state picture at the left and the caption
// after it. The check box toggles; the radio button only checks, and
// unchecks the others of its group in the same parent.
#include "SUIButton.h"

// The base of the two-state buttons: a small picture at the left and the
// caption after it.
class TsuiCustomButtonEx : public TsuiCustomButton {
  Q_OBJECT
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_CLASSINFO("Default:Checked", "false")
 public:
  explicit TsuiCustomButtonEx(TComponent* owner);

  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  void Click() override;
  // The rectangle the caption was last drawn in.
  QRect CaptionRect() const { return FCaptionRect; }

  TsuiButtonState State() const override;
  // The picture at the left, centred in the height; the caption after it
  // and the focus frame around the caption.
  TsuiButtonLayout LayOut(const TsuiButtonState& state) const override;

 protected:
  virtual void Toggle() {}
  virtual void CheckedChanged() {}
  virtual int GetPicWidth() const = 0;
  virtual int GetPicHeight() const = 0;
  void UIStyleChanged() override;
  void AutoSizeChanged() override { AdjustBounds(); }
  void CaptionChanged() override { AdjustBounds(); }
  void DrawCaption(const TsuiButtonPaint& paint) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void AdjustBounds();
  bool FChecked = false;
  bool FAdjusting = false;
  QRect FCaptionRect;
};

class TsuiCheckBox : public TsuiCustomButtonEx {
  Q_OBJECT
 public:
  explicit TsuiCheckBox(TComponent* owner);
  unsigned ThemeRows() const override { return trStyleUnlessCustom; }

 protected:
  void Toggle() override;
  virtual void AfterToggle() {}
  void CheckedChanged() override { ApplyUIStyle(UIStyle()); }
  void EnabledChanged() override { ApplyUIStyle(UIStyle()); }
  void TransparentChanged() override;
  void UIStyleChanged() override;
  void ApplyUIStyle(TsuiUIStyle style) override;
  int GetPicWidth() const override;
  int GetPicHeight() const override;
  // The theme entries of the state pictures: checked enabled, checked
  // disabled, unchecked enabled, unchecked disabled, then mouse-on and pressed
  // for checked and unchecked.
  struct TPictureEntries {
    TThemeEntryIndex CheckedNormal, CheckedDisabled, UncheckedNormal, UncheckedDisabled;
    TThemeEntryIndex CheckedMouseOn, CheckedMouseDown, UncheckedMouseOn, UncheckedMouseDown;
  };
  void ApplyPictureEntries(TsuiUIStyle style, const TPictureEntries& entries);
};

class TsuiRadioButton : public TsuiCheckBox {
  Q_OBJECT
  Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
  Q_CLASSINFO("Default:GroupIndex", "0")
 public:
  explicit TsuiRadioButton(TComponent* owner);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value) { FGroupIndex = value; }

 protected:
  void Toggle() override;
  void CheckedChanged() override;
  void TransparentChanged() override;
  void ApplyUIStyle(TsuiUIStyle style) override;

 private:
  int FGroupIndex = 0;
};
