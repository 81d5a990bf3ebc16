#include "FilterChain.h"

#include "client/TextUtil.h"

namespace velmora {

std::string FilterValue(const ClearnessOptions& o) {
  std::string value = "eq=contrast=" + HundredthsText(o.contrast - 200) +
                      ":brightness=" + HundredthsText(o.brightness - 100) +
                      ":saturation=" + HundredthsText(o.saturation) +
                      ":gamma=" + HundredthsText(o.gamma) + ":gamma_r=" + HundredthsText(o.red) +
                      ":gamma_g=" + HundredthsText(o.green) + ":gamma_b=" + HundredthsText(o.blue);
  if (o.sharpen) value += ",unsharp=5:5:1:5:5:0";
  return value;
}

std::string BuildFilterChain(const ClearnessOptions& options) {
  return " -vf " + FilterValue(options);
}

}  // namespace velmora
