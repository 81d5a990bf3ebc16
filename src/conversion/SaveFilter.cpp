#include "SaveFilter.h"

#include <algorithm>

#include "client/TextUtil.h"
#include "client/VideoTypes.h"

namespace velmora {

SaveFilter BuildSaveFilter(std::string_view sourcePath) {
  const std::string ext = PathExtension(sourcePath);
  SaveFilter result;
  // A "|" in the extension would end its field early and pair every later
  // description with the wrong pattern; "?" (any one character) still matches.
  std::string own = ext;
  std::replace(own.begin(), own.end(), '|', '?');
  result.filter = "*" + UpperAscii(own) + "|*" + LowerAscii(own) + "|";
  result.defaultExt = ext.empty() ? std::string() : ext.substr(1);

  const std::string ownType = UpperAscii(result.defaultExt);
  std::string_view rest = VideoTypeList;
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    const std::string_view entry = rest.substr(0, end);
    const std::string item(entry.size() > 2 ? entry.substr(2) : std::string_view());
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    // Whole texts are compared: a .ts source skips TS but keeps MTS.
    if (TrimControl(UpperAscii(item)) == ownType) continue;
    result.filter += "*." + UpperAscii(item) + "|*." + LowerAscii(item) + "|";
  }
  return result;
}

}  // namespace velmora
