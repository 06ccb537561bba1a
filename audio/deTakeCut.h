#pragma once
// Cutting a take without decoding it. The kept part of the data chunk is
// copied byte for byte under a header of its own, so every kept block decodes
// as it did before. A cut falls on a block boundary of the encoding (a sample
// frame for the linear ones); where a decoder carries state from block to
// block, the kept part starts early enough to rebuild that state, and its
// first frames are the warm-up before the cut.
#include "Streams.h"
#include "deACM.h"

#include <QString>
#include <cstdint>
#include <functional>

// The part of a take a cut keeps.
struct TdeCutRange {
  int64_t Offset = 0;      // first kept byte of the data chunk
  int64_t Bytes = 0;       // kept bytes
  int64_t FirstFrame = 0;  // the take's frame the kept audio starts with
  int64_t EndFrame = 0;    // the take's frame after the last kept one
  int64_t Skip = 0;        // frames a decode of the kept bytes gives before FirstFrame
  // Sample frames the kept bytes decode to.
  int64_t Frames() const { return EndFrame - FirstFrame + Skip; }
};

// Keeps the take's frames from firstFrame up to endFrame, each moved to the
// block boundary nearest it. data is the take's data chunk.
TdeCutRange PlanCut(const TdeWaveFormat& format, TStream& data, int64_t firstFrame, int64_t endFrame);

// Told (bytes done, bytes in all) between pieces of the copy; false stops it.
using TdeCutProgress = std::function<bool(int64_t done, int64_t total)>;

// Writes into out, a new empty file, a WAVE file of the kept part of in's
// data chunk (which starts at dataStart): the header the recorder writes with
// the kept sizes and, for encodings other than PCM, the kept frame count;
// RF64 when it is still past what a RIFF size can claim. The bytes move in the
// kernel where the file systems allow it, and holes in the source stay holes.
// The file reaches the disk before this returns. False when progress stopped
// it; failures raise EWriteError or EReadError with the system's reason.
bool WriteCut(const TdeWaveFormat& format, TFileStream& in, int64_t dataStart, const TdeCutRange& range,
              TFileStream& out, const TdeCutProgress& progress = {});
