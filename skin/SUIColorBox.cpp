#include "SUIColorBox.h"

#include <QColorDialog>
#include <QPainter>

namespace {

struct TNamedColor {
  TColor Color;
  const char* Name;
  const char* Pretty;
};

constexpr TNamedColor kStandard[] = {
    {clBlack, "clBlack", "Black"}, {clMaroon, "clMaroon", "Maroon"},    {clGreen, "clGreen", "Green"},
    {clOlive, "clOlive", "Olive"}, {clNavy, "clNavy", "Navy"},          {clPurple, "clPurple", "Purple"},
    {clTeal, "clTeal", "Teal"},    {clGray, "clGray", "Gray"},          {clSilver, "clSilver", "Silver"},
    {clRed, "clRed", "Red"},       {clLime, "clLime", "Lime"},          {clYellow, "clYellow", "Yellow"},
    {clBlue, "clBlue", "Blue"},    {clFuchsia, "clFuchsia", "Fuchsia"}, {clAqua, "clAqua", "Aqua"},
    {clWhite, "clWhite", "White"},
};

constexpr TNamedColor kExtended[] = {
    {clMoneyGreen, "clMoneyGreen", "Money Green"},
    {clSkyBlue, "clSkyBlue", "Sky Blue"},
    {clCream, "clCream", "Cream"},
    {clMedGray, "clMedGray", "Medium Gray"},
};

constexpr TNamedColor kSystem[] = {
    {clScrollBar, "clScrollBar", "Scroll Bar"},
    {clBackground, "clBackground", "Background"},
    {clActiveCaption, "clActiveCaption", "Active Caption"},
    {clInactiveCaption, "clInactiveCaption", "Inactive Caption"},
    {clMenu, "clMenu", "Menu"},
    {clWindow, "clWindow", "Window"},
    {clWindowFrame, "clWindowFrame", "Window Frame"},
    {clMenuText, "clMenuText", "Menu Text"},
    {clWindowText, "clWindowText", "Window Text"},
    {clCaptionText, "clCaptionText", "Caption Text"},
    {clActiveBorder, "clActiveBorder", "Active Border"},
    {clInactiveBorder, "clInactiveBorder", "Inactive Border"},
    {clAppWorkSpace, "clAppWorkSpace", "Application Workspace"},
    {clHighlight, "clHighlight", "Highlight"},
    {clHighlightText, "clHighlightText", "Highlight Text"},
    {clBtnFace, "clBtnFace", "Button Face"},
    {clBtnShadow, "clBtnShadow", "Button Shadow"},
    {clGrayText, "clGrayText", "Gray Text"},
    {clBtnText, "clBtnText", "Button Text"},
    {clInactiveCaptionText, "clInactiveCaptionText", "Inactive Caption Text"},
    {clBtnHighlight, "clBtnHighlight", "Button Highlight"},
    {cl3DDkShadow, "cl3DDkShadow", "3D Dark Shadow"},
    {cl3DLight, "cl3DLight", "3D Light"},
    {clInfoText, "clInfoText", "Info Text"},
    {clInfoBk, "clInfoBk", "Info Background"},
};

constexpr int kSwatchWidth = 22, kSwatchHeight = 12;
constexpr int kColorRole = Qt::UserRole;
constexpr int kCustomRole = Qt::UserRole + 1;

QPixmap SwatchPixmap(const QColor& fill, qreal ratio) {
  QPixmap pixmap(QSize(kSwatchWidth, kSwatchHeight) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.fillRect(QRect(1, 1, kSwatchWidth - 2, kSwatchHeight - 2), fill);
  p.setPen(QPen(Qt::black, 0));
  p.drawRect(QRectF(0.5, 0.5, kSwatchWidth - 1.5, kSwatchHeight - 1.5));
  return pixmap;
}

}  // namespace

TsuiColorBox::TsuiColorBox(TComponent* owner) : TsuiCustomComboBox(owner) {
  setIconSize(QSize(kSwatchWidth, kSwatchHeight));
  FColorQuery = [this](TColor& color) {
    const QColor chosen = QColorDialog::getColor(ToQColor(color), this);
    if (!chosen.isValid()) return false;
    color = FromQColor(chosen);
    return true;
  };
  Populate();
}

QIcon TsuiColorBox::Swatch(TColor color) const {
  if (color == clNone) color = FNoneColorColor;
  if (color == clDefault) color = FDefaultColorColor;
  QIcon icon;
  icon.addPixmap(SwatchPixmap(ToQColor(color), 1));
  icon.addPixmap(SwatchPixmap(ToQColor(color), 2));
  return icon;
}

void TsuiColorBox::AddColor(TColor color, const QString& name) {
  addItem(Swatch(color), name, QVariant::fromValue(color.ToInt()));
}

void TsuiColorBox::Populate() {
  const TColor keep = Selected();
  const bool pretty = FColorStyle.testFlag(cbPrettyNames);
  clear();
  if (FColorStyle.testFlag(cbCustomColor)) {
    AddColor(FSelected, pretty ? QStringLiteral("Custom...") : QStringLiteral("clCustom"));
    setItemData(0, true, kCustomRole);
  }
  auto addAll = [&](const auto& table) {
    for (const TNamedColor& c : table) AddColor(c.Color, QString::fromLatin1(pretty ? c.Pretty : c.Name));
  };
  if (FColorStyle.testFlag(cbIncludeNone)) AddColor(clNone, pretty ? QStringLiteral("None") : QStringLiteral("clNone"));
  if (FColorStyle.testFlag(cbIncludeDefault))
    AddColor(clDefault, pretty ? QStringLiteral("Default") : QStringLiteral("clDefault"));
  if (FColorStyle.testFlag(cbStandardColors)) addAll(kStandard);
  if (FColorStyle.testFlag(cbExtendedColors)) addAll(kExtended);
  if (FColorStyle.testFlag(cbSystemColors)) addAll(kSystem);
  SetSelected(keep);
}

void TsuiColorBox::SetColorStyle(TColorBoxStyle value) {
  if (value == FColorStyle) return;
  FColorStyle = value;
  Populate();
}

void TsuiColorBox::SetDefaultColorColor(TColor value) {
  if (value == FDefaultColorColor) return;
  FDefaultColorColor = value;
  Populate();
}

void TsuiColorBox::SetNoneColorColor(TColor value) {
  if (value == FNoneColorColor) return;
  FNoneColorColor = value;
  Populate();
}

TColor TsuiColorBox::Colors(int index) const {
  return index >= 0 && index < count() ? TColor(itemData(index, kColorRole).toInt()) : FSelected;
}

QString TsuiColorBox::ColorNames(int index) const { return itemText(index); }

TColor TsuiColorBox::Selected() const { return currentIndex() >= 0 ? Colors(currentIndex()) : FSelected; }

void TsuiColorBox::SetSelected(TColor value) {
  const bool custom = FColorStyle.testFlag(cbCustomColor);
  for (int i = custom ? 1 : 0; i < count(); ++i)
    if (Colors(i) == value) {
      FSelected = value;
      setCurrentIndex(i);
      FLastIndex = i;
      return;
    }
  if (!custom) {
    if (count() == 0) FSelected = value;
    return;
  }
  FSelected = value;
  setItemData(0, QVariant::fromValue(value.ToInt()), kColorRole);
  setItemIcon(0, Swatch(value));
  setCurrentIndex(0);
  FLastIndex = 0;
}

bool TsuiColorBox::ItemChosen(int index) {
  if (itemData(index, kCustomRole).toBool()) {
    TColor color = Colors(index);
    if (!FColorQuery || !FColorQuery(color)) {
      setCurrentIndex(FLastIndex);
      return false;
    }
    FSelected = color;
    setItemData(index, QVariant::fromValue(color.ToInt()), kColorRole);
    setItemIcon(index, Swatch(color));
  } else {
    FSelected = Colors(index);
  }
  FLastIndex = index;
  return true;
}
