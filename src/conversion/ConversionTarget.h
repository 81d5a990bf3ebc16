#pragma once

#include <sys/types.h>

#include <string>

namespace velmora {

// Where the client writes a conversion, so that a file being replaced is
// never lost: the client writes a temporary file beside the target (same
// extension, so it picks the same format), which replaces the target only
// when the conversion succeeds. After a failure or a cancel a file that stood
// at the target stays as it was, and a new target gets the partial output.
// A target that exists but is not a regular file (a device, a link) is
// written directly, and so is a target whose folder takes no new file.
class ConversionTarget {
 public:
  explicit ConversionTarget(std::string target);
  ~ConversionTarget();  // not committed: abandon()
  ConversionTarget(const ConversionTarget&) = delete;
  ConversionTarget& operator=(const ConversionTarget&) = delete;

  const std::string& target() const { return m_target; }
  // The path to hand to the client.
  const std::string& writePath() const { return m_temp.empty() ? m_target : m_temp; }
  bool replacing() const { return m_replacing; }

  // Puts the finished output in place. False with `error` set when it could
  // not be moved; the target is then unchanged.
  bool commit(std::string& error);
  void abandon();

 private:
  std::string m_target;
  std::string m_temp;
  mode_t m_mode = 0;  // what the output ends up with: a new file's or the replaced one's
  bool m_replacing = false;
  bool m_done = false;
};

}  // namespace velmora
