#include "SUIMenu.h"

#include "Graphics.h"
#include "Menus.h"
#include "SUIPublic.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

void SetSystemMenuFont(TFont* font) {
  if (!font || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  // The platform theme's font for menus; the general font where it has none.
  const QFont menu = QApplication::font("QMenu");
  if (menu.family().isEmpty()) return;
  const QFontInfo info(menu);
  font->SetName(menu.family());
  font->SetHeight(-std::max(1, menu.pixelSize() > 0 ? menu.pixelSize() : info.pixelSize()));
  TFontStyles style;
  if (menu.bold()) style |= fsBold;
  if (menu.italic()) style |= fsItalic;
  if (menu.underline()) style |= fsUnderline;
  if (menu.strikeOut()) style |= fsStrikeOut;
  font->SetStyle(style);
  font->SetColor(clMenuText);
}

namespace {

constexpr int kItemPictureRows = 20;
constexpr int kSeparatorPictureRows = 12;
constexpr TColor kDisabledText = TColor(0x808080);

// Rows 0..rows-1 of picture stretched over rect.
void StretchRows(QPainter& painter, const TBitmap& picture, const QRect& rect, int rows) {
  picture.DrawPart(painter, rect, QRect(0, 0, picture.Width(), std::min(rows, picture.Height())), false, clDefault);
}

// The caption without its accelerator marks, as it is shown.
QString ShownCaption(const QString& caption) {
  QString shown;
  for (int i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

}  // namespace

TsuiMenuLook::TsuiMenuLook() = default;
TsuiMenuLook::~TsuiMenuLook() = default;

void TsuiMenuLook::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  if (value != Custom) {
    // Straight to the fields: MacOS refuses the heights through the setters.
    FMenuItemHeight = GetThemeInt(value, teMenuItemHeight);
    FSeparatorHeight = GetThemeInt(value, teMenuSeparatorHeight);
    FBarWidth = GetThemeInt(value, teMenuSideBarWidth);
    FBarColor = GetThemeColor(value, teMenuSideBarColor);
    FColor = GetThemeColor(value, teMenuColor);
    FSeparatorColor = GetThemeColor(value, teMenuSeparatorColor);
    FSelectedBorderColor = GetThemeColor(value, teSelectedBorderColor);
    FSelectedColor = GetThemeColor(value, teSelectedColor);
    FSelectedFontColor = GetThemeColor(value, teSelectedFontColor);
    FFontColor = GetThemeColor(value, teFontColor);
    FBorderColor = GetThemeColor(value, teFormBorderColor);
  }
  LookChanged();
}

void TsuiMenuLook::SetMenuItemHeight(int value) {
  if (FUIStyle != MacOS) Set(FMenuItemHeight, value);
}

void TsuiMenuLook::SetSeparatorHeight(int value) {
  if (FUIStyle != MacOS) Set(FSeparatorHeight, value);
}

void TsuiMenuLook::ItemFont(TFont& font) const {
  if (FUseSystemFont) {
    SetSystemMenuFont(&font);
  } else {
    font.SetName(FFontName);
    font.SetSize(FFontSize);
    font.SetCharset(FFontCharset);
  }
  font.SetColor(FFontColor);
}

void TsuiMenuLook::SetImages(TImageList* value) {
  if (value == FImages) return;
  TComponent* self = LookComponent();
  if (FImages && self) self->RemoveFreeNotification(FImages);
  FImages = value;
  if (FImages && self) self->FreeNotification(FImages);
  LookChanged();
}

void TsuiMenuLook::LookNotification(TComponent* component, TOperation operation) {
  if (operation == opRemove && FImages && component == static_cast<TComponent*>(FImages)) {
    FImages = nullptr;
    LookChanged();
  }
}

const TBitmap& TsuiMenuLook::Picture(const char* name) const {
  std::unique_ptr<TBitmap>& slot = qstrcmp(name, "MENU_CHECKED") == 0     ? FChecked
                                   : qstrcmp(name, "MACOS_MENU_BAR") == 0 ? FMacBar
                                                                          : FMacSelect;
  if (!slot) {
    auto picture = std::make_unique<TBitmap>();
    LoadSkinBitmap(*picture, 0, QString::fromLatin1(name));
    slot = std::move(picture);
  }
  return *slot;
}

void TsuiMenuLook::MeasureMenuItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) const {
  height = item->IsLine() ? FSeparatorHeight : FMenuItemHeight;
  TFont font;
  ItemFont(font);
  const QFontMetrics metrics(font.ToQFont());
  const QString shortCut = item->ShortCutText();
  width = metrics.horizontalAdvance(ShownCaption(item->Caption())) +
          (shortCut.isEmpty() ? 0 : metrics.horizontalAdvance(shortCut)) + FBarWidth + 40;
  (void)canvas;
}

void TsuiMenuLook::DrawMenuItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) const {
  QPainter& p = canvas.Painter();
  const int l = rect.left(), t = rect.top(), r = rect.left() + rect.width();
  const bool mac = FUIStyle == MacOS;
  auto plainBackground = [&] {
    QRect rest = rect;
    if (FBarWidth > 0) {
      p.fillRect(QRect(l, t, FBarWidth, rect.height()), ToQColor(FBarColor));
      rest.setLeft(l + FBarWidth);
    }
    p.fillRect(rest, ToQColor(FColor));
  };

  if (item->IsLine()) {
    if (mac) {
      StretchRows(p, Picture("MACOS_MENU_BAR"), rect, kSeparatorPictureRows);
    } else {
      plainBackground();
      p.setPen(ToQColor(FSeparatorColor));
      p.drawLine(l + FBarWidth + 4, t + 2, r - 3, t + 2);
    }
    return;
  }

  const bool enabled = item->Enabled();
  if (selected && enabled) {
    if (mac) {
      StretchRows(p, Picture("MACOS_MENU_SELECT"), rect, kItemPictureRows);
    } else {
      p.fillRect(rect, ToQColor(FSelectedColor));
      p.setPen(ToQColor(FSelectedBorderColor));
      p.setBrush(Qt::NoBrush);
      p.drawRect(rect.adjusted(0, 0, -1, -1));
    }
  } else if (mac) {
    StretchRows(p, Picture("MACOS_MENU_BAR"), rect, kItemPictureRows);
  } else {
    plainBackground();
  }

  TFont font;
  ItemFont(font);
  QFont qfont = font.ToQFont();
  if (item->Default()) qfont.setBold(true);
  p.setFont(qfont);
  p.setPen(ToQColor(!enabled ? kDisabledText : selected ? FSelectedFontColor : FFontColor));
  const QFontMetrics metrics(qfont);
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
  p.drawText(QRect(l + FBarWidth + 4, t + 4, std::max(r - l, 1), metrics.height()), flags, item->Caption());
  if (const QString shortCut = item->ShortCutText(); !shortCut.isEmpty()) {
    const int w = metrics.horizontalAdvance(shortCut);
    p.drawText(QRect(r - w - 16, t + 4, w + 1, metrics.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               shortCut);
  }

  const bool hasImage = FImages && FImages->ValidIndex(item->ImageIndex());
  if (item->Checked() && hasImage) {
    // The picture itself shows the state: framed on the selected colour.
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(l + 2, t + 1, 18, 18));
    p.fillRect(QRect(l + 3, t + 2, 17, 17), ToQColor(FSelectedColor));
  } else if (item->Checked()) {
    const TBitmap& mark = Picture("MENU_CHECKED");
    p.save();
    if (!enabled) p.setOpacity(0.4);
    mark.DrawPart(p, QRect(l + 4, t + 3, mark.Width(), mark.Height()), QRect(0, 0, mark.Width(), mark.Height()), true,
                  clWhite);
    p.restore();
  }
  if (hasImage) FImages->Draw(p, l + 4, t + 3, item->ImageIndex(), enabled);
}

