#pragma once
// The multi-line edit with the bordered frame. TsuiScrollBars named by
// VScrollBar and HScrollBar lie over its own bars; attaching them turns the
// matching native bars on, so the text leaves room for them.
#include "SUIEdit.h"
#include "SUIScrollBar.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <memory>

namespace SUIMemo {
Q_NAMESPACE
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
Q_ENUM_NS(TScrollStyle)
}  // namespace SUIMemo
using SUIMemo::TScrollStyle;
using enum SUIMemo::TScrollStyle;

class TsuiMemo : public TsuiBorderedOf<QPlainTextEdit> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_PROPERTY(bool WantTabs READ WantTabs WRITE SetWantTabs)
  Q_PROPERTY(SUIMemo::TScrollStyle ScrollBars READ ScrollBars WRITE SetScrollBars)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TsuiScrollBar* VScrollBar READ VScrollBar WRITE SetVScrollBar)
  Q_PROPERTY(TsuiScrollBar* HScrollBar READ HScrollBar WRITE SetHScrollBar)
  Q_CLASSINFO("Default:Lines", "")
  Q_CLASSINFO("Default:ReadOnly", "false")
  Q_CLASSINFO("Default:WordWrap", "true")
  Q_CLASSINFO("Default:WantTabs", "false")
  Q_CLASSINFO("Default:ScrollBars", "ssNone")
  Q_CLASSINFO("Default:TabStop", "true")
  Q_CLASSINFO("Default:BorderColor", "clBlack")
 public:
  explicit TsuiMemo(TComponent* owner);
  ~TsuiMemo() override;
  Q_INVOKABLE bool IsColorStored() const { return !ParentColor() && Color() != clWindow; }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  // The text line by line; an empty memo has no lines.
  QStringList Lines() const;
  void SetLines(const QStringList& value);
  QString Text() const { return toPlainText(); }
  void SetText(const QString& value);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool value) { setReadOnly(value); }
  bool WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }
  void SetWordWrap(bool value);
  // Without it Tab moves the focus on instead of typing a tab.
  bool WantTabs() const { return !tabChangesFocus(); }
  void SetWantTabs(bool value) { setTabChangesFocus(!value); }
  // Which native scroll bars are shown; always when set, never otherwise.
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }

  // Not owned: the form's components, forgotten when they go.
  TsuiScrollBar* VScrollBar() const { return FVScroll->Bar(); }
  void SetVScrollBar(TsuiScrollBar* value);
  TsuiScrollBar* HScrollBar() const { return FHScroll->Bar(); }
  void SetHScrollBar(TsuiScrollBar* value);
  // Lays the skinned bars along the right and bottom edges inside the frame.
  void PlaceScrollBars();

  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The text scrolls its own bar quietly on keys, the wheel and drags, so
  // the skinned bars are told after each.
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void ScrollBarsChanged();
  void SyncScrollBars();
  TScrollStyle FScrollBars = ssNone;
  std::unique_ptr<TsuiScrollBarLink> FVScroll, FHScroll;
  TNotifyEvent FOnChange;
};
