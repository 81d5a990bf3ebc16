#include "ConversionTarget.h"

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

}  // namespace

ConversionTarget::ConversionTarget(std::string target) : m_target(std::move(target)) {
  struct stat st {};
  mode_t mode = NewFileMode();
  if (lstat(m_target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return;  // written directly
    m_replacing = true;
    mode = st.st_mode & 07777;
  }
  const std::string ext = PathExtension(m_target);
  std::string pattern = PathFolder(m_target) + ".velmora-XXXXXX" + ext;
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = mkstemps(buf.data(), static_cast<int>(ext.size()));
  if (fd < 0) return;  // the folder takes no new file: let the client say why
  fchmod(fd, mode);
  close(fd);
  m_temp = buf.data();
}

ConversionTarget::~ConversionTarget() {
  if (!m_done) abandon();
}

bool ConversionTarget::commit(std::string& error) {
  m_done = true;
  if (m_temp.empty()) return true;
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
  if (!m_replacing && wroteSomething && rename(m_temp.c_str(), m_target.c_str()) == 0) return;
  unlink(m_temp.c_str());
}

}  // namespace velmora
