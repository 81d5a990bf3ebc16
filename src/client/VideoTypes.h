#pragma once

#include <string_view>

namespace velmora {

// The video types the program takes, as the open and save dialogs list them.
inline constexpr std::string_view VideoTypeList =
    "*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;*.VOB;*.ASF;*.TS;*.MTS;";

// The load's type test: the upper-cased extension, dot included, occurs
// somewhere in VideoTypeList. A piece of text, not a whole entry: ".MP" and
// ".M" pass too; no extension fails.
bool PassesTypeTest(std::string_view path);

}  // namespace velmora
