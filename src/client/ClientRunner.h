#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ArgumentList.h"
#include "ProcessApi.h"

namespace velmora {

// What a chunk handler tells the run to do next.
enum class ChunkVerdict {
  GoOn,         // keep polling
  MarkSuccess,  // set the success flag, keep polling
  StopSuccess,  // end the run now, successful
  StopFailure,  // end the run now, failed (the handler set the failure code)
};

// Points in a polling run where the caller's message pump may run.
namespace pump {
enum Point : unsigned {
  A = 1u << 0,            // after the pipe is created
  B = 1u << 1,            // after the client has started
  C = 1u << 2,            // after every successful peek
  D = 1u << 3,            // after every successful read
  E = 1u << 4,            // at the end of every cycle that goes on
  EWithoutRead = 1u << 5  // at the end of cycles that read nothing
};
}

using ChunkHandler =
    std::function<ChunkVerdict(const std::string& chunk, const std::string& window)>;
// Runs once the client has ended and its output is drained; returns the
// run's outcome.
using EndHandler = std::function<bool(const ClientExit& exit)>;

struct ClientRun {
  ArgumentList args;
  std::string prefix;  // two characters: "00" check, "01" probe, "02" preview, "03" conversion
  ChunkHandler onChunk;
  EndHandler onEnd;
  std::function<void()> onStart;
  std::function<bool()> cancelCheck;
  unsigned pumpAt = 0;
  std::function<void()> pump;
  std::string clientPath;     // empty: ClientPath()
  ProcessApi* api = nullptr;  // null: the POSIX process layer
  int idleWaitMs = 10;        // bound of one idle wait
  // A client still running after this long is ended and the run fails with
  // kNoAnswer, so that a client stuck on its input cannot hold the program
  // forever. 0: no limit (a run the user can cancel).
  int timeLimitMs = 0;
};

// The failure text of a run that reached its time limit.
inline constexpr const char* kNoAnswer = "No answer from the client";

// Runs the client once: starts it with the run's words, polls its output,
// hands every chunk (at most 512 bytes) and its window to the chunk handler
// and returns the success flag. A failed step sets `failureCode` to the prefix
// and the step's digit (1 pipe, 2 start, 3 peek, 4 read); nothing else clears
// or sets it. The client, the pipe and the buffers are released on every way
// out, also when a handler throws; the exception then passes on.
bool ClientRunner(const ClientRun& run, std::string& failureCode);

// The chunk and its window, as the runner forms them.
std::string ChunkOf(const char* bytes, std::size_t count);
std::string WindowOf(const std::string& previous, const std::string& chunk);

// How a client ended, for a message when it printed nothing to say why:
// "The client ended with status 1", "The client was ended by signal 11
// (Segmentation fault)"; empty when not known.
std::string ClientExitText(const ClientExit& exit);

// One record per run, for diagnostics.
struct ClientTrace {
  std::string program;
  std::vector<std::string> words;
  std::string argumentText;
  std::string prefix;
  double seconds = 0;
  std::string ending;  // "exit 0", "signal 15", "failed at step 2", "cancelled", ...
  bool success = false;
  std::string failureCode;
};
using ClientTraceHook = std::function<void(const ClientTrace&)>;
void SetClientTraceHook(ClientTraceHook hook);

}  // namespace velmora
