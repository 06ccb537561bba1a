#pragma once
// Font boxes: the installed font families, each name drawn in its own font
// with a picture for scalable and for bitmap fonts, and the list of usual
// point sizes. The families come from the font configuration through Qt.
#include "SUIComboBox.h"

namespace SUIFontComboBox {
Q_NAMESPACE
enum TFontDevice { fdScreen, fdPrinter, fdBoth };
Q_ENUM_NS(TFontDevice)
enum TFontListOption {
  foAnsiOnly = 0x1,      // fonts that write Latin
  foTrueTypeOnly = 0x2,  // outline fonts
  foFixedPitchOnly = 0x4,
  foScalableOnly = 0x8,
  foNoSymbolFonts = 0x10,
};
Q_DECLARE_FLAGS(TFontListOptions, TFontListOption)
Q_FLAG_NS(TFontListOptions)
}  // namespace SUIFontComboBox
Q_DECLARE_OPERATORS_FOR_FLAGS(SUIFontComboBox::TFontListOptions)
using SUIFontComboBox::TFontDevice;
using SUIFontComboBox::TFontListOptions;
using enum SUIFontComboBox::TFontDevice;
using enum SUIFontComboBox::TFontListOption;

// The common ground of the font boxes: items may name a font to be drawn in
// and carry a picture.
class TsuiFontDrawComboBox : public TsuiCustomComboBox {
  Q_OBJECT
 public:
  explicit TsuiFontDrawComboBox(TComponent* owner);
  // The font item index is drawn in; the box's own font when it names none.
  QFont ItemFont(int index) const;

 protected:
  static constexpr int FontFamilyRole = Qt::UserRole + 10;
};

class TsuiFontComboBox : public TsuiFontDrawComboBox {
  Q_OBJECT
  Q_PROPERTY(SUIFontComboBox::TFontDevice Device READ Device WRITE SetDevice)
  Q_PROPERTY(SUIFontComboBox::TFontListOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(bool UseFonts READ UseFonts WRITE SetUseFonts)
  Q_PROPERTY(QString FontName READ FontName WRITE SetFontName)
  Q_CLASSINFO("Default:Device", "fdScreen")
  Q_CLASSINFO("Default:Options", "")
  Q_CLASSINFO("Default:UseFonts", "false")
 public:
  explicit TsuiFontComboBox(TComponent* owner);

  // Screen and printer fonts are the same set here: the font configuration's.
  TFontDevice Device() const { return FDevice; }
  void SetDevice(TFontDevice value);
  TFontListOptions Options() const { return FOptions; }
  void SetOptions(TFontListOptions value);
  // Each name drawn in its own font (symbol fonts in the box's font, so they stay readable).
  bool UseFonts() const { return FUseFonts; }
  void SetUseFonts(bool value);
  QString FontName() const { return currentText(); }
  // A family the list lacks leaves the selection as it was.
  void SetFontName(const QString& value);

  // Fills the list again from the installed fonts.
  void Reset();

 private:
  TFontDevice FDevice = fdScreen;
  TFontListOptions FOptions;
  bool FUseFonts = false;
};

class TsuiFontSizeComboBox : public TsuiFontDrawComboBox {
  Q_OBJECT
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(int FontSize READ FontSize WRITE SetFontSize STORED false)
  Q_CLASSINFO("Default:Text", "")
 public:
  explicit TsuiFontSizeComboBox(TComponent* owner);
  static const QList<int>& StandardSizes();
  // The size typed or picked; 0 when the text is no size.
  int FontSize() const;
  void SetFontSize(int value);
};
