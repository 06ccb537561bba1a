#pragma once
// The list box with the bordered frame. A TsuiScrollBar named by VScrollBar
// lies over its own vertical bar, shown only while the list can scroll.
#include "SUIEdit.h"
#include "SUIScrollBar.h"

#include <QListWidget>
#include <QStringList>
#include <memory>

class TsuiListBox : public TsuiBorderedOf<QListWidget> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
  Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
  Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TsuiScrollBar* VScrollBar READ VScrollBar WRITE SetVScrollBar)
  Q_CLASSINFO("Default:Items", "")
  Q_CLASSINFO("Default:ItemIndex", "-1")
  Q_CLASSINFO("Default:Sorted", "false")
  Q_CLASSINFO("Default:MultiSelect", "false")
  Q_CLASSINFO("Default:TabStop", "true")
  Q_CLASSINFO("Default:BorderColor", "clBlack")
 public:
  explicit TsuiListBox(TComponent* owner);
  ~TsuiListBox() override;
  Q_INVOKABLE bool IsColorStored() const { return !ParentColor() && Color() != clWindow; }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  QStringList Items() const;
  void SetItems(const QStringList& value);
  void Add(const QString& item);
  void Clear() { clear(); }
  int Count() const { return count(); }
  // The current item, -1 for none.
  int ItemIndex() const { return currentRow(); }
  void SetItemIndex(int value);
  bool Sorted() const { return isSortingEnabled(); }
  void SetSorted(bool value);
  bool MultiSelect() const { return selectionMode() == QAbstractItemView::ExtendedSelection; }
  void SetMultiSelect(bool value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }
  // Not owned: the form's component, forgotten when it goes.
  TsuiScrollBar* VScrollBar() const { return FVScroll->Bar(); }
  void SetVScrollBar(TsuiScrollBar* value);
  // Lays the skinned bar along the right edge inside the frame.
  void PlaceScrollBars();

 protected:
  // Made with the item's text; the check list makes checkable ones.
  virtual QListWidgetItem* MakeItem(const QString& text) const;
  // OnClick runs when the user moves the current item (mouse or keys), not
  // for every click.
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  bool FSettingIndex = false;
  std::unique_ptr<TsuiScrollBarLink> FVScroll;
};
