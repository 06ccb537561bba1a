#pragma once
// The processor's vector state between pieces of audio work.
//
// Some library code (Qt's, for one) uses 256-bit vector registers and returns
// without clearing their upper halves. Until something clears them, every
// 128-bit SSE instruction of the codecs and the resampler, which are built
// for plain SSE, carries a false dependency on those halves: an MP3 encode ran
// 7% slower and libm's pow four times slower for it. A conversion clears the
// state before it starts.

// Clears the upper halves of the vector registers where the processor has
// them (a no-op elsewhere). The lower 128 bits, all that SSE code sees, stay.
void ClearUpperVectorState() noexcept;

// Whether the upper halves are in use now: false where the processor cannot
// tell. For tests.
bool UpperVectorStateInUse() noexcept;
