#pragma once

#include <string>
#include <string_view>

namespace velmora {

struct SaveFilter {
  std::string filter;      // "*.MP4|*.mp4|*.AVI|*.avi|..."
  std::string defaultExt;  // the source's extension without its dot
};

// The save dialog's type list: the source's own type first, then every type
// of VideoTypeList except the one equal to the source's extension.
SaveFilter BuildSaveFilter(std::string_view sourcePath);

}  // namespace velmora
