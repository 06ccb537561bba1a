#include "Description.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "Timers.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

using namespace DescriptionDetail;

namespace {

// ---- registration ----

struct TTyped {
  std::type_index Type;
  TEventSetter Setter;
  THandlerMaker Maker;
};

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

const TClassEntry* FindClass(const QByteArray& name) {
  RegisterRuntimeClasses();
  auto it = Registry().find(name);
  return it == Registry().end() || !it->second.Factory ? nullptr : &it->second;
}

// Looks in the class and its ancestors.
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

constexpr const char* kEventTag = "tamsel.event.";

// ---- values ----

// A component's Name is its entry's own key, not one of its properties. A
// class may publish a property again to give it its own place in the order
// and its own accessors; the ancestor's one of that name is then skipped.
bool IsPublished(const QMetaObject* meta, int index, bool component) {
  const QMetaProperty p = meta->property(index);
  const char* n = p.name();
  return n[0] >= 'A' && n[0] <= 'Z' && p.isStored() && !(component && qstrcmp(n, "Name") == 0) &&
         meta->indexOfProperty(n) == index;
}

// Q_CLASSINFO("Stored:Color", "IsColorStored") names a Q_INVOKABLE bool
// method deciding per object whether the property is written.
bool IsStoredNow(QObject* obj, const QMetaProperty& p) {
  const QMetaObject* meta = obj->metaObject();
  const int i = meta->indexOfClassInfo((QByteArray("Stored:") + p.name()).constData());
  if (i < 0) return true;
  bool stored = true;
  if (!QMetaObject::invokeMethod(obj, meta->classInfo(i).value(), Qt::DirectConnection, Q_RETURN_ARG(bool, stored)))
    qWarning("%s: stored function %s missing", meta->className(), meta->classInfo(i).value());
  return stored;
}

bool IsColor(const QMetaProperty& p) { return p.metaType() == QMetaType::fromType<TColor>(); }

const QMetaObject* PointeeMeta(const QMetaProperty& p) {
  return (p.metaType().flags() & QMetaType::PointerToQObject) ? p.metaType().metaObject() : nullptr;
}

bool IsReference(const QMetaProperty& p) {
  if (p.metaType() == QMetaType::fromType<TComponent*>()) return true;
  const QMetaObject* m = PointeeMeta(p);
  return m && !m->inherits(&TPersistent::staticMetaObject);
}

bool IsNested(const QMetaProperty& p) {
  const QMetaObject* m = PointeeMeta(p);
  return m && m->inherits(&TPersistent::staticMetaObject);
}

bool IsCollection(const QMetaProperty& p) {
  const QMetaObject* m = PointeeMeta(p);
  return m && m->inherits(&TCollection::staticMetaObject);
}

qint64 EnumBits(const QVariant& v) {
  switch (v.metaType().sizeOf()) {
    case 1: return *static_cast<const qint8*>(v.constData());
    case 2: return *static_cast<const qint16*>(v.constData());
    case 8: return *static_cast<const qint64*>(v.constData());
    default: return *static_cast<const qint32*>(v.constData());
  }
}

QVariant EnumVariant(QMetaType type, qint64 value) {
  const qint8 b = qint8(value);
  const qint16 h = qint16(value);
  const qint32 w = qint32(value);
  switch (type.sizeOf()) {
    case 1: return QVariant(type, &b);
    case 2: return QVariant(type, &h);
    case 8: return QVariant(type, &value);
    default: return QVariant(type, &w);
  }
}

QJsonValue FlagsToJson(const QMetaEnum& e, qint64 bits) {
  QJsonArray a;
  for (int i = 0; i < e.keyCount(); ++i) {
    const qint64 v = e.value(i);
    if (v != 0 && (v & (v - 1)) == 0 && (bits & v)) a.append(QString::fromLatin1(e.key(i)));
  }
  return a;
}

bool IsHex(const QString& s) {
  if (s.size() % 2) return false;
  for (QChar c : s)
    if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))) return false;
  return true;
}

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

