#include "Classes.h"
#include "Exceptions.h"

#include <algorithm>

void TPersistent::Assign(TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  const QString from = source ? QString::fromLatin1(source->metaObject()->className()) : QStringLiteral("nil");
  throw EConvertError(
      QStringLiteral("Cannot assign a %1 to a %2.").arg(from, QString::fromLatin1(metaObject()->className())));
}

void TPersistent::DefineProperties(TFiler&) {}

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  // Tell everyone registered with us, then free what we own, newest first.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  while (!FComponents.empty()) {
    TComponent* child = FComponents.back();
    delete child;  // removes itself from FComponents
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const QString& name) const {
  if (name.isEmpty()) return nullptr;
  for (TComponent* c : FComponents)
    if (c->FName.compare(name, Qt::CaseInsensitive) == 0) return c;
  return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(component);
    component->FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component), FFreeNotifies.end());
  auto& theirs = component->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Owned components hear about their siblings, as links between them need.
  for (size_t i = 0; i < FComponents.size(); ++i) FComponents[i]->Notification(component, operation);
}

void TComponent::Loaded() { FLoading = false; }

void TComponent::DefineProperties(TFiler&) {}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  for (int i = 0; i < FCollection->Count(); ++i)
    if (FCollection->Items(i) == this) return i;
  return -1;
}

TCollectionItem* TCollection::Add() {
  FItems.push_back(FFactory(this));
  TCollectionItem* item = FItems.back().get();
  Update();
  return item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Update();
}

void TCollection::Delete(int index) {
  FItems.erase(FItems.begin() + index);
  Update();
}

void TCollection::Assign(TPersistent* source) {
  auto* other = qobject_cast<TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  FItems.clear();
  for (int i = 0; i < other->Count(); ++i) {
    FItems.push_back(FFactory(this));
    FItems.back()->Assign(other->Items(i));
  }
  Update();
}

void TCollection::Update() {
  if (OnUpdate) OnUpdate(this);
}

void* TComponent::QueryInterface(const TGUID&) { return nullptr; }

QString TComponent::ClassName() const {
  if (auto* o = dynamic_cast<const QObject*>(this)) return QString::fromLatin1(o->metaObject()->className());
  return QStringLiteral("TComponent");
}

void TComponent::InsertComponent(TComponent* component) { FComponents.push_back(component); }

void TComponent::RemoveComponent(TComponent* component) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), component), FComponents.end());
  Notification(component, opRemove);
}
