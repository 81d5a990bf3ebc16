#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Follows a client's output chunk by chunk and keeps only its last non-empty
// line (lines end at "\n" or "\r"), so memory stays small however much the
// client prints.
class LastLine {
 public:
  void feed(std::string_view chunk);
  // The last non-empty line, trimmed; a line still unfinished counts.
  std::string text() const;

 private:
  static constexpr std::size_t kMaxLine = 4096;
  std::string m_current;
  std::string m_last;
};

}  // namespace velmora
