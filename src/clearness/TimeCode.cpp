#include "TimeCode.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "client/ConversionError.h"
#include "client/Rounding.h"
#include "client/TextUtil.h"

namespace velmora {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Two digits at least: "5" -> "05".
std::string Pad2(std::string text) {
  return text.size() <= 1 ? "0" + text : text;
}

}  // namespace

TimeCodeFields SplitTimeCode(std::string_view text) {
  TimeCodeFields f;
  std::string_view rest = text;
  const size_t first = text.find(':');
  if (first != std::string_view::npos) {
    f.hours = std::string(text.substr(0, first));
    rest = text.substr(first + 1);
  }
  const size_t second = rest.find(':');
  if (second != std::string_view::npos) {
    f.minutes = std::string(rest.substr(0, second));
    rest = rest.substr(second + 1);
  }
  f.seconds = std::string(rest);
  return f;
}

bool ReadDecimal(std::string_view field, double& value) {
  size_t i = 0;
  size_t end = field.size();
  while (i < end && field[i] == ' ') ++i;
  while (end > i && field[end - 1] == ' ') --end;
  const std::string_view t = field.substr(i, end - i);

  size_t p = 0;
  bool negative = false;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';

  // Mantissa: digits with at most one ".", at least one digit or the ".".
  std::string normal;
  bool seenPoint = false;
  bool seenMark = false;
  for (; p < t.size(); ++p) {
    if (IsDigit(t[p])) {
      normal += t[p];
      seenMark = true;
    } else if (t[p] == '.' && !seenPoint) {
      if (normal.empty()) normal += '0';
      normal += '.';
      seenPoint = true;
      seenMark = true;
    } else {
      break;
    }
  }
  if (!seenMark) return false;
  if (normal.back() == '.') normal += '0';

  if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
    ++p;
    std::string exponent = "e";
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) exponent += t[p++];
    const size_t digitsFrom = p;
    while (p < t.size() && IsDigit(t[p])) exponent += t[p++];
    if (p == digitsFrom) return false;
    normal += exponent;
  }
  if (p != t.size()) return false;

  double v = 0;
  const auto [ptr, ec] =
      std::from_chars(normal.data(), normal.data() + normal.size(), v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold reads as zero; too large does not read.
    const size_t e = normal.find('e');
    if (e == std::string::npos || normal[e + 1] != '-') return false;
    v = 0;
  } else if (ec != std::errc() || ptr != normal.data() + normal.size()) {
    return false;
  }
  value = negative ? -v : v;
  return true;
}

double ParseTimeCode(std::string_view text) {
  const TimeCodeFields f = SplitTimeCode(text);
  double hours = 0;
  double minutes = 0;
  double seconds = 0;
  if (!ReadDecimal(f.hours, hours)) throw ConversionError(f.hours);
  if (!ReadDecimal(f.minutes, minutes)) throw ConversionError(f.minutes);
  if (!ReadDecimal(f.seconds, seconds)) throw ConversionError(f.seconds);
  return hours * 60 * 60 + minutes * 60 + seconds;
}

std::string FormatTimeCode(double seconds) {
  const int totalMinutes = ClampToInt(std::trunc(seconds / 60));
  const double remainder = seconds - static_cast<double>(totalMinutes) * 60;
  const double rounded = RoundHalfEven(remainder * 100);
  const std::int64_t hundredths = std::isfinite(rounded) && std::fabs(rounded) < 9.0e18
                                      ? static_cast<std::int64_t>(rounded)
                                      : 0;

  std::string s = HundredthsText(hundredths);

  if (s.find('.') == std::string::npos) s += ".00";
  const size_t point = s.find('.');
  if (point <= 1) s = "0" + s;
  if (s.size() - s.find('.') - 1 <= 1) s += "0";

  const int hours = totalMinutes / 60;
  const int minutes = totalMinutes - hours * 60;
  return Pad2(std::to_string(hours)) + ":" + Pad2(std::to_string(minutes)) + ":" + s;
}

}  // namespace velmora
