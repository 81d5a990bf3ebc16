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

}  // namespace velmora
