#include "ConversionTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "client/TextUtil.h"

namespace velmora {

namespace {

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Moves `from` to `to` only while nothing stands at `to`: a file that appeared
// there during the run is not ours to overwrite.
bool MoveNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without that flag: a hard link refuses to replace as well.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace

ConversionTarget::ConversionTarget(std::string target) : m_target(std::move(target)) {
  struct stat st {};
  m_mode = NewFileMode();
  if (lstat(m_target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return;  // written directly
    m_replacing = true;
    m_mode = st.st_mode & 07777;
  }
  const std::string ext = PathExtension(m_target);
  std::string pattern = PathFolder(m_target) + ".velmora-XXXXXX" + ext;
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = mkstemps(buf.data(), static_cast<int>(ext.size()));
  if (fd < 0) return;  // the folder takes no new file: let the client say why
  // The file stays owner-writable (0600) while the client writes it, even when
  // it is to end up read-only; the final mode is set when it is put in place.
  close(fd);
  m_temp = buf.data();
}

ConversionTarget::~ConversionTarget() {
  if (!m_done) abandon();
}

bool ConversionTarget::commit(std::string& error) {
  m_done = true;
  if (m_temp.empty()) return true;
  chmod(m_temp.c_str(), m_mode);
  if (rename(m_temp.c_str(), m_target.c_str()) == 0) return true;
  error = "Cannot put the output in place: " + std::string(std::strerror(errno));
  unlink(m_temp.c_str());
  return false;
}

void ConversionTarget::abandon() {
  m_done = true;
  if (m_temp.empty()) return;
  struct stat st {};
  const bool wroteSomething = stat(m_temp.c_str(), &st) == 0 && st.st_size > 0;
  if (!m_replacing && wroteSomething) {
    chmod(m_temp.c_str(), m_mode);
    if (MoveNoReplace(m_temp, m_target)) return;
  }
  unlink(m_temp.c_str());
}

}  // namespace velmora
