#include "SaveCopy.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "Places.h"
#include "Streams.h"
#include "TakeArchive.h"
#include "deAudioStreams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <sys/stat.h>
#include <pthread.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

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
// How often a wait on another thread looks whether it is over.
constexpr int kPollMs = 5;
// A WAV copy between two looks at cancel and progress.
constexpr int64_t kPiece = 8 << 20;

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

namespace {

QString SaveFailure(const QString& target, const QString& reason) {
  return QCoreApplication::translate("SaveCopy", "保存失败：%1\n%2").arg(QDir::toNativeSeparators(target), reason);
}

QString TypeName(const TSaveChoice& choice) {
  return choice.Type ? ExportTypeName(*choice.Type) : QStringLiteral("WAV");
}

}  // namespace

TSaveProgress::TSaveProgress(const TSaveChoice& choice, QWidget* parent, int showAfterMs)
    : F(std::make_unique<QProgressDialog>(QCoreApplication::translate("SaveCopy", "正在保存为%1：%2")
                                              .arg(TypeName(choice), QFileInfo(choice.FileName).fileName()),
                                          QCoreApplication::translate("SaveCopy", "取消"), 0, kSteps, parent)) {
  F->setWindowTitle(QCoreApplication::translate("SaveCopy", "保存"));
  F->setWindowModality(Qt::ApplicationModal);
  F->setMinimumDuration(showAfterMs);
  F->setAutoClose(false);
  F->setAutoReset(false);
  F->setValue(0);
}

TSaveProgress::~TSaveProgress() = default;

