#pragma once
// The tree with the bordered frame. Items holds one node per line, its depth
// given by leading tabs ("Music", "\tRock", "\t\tLive").
#include "SUIEdit.h"

#include <QStringList>
#include <QTreeWidget>

class TsuiTreeView : public TsuiBorderedOf<QTreeWidget> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(bool ShowButtons READ ShowButtons WRITE SetShowButtons)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_CLASSINFO("Default:Items", "")
  Q_CLASSINFO("Default:ShowButtons", "true")
  Q_CLASSINFO("Default:TabStop", "true")
  Q_CLASSINFO("Default:BorderColor", "clBlack")
 public:
  explicit TsuiTreeView(TComponent* owner);
  ~TsuiTreeView() override;
  Q_INVOKABLE bool IsColorStored() const { return !ParentColor() && Color() != clWindow; }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  // A line deeper than one below the line before it hangs under that line.
  QStringList Items() const;
  void SetItems(const QStringList& value);
  // The expand and collapse marks before nodes with children.
  bool ShowButtons() const { return rootIsDecorated(); }
  void SetShowButtons(bool value) { setRootIsDecorated(value); }
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }

  // When the current node changes.
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 private:
  TNotifyEvent FOnChange;
};
