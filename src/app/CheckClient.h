#pragma once

#include <functional>
#include <string>

#include "client/ClientRunner.h"

namespace velmora {

// Runs the client with no words and passes when its banner says
// "ffmpeg version". A client that ends without it fails with the code left
// empty; a failed step sets "001" to "004".
bool CheckClient(std::string& failureCode, std::function<void()> pump = {},
                 ProcessApi* api = nullptr);

}  // namespace velmora
