#pragma once
// A RIFF writer on a thread of its own. The window's thread must hand the
// device its buffers back in time; a disk that stalls in a write or in the
// durable sync would otherwise hold it, and the device would overrun. Blocks
// wait in a ring of bytes allocated once; a stall that outlasts the ring
// drops whole blocks (a clean join) and counts them, and the caller never
// waits on the disk until Finish.
#include "deAudioStreams.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <QString>

// The file as it stood at a settle point: the bytes before its audio, with
// sizes true for AudioBytes of audio, which follow them in the file.
struct TdeSettlePoint {
  std::vector<uint8_t> Head;
  int64_t AudioBytes = 0;
  QString Note;  // what the request's note said of the file then
};

class TdeAsyncWriter {
 public:
  // Takes a writer whose format is set; capacity is the ring's size in bytes.
  // onFailure runs on the writer's thread, once, when the file fails, so the
  // owner learns of it without waiting for the next block.
  TdeAsyncWriter(std::unique_ptr<TdeRIFFAudioWriter> writer, int64_t capacity,
                 std::function<void()> onFailure = nullptr);
  // Writes what is queued and finishes quietly (call Finish to see errors).
  ~TdeAsyncWriter();
  TdeAsyncWriter(const TdeAsyncWriter&) = delete;
  TdeAsyncWriter& operator=(const TdeAsyncWriter&) = delete;

  // Queues a copy of the block; raises the writer's failure once it has
  // happened. A block that finds no room is dropped and counted.
  void Write(const void* buffer, int32_t count);
  // Queues a patch of the sizes, so the file is complete as it stands.
  void Checkpoint();
  // Raises the writer's failure once it has happened.
  void Check();
  // Asks the writer's thread to put what is queued now on disk with true
  // sizes and to note the file as it then stands, before it writes any block
  // queued later; note runs there at that point. Returns at once, so the
  // caller can go on queueing; replaces a request not yet met.
  void RequestSettle(std::function<QString()> note = nullptr);
  // The point once the request is met; raises the writer's failure.
  std::optional<TdeSettlePoint> SettlePoint();
  // Ends the take without blocking for long: the thread writes what is
  // queued and completes the file. Waits up to wait for that; true once done.
  // A block written after this call is not written.
  bool Drain(std::chrono::milliseconds wait);
  // Waits until everything queued is on disk and the file is complete; raises
  // a failure not yet raised by Write. Later calls do nothing.
  void Finish();
  // Bytes of the blocks dropped because the ring was full.
  int64_t DroppedBytes() const;
  // Bytes the writer has taken so far (the audio in the file once written).
  int64_t WrittenBytes() const;

 private:
  struct TEntry {
    int64_t Offset = 0;
    int32_t Size = 0;  // 0: a checkpoint
  };
  void Run();
  // Where a block of count bytes fits in the ring, or -1; lock held.
  int64_t Place(int64_t count) const;
  bool PushEntry(TEntry entry);
  void Stop();
  void RaiseFailure();
  // On the thread, lock released: the settle point asked for.
  TdeSettlePoint MakeSettlePoint(const std::function<QString()>& note);

  std::unique_ptr<TdeRIFFAudioWriter> FWriter;
  std::vector<uint8_t> FRing;
  std::vector<TEntry> FEntries;  // a ring of queued blocks
  size_t FFirst = 0;
  size_t FCount = 0;
  int64_t FIn = 0;  // where the next block goes when it fits there
  int64_t FDropped = 0;
  int64_t FWritten = 0;
  uint64_t FPushed = 0;  // entries queued so far
  uint64_t FDone = 0;    // entries the thread has dealt with
  bool FSettleWanted = false;
  uint64_t FSettleAfter = 0;  // the last entry the settle point includes
  std::function<QString()> FSettleNote;
  std::optional<TdeSettlePoint> FSettled;
  std::exception_ptr FSettleFailure;
  bool FStopping = false;
  bool FThreadDone = false;  // the file is complete, or failed
  bool FFinished = false;
  bool FFailureRaised = false;
  std::exception_ptr FFailure;
  std::function<void()> FOnFailure;
  mutable std::mutex FLock;
  std::condition_variable FWake;
  std::condition_variable FChanged;  // a settle point was met, or the thread is done
  std::thread FThread;
};
