#include "VideoTypes.h"

#include "TextUtil.h"

namespace velmora {

bool PassesTypeTest(std::string_view path) {
  const std::string ext = UpperAscii(PathExtension(path));
  if (ext.empty()) return false;
  return Contains(VideoTypeList, ext);
}

}  // namespace velmora
