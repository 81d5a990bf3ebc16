#include "PreviewFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "client/ClientPath.h"

namespace velmora {

namespace {

constexpr int kMaxCopies = 64;

bool MakeDirs(const std::string& dir) {
  std::string partial;
  std::size_t from = 0;
  while (from <= dir.size()) {
    const std::size_t slash = dir.find('/', from);
    partial = dir.substr(0, slash == std::string::npos ? dir.size() : slash);
    if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  struct stat st {};
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string UserCacheDir() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && *xdg == '/') return std::string(xdg) + "/velmora";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.cache/velmora";
}

PreviewFile::PreviewFile(std::string programDir, std::string cacheDir)
    : m_programDir(std::move(programDir)), m_cacheDir(std::move(cacheDir)), m_dirsGiven(true) {}

PreviewFile::~PreviewFile() {
  if (m_fd >= 0) close(m_fd);
}

bool PreviewFile::claimIn(const std::string& dir) {
  if (dir.empty() || access(dir.c_str(), W_OK) != 0) return false;
  for (int copy = 1; copy <= kMaxCopies; ++copy) {
    const std::string name = copy == 1 ? "preview.bmp" : "preview-" + std::to_string(copy) + ".bmp";
    const std::string candidate = dir + "/" + name;
    const int fd = open(candidate.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      m_fd = fd;
      m_path = candidate;
      return true;
    }
    close(fd);  // another running copy holds this one
  }
  return false;
}

const std::string& PreviewFile::path() {
  if (!m_path.empty()) return m_path;
  const std::string programDir = m_dirsGiven ? m_programDir : ProgramDir();
  const std::string cacheDir = m_dirsGiven && !m_cacheDir.empty() ? m_cacheDir : UserCacheDir();
  if (claimIn(programDir)) return m_path;
  if (MakeDirs(cacheDir) && claimIn(cacheDir)) return m_path;
  throw std::runtime_error("No folder can hold the preview picture (tried " + programDir + " and " +
                           cacheDir + ")");
}

void PreviewFile::prepare() {
  if (truncate(path().c_str(), 0) != 0 && errno != ENOENT)
    throw std::runtime_error("Cannot prepare the preview picture " + m_path);
}

bool PreviewFile::hasNewFrame() const {
  struct stat st {};
  return !m_path.empty() && stat(m_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace velmora