// A plain value (not nested, not a reference) as JSON.
QJsonValue VariantToJson(const QMetaProperty& p, const QVariant& v) {
  if (IsColor(p)) {
    const TColor c = v.value<TColor>();
    const QString ident = ColorToIdent(c);
    return ident.isEmpty() ? QJsonValue(double(c.Value)) : QJsonValue(ident);
  }
  if (p.isEnumType()) {
    const QMetaEnum e = p.enumerator();
    const qint64 bits = EnumBits(v);
    if (p.isFlagType()) return FlagsToJson(e, bits);
    const char* key = e.valueToKey(int(bits));
    return key ? QJsonValue(QString::fromLatin1(key)) : QJsonValue(double(bits));
  }
  switch (p.metaType().id()) {
    case QMetaType::Bool: return v.toBool();
    case QMetaType::QString: return v.toString();
    case QMetaType::QStringList: return QJsonArray::fromStringList(v.toStringList());
    case QMetaType::QByteArray: return Hex(v.toByteArray());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: return v.toDouble();
    default: return QJsonValue::fromVariant(v);
  }
}

// Parses a JSON value for property p; on failure returns nothing and sets error.
std::optional<QVariant> JsonToVariant(const QMetaProperty& p, const QJsonValue& j, QString& error) {
  error = QStringLiteral("Invalid property value.");
  const QMetaType type = p.metaType();
  if (IsColor(p)) {
    TColor c;
    if (j.isDouble() && j.toDouble() == double(qint64(j.toDouble()))) {
      const qint64 n = qint64(j.toDouble());
      if (n < INT32_MIN || n > qint64(UINT32_MAX)) return {};
      return QVariant::fromValue(TColor(int32_t(uint32_t(n))));
    }
    if (j.isString() && IdentToColor(j.toString(), c)) return QVariant::fromValue(c);
    error = QStringLiteral("Invalid colour value.");
    return {};
  }
  if (p.isEnumType()) {
    const QMetaEnum e = p.enumerator();
    if (p.isFlagType()) {
      if (!j.isArray()) {
        error = QStringLiteral("A set is written as an array of identifiers.");
        return {};
      }
      qint64 bits = 0;
      for (const QJsonValue& k : j.toArray()) {
        bool ok = false;
        const int v = e.keyToValue(k.toString().toLatin1().constData(), &ok);
        if (!k.isString() || !ok) {
          error = QStringLiteral("Invalid set element \"%1\".").arg(k.toString());
          return {};
        }
        bits |= v;
      }
      return EnumVariant(type, bits);
    }
    bool ok = false;
    const int v = j.isString() ? e.keyToValue(j.toString().toLatin1().constData(), &ok) : 0;
    if (!ok) {
      error =
          QStringLiteral("Invalid enumeration value \"%1\".").arg(j.isString() ? j.toString() : QStringLiteral("?"));
      return {};
    }
    return EnumVariant(type, v);
  }
  auto integral = [&](double lo, double hi) -> std::optional<QVariant> {
    const double d = j.toDouble();
    if (!j.isDouble() || d != double(qint64(d)) || d < lo || d > hi) return {};
    QVariant v = QVariant::fromValue(qint64(d));
    if (!v.convert(type)) return {};
    return v;
  };
  switch (type.id()) {
    case QMetaType::Bool:
      if (!j.isBool()) return {};
      return QVariant(j.toBool());
    case QMetaType::QString:
      if (!j.isString()) return {};
      return QVariant(j.toString());
    case QMetaType::QStringList: {
      if (!j.isArray()) return {};
      QStringList list;
      for (const QJsonValue& s : j.toArray()) {
        if (!s.isString()) return {};
        list << s.toString();
      }
      return QVariant(list);
    }
    case QMetaType::QByteArray:
      if (!j.isString() || !IsHex(j.toString())) {
        error = QStringLiteral("Invalid binary value (hex text expected).");
        return {};
      }
      return QVariant(QByteArray::fromHex(j.toString().toLatin1()));
    case QMetaType::Int: return integral(INT32_MIN, INT32_MAX);
    case QMetaType::UInt: return integral(0, UINT32_MAX);
    case QMetaType::Short: return integral(INT16_MIN, INT16_MAX);
    case QMetaType::UShort: return integral(0, UINT16_MAX);
    case QMetaType::LongLong:
    case QMetaType::Long: return integral(-9007199254740992.0, 9007199254740992.0);
    case QMetaType::ULongLong: return integral(0, 9007199254740992.0);
    case QMetaType::Double:
    case QMetaType::Float:
      if (!j.isDouble()) return {};
      return QVariant(j.toDouble());
    default: {
      QVariant v = j.toVariant();
      if (!v.convert(type)) return {};
      return v;
    }
  }
}

