#pragma once
// Menu drawing shared by the skinned menus and the form's menu bar: the look
// of a skinned menu (its colours, heights and font, set from a style), how it
// measures and paints one drop-down item, and how the bar paints its items.
#include "Graphics.h"
#include "ImgList.h"
#include "SUIThemes.h"

#include <QRect>
#include <QString>
#include <memory>

class TFont;
class TCanvas;
class TMenuItem;
class QPainter;

// Gives font the desktop's menu font and the menu-text colour; leaves it as
// it is when the desktop names no menu font.
void SetSystemMenuFont(TFont* font);

// The published look of a skinned menu; the two skinned menu classes list it
// with TSUI_MENU_PROPERTIES. UIStyle comes first, so colours and sizes
// stored after it override what the style set.
#define TSUI_MENU_PROPERTIES                                                                   \
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)                     \
  Q_PROPERTY(int MenuItemHeight READ MenuItemHeight WRITE SetMenuItemHeight)                   \
  Q_PROPERTY(int SeparatorHeight READ SeparatorHeight WRITE SetSeparatorHeight)                \
  Q_PROPERTY(int BarWidth READ BarWidth WRITE SetBarWidth)                                     \
  Q_PROPERTY(TColor BarColor READ BarColor WRITE SetBarColor)                                  \
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)                                           \
  Q_PROPERTY(TColor SeparatorColor READ SeparatorColor WRITE SetSeparatorColor)                \
  Q_PROPERTY(TColor SelectedBorderColor READ SelectedBorderColor WRITE SetSelectedBorderColor) \
  Q_PROPERTY(TColor SelectedColor READ SelectedColor WRITE SetSelectedColor)                   \
  Q_PROPERTY(TColor SelectedFontColor READ SelectedFontColor WRITE SetSelectedFontColor)       \
  Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor)                               \
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)                         \
  Q_PROPERTY(bool FlatMenu READ FlatMenu WRITE SetFlatMenu)                                    \
  Q_PROPERTY(QString FontName READ FontName WRITE SetFontName)                                 \
  Q_PROPERTY(int FontSize READ FontSize WRITE SetFontSize)                                     \
  Q_PROPERTY(int FontCharset READ FontCharset WRITE SetFontCharset)                            \
  Q_PROPERTY(bool UseSystemFont READ UseSystemFont WRITE SetUseSystemFont)                     \
  Q_PROPERTY(TImageList* Images READ Images WRITE SetImages)                                   \
  Q_CLASSINFO("Default:MenuItemHeight", "21")                                                  \
  Q_CLASSINFO("Default:SeparatorHeight", "21")                                                 \
  Q_CLASSINFO("Default:BarWidth", "0")                                                         \
  Q_CLASSINFO("Default:BarColor", "clBtnFace")                                                 \
  Q_CLASSINFO("Default:Color", "clWhite")                                                      \
  Q_CLASSINFO("Default:SeparatorColor", "clGray")                                              \
  Q_CLASSINFO("Default:SelectedBorderColor", "clHighlight")                                    \
  Q_CLASSINFO("Default:SelectedColor", "clHighlight")                                          \
  Q_CLASSINFO("Default:SelectedFontColor", "clWhite")                                          \
  Q_CLASSINFO("Default:FontColor", "clWhite")                                                  \
  Q_CLASSINFO("Default:BorderColor", "clBlack")                                                \
  Q_CLASSINFO("Default:FlatMenu", "false")                                                     \
  Q_CLASSINFO("Default:FontName", "MS Sans Serif")                                             \
  Q_CLASSINFO("Default:FontSize", "8")                                                         \
  Q_CLASSINFO("Default:FontCharset", "1")                                                      \
  Q_CLASSINFO("Default:UseSystemFont", "true")

