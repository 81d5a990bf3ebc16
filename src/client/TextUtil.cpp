#include "TextUtil.h"

namespace velmora {

namespace {
bool IsControlOrSpace(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
}  // namespace

std::string TrimControl(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsControlOrSpace(text[begin])) ++begin;
  while (end > begin && IsControlOrSpace(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string PathExtension(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  const size_t slash = path.rfind('/');
  if (slash != std::string_view::npos && slash > dot) return {};
  return std::string(path.substr(dot));
}

std::string PathFolder(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash + 1));
}

std::string HundredthsText(long long n) {
  const bool negative = n < 0;
  const unsigned long long m =
      negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::string text = (negative ? "-" : "") + std::to_string(m / 100);
  const unsigned fraction = static_cast<unsigned>(m % 100);
  if (fraction != 0) {
    text += '.';
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  }
  return text;
}

}  // namespace velmora
