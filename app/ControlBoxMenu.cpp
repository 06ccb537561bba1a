#include "ControlBoxMenu.h"

#include "MainForm.h"
#include "Menus.h"
#include "SUIMainMenu.h"
#include "WaveDevice.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

TControlBoxMenu::TControlBoxMenu(TForm1& form, TsuiUIStyle style) : FForm(form), FMenu(new TsuiPopupMenu(&form)) {
  FMenu->SetUIStyle(style);
  FPause = Add(FMenu->Items(), QStringLiteral("暂停录制"));
  FPause->SetOnClick([this](TComponent*) { FForm.PauseRecordingClick(); });
  Add(FMenu->Items(), QStringLiteral("-"));
  FInput = Add(FMenu->Items(), QStringLiteral("输入设备"));
  FOutput = Add(FMenu->Items(), QStringLiteral("输出设备"));
  Add(FMenu->Items(), QStringLiteral("-"));
  FFolder = Add(FMenu->Items(), QStringLiteral("打开录音所在文件夹"));
  FFolder->SetOnClick([this](TComponent*) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(FForm.FileName()).absolutePath()));
  });
  FAbout = Add(FMenu->Items(), QStringLiteral("关于"));
  FAbout->SetOnClick([](TComponent*) { QDesktopServices::openUrl(QUrl(HomePageAddress())); });
  FMenu->SetOnPopup([this](TComponent*) { Refresh(); });
}

TMenuItem* TControlBoxMenu::Add(TMenuItem* parent, const QString& caption) {
  auto* item = new TMenuItem(FMenu);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

void TControlBoxMenu::Refresh() {
  FPause->SetCaption(FForm.RecordingPaused() ? QStringLiteral("继续录制") : QStringLiteral("暂停录制"));
  FPause->SetEnabled(FForm.State() == TForm1::Recording);
  FillDevices(FInput, true);
  FillDevices(FOutput, false);
}

void TControlBoxMenu::FillDevices(TMenuItem* parent, bool input) {
  while (parent->Count() > 0) delete parent->Items(parent->Count() - 1);
  const TForm1::TDeviceChoice chosen = input ? FForm.InputDevice() : FForm.OutputDevice();
  auto add = [&](const QString& caption, const TForm1::TDeviceChoice& choice) {
    TMenuItem* item = Add(parent, caption);
    item->SetChecked(choice.Name == chosen.Name);
    item->SetOnClick([this, input, choice](TComponent*) {
      if (input)
        FForm.SetInputDevice(choice);
      else
        FForm.SetOutputDevice(choice);
    });
    return item;
  };
  const std::vector<TWaveDeviceInfo> devices = WaveDeviceList(input ? TWaveDirection::Input : TWaveDirection::Output);
  QString defaultCaption = QStringLiteral("默认设备");
  for (const TWaveDeviceInfo& d : devices)
    if (d.Name == "default") defaultCaption += QStringLiteral("（%1）").arg(QString::fromStdString(d.Description));
  add(defaultCaption, {});
  bool listed = chosen.Name.isEmpty();
  for (const TWaveDeviceInfo& d : devices) {
    if (d.Name == "default") continue;
    const QString name = QString::fromStdString(d.Name), description = QString::fromStdString(d.Description);
    listed = listed || name == chosen.Name;
    add(description, {name, description});
  }
  if (!listed)
    add(QStringLiteral("%1（未连接）").arg(chosen.Description.isEmpty() ? chosen.Name : chosen.Description), chosen)
        ->SetEnabled(false);
}
