#pragma once
// The standard controls the windows use: label, push button, list box and
// a plain panel.
#include "Controls.h"

#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

// A text that may act as a link (OnClick on release over it).
class TLabel : public TControl {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:AutoSize", "true")
  Q_CLASSINFO("Default:Transparent", "false")
 public:
  explicit TLabel(TComponent* owner);
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void FontChanged() override;

 private:
  void AdjustBounds();
  QLabel* FLabel;
  QString FCaption;
  bool FAutoSize = true;
  bool FTransparent = false;
};

class TButton : public TControl {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_CLASSINFO("Default:Caption", "")
 public:
  explicit TButton(TComponent* owner);
  QString Caption() const;
  void SetCaption(const QString& value);
  QPushButton* Widget() const { return FButton; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPushButton* FButton;
};

class TListBox : public TControl {
  Q_OBJECT
  Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_CLASSINFO("Default:ItemHeight", "13")
  Q_CLASSINFO("Default:Items", "")
 public:
  explicit TListBox(TComponent* owner);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  QStringList Items() const;
  void SetItems(const QStringList& items);
  void Clear();
  void Add(const QString& item);
  int Count() const;
  QListWidget* Widget() const { return FList; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QListWidget* FList;
  int FItemHeight = 13;
};

// A container with a flat face and an optional centred caption.
class TPanel : public TControl {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_CLASSINFO("Default:Caption", "")
 public:
  explicit TPanel(TComponent* owner);
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString FCaption;
};