// A Default:Prop text in the JSON form of the property's values.
QJsonValue DefaultTextToJson(const QMetaProperty& p, const QString& text) {
  if (p.isFlagType()) {
    QJsonArray a;
    for (const QString& k : text.split(QRegularExpression(QStringLiteral("[|,\\s\\[\\]]+")), Qt::SkipEmptyParts))
      a.append(k);
    return a;
  }
  if (p.isEnumType() || IsColor(p)) return text;
  switch (p.metaType().id()) {
    case QMetaType::Bool: return text == QLatin1String("true") || text == QLatin1String("1");
    case QMetaType::QString:
    case QMetaType::QByteArray: return text;
    case QMetaType::QStringList: return QJsonArray::fromStringList(text.isEmpty() ? QStringList() : text.split('\n'));
    default: {
      bool ok = false;
      const double d =
          text.startsWith(QLatin1String("0x")) ? double(text.mid(2).toLongLong(&ok, 16)) : text.toDouble(&ok);
      return ok ? QJsonValue(d) : QJsonValue(text);
    }
  }
}

// The default of p as it would be written, or nothing when p has none.
std::optional<QJsonValue> StoredDefault(const QMetaObject* meta, const QMetaProperty& p) {
  const QByteArray key = QByteArray("Default:") + p.name();
  const int i = meta->indexOfClassInfo(key.constData());
  if (i < 0) return {};
  QString error;
  auto v = JsonToVariant(p, DefaultTextToJson(p, QString::fromUtf8(meta->classInfo(i).value())), error);
  if (!v) return {};
  return VariantToJson(p, *v);
}

bool IsEmptyValue(const QJsonValue& v) {
  return (v.isString() && v.toString().isEmpty()) || (v.isArray() && v.toArray().isEmpty()) || v.isNull() ||
         v.isUndefined();
}

QObject* PointerValue(QObject* obj, const QMetaProperty& p) {
  const QVariant v = p.read(obj);
  if (p.metaType() == QMetaType::fromType<TComponent*>()) {
    TComponent* c = v.value<TComponent*>();
    return c ? c->Object() : nullptr;
  }
  return v.value<QObject*>();
}

TComponent* AsComponent(QObject* o) { return dynamic_cast<TComponent*>(o); }

bool HasOwnGeometryProperty(const QObject* obj, const char* name) {
  return obj->metaObject()->indexOfProperty(name) >= 0;
}

constexpr const char* kGeometry[] = {"Left", "Top", "Width", "Height"};

// ---- reading ----

class TDefinedReader : public TFiler {
 public:
  TDefinedReader(QJsonObject& rest, const QString& path) : FRest(rest), FPath(path) {}
  void DefineBinaryProperty(const QString& name, TStreamProc readData, TStreamProc, bool) override {
    auto it = FRest.find(name);
    if (it == FRest.end() || !readData) return;
    const QJsonValue v = it.value();
    FRest.erase(it);
    if (!v.isString() || !IsHex(v.toString()))
      throw EDescriptionError(
          QStringLiteral("Error reading %1.%2: Invalid binary value (hex text expected).").arg(FPath, name));
    const QByteArray bytes = QByteArray::fromHex(v.toString().toLatin1());
    TMemoryStream stream;
    stream.WriteBuffer(bytes.constData(), int32_t(bytes.size()));
    stream.SetPosition(0);
    try {
      readData(stream);
    } catch (const EDescriptionError&) {
      throw;
    } catch (const Exception& e) {
      throw EDescriptionError(QStringLiteral("Error reading %1.%2: %3").arg(FPath, name, e.Message()));
    }
  }

