#include "DescriptionWriter.h"
#include "Description.h"
#include "DescriptionValues.h"
#include "Streams.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWidget>
#include <map>

using namespace DescriptionDetail;

namespace {

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

QByteArray WriteDescription(TComponent* root) {
  Assert(root != nullptr, "Description", "Root");
  return QJsonDocument(TWriter(root).WriteRoot()).toJson(QJsonDocument::Indented);
}
