#pragma once

#include <string>

#include "clearness/FilterChain.h"
#include "client/ArgumentList.h"

namespace velmora {

// The preview's frame height: heightText / widthText * viewWidth, rounded
// half to even. The texts are read as decimal numbers, height first; a text
// that does not read, a width of 0 or a result outside 0..INT_MAX throws
// ConversionError.
int PreviewFrameHeight(const std::string& widthText, const std::string& heightText, int viewWidth);

// " -ss POS -i \"FILE\" -y -vframes 1 -s WxH -vf FILTER \"PREVIEW\"".
ArgumentList BuildPreviewArguments(const std::string& positionText, const std::string& fileName,
                                   int width, int height, const ClearnessOptions& options,
                                   const std::string& previewPath);

}  // namespace velmora