 private:
  QJsonObject& FRest;
  QString FPath;
};

class TReader {
 public:
  explicit TReader(TComponent* root) : FRoot(root) {}

  void ReadRoot(const QJsonObject& entry) {
    const QString name = entry.value(QLatin1String("Name")).toString();
    const QString cls = entry.value(QLatin1String("Class")).toString();
    const QString path = name.isEmpty() ? QStringLiteral("description") : name;
    CheckEntryKeys(entry, path);
    if (cls != FRoot->ClassName())
      Fail(path, QStringLiteral("The description is of class %1, not %2.")
                     .arg(cls.isEmpty() ? QStringLiteral("(none)") : cls, FRoot->ClassName()));
    FRoot->SetName(name);
    if (QObject* o = FRoot->Object()) o->setObjectName(name);
    FRootPath = path;
    Begin(FRoot);
    ReadProperties(FRoot->Object(), entry.value(QLatin1String("Properties")), path, true);
    QWidget* widget = qobject_cast<QWidget*>(FRoot->Object());
    ReadChildren(entry, FRoot->ClientParent() ? FRoot->ClientParent() : widget, path, FRoot);
    Finish();
  }

 private:
  struct TFixup {
    QObject* Object;
    QMetaProperty Property;
    QString Target;
    QString Path;
  };

  [[noreturn]] static void Fail(const QString& path, const QString& reason) {
    throw EDescriptionError(QStringLiteral("Error reading %1: %2").arg(path, reason));
  }

  static void CheckEntryKeys(const QJsonObject& entry, const QString& path) {
    for (auto it = entry.begin(); it != entry.end(); ++it) {
      const QString k = it.key();
      if (k != QLatin1String("Class") && k != QLatin1String("Name") && k != QLatin1String("Properties") &&
          k != QLatin1String("Children"))
        Fail(path, QStringLiteral("Unknown entry \"%1\".").arg(k));
    }
    if (!entry.value(QLatin1String("Class")).isString()) Fail(path, QStringLiteral("The entry has no class name."));
    const QJsonValue n = entry.value(QLatin1String("Name"));
    if (!n.isUndefined() && !n.isString()) Fail(path, QStringLiteral("Name must be text."));
  }

  void Begin(TComponent* c) {
    c->SetLoading(true);
    FLoaded.push_back(c);
  }

  void ReadChildren(const QJsonObject& entry, QWidget* parentWidget, const QString& parentPath,
                    TComponent* parentComponent) {
    const QJsonValue children = entry.value(QLatin1String("Children"));
    if (children.isUndefined()) return;
    if (!children.isArray()) Fail(parentPath, QStringLiteral("Children must be an array."));
    for (const QJsonValue& child : children.toArray()) {
      if (!child.isObject()) Fail(parentPath, QStringLiteral("Each child must be an object."));
      ReadComponentEntry(child.toObject(), parentWidget, parentComponent);
    }
  }

