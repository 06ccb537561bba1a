#pragma once
// The combo box: Qt's own combo (list, keys, editing, completion, screen
// readers) with its frame and drop-down button painted over in theme
// colours, or for MacOS with the button picture.
#include "Controls.h"
#include "SUIThemes.h"

#include <QComboBox>

namespace SUIComboBox {
Q_NAMESPACE
enum TComboBoxStyle { csDropDown, csDropDownList };
Q_ENUM_NS(TComboBoxStyle)
}  // namespace SUIComboBox
using SUIComboBox::TComboBoxStyle;
using enum SUIComboBox::TComboBoxStyle;

// Everything the skin over the native combo depends on.
struct TsuiComboBoxState {
  TsuiUIStyle Style = Custom;
  QSize Size;
  QRect ButtonRect;
  bool Enabled = true;
  TColor BorderColor = clBlack;
  TColor ArrowColor = clBlack;
  TColor ButtonColor = clBtnFace;
  TColor Color = clWindow;
};

class TsuiCustomComboBox : public TControlOf<QComboBox>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TColor ArrowColor READ ArrowColor WRITE SetArrowColor)
  Q_PROPERTY(TColor ButtonColor READ ButtonColor WRITE SetButtonColor)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_CLASSINFO("Stored:Color", "IsColorStored")
 public:
  explicit TsuiCustomComboBox(TComponent* owner);
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TColor ArrowColor() const { return FArrowColor; }
  void SetArrowColor(TColor value);
  TColor ButtonColor() const { return FButtonColor; }
  void SetButtonColor(TColor value);

  // Qt's items and text under the names the description uses.
  QStringList Items() const;
  void SetItems(const QStringList& value);
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int value) { setCurrentIndex(value < count() ? value : -1); }
  QString Text() const { return currentText(); }
  void SetText(const QString& value);
  TComboBoxStyle Style() const { return isEditable() ? csDropDown : csDropDownList; }
  void SetStyle(TComboBoxStyle value);
  int DropDownCount() const { return maxVisibleItems(); }
  void SetDropDownCount(int value) { setMaxVisibleItems(std::max(1, value)); }

  void SetOnChange(TNotifyEvent h) { FOnChange = std::move(h); }
  void SetOnSelect(TNotifyEvent h) { FOnSelect = std::move(h); }
  void SetOnDropDown(TNotifyEvent h) { FOnDropDown = std::move(h); }
  void SetOnCloseUp(TNotifyEvent h) { FOnCloseUp = std::move(h); }

  TsuiComboBoxState State() const;
  // The frame and the drop-down button over what Qt painted.
  static void PaintSkin(QPainter& canvas, const TsuiComboBoxState& state);

  unsigned ThemeRows() const override { return trStyle; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

  void showPopup() override;
  void hidePopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void ColorChanged() override;
  // The user picked item index; false keeps OnSelect and OnChange from running.
  virtual bool ItemChosen(int) { return true; }

 private:
  TsuiUIStyle FUIStyle = Custom;
  TColor FBorderColor = clBlack, FArrowColor = clBlack, FButtonColor = clBtnFace;
  TNotifyEvent FOnChange, FOnSelect, FOnDropDown, FOnCloseUp;
};

class TsuiComboBox : public TsuiCustomComboBox {
  Q_OBJECT
  Q_PROPERTY(SUIComboBox::TComboBoxStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
  Q_CLASSINFO("Default:Style", "csDropDown")
  Q_CLASSINFO("Default:ItemIndex", "-1")
  Q_CLASSINFO("Default:Text", "")
  Q_CLASSINFO("Default:DropDownCount", "8")
 public:
  explicit TsuiComboBox(TComponent* owner);
};
