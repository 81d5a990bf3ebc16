#include "PreviewArguments.h"

#include <climits>
#include <cmath>

#include "clearness/TimeCode.h"
#include "client/ConversionError.h"
#include "client/Rounding.h"

namespace velmora {

int PreviewFrameHeight(const std::string& widthText, const std::string& heightText, int viewWidth) {
  double height = 0;
  double width = 0;
  if (!ReadDecimal(heightText, height)) throw ConversionError(heightText);
  if (!ReadDecimal(widthText, width)) throw ConversionError(widthText);
  if (width == 0) throw ConversionError(widthText);
  const double h = RoundHalfEven(height / width * viewWidth);
  // The size is written as a plain unsigned 32-bit figure.
  if (!std::isfinite(h) || h < 0 || h > INT_MAX) throw ConversionError(heightText);
  return static_cast<int>(h);
}

ArgumentList BuildPreviewArguments(const std::string& positionText, const std::string& fileName,
                                   int width, int height, const ClearnessOptions& options,
                                   const std::string& previewPath) {
  return {Opt("-ss"),
          Opt(positionText),
          Opt("-i"),
          FileArg(fileName),
          Opt("-y"),
          Opt("-vframes"),
          Opt("1"),
          Opt("-s"),
          Opt(std::to_string(width) + "x" + std::to_string(height)),
          Opt("-vf"),
          Opt(FilterValue(options)),
          FileArg(previewPath)};
}

}  // namespace velmora
