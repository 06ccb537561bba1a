#pragma once
// Walking a window's accessibility tree as a screen reader does.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QString>
#include <functional>

// The first interface under root, depth first, that matches.
inline QAccessibleInterface* Find(QAccessibleInterface* root, const std::function<bool(QAccessibleInterface*)>& match) {
  if (!root) return nullptr;
  if (match(root)) return root;
  for (int i = 0; i < root->childCount(); ++i)
    if (QAccessibleInterface* found = Find(root->child(i), match)) return found;
  return nullptr;
}

// The first interface under root with role and the name the user reads.
inline QAccessibleInterface* Named(QAccessibleInterface* root, QAccessible::Role role, const QString& name) {
  return Find(root, [&](QAccessibleInterface* i) { return i->role() == role && i->text(QAccessible::Name) == name; });
}
