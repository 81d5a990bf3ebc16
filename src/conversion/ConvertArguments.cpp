#include "ConvertArguments.h"

#include "client/TextUtil.h"

namespace velmora {

namespace {

// A kb/s figure as ffmpeg prints it: digits, perhaps with one ".". Anything
// else (a probe that read "N/A" and the lines after it) would make the
// client refuse the option.
bool IsPlainNumber(const std::string& text) {
  bool digit = false;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace

std::string ChooseBitrate(const Tffinfo& info) {
  if (!info.VideoBitrate.empty() && IsPlainNumber(info.VideoBitrate)) return info.VideoBitrate;
  if (info.VideoBitrate.empty() && !info.Bitrate.empty() && IsPlainNumber(info.Bitrate))
    return info.Bitrate;
  return {};
}

ArgumentList BuildConvertArguments(const std::string& sourcePath, const std::string& outputPath,
                                   const std::string& bitrateKbps, const std::string& filterValue) {
  ArgumentList args{Opt("-i"), FileArg(sourcePath), Opt("-y")};
  if (UpperAscii(PathExtension(outputPath)) == UpperAscii(PathExtension(sourcePath))) {
    args.push_back(Opt("-c:a"));
    args.push_back(Opt("copy"));
    if (!bitrateKbps.empty()) {
      args.push_back(Opt("-b:v"));
      args.push_back(Opt(bitrateKbps + "k"));
    }
  } else {
    args.push_back(Opt("-q:a"));
    args.push_back(Opt("0"));
  }
  args.push_back(Opt("-q:v"));
  args.push_back(Opt("0"));
  args.push_back(Opt("-vf"));
  args.push_back(Opt(filterValue));
  args.push_back(FileArg(outputPath));
  return args;
}

}  // namespace velmora
