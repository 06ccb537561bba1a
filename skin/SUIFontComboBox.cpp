#include "SUIFontComboBox.h"

#include "Exceptions.h"
#include "SUIPublic.h"

#include <QFontDatabase>
#include <QIntValidator>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

// Draws each item of a font box in the font the item names.
class TFontItemDelegate : public QStyledItemDelegate {
 public:
  explicit TFontItemDelegate(TsuiFontDrawComboBox* box) : QStyledItemDelegate(box), FBox(box) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->font = FBox->ItemFont(index.row());
    option->fontMetrics = QFontMetrics(option->font);
  }

 private:
  TsuiFontDrawComboBox* FBox;  // the box this delegate is parented to
};

// A picture with its white background left out, plain and fine.
QIcon PictureIcon(const QString& name) {
  TBitmap picture;
  try {
    LoadSkinBitmap(picture, 0, name);
  } catch (const Exception&) {
    return {};
  }
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(KeyedImage(picture.Image(), clWhite)));
  if (picture.Has2x()) {
    QImage fine = KeyedImage(picture.Image2x(), clWhite);
    fine.setDevicePixelRatio(2);
    icon.addPixmap(QPixmap::fromImage(fine));
  }
  return icon;
}

bool IsSymbolFont(const QString& family) {
  const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
  return systems.contains(QFontDatabase::Symbol) && !systems.contains(QFontDatabase::Latin);
}

}  // namespace

// ---- TsuiFontDrawComboBox ----

TsuiFontDrawComboBox::TsuiFontDrawComboBox(TComponent* owner) : TsuiCustomComboBox(owner) {
  setItemDelegate(new TFontItemDelegate(this));
}

QFont TsuiFontDrawComboBox::ItemFont(int index) const {
  QFont f = font();
  const QString family = itemData(index, FontFamilyRole).toString();
  if (!family.isEmpty()) f.setFamilies({family});
  return f;
}

// ---- TsuiFontComboBox ----

TsuiFontComboBox::TsuiFontComboBox(TComponent* owner) : TsuiFontDrawComboBox(owner) {
  setEditable(false);
  setIconSize(QSize(12, 12));
  Reset();
}

void TsuiFontComboBox::Reset() {
  const QString keep = currentText();
  const QIcon outline = PictureIcon(QStringLiteral("FONTCOMBO_TRUETYPE_FNT"));
  const QIcon bitmap = PictureIcon(QStringLiteral("FONTCOMBO_DEVICE_FNT"));
  clear();
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    const bool scalable = QFontDatabase::isSmoothlyScalable(family);
    const bool symbol = IsSymbolFont(family);
    if (FOptions.testFlag(foAnsiOnly) && !QFontDatabase::writingSystems(family).contains(QFontDatabase::Latin))
      continue;
    if ((FOptions.testFlag(foTrueTypeOnly) || FOptions.testFlag(foScalableOnly)) && !scalable) continue;
    if (FOptions.testFlag(foFixedPitchOnly) && !QFontDatabase::isFixedPitch(family)) continue;
    if (FOptions.testFlag(foNoSymbolFonts) && symbol) continue;
    addItem(scalable ? outline : bitmap, family);
    // A symbol font would draw its own name as unreadable signs.
    if (FUseFonts && !symbol) setItemData(count() - 1, family, FontFamilyRole);
  }
  // A fresh box shows the font it is drawn in.
  const int index = findText(keep.isEmpty() ? font().family() : keep, Qt::MatchFixedString);
  setCurrentIndex(index >= 0 || count() == 0 ? index : 0);
}

void TsuiFontComboBox::SetDevice(TFontDevice value) {
  if (value == FDevice) return;
  FDevice = value;
  Reset();
}

void TsuiFontComboBox::SetOptions(TFontListOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  Reset();
}

void TsuiFontComboBox::SetUseFonts(bool value) {
  if (value == FUseFonts) return;
  FUseFonts = value;
  Reset();
}

void TsuiFontComboBox::SetFontName(const QString& value) {
  const int index = findText(value, Qt::MatchFixedString);
  if (index >= 0) setCurrentIndex(index);
}

// ---- TsuiFontSizeComboBox ----

TsuiFontSizeComboBox::TsuiFontSizeComboBox(TComponent* owner) : TsuiFontDrawComboBox(owner) {
  SetStyle(csDropDown);
  setInsertPolicy(QComboBox::NoInsert);
  lineEdit()->setValidator(new QIntValidator(1, 1638, lineEdit()));
  for (int size : StandardSizes()) addItem(QString::number(size));
  setCurrentIndex(-1);
  resize(49, height());
}

const QList<int>& TsuiFontSizeComboBox::StandardSizes() {
  static const QList<int> sizes{8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
  return sizes;
}

int TsuiFontSizeComboBox::FontSize() const {
  bool ok = false;
  const int size = currentText().toInt(&ok);
  return ok && size > 0 ? size : 0;
}

void TsuiFontSizeComboBox::SetFontSize(int value) { SetText(value > 0 ? QString::number(value) : QString()); }
