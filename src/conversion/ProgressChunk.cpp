#include "ProgressChunk.h"

#include <algorithm>
#include <cmath>

#include "clearness/TimeCode.h"
#include "client/Rounding.h"
#include "client/TextUtil.h"

namespace velmora {

std::string ParseProgressChunk(std::string_view chunk) {
  const std::size_t time = chunk.find("time=");
  const std::size_t bitrate = chunk.find("bitrate=");
  if (time == std::string_view::npos || bitrate == std::string_view::npos) return {};
  if (bitrate < time + 6) return {};
  return std::string(chunk.substr(time + 5, bitrate - time - 6));
}

ProgressReading ReadProgress(std::string_view chunk, double totalSeconds) {
  ProgressReading reading;
  if (!Contains(chunk, "size=") || !Contains(chunk, "time=")) return reading;

  const TimeCodeFields f = SplitTimeCode(ParseProgressChunk(chunk));
  double hours = 0;
  double minutes = 0;
  double seconds = 0;
  if (!ReadDecimal(f.hours, hours) || !ReadDecimal(f.minutes, minutes) ||
      !ReadDecimal(f.seconds, seconds)) {
    reading.kind = ProgressKind::Unreadable;
    return reading;
  }
  const double elapsed = hours * 60 * 60 + minutes * 60 + seconds;

  reading.kind = ProgressKind::Progress;
  if (totalSeconds > 0 && std::isfinite(totalSeconds)) {
    const double percent = RoundHalfEven(elapsed / totalSeconds * 100);
    reading.gauge = std::isnan(percent) ? 0 : static_cast<int>(std::clamp(percent, 0.0, 100.0));
  }
  reading.label = "Process " + f.hours + ":" + f.minutes + ":" + f.seconds + " ......";
  return reading;
}

namespace {

// Whether `name`, placed so that it starts at `start` of `window` (which may
// lie before the window's start), agrees with the window wherever both exist.
bool NameFits(std::string_view window, std::string_view name, long long start) {
  const long long from = std::max(start, 0LL);
  const long long to =
      std::min(start + static_cast<long long>(name.size()), static_cast<long long>(window.size()));
  if (from >= to) return false;
  return window.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)) ==
         name.substr(static_cast<std::size_t>(from - start), static_cast<std::size_t>(to - from));
}

bool InsideAName(std::string_view window, std::size_t at, std::string_view marker,
                 const std::vector<std::string>& names) {
  for (const std::string& name : names)
    for (std::size_t q = name.find(marker); q != std::string::npos; q = name.find(marker, q + 1))
      if (NameFits(window, name, static_cast<long long>(at) - static_cast<long long>(q)))
        return true;
  return false;
}

}  // namespace

bool ContainsOutsideNames(std::string_view window, std::string_view marker,
                          const std::vector<std::string>& names) {
  if (marker.empty()) return false;
  for (std::size_t at = window.find(marker); at != std::string_view::npos;
       at = window.find(marker, at + 1))
    if (!InsideAName(window, at, marker, names)) return true;
  return false;
}

}  // namespace velmora
