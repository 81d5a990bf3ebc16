// The client runner's polling, chunks and windows, driven by a process layer
// with no process: the input decides what the client prints, how the reads
// cut it, when polls find nothing, when the client ends, which step fails,
// when the user cancels and what every handler does.
//
// Input: settings taken from its end, then the client's output (a length and
// the bytes at the front), then the rest as a stream of decisions, read one
// byte at a time as the run asks; when it runs out, reads take 512 bytes,
// handlers go on and the client ends with everything printed.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "client/ClientRunner.h"
#include "client/ProcessApi.h"

using namespace velmora;

namespace {

constexpr int kReadEnd = 7001;  // made-up descriptors: nothing real is ever closed
constexpr int kWriteEnd = 7002;

// What a handler, the pump or the start action raises; no std::exception, so
// that nothing on the way may take it for something it knows.
struct Raised {
  int where;
};
enum Where { kRaisedByChunk = 1, kRaisedByEnd, kRaisedByStart, kRaisedByPump };

enum class FailAt { None, Pipe, Start, Peek, Read };

class Decisions {
 public:
  explicit Decisions(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
  bool empty() const { return m_at >= m_bytes.size(); }
  std::uint8_t next(std::uint8_t whenEmpty) { return empty() ? whenEmpty : m_bytes[m_at++]; }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_at = 0;
};

std::string Cut(std::string_view bytes) {
  return std::string(bytes.substr(0, bytes.find('\0')));
}

std::string Trim(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
  return std::string(t);
}

// A client that prints `output` over time. Bytes "arrive" in the pipe as the
// decisions say; when the client ends, whatever it has not yet printed
// arrives at once (it wrote it before ending).
class FakeProcess : public ProcessApi {
 public:
  FakeProcess(std::string output, int exitStatus, Decisions& decide, FailAt failAt,
              unsigned failIndex, std::size_t pollBound)
      : m_output(std::move(output)),
        m_exitStatus(exitStatus),
        m_decide(decide),
        m_failAt(failAt),
        m_failIndex(failIndex),
        m_pollBound(pollBound) {}

  bool createPipe(PipeEnds& ends) override {
    CHECK(!m_pipeCreated, "a second pipe");
    if (m_failAt == FailAt::Pipe) {
      failed = true;
      return false;
    }
    m_pipeCreated = true;
    ends.read = kReadEnd;
    ends.write = kWriteEnd;
    return true;
  }

  bool start(const std::string&, const std::vector<std::string>&, int outFd,
             ChildProcess& child) override {
    CHECK(m_pipeCreated && !m_started, "start without a pipe, or twice");
    CHECK(outFd == kWriteEnd, "the client's output goes to %d", outFd);
    if (m_failAt == FailAt::Start) {
      failed = true;
      return false;
    }
    m_started = true;
    child.pid = 4242;
    return true;
  }

  PeekResult peek(int readFd) override {
    CHECK(readFd == kReadEnd, "peek at %d", readFd);
    checkPollable("peek");
    CHECK(++m_polls < m_pollBound, "the run polls on and on (%zu polls)", m_polls);
    if (m_failAt == FailAt::Peek && m_peeks++ == m_failIndex) {
      failed = true;
      return PeekResult::Failed;
    }
    if (!m_ended) {
      const std::uint8_t d = m_decide.next(3);
      switch (d % 4) {
        case 0:  // nothing new
          break;
        case 1:
          arrive(1 + (d >> 2));
          break;
        case 2:
          arrive(1 + static_cast<std::size_t>(m_decide.next(255)) * 4);
          break;
        case 3:
          end();
          break;
      }
    }
    m_lastPeekWaiting = m_arrived > m_taken;
    return m_lastPeekWaiting ? PeekResult::Waiting : PeekResult::Empty;
  }

  long read(int readFd, char* buffer, std::size_t max) override {
    CHECK(readFd == kReadEnd, "read from %d", readFd);
    checkPollable("read");
    CHECK(m_lastPeekWaiting, "a read without output waiting");
    m_lastPeekWaiting = false;
    CHECK(max == 512, "a read of %zu bytes", max);
    if (m_failAt == FailAt::Read && m_readFails++ == m_failIndex) {
      failed = true;
      return -1;
    }
    const std::uint8_t d = m_decide.next(255);
    std::size_t want = d < 128 ? std::size_t{d} + 1u : (std::size_t{d} - 127u) * 4u;
    if (want > max) want = max;
    const std::size_t n = std::min(want, m_arrived - m_taken);
    std::memcpy(buffer, m_output.data() + m_taken, n);
    // Garbage behind the bytes read: the runner must not take it for output.
    std::memset(buffer + n, 'G', max - n);
    lastRead.assign(m_output, m_taken, n);
    cutReads += Cut(lastRead);
    m_taken += n;
    ++reads;
    return static_cast<long>(n);
  }

  void waitForActivity(int readFd, const ChildProcess&, int) override {
    CHECK(readFd == kReadEnd, "wait on %d", readFd);
    checkPollable("wait");
    CHECK(!m_ended, "an idle wait for a client known to have ended");
  }

