#pragma once
// A group frame holding one check box per line of its Items, arranged in
// columns: the first column is filled top to bottom, then the next.
#include "SUIGroupBox.h"

#include <QStringList>
#include <memory>
#include <vector>

class TsuiCheckBox;

class TsuiCheckGroup : public TsuiCustomGroupBox {
  Q_OBJECT
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
  Q_PROPERTY(int TopMargin READ TopMargin WRITE SetTopMargin)
  Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor STORED false)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_CLASSINFO("Default:Caption", " ")
  Q_CLASSINFO("Default:Transparent", "false")
  Q_CLASSINFO("Default:Columns", "1")
  Q_CLASSINFO("Default:TopMargin", "8")
 public:
  explicit TsuiCheckGroup(TComponent* owner);
  ~TsuiCheckGroup() override;

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  const QStringList& Items() const { return FItems; }
  void SetItems(const QStringList& value);
  int Columns() const { return FColumns; }
  void SetColumns(int value);
  int TopMargin() const { return FTopMargin; }
  void SetTopMargin(int value);
  void SetTransparent(bool value) override;

  int ButtonCount() const { return int(FButtons.size()); }
  TsuiCheckBox* Button(int index) const;
  // Whether the box of line index is ticked.
  bool Checked(int index) const;
  void SetChecked(int index, bool value);

  // A click on the group or on any of its boxes: ItemClicked, then OnClick.
  void Click() override;

  unsigned ThemeRows() const override { return trStyle; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  virtual void ItemClicked() {}
  virtual std::unique_ptr<TsuiCheckBox> CreateItemButton();
  void ArrangeItems();
  void resizeEvent(QResizeEvent* event) override;
  void ColorChanged() override;

 private:
  void ItemsChanged();
  // Adds or frees boxes until there is one per line, then names them.
  bool SyncItems();
  void SyncButtonColor(TsuiCheckBox* button);

  TsuiUIStyle FUIStyle = Custom;
  QStringList FItems;
  std::vector<std::unique_ptr<TsuiCheckBox>> FButtons;
  int FColumns = 1;
  int FTopMargin = 8;
};
