#pragma once

#include <string>
#include <vector>

namespace velmora {

// One word of a client's command line. File names are marked so that the
// classic one-line rendering can put them in double quotes; the client itself
// always receives each word as it is, never a re-split line.
struct ArgWord {
  std::string text;
  bool quoted = false;
};

using ArgumentList = std::vector<ArgWord>;

inline ArgWord Opt(std::string text) {
  return ArgWord{std::move(text), false};
}
inline ArgWord FileArg(std::string text) {
  return ArgWord{std::move(text), true};
}

// The words handed to the client.
std::vector<std::string> Words(const ArgumentList& args);

// The one-line form: each word after a space, file names in double quotes
// (" -i \"clip.mp4\""). Used for logs and to check the command's shape.
std::string ArgumentText(const ArgumentList& args);

}  // namespace velmora