  bool hasEnded(ChildProcess& child) override {
    checkPollable("hasEnded");
    if (!m_ended) {
      const std::uint8_t d = m_decide.next(3);
      if (d % 4 == 3) end();
      if (d % 4 == 1) arrive(1 + (d >> 2));  // printed after the peek, still running
    }
    if (m_ended) {
      child.reaped = true;
      child.exit = ClientExit{true, true, m_exitStatus, 0};
      endSeen = true;
    }
    return m_ended;
  }

  void terminate(ChildProcess& child) override {
    CHECK(m_started, "terminate without a client");
    if (!child.reaped) {
      terminated = true;
      child.reaped = true;
      child.exit = ClientExit{true, false, 0, 15};
    }
  }

  void release(ChildProcess&) override {
    CHECK(m_started, "release without a client");
    ++releases;
  }

  void closeFd(int& fd) override {
    if (fd == -1) return;
    CHECK(fd == kReadEnd || fd == kWriteEnd, "closing %d, which the run never got", fd);
    ++(fd == kReadEnd ? readCloses : writeCloses);
    fd = -1;
  }

  bool started() const { return m_started; }
  bool pipeCreated() const { return m_pipeCreated; }
  bool allRead() const { return m_ended && m_taken == m_output.size(); }
  bool clientLeftRunning() const { return m_started && !m_ended && !terminated; }

  // Set by the run's owner when it is over: no call may come after.
  bool over = false;
  // Set when a handler decided the run is over.
  bool decided = false;
  bool failed = false;
  bool terminated = false;
  bool endSeen = false;
  int releases = 0;
  int readCloses = 0;
  int writeCloses = 0;
  std::size_t reads = 0;
  std::string lastRead;
  std::string cutReads;

 private:
  void checkPollable(const char* what) {
    CHECK(m_started && !over && !decided && !failed && !terminated, "%s after the run was decided",
          what);
  }
  void arrive(std::size_t n) { m_arrived = std::min(m_output.size(), m_arrived + n); }
  void end() {
    m_arrived = m_output.size();
    m_ended = true;
  }

  std::string m_output;
  int m_exitStatus;
  Decisions& m_decide;
  FailAt m_failAt;
  unsigned m_failIndex;
  std::size_t m_pollBound;
  bool m_pipeCreated = false;
  bool m_started = false;
  bool m_ended = false;
  bool m_lastPeekWaiting = false;
  std::size_t m_arrived = 0;
  std::size_t m_taken = 0;
  std::size_t m_polls = 0;
  unsigned m_peeks = 0;
  unsigned m_readFails = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);

  // Settings, from the end of the input.
  const std::uint8_t failChoice = in.ConsumeIntegral<std::uint8_t>();
  const FailAt failAt = failChoice % 16 == 1   ? FailAt::Pipe
                        : failChoice % 16 == 2 ? FailAt::Start
                        : failChoice % 16 == 3 ? FailAt::Peek
                        : failChoice % 16 == 4 ? FailAt::Read
                                               : FailAt::None;
  const unsigned failIndex = failChoice >> 4;
  const std::uint8_t cancelChoice = in.ConsumeIntegral<std::uint8_t>();
  const int cancelAt = cancelChoice < 48 ? cancelChoice : -1;  // the cycle that sees a cancel
  const std::uint8_t endChoice = in.ConsumeIntegral<std::uint8_t>();
  const std::uint8_t pumpChoice = in.ConsumeIntegral<std::uint8_t>();
  const std::uint8_t pumpThrowChoice = in.ConsumeIntegral<std::uint8_t>();
  const int pumpThrowAt = pumpThrowChoice < 24 ? pumpThrowChoice : -1;
  const std::uint8_t flags = in.ConsumeIntegral<std::uint8_t>();
  const bool withChunkHandler = (flags & 0x0f) != 0;
  const bool startThrows = (flags & 0xf0) == 0xf0;
  const std::uint8_t codeChoice = in.ConsumeIntegral<std::uint8_t>();
  const std::string prefix = {static_cast<char>('0' + codeChoice % 10),
                              static_cast<char>('0' + codeChoice / 10 % 10)};
  const std::string callerCode = codeChoice < 100 ? "" : codeChoice < 200 ? "012" : "earlier";

  // The client's output, then the decisions.
  const std::size_t outputSize = in.ConsumeIntegralInRange<std::size_t>(0, in.remaining_bytes());
  const std::string output = in.ConsumeBytesAsString(outputSize);
  Decisions decide(in.ConsumeRemainingBytes<std::uint8_t>());

  const int exitStatus = endChoice >> 2;
  FakeProcess api(output, exitStatus, decide, failAt, failIndex, 4 * (size + 16));

  // What the run should come to, kept as the handlers see it happen.
  bool expectSuccess = false;
  std::string expectCode = callerCode;
  int expectRaised = 0;
  bool cancelled = false;
  int chunkCalls = 0;
  int endCalls = 0;
  int pumpCalls = 0;
  int cancelChecks = 0;
  std::string previousChunk;
  std::string handedOver;
  std::string code = callerCode;

