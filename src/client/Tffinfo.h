#pragma once

#include <string>

namespace velmora {

// What the probe learnt of the loaded file, as texts exactly as the client
// printed them. An empty FileName means no file is loaded.
class Tffinfo {
 public:
  std::string FileName;
  std::string Duration;
  std::string Bitrate;
  std::string VideoBitrate;
  std::string Width;
  std::string Height;
};

}  // namespace velmora
