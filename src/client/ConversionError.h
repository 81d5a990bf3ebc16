#pragma once

#include <stdexcept>
#include <string>

namespace velmora {

// A text that should have read as a number did not. Carries the text.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(std::string text)
      : std::runtime_error("'" + text + "' is not a valid floating point value"),
        m_text(std::move(text)) {}
  const std::string& text() const { return m_text; }

 private:
  std::string m_text;
};

}  // namespace velmora
