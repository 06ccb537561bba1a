#include "SampleWindow.h"

#include "Description.h"
#include "Exceptions.h"
#include "Forms.h"
#include "SUIForm.h"
#include "SUIGrid.h"
#include "SUIMainMenu.h"
#include "SUIRegister.h"

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
