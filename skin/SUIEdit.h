#pragma once
// The bordered text and list controls keep Qt's own editing and list
// behaviour (keys, selection, clipboard, screen readers) and change only their
// frame: two pixels of room around the content, the outer ring drawn in
// BorderColor and the inner one in the control's Color.
//
// TsuiBorderedOf<W> is what they share; this unit also holds the one-line edit.
#include "Controls.h"
#include "SUIPublic.h"
#include "SUIThemes.h"

#include <QAbstractScrollArea>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <type_traits>

class QScrollBar;
class TsuiScrollBar;

// The frame's room, in pixels on every side.
inline constexpr int kSuiBorderWidth = 2;

// A control on the Qt widget W with the two-ring frame and the events every
// bordered control publishes. Not a Q_OBJECT itself: the concrete class
// declares Q_OBJECT, TAMSEL_CONTROL_PROPERTIES and BorderColor.
template <class W>
class TsuiBorderedOf : public TControlOf<W>, public IsuiThemeChild {
 public:
  explicit TsuiBorderedOf(TComponent* owner) : TControlOf<W>(owner) {
    this->setAttribute(Qt::WA_OpaquePaintEvent);
    this->SetColor(clWindow);
    FBorderColor = FindFormBorderColor(owner);
    if constexpr (std::is_base_of_v<QAbstractScrollArea, W>) {
      // A plain box makes Qt keep the frame's room free of content and
      // scroll bars; its pixels are painted over with our two rings.
      this->setFrameStyle(QFrame::Box | QFrame::Plain);
      this->setLineWidth(kSuiBorderWidth);
    }
  }

  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value) {
    if (value == FBorderColor) return;
    FBorderColor = value;
    this->update();
  }

  unsigned ThemeRows() const override { return trBorder; }
  void ApplyThemeBorderColor(TColor color) override { SetBorderColor(color); }

 protected:
  // The two rings over whatever the native paint left at the edges.
  void PaintFrame() {
    QPainter p(this);
    DrawWindowFrame(p, this->rect(), FBorderColor, this->PaintColor());
  }

  bool event(QEvent* event) override {
    // A scroll area paints its own frame (not its viewport) in its Paint event.
    if constexpr (std::is_base_of_v<QAbstractScrollArea, W>) {
      if (event->type() == QEvent::Paint) {
        const bool done = W::event(event);
        PaintFrame();
        return done;
      }
    }
    return W::event(event);
  }
  void ColorChanged() override {
    TControlBase::ColorChanged();
    this->update();
  }

  void mousePressEvent(QMouseEvent* event) override {
    FPressed = event->button() == Qt::LeftButton;
    W::mousePressEvent(event);
    this->DoMouseDown(*event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const bool click = FPressed && event->button() == Qt::LeftButton;
    if (event->button() == Qt::LeftButton) FPressed = false;
    W::mouseReleaseEvent(event);
    this->DoMouseUp(*event);
    if (click) this->Click();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    W::mouseMoveEvent(event);
    this->DoMouseMove(*event);
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    W::mouseDoubleClickEvent(event);
    this->DoDblClick();
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!this->DoKeyDown(*event)) return;
    W::keyPressEvent(event);
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    if (!this->DoKeyUp(*event)) return;
    W::keyReleaseEvent(event);
  }
  void focusInEvent(QFocusEvent* event) override {
    W::focusInEvent(event);
    this->DoEnter();
  }
  void focusOutEvent(QFocusEvent* event) override {
    W::focusOutEvent(event);
    this->DoExit();
  }

 private:
  TColor FBorderColor;
  bool FPressed = false;
};

// One skinned scroll bar laid over a scrolling control's own bar and kept in
// step with it both ways: the native range and value (wheel, keys, content
// changes) move the skinned bar, the skinned bar scrolls the control, and
// neither echoes the other. The control owns the link; the bar belongs to
// the form and may go first, which leaves the control without one.
class TsuiScrollBarLink : public QObject {
 public:
  // hideWhenIdle: the whole bar goes while the control's own bar is hidden (a
  // list box that fits its items); otherwise only its slider goes while there
  // is nothing to scroll (a memo).
  TsuiScrollBarLink(QAbstractScrollArea* area, Qt::Orientation orientation, bool hideWhenIdle);
  ~TsuiScrollBarLink() override;

  TsuiScrollBar* Bar() const;
  // Releases the bar attached before (back to a plain bar: thumb length 0,
  // Max 100, enabled) and attaches bar. Returns false when bar is already the one.
  bool SetBar(TsuiScrollBar* bar);
  // Puts the bar at rect, given in the coordinates of the control's parent,
  // in front of the control's own bar.
  void Place(const QRect& rect);
  // Shows, enables and sizes the thumb as the native bar is now.
  void Sync();
  // The native bar's thumb length in pixels; 0 when it shows none.
  static int NativeThumbLength(const QScrollBar* native);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QScrollBar* Native() const;
  void Release();

  QAbstractScrollArea* FArea;
  Qt::Orientation FOrientation;
  bool FHideWhenIdle;
  QPointer<TsuiScrollBar> FBar;
};

// The one-line edit.
class TsuiEdit : public TsuiBorderedOf<QLineEdit> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
  Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
  Q_PROPERTY(QString PasswordChar READ PasswordChar WRITE SetPasswordChar)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_CLASSINFO("Default:Text", "")
  Q_CLASSINFO("Default:MaxLength", "0")
  Q_CLASSINFO("Default:ReadOnly", "false")
  Q_CLASSINFO("Default:PasswordChar", "")
  Q_CLASSINFO("Default:TabStop", "true")
  Q_CLASSINFO("Default:BorderColor", "clBlack")
 public:
  explicit TsuiEdit(TComponent* owner);
  // The window colour is the edit's own default.
  Q_INVOKABLE bool IsColorStored() const { return !ParentColor() && Color() != clWindow; }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  QString Text() const { return text(); }
  void SetText(const QString& value);
  // 0: no limit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool value) { setReadOnly(value); }
  // Any character hides what is typed; empty shows it.
  QString PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(const QString& value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }

  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int FMaxLength = 0;
  QString FPasswordChar;
  TNotifyEvent FOnChange;
};
