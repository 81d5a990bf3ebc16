// Reading a time code: any text either gives a number without a sanitizer
// report, or raises the conversion error naming one of its three fields;
// nothing else may escape.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "clearness/TimeCode.h"
#include "client/ConversionError.h"

namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Plain short fields ("12", "07", "05.25"): the value is known exactly enough
// to be checked without reading decimals the way the program does.
bool PlainField(std::string_view s, long long& hundredths) {
  const std::size_t point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
  if (!AllDigits(whole) || whole.size() > 6) return false;
  if (point != std::string_view::npos && (fraction.size() != 2 || !AllDigits(fraction)))
    return false;
  hundredths = std::stoll(std::string(whole)) * 100;
  if (!fraction.empty()) hundredths += std::stoll(std::string(fraction));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const velmora::TimeCodeFields f = velmora::SplitTimeCode(text);

  double seconds = 0;
  try {
    seconds = velmora::ParseTimeCode(text);
  } catch (const velmora::ConversionError& e) {
    CHECK(e.text() == f.hours || e.text() == f.minutes || e.text() == f.seconds,
          "the error names '%s', which is none of the fields", e.text().c_str());
    return 0;
  } catch (const std::exception& e) {
    CHECK(false, "unexpected exception: %s", e.what());
  } catch (...) {
    CHECK(false, "unexpected exception of unknown type");
  }

  // A text that reads has two ":" that split it into fields, and none more.
  CHECK(!f.hours.empty() && !f.minutes.empty() && !f.seconds.empty(), "an empty field read");
  CHECK(f.hours.size() + f.minutes.size() + f.seconds.size() + 2 == text.size(),
        "the fields do not make up the text");
  CHECK(f.seconds.find(':') == std::string::npos, "a seconds field with ':' read");

  long long h = 0;
  long long m = 0;
  long long s = 0;
  if (PlainField(f.hours, h) && PlainField(f.minutes, m) && PlainField(f.seconds, s)) {
    const long long expected = h * 3600 + m * 60 + s;
    CHECK(std::llround(seconds * 100) == expected, "'%.*s' read as %.17g, expected %lld/100",
          static_cast<int>(size), text.data(), seconds, expected);
  }
  return 0;
}
