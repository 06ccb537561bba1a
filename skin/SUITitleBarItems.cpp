#include "SUITitleBarItems.h"

#include "Dialogs.h"
#include "SUIPublic.h"

namespace {
IsuiTitleBarHost* BarOf(TCollection* collection) {
  if (auto* s = qobject_cast<TsuiTitleBarSections*>(collection)) return s->TitleBar();
  if (auto* b = qobject_cast<TsuiTitleBarButtons*>(collection)) return b->TitleBar();
  return nullptr;
}

// What only one item may have: true, after the error message, when an item
// of collection (the asking one included) already has it.
template <class Item, class Has>
bool Refused(TCollection* collection, Has has, const QString& message) {
  if (!collection) return false;
  for (int i = 0; i < collection->Count(); ++i) {
    if (has(*collection->ItemAs<Item>(i))) {
      ShowError(message);
      return true;
    }
  }
  return false;
}
}  // namespace

// ---- sections ----

TsuiTitleBarSection::TsuiTitleBarSection(TCollection* collection)
    : TCollectionItem(collection), FPicture(std::make_unique<TBitmap>()) {
  FPicture->SetOnChange([this](TGraphicsObject*) { PictureChanged(); });
}

TsuiTitleBarSection::~TsuiTitleBarSection() = default;

void TsuiTitleBarSection::Changed() {
  if (IsuiTitleBarHost* bar = BarOf(Collection())) bar->ItemsChanged();
}

void TsuiTitleBarSection::PictureChanged() {
  if (FAutoSize && !FPicture->Empty()) FWidth = FPicture->Width();
  Changed();
}

void TsuiTitleBarSection::SetAutoSize(bool value) {
  FAutoSize = value;
  if (!FPicture->Empty()) FWidth = FPicture->Width();
  Changed();
}

void TsuiTitleBarSection::SetWidth(int value) {
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}

void TsuiTitleBarSection::SetAlign(TsuiTitleBarAlign value) {
  if (value == suiClient && Refused<TsuiTitleBarSection>(
                                Collection(), [](const auto& s) { return s.Align() == suiClient; },
                                QStringLiteral("Sorry, only one section's Align property can be \"suiClient\"")))
    return;
  if (value == suiClient) FStretch = true;
  FAlign = value;
  Changed();
}

void TsuiTitleBarSection::SetPicture(const TBitmap* value) {
  if (value)
    FPicture->Assign(const_cast<TBitmap*>(value));
  else
    FPicture->Clear();
}

void TsuiTitleBarSection::SetStretch(bool value) {
  value = value || FAlign == suiClient;
  if (value == FStretch) return;
  FStretch = value;
  Changed();
}

void TsuiTitleBarSection::Assign(TPersistent* source) {
  auto* other = qobject_cast<TsuiTitleBarSection*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  SetWidth(other->Width());
  SetAlign(other->Align());
  SetPicture(other->Picture());
  SetStretch(other->Stretch());
  SetAutoSize(other->AutoSize());
}

// ---- buttons ----

TsuiTitleBarButton::TsuiTitleBarButton(TCollection* collection)
    : TCollectionItem(collection),
      FPicNormal(std::make_unique<TBitmap>()),
      FPicMouseOn(std::make_unique<TBitmap>()),
      FPicMouseDown(std::make_unique<TBitmap>()) {
  for (TBitmap* picture : {FPicNormal.get(), FPicMouseOn.get(), FPicMouseDown.get()})
    picture->SetOnChange([this](TGraphicsObject*) { Changed(); });
}

TsuiTitleBarButton::~TsuiTitleBarButton() = default;

void TsuiTitleBarButton::Changed() {
  if (IsuiTitleBarHost* bar = BarOf(Collection())) bar->ItemsChanged();
}

void TsuiTitleBarButton::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  ApplyUIStyle();
}

