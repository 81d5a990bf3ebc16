#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "ProcessApi.h"

extern char** environ;

namespace velmora {

namespace {

// How long a terminated client may take to end by itself (ffmpeg closes its
// output file properly on SIGTERM) before it is killed.
constexpr int kTerminateGraceMs = 1000;

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = syscall(SYS_pidfd_open, pid, 0);
  return fd < 0 ? -1 : static_cast<int>(fd);
#else
  (void)pid;
  return -1;
#endif
}

void RecordStatus(ChildProcess& child, int status) {
  child.reaped = true;
  child.exit.known = true;
  if (WIFEXITED(status)) {
    child.exit.exited = true;
    child.exit.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    child.exit.signal = WTERMSIG(status);
  }
}

// Waits for the child to end for at most timeoutMs; true when it was reaped.
bool WaitEnded(PosixProcessApi& api, ChildProcess& child, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!api.hasEnded(child)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (child.pidfd >= 0) {
      pollfd p{child.pidfd, POLLIN, 0};
      poll(&p, 1, static_cast<int>(left.count()));
    } else {
      usleep(2000);
    }
  }
  return true;
}

}  // namespace

PosixProcessApi& PosixProcessApi::instance() {
  static PosixProcessApi api;
  return api;
}

bool PosixProcessApi::createPipe(PipeEnds& ends) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  ends.read = fds[0];
  ends.write = fds[1];
  return true;
}

bool PosixProcessApi::start(const std::string& program, const std::vector<std::string>& args,
                            int outFd, ChildProcess& child) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  bool ok = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
            posix_spawn_file_actions_adddup2(&actions, outFd, 1) == 0 &&
            posix_spawn_file_actions_adddup2(&actions, outFd, 2) == 0;

  // The client starts with default signal handling and nothing blocked,
  // whatever the GUI toolkit set up for itself.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&defaults, s);
  ok = ok && posix_spawnattr_setsigmask(&attr, &none) == 0 &&
       posix_spawnattr_setsigdefault(&attr, &defaults) == 0 &&
       posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;

  pid_t pid = -1;
  if (ok) ok = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ) == 0;
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (!ok) return false;

  child = ChildProcess{};
  child.pid = pid;
  child.pidfd = OpenPidfd(pid);
  return true;
}

PeekResult PosixProcessApi::peek(int readFd) {
  int waiting = 0;
  if (ioctl(readFd, FIONREAD, &waiting) != 0) return PeekResult::Failed;
  return waiting > 0 ? PeekResult::Waiting : PeekResult::Empty;
}

long PosixProcessApi::read(int readFd, char* buffer, std::size_t max) {
  for (;;) {
    const ssize_t n = ::read(readFd, buffer, max);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

void PosixProcessApi::waitForActivity(int readFd, const ChildProcess& child, int timeoutMs) {
  pollfd fds[2] = {{readFd, POLLIN, 0}, {child.pidfd, POLLIN, 0}};
  const nfds_t count = (child.pidfd >= 0 && !child.reaped) ? 2 : 1;
  poll(fds, count, timeoutMs);
}

bool PosixProcessApi::hasEnded(ChildProcess& child) {
  if (child.reaped) return true;
  if (child.pid <= 0) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(child.pid, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == child.pid) {
    RecordStatus(child, status);
    return true;
  }
  if (r < 0 && errno == ECHILD) {
    // Someone else reaped it; it is gone either way and must not be signalled.
    child.reaped = true;
    return true;
  }
  return false;
}

void PosixProcessApi::terminate(ChildProcess& child) {
  if (child.pid <= 0 || hasEnded(child)) return;
  // Not reaped yet, so the pid still names our child (a zombie at worst).
  kill(child.pid, SIGTERM);
  if (WaitEnded(*this, child, kTerminateGraceMs)) return;
  kill(child.pid, SIGKILL);
  int status = 0;
  pid_t r;
  do {
    r = waitpid(child.pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r == child.pid)
    RecordStatus(child, status);
  else
    child.reaped = true;
}

void PosixProcessApi::release(ChildProcess& child) {
  closeFd(child.pidfd);
}

void PosixProcessApi::closeFd(int& fd) {
  if (fd < 0) return;
  ::close(fd);
  fd = -1;
}

}  // namespace velmora
