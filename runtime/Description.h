#pragma once
// The window description: a form and its components as JSON, read when the
// form is created and written back by WriteDescription.
// This header is the one to include: it holds the class registry and brings
// in the reader (DescriptionReader.h) and the writer (DescriptionWriter.h);
// the property values both share are in DescriptionValues.h.
//
//   {"Class": "TForm1", "Name": "Form1",
//    "Properties": {"Caption": "...", "Font": {"Height": -12}, "OnCreate": "FormCreate"},
//    "Children": [{"Class": "TTimer", "Name": "tmStatusBar", "Properties": {"Enabled": false}}]}
//
// One object per component in description order (that is creation order);
// "Children" of a control are placed inside it (in ClientParent() when the
// component gives one), non-visual components sit under the form. Every
// component is owned by the form.
//
// Making a component loadable
// ---------------------------
// * Register its class once before a description naming it is read (the
//   form's constructor is the usual place; registering again is harmless):
//       RegisterClass<TdeAudioIn>().Event("OnData", &TdeAudioIn::SetOnData);
//   The class must be constructible from (TComponent* owner) and derive
//   from QObject (or a widget) and TComponent.
// * Published properties are Q_PROPERTYs whose name begins with a capital
//   letter and that are STORED (the default). Properties are applied in
//   declaration order, base class first; a class that declares a base
//   property again moves it to that place (a colour after the style that
//   sets it). Anything that depends on several of them belongs in Loaded().
//   Supported types and their JSON:
//     int, unsigned, qint64, double, bool      number / true, false
//     QString, QStringList                     string / array of strings
//     QByteArray                               hex string
//     an enum declared with Q_ENUM / Q_ENUM_NS identifier string, "psSolid"
//     a set declared with Q_FLAG / Q_FLAG_NS   array of identifiers, ["fsBold"]
//     TColor                                   identifier "clBtnFace" or a number 0x00BBGGRR
//     TPersistent subclass pointer (READ only) nested object: "Font": {"Height": -12}
//     TCollection pointer (READ only)          array of item objects
//     TComponent* or a pointer to a component  the component's Name; resolved after
//       class (reference)                      all components exist, then Loaded runs
// * Storage defaults: Q_CLASSINFO("Default:Interval", "1000") (same syntax
//   as the JSON value but as text: "clWindow", "psSolid", "fsBold|fsItalic",
//   "" for the empty set). A value equal to its default is not written; a
//   property without one is always written, except an empty string, list
//   or set. Reading leaves unlisted properties at the constructor's value.
//   Q_CLASSINFO("Stored:Color", "IsColorStored") names a Q_INVOKABLE
//   bool method that decides per object (Color only without ParentColor).
// * Controls (widgets) also get Left, Top, Width and Height, always written,
//   unless they declare their own Q_PROPERTYs of those names.
// * Binary properties: override DefineProperties(TFiler&) (TPersistent or
//   TComponent) and call filer.DefineBinaryProperty("FormatBuffer", read,
//   write, hasData); stored as hex text under that name, written only when
//   hasData is true.
// * Events: members with a setter taking a std::function, registered with
//   .Event("OnTimer", &TTimer::SetOnTimer). The description names a handler
//   of the form ("OnTimer": "tmStatusBarTimer"); the form registers its
//   handlers with RegisterHandlers<TForm1>().Handler("tmStatusBarTimer",
//   &TForm1::tmStatusBarTimer). The handler's parameters must be exactly
//   those of the event's std::function.
//
// Reading fails with EDescriptionError naming the entry, such as
// "Error reading Form1.btnRecord.Font.Height: Invalid property value." for a
// malformed text, an unknown class, property or handler, a bad value, a
// setter's own error or an unresolved reference.
#include "Classes.h"
#include "DescriptionReader.h"
#include "DescriptionWriter.h"
#include "Exceptions.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <any>
#include <functional>
#include <type_traits>
#include <typeindex>

TAMSEL_DECLARE_EXCEPTION(EDescriptionError, Exception);

namespace DescriptionDetail {
using TFactory = std::function<TComponent*(TComponent* owner)>;
using TEventSetter = std::function<void(QObject* object, const std::any& handler)>;
using THandlerMaker = std::function<std::any(TComponent* form)>;
void AddClass(const QMetaObject& meta, TFactory factory);
void AddEvent(const QMetaObject& meta, const char* name, std::type_index type, TEventSetter setter);
void AddHandler(const QMetaObject& meta, const char* name, std::type_index type, THandlerMaker maker);

// A registered event (Setter) or form handler (Maker) with its std::function type.
struct TTyped {
  std::type_index Type;
  TEventSetter Setter;
  THandlerMaker Maker;
};
// The factory of a registered class, nullptr when there is none.
const TFactory* FindFactory(const QByteArray& className);
// The event (or, with handler, the form's handler) of that name, looked up in
// the class and its ancestors.
const TTyped* FindTyped(const QMetaObject* meta, const QByteArray& name, bool handler);
}  // namespace DescriptionDetail

template <class T>
class TClassRegistration {
 public:
  TClassRegistration() {
    DescriptionDetail::AddClass(T::staticMetaObject, [](TComponent* owner) -> TComponent* { return new T(owner); });
  }
  // Publishes an event: setter is a member taking the event's std::function.
  // The setter may be the class's own or one it inherits; an inherited one is
  // called on its own base, so a base that is not the first one gets the right
  // address without converting the member pointer.
  template <class Arg, class Base>
  requires std::is_base_of_v<Base, T> TClassRegistration& Event(const char* name, void (Base::*setter)(Arg)) {
    using E = std::decay_t<Arg>;
    DescriptionDetail::AddEvent(T::staticMetaObject, name, typeid(E), [setter](QObject* o, const std::any& h) {
      Base* target = qobject_cast<T*>(o);
      (target->*setter)(std::any_cast<const E&>(h));
    });
    return *this;
  }
};
template <class T>
TClassRegistration<T> RegisterClass() {
  return {};
}

template <class Form>
class THandlerRegistration {
 public:
  template <class... Args>
  THandlerRegistration& Handler(const char* name, void (Form::*method)(Args...)) {
    using E = std::function<void(Args...)>;
    DescriptionDetail::AddHandler(Form::staticMetaObject, name, typeid(E), [method](TComponent* form) {
      Form* f = dynamic_cast<Form*>(form);
      return std::any(E([f, method](Args... args) { (f->*method)(std::forward<Args>(args)...); }));
    });
    return *this;
  }
};
template <class Form>
THandlerRegistration<Form> RegisterHandlers() {
  return {};
}

// The component of root called name, of class T; raises EDescriptionError
// naming both when it is missing or of another class. Forms bind their
// fields with it after ReadDescription.
TComponent* FindComponentChecked(TComponent* root, const QString& name, const QMetaObject& meta);
template <class T>
T* FindComponentAs(TComponent* root, const QString& name) {
  return dynamic_cast<T*>(FindComponentChecked(root, name, T::staticMetaObject));
}