  void ReadComponentEntry(const QJsonObject& entry, QWidget* parentWidget, TComponent* parentComponent) {
    const QString name = entry.value(QLatin1String("Name")).toString();
    const QString path = FRootPath + QLatin1Char('.') + (name.isEmpty() ? QStringLiteral("(unnamed)") : name);
    CheckEntryKeys(entry, path);
    const QString cls = entry.value(QLatin1String("Class")).toString();
    const TClassEntry* entryClass = FindClass(cls.toLatin1());
    if (!entryClass) Fail(path, QStringLiteral("Class %1 not found.").arg(cls));
    if (!name.isEmpty() && (FRoot->FindComponent(name) || name.compare(FRoot->Name(), Qt::CaseInsensitive) == 0))
      Fail(path, QStringLiteral("A component named %1 already exists.").arg(name));
    TComponent* c = nullptr;
    try {
      c = entryClass->Factory(FRoot);
    } catch (const Exception& e) {
      Fail(path, e.Message());
    }
    QObject* obj = c->Object();
    if (!obj) Fail(path, QStringLiteral("Class %1 is not a QObject.").arg(cls));
    c->SetName(name);
    obj->setObjectName(name);
    Begin(c);
    QWidget* widget = qobject_cast<QWidget*>(obj);
    if (widget && parentWidget) widget->setParent(parentWidget);
    try {
      if (!widget) c->SetParentComponent(parentComponent);
    } catch (const Exception& e) {
      Fail(path, e.Message());
    }
    ReadProperties(obj, entry.value(QLatin1String("Properties")), path, true);
    QWidget* inner = c->ClientParent() ? c->ClientParent() : widget ? widget : parentWidget;
    ReadChildren(entry, inner, path, c);
  }

  void ReadProperties(QObject* obj, const QJsonValue& value, const QString& path, bool component) {
    if (value.isUndefined()) return;
    if (!value.isObject()) Fail(path, QStringLiteral("Properties must be an object."));
    QJsonObject rest = value.toObject();
    const QMetaObject* meta = obj->metaObject();

    if (QWidget* w = qobject_cast<QWidget*>(obj); w && component) {
      QRect g = w->geometry();
      bool moved = false;
      for (const char* key : kGeometry) {
        if (HasOwnGeometryProperty(obj, key) || !rest.contains(QLatin1String(key))) continue;
        const QJsonValue v = rest.take(QLatin1String(key));
        const double d = v.toDouble();
        if (!v.isDouble() || d != double(int(d)) || ((key[0] == 'W' || key[0] == 'H') && d < 0))
          Fail(path + QLatin1Char('.') + QLatin1String(key), QStringLiteral("Invalid property value."));
        const int n = int(d);
        switch (key[0]) {
          case 'L': g.moveLeft(n); break;
          case 'T': g.moveTop(n); break;
          case 'W': g.setWidth(n); break;
          default: g.setHeight(n); break;
        }
        moved = true;
      }
      if (moved) w->setGeometry(g);
    }

    for (int i = 0; i < meta->propertyCount(); ++i) {
      const QMetaProperty p = meta->property(i);
      const QString key = QString::fromLatin1(p.name());
      if (!IsPublished(meta, i, component) || !rest.contains(key)) continue;
      SetProperty(obj, p, rest.take(key), path + QLatin1Char('.') + key);
    }

    for (auto it = rest.begin(); it != rest.end();) {
      // Events are On..., and the Before/After hooks.
      const TTyped* event = FindTyped(meta, it.key().toLatin1(), false);
      if (!event) {
        ++it;
        continue;
      }
      BindEvent(obj, *event, it.key(), it.value(), path + QLatin1Char('.') + it.key());
      it = rest.erase(it);
    }

    if (!rest.isEmpty()) {
      TDefinedReader filer(rest, path);
      if (auto* persistent = qobject_cast<TPersistent*>(obj))
        persistent->DefineProperties(filer);
      else if (TComponent* c = AsComponent(obj))
        c->DefineProperties(filer);
    }
    if (!rest.isEmpty()) Fail(path + QLatin1Char('.') + rest.begin().key(), QStringLiteral("Property does not exist."));
  }

