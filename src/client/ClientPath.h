#pragma once

#include <string>

namespace velmora {

// The base directory: VELMORA_BASE_DIR when set, else the compiled-in
// default, which is taken from the program's folder when it is relative.
std::string ClientBaseDir();

// <base>/vlmr/client.exe
std::string ClientPath();

// The folder of the running program file, with no trailing "/".
std::string ProgramDir();

}  // namespace velmora
