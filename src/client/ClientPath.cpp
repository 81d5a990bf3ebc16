#include "ClientPath.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#ifndef VELMORA_DEFAULT_BASE_DIR
#define VELMORA_DEFAULT_BASE_DIR "../lib/velmora"
#endif

namespace velmora {

std::string ProgramDir() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return ".";
    if (static_cast<size_t>(n) < buf.size()) {
      std::string path(buf.data(), static_cast<size_t>(n));
      const size_t slash = path.rfind('/');
      return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    }
    buf.resize(buf.size() * 2);
  }
}

std::string ClientBaseDir() {
  const char* env = std::getenv("VELMORA_BASE_DIR");
  if (env != nullptr && *env != '\0') return env;
  const std::string def = VELMORA_DEFAULT_BASE_DIR;
  if (!def.empty() && def.front() == '/') return def;
  return ProgramDir() + "/" + def;
}

std::string ClientPath() {
  return ClientBaseDir() + "/vlmr/client.exe";
}

}  // namespace velmora
