#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The three fields of a time code, split at the first two ":" (a third ":"
// stays inside the seconds field). A missing field is empty.
struct TimeCodeFields {
  std::string hours;
  std::string minutes;
  std::string seconds;
};
TimeCodeFields SplitTimeCode(std::string_view text);

// Reads one field: optional sign, digits with at most one ".", optional
// exponent, surrounding spaces allowed. "." is the decimal point whatever the
// locale. False when the field does not read (an empty field does not).
bool ReadDecimal(std::string_view field, double& value);

// "hh:mm:ss.ff" -> seconds (hours*3600 + minutes*60 + seconds, summed in that
// order). Throws ConversionError with the first field that does not read.
double ParseTimeCode(std::string_view text);

// Seconds (a whole number of hundredths, not negative) -> "HH:MM:SS.ss",
// hours with at least two digits.
std::string FormatTimeCode(double seconds);

}  // namespace velmora
