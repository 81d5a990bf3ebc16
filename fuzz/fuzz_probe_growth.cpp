// Reading the probe's output takes time in proportion to the text: a search
// that starts over from the front for every mark is quadratic, and at the
// 16 MB the probe may collect that would hang the program.
//
// Input: a text, then two bytes that pick the stretch of it to repeat. The
// text is made large twice (64 KB and 512 KB: the head, the stretch repeated,
// the tail); eight times the text must take about eight times as long, not
// sixty-four. Kept apart from fuzz_probe because every input here costs
// milliseconds.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "FuzzCheck.h"
#include "client/ProbeMedia.h"
#include "client/Tffinfo.h"

namespace {

std::string Amplify(std::string_view text, unsigned char from, unsigned char to, std::size_t size) {
  std::size_t a = text.size() * from / 256;
  std::size_t b = text.size() * to / 256;
  if (a > b) std::swap(a, b);
  if (a == b) {
    a = 0;
    b = text.size();
  }
  const std::string_view middle = text.substr(a, b - a);
  std::string large(text.substr(0, a));
  large.reserve(size + text.size());
  while (large.size() < size) large += middle;
  large += text.substr(b);
  return large;
}

double SecondsToRead(const std::string& text) {
  velmora::Tffinfo info;
  std::string code;
  const auto begin = std::chrono::steady_clock::now();
  velmora::ReadProbeOutput(text, info, code);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size - 2);
  const std::string small = Amplify(text, data[size - 2], data[size - 1], 64 * 1024);
  const std::string large = Amplify(text, data[size - 2], data[size - 1], 512 * 1024);

  // Room for noise: 24 times, plus 50 ms. A busy machine may stall one
  // measurement, so only three slow ones in a row count.
  double smallSeconds = 0;
  double largeSeconds = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    smallSeconds = SecondsToRead(small);
    largeSeconds = SecondsToRead(large);
    if (largeSeconds <= 24 * smallSeconds + 0.05) return 0;
  }
  CHECK(false, "reading %zu bytes took %.3f s, %zu bytes %.3f s", small.size(), smallSeconds,
        large.size(), largeSeconds);
  return 0;
}