void TsuiMenuLook::DrawMenuBackground(QPainter& painter, const QRect& rect) const {
  if (FUIStyle == MacOS)
    StretchRows(painter, Picture("MACOS_MENU_BAR"), rect, kItemPictureRows);
  else
    painter.fillRect(rect, ToQColor(FColor));
}

void TsuiMenuLook::DrawMenuFrame(QPainter& painter, const QRect& rect) const {
  painter.setBrush(Qt::NoBrush);
  painter.setPen(ToQColor(FBorderColor));
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  if (FFlatMenu) {
    // A flat menu has a light inner ring and no shadow edge.
    painter.setPen(Qt::white);
    painter.drawRect(rect.adjusted(1, 1, -2, -2));
  }
}

TsuiMenuBarColors MenuBarColors(TsuiUIStyle style, const TsuiMenuLook* look) {
  if (style != Custom)
    return {GetThemeColor(style, teSelectedColor), GetThemeColor(style, teSelectedBorderColor),
            GetThemeColor(style, teSelectedFontColor)};
  if (look) return {look->SelectedColor(), look->SelectedBorderColor(), look->SelectedFontColor()};
  return {clHighlight, clHighlight, clHighlightText};
}

void DrawMenuBarBackground(QPainter& painter, const QRect& rect, TsuiUIStyle style, TColor color) {
  if (style == MacOS) {
    TBitmap bar;
    LoadSkinBitmap(bar, 0, QStringLiteral("MACOS_MENU_BAR"));
    bar.StretchDraw(painter, rect);
  } else {
    painter.fillRect(rect, ToQColor(color));
  }
}

void DrawMenuBarButton(QPainter& painter, const QRect& rect, TsuiUIStyle style, const TsuiMenuBarColors& colors,
                       const QString& caption, bool pressed) {
  const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
  painter.save();
  if (style == MacOS) {
    TBitmap select;
    LoadSkinBitmap(select, 0, QStringLiteral("MACOS_MENU_SELECT"));
    select.StretchDraw(painter, rect);
    painter.setPen(ToQColor(colors.Text));
    painter.drawText(rect, flags, caption);
  } else {
    const QRect box = pressed ? rect.adjusted(0, 0, -2, 0) : rect;
    painter.fillRect(box, ToQColor(colors.Fill));
    painter.setPen(ToQColor(colors.Frame));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(ToQColor(colors.Text));
    painter.drawText(rect.translated(pressed ? 2 : 0, 2), flags, caption);
  }
  painter.restore();
}