  ClientRun run;
  run.args = {Opt("-i"), FileArg("clip.mp4")};
  run.prefix = prefix;
  run.clientPath = "/nonexistent/vlmr/client.exe";
  run.api = &api;
  run.pumpAt = pumpChoice & 0x3f;
  run.pump = [&] {
    CHECK(!api.decided && !api.failed, "the pump runs after the run was decided");
    if (pumpCalls++ == pumpThrowAt) {
      expectRaised = kRaisedByPump;
      throw Raised{kRaisedByPump};
    }
  };
  run.onStart = [&] {
    if (startThrows) {
      expectRaised = kRaisedByStart;
      throw Raised{kRaisedByStart};
    }
  };
  run.cancelCheck = [&] {
    if (cancelChecks++ != cancelAt) return false;
    cancelled = true;
    api.decided = true;
    return true;
  };
  if (withChunkHandler) {
    run.onChunk = [&](const std::string& chunk, const std::string& window) {
      ++chunkCalls;
      CHECK(static_cast<std::size_t>(chunkCalls) == api.reads, "%d chunks for %zu reads",
            chunkCalls, api.reads);
      CHECK(chunk.size() <= 512, "a chunk of %zu bytes", chunk.size());
      CHECK(chunk == Cut(api.lastRead), "the chunk is not its read cut at a zero byte");
      CHECK(window == Trim(previousChunk + chunk), "the window is not the trimmed two chunks");
      previousChunk = chunk;
      handedOver += chunk;
      switch (decide.next(0) % 16) {
        case 10:
        case 11:
          expectSuccess = true;
          return ChunkVerdict::MarkSuccess;
        case 12:
          expectSuccess = true;
          api.decided = true;
          return ChunkVerdict::StopSuccess;
        case 13:
          expectSuccess = false;
          expectCode = code = "handler's code";
          api.decided = true;
          return ChunkVerdict::StopFailure;
        case 14:
          expectRaised = kRaisedByChunk;
          api.decided = true;
          throw Raised{kRaisedByChunk};
        default:
          return ChunkVerdict::GoOn;
      }
    };
  }
  if (endChoice % 4 != 0) {
    run.onEnd = [&](const ClientExit& exit) {
      ++endCalls;
      CHECK(exit.known && exit.exited && exit.status == exitStatus,
            "the end handler got another exit than the client's");
      CHECK(api.allRead(), "the end handler runs with output still unread");
      api.decided = true;
      if (endChoice % 4 == 1) {
        expectRaised = kRaisedByEnd;
        throw Raised{kRaisedByEnd};
      }
      expectSuccess = endChoice % 4 == 3;
      return expectSuccess;
    };
  }

  bool result = false;
  int raised = 0;
  try {
    result = ClientRunner(run, code);
  } catch (const Raised& r) {
    raised = r.where;
  }
  api.over = true;

  // Whatever way the run went, everything it took is given back.
  CHECK(raised == expectRaised, "raised %d, expected %d", raised, expectRaised);
  CHECK(api.readCloses == (api.pipeCreated() ? 1 : 0), "read end closed %d times", api.readCloses);
  CHECK(api.writeCloses == (api.pipeCreated() ? 1 : 0), "write end closed %d times",
        api.writeCloses);
  CHECK(!api.clientLeftRunning(), "the client was left running");
  CHECK(api.releases == (api.started() ? 1 : 0), "the client released %d times", api.releases);
  CHECK(endCalls <= 1, "the end handler ran %d times", endCalls);
  if (withChunkHandler) {
    const std::size_t missed = api.reads - static_cast<std::size_t>(chunkCalls);
    CHECK(missed == 0 || (missed == 1 && raised == kRaisedByPump), "%zu reads never handed over",
          missed);
    if (missed == 0) CHECK(handedOver == api.cutReads, "the chunks do not add up to the reads");
  }

  // The failure code: set by a failed step, or by the handler; never cleared.
  if (api.failed) {
    const char digit = failAt == FailAt::Pipe    ? '1'
                       : failAt == FailAt::Start ? '2'
                       : failAt == FailAt::Peek  ? '3'
                                                 : '4';
    expectCode = prefix + digit;
    expectSuccess = false;
  } else {
    CHECK(failAt != FailAt::Pipe, "the pipe was to fail but was never asked for");
  }
  CHECK(code == expectCode, "failure code '%s', expected '%s'", code.c_str(), expectCode.c_str());
  if (!callerCode.empty()) CHECK(!code.empty(), "the caller's code was cleared");

  if (raised != 0) return 0;
  CHECK(result == expectSuccess, "result %d, expected %d", result, expectSuccess);

  // A run that nothing stopped ends only once the client has ended and all
  // it printed was read; the end handler then runs exactly once.
  const bool stopped = api.failed || cancelled || api.decided;
  if (!stopped || endCalls == 1) {
    CHECK(api.allRead() && api.endSeen, "the run ended before the client's output did");
    CHECK(endCalls == (run.onEnd ? 1 : 0), "the end handler ran %d times", endCalls);
  }
  if (cancelled) CHECK(endCalls == 0, "the end handler ran after a cancel");
  return 0;
}
