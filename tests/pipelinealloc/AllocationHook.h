#pragma once
// Heap allocations made by this thread between Arm and Disarm, split into
// the global operator new (the program's C++ code) and direct calls of the C
// allocator (C libraries such as the codecs'). Sanitizer builds own malloc:
// there only operator new is counted.
#include <cstddef>

struct TAllocationCounter {
  static void Arm();
  static long Disarm();       // both counts since Arm
  static long NewCount();     // operator new since the last Arm
  static long MallocCount();  // C allocator since the last Arm
  static size_t FirstSize();  // size of the first counted allocation
  static bool CountsMalloc();
};