class TsuiMenuLook {
 public:
  TsuiMenuLook();
  virtual ~TsuiMenuLook();

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  // Applies the style's colours, heights and side bar (nothing for Custom).
  void SetUIStyle(TsuiUIStyle value);
  int MenuItemHeight() const { return FMenuItemHeight; }
  // The MacOS pictures fix the heights: ignored while the style is MacOS.
  void SetMenuItemHeight(int value);
  int SeparatorHeight() const { return FSeparatorHeight; }
  void SetSeparatorHeight(int value);
  int BarWidth() const { return FBarWidth; }
  void SetBarWidth(int value) { Set(FBarWidth, value); }
  TColor BarColor() const { return FBarColor; }
  void SetBarColor(TColor value) { Set(FBarColor, value); }
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { Set(FColor, value); }
  TColor SeparatorColor() const { return FSeparatorColor; }
  void SetSeparatorColor(TColor value) { Set(FSeparatorColor, value); }
  TColor SelectedBorderColor() const { return FSelectedBorderColor; }
  void SetSelectedBorderColor(TColor value) { Set(FSelectedBorderColor, value); }
  TColor SelectedColor() const { return FSelectedColor; }
  void SetSelectedColor(TColor value) { Set(FSelectedColor, value); }
  TColor SelectedFontColor() const { return FSelectedFontColor; }
  void SetSelectedFontColor(TColor value) { Set(FSelectedFontColor, value); }
  TColor FontColor() const { return FFontColor; }
  void SetFontColor(TColor value) { Set(FFontColor, value); }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value) { Set(FBorderColor, value); }
  bool FlatMenu() const { return FFlatMenu; }
  void SetFlatMenu(bool value) { Set(FFlatMenu, value); }
  const QString& FontName() const { return FFontName; }
  void SetFontName(const QString& value) { Set(FFontName, value); }
  int FontSize() const { return FFontSize; }
  void SetFontSize(int value) { Set(FFontSize, value); }
  int FontCharset() const { return FFontCharset; }
  void SetFontCharset(int value) { Set(FFontCharset, value); }
  bool UseSystemFont() const { return FUseSystemFont; }
  void SetUseSystemFont(bool value) { Set(FUseSystemFont, value); }

  // The items' pictures; none (the default) leaves only the built-in check
  // mark, which is never handed out. Not owned: the menu forgets a list
  // that is destroyed.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* value);

  // The items' font: the desktop's menu font with UseSystemFont, else
  // FontName and FontSize; its colour is FontColor.
  void ItemFont(TFont& font) const;

  // A separator is SeparatorHeight high, any other item MenuItemHeight; the
  // width makes room for caption, short cut and side bar.
  void MeasureMenuItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) const;
  void DrawMenuItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) const;
  // The drop-down's background and its one-pixel border.
  void DrawMenuBackground(QPainter& painter, const QRect& rect) const;
  void DrawMenuFrame(QPainter& painter, const QRect& rect) const;

 protected:
  // After any change of the look: drop-downs and the bar redraw.
  virtual void LookChanged() {}
  // The component that registers for the image list's removal.
  virtual TComponent* LookComponent() { return nullptr; }
  // From the menu's Notification: drops a removed image list.
  void LookNotification(TComponent* component, TOperation operation);

 private:
  template <class T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    LookChanged();
  }
  const TBitmap& Picture(const char* name) const;

  TsuiUIStyle FUIStyle = DeepBlue;
  int FMenuItemHeight = 21;
  int FSeparatorHeight = 21;
  int FBarWidth = 0;
  TColor FBarColor = clBtnFace;
  TColor FColor = clWhite;
  TColor FSeparatorColor = clGray;
  TColor FSelectedBorderColor = clHighlight;
  TColor FSelectedColor = clHighlight;
  TColor FSelectedFontColor = clWhite;
  TColor FFontColor = clWhite;
  TColor FBorderColor = clBlack;
  bool FFlatMenu = false;
  QString FFontName = QStringLiteral("MS Sans Serif");
  int FFontSize = 8;
  int FFontCharset = 1;
  bool FUseSystemFont = true;
  TImageList* FImages = nullptr;
  // Loaded on first use: the check mark and the MacOS stretches.
  mutable std::unique_ptr<TBitmap> FChecked, FMacBar, FMacSelect;
};

// The menu bar: its background (the MacOS picture stretched, else color) and
// a hot or pressed item (the MacOS picture, else a fill and a frame in the
// selected colours), the caption centred on one line.
struct TsuiMenuBarColors {
  TColor Fill, Frame, Text;
};
// The theme's selected colours, or for Custom the look's (when given).
TsuiMenuBarColors MenuBarColors(TsuiUIStyle style, const TsuiMenuLook* look);
void DrawMenuBarBackground(QPainter& painter, const QRect& rect, TsuiUIStyle style, TColor color);
void DrawMenuBarButton(QPainter& painter, const QRect& rect, TsuiUIStyle style, const TsuiMenuBarColors& colors,
                       const QString& caption, bool pressed);