void TSaveProgress::HandleEvents() {
  // Until the progress window is up (it then blocks the others) the window's
  // buttons and keys wait: a Record now would cut the take short.
  QCoreApplication::processEvents(F->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void TSaveProgress::Show(int64_t done, int64_t total) {
  const int value = total > 0 ? static_cast<int>(std::clamp<int64_t>(done * kSteps / total, 0, kSteps)) : 0;
  if (value != F->value()) F->setValue(value);
}

bool TSaveProgress::Await(const std::function<bool()>& ready) {
  while (!ready()) {
    if (F->wasCanceled()) return false;
    HandleEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

void TSaveProgress::AwaitAnyway(const std::function<bool()>& ready) {
  F->setCancelButton(nullptr);
  while (!ready()) {
    HandleEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
}

void RefuseSameFile(const QString& source, const QString& target) {
  struct stat a {}, b {};
  if (::stat(QFile::encodeName(source).constData(), &a) != 0 ||
      ::stat(QFile::encodeName(target).constData(), &b) != 0)
    return;
  if (a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    throw EFCreateError(SaveFailure(
        target, QCoreApplication::translate("SaveCopy", "这是录音机正在使用的录音文件本身。请换一个名字或文件夹。")));
}

namespace {

// A copy between the threads: the copying one reports, the window's shows
// how far it is and may cancel.
struct TCopyJob {
  std::atomic<int64_t> Done{0};
  std::atomic<int64_t> Total{0};
  std::atomic<bool> Cancel{false};
  std::atomic<bool> Finished{false};
};

// Runs work on a thread of its own, so a slow or stalled disk holds that
// thread and not the window, while progress shows the job; a cancel is passed
// on and its end waited for.
void RunOffWindow(TSaveProgress& progress, TCopyJob& job, const std::function<void()>& work) {
  std::thread thread([&job, &work] {
    pthread_setname_np(pthread_self(), "tamsel save");
    work();
    job.Finished = true;
  });
  const auto finished = [&] { return job.Finished.load(); };
  try {
    if (!progress.Await([&] {
          progress.Show(job.Done, job.Total);
          return finished();
        })) {
      job.Cancel = true;
      progress.AwaitAnyway(finished);
    }
  } catch (...) {
    job.Cancel = true;
    thread.join();
    throw;
  }
  thread.join();
}

}  // namespace

bool SaveEncodedCopy(const QString& source, const TSaveChoice& choice, const QDateTime& taken,
                     TSaveProgress& progress) {
  Assert(choice.Type.has_value(), "SaveCopy", "Type");
  TdeExportSettings settings;
  settings.Type = *choice.Type;
  settings.Title = QFileInfo(choice.FileName).completeBaseName();
  if (taken.isValid()) settings.Date = taken.toString(Qt::ISODate);
  TCopyJob job;
  bool saved = false;
  std::exception_ptr failure;
  RunOffWindow(progress, job, [&] {
    try {
      saved = ExportAudioFile(source, choice.FileName, settings, [&](int64_t done, int64_t total) {
        job.Done = done;
        job.Total = total;
        return !job.Cancel;
      });
    } catch (...) {
      failure = std::current_exception();
    }
  });
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const Exception& e) {
    throw EFCreateError(SaveFailure(choice.FileName, e.Message()));
  }
  return saved;
}

bool SaveEncodedCopy(const QString& source, const TSaveChoice& choice, const QDateTime& taken, QWidget* parent,
                     int showAfterMs) {
  TSaveProgress progress(choice, parent, showAfterMs);
  return SaveEncodedCopy(source, choice, taken, progress);
}

namespace {

struct TWavCopy : TCopyJob {
  QString Source, Target;
  std::optional<TdeSettlePoint> Point;
  bool Cancelled = false;
  QString Failure;  // empty when it succeeded

  void Run() {
    QFile in(Source);
    QSaveFile out(Target);
    char buffer[256 * 1024];
    const auto fail = [&](const QString& reason) {
      out.cancelWriting();
      Failure = reason;
    };
    if (!in.open(QIODevice::ReadOnly)) return fail(in.errorString());
    if (!out.open(QIODevice::WriteOnly)) return fail(out.errorString());
    int64_t left = in.size();
    if (Point) {
      // The sizes as they were at the point, not as the recording has patched them since.
      const auto head = static_cast<qint64>(Point->Head.size());
      if (out.write(reinterpret_cast<const char*>(Point->Head.data()), head) != head) return fail(out.errorString());
      if (!in.seek(head)) return fail(in.errorString());
      left = Point->AudioBytes;
    }
    if (!out.flush()) return fail(out.errorString());
    // The kernel copies where it can (a clone where the file system shares
    // extents); between file systems the bytes come through here.
    int64_t from = in.pos(), to = out.pos();
    bool kernel = true;
    while (left > 0) {
      if (Cancel) {
        out.cancelWriting();
        Cancelled = true;
        return;
      }
      const int64_t piece = std::min<int64_t>(left, kPiece);
      qint64 n = -1;
      if (kernel) {
        loff_t inOff = from, outOff = to;
        n = ::copy_file_range(in.handle(), &inOff, out.handle(), &outOff, static_cast<size_t>(piece), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
          kernel = false;
          continue;
        }
        if (n < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
      } else {
        if (!in.seek(from)) return fail(in.errorString());
        if (!out.seek(to)) return fail(out.errorString());
        n = in.read(buffer, std::min<int64_t>(piece, sizeof buffer));
        if (n < 0) return fail(in.errorString());
        if (n > 0 && out.write(buffer, n) != n) return fail(out.errorString());
      }
      if (n == 0)
        return fail(QCoreApplication::translate("SaveCopy", "录音文件在复制时变短了，副本不完整。"));
      from += n;
      to += n;
      left -= n;
      Done += n;
    }
    // The pad byte of an odd-sized chunk, which the next block overwrote.
    const char pad = 0;
    if (Point && Point->AudioBytes % 2 != 0 && (!out.seek(to) || out.write(&pad, 1) != 1))
      return fail(out.errorString());
    if (!out.commit()) return fail(out.errorString());
  }
};

}  // namespace

bool SaveWavCopy(const QString& source, const QString& target, const TdeSettlePoint* point, TSaveProgress& progress) {
  TWavCopy copy;
  copy.Source = source;
  copy.Target = target;
  if (point) copy.Point = *point;
  copy.Total = point ? point->AudioBytes : QFileInfo(source).size();
  RunOffWindow(progress, copy, [&] { copy.Run(); });
  if (!copy.Failure.isEmpty()) throw EFCreateError(SaveFailure(target, copy.Failure));
  return !copy.Cancelled;
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
