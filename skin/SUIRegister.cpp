#include "SUIRegister.h"

#include "Description.h"
#include "SUIButton.h"
#include "SUICheckBox.h"
#include "SUICheckListBox.h"
#include "SUIColorBox.h"
#include "SUIComboBox.h"
#include "SUIEdit.h"
#include "SUIFontComboBox.h"
#include "SUIForm.h"
#include "SUIGrid.h"
#include "SUIGroupBox.h"
#include "SUIImagePanel.h"
#include "SUIListBox.h"
#include "SUIListView.h"
#include "SUIMainMenu.h"
#include "SUIMemo.h"
#include "SUIPageControl.h"
#include "SUIProgressBar.h"
#include "SUIRadioGroup.h"
#include "SUIScrollBar.h"
#include "SUISideChannel.h"
#include "SUITabControl.h"
#include "SUITitleBar.h"
#include "SUIToolBar.h"
#include "SUITrackBar.h"
#include "SUITreeView.h"

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

// The button events and the double click: two-state buttons and the bordered edits and lists.
template <class T>
TClassRegistration<T>& DblClickEvents(TClassRegistration<T>& r) {
  return ButtonEvents(r).template Event<TNotifyEvent>("OnDblClick", &T::SetOnDblClick);
}

template <class T>
void RegisterTwoStateButton() {
  auto r = RegisterClass<T>();
  DblClickEvents(r);
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

template <class T>
void RegisterCombo() {
  RegisterClass<T>()
      .template Event<TNotifyEvent>("OnChange", &T::SetOnChange)
      .template Event<TNotifyEvent>("OnSelect", &T::SetOnSelect)
      .template Event<TNotifyEvent>("OnDropDown", &T::SetOnDropDown)
      .template Event<TNotifyEvent>("OnCloseUp", &T::SetOnCloseUp)
      .template Event<TMouseEvent>("OnMouseDown", &T::SetOnMouseDown)
      .template Event<TMouseEvent>("OnMouseUp", &T::SetOnMouseUp)
      .template Event<TKeyEvent>("OnKeyDown", &T::SetOnKeyDown)
      .template Event<TKeyEvent>("OnKeyUp", &T::SetOnKeyUp)
      .template Event<TNotifyEvent>("OnEnter", &T::SetOnEnter)
      .template Event<TNotifyEvent>("OnExit", &T::SetOnExit);
}

// The mouse and focus events of the panels, the groups and the bars.
template <class T>
TClassRegistration<T>& PanelEvents(TClassRegistration<T>& r) {
  return r.template Event<TNotifyEvent>("OnClick", &T::SetOnClick)
      .template Event<TNotifyEvent>("OnDblClick", &T::SetOnDblClick)
      .template Event<TMouseMoveEvent>("OnMouseMove", &T::SetOnMouseMove)
      .template Event<TMouseEvent>("OnMouseDown", &T::SetOnMouseDown)
      .template Event<TMouseEvent>("OnMouseUp", &T::SetOnMouseUp)
      .template Event<TNotifyEvent>("OnEnter", &T::SetOnEnter)
      .template Event<TNotifyEvent>("OnExit", &T::SetOnExit);
}

template <class T>
void RegisterGrid() {
  RegisterClass<T>()
      .template Event<TNotifyEvent>("OnClick", &T::SetOnClick)
      .template Event<TNotifyEvent>("OnDblClick", &T::SetOnDblClick)
      .template Event<TDrawCellEvent>("OnDrawCell", &T::SetOnDrawCell)
      .template Event<TSelectCellEvent>("OnSelectCell", &T::SetOnSelectCell)
      .template Event<TMouseEvent>("OnMouseDown", &T::SetOnMouseDown)
      .template Event<TMouseEvent>("OnMouseUp", &T::SetOnMouseUp)
      .template Event<TKeyEvent>("OnKeyDown", &T::SetOnKeyDown)
      .template Event<TNotifyEvent>("OnEnter", &T::SetOnEnter)
      .template Event<TNotifyEvent>("OnExit", &T::SetOnExit);
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
  RegisterClass<TsuiMainMenu>();
  RegisterClass<TsuiPopupMenu>().Event<TNotifyEvent>("OnPopup", &TsuiPopupMenu::SetOnPopup);
  RegisterClass<TsuiToolBar>().Event<TNotifyEvent>("OnClick", &TsuiToolBar::SetOnClick);
  RegisterClass<TsuiSideChannel>()
      .Event<TNotifyEvent>("OnPop", &TsuiSideChannel::SetOnPop)
      .Event<TNotifyEvent>("OnPush", &TsuiSideChannel::SetOnPush)
      .Event<TNotifyEvent>("OnResize", &TsuiSideChannel::SetOnResize)
      .Event<TCanResizeEvent>("OnCanResize", &TsuiSideChannel::SetOnCanResize);
  RegisterClass<TToolButton>().Event("OnClick", &TToolButton::SetOnClick);
  RegisterPushButton<TsuiButton>();
  RegisterPushButton<TsuiImageButton>();
  RegisterTwoStateButton<TsuiCheckBox>();
  RegisterTwoStateButton<TsuiRadioButton>();
  RegisterTabbed<TsuiTabControl>();
  RegisterTabbed<TsuiPageControl>();
  RegisterClass<TsuiTabSheet>();
  RegisterClass<TsuiProgressBar>()
      .Event<TNotifyEvent>("OnClick", &TsuiProgressBar::SetOnClick)
      .Event<TMouseEvent>("OnMouseDown", &TsuiProgressBar::SetOnMouseDown)
      .Event<TMouseMoveEvent>("OnMouseMove", &TsuiProgressBar::SetOnMouseMove)
      .Event<TMouseEvent>("OnMouseUp", &TsuiProgressBar::SetOnMouseUp);
  {
    auto r = RegisterClass<TsuiEdit>();
    DblClickEvents(r).Event("OnChange", &TsuiEdit::SetOnChange);
  }
  {
    auto r = RegisterClass<TsuiMemo>();
    DblClickEvents(r).Event("OnChange", &TsuiMemo::SetOnChange);
  }
  {
    auto r = RegisterClass<TsuiListBox>();
    DblClickEvents(r);
  }
  {
    auto r = RegisterClass<TsuiCheckListBox>();
    DblClickEvents(r).Event("OnClickCheck", &TsuiCheckListBox::SetOnClickCheck);
  }
  {
    auto r = RegisterClass<TsuiListView>();
    DblClickEvents(r).Event("OnChange", &TsuiListView::SetOnChange);
  }
  {
    auto r = RegisterClass<TsuiTreeView>();
    DblClickEvents(r).Event("OnChange", &TsuiTreeView::SetOnChange);
  }
  RegisterCombo<TsuiComboBox>();
  RegisterCombo<TsuiColorBox>();
  RegisterCombo<TsuiFontComboBox>();
  RegisterCombo<TsuiFontSizeComboBox>();
  {
    auto r = RegisterClass<TsuiImagePanel>();
    PanelEvents(r);
  }
  {
    auto r = RegisterClass<TsuiGroupBox>();
    PanelEvents(r);
  }
  RegisterClass<TsuiCheckGroup>()
      .Event<TNotifyEvent>("OnClick", &TsuiCheckGroup::SetOnClick)
      .Event<TNotifyEvent>("OnEnter", &TsuiCheckGroup::SetOnEnter)
      .Event<TNotifyEvent>("OnExit", &TsuiCheckGroup::SetOnExit);
  {
    auto r = RegisterClass<TsuiTrackBar>();
    PanelEvents(r)
        .Event<TNotifyEvent>("OnChange", &TsuiTrackBar::SetOnChange)
        .Event<TKeyEvent>("OnKeyDown", &TsuiTrackBar::SetOnKeyDown)
        .Event<TKeyEvent>("OnKeyUp", &TsuiTrackBar::SetOnKeyUp);
  }
  {
    auto r = RegisterClass<TsuiScrollBar>();
    PanelEvents(r).Event<TNotifyEvent>("OnChange", &TsuiScrollBar::SetOnChange);
  }
  RegisterGrid<TsuiDrawGrid>();
  RegisterGrid<TsuiStringGrid>();
}