  void BindEvent(QObject* obj, const TTyped& event, const QString& name, const QJsonValue& v, const QString& path) {
    if (v.isNull() || (v.isString() && v.toString().isEmpty())) return;
    if (!v.isString()) Fail(path, QStringLiteral("An event names a handler of the form."));
    const QString handlerName = v.toString();
    QObject* rootObject = FRoot->Object();
    const TTyped* handler = rootObject ? FindTyped(rootObject->metaObject(), handlerName.toLatin1(), true) : nullptr;
    if (!handler) Fail(path, QStringLiteral("Handler %1 not found in %2.").arg(handlerName, FRoot->ClassName()));
    if (handler->Type != event.Type) Fail(path, QStringLiteral("Handler %1 does not fit this event.").arg(handlerName));
    event.Setter(obj, handler->Maker(FRoot));
    obj->setProperty((QByteArray(kEventTag) + name.toLatin1()).constData(), handlerName);
  }

  void SetProperty(QObject* obj, const QMetaProperty& p, const QJsonValue& v, const QString& path) {
    try {
      if (IsCollection(p)) {
        auto* collection = qobject_cast<TCollection*>(p.read(obj).value<QObject*>());
        if (!collection) Fail(path, QStringLiteral("The collection does not exist."));
        if (!v.isArray()) Fail(path, QStringLiteral("A collection is written as an array."));
        collection->Clear();
        const QJsonArray items = v.toArray();
        for (int i = 0; i < items.size(); ++i) {
          const QString itemPath = QStringLiteral("%1[%2]").arg(path).arg(i);
          if (!items[i].isObject()) Fail(itemPath, QStringLiteral("An item is written as an object."));
          ReadProperties(collection->Add(), items[i], itemPath, false);
        }
        return;
      }
      if (IsNested(p)) {
        QObject* nested = p.read(obj).value<QObject*>();
        if (!nested) Fail(path, QStringLiteral("The nested object does not exist."));
        ReadProperties(nested, v, path, false);
        return;
      }
      if (!p.isWritable()) Fail(path, QStringLiteral("Property is read-only."));
      if (IsReference(p)) {
        if (v.isNull() || (v.isString() && v.toString().isEmpty())) {
          WriteReference(obj, p, nullptr, path);
          return;
        }
        if (!v.isString()) Fail(path, QStringLiteral("A reference names a component."));
        FFixups.push_back({obj, p, v.toString(), path});
        return;
      }
      QString error;
      const std::optional<QVariant> value = JsonToVariant(p, v, error);
      if (!value) Fail(path, error);
      if (!p.write(obj, *value)) Fail(path, QStringLiteral("Invalid property value."));
    } catch (const EDescriptionError&) {
      throw;
    } catch (const Exception& e) {
      Fail(path, e.Message());
    } catch (const std::exception& e) {
      Fail(path, QString::fromLocal8Bit(e.what()));
    }
  }

  static void WriteReference(QObject* obj, const QMetaProperty& p, TComponent* target, const QString& path) {
    QVariant value;
    if (p.metaType() == QMetaType::fromType<TComponent*>()) {
      value = QVariant::fromValue(target);
    } else {
      QObject* o = target ? target->Object() : nullptr;
      if (o && !o->metaObject()->inherits(p.metaType().metaObject()))
        Fail(path, QStringLiteral("%1 is not a %2.")
                       .arg(target->Name(), QString::fromLatin1(p.metaType().metaObject()->className())));
      value = QVariant(p.metaType(), &o);
    }
    if (!p.write(obj, value)) Fail(path, QStringLiteral("Invalid property value."));
  }

  void Finish() {
    for (const TFixup& f : FFixups) {
      TComponent* target = FRoot->FindComponent(f.Target);
      if (!target && f.Target.compare(FRoot->Name(), Qt::CaseInsensitive) == 0) target = FRoot;
      if (!target) Fail(f.Path, QStringLiteral("Component %1 not found.").arg(f.Target));
      try {
        WriteReference(f.Object, f.Property, target, f.Path);
      } catch (const EDescriptionError&) {
        throw;
      } catch (const Exception& e) {
        Fail(f.Path, e.Message());
      }
    }
    for (TComponent* c : FLoaded) {
      try {
        c->Loaded();
      } catch (const Exception& e) {
        Fail(c == FRoot ? FRootPath : FRootPath + QLatin1Char('.') + c->Name(), e.Message());
      }
    }
  }

