#include "SUIRegister.h"

#include "Description.h"
#include "SUIButton.h"
#include "SUIForm.h"
#include "SUITitleBar.h"

void RegisterSkinControls() {
  RegisterClass<TsuiForm>()
      .Event<TNotifyEvent>("OnClick", &TsuiForm::SetOnClick)
      .Event("OnTitleBarCustomBtnsClick", &TsuiForm::SetOnTitleBarCustomBtnsClick)
      .Event("OnTitleBarHelpBtnClick", &TsuiForm::SetOnTitleBarHelpBtnClick);
  RegisterClass<TsuiTitleBar>()
      .Event<TNotifyEvent>("OnClick", &TsuiTitleBar::SetOnClick)
      .Event("OnCustomBtnsClick", &TsuiTitleBar::SetOnCustomBtnsClick)
      .Event("OnHelpBtnClick", &TsuiTitleBar::SetOnHelpBtnClick);
  RegisterClass<TsuiButton>().Event<TNotifyEvent>("OnClick", &TsuiButton::SetOnClick);
}
