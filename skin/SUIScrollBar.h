#pragma once
// A skinned scroll bar: a track bar between two arrow buttons, its slider a
// thumb built from three pieces of the skin's track picture.
//
// Putting it on a scrolling control (a QAbstractScrollArea such as a memo
// or a list box):
//   1. Turn the control's own bar off, e.g.
//        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
//   2. Make the TsuiScrollBar a sibling (or child) placed along the
//      viewport's edge, with the matching Orientation.
//   3. bar->Attach(area->verticalScrollBar());
// From then on the two stay in step both ways: the native bar's range, page
// step, single step and value (wheel, keys, content growing) move the skinned
// bar, and dragging, paging or the arrows move the native value, which
// scrolls the control. Setting a value that is already there does nothing,
// so neither side echoes the other. Detach() or destroying either side ends it.
#include "Controls.h"
#include "SUIButton.h"
#include "SUITrackBar.h"

#include <QMetaObject>
#include <QPointer>
#include <QScrollBar>
#include <memory>
#include <vector>

// The track bar of a scroll bar; nothing of its own.
class TsuiScrollTrackBar : public TsuiTrackBar {
  Q_OBJECT
 public:
  explicit TsuiScrollTrackBar(TComponent* owner) : TsuiTrackBar(owner) {}
};

class TsuiScrollBar : public TControlOf<QWidget>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(int LineButton READ LineButton WRITE SetLineButton)
  Q_PROPERTY(SUIProgressBar::TsuiProgressBarOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(int SmallChange READ SmallChange WRITE SetSmallChange)
  Q_PROPERTY(int LargeChange READ PageSize WRITE SetPageSize STORED false)
  Q_PROPERTY(int PageSize READ PageSize WRITE SetPageSize)
  Q_CLASSINFO("Default:LineButton", "0")
  Q_CLASSINFO("Default:Orientation", "suiVertical")
  Q_CLASSINFO("Default:Max", "100")
  Q_CLASSINFO("Default:Min", "0")
  Q_CLASSINFO("Default:Position", "0")
  Q_CLASSINFO("Default:SmallChange", "1")
  Q_CLASSINFO("Default:PageSize", "10")
 public:
  explicit TsuiScrollBar(TComponent* owner);
  ~TsuiScrollBar() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  TsuiProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TsuiProgressBarOrientation value);
  int LineButton() const { return FLineButton; }
  void SetLineButton(int value);
  int SmallChange() const { return FSmallChange; }
  void SetSmallChange(int value) { FSmallChange = value; }
  int Min() const { return FTrackBar->Min(); }
  void SetMin(int value) { FTrackBar->SetMin(value); }
  int Max() const { return FTrackBar->Max(); }
  void SetMax(int value) { FTrackBar->SetMax(value); }
  int Position() const { return FTrackBar->Position(); }
  void SetPosition(int value) { FTrackBar->SetPosition(value); }
  int PageSize() const { return FTrackBar->PageSize(); }
  void SetPageSize(int value);
  void SetOnChange(TNotifyEvent handler) { FTrackBar->SetOnChange(std::move(handler)); }
  void SetSliderVisible(bool value) { FTrackBar->SetSliderVisible(value); }

  TsuiScrollTrackBar* TrackBar() const { return FTrackBar.get(); }
  TsuiImageButton* UpButton() const { return FUpButton.get(); }
  TsuiImageButton* DownButton() const { return FDownButton.get(); }

  // Keeps this bar and a control's own scroll bar in step (see the top of this file).
  void Attach(QScrollBar* native);
  void Detach();
  QScrollBar* Attached() const { return FNative.data(); }
  // Takes the attached bar's range, steps and value again; for an owner that
  // changed its page step without changing its range.
  void SyncFromNative();

  // A hidden bar gets no resize event until it is shown; it arranges at once.
  void SetBounds(int left, int top, int width, int height) override;

  unsigned ThemeRows() const override { return trStyle; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  void ArrangeParts();
  void LoadPictures();
  void BuildThumb();
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void ColorChanged() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Step(int delta);

  std::unique_ptr<TsuiScrollTrackBar> FTrackBar;
  std::unique_ptr<TsuiImageButton> FDownButton;
  std::unique_ptr<TsuiImageButton> FUpButton;
  TBitmap FThumbHead, FThumbBody, FThumbTail;
  TsuiProgressBarOrientation FOrientation = suiVertical;
  int FSmallChange = 1;
  int FLineButton = 0;
  TsuiUIStyle FUIStyle = Custom;
  bool FArranging = false;
  QPointer<QScrollBar> FNative;
  std::vector<QMetaObject::Connection> FLinks;
};
