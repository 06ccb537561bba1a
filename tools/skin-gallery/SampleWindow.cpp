#include "SampleWindow.h"

#include "Description.h"
#include "Exceptions.h"
#include "Forms.h"
#include "ImgList.h"
#include "SUIForm.h"
#include "SUIGrid.h"
#include "SUIMainMenu.h"
#include "SUIRegister.h"
#include "SUIToolBar.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The sample's pictures, drawn on a 16-unit square so the fine versions are
// the same drawing at twice the scale: record, stop, save, loop, scope.
void DrawSamplePicture(QPainter& p, int index) {
  p.setRenderHint(QPainter::Antialiasing);
  switch (index) {
    case 0:
      p.setPen(QPen(QColor(120, 0, 0), 1));
      p.setBrush(QColor(220, 30, 30));
      p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
      break;
    case 1:
      p.setPen(QPen(QColor(20, 20, 20), 1));
      p.setBrush(QColor(70, 70, 80));
      p.drawRect(QRectF(3.5, 3.5, 9, 9));
      break;
    case 2:
      p.setPen(QPen(QColor(20, 40, 90), 1));
      p.setBrush(QColor(60, 100, 190));
      p.drawRect(QRectF(2.5, 2.5, 11, 11));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(5.5, 2.5, 5, 4));
      break;
    case 3: {
      p.setPen(QPen(QColor(20, 110, 40), 1.6));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 300 * 16);
      QPainterPath head;
      head.moveTo(13.5, 2);
      head.lineTo(13.5, 7);
      head.lineTo(9, 5);
      head.closeSubpath();
      p.fillPath(head, QColor(20, 110, 40));
      break;
    }
    default: {
      p.fillRect(QRectF(1, 2, 14, 12), QColor(10, 30, 20));
      p.setPen(QPen(QColor(60, 230, 90), 1.2));
      QPainterPath wave;
      wave.moveTo(2, 8);
      wave.cubicTo(4, 2, 6, 2, 8, 8);
      wave.cubicTo(10, 14, 12, 14, 14, 8);
      p.drawPath(wave);
      break;
    }
  }
}

void FillSamplePictures(TImageList* list) {
  for (int index = 0; index < 5; ++index) {
    QImage plain(list->Width(), list->Height(), QImage::Format_ARGB32);
    QImage fine(list->Width() * 2, list->Height() * 2, QImage::Format_ARGB32);
    for (QImage* image : {&plain, &fine}) {
      image->fill(Qt::transparent);
      QPainter p(image);
      p.scale(image->width() / 16.0, image->height() / 16.0);
      DrawSamplePicture(p, index);
    }
    list->Add(plain, fine);
  }
}

}  // namespace

std::unique_ptr<TForm> MakeSampleWindow(TsuiUIStyle style, QWidget* parent, QString* why) {
  Q_INIT_RESOURCE(gallery_sample);
  RegisterSkinControls();
  auto form = std::make_unique<TForm>(nullptr);
  try {
    ReadDescriptionFile(form.get(), QStringLiteral(":/SampleWindow.json"));
  } catch (const Exception& e) {
    if (why) *why = e.Message();
    return nullptr;
  }
  // The description stores one style; the frame hands the page's style on to every control.
  if (auto* frame = dynamic_cast<TsuiForm*>(form->FindComponent(QStringLiteral("suiForm1")))) frame->SetUIStyle(style);
  if (auto* menu = dynamic_cast<TsuiMainMenu*>(form->FindComponent(QStringLiteral("mmSample"))))
    menu->SetUIStyle(style);
  // Pictures are drawn here rather than stored, so they stay editable as code.
  if (auto* pictures = dynamic_cast<TImageList*>(form->FindComponent(QStringLiteral("ilSample")))) {
    FillSamplePictures(pictures);
    if (auto* bar = dynamic_cast<TsuiToolBar*>(form->FindComponent(QStringLiteral("tbMain")))) bar->UpdateButtons();
  }
  // Cells belong to the program, not the description.
  if (auto* grid = dynamic_cast<TsuiStringGrid*>(form->FindComponent(QStringLiteral("sgTakes")))) {
    const char* rows[][3] = {{"录音", "时长", "格式"},
                             {"录音 1.wav", "0:42", "PCM"},
                             {"Interview.wav", "12:05", "MP3"},
                             {"Rehearsal.wav", "3:10", "GSM"}};
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 3; ++c) grid->SetCells(c, r, QString::fromUtf8(rows[r][c]));
  }
  form->setParent(parent, Qt::Widget);
  return form;
}
