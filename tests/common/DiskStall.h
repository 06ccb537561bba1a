#pragma once
// A disk that stalls on request: this program's fdatasync is stood in for, and
// passes straight through unless a stall is armed. Linked into a test program
// by using any of these.
#include <chrono>
#include <functional>

// The next fdatasync, on any thread, blocks for stall before it syncs. The
// calling thread is taken as the window's, whose syncs are counted apart.
void ArmSyncStall(std::chrono::milliseconds stall);
void DisarmSyncStall();
// Syncs that stalled since the last ArmSyncStall.
int StalledSyncs();
// Whether one of them ran on the thread that armed it.
bool StalledOnArmingThread();
// Calls watch with the descriptor before each fdatasync on any thread, until
// an empty one is given: what the sync is about to make durable.
void WatchSyncs(std::function<void(int fd)> watch);
// Whether a sync is stalled right now.
bool SyncStalling();
