// Writing and reading back a time code: every whole number of hundredths the
// position slider can hold (0 to 2^31-1) is written as exactly its hours,
// minutes, seconds and hundredths, and reads back to the same number.
//
// The input is a list of 32-bit words (little-endian, the top bit dropped),
// each one such number; a short tail is padded with zeros.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "clearness/TimeCode.h"
#include "client/ConversionError.h"

namespace {

std::string TwoDigits(long long v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

void CheckOne(std::int32_t n) {
  const std::string text = velmora::FormatTimeCode(n / 100.0);

  // Integer arithmetic only: no rounding can hide here.
  const long long hours = n / 360000;
  const long long minutes = n / 6000 % 60;
  const long long seconds = n / 100 % 60;
  const long long hundredths = n % 100;
  const std::string expected = TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" +
                               TwoDigits(seconds) + "." + TwoDigits(hundredths);
  CHECK(text == expected, "%d hundredths written as '%s', expected '%s'", n, text.c_str(),
        expected.c_str());

  double back = 0;
  try {
    back = velmora::ParseTimeCode(text);
  } catch (const velmora::ConversionError& e) {
    CHECK(false, "'%s' does not read back: field '%s'", text.c_str(), e.text().c_str());
  }
  const double scaled = back * 100;
  CHECK(std::isfinite(scaled) && std::llround(scaled) == n,
        "'%s' reads back as %.17g seconds, not %d hundredths", text.c_str(), back, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (std::size_t at = 0; at < size; at += 4) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4 && at + i < size; ++i)
      word |= static_cast<std::uint32_t>(data[at + i]) << (8 * i);
    CheckOne(static_cast<std::int32_t>(word & 0x7fffffffu));
  }
  return 0;
}
