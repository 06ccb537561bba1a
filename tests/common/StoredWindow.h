#pragma once
// The recorder's window as the program creates it, from the stored window
// description, after removing any working file an earlier test left.
#include "Description.h"
#include "MainForm.h"

#include <QFile>
#include <memory>

inline std::unique_ptr<TForm1> CreateStoredWindow(bool removeWorkingFile = true) {
  Q_INIT_RESOURCE(tamsel);
  if (removeWorkingFile) QFile::remove(WorkingFileName());
  auto form = std::make_unique<TForm1>(nullptr);
  ReadDescriptionFile(form.get(), QStringLiteral(":/Form1.json"));
  form->DoCreate();
  return form;
}
