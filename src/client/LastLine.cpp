#include "LastLine.h"

#include "TextUtil.h"

namespace velmora {

void LastLine::feed(std::string_view chunk) {
  for (char c : chunk) {
    if (c == '\n' || c == '\r') {
      std::string line = TrimControl(m_current);
      if (!line.empty()) m_last = std::move(line);
      m_current.clear();
      continue;
    }
    // A line longer than this is garbage, not a message; keep its tail.
    if (m_current.size() >= kMaxLine) m_current.erase(0, kMaxLine / 2);
    m_current += c;
  }
}

std::string LastLine::text() const {
  std::string current = TrimControl(m_current);
  return current.empty() ? m_last : current;
}

}  // namespace velmora
