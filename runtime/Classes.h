#pragma once
// Persistent objects and components: ownership, names, free notification,
// Loaded, design mode and interface queries by identity.
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TStream;
class TComponent;
class QWidget;

// The plain event: a method of the form receiving the sender.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

// Interface identity; compared as 16 bytes, no string lookup.
struct TGUID {
  uint32_t D1;
  uint16_t D2, D3;
  std::array<uint8_t, 8> D4;
  friend bool operator==(const TGUID&, const TGUID&) = default;
};

// Handed to DefineProperties by the description reader and writer.
class TFiler {
 public:
  virtual ~TFiler() = default;
  using TStreamProc = std::function<void(TStream&)>;
  // Defines a binary property stored under name. writeData is called only
  // while writing and only when hasData is true; readData only while reading.
  virtual void DefineBinaryProperty(const QString& name, TStreamProc readData, TStreamProc writeData, bool hasData) = 0;
};

// An assignable, streamable object; nested published properties are of this kind.
class TPersistent : public QObject {
  Q_OBJECT
 public:
  explicit TPersistent(QObject* parent = nullptr) : QObject(parent) {}
  // Asks source to assign itself to this object; nullptr or an unrelated class raises EConvertError.
  virtual void Assign(TPersistent* source);
  virtual void DefineProperties(TFiler& filer);

 protected:
  // Default: the assignment error naming both classes.
  virtual void AssignTo(TPersistent* dest);
  [[noreturn]] void AssignError(const TPersistent* source) const;
  friend class TPersistentAccess;
};

class TCollection;

// An item of a collection (the title bar's buttons and sections, for example).
class TCollectionItem : public TPersistent {
  Q_OBJECT
 public:
  explicit TCollectionItem(TCollection* collection) : FCollection(collection) {}
  TCollection* Collection() const { return FCollection; }
  int Index() const;

 private:
  friend class TCollection;
  TCollection* FCollection;
};

// An owned, ordered list of items of one class, stored in the window
// description as an array of the items' properties.
class TCollection : public TPersistent {
  Q_OBJECT
 public:
  using TItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection* collection)>;
  explicit TCollection(TItemFactory factory, QObject* parent = nullptr)
      : TPersistent(parent), FFactory(std::move(factory)) {}
  // A collection of items of class T (constructed from the collection).
  template <class T>
  static TItemFactory ItemsOf() {
    return [](TCollection* c) { return std::unique_ptr<TCollectionItem>(std::make_unique<T>(c)); };
  }

  TCollectionItem* Add();
  void Clear();
  void Delete(int index);
  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int index) const { return FItems.at(index).get(); }
  template <class T>
  T* ItemAs(int index) const {
    return static_cast<T*>(Items(index));
  }
  // Copies the items of another collection of the same item class, by their properties.
  void Assign(TPersistent* source) override;
  // Runs after every change of the item list (owners re-layout).
  std::function<void(TCollection* sender)> OnUpdate;

 protected:
  virtual void Update();

 private:
  TItemFactory FFactory;
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
};

enum TOperation { opInsert, opRemove };

// The component base. Not a QObject itself so that a widget can be a component
// too: concrete classes derive from QObject (or a widget) and from TComponent.
// Published properties live on the QObject side (Q_PROPERTY).
class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const QString& Name() const { return FName; }
  void SetName(const QString& name) { FName = name; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(index); }
  TComponent* FindComponent(const QString& name) const;

  // Registers component for a removal notification when this one is destroyed
  // (and the other way round).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);
  // Called when a component this one registered with, or an owned one, goes.
  virtual void Notification(TComponent* component, TOperation operation);

  // After the window description has been read and references resolved.
  virtual void Loaded();
  // Binary properties stored under their own names in the window description.
  virtual void DefineProperties(TFiler& filer);
  // Where child controls listed under this component in the window
  // description are placed; nullptr: the component's own widget.
  virtual QWidget* ClientParent() { return nullptr; }
  // A non-visual component that lives inside another one (a menu item in
  // its menu): the description lists it under that one, and the reader
  // hands it the component it was listed under. nullptr: the form's.
  virtual TComponent* ParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent*) {}
  bool Loading() const { return FLoading; }
  void SetLoading(bool value) { FLoading = value; }
  bool Destroying() const { return FDestroying; }
  // Design mode: false in the program; tests may set it.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool value) { FDesigning = value; }

  // Returns the implementation of the interface with that identity, nullptr when unsupported.
  virtual void* QueryInterface(const TGUID& iid);
  template <class I>
  I* GetInterface() {
    return static_cast<I*>(QueryInterface(I::IID));
  }

  // The QObject side of this component (nullptr for a component without one).
  QObject* Object() { return dynamic_cast<QObject*>(this); }
  QString ClassName() const;

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* FOwner;
  QString FName;
  std::vector<TComponent*> FComponents;    // owned, in creation order
  std::vector<TComponent*> FFreeNotifies;  // not owned
  bool FLoading = false;
  bool FDestroying = false;
  bool FDesigning = false;
};

Q_DECLARE_METATYPE(TComponent*)

// A plain component with a QObject side, for non-visual components.
class TQComponent : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
 public:
  explicit TQComponent(TComponent* owner) : QObject(nullptr), TComponent(owner) {}
};
