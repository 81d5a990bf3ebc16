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
#include "support/ProbeReference.h"

using velmora::ReadProbeOutput;
using velmora::Tffinfo;

namespace {

using namespace velmora::test::reference;

constexpr std::string_view kUntouched = "\x01untouched";
constexpr std::string_view kCallerCode = "caller's code";

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
