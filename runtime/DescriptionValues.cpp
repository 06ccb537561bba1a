#include "DescriptionValues.h"
#include "Classes.h"
#include "Graphics.h"

#include <QJsonArray>
#include <QMetaEnum>
#include <QRegularExpression>

namespace {

bool IsColor(const QMetaProperty& p) { return p.metaType() == QMetaType::fromType<TColor>(); }

const QMetaObject* PointeeMeta(const QMetaProperty& p) {
  return (p.metaType().flags() & QMetaType::PointerToQObject) ? p.metaType().metaObject() : nullptr;
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

}  // namespace

namespace DescriptionDetail {

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

bool IsHex(const QString& s) {
  if (s.size() % 2) return false;
  for (QChar c : s)
    if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))) return false;
  return true;
}

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

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

}  // namespace DescriptionDetail
