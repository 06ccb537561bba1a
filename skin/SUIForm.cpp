#include "SUIForm.h"

#include <QPainter>

void TsuiForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect title(0, 0, width(), TitleBarHeight);
  p.fillRect(rect(), ToQColor(ParentColor() ? clBtnFace : Color()));
  p.fillRect(title, ToQColor(clActiveCaption));
  QFont f = font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(ToQColor(clCaptionText));
  p.drawText(title.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, Caption());
  p.setPen(ToQColor(clBtnShadow));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}
