#include "DiskStall.h"

#include <dlfcn.h>
#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> gStallMs{0};
std::atomic<int> gStalled{0};
std::atomic<bool> gOnArmingThread{false};
std::atomic<bool> gStalling{false};
std::thread::id gArmingThread;
std::mutex gWatchLock;
std::function<void(int)> gWatch;

}  // namespace

void ArmSyncStall(std::chrono::milliseconds stall) {
  gArmingThread = std::this_thread::get_id();
  gStalled = 0;
  gOnArmingThread = false;
  gStallMs = static_cast<int>(stall.count());
}

void DisarmSyncStall() { gStallMs = 0; }

int StalledSyncs() { return gStalled.load(); }

bool StalledOnArmingThread() { return gOnArmingThread.load(); }

void WatchSyncs(std::function<void(int fd)> watch) {
  const std::lock_guard lock(gWatchLock);
  gWatch = std::move(watch);
}
bool SyncStalling() { return gStalling.load(); }

extern "C" int fdatasync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
  {
    const std::lock_guard lock(gWatchLock);
    if (gWatch) gWatch(fd);
  }
  if (const int ms = gStallMs.exchange(0); ms > 0) {
    if (std::this_thread::get_id() == gArmingThread) gOnArmingThread = true;
    gStalling = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    ++gStalled;
    gStalling = false;
  }
  return real(fd);
}
