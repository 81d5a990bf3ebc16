#include "CheckClient.h"

#include "client/TextUtil.h"

namespace velmora {

bool CheckClient(std::string& failureCode, std::function<void()> pump, ProcessApi* api) {
  ClientRun run;
  run.prefix = "00";
  run.onChunk = [](const std::string&, const std::string& window) {
    return Contains(window, "ffmpeg version") ? ChunkVerdict::StopSuccess : ChunkVerdict::GoOn;
  };
  run.onEnd = [](const ClientExit&) { return false; };
  run.pumpAt = pump::E;
  run.timeLimitMs = 30000;  // a client that never prints its banner is no client
  run.pump = std::move(pump);
  run.api = api;
  return ClientRunner(run, failureCode);
}

}  // namespace velmora
