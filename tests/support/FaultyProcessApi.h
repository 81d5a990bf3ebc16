#pragma once

#include <string>
#include <vector>

#include "client/ProcessApi.h"

namespace velmora::test {

// The real process layer, made to fail at one chosen step.
class FaultyProcessApi : public PosixProcessApi {
 public:
  enum class Step { None, Pipe, Start, Peek, Read };
  explicit FaultyProcessApi(Step failAt) : m_failAt(failAt) {}

  bool createPipe(PipeEnds& ends) override;
  bool start(const std::string& program, const std::vector<std::string>& args, int outFd,
             ChildProcess& child) override;
  PeekResult peek(int readFd) override;
  long read(int readFd, char* buffer, std::size_t max) override;

 private:
  Step m_failAt;
};

// A process layer with no process: each step of `script` is what one poll
// finds ("data:TEXT", "idle" or "end"), and every call is logged, so that the
// order of steps, handler calls and pumps can be checked exactly.
class ScriptedProcessApi : public ProcessApi {
 public:
  explicit ScriptedProcessApi(std::vector<std::string> script) : m_script(std::move(script)) {}

  bool createPipe(PipeEnds& ends) override;
  bool start(const std::string& program, const std::vector<std::string>& args, int outFd,
             ChildProcess& child) override;
  PeekResult peek(int readFd) override;
  long read(int readFd, char* buffer, std::size_t max) override;
  void waitForActivity(int readFd, const ChildProcess& child, int timeoutMs) override;
  bool hasEnded(ChildProcess& child) override;
  void terminate(ChildProcess& child) override;
  void release(ChildProcess& child) override;
  void closeFd(int& fd) override;

  std::vector<std::string>
      log;  // "pipe", "start", "peek", "read", "ended?", "wait", "terminate", "close"
  int terminations = 0;
  int closes = 0;

 private:
  const std::string& current() const;
  std::vector<std::string> m_script;
  std::size_t m_step = 0;
  bool m_ended = false;
};

}  // namespace velmora::test
