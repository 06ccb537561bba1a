#include "SUIRegister.h"

#include "Description.h"
#include "SUIButton.h"
#include "SUIForm.h"
#include "SUIPageControl.h"
#include "SUITabControl.h"
#include "SUITitleBar.h"

namespace {

// The events every skinned button publishes.
template <class T>
TClassRegistration<T>& ButtonEvents(TClassRegistration<T>& r) {
  return r.template Event<TNotifyEvent>("OnClick", &T::SetOnClick)
      .template Event<TMouseMoveEvent>("OnMouseMove", &T::SetOnMouseMove)
      .template Event<TMouseEvent>("OnMouseDown", &T::SetOnMouseDown)
      .template Event<TMouseEvent>("OnMouseUp", &T::SetOnMouseUp)
      .template Event<TKeyEvent>("OnKeyDown", &T::SetOnKeyDown)
      .template Event<TKeyEvent>("OnKeyUp", &T::SetOnKeyUp)
      .template Event<TKeyPressEvent>("OnKeyPress", &T::SetOnKeyPress)
      .template Event<TNotifyEvent>("OnEnter", &T::SetOnEnter)
      .template Event<TNotifyEvent>("OnExit", &T::SetOnExit);
}

template <class T>
void RegisterPushButton() {
  auto r = RegisterClass<T>();
  ButtonEvents(r)
      .template Event<TNotifyEvent>("OnMouseEnter", &T::SetOnMouseEnter)
      .template Event<TNotifyEvent>("OnMouseExit", &T::SetOnMouseExit)
      .template Event<TNotifyEvent>("OnMouseContinuouslyDown", &T::SetOnMouseContinuouslyDown);
}

template <class T>
void RegisterTwoStateButton() {
  auto r = RegisterClass<T>();
  ButtonEvents(r).template Event<TNotifyEvent>("OnDblClick", &T::SetOnDblClick);
}

template <class T>
void RegisterTabbed() {
  RegisterClass<T>()
      .template Event<TNotifyEvent>("OnClick", &T::SetOnClick)
      .template Event<TNotifyEvent>("OnDblClick", &T::SetOnDblClick)
      .template Event<TMouseMoveEvent>("OnMouseMove", &T::SetOnMouseMove)
      .template Event<TMouseEvent>("OnMouseDown", &T::SetOnMouseDown)
      .template Event<TMouseEvent>("OnMouseUp", &T::SetOnMouseUp)
      .template Event<TTabActiveNotify>("OnTabActive", &T::SetOnTabActive)
      .template Event<TNotifyEvent>("OnChange", &T::SetOnChange)
      .template Event<TTabChangingEvent>("OnChanging", &T::SetOnChanging);
}

}  // namespace

void RegisterSkinControls() {
  RegisterClass<TsuiForm>()
      .Event<TNotifyEvent>("OnClick", &TsuiForm::SetOnClick)
      .Event("OnTitleBarCustomBtnsClick", &TsuiForm::SetOnTitleBarCustomBtnsClick)
      .Event("OnTitleBarHelpBtnClick", &TsuiForm::SetOnTitleBarHelpBtnClick);
  RegisterClass<TsuiTitleBar>()
      .Event<TNotifyEvent>("OnClick", &TsuiTitleBar::SetOnClick)
      .Event("OnCustomBtnsClick", &TsuiTitleBar::SetOnCustomBtnsClick)
      .Event("OnHelpBtnClick", &TsuiTitleBar::SetOnHelpBtnClick);
  RegisterPushButton<TsuiButton>();
  RegisterPushButton<TsuiImageButton>();
  RegisterTwoStateButton<TsuiCheckBox>();
  RegisterTwoStateButton<TsuiRadioButton>();
  RegisterTabbed<TsuiTabControl>();
  RegisterTabbed<TsuiPageControl>();
  RegisterClass<TsuiTabSheet>();
}
