#pragma once

#include <string>

namespace velmora {

// The positions of the seven clearness sliders and the sharpen box.
struct ClearnessOptions {
  int contrast = 300;    // 0..400,  value (position - 200) / 100
  int brightness = 100;  // 0..200,  value (position - 100) / 100
  int saturation = 100;  // 0..300,  value position / 100
  int gamma = 100;       // 10..1000, value position / 100
  int red = 100;         // 10..1000
  int green = 100;       // 10..1000
  int blue = 100;        // 10..1000
  bool sharpen = false;
};

// "eq=contrast=1:brightness=0:...:gamma_b=1" plus ",unsharp=5:5:1:5:5:0" when
// sharpening: the value of the client's -vf option.
std::string FilterValue(const ClearnessOptions& options);

// " -vf " + FilterValue(options): the filter text as the command line shows it.
std::string BuildFilterChain(const ClearnessOptions& options);

}  // namespace velmora
