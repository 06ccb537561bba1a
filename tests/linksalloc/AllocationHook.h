#pragma once
// Heap allocations made by this thread between Arm and Disarm.
#include <cstddef>

struct TAllocationCounter {
  static void Arm();
  static long Disarm();  // the count since Arm
  static size_t FirstSize();  // size of the first counted allocation
  static bool CountsMalloc();  // false in sanitizer builds: operator new only
};
