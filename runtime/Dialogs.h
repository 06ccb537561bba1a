#pragma once
// Common dialogs and the plain message box.
#include "Classes.h"

#include <QFlags>
#include <QString>
#include <functional>

namespace Dialogs {
Q_NAMESPACE
enum TOpenOption { ofReadOnly = 0x1, ofOverwritePrompt = 0x2, ofHideReadOnly = 0x4, ofEnableSizing = 0x8 };
Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
Q_FLAG_NS(TOpenOptions)
}  // namespace Dialogs
Q_DECLARE_OPERATORS_FOR_FLAGS(Dialogs::TOpenOptions)
using Dialogs::TOpenOption;
using Dialogs::TOpenOptions;
using enum Dialogs::TOpenOption;

// Asks for a file name to save under. Filter holds "text|pattern" pairs
// separated by bars, e.g. "Sound (*.wav)|*.wav".
class TSaveDialog : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE SetDefaultExt)
  Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
  Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
  Q_PROPERTY(int FilterIndex READ FilterIndex WRITE SetFilterIndex)
  Q_PROPERTY(Dialogs::TOpenOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(QString Title READ Title WRITE SetTitle)
  Q_CLASSINFO("Default:DefaultExt", "")
  Q_CLASSINFO("Default:FileName", "")
  Q_CLASSINFO("Default:Filter", "")
  Q_CLASSINFO("Default:FilterIndex", "1")
  Q_CLASSINFO("Default:Options", "ofHideReadOnly|ofEnableSizing")
  Q_CLASSINFO("Default:Title", "")
 public:
  explicit TSaveDialog(TComponent* owner);
  const QString& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const QString& v) { FDefaultExt = v; }
  const QString& FileName() const { return FFileName; }
  void SetFileName(const QString& v) { FFileName = v; }
  const QString& Filter() const { return FFilter; }
  void SetFilter(const QString& v) { FFilter = v; }
  // The filter shown first and, after Execute, the one chosen; 1 is the first.
  int FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int v) { FFilterIndex = v; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(TOpenOptions v) { FOptions = v; }
  const QString& Title() const { return FTitle; }
  void SetTitle(const QString& v) { FTitle = v; }

  // Shows the dialog; true with FileName set when the user accepted a name
  // (and, with ofOverwritePrompt, confirmed replacing an existing file).
  // With a DefaultExt, a name typed without an extension gets the chosen
  // filter's (its first pattern's), so the extension follows the filter.
  bool Execute();
  // Answers Execute in place of the dialog (tests, scripted use).
  using TExecuteHook = std::function<bool(TSaveDialog& dialog)>;
  void SetExecuteHook(TExecuteHook hook) { FExecuteHook = std::move(hook); }
  // The filter in the window system's notation: "text (pattern)" lines.
  QString QtFilter() const;
  // The extension of filter index's first pattern ("wav" for "*.wav"); empty
  // for a pattern of any extension or an index out of range.
  QString FilterExtension(int index) const;

 private:
  QString FDefaultExt, FFileName, FFilter, FTitle;
  int FFilterIndex = 1;
  TOpenOptions FOptions = ofHideReadOnly | ofEnableSizing;
  TExecuteHook FExecuteHook;
};

// A modal information box with the application's title.
void ShowMessage(const QString& text);
// The same with the error icon, for a value the program refuses.
void ShowError(const QString& text);
