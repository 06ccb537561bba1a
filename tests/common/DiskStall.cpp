#include "DiskStall.h"

#include <dlfcn.h>
#include <atomic>
#include <thread>

namespace {

std::atomic<int> gStallMs{0};
std::atomic<int> gStalled{0};
std::atomic<bool> gOnArmingThread{false};
std::thread::id gArmingThread;

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

extern "C" int fdatasync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
  if (const int ms = gStallMs.exchange(0); ms > 0) {
    if (std::this_thread::get_id() == gArmingThread) gOnArmingThread = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    ++gStalled;
  }
  return real(fd);
}
