#pragma once
// A thread that does one piece of file work at a time for its owner, so the
// owner computes its next piece while the disk takes the last: a stream that
// reads ahead or writes behind. Nothing is allocated per piece.
#include <condition_variable>
#include <mutex>
#include <thread>

class TIoThread {
 public:
  TIoThread();
  // Waits for the piece in hand, then ends the thread.
  ~TIoThread();
  TIoThread(const TIoThread&) = delete;
  TIoThread& operator=(const TIoThread&) = delete;

  // Hands work(arg) to the thread, after the piece before it is done.
  void Start(void (*work)(void*), void* arg);
  // Returns once the piece in hand is done; what it wrote is then seen here.
  void Wait();

 private:
  void Run();

  std::mutex FLock;
  std::condition_variable FWake;
  std::condition_variable FDone;
  void (*FWork)(void*) = nullptr;
  void* FArg = nullptr;
  bool FStopping = false;
  std::thread FThread;
};
