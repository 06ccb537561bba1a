#include "Description.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Timers.h"

#include <map>

using namespace DescriptionDetail;

namespace {

struct TClassEntry {
  TFactory Factory;
  std::map<QByteArray, TTyped> Events;
  std::map<QByteArray, TTyped> Handlers;
};

std::map<QByteArray, TClassEntry>& Registry() {
  static std::map<QByteArray, TClassEntry> registry;
  return registry;
}

// The runtime's own components, with every event they publish.
void RegisterRuntimeClasses() {
  static const bool done = [] {
    RegisterClass<TTimer>().Event("OnTimer", &TTimer::SetOnTimer);
    RegisterClass<TImageList>();
    RegisterClass<TForm>().Event("OnCreate", &TForm::SetOnCreate).Event("OnClose", &TForm::SetOnClose);
    RegisterClass<TLabel>().Event("OnClick", &TControl::SetOnClick);
    RegisterClass<TButton>().Event("OnClick", &TControl::SetOnClick);
    RegisterClass<TPanel>();
    RegisterClass<TListBox>();
    RegisterClass<TStatusBar>();
    RegisterClass<TProgressBar>();
    RegisterClass<TSaveDialog>();
    RegisterClass<TMenuItem>().Event("OnClick", &TMenuItem::SetOnClick);
    RegisterClass<TMainMenu>();
    RegisterClass<TPopupMenu>().Event("OnPopup", &TPopupMenu::SetOnPopup);
    return true;
  }();
  (void)done;
}

}  // namespace

namespace DescriptionDetail {

const TFactory* FindFactory(const QByteArray& className) {
  RegisterRuntimeClasses();
  auto it = Registry().find(className);
  return it == Registry().end() || !it->second.Factory ? nullptr : &it->second.Factory;
}

const TTyped* FindTyped(const QMetaObject* meta, const QByteArray& name, bool handler) {
  RegisterRuntimeClasses();
  for (; meta; meta = meta->superClass()) {
    auto cls = Registry().find(meta->className());
    if (cls == Registry().end()) continue;
    auto& table = handler ? cls->second.Handlers : cls->second.Events;
    auto it = table.find(name);
    if (it != table.end()) return &it->second;
  }
  return nullptr;
}

void AddClass(const QMetaObject& meta, TFactory factory) { Registry()[meta.className()].Factory = std::move(factory); }
void AddEvent(const QMetaObject& meta, const char* name, std::type_index type, TEventSetter setter) {
  Registry()[meta.className()].Events.insert_or_assign(QByteArray(name), TTyped{type, std::move(setter), {}});
}
void AddHandler(const QMetaObject& meta, const char* name, std::type_index type, THandlerMaker maker) {
  Registry()[meta.className()].Handlers.insert_or_assign(QByteArray(name), TTyped{type, {}, std::move(maker)});
}

}  // namespace DescriptionDetail

TComponent* FindComponentChecked(TComponent* root, const QString& name, const QMetaObject& meta) {
  TComponent* c = root ? root->FindComponent(name) : nullptr;
  QObject* o = c ? c->Object() : nullptr;
  if (!o || !o->metaObject()->inherits(&meta))
    throw EDescriptionError(
        QStringLiteral("%1 has no component %2 of class %3.")
            .arg(root ? root->Name() : QStringLiteral("(none)"), name, QString::fromLatin1(meta.className())));
  return c;
}
