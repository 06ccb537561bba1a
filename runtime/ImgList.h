#pragma once
// A list of pictures of one size, kept side by side in one strip (with its
// fine twin for high-DPI screens) so the window description stores it as a
// single bitmap.
#include "Classes.h"
#include "Graphics.h"

#include <QImage>
#include <QPainter>

class TImageList : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap)
  Q_CLASSINFO("Default:Width", "16")
  Q_CLASSINFO("Default:Height", "16")
 public:
  explicit TImageList(TComponent* owner);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Pictures of another size do not count: a strip whose height differs
  // from Height holds none.
  void SetWidth(int value);
  void SetHeight(int value);
  TBitmap* Bitmap() { return &FBitmap; }

  int Count() const;
  // Appends a picture (scaled to the list's size when it differs), with its
  // fine version when given; pixels of mask (unless clNone) become
  // transparent. Returns the new index.
  int Add(const QImage& plain, const QImage& fine = {}, TColor mask = clNone);
  void Delete(int index);
  void Clear();
  // The picture at index, at ratio 1 or 2; null when index is out of range.
  QImage Image(int index, qreal devicePixelRatio = 1) const;
  // Draws picture index with its top-left at (x, y); greyed when not enabled.
  // Out-of-range indexes draw nothing.
  void Draw(QPainter& painter, int x, int y, int index, bool enabled = true) const;
  bool ValidIndex(int index) const { return index >= 0 && index < Count(); }

  // Called after every change (users repaint).
  std::function<void(TImageList* sender)> OnChange;

 private:
  void Changed();
  int FWidth = 16;
  int FHeight = 16;
  TBitmap FBitmap;
};

// The greyed look of a disabled picture: its shape in grey, lighter where
// the picture is light.
QImage GreyedImage(const QImage& image);
