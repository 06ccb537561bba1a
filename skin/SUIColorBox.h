#pragma once
// A combo of colours, each shown as a swatch with its name. Which colours it
// lists is its Style; "Custom..." asks the user for any colour and keeps it
// as the first item.
#include "SUIComboBox.h"

#include <vector>

namespace SUIColorBox {
Q_NAMESPACE
enum TColorBoxStyleItem {
  cbStandardColors = 0x1,  // the sixteen basic colours
  cbExtendedColors = 0x2,  // money green, sky blue, cream, medium grey
  cbSystemColors = 0x4,    // the window system's named colours
  cbIncludeNone = 0x8,
  cbIncludeDefault = 0x10,
  cbCustomColor = 0x20,
  cbPrettyNames = 0x40,  // "Black" instead of "clBlack"
};
Q_DECLARE_FLAGS(TColorBoxStyle, TColorBoxStyleItem)
Q_FLAG_NS(TColorBoxStyle)
}  // namespace SUIColorBox
Q_DECLARE_OPERATORS_FOR_FLAGS(SUIColorBox::TColorBoxStyle)
using SUIColorBox::TColorBoxStyle;
using enum SUIColorBox::TColorBoxStyleItem;

class TsuiColorBox : public TsuiCustomComboBox {
  Q_OBJECT
  Q_PROPERTY(SUIColorBox::TColorBoxStyle Style READ ColorStyle WRITE SetColorStyle)
  Q_PROPERTY(TColor DefaultColorColor READ DefaultColorColor WRITE SetDefaultColorColor)
  Q_PROPERTY(TColor NoneColorColor READ NoneColorColor WRITE SetNoneColorColor)
  Q_PROPERTY(TColor Selected READ Selected WRITE SetSelected)
  Q_CLASSINFO("Default:Style", "cbStandardColors|cbExtendedColors|cbSystemColors")
  Q_CLASSINFO("Default:DefaultColorColor", "clBlack")
  Q_CLASSINFO("Default:NoneColorColor", "clBlack")
  Q_CLASSINFO("Default:Selected", "clBlack")
 public:
  explicit TsuiColorBox(TComponent* owner);

  TColorBoxStyle ColorStyle() const { return FColorStyle; }
  void SetColorStyle(TColorBoxStyle value);
  TColor DefaultColorColor() const { return FDefaultColorColor; }
  void SetDefaultColorColor(TColor value);
  TColor NoneColorColor() const { return FNoneColorColor; }
  void SetNoneColorColor(TColor value);
  // The chosen colour; one the list lacks becomes the custom item (or, without
  // cbCustomColor, leaves the selection as it was).
  TColor Selected() const;
  void SetSelected(TColor value);

  int ColorCount() const { return count(); }
  TColor Colors(int index) const;
  QString ColorNames(int index) const;

  // What "Custom..." asks; the program's colour dialogue by default. Returns
  // false when the user cancels.
  using TColorQuery = std::function<bool(TColor& color)>;
  void SetColorQuery(TColorQuery query) { FColorQuery = std::move(query); }

  // The swatch of colour an item shows (clNone and clDefault as the box paints them).
  QIcon Swatch(TColor color) const;

 private:
  bool ItemChosen(int index) override;
  void Populate();
  void AddColor(TColor color, const QString& name);
  TColorBoxStyle FColorStyle = TColorBoxStyle(cbStandardColors | cbExtendedColors | cbSystemColors);
  TColor FDefaultColorColor = clBlack, FNoneColorColor = clBlack;
  TColor FSelected = clBlack;
  int FLastIndex = -1;
  TColorQuery FColorQuery;
};
