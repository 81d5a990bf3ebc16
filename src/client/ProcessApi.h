#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace velmora {

struct PipeEnds {
  int read = -1;
  int write = -1;
};

// How a client ended, as far as it is known.
struct ClientExit {
  bool known = false;   // reaped
  bool exited = false;  // ended by itself (exit status valid)
  int status = 0;       // exit status when exited
  int signal = 0;       // terminating signal otherwise
  bool normalZero() const { return known && exited && status == 0; }
};

struct ChildProcess {
  pid_t pid = -1;
  int pidfd = -1;  // -1 when the kernel offers none; waits then fall back to a timeout
  bool reaped = false;
  ClientExit exit;
};

enum class PeekResult { Failed, Empty, Waiting };

// The operations a client run needs of the system. The POSIX implementation
// is the real one; tests wrap it to make a chosen step fail.
class ProcessApi {
 public:
  virtual ~ProcessApi() = default;

  virtual bool createPipe(PipeEnds& ends) = 0;
  // Starts `program` with `args` (argv[1..]), stdout and stderr on `outFd`,
  // stdin on /dev/null.
  virtual bool start(const std::string& program, const std::vector<std::string>& args, int outFd,
                     ChildProcess& child) = 0;
  // Whether output is waiting, without removing it.
  virtual PeekResult peek(int readFd) = 0;
  // Reads at most `max` bytes; returns the count, or -1 on failure.
  virtual long read(int readFd, char* buffer, std::size_t max) = 0;
  // Waits until output arrives, the child ends, or `timeoutMs` passes.
  virtual void waitForActivity(int readFd, const ChildProcess& child, int timeoutMs) = 0;
  // Whether the child has ended; reaps it and records how when it has.
  virtual bool hasEnded(ChildProcess& child) = 0;
  // Ends a child that still runs and reaps it. Never signals a reaped child.
  virtual void terminate(ChildProcess& child) = 0;
  // Releases what the child record holds (its pidfd).
  virtual void release(ChildProcess& child) = 0;
  virtual void closeFd(int& fd) = 0;
};

class PosixProcessApi : public ProcessApi {
 public:
  static PosixProcessApi& instance();

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
};

}  // namespace velmora
