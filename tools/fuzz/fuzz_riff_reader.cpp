// Arbitrary bytes as a WAVE file: the reader either refuses them or hands out
// a window that reads back within the file. Nothing else may happen.
#include "deAudioStreams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int32_t>(size));
  stream.SetPosition(0);
  try {
    TdeRIFFAudioReader reader(&stream);
    const TdeWaveFormat* format = reader.GetFormat();
    if (format->ExtraSize() > 494) std::abort();
    uint8_t buf[4096];
    if (reader.ReadStream(0, buf, sizeof buf) < 0) std::abort();
    auto window = reader.OpenStream(0);
    int64_t total = 0;
    for (int32_t n; (n = window->Read(buf, sizeof buf)) > 0;) total += n;
    if (total != window->Size() || window->Start() + total > static_cast<int64_t>(size)) std::abort();
  } catch (const EACMAudioReadError&) {
  } catch (const EAssertionFailed&) {
    // the window check: data said to reach past the end of the file
  }
  return 0;
}
