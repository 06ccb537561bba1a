// The producer/consumer links of the deACM unit.
#include "deACMLinks.h"

#include <algorithm>

#include "ACMErrors.h"
#include "deAudioConsts.h"

namespace {
TComponent* RequiredController(TComponent* controller) {
  Assert(controller != nullptr, "deACM", "Controller");
  return controller;
}
}  // namespace

// ---- TdeAudioSubject ----

TdeAudioSubject::TdeAudioSubject(TComponent* controller, TdeWaveFormat* format)
    : TComponent(RequiredController(controller)), FFormat(format), FController(controller) {
  // The base has registered us with the controller; a throw here unwinds it again.
  Assert(format != nullptr, "deACM", "Format");
}

TdeAudioSubject::~TdeAudioSubject() = default;

void TdeAudioSubject::Attach(IdeAudioObserver* observer) {
  std::lock_guard lock(FLock);
  FObservers.push_back(observer);
}

void TdeAudioSubject::Detach(IdeAudioObserver* observer) {
  std::lock_guard lock(FLock);
  auto it = std::find(FObservers.begin(), FObservers.end(), observer);
  if (it != FObservers.end()) FObservers.erase(it);
}

TdeWaveFormat& TdeAudioSubject::GetFormat() { return *FFormat; }

int TdeAudioSubject::ObserverCount() const {
  std::lock_guard lock(FLock);
  return static_cast<int>(FObservers.size());
}

IdeAudioObserver* TdeAudioSubject::Observer(int index) const {
  std::lock_guard lock(FLock);
  return index >= 0 && index < static_cast<int>(FObservers.size()) ? FObservers[index] : nullptr;
}

void TdeAudioSubject::Notify(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize) {
  // The count is read again on every pass: observers may detach or attach
  // themselves (or others) while they handle the block.
  int i = 0;
  while (i < ObserverCount()) {
    IdeAudioObserver* current = Observer(i);
    try {
      current->Update(sender, audioData, audioDataSize);
    } catch (Exception& e) {
      bool raiseException = RaiseObserverErrors;
      // The observer that failed, even when it has already left the list.
      if (OnObserverError) OnObserverError(this, current, e, raiseException);
      if (raiseException) throw;
    }
    // One that removed itself leaves its place to the next, which must not be skipped.
    if (Observer(i) == current) ++i;
  }
}

void* TdeAudioSubject::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioSubject::IID) return static_cast<IdeAudioSubject*>(this);
  return FController->QueryInterface(iid);
}

// ---- TdeAudioObserver ----

TdeAudioObserver::TdeAudioObserver(TComponent* controller)
    : TComponent(RequiredController(controller)), FController(controller) {}

TdeAudioObserver::~TdeAudioObserver() { SetAudioSource(nullptr); }

void TdeAudioObserver::SetAudioSource(TComponent* value) {
  if (value == FController) throw EACMError(SComponentCannotObserveItself);
  IdeAudioSubject* subject = value ? value->GetInterface<IdeAudioSubject>() : nullptr;
  if (value && !subject) throw EACMError(SNotAnAudioSubject);
  // A source being destroyed no longer answers the query, so its list is left alone.
  if (FAudioSource)
    if (auto* old = FAudioSource->GetInterface<IdeAudioSubject>()) old->Detach(this);
  FAudioSource = value;
  if (value) {
    FreeNotification(value);
    subject->Attach(this);
  }
}

void TdeAudioObserver::Update(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize) {
  if (OnAudioData) OnAudioData(sender, audioData, audioDataSize);
}

void TdeAudioObserver::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component && component == FAudioSource) SetAudioSource(nullptr);
}

void* TdeAudioObserver::QueryInterface(const TGUID& iid) {
  if (iid == IdeAudioObserver::IID) return static_cast<IdeAudioObserver*>(this);
  return FController->QueryInterface(iid);
}

void* QueryAudioRole(const TGUID& iid, TdeAudioSubject* subject, TdeAudioObserver* observer) {
  if (iid == IdeAudioSubject::IID) return subject ? subject->QueryInterface(iid) : nullptr;
  if (iid == IdeAudioObserver::IID) return observer ? observer->QueryInterface(iid) : nullptr;
  return nullptr;
}
