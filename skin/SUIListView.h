#pragma once
// The multi-column list with the bordered frame. Each item is one line of
// Items with its columns separated by tabs ("Name\tSize\tDate").
#include "SUIEdit.h"

#include <QStringList>
#include <QTreeWidget>

namespace SUIListView {
Q_NAMESPACE
// vsList: the first column only, no header; vsReport: every column under a header.
enum TViewStyle { vsList, vsReport };
Q_ENUM_NS(TViewStyle)
}  // namespace SUIListView
using SUIListView::TViewStyle;
using enum SUIListView::TViewStyle;

class TsuiListView : public TsuiBorderedOf<QTreeWidget> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(QStringList Columns READ Columns WRITE SetColumns)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(SUIListView::TViewStyle ViewStyle READ ViewStyle WRITE SetViewStyle)
  Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_CLASSINFO("Default:Columns", "")
  Q_CLASSINFO("Default:Items", "")
  Q_CLASSINFO("Default:ViewStyle", "vsList")
  Q_CLASSINFO("Default:MultiSelect", "false")
  Q_CLASSINFO("Default:TabStop", "true")
  Q_CLASSINFO("Default:BorderColor", "clBlack")
 public:
  explicit TsuiListView(TComponent* owner);
  ~TsuiListView() override;
  Q_INVOKABLE bool IsColorStored() const { return !ParentColor() && Color() != clWindow; }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  // The column captions.
  QStringList Columns() const { return FColumns; }
  void SetColumns(const QStringList& value);
  QStringList Items() const;
  void SetItems(const QStringList& value);
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle value);
  bool MultiSelect() const { return selectionMode() == QAbstractItemView::ExtendedSelection; }
  void SetMultiSelect(bool value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }
  // The current item's row, -1 for none.
  int ItemIndex() const;

  // When the current item changes.
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 private:
  void ApplyColumns();
  QStringList FColumns;
  TViewStyle FViewStyle = vsList;
  TNotifyEvent FOnChange;
};
