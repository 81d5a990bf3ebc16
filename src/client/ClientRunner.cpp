#include "ClientRunner.h"

#include <array>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "ClientPath.h"
#include "TextUtil.h"

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadSize = 512;
constexpr std::size_t kOutputBufferSize = 535;

ClientTraceHook& TraceHook() {
  static ClientTraceHook hook;
  return hook;
}

// The limit a run is held to. VELMORA_CLIENT_TIME_LIMIT_MS, a positive whole
// number of milliseconds, replaces the limit of every run that has one, so
// that tests need not wait out the real limits (tens of seconds); runs without
// a limit (the conversion, which the user cancels) stay without. Read once per
// process; anything else in it is ignored.
int EffectiveTimeLimitMs(int requested) {
  static const int replacement = [] {
    const char* text = std::getenv("VELMORA_CLIENT_TIME_LIMIT_MS");
    if (text == nullptr || *text == '\0') return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value > 0 && value <= INT_MAX ? static_cast<int>(value) : 0;
  }();
  return requested > 0 && replacement > 0 ? replacement : requested;
}

std::string DescribeExit(const ClientExit& e) {
  if (!e.known) return "unknown";
  if (e.exited) return "exit " + std::to_string(e.status);
  return "signal " + std::to_string(e.signal);
}

// Everything one run takes; the destructor gives it all back on every way out.
class Run {
 public:
  Run(const ClientRun& request, std::string& failureCode)
      : m_request(request),
        m_api(request.api != nullptr ? *request.api : PosixProcessApi::instance()),
        m_failureCode(failureCode),
        m_program(request.clientPath.empty() ? ClientPath() : request.clientPath),
        m_words(Words(request.args)),
        m_timeLimitMs(EffectiveTimeLimitMs(request.timeLimitMs)),
        m_begin(Clock::now()) {}

  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  ~Run() {
    if (m_started) {
      const bool wasRunning = !m_child.reaped;
      m_api.terminate(m_child);
      if (wasRunning && m_ending.empty()) m_ending = "terminated, " + DescribeExit(m_child.exit);
      m_api.release(m_child);
    }
    m_api.closeFd(m_pipe.read);
    m_api.closeFd(m_pipe.write);
    trace();
  }

  bool execute();

 private:
  bool fail(char digit) {
    m_failureCode = m_request.prefix + digit;
    m_success = false;
    m_ending = std::string("failed at step ") + digit;
    return false;
  }
  void pumpAt(unsigned point) {
    if ((m_request.pumpAt & point) != 0 && m_request.pump) m_request.pump();
  }
  void trace() noexcept;

  const ClientRun& m_request;
  ProcessApi& m_api;
  std::string& m_failureCode;
  std::string m_program;
  std::vector<std::string> m_words;
  int m_timeLimitMs;
  Clock::time_point m_begin;

  PipeEnds m_pipe;
  ChildProcess m_child;
  bool m_started = false;
  bool m_success = false;
  std::string m_ending;
  std::array<char, kOutputBufferSize> m_output{};
  std::string m_previous;
};

bool Run::execute() {
  if (!m_api.createPipe(m_pipe)) return fail('1');
  pumpAt(pump::A);
  if (!m_api.start(m_program, m_words, m_pipe.write, m_child)) return fail('2');
  m_started = true;
  if (m_request.onStart) m_request.onStart();
  pumpAt(pump::B);

  for (;;) {
    if (m_request.cancelCheck && m_request.cancelCheck()) {
      m_api.terminate(m_child);
      m_ending = "cancelled, " + DescribeExit(m_child.exit);
      return m_success;
    }
    if (m_timeLimitMs > 0 && Clock::now() - m_begin > std::chrono::milliseconds(m_timeLimitMs)) {
      m_api.terminate(m_child);
      m_ending = "time limit, " + DescribeExit(m_child.exit);
      m_failureCode = kNoAnswer;
      m_success = false;
      return false;
    }
    PeekResult peeked = m_api.peek(m_pipe.read);
    if (peeked == PeekResult::Failed) return fail('3');
    pumpAt(pump::C);

    bool readSomething = false;
    if (peeked == PeekResult::Waiting) {
      const long n = m_api.read(m_pipe.read, m_output.data(), kReadSize);
      // A count beyond what was asked for would be no read the buffer holds.
      if (n < 0 || static_cast<std::size_t>(n) > kReadSize) return fail('4');
      m_output[static_cast<std::size_t>(n)] = '\0';
      readSomething = true;
      pumpAt(pump::D);
      std::string chunk = ChunkOf(m_output.data(), static_cast<std::size_t>(n));
      if (m_request.onChunk) {
        const std::string window = WindowOf(m_previous, chunk);
        switch (m_request.onChunk(chunk, window)) {
          case ChunkVerdict::StopSuccess:
            m_success = true;
            m_ending = "stopped by its output";
            return true;
          case ChunkVerdict::StopFailure:
            m_success = false;
            m_ending = "stopped by its output";
            return false;
          case ChunkVerdict::MarkSuccess:
            m_success = true;
            break;
          case ChunkVerdict::GoOn:
            break;
        }
      }
      m_previous = std::move(chunk);
    } else if (m_api.hasEnded(m_child)) {
      // The client may have written more between the peek and its end:
      // drain the pipe before the run is decided.
      peeked = m_api.peek(m_pipe.read);
      if (peeked == PeekResult::Failed) return fail('3');
      if (peeked == PeekResult::Empty) {
        m_ending = DescribeExit(m_child.exit);
        if (m_request.onEnd) m_success = m_request.onEnd(m_child.exit);
        return m_success;
      }
    } else {
      m_api.waitForActivity(m_pipe.read, m_child, m_request.idleWaitMs);
    }

    pumpAt(pump::E);
    if (!readSomething) pumpAt(pump::EWithoutRead);
  }
}

void Run::trace() noexcept {
  const ClientTraceHook& hook = TraceHook();
  if (!hook) return;
  try {
    ClientTrace t;
    t.program = m_program;
    t.words = m_words;
    t.argumentText = ArgumentText(m_request.args);
    t.prefix = m_request.prefix;
    t.seconds = std::chrono::duration<double>(Clock::now() - m_begin).count();
    t.ending = m_ending.empty() ? "ended by an error in a handler" : m_ending;
    t.success = m_success;
    t.failureCode = m_failureCode;
    hook(t);
  } catch (...) {
    // Diagnostics never disturb a run's clean-up.
  }
}

}  // namespace

std::string ChunkOf(const char* bytes, std::size_t count) {
  return std::string(bytes, strnlen(bytes, count));
}

std::string WindowOf(const std::string& previous, const std::string& chunk) {
  return TrimControl(previous + chunk);
}

bool ClientRunner(const ClientRun& run, std::string& failureCode) {
  Run r(run, failureCode);
  return r.execute();
}

std::string ClientExitText(const ClientExit& exit) {
  if (!exit.known) return {};
  if (exit.exited) return "The client ended with status " + std::to_string(exit.status);
  const char* name = strsignal(exit.signal);
  return "The client was ended by signal " + std::to_string(exit.signal) +
         (name != nullptr ? " (" + std::string(name) + ")" : std::string());
}

void SetClientTraceHook(ClientTraceHook hook) {
  TraceHook() = std::move(hook);
}

}  // namespace velmora
