#pragma once
// Components that exercise every kind of stored property.
#include "Description.h"
#include "Forms.h"
#include "Graphics.h"
#include "Streams.h"
#include "Timers.h"

class TTestItem : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_CLASSINFO("Default:Width", "10")
 public:
  using TCollectionItem::TCollectionItem;
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& v) { FCaption = v; }
  int Width() const { return FWidth; }
  void SetWidth(int v) { FWidth = v; }
  void Assign(TPersistent* source) override {
    auto* o = qobject_cast<TTestItem*>(source);
    if (!o) return TCollectionItem::Assign(source);
    FCaption = o->FCaption;
    FWidth = o->FWidth;
  }

 private:
  QString FCaption;
  int FWidth = 10;
};

// A value with a binary defined property, the way wave formats are stored.
class TTestFormat : public TPersistent {
  Q_OBJECT
  Q_PROPERTY(int Tag READ Tag WRITE SetTag)
  Q_CLASSINFO("Default:Tag", "0")
 public:
  QByteArray Buffer = QByteArray("\x01\x00\x02\x00", 4);
  bool Stored = true;
  int Tag() const { return FTag; }
  void SetTag(int v) { FTag = v; }
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        "FormatBuffer",
        [this](TStream& s) {
          Buffer = QByteArray(int(s.Size()), 0);
          s.ReadBuffer(Buffer.data(), int32_t(Buffer.size()));
        },
        [this](TStream& s) { s.WriteBuffer(Buffer.constData(), int32_t(Buffer.size())); }, Stored);
  }

 private:
  int FTag = 0;
};

class TTestComponent : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(int Count READ Count WRITE SetCount)
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Graphics::TPenStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(Graphics::TFontStyles Styles READ Styles WRITE SetStyles)
  Q_PROPERTY(TPen* PenLeft READ PenLeft)
  Q_PROPERTY(TFont* Font READ Font)
  Q_PROPERTY(TTestFormat* Format READ Format)
  Q_PROPERTY(TCollection* Items READ Items)
  Q_PROPERTY(TComponent* Source READ Source WRITE SetSource)
  Q_PROPERTY(TTimer* Timer READ Timer WRITE SetTimer)
  Q_CLASSINFO("Default:Active", "false")
  Q_CLASSINFO("Default:Count", "5")
  Q_CLASSINFO("Default:Color", "clWindow")
  Q_CLASSINFO("Default:Style", "psSolid")
  Q_CLASSINFO("Default:Styles", "fsBold")
 public:
  explicit TTestComponent(TComponent* owner) : TQComponent(owner), FItems(TCollection::ItemsOf<TTestItem>()) {
    FStyles = fsBold;
  }
  bool Active() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  int Count() const { return FCount; }
  void SetCount(int v) {
    if (v < 0) throw EConvertError("Invalid count.");
    FCount = v;
  }
  QString Text() const { return FText; }
  void SetText(const QString& v) { FText = v; }
  QStringList Lines() const { return FLines; }
  void SetLines(const QStringList& v) { FLines = v; }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle v) { FStyle = v; }
  TFontStyles Styles() const { return FStyles; }
  void SetStyles(TFontStyles v) { FStyles = v; }
  TPen* PenLeft() { return &FPen; }
  TFont* Font() { return &FFont; }
  TTestFormat* Format() { return &FFormat; }
  TCollection* Items() { return &FItems; }
  TComponent* Source() const { return FSource; }
  void SetSource(TComponent* v) { FSource = v; }
  TTimer* Timer() const { return FTimer; }
  void SetTimer(TTimer* v) { FTimer = v; }
  void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }
  void Change() {
    if (FOnChange) FOnChange(this);
  }
  void Loaded() override {
    TQComponent::Loaded();
    SourceAtLoaded = FSource;
    if (FText == "fail in Loaded") throw EConvertError("Loaded refused.");
  }
  TComponent* SourceAtLoaded = nullptr;

 private:
  bool FActive = false;
  int FCount = 7;  // differs from the stored default on purpose
  QString FText;
  QStringList FLines;
  TColor FColor = clWindow;
  TPenStyle FStyle = psSolid;
  TFontStyles FStyles;
  TPen FPen;
  TFont FFont;
  TTestFormat FFormat;
  TCollection FItems;
  TComponent* FSource = nullptr;
  TTimer* FTimer = nullptr;
  TNotifyEvent FOnChange;
};

class TTestPanel : public QWidget, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
 public:
  explicit TTestPanel(TComponent* owner) : QWidget(nullptr), TComponent(owner) {}
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& v) { FCaption = v; }

 private:
  QString FCaption;
};

class TTestForm : public TForm {
  Q_OBJECT
 public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    RegisterClass<TTestComponent>().Event("OnChange", &TTestComponent::SetOnChange);
    RegisterClass<TTestPanel>();
    RegisterHandlers<TTestForm>()
        .Handler("ThingChange", &TTestForm::ThingChange)
        .Handler("FormClose", &TTestForm::FormClose);
  }
  void ThingChange(TComponent* sender) { Changed.push_back(sender); }
  void FormClose(TComponent*, TCloseAction& action) { action = caNone; }
  std::vector<TComponent*> Changed;
};
