#pragma once
// A slider drawn from two skin pictures: a bar stretched along the control
// and a slider picture that the user drags, pages with the left button held
// on the bar, or moves with the arrow, Page, Home and End keys.
//
// It is a QAbstractSlider underneath (value, range, wheel, valueChanged and
// accessibility); Min is at the left or top end.
#include "Controls.h"
#include "SUIImagePanel.h"
#include "SUIProgressBar.h"
#include "SUIThemes.h"

#include <QAbstractSlider>
#include <memory>

class QTimer;

// Everything one paint of the bar depends on (the slider is a child panel).
struct TsuiTrackBarState {
  QSize Size;
  TsuiProgressBarOrientation Orientation = suiHorizontal;
  // Themed bars stretch their picture along the control; Custom ones draw it as it is.
  bool Stretched = false;
  TColor Color;
  bool FocusMark = false;
};

class TsuiTrackBar : public TControlOf<QAbstractSlider>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(TBitmap* BarImage READ BarImage)
  Q_PROPERTY(TBitmap* SliderImage READ SliderImage)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(int PageSize READ PageSize WRITE SetPageSize)
  Q_PROPERTY(SUIProgressBar::TsuiProgressBarOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_CLASSINFO("Stored:BarImage", "IsPictureStored")
  Q_CLASSINFO("Stored:SliderImage", "IsPictureStored")
  Q_CLASSINFO("Default:Max", "100")
  Q_CLASSINFO("Default:Min", "0")
  Q_CLASSINFO("Default:Position", "0")
  Q_CLASSINFO("Default:PageSize", "10")
  Q_CLASSINFO("Default:Orientation", "suiHorizontal")
  Q_CLASSINFO("Default:TabStop", "false")
 public:
  explicit TsuiTrackBar(TComponent* owner);
  ~TsuiTrackBar() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }
  // A themed bar's pictures come from the theme, so only Custom stores them.
  Q_INVOKABLE bool IsPictureStored() const { return FUIStyle == Custom; }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  TBitmap* BarImage() { return &FBarImage; }
  void SetBarImage(const TBitmap& value);
  TBitmap* SliderImage();
  void SetSliderImage(const TBitmap& value);
  int Min() const { return minimum(); }
  void SetMin(int value);
  int Max() const { return maximum(); }
  void SetMax(int value);
  int Position() const { return value(); }
  void SetPosition(int value);
  int PageSize() const { return FPageSize; }
  // Only 0..100; anything else is ignored.
  void SetPageSize(int value);
  // The step of a page by the mouse or the Page keys: PageSize unless an
  // owner that keeps its own page in other units set one (0 drops it).
  int PagingStep() const { return FPagingStep > 0 ? FPagingStep : FPageSize; }
  void SetPagingStep(int value);
  TsuiProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TsuiProgressBarOrientation value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  void SetSliderVisible(bool value);
  bool SliderVisible() const;
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  // The slider panel (read only: tests and owners look at where it is).
  const TsuiImagePanel* Slider() const { return FSlider.get(); }
  // Where the slider goes for the current position, and the position a
  // pointer coordinate along the bar stands for.
  QPoint SliderPos() const;
  int PositionAt(int coordinate) const;
  // The timer that repeats paging; it exists only while the left button is held on the bar.
  QTimer* PageTimer() const { return FPageTimer.get(); }
  bool Dragging() const { return FDragging; }

  void Loaded() override;
  // A hidden bar gets no resize event until it is shown; it fits at once.
  void SetBounds(int left, int top, int width, int height) override;

  TsuiTrackBarState State() const;
  static void Paint(QPainter& canvas, const TsuiTrackBarState& state, const TBitmap& bar);

  unsigned ThemeRows() const override { return trStyle; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  void Rebuild();
  void sliderChange(SliderChange change) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void ColorChanged() override;

 private:
  void LoadStylePictures();
  void FitToPictures();
  void UpdateSlider();
  // One page towards the pointer, stopping where the pointer is.
  void PageTowards(QPoint pointer);
  void StopPaging();
  void ReportChange();
  int Along(QPoint p) const { return FOrientation == suiHorizontal ? p.x() : p.y(); }

  TsuiUIStyle FUIStyle = Custom;
  std::unique_ptr<QTimer> FPageTimer;
  std::unique_ptr<TsuiImagePanel> FSlider;
  int FLastPosition = 0;
  TsuiProgressBarOrientation FOrientation = suiHorizontal;
  int FPageSize = 10;
  int FPagingStep = 0;
  bool FDragging = false;
  int FGrabOffset = 0;
  TBitmap FBarImage;
  bool FTabStop = false;
  bool FRebuilding = false;
  bool FQuiet = false;  // a drag step stores the position without moving the slider
  QPoint FPointer;      // where the pointer was last seen while the button is held
  TNotifyEvent FOnChange;
};
