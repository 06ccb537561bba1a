#include "SaveCopy.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "Places.h"
#include "Streams.h"
#include "TakeArchive.h"
#include "deAudioStreams.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <array>

namespace {

struct TSaveType {
  const char* Text;  // the filter's text; its pattern is the extension's
  std::optional<TdeExportType> Type;
};

// In the dialog's order; the first is the default.
const std::array<TSaveType, 5> kSaveTypes = {{
    {QT_TRANSLATE_NOOP("SaveCopy", "wav音频文件(*.wav)"), std::nullopt},
    {QT_TRANSLATE_NOOP("SaveCopy", "FLAC无损音频(*.flac)"), TdeExportType::Flac},
    {QT_TRANSLATE_NOOP("SaveCopy", "Opus音频(*.opus)"), TdeExportType::Opus},
    {QT_TRANSLATE_NOOP("SaveCopy", "Ogg Vorbis音频(*.ogg)"), TdeExportType::Vorbis},
    {QT_TRANSLATE_NOOP("SaveCopy", "MP3音频(*.mp3)"), TdeExportType::Mp3},
}};

QString ExtensionOf(const TSaveType& type) { return type.Type ? ExportExtension(*type.Type) : QStringLiteral("wav"); }

// Progress in this many steps: fine enough for hours of audio.
constexpr int kSteps = 1000;
// While the copy runs the window handles its events this often.
constexpr int kEventsEveryMs = 40;

}  // namespace

void OfferSaveTypes(TSaveDialog& dialog) {
  QStringList filter;
  for (const TSaveType& t : kSaveTypes)
    filter << QCoreApplication::translate("SaveCopy", t.Text) << QStringLiteral("*.") + ExtensionOf(t);
  dialog.SetFilter(filter.join(QLatin1Char('|')));
  dialog.SetFilterIndex(1);
  dialog.SetDefaultExt(ExtensionOf(kSaveTypes[0]));
}

TSaveChoice SaveChoiceOf(const TSaveDialog& dialog) {
  const int index =
      dialog.FilterIndex() >= 1 && dialog.FilterIndex() <= int(kSaveTypes.size()) ? dialog.FilterIndex() : 1;
  const TSaveType& type = kSaveTypes[size_t(index - 1)];
  QString name = dialog.FileName();
  const QFileInfo info(name);
  const QString suffix = info.suffix().toLower();
  const bool known = ExportTypeOf(suffix).has_value() || suffix == ExtensionOf(kSaveTypes[0]);
  if (known) name.chop(info.suffix().size() + 1);
  return {name + QLatin1Char('.') + ExtensionOf(type), type.Type};
}

std::optional<TSaveChoice> ChosenSave(const TSaveDialog& dialog, QWidget* parent) {
  TSaveChoice choice = SaveChoiceOf(dialog);
  // The dialog asked about the name it gave; a name changed here is asked about once more.
  if (choice.FileName != dialog.FileName() && QFileInfo::exists(choice.FileName) &&
      QMessageBox::question(parent, QCoreApplication::applicationName(),
                            QCoreApplication::translate("SaveCopy", "“%1”已存在。\n要替换它吗？")
                                .arg(QDir::toNativeSeparators(choice.FileName))) != QMessageBox::Yes)
    return std::nullopt;
  return choice;
}

bool SaveEncodedCopy(const QString& source, const TSaveChoice& choice, const QDateTime& taken, QWidget* parent,
                     int showAfterMs) {
  Assert(choice.Type.has_value(), "SaveCopy", "Type");
  TdeExportSettings settings;
  settings.Type = *choice.Type;
  settings.Title = QFileInfo(choice.FileName).completeBaseName();
  if (taken.isValid()) settings.Date = taken.toString(Qt::ISODate);

  QProgressDialog progress(QCoreApplication::translate("SaveCopy", "正在保存为%1：%2")
                               .arg(ExportTypeName(settings.Type), QFileInfo(choice.FileName).fileName()),
                           QCoreApplication::translate("SaveCopy", "取消"), 0, kSteps, parent);
  progress.setWindowTitle(QCoreApplication::translate("SaveCopy", "保存"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(showAfterMs);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setValue(0);
  QElapsedTimer sinceEvents;
  sinceEvents.start();
  const auto onProgress = [&](int64_t done, int64_t total) {
    const int value = total > 0 ? static_cast<int>(done * kSteps / total) : 0;
    if (value != progress.value()) progress.setValue(value);
    if (sinceEvents.elapsed() >= kEventsEveryMs) {
      sinceEvents.restart();
      // Until the progress window is up (it then blocks the others) the
      // window's buttons and keys wait: a Record now would cut the take short.
      QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                           : QEventLoop::ExcludeUserInputEvents);
    }
    return !progress.wasCanceled();
  };
  try {
    return ExportAudioFile(source, choice.FileName, settings, onProgress);
  } catch (const Exception& e) {
    throw EFCreateError(QCoreApplication::translate("SaveCopy", "保存失败：%1\n%2")
                            .arg(QDir::toNativeSeparators(choice.FileName), e.Message()));
  }
}

// Copies source over target through a temporary file next to target, so a
// copy that fails half-way leaves the old target as it was.
void CopyReplacing(const QString& source, const QString& target) {
  if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) return;
  QFile in(source);
  QSaveFile out(target);
  auto fail = [&](const QString& reason) {
    out.cancelWriting();
    throw EFCreateError(
        QCoreApplication::translate("TForm1", "保存失败：%1\n%2").arg(QDir::toNativeSeparators(target), reason));
  };
  if (!in.open(QIODevice::ReadOnly)) fail(in.errorString());
  if (!out.open(QIODevice::WriteOnly)) fail(out.errorString());
  char buffer[65536];
  for (;;) {
    const qint64 n = in.read(buffer, sizeof buffer);
    if (n < 0) fail(in.errorString());
    if (n == 0) break;
    if (out.write(buffer, n) != n) fail(out.errorString());
  }
  if (!out.commit()) fail(out.errorString());
}

QDateTime EarlierTakeStart(const QString& fileName) {
  // The file was last written at the take's end; its audio says how long before that it began.
  try {
    TFileStream stream(fileName, fmOpenRead);
    TdeRIFFAudioReader reader(&stream);
    const uint32_t rate = reader.GetFormat()->AvgBytesPerSec();
    const int64_t bytes = reader.DataSizeInFile();
    if (rate == 0 || bytes <= 0) return {};
    return QFileInfo(fileName).lastModified().addMSecs(-bytes * 1000 / rate);
  } catch (const Exception&) {
    return {};
  }
}

QString SaveProposal(const QString& folder, const QDateTime& time) { return QDir(folder).filePath(TakeFileName(time)); }

QString SaveFolder() {
  const QString last = UserSettings()->value(QStringLiteral("save/folder")).toString();
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (!music.isEmpty() && QFileInfo(music).isDir()) return music;
  return QDir::homePath();
}
