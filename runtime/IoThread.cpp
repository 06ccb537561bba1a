#include "IoThread.h"

#include <pthread.h>

TIoThread::TIoThread() : FThread([this] { Run(); }) {}

TIoThread::~TIoThread() {
  {
    std::unique_lock lock(FLock);
    FDone.wait(lock, [this] { return FWork == nullptr; });
    FStopping = true;
  }
  FWake.notify_one();
  FThread.join();
}

void TIoThread::Start(void (*work)(void*), void* arg) {
  {
    std::unique_lock lock(FLock);
    FDone.wait(lock, [this] { return FWork == nullptr; });
    FWork = work;
    FArg = arg;
  }
  FWake.notify_one();
}

void TIoThread::Wait() {
  std::unique_lock lock(FLock);
  FDone.wait(lock, [this] { return FWork == nullptr; });
}

void TIoThread::Run() {
  pthread_setname_np(pthread_self(), "tamsel file io");
  std::unique_lock lock(FLock);
  for (;;) {
    FWake.wait(lock, [this] { return FWork != nullptr || FStopping; });
    if (FWork == nullptr) return;
    void (*work)(void*) = FWork;
    void* arg = FArg;
    lock.unlock();
    work(arg);
    lock.lock();
    FWork = nullptr;
    FDone.notify_all();
  }
}
