#pragma once

#include <string>

namespace velmora {

// The bitmap the client renders the preview frame into. It lives in the
// program's folder when that folder is writable, else in the user's cache
// folder ($XDG_CACHE_HOME/velmora, default ~/.cache/velmora). The file is
// held under a lock for the program's life, so two running copies never
// share one: a second copy takes preview-2.bmp, and so on.
class PreviewFile {
 public:
  PreviewFile() = default;
  // Chooses among these folders, in this order (tests pass their own).
  explicit PreviewFile(std::string programDir, std::string cacheDir = {});
  ~PreviewFile();
  PreviewFile(const PreviewFile&) = delete;
  PreviewFile& operator=(const PreviewFile&) = delete;

  // The full path; claims the file on first use. Throws std::runtime_error
  // when no folder can hold it.
  const std::string& path();

  // Empties the file before a render, so that a render that writes nothing
  // is told apart from one that wrote a frame.
  void prepare();
  bool hasNewFrame() const;

 private:
  bool claimIn(const std::string& dir);

  std::string m_programDir;
  std::string m_cacheDir;
  bool m_dirsGiven = false;
  std::string m_path;
  int m_fd = -1;
};

// $XDG_CACHE_HOME/velmora, or ~/.cache/velmora.
std::string UserCacheDir();

}  // namespace velmora
