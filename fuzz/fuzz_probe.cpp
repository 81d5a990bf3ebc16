// Reading the probe's output: any text, never a crash or a report; the
// fields and the outcome follow the reading rules. (How its time grows with
// the text is fuzz_probe_growth's business.)
//
// The input is the client's output as collected.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "client/ProbeMedia.h"
#include "client/Tffinfo.h"

using velmora::ReadProbeOutput;
using velmora::Tffinfo;

namespace {

constexpr std::string_view kUntouched = "\x01untouched";
constexpr std::string_view kCallerCode = "caller's code";

// A naive reading of the same rules, straight from their wording: slow, but
// with nothing clever that could be wrong in the same way.
std::string Trim(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
  return std::string(t);
}

// An optional sign and decimal digits, within the signed 32-bit range.
bool WholeNumber(std::string_view s, long long& value) {
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

Expected ReadNaively(std::string_view t) {
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

void CheckFrameSide(const std::string& side, const char* name) {
  if (side.empty()) return;
  long long v = 0;
  CHECK(WholeNumber(side, v), "%s '%s' is not a whole number in 32 bits", name, side.c_str());
  CHECK(v > 0, "%s '%s' is not above zero", name, side.c_str());
}

// Properties every reading must have, whatever the text.
bool ReadAndCheck(const std::string& text) {
  Tffinfo info;
  info.FileName = info.Duration = info.Bitrate = info.VideoBitrate = info.Width = info.Height =
      std::string(kUntouched);
  std::string code(kCallerCode);
  const bool ok = ReadProbeOutput(text, info, code);

  CHECK(info.FileName == kUntouched, "FileName was written");
  CHECK(info.Width != kUntouched && info.Height != kUntouched, "the frame size was not written");
  const bool hasDuration = text.find("Duration: ") != std::string::npos;
  CHECK(hasDuration == (info.Duration != kUntouched), "Duration written without its mark or left");
  const bool hasBitrate = text.find("bitrate: ") != std::string::npos;
  CHECK(hasBitrate == (info.Bitrate != kUntouched), "Bitrate written without its mark or left");
  CheckFrameSide(info.Width, "Width");
  CheckFrameSide(info.Height, "Height");

  const bool rule = !Trim(info.Duration).empty() && info.Duration != "0" && info.Duration != "N/A";
  CHECK(ok == rule, "result %d disagrees with the duration '%s'", ok, info.Duration.c_str());
  if (ok)
    CHECK(code == kCallerCode, "success changed the code to '%s'", code.c_str());
  else
    CHECK(code == "No duration!", "failure code '%s'", code.c_str());
  return ok;
}

void CompareWithNaiveReading(const std::string& text) {
  Tffinfo info;
  std::string code;
  ReadProbeOutput(text, info, code);
  const Expected e = ReadNaively(text);
  CHECK(info.Duration == e.duration, "Duration '%s', expected '%s'", info.Duration.c_str(),
        e.duration.c_str());
  CHECK(info.Bitrate == e.bitrate, "Bitrate '%s', expected '%s'", info.Bitrate.c_str(),
        e.bitrate.c_str());
  CHECK(info.VideoBitrate == e.videoBitrate, "VideoBitrate '%s', expected '%s'",
        info.VideoBitrate.c_str(), e.videoBitrate.c_str());
  CHECK(info.Width == e.width, "Width '%s', expected '%s'", info.Width.c_str(), e.width.c_str());
  CHECK(info.Height == e.height, "Height '%s', expected '%s'", info.Height.c_str(),
        e.height.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ReadAndCheck(text);
  if (size <= 4096) CompareWithNaiveReading(text);
  return 0;
}
