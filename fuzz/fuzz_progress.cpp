// Reading a progress chunk of the conversion, against any total the duration
// may give (zero, negative, huge, NaN, infinite included).
//
// Input: one byte that picks the total (a value from the table below, or the
// next eight bytes taken as a double), then the chunk.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "clearness/TimeCode.h"
#include "client/ConversionError.h"
#include "conversion/ProgressChunk.h"

using velmora::ProgressKind;

namespace {

constexpr double kTotals[] = {
    180.0,
    8.0,
    0.0,
    -0.0,
    -1.0,
    0.01,
    1e-300,
    std::numeric_limits<double>::denorm_min(),
    21474836.47,
    1e300,
    std::numeric_limits<double>::max(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
};
constexpr std::size_t kTotalCount = sizeof(kTotals) / sizeof(kTotals[0]);

std::optional<double> ReadsAs(const std::string& timeText) {
  try {
    return velmora::ParseTimeCode(timeText);
  } catch (const velmora::ConversionError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  double total = 0;
  std::size_t at = 1;
  if (data[0] < kTotalCount) {
    total = kTotals[data[0]];
  } else {
    if (size < 9) return 0;
    std::memcpy(&total, data + 1, sizeof total);
    at = 9;
  }
  const std::string_view chunk(reinterpret_cast<const char*>(data + at), size - at);

  // The time text stands between the first "time=" and the one character
  // before the first "bitrate=".
  const std::string timeText = velmora::ParseProgressChunk(chunk);
  const std::size_t t = chunk.find("time=");
  const std::size_t b = chunk.find("bitrate=");
  if (!timeText.empty()) {
    CHECK(t != std::string_view::npos && b != std::string_view::npos, "a time text without marks");
    CHECK(chunk.substr(t + 5, timeText.size()) == timeText, "the time text is not after time=");
    CHECK(t + 5 + timeText.size() + 1 == b, "the time text does not end before bitrate=");
  } else if (t != std::string_view::npos && b != std::string_view::npos) {
    CHECK(b <= t + 6, "an empty time text where one stands between the marks");
  }

  const velmora::ProgressReading r = velmora::ReadProgress(chunk, total);
  const bool marked = chunk.find("size=") != std::string_view::npos && t != std::string_view::npos;
  CHECK((r.kind == ProgressKind::None) == !marked, "kind None disagrees with the marks");
  if (r.gauge) CHECK(*r.gauge >= 0 && *r.gauge <= 100, "gauge %d", *r.gauge);
  if (r.kind != ProgressKind::Progress) {
    CHECK(!r.gauge && r.label.empty(), "a chunk without progress moved gauge or label");
    if (r.kind == ProgressKind::Unreadable)
      CHECK(!ReadsAs(timeText), "skipped a time text that reads: '%s'", timeText.c_str());
    return 0;
  }

  // Progress: the time text reads as a time code, the label shows it as it is.
  const std::optional<double> elapsed = ReadsAs(timeText);
  CHECK(elapsed.has_value(), "progress from a time text that does not read: '%s'",
        timeText.c_str());
  CHECK(r.label == "Process " + timeText + " ......", "label '%s' for time text '%s'",
        r.label.c_str(), timeText.c_str());

  const bool usableTotal = total > 0 && std::isfinite(total);
  CHECK(r.gauge.has_value() == usableTotal, "gauge presence %d with total %g", r.gauge.has_value(),
        total);
  if (!r.gauge) return 0;
  const double e = *elapsed;
  if (e >= total) {
    CHECK(*r.gauge == 100, "gauge %d at %g of %g", *r.gauge, e, total);
  } else if (e <= 0) {
    CHECK(*r.gauge == 0, "gauge %d at %g of %g", *r.gauge, e, total);
  } else if (!std::isnan(e)) {
    const double percent = e / total * 100;
    CHECK(std::fabs(*r.gauge - percent) <= 0.5, "gauge %d for %g percent", *r.gauge, percent);
  }
  return 0;
}
