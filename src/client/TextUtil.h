#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the client-side logic. Texts are 8-bit; case
// changes touch only the letters a-z/A-Z so that file names keep their bytes.
namespace velmora {

// Removes leading and trailing characters with codes 0 to 32.
std::string TrimControl(std::string_view text);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);

bool Contains(std::string_view text, std::string_view part);

// The extension of a path: from the last "." that stands after the last "/"
// to the end, dot included; empty when there is none.
std::string PathExtension(std::string_view path);

// The folder of a path, up to and including its last "/"; empty without one.
std::string PathFolder(std::string_view path);

// n / 100 in its shortest exact decimal form: "1", "-2", "0.05", "-0.01",
// "1.5"; "." whatever the locale, never an exponent.
std::string HundredthsText(long long n);

}  // namespace velmora
