#pragma once
// The list box whose items carry a check mark drawn from the style's
// CHECKLIST pictures. A click on the mark or Space on the current item
// toggles it; a click on the text only selects. Screen readers see each
// item's check state, as with Qt's own checkable items.
#include "SUIListBox.h"

#include <functional>

class TsuiCheckListDelegate;

class TsuiCheckListBox : public TsuiListBox {
  Q_OBJECT
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  // After the style, which sets the style's border colour.
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  // After the items they tick.
  Q_PROPERTY(QStringList CheckedItems READ CheckedItems WRITE SetCheckedItems)
  Q_CLASSINFO("Default:CheckedItems", "")
  Q_CLASSINFO("Default:BorderWidth", "2")
 public:
  explicit TsuiCheckListBox(TComponent* owner);
  ~TsuiCheckListBox() override;

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  // The room between the frame's outer ring and the items; at least the two rings.
  int BorderWidth() const { return lineWidth(); }
  void SetBorderWidth(int value);

  bool Checked(int index) const;
  void SetChecked(int index, bool value);
  // The numbers of the ticked items, from 0, so that ticks set while the
  // window is designed are stored with it.
  QStringList CheckedItems() const;
  void SetCheckedItems(const QStringList& value);
  // A disabled item shows the disabled mark and cannot be toggled.
  bool ItemEnabled(int index) const;
  void SetItemEnabled(int index, bool value);
  // Toggles index as a click on its mark does, OnClickCheck included.
  void Toggle(int index);

  // Where the mark of an item drawn in itemRect goes, and its size.
  QRect CheckRect(const QRect& itemRect) const;
  QSize MarkSize() const;

  // After the user ticked or cleared an item.
  void SetOnClickCheck(TNotifyEvent handler) { FOnClickCheck = std::move(handler); }

  unsigned ThemeRows() const override { return trBorder | trStyle; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  QListWidgetItem* MakeItem(const QString& text) const override;

 private:
  friend class TsuiCheckListDelegate;
  void LoadMarks();
  // The picture for a mark; empty for Custom.
  const TBitmap& Mark(bool checked, bool enabled) const;

  TsuiUIStyle FUIStyle = Custom;
  TBitmap FMarks[4];  // disabled checked, disabled unchecked, checked, unchecked
  TNotifyEvent FOnClickCheck;
};
