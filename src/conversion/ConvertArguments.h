#pragma once

#include <string>

#include "client/ArgumentList.h"
#include "client/Tffinfo.h"

namespace velmora {

// The kb/s figure for the -b:v option: VideoBitrate when it is a plain number
// (digits with at most one "."); Bitrate, if plain, only when VideoBitrate is
// empty; otherwise empty. Any other text (the probe can leave "N/A" and the
// lines after it) would make the client refuse the option.
std::string ChooseBitrate(const Tffinfo& info);

// " -i \"SRC\" -y -c:a copy [-b:v Nk] -q:v 0 -vf FILTER \"OUT\"" when the
// output keeps the source's extension (compared upper-cased), otherwise
// " -i \"SRC\" -y -q:a 0 -q:v 0 -vf FILTER \"OUT\"". `bitrateKbps` empty: no
// -b:v option. `filterValue` is FilterValue() of the options.
ArgumentList BuildConvertArguments(const std::string& sourcePath, const std::string& outputPath,
                                   const std::string& bitrateKbps, const std::string& filterValue);

}  // namespace velmora
