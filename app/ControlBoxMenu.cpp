#include "ControlBoxMenu.h"

#include "DeviceChoices.h"
#include "Menus.h"
#include "Places.h"
#include "SUIForm.h"
#include "SUIMainMenu.h"
#include "SUITitleBar.h"
#include "SkinChoice.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

TControlBoxMenu::TControlBoxMenu(TComponent* owner, TsuiForm& frame, TDeviceChoices& devices,
                                 TControlBoxActions actions)
    : FFrame(frame), FDevices(devices), FActions(std::move(actions)), FMenu(new TsuiPopupMenu(owner)) {
  FMenu->SetUIStyle(frame.UIStyle());
  FPause = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "暂停录制"));
  FPause->SetOnClick([this](TComponent*) { FActions.PauseOrResume(); });
  Add(FMenu->Items(), QStringLiteral("-"));
  FDeleteBefore = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "删除此处之前的部分"));
  FDeleteBefore->SetShortCut(QStringLiteral("Ctrl+Shift+Home"));
  FDeleteBefore->SetOnClick([this](TComponent*) { FActions.Cut(true); });
  FDeleteAfter = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "删除此处之后的部分"));
  FDeleteAfter->SetShortCut(QStringLiteral("Ctrl+Shift+End"));
  FDeleteAfter->SetOnClick([this](TComponent*) { FActions.Cut(false); });
  Add(FMenu->Items(), QStringLiteral("-"));
  FInput = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "输入设备"));
  FOutput = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "输出设备"));
  Add(FMenu->Items(), QStringLiteral("-"));
  FFolder = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "打开录音所在文件夹"));
  FFolder->SetOnClick([this](TComponent*) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(FActions.FileName()).absolutePath()));
  });
  FTakes = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "最近的录音"));
  FTakes->SetOnClick([](TComponent*) {
    // Opened even before the first take went there.
    QDir().mkpath(TakesFolder());
    QDesktopServices::openUrl(QUrl::fromLocalFile(TakesFolder()));
  });
  Add(FMenu->Items(), QStringLiteral("-"));
  FSkin = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "外观"));
  for (const TSkinOffer& offer : SkinOffers())
    Add(FSkin, offer.Caption)->SetOnClick([this, style = offer.Style](TComponent*) { ChooseSkin(style); });
  FAbout = Add(FMenu->Items(), QCoreApplication::translate("TControlBoxMenu", "关于"));
  FAbout->SetOnClick([](TComponent*) { QDesktopServices::openUrl(QUrl(HomePageAddress())); });
  FMenu->SetOnPopup([this](TComponent*) { Refresh(); });
  TsuiTitleBarButtons* buttons = frame.TitleBar()->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (buttons->Items(i)->ButtonType() == suiControlBox) buttons->Items(i)->SetControlBoxMenu(FMenu);
}

TMenuItem* TControlBoxMenu::Add(TMenuItem* parent, const QString& caption) {
  auto* item = new TMenuItem(FMenu);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

void TControlBoxMenu::Refresh() {
  FPause->SetCaption(FActions.Paused() ? QCoreApplication::translate("TControlBoxMenu", "继续录制")
                                       : QCoreApplication::translate("TControlBoxMenu", "暂停录制"));
  FPause->SetEnabled(FActions.Recording());
  const bool canCut = FActions.CanCut && FActions.CanCut();
  FDeleteBefore->SetEnabled(canCut);
  FDeleteAfter->SetEnabled(canCut);
  FillDevices(FInput, true);
  FillDevices(FOutput, false);
  const std::vector<TSkinOffer> offers = SkinOffers();
  for (int i = 0; i < FSkin->Count() && i < int(offers.size()); ++i)
    FSkin->Items(i)->SetChecked(offers[size_t(i)].Style == FFrame.UIStyle());
}

void TControlBoxMenu::ApplySkin(TsuiUIStyle style) {
  ::ApplySkin(FFrame.Form() ? static_cast<QWidget*>(FFrame.Form()) : FFrame.window(), style);
  FMenu->SetUIStyle(style);
}

void TControlBoxMenu::ChooseSkin(TsuiUIStyle style) {
  ApplySkin(style);
  StoreSkin(style);
}

void TControlBoxMenu::Popup() {
  TsuiTitleBar* bar = FFrame.TitleBar();
  const QPoint at = bar->mapToGlobal(QPoint(0, bar->height()));
  FMenu->Popup(at.x(), at.y());
  // Opened from the keyboard: Enter runs the first item that can run.
  QMenu* shown = FMenu->Menu();
  for (QAction* action : shown->actions())
    if (action->isVisible() && action->isEnabled() && !action->isSeparator()) {
      shown->setActiveAction(action);
      break;
    }
}

void TControlBoxMenu::FillDevices(TMenuItem* parent, bool input) {
  while (parent->Count() > 0) delete parent->Items(parent->Count() - 1);
  for (const TDeviceOffer& offer : FDevices.Offers(input)) {
    TMenuItem* item = Add(parent, offer.Caption);
    if (item->IsLine()) continue;
    item->SetChecked(offer.Checked);
    item->SetEnabled(offer.Enabled);
    item->SetOnClick([this, input, choice = offer.Choice](TComponent*) {
      if (input)
        FDevices.SetInput(choice);
      else
        FDevices.SetOutput(choice);
    });
  }
}
