#include "SUIRegister.h"

#include "Description.h"
#include "SUIButton.h"
#include "SUIForm.h"

void RegisterSkinControls() {
  RegisterClass<TsuiForm>();
  RegisterClass<TsuiButton>().Event<TNotifyEvent>("OnClick", &TsuiButton::SetOnClick);
}
