#pragma once
// Our format chooser: a modal dialog over the codec manager's formats, read
// and answered through an ACMFORMATCHOOSE record as the platform chooser was.
#include <QDialog>
#include <vector>

#include "Platform.h"

class QComboBox;
class QListWidget;

class TdeFormatChooser : public QDialog {
  Q_OBJECT
 public:
  // The record must stay valid while the dialog lives; pwfx is written only on accept.
  TdeFormatChooser(ACMFORMATCHOOSE& record, QWidget* parent = nullptr);
  // 0 after loading, or why the formats could not be listed (then do not show it).
  MMRESULT LoadResult() const { return FLoadResult; }

  QComboBox* TagList() const { return FTags; }
  QListWidget* AttributeList() const { return FAttributes; }
  // "11.025 kHz, 8 Bit, Stereo    22 KB/s"
  static QString AttributeText(const QString& formatText, uint32_t avgBytesPerSec);

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct TEntry {
    std::vector<uint8_t> Format;  // the meaningful bytes: 18 + cbSize
    QString Text;
    bool Current = false;  // the starting format itself, kept byte for byte
  };
  struct TTag {
    uint32_t Tag;
    QString Name;
    std::vector<TEntry> Formats;
  };

  MMRESULT Load();
  void ShowTag(int index);

  ACMFORMATCHOOSE& FRecord;
  std::vector<TTag> FTagEntries;
  QComboBox* FTags;
  QListWidget* FAttributes;
  MMRESULT FLoadResult = 0;
  int FStartTag = 0, FStartRow = 0;
};

// Runs the chooser modally on record: 0 when a format was accepted (pwfx,
// szFormatTag and szFormat filled), ACMERR_CANCELED, or the failure's code.
MMRESULT ChooseFormat(ACMFORMATCHOOSE& record);
