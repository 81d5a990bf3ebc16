#include "FilterChain.h"

#include <cstdlib>

namespace velmora {

std::string HundredthsText(long long n) {
  const bool negative = n < 0;
  const unsigned long long m =
      negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::string text = (negative ? "-" : "") + std::to_string(m / 100);
  const unsigned fraction = static_cast<unsigned>(m % 100);
  if (fraction != 0) {
    text += '.';
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  }
  return text;
}

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
