#pragma once

#include <climits>
#include <string>
#include <string_view>

#include "client/Tffinfo.h"

// The probe's reading rules transcribed literally, for tests and fuzz targets
// to compare the program's one-pass reading with: slow (quadratic), but with
// nothing clever that could be wrong in the same way. Qt-free.
namespace velmora::test::reference {

inline std::string Trim(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
  return std::string(t);
}

// An optional sign and decimal digits, within the signed 32-bit range.
inline bool WholeNumber(std::string_view s, long long& value) {
  std::size_t p = 0;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  if (p == s.size()) return false;
  for (std::size_t i = p; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  while (p + 1 < s.size() && s[p] == '0') ++p;
  if (s.size() - p > 10) return false;
  long long v = 0;
  for (; p < s.size(); ++p) v = v * 10 + (s[p] - '0');
  value = negative ? -v : v;
  return value >= INT_MIN && value <= INT_MAX;
}

struct Expected {
  bool hasDuration = false;
  std::string duration;
  bool hasBitrate = false;
  std::string bitrate;
  bool hasVideoBitrate = false;
  std::string videoBitrate;
  std::string width;
  std::string height;
};

inline Expected ReadNaively(std::string_view t) {
  Expected e;
  if (const std::size_t at = t.find("Duration: "); at != std::string_view::npos) {
    const std::string_view r = t.substr(at + 10);
    const std::size_t comma = r.find(',');
    e.hasDuration = true;
    e.duration = comma == std::string_view::npos ? std::string() : Trim(r.substr(0, comma));
  }
  if (const std::size_t at = t.find("bitrate: "); at != std::string_view::npos) {
    const std::string_view r = t.substr(at + 9);
    const std::size_t unit = r.find("kb/s");
    e.hasBitrate = true;
    e.bitrate = unit == std::string_view::npos ? std::string() : Trim(r.substr(0, unit));
  }
  for (std::string_view s = t;;) {
    const std::size_t unit = s.find("kb/s");
    if (unit == std::string_view::npos) break;
    const std::string_view p = s.substr(0, unit);
    const std::size_t video = p.find(": Video:");
    const std::size_t audio = p.find(": Audio:");
    if (p.find("#0:") != std::string_view::npos && video != std::string_view::npos &&
        (audio == std::string_view::npos || video > audio)) {
      const std::size_t comma = p.rfind(',');
      e.hasVideoBitrate = true;
      e.videoBitrate = Trim(comma == std::string_view::npos ? p : p.substr(comma + 1));
    }
    s = unit + 5 <= s.size() ? s.substr(unit + 5) : std::string_view();
  }
  std::string w;
  std::string h;
  for (std::string_view s = t;;) {
    const std::size_t x = s.find('x');
    if (x == std::string_view::npos) break;
    std::string_view a = s.substr(0, x);
    if (const std::size_t c = a.rfind(','); c != std::string_view::npos) a = a.substr(c + 1);
    if (const std::size_t c = a.rfind(' '); c != std::string_view::npos) a = a.substr(c + 1);
    std::string_view b = s.substr(x + 1);
    if (const std::size_t c = b.find(','); c == std::string_view::npos) {
      b = {};
    } else {
      b = b.substr(0, c);
      if (const std::size_t sp = b.find(' '); sp != std::string_view::npos) b = b.substr(0, sp);
    }
    long long av = 0;
    long long bv = 0;
    if (WholeNumber(a, av) && WholeNumber(b, bv) && av != 0 && bv != 0) {
      if (w.empty()) w = "0";
      if (h.empty()) h = "0";
      long long wv = 0;
      long long hv = 0;
      WholeNumber(w, wv);
      WholeNumber(h, hv);
      if (av > wv) w = std::string(a);
      if (bv > hv) h = std::string(b);
    }
    s = s.substr(x + 1);
  }
  e.width = w == "0" ? std::string() : w;
  e.height = h == "0" ? std::string() : h;
  return e;
}

// The whole reading as the program does it: fields written only where their
// marks occur (the frame size always), then the success rule.
inline bool Read(std::string_view t, Tffinfo& info, std::string& code) {
  const Expected e = ReadNaively(t);
  if (e.hasDuration) info.Duration = e.duration;
  if (e.hasBitrate) info.Bitrate = e.bitrate;
  if (e.hasVideoBitrate) info.VideoBitrate = e.videoBitrate;
  info.Width = e.width;
  info.Height = e.height;
  if (!Trim(info.Duration).empty() && info.Duration != "0" && info.Duration != "N/A") return true;
  code = "No duration!";
  return false;
}

}  // namespace velmora::test::reference
