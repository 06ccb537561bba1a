#include "DescriptionReader.h"
#include "Description.h"
#include "DescriptionValues.h"
#include "Streams.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QWidget>
#include <memory>
#include <vector>

using namespace DescriptionDetail;

namespace {

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
    const TFactory* factory = FindFactory(cls.toLatin1());
    if (!factory) Fail(path, QStringLiteral("Class %1 not found.").arg(cls));
    if (!name.isEmpty() && (FRoot->FindComponent(name) || name.compare(FRoot->Name(), Qt::CaseInsensitive) == 0))
      Fail(path, QStringLiteral("A component named %1 already exists.").arg(name));
    TComponent* c = nullptr;
    try {
      c = (*factory)(FRoot);
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

}  // namespace

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
  const TFactory* factory = FindFactory(cls.toLatin1());
  if (!factory) throw EDescriptionError(QStringLiteral("Error reading description: Class %1 not found.").arg(cls));
  std::unique_ptr<TComponent> root((*factory)(nullptr));
  TReader(root.get()).ReadRoot(entry);
  return root.release();
}
