#pragma once
// What screen readers see of the skinned controls and of the window-system
// controls they sit among. Parts that are only painted (the title bar's
// buttons, the status bar's panels) become children of their control with
// a role, a name, a state and, for buttons, a press action; a window is a
// frame named by its caption; a label that acts on a click is a link.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QPointer>
#include <QWidget>
#include <vector>

// Installs the factory once for the process; later calls do nothing.
void InstallSkinAccessibility();

// A painted part of host, number index among its parts. It stays valid while
// host lives and the part exists; the host's interface owns it.
class TPaintedPartAccessible : public QAccessibleInterface {
 public:
  TPaintedPartAccessible(QWidget* host, int index) : FHost(host), FIndex(index) {}

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(FHost.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;

  QWidget* Host() const { return FHost.data(); }
  int Index() const { return FIndex; }

 protected:
  // The part's place in host coordinates; empty while it is not shown.
  virtual QRect PlaceOnHost() const = 0;
  virtual bool Exists() const = 0;

 private:
  QPointer<QWidget> FHost;
  int FIndex;
};

// A press action for painted buttons and links; Press runs it.
class TPressAccessible : public QAccessibleActionInterface {
 public:
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction()) Press();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 protected:
  virtual void Press() = 0;
};

// The interfaces of a host's painted parts, made on first use and kept
// until the host's interface goes.
class TPaintedParts {
 public:
  ~TPaintedParts();
  template <typename Make>
  QAccessibleInterface* Get(int index, Make make) const {
    if (index < 0) return nullptr;
    if (size_t(index) >= FIds.size()) FIds.resize(size_t(index) + 1, 0);
    if (!FIds[size_t(index)]) FIds[size_t(index)] = QAccessible::registerAccessibleInterface(make());
    return QAccessible::accessibleInterface(FIds[size_t(index)]);
  }
  int IndexOf(const QAccessibleInterface* part) const;

 private:
  mutable std::vector<QAccessible::Id> FIds;
};
