#include "ArgumentList.h"

namespace velmora {

std::vector<std::string> Words(const ArgumentList& args) {
  std::vector<std::string> words;
  words.reserve(args.size());
  for (const ArgWord& w : args) words.push_back(w.text);
  return words;
}

std::string ArgumentText(const ArgumentList& args) {
  std::string text;
  for (const ArgWord& w : args) {
    text += ' ';
    if (w.quoted) text += '"';
    text += w.text;
    if (w.quoted) text += '"';
  }
  return text;
}

}  // namespace velmora
