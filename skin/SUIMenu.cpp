#include "SUIMenu.h"

#include "Graphics.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
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
