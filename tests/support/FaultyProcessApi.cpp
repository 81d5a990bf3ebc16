#include "FaultyProcessApi.h"

#include <algorithm>
#include <cstring>

namespace velmora::test {

bool FaultyProcessApi::createPipe(PipeEnds& ends) {
  return m_failAt != Step::Pipe && PosixProcessApi::createPipe(ends);
}

bool FaultyProcessApi::start(const std::string& program, const std::vector<std::string>& args,
                             int outFd, ChildProcess& child) {
  return m_failAt != Step::Start && PosixProcessApi::start(program, args, outFd, child);
}

PeekResult FaultyProcessApi::peek(int readFd) {
  return m_failAt == Step::Peek ? PeekResult::Failed : PosixProcessApi::peek(readFd);
}

long FaultyProcessApi::read(int readFd, char* buffer, std::size_t max) {
  return m_failAt == Step::Read ? -1 : PosixProcessApi::read(readFd, buffer, max);
}

const std::string& ScriptedProcessApi::current() const {
  static const std::string end = "end";
  return m_step < m_script.size() ? m_script[m_step] : end;
}

bool ScriptedProcessApi::createPipe(PipeEnds& ends) {
  log.push_back("pipe");
  ends.read = 1000;
  ends.write = 1001;
  return true;
}

bool ScriptedProcessApi::start(const std::string&, const std::vector<std::string>&, int,
                               ChildProcess& child) {
  log.push_back("start");
  child.pid = 0;  // no process to signal
  return true;
}

PeekResult ScriptedProcessApi::peek(int) {
  log.push_back("peek");
  return current().rfind("data:", 0) == 0 ? PeekResult::Waiting : PeekResult::Empty;
}

long ScriptedProcessApi::read(int, char* buffer, std::size_t max) {
  log.push_back("read");
  const std::string data = current().substr(5);
  const std::size_t n = std::min(max, data.size());
  std::memcpy(buffer, data.data(), n);
  ++m_step;
  return static_cast<long>(n);
}

void ScriptedProcessApi::waitForActivity(int, const ChildProcess&, int) {
  log.push_back("wait");
  if (current() == "idle") ++m_step;
}

bool ScriptedProcessApi::hasEnded(ChildProcess& child) {
  log.push_back("ended?");
  if (current() == "end") {
    m_ended = true;
    child.reaped = true;
    child.exit = ClientExit{true, true, 0, 0};
  }
  return m_ended;
}

void ScriptedProcessApi::terminate(ChildProcess& child) {
  if (child.reaped) return;
  log.push_back("terminate");
  ++terminations;
  child.reaped = true;
}

void ScriptedProcessApi::release(ChildProcess&) {}

void ScriptedProcessApi::closeFd(int& fd) {
  if (fd < 0) return;
  log.push_back("close");
  ++closes;
  fd = -1;
}

}  // namespace velmora::test
