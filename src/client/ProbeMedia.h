#pragma once

#include <functional>
#include <string>

#include "ArgumentList.h"
#include "ProcessApi.h"
#include "Tffinfo.h"

namespace velmora {

// " -i \"path\"": the probe's words.
ArgumentList ProbeArguments(const std::string& path);

// Reads the client's collected output into `info`: Duration (when
// "Duration: " occurs), Bitrate (when "bitrate: " occurs), VideoBitrate (when
// a piece qualifies), Width and Height (always). Returns the success rule:
// a Duration that is not empty, "0" or "N/A"; otherwise sets `failureCode`
// to "No duration!". Never throws; FileName is not touched.
bool ReadProbeOutput(const std::string& output, Tffinfo& info, std::string& failureCode);

// Runs the client on `path` and reads its whole output, kept verbatim in
// `output` (emptied once the client has started). Failure codes "011" to
// "014" for a failed step, "No duration!" as above; on success the code is
// left as it was.
bool ProbeMedia(const std::string& path, std::string& failureCode, Tffinfo& info,
                std::string& output, std::function<void()> pump = {}, ProcessApi* api = nullptr);

}  // namespace velmora