  TComponent* FRoot;
  QString FRootPath;
  std::vector<TFixup> FFixups;
  std::vector<TComponent*> FLoaded;
};

QJsonObject ParseDescription(const QByteArray& json) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    const int line = int(json.left(error.offset).count('\n')) + 1;
    throw EDescriptionError(
        QStringLiteral("Error reading description: %1 at line %2.").arg(error.errorString()).arg(line));
  }
  if (!doc.isObject())
    throw EDescriptionError(QStringLiteral("Error reading description: the root must be an object."));
  return doc.object();
}

// ---- writing ----

class TDefinedWriter : public TFiler {
 public:
  explicit TDefinedWriter(QJsonObject& out) : FOut(out) {}
  void DefineBinaryProperty(const QString& name, TStreamProc, TStreamProc writeData, bool hasData) override {
    if (!hasData || !writeData) return;
    TMemoryStream stream;
    writeData(stream);
    FOut.insert(name, Hex(QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.Size()))));
  }

 private:
  QJsonObject& FOut;
};

class TWriter {
 public:
  explicit TWriter(TComponent* root) : FRoot(root) {
    for (int i = 0; i < root->ComponentCount(); ++i) {
      TComponent* c = root->Components(i);
      if (QWidget* w = qobject_cast<QWidget*>(c->Object())) FWidgets[w] = c;
      if (QWidget* w = c->ClientParent()) FWidgets[w] = c;
    }
    if (QWidget* w = qobject_cast<QWidget*>(root->Object())) FWidgets[w] = root;
    if (QWidget* w = root->ClientParent()) FWidgets[w] = root;
  }

  QJsonObject WriteRoot() { return WriteEntry(FRoot); }

 private:
  // The component a control sits in: the nearest enclosing widget that belongs to one.
  TComponent* Container(TComponent* c) const {
    if (TComponent* parent = c->ParentComponent()) return parent;
    QWidget* w = qobject_cast<QWidget*>(c->Object());
    if (!w) return FRoot;
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
      auto it = FWidgets.find(p);
      if (it != FWidgets.end()) return it->second;
    }
    return FRoot;
  }

  QJsonObject WriteEntry(TComponent* c) {
    QJsonObject entry;
    entry.insert(QStringLiteral("Class"), c->ClassName());
    entry.insert(QStringLiteral("Name"), c->Name());
    const QJsonObject props = WriteProperties(c->Object(), true);
    if (!props.isEmpty()) entry.insert(QStringLiteral("Properties"), props);
    QJsonArray children;
    for (int i = 0; i < FRoot->ComponentCount(); ++i) {
      TComponent* child = FRoot->Components(i);
      if (child->Object() && Container(child) == c) children.append(WriteEntry(child));
    }
    if (!children.isEmpty()) entry.insert(QStringLiteral("Children"), children);
    return entry;
  }

  QJsonObject WriteProperties(QObject* obj, bool component) {
    QJsonObject out;
    if (!obj) return out;
    const QMetaObject* meta = obj->metaObject();
    if (QWidget* w = qobject_cast<QWidget*>(obj); w && component) {
      const int values[] = {w->x(), w->y(), w->width(), w->height()};
      for (int i = 0; i < 4; ++i)
        if (!HasOwnGeometryProperty(obj, kGeometry[i])) out.insert(QLatin1String(kGeometry[i]), values[i]);
    }
    for (int i = 0; i < meta->propertyCount(); ++i) {
      const QMetaProperty p = meta->property(i);
      if (!IsPublished(meta, i, component) || !IsStoredNow(obj, p)) continue;
      const QString key = QString::fromLatin1(p.name());
      if (IsCollection(p)) {
        auto* collection = qobject_cast<TCollection*>(p.read(obj).value<QObject*>());
        if (!collection || collection->Count() == 0) continue;
        QJsonArray items;
        for (int k = 0; k < collection->Count(); ++k) items.append(WriteProperties(collection->Items(k), false));
        out.insert(key, items);
      } else if (IsNested(p)) {
        const QJsonObject nested = WriteProperties(p.read(obj).value<QObject*>(), false);
        if (!nested.isEmpty()) out.insert(key, nested);
      } else if (IsReference(p)) {
        if (!p.isWritable()) continue;
        TComponent* target = AsComponent(PointerValue(obj, p));
        if (target && !target->Name().isEmpty() && (target == FRoot || target->Owner() == FRoot))
          out.insert(key, target->Name());
      } else if (p.isWritable()) {
        const QJsonValue value = VariantToJson(p, p.read(obj));
        const std::optional<QJsonValue> def = StoredDefault(meta, p);
        if (def ? value == *def : IsEmptyValue(value)) continue;
        out.insert(key, value);
      }
    }
    for (const QByteArray& name : obj->dynamicPropertyNames()) {
      if (!name.startsWith(kEventTag)) continue;
      const QString handler = obj->property(name.constData()).toString();
      if (!handler.isEmpty()) out.insert(QString::fromLatin1(name.mid(qstrlen(kEventTag))), handler);
    }
    TDefinedWriter filer(out);
    if (auto* persistent = qobject_cast<TPersistent*>(obj))
      persistent->DefineProperties(filer);
    else if (TComponent* c = AsComponent(obj))
      c->DefineProperties(filer);
    return out;
  }

  TComponent* FRoot;
  std::map<QWidget*, TComponent*> FWidgets;
};

}  // namespace