void TsuiTitleBarButton::LoadPictures(TThemeEntryIndex normal, TThemeEntryIndex mouseOn, TThemeEntryIndex mouseDown) {
  LoadSkinBitmap(*FPicNormal, 0, GetThemeString(FUIStyle, normal));
  LoadSkinBitmap(*FPicMouseOn, 0, GetThemeString(FUIStyle, mouseOn));
  LoadSkinBitmap(*FPicMouseDown, 0, GetThemeString(FUIStyle, mouseDown));
}

void TsuiTitleBarButton::ApplyUIStyle() {
  if (FUIStyle == Custom) return;
  SetTransparent(GetThemeBool(FUIStyle, teTitleButtonTransparent));
  switch (FButtonType) {
    case suiCustom: return;
    case suiMin: LoadPictures(teTitleMinNormal, teTitleMinMouseOn, teTitleMinMouseDown); break;
    case suiClose: LoadPictures(teTitleCloseNormal, teTitleCloseMouseOn, teTitleCloseMouseDown); break;
    case suiHelp: LoadPictures(teTitleHelpNormal, teTitleHelpMouseOn, teTitleHelpMouseDown); break;
    case suiControlBox:
      LoadPictures(teTitleControlBoxNormal, teTitleControlBoxMouseOn, teTitleControlBoxMouseDown);
      break;
    case suiMax: break;
  }
  SetTop(GetThemeInt(FUIStyle, teTitleButtonTop));
  if (FButtonType == suiMax) {
    const IsuiTitleBarHost* bar = BarOf(Collection());
    FShowsRestore = !(bar && bar->WindowMaximized());
    UpdateMaximizePictures(!FShowsRestore);
  }
}

void TsuiTitleBarButton::UpdateMaximizePictures(bool maximized) {
  if (FButtonType != suiMax || FUIStyle == Custom || (maximized == FShowsRestore && !FPicNormal->Empty())) return;
  FShowsRestore = maximized;
  if (maximized)
    LoadPictures(teTitleRestoreNormal, teTitleRestoreMouseOn, teTitleRestoreMouseDown);
  else
    LoadPictures(teTitleMaxNormal, teTitleMaxMouseOn, teTitleMaxMouseDown);
}

void TsuiTitleBarButton::SetButtonType(TsuiTitleBarBtnType value) {
  if (value == suiControlBox &&
      Refused<TsuiTitleBarButton>(
          Collection(), [](const auto& b) { return b.ButtonType() == suiControlBox; },
          QStringLiteral("Sorry, only one button's ButtonType property can be \"suiControlBox\"")))
    return;
  FButtonType = value;
  ApplyUIStyle();
  Changed();
}

void TsuiTitleBarButton::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

void TsuiTitleBarButton::SetTop(int value) {
  if (value == FTop) return;
  FTop = value;
  Changed();
}

void TsuiTitleBarButton::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed();
}

void TsuiTitleBarButton::Assign(TPersistent* source) {
  auto* other = qobject_cast<TsuiTitleBarButton*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  SetVisible(other->Visible());
  SetButtonType(other->ButtonType());
  SetTransparent(other->Transparent());
  SetTop(other->Top());
  SetUIStyle(other->UIStyle());
  FPicNormal->Assign(other->PicNormal());
  FPicMouseOn->Assign(other->PicMouseOn());
  FPicMouseDown->Assign(other->PicMouseDown());
  SetControlBoxMenu(other->ControlBoxMenu());
}

void TsuiTitleBarButton::SetControlBoxMenu(TPopupMenu* value) {
  if (value == FControlBoxMenu) return;
  FControlBoxMenu = value;
  Changed();
}

TsuiTitleBarSections::TsuiTitleBarSections(IsuiTitleBarHost* bar)
    : TCollection(ItemsOf<TsuiTitleBarSection>()), FBar(bar) {
  OnUpdate = [this](TCollection*) { FBar->ItemsChanged(); };
}

TsuiTitleBarButtons::TsuiTitleBarButtons(IsuiTitleBarHost* bar)
    : TCollection(ItemsOf<TsuiTitleBarButton>()), FBar(bar) {
  OnUpdate = [this](TCollection*) { FBar->ItemsChanged(); };
}
