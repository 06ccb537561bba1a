#include "TakeCut.h"

#include "Application.h"
#include "ComCtrls.h"
#include "Exceptions.h"
#include "Streams.h"
#include "TakeArchive.h"
#include "deAudioStreams.h"
#include "deTakeCut.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QShortcut>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>

namespace {

constexpr int kSteps = 1000;

[[noreturn]] void FailWith(const QString& reason) { throw EFCreateError(reason); }

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The rename reaches the disk: after a power cut the working file is one take or the other.
void SyncFolder(const QString& file) {
  const int fd = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TTakeCut::TTakeCut(QWidget& window, QString workingFile, TTakeArchive& takes, TProgressBar& bar, TTakeCutHost host)
    : FWindow(window), FWorkingFile(std::move(workingFile)), FTakes(takes), FBar(bar), FHost(std::move(host)) {
  const std::pair<QKeySequence, TSide> keys[] = {
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Home), DeleteBefore},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_End), DeleteAfter},
  };
  for (const auto& [key, side] : keys) {
    auto shortcut = std::make_unique<QShortcut>(key, &window);
    shortcut->setAutoRepeat(false);
    connect(shortcut.get(), &QShortcut::activated, this, [this, side = side] { Cut(side); });
    FKeys.push_back(std::move(shortcut));
  }
}

TTakeCut::~TTakeCut() = default;

QString CutWorkingFile(const QString& workingFile, TTakeArchive& takes, TTakeCut::TSide side, int64_t at,
                       const TdeCutProgress& progress, const std::function<void(int)>& step) {
  const auto stepped = [&step](int n) {
    if (step) step(n);
  };
  const QString temp = QFileInfo(workingFile).absoluteDir().filePath(
      QStringLiteral(".%1.cut").arg(QFileInfo(workingFile).fileName()));
  {
    TFileStream in(workingFile, fmOpenRead);
    TdeRIFFAudioReader reader(&in);
    const std::unique_ptr<TdeSubStream> data = reader.OpenStream(0);
    TdeWaveFormat format;
    format.Assign(reader.GetFormat());
    const TdeCutRange range = side == TTakeCut::DeleteBefore ? PlanCut(format, *data, at, INT64_MAX)
                                                             : PlanCut(format, *data, 0, at);
    // At the start (before) or the end (after) there is nothing to delete.
    if (range.Offset == 0 && range.Bytes == data->Size()) return {};
    TFileStream out(temp, fmCreate);
    bool done = false;
    try {
      done = WriteCut(format, in, reader.DataStart(), range, out, progress);
    } catch (...) {
      QFile::remove(temp);
      throw;
    }
    if (!done) {
      QFile::remove(temp);
      return {};
    }
  }
  stepped(1);
  QString reason;
  const QString kept = takes.KeepLinked(reason);
  if (kept.isEmpty()) {
    QFile::remove(temp);
    FailWith(QCoreApplication::translate("TTakeCut", "剪切前的录音无法保留（%1）").arg(reason));
  }
  stepped(2);
  if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(workingFile).constData()) != 0) {
    const int error = errno;
    QFile::remove(temp);
    QFile::remove(kept);
    FailWith(SystemReason(error));
  }
  stepped(3);
  SyncFolder(workingFile);
  stepped(4);
  return kept;
}

void TTakeCut::Cut(TSide side) {
  if (!CanCut()) return;
  const int64_t at = FHost.PausedFrame();
  try {
    FHost.Stop();
    std::atomic<int64_t> copied{0}, total{0};
    std::atomic<bool> cancel{false};
    auto job = std::async(std::launch::async, [&] {
      return CutWorkingFile(FWorkingFile, FTakes, side, at, [&](int64_t bytes, int64_t all) {
        copied = bytes;
        total = all;
        return !cancel;
      });
    });
    QProgressDialog progress(tr("正在剪切录音……"), tr("取消"), 0, kSteps, &FWindow);
    progress.setWindowTitle(tr("剪切"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(FShowAfterMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    while (job.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready) {
      if (total > 0) progress.setValue(static_cast<int>(copied * kSteps / total));
      // Until the progress window is up (it then blocks the others) the
      // window's buttons and keys wait.
      QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                           : QEventLoop::ExcludeUserInputEvents);
      if (progress.wasCanceled()) cancel = true;
    }
    const QString kept = job.get();
    if (kept.isEmpty()) return;
    FBar.SetPosition(side == DeleteBefore ? 0 : FBar.Max());
    FHost.Tell(tr("已剪切，剪切前的录音保存在 %1").arg(QDir::toNativeSeparators(kept)));
  } catch (const Exception& e) {
    TApplication::Instance()->ShowException(tr("无法剪切录音：%1\n录音保持原样。").arg(e.Message()));
  }
}
