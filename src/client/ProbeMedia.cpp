#include "ProbeMedia.h"

#include <climits>

#include "ClientRunner.h"
#include "TextUtil.h"

namespace velmora {

namespace {

// Output beyond this is not collected: the facts the probe wants come first,
// and a client that floods the pipe must not exhaust memory.
constexpr std::size_t kMaxOutput = 16u << 20;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether text[from, to) reads entirely as a whole number (optional sign,
// decimal digits, within the signed 32-bit range); its value when it does.
bool ReadWholeNumber(const std::string& text, std::size_t from, std::size_t to, long long& value) {
  std::size_t p = from;
  bool negative = false;
  if (p < to && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  if (p >= to) return false;
  long long v = 0;
  for (; p < to; ++p) {
    if (!IsDigit(text[p])) return false;
    v = v * 10 + (text[p] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 2;
  }
  value = negative ? -v : v;
  return value >= INT_MIN && value <= INT_MAX;
}

void ReadDuration(const std::string& t, Tffinfo& info) {
  const std::size_t at = t.find("Duration: ");
  if (at == std::string::npos) return;
  const std::size_t from = at + 10;
  const std::size_t comma = t.find(',', from);
  info.Duration = comma == std::string::npos
                      ? std::string()
                      : TrimControl(std::string_view(t).substr(from, comma - from));
}

void ReadBitrate(const std::string& t, Tffinfo& info) {
  const std::size_t at = t.find("bitrate: ");
  if (at == std::string::npos) return;
  const std::size_t from = at + 9;
  const std::size_t unit = t.find("kb/s", from);
  info.Bitrate = unit == std::string::npos
                     ? std::string()
                     : TrimControl(std::string_view(t).substr(from, unit - from));
}

// Each piece of the output before a "kb/s" that belongs to a video stream
// line of input #0 gives the figure after its last comma; the last one wins.
void ReadVideoBitrate(const std::string& t, Tffinfo& info) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t unit = t.find("kb/s", start);
    if (unit == std::string::npos) return;
    const std::string_view piece = std::string_view(t).substr(start, unit - start);
    const std::size_t video = piece.find(": Video:");
    const std::size_t audio = piece.find(": Audio:");
    if (piece.find("#0:") != std::string_view::npos && video != std::string_view::npos &&
        (audio == std::string_view::npos || video > audio)) {
      const std::size_t comma = piece.rfind(',');
      info.VideoBitrate =
          TrimControl(comma == std::string_view::npos ? piece : piece.substr(comma + 1));
    }
    start = unit + 5;
    if (start > t.size()) return;
  }
}

// Every "x" with a non-zero whole number right before it (back to the last
// comma or space) and right after it (up to the next comma, cut at a space)
// is a candidate frame size; width and height are maximised separately.
// One pass: the positions it looks for only move forward.
void ReadFrameSize(const std::string& t, Tffinfo& info) {
  std::string w;
  std::string h;
  long long wValue = 0;
  long long hValue = 0;
  std::size_t segmentStart = 0;   // the text after the previous "x"
  std::size_t lastSeparator = 0;  // one past the last comma or space seen
  std::size_t nextComma = 0;
  std::size_t nextSpace = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (c == ',' || c == ' ') {
      lastSeparator = i + 1;
      continue;
    }
    if (c != 'x') continue;

    const std::size_t aFrom = std::max(segmentStart, lastSeparator);
    segmentStart = i + 1;

    if (nextComma != std::string::npos && nextComma <= i) nextComma = t.find(',', i + 1);
    if (nextComma == std::string::npos) break;  // no comma follows: no later "x" can qualify
    if (nextSpace != std::string::npos && nextSpace <= i) nextSpace = t.find(' ', i + 1);
    const std::size_t bTo = std::min(nextComma, nextSpace);

    long long a = 0;
    long long b = 0;
    if (!ReadWholeNumber(t, aFrom, i, a) || !ReadWholeNumber(t, i + 1, bTo, b) || a == 0 || b == 0)
      continue;
    if (w.empty()) w = "0";
    if (h.empty()) h = "0";
    if (a > wValue) {
      w = t.substr(aFrom, i - aFrom);
      wValue = a;
    }
    if (b > hValue) {
      h = t.substr(i + 1, bTo - i - 1);
      hValue = b;
    }
  }
  info.Width = w == "0" ? std::string() : w;
  info.Height = h == "0" ? std::string() : h;
}

// The client repeats the path in its report ("from '<path>':", ahead of the
// figures); a name that reads like those figures must not count as them.
std::string WithoutPath(const std::string& output, const std::string& path) {
  if (path.empty()) return output;
  std::string text;
  text.reserve(output.size());
  std::size_t from = 0;
  for (std::size_t at = output.find(path); at != std::string::npos; at = output.find(path, from)) {
    text.append(output, from, at - from);
    from = at + path.size();
  }
  text.append(output, from, std::string::npos);
  return text;
}

}  // namespace

ArgumentList ProbeArguments(const std::string& path) {
  return {Opt("-i"), FileArg(path)};
}

bool ReadProbeOutput(const std::string& output, Tffinfo& info, std::string& failureCode) {
  ReadDuration(output, info);
  ReadBitrate(output, info);
  ReadVideoBitrate(output, info);
  ReadFrameSize(output, info);
  const std::string duration = TrimControl(info.Duration);
  if (!duration.empty() && info.Duration != "0" && info.Duration != "N/A") return true;
  failureCode = "No duration!";
  return false;
}

bool ProbeMedia(const std::string& path, std::string& failureCode, Tffinfo& info,
                std::string& output, std::function<void()> pump, ProcessApi* api) {
  ClientRun run;
  run.args = ProbeArguments(path);
  run.prefix = "01";
  run.onStart = [&output] { output.clear(); };
  run.onChunk = [&output](const std::string& chunk, const std::string&) {
    if (output.size() < kMaxOutput) output.append(chunk, 0, kMaxOutput - output.size());
    return ChunkVerdict::GoOn;
  };
  run.onEnd = [&](const ClientExit&) {
    return ReadProbeOutput(WithoutPath(output, path), info, failureCode);
  };
  run.pumpAt = pump::D | pump::EWithoutRead;
  run.timeLimitMs = 60000;  // the window is disabled meanwhile; a stuck client must not keep it so
  run.pump = std::move(pump);
  run.api = api;
  return ClientRunner(run, failureCode);
}

}  // namespace velmora