namespace DescriptionDetail {
void AddClass(const QMetaObject& meta, TFactory factory) { Registry()[meta.className()].Factory = std::move(factory); }
void AddEvent(const QMetaObject& meta, const char* name, std::type_index type, TEventSetter setter) {
  Registry()[meta.className()].Events.insert_or_assign(QByteArray(name), TTyped{type, std::move(setter), {}});
}
void AddHandler(const QMetaObject& meta, const char* name, std::type_index type, THandlerMaker maker) {
  Registry()[meta.className()].Handlers.insert_or_assign(QByteArray(name), TTyped{type, {}, std::move(maker)});
}
}  // namespace DescriptionDetail

void ReadDescription(TComponent* root, const QByteArray& json) {
  Assert(root != nullptr, "Description", "Root");
  TReader(root).ReadRoot(ParseDescription(json));
}

void ReadDescriptionFile(TComponent* root, const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EDescriptionError(QStringLiteral("Cannot open the description %1: %2").arg(fileName, file.errorString()));
  ReadDescription(root, file.readAll());
}

TComponent* ReadComponent(const QByteArray& json) {
  const QJsonObject entry = ParseDescription(json);
  const QString cls = entry.value(QLatin1String("Class")).toString();
  const TClassEntry* c = FindClass(cls.toLatin1());
  if (!c) throw EDescriptionError(QStringLiteral("Error reading description: Class %1 not found.").arg(cls));
  std::unique_ptr<TComponent> root(c->Factory(nullptr));
  TReader(root.get()).ReadRoot(entry);
  return root.release();
}

QByteArray WriteDescription(TComponent* root) {
  Assert(root != nullptr, "Description", "Root");
  return QJsonDocument(TWriter(root).WriteRoot()).toJson(QJsonDocument::Indented);
}

TComponent* FindComponentChecked(TComponent* root, const QString& name, const QMetaObject& meta) {
  TComponent* c = root ? root->FindComponent(name) : nullptr;
  QObject* o = c ? c->Object() : nullptr;
  if (!o || !o->metaObject()->inherits(&meta))
    throw EDescriptionError(
        QStringLiteral("%1 has no component %2 of class %3.")
            .arg(root ? root->Name() : QStringLiteral("(none)"), name, QString::fromLatin1(meta.className())));
  return c;
}
