#pragma once
// How the window description stores one property: which properties it lists,
// their JSON text in both directions and the defaults it leaves out. The
// description's reader and writer share these, so what one writes the other
// reads back.
#include <QByteArray>
#include <QJsonValue>
#include <QMetaObject>
#include <QMetaProperty>
#include <QString>
#include <QVariant>
#include <optional>

class QObject;
class TComponent;

namespace DescriptionDetail {

// The dynamic property, followed by the event's name, that keeps the name of
// the handler an event was bound to, so that it is written back.
inline constexpr const char* kEventTag = "tamsel.event.";
// Every control's geometry, unless its class publishes properties of these names.
inline constexpr const char* kGeometry[] = {"Left", "Top", "Width", "Height"};

// Whether property index of meta is one the description lists.
bool IsPublished(const QMetaObject* meta, int index, bool component);
// Whether obj wants p written now (its "Stored:" method, true without one).
bool IsStoredNow(QObject* obj, const QMetaProperty& p);
// A pointer to a component stored by its name.
bool IsReference(const QMetaProperty& p);
// A persistent object stored as a nested entry.
bool IsNested(const QMetaProperty& p);
// A collection stored as an array of items.
bool IsCollection(const QMetaProperty& p);
bool HasOwnGeometryProperty(const QObject* obj, const char* name);

// Binary values as hex text.
bool IsHex(const QString& s);
QString Hex(const QByteArray& bytes);

// A plain value (not nested, not a reference) as JSON.
QJsonValue VariantToJson(const QMetaProperty& p, const QVariant& v);
// Parses a JSON value for property p; on failure returns nothing and sets error.
std::optional<QVariant> JsonToVariant(const QMetaProperty& p, const QJsonValue& j, QString& error);
// The default of p as it would be written, or nothing when p has none.
std::optional<QJsonValue> StoredDefault(const QMetaObject* meta, const QMetaProperty& p);
// An empty text, list or set, which is not written when there is no default.
bool IsEmptyValue(const QJsonValue& v);

// The object a pointer property points at.
QObject* PointerValue(QObject* obj, const QMetaProperty& p);
TComponent* AsComponent(QObject* o);

}  // namespace DescriptionDetail
