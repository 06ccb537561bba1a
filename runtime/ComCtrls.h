#pragma once
// Status bar with panels and progress bar.
#include "Controls.h"

class QProgressBar;

// One section of a status bar; the last one extends to the bar's right edge.
class TStatusPanel : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_CLASSINFO("Default:Text", "")
  Q_CLASSINFO("Default:Width", "50")
 public:
  explicit TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}
  void Assign(TPersistent* source) override;
  const QString& Text() const { return FText; }
  void SetText(const QString& value);
  int Width() const { return FWidth; }
  void SetWidth(int value);

 private:
  void Changed();
  QString FText;
  int FWidth = 50;
};

class TStatusBar : public TControl {
  Q_OBJECT
  Q_PROPERTY(TCollection* Panels READ Panels)
  Q_PROPERTY(bool SizeGrip READ SizeGrip WRITE SetSizeGrip)
  Q_CLASSINFO("Default:SizeGrip", "true")
 public:
  explicit TStatusBar(TComponent* owner);
  TCollection* Panels() { return &FPanels; }
  TStatusPanel* Panel(int index) const { return FPanels.ItemAs<TStatusPanel>(index); }
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool value);
  // Left and right edge of panel index, as drawn.
  QRect PanelRect(int index) const;
  // Tells screen readers that panel index reads differently now.
  void PanelTextChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TCollection FPanels;
  bool FSizeGrip = true;
};

class TProgressBar : public TControl {
  Q_OBJECT
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)
  Q_CLASSINFO("Default:Min", "0")
  Q_CLASSINFO("Default:Max", "100")
  Q_CLASSINFO("Default:Position", "0")
  Q_CLASSINFO("Default:Smooth", "false")
 public:
  explicit TProgressBar(TComponent* owner);
  int Min() const;
  void SetMin(int value);
  int Max() const;
  void SetMax(int value);
  int Position() const;
  void SetPosition(int value);
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool value) { FSmooth = value; }
  QProgressBar* Widget() const { return FBar; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QProgressBar* FBar;
  bool FSmooth = false;
  int FPainted = 0;  // the position last sent to be painted
};
