#include "deTakeCut.h"

#include "Exceptions.h"
#include "deTakeBlocks.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU64(uint8_t* p, uint64_t v) {
  PutU32(p, static_cast<uint32_t>(v));
  PutU32(p + 4, static_cast<uint32_t>(v >> 32));
}

constexpr int64_t kMaxRiffSize = 0xFFFFFFFFll;

// The recorder's layout (a reserved chunk that turns into "ds64", "fmt ",
// "data") with a "fact" chunk for the encodings other than PCM, sized for
// dataBytes of audio that decode to frames.
std::vector<uint8_t> CutHeader(const TdeWaveFormat& format, int64_t dataBytes, int64_t frames) {
  const WAVEFORMATEX* wf = format.WaveFormat();
  const uint32_t fmtSize = wf->wFormatTag == WAVE_FORMAT_PCM ? 16u : 18u + format.ExtraSize();
  const bool fact = wf->wFormatTag != WAVE_FORMAT_PCM && wf->wFormatTag != WAVE_FORMAT_EXTENSIBLE;
  std::vector<uint8_t> h;
  auto put = [&h](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    h.insert(h.end(), b, b + n);
  };
  auto putU32 = [&h](uint32_t v) {
    h.resize(h.size() + 4);
    PutU32(h.data() + h.size() - 4, v);
  };
  const size_t headerSize = 12 + 36 + 8 + fmtSize + (fmtSize & 1) + (fact ? 12 : 0) + 8;
  const int64_t riffSize = static_cast<int64_t>(headerSize) - 8 + dataBytes + (dataBytes & 1);
  const bool rf64 = riffSize > kMaxRiffSize;
  const uint32_t counted = frames > UINT32_MAX || (rf64 && frames == UINT32_MAX) ? 0xFFFFFFFFu
                                                                                  : static_cast<uint32_t>(frames);
  put(rf64 ? "RF64" : "RIFF", 4);
  putU32(rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(riffSize));
  put("WAVE", 4);
  put(rf64 ? "ds64" : "JUNK", 4);
  putU32(28);
  h.resize(h.size() + 28);
  if (rf64) {
    uint8_t* sizes = h.data() + h.size() - 28;
    PutU64(sizes, static_cast<uint64_t>(riffSize));
    PutU64(sizes + 8, static_cast<uint64_t>(dataBytes));
    PutU64(sizes + 16, static_cast<uint64_t>(frames));
  }
  put("fmt ", 4);
  putU32(fmtSize);
  put(wf, fmtSize);
  if (fmtSize & 1) h.push_back(0);
  if (fact) {
    put("fact", 4);
    putU32(4);
    putU32(counted);
  }
  put("data", 4);
  putU32(rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(dataBytes));
  return h;
}

[[noreturn]] void Fail(bool writing, const TFileStream& file, int error) {
  const QString text = QStringLiteral("Cannot %1 \"%2\". %3")
                           .arg(writing ? QStringLiteral("write to") : QStringLiteral("read from"), file.FileName(),
                                QString::fromLocal8Bit(std::strerror(error)));
  if (writing) throw EWriteError(text);
  throw EReadError(text);
}

// A piece of the copy between two progress reports.
constexpr int64_t kPiece = 16 << 20;

// Copies count bytes at from in `in` to `to` in out. The kernel moves them
// where it can (a clone on file systems that share extents); a hole in the
// source is skipped, leaving one in out, which must be new and empty.
bool CopyRange(TFileStream& in, int64_t from, TFileStream& out, int64_t to, int64_t count,
               const TdeCutProgress& progress) {
  const int src = in.Handle(), dst = out.Handle();
  bool kernel = true;
  std::vector<uint8_t> buffer;
  int64_t done = 0;
  while (done < count) {
    const int64_t at = from + done;
    const off_t data = ::lseek(src, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // a hole to the end
    if (data > at) {
      done = std::min(count, data - from);
      continue;
    }
    off_t hole = data < 0 ? -1 : ::lseek(src, at, SEEK_HOLE);
    if (hole <= at) hole = from + count;
    const int64_t piece = std::min({static_cast<int64_t>(hole) - at, count - done, kPiece});
    int64_t moved = 0;
    while (moved < piece) {
      ssize_t n = -1;
      if (kernel) {
        loff_t inOff = at + moved, outOff = to + done + moved;
        n = ::copy_file_range(src, &inOff, dst, &outOff, static_cast<size_t>(piece - moved), 0);
        if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
          kernel = false;
          continue;
        }
        if (n < 0 && errno != EINTR)
          Fail(errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EROFS, errno == EIO ? in : out,
               errno);
      } else {
        if (buffer.empty()) buffer.resize(1 << 20);
        const size_t want = static_cast<size_t>(std::min<int64_t>(piece - moved, int64_t(buffer.size())));
        n = ::pread(src, buffer.data(), want, at + moved);
        if (n < 0 && errno != EINTR) Fail(false, in, errno);
        for (ssize_t w = 0; n > 0 && w < n;) {
          const ssize_t k = ::pwrite(dst, buffer.data() + w, static_cast<size_t>(n - w), to + done + moved + w);
          if (k < 0 && errno == EINTR) continue;
          if (k <= 0) Fail(true, out, k < 0 ? errno : ENOSPC);
          w += k;
        }
      }
      if (n == 0) Fail(false, in, EIO);  // the source ended early: it shrank meanwhile
      if (n > 0) moved += n;
    }
    done += piece;
    if (progress && !progress(done, count)) return false;
  }
  return true;
}

}  // namespace

TdeCutRange PlanCut(const TdeWaveFormat& format, TStream& data, int64_t firstFrame, int64_t endFrame) {
  const TdeTakeBlocks blocks(format, data);
  const int64_t frames = blocks.Frames(), size = data.Size();
  TdeCutRange r;
  if (firstFrame > 0) {
    const auto start = blocks.Nearest(firstFrame);
    r.FirstFrame = start.Frame;
    r.Offset = start.DecodeOffset;
    r.Skip = start.DecodeSkip;
  }
  // To the end of the take, what follows the last whole block included.
  int64_t end = size;
  r.EndFrame = frames;
  if (endFrame < frames) {
    const auto stop = blocks.Nearest(std::max<int64_t>(endFrame, 0));
    r.EndFrame = stop.Frame;
    end = stop.Offset;
  }
  if (r.EndFrame <= r.FirstFrame || end <= r.Offset) {
    // Nothing is left: an empty take where the cut was.
    r.Offset = std::min(r.Offset, size);
    r.EndFrame = r.FirstFrame;
    r.Skip = 0;
    end = r.Offset;
  }
  r.Bytes = end - r.Offset;
  return r;
}

bool WriteCut(const TdeWaveFormat& format, TFileStream& in, int64_t dataStart, const TdeCutRange& range,
              TFileStream& out, const TdeCutProgress& progress) {
  const std::vector<uint8_t> header = CutHeader(format, range.Bytes, range.Frames());
  out.Seek(0, soBeginning);
  out.WriteBuffer(header.data(), static_cast<int32_t>(header.size()));
  const int64_t audioAt = static_cast<int64_t>(header.size());
  if (!CopyRange(in, dataStart + range.Offset, out, audioAt, range.Bytes, progress)) return false;
  // Word alignment: a zero pad byte after odd-sized audio, which the size covers.
  const int64_t end = audioAt + range.Bytes + (range.Bytes & 1);
  out.SetSize(end);
  out.Flush();
  return true;
}
