// A scripted stand-in for the client. It records the words it received and
// then follows the script named by VELMORA_FAKE_SCRIPT, one command a line:
//
//   print TEXT       write TEXT to stdout in one write (escapes: \n \r \t \0 \\ \xHH)
//   eprint TEXT      the same on stderr
//   drain            wait until the reader has emptied the pipe (makes read
//                    boundaries deterministic)
//   sleep MS         pause
//   burst N [C]      write N bytes of C (default 'x') in one write
//   copy SRC         copy file SRC to the last word received (the output path)
//   write TEXT       write TEXT to the last word received
//   create PATH      create (or empty) the file PATH
//   ignoreterm       ignore SIGTERM from now on
//   hang             sleep until killed
//   signal N         raise signal N
//   exit N           exit with status N (the default at the end is 0)
//
// Sections "--- run K" pick the commands of the K-th start (counted by the
// records in VELMORA_FAKE_RECORD); starts beyond the last section use it.
// Without a script it prints a banner like ffmpeg's and exits 0.
//
// Records: VELMORA_FAKE_RECORD names a folder; each start writes the file
// run-K.args there, its words separated by zero bytes.

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

void WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    done += static_cast<size_t>(n);
  }
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    switch (c) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      case '\\':
        out += '\\';
        break;
      case 'x':
        if (i + 2 < s.size()) {
          out += static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
          i += 2;
        }
        break;
      default:
        out += '\\';
        out += c;
    }
  }
  return out;
}

int NextRunNumber(const char* dir) {
  for (int k = 1;; ++k) {
    const std::string path = std::string(dir) + "/run-" + std::to_string(k) + ".args";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      close(fd);
      return k;
    }
    if (errno != EEXIST) return k;
  }
}

void Record(const char* dir, int run, int argc, char** argv) {
  const std::string path = std::string(dir) + "/run-" + std::to_string(run) + ".args";
  std::string data;
  for (int i = 1; i < argc; ++i) {
    data += argv[i];
    data += '\0';
  }
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return;
  WriteAll(fd, data);
  close(fd);
}

std::vector<std::string> SectionFor(const std::string& script, int run) {
  std::vector<std::vector<std::string>> sections;
  bool headed = false;
  std::istringstream in(script);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("--- run", 0) == 0) {
      if (!headed) sections.clear();
      headed = true;
      sections.emplace_back();
      continue;
    }
    if (sections.empty()) sections.emplace_back();
    sections.back().push_back(line);
  }
  if (sections.empty()) return {};
  const size_t index = std::min(static_cast<size_t>(run - 1), sections.size() - 1);
  return sections[index];
}

void Drain() {
  for (int i = 0; i < 20000; ++i) {
    int waiting = 0;
    if (ioctl(1, FIONREAD, &waiting) != 0 || waiting == 0) return;
    usleep(500);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int run = 1;
  if (const char* dir = std::getenv("VELMORA_FAKE_RECORD")) {
    run = NextRunNumber(dir);
    Record(dir, run, argc, argv);
  }
  const std::string last = argc > 1 ? argv[argc - 1] : "";

  const char* scriptPath = std::getenv("VELMORA_FAKE_SCRIPT");
  if (scriptPath == nullptr) {
    WriteAll(2, "ffmpeg version fake Copyright (c) the fake\n");
    return 0;
  }
  std::ifstream file(scriptPath, std::ios::binary);
  std::stringstream whole;
  whole << file.rdbuf();

  for (const std::string& line : SectionFor(whole.str(), run)) {
    const size_t space = line.find(' ');
    const std::string cmd = line.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
    if (cmd == "print") {
      WriteAll(1, Unescape(arg));
    } else if (cmd == "eprint") {
      WriteAll(2, Unescape(arg));
    } else if (cmd == "drain") {
      Drain();
    } else if (cmd == "sleep") {
      usleep(static_cast<useconds_t>(std::atoi(arg.c_str())) * 1000);
    } else if (cmd == "burst") {
      std::istringstream a(arg);
      size_t n = 0;
      std::string c = "x";
      a >> n >> c;
      WriteAll(1, std::string(n, Unescape(c)[0]));
    } else if (cmd == "copy") {
      std::ifstream src(arg, std::ios::binary);
      std::ofstream dst(last, std::ios::binary | std::ios::trunc);
      dst << src.rdbuf();
    } else if (cmd == "write") {
      std::ofstream dst(last, std::ios::binary | std::ios::trunc);
      dst << Unescape(arg);
    } else if (cmd == "create") {
      std::ofstream(arg, std::ios::binary | std::ios::trunc);
    } else if (cmd == "ignoreterm") {
      signal(SIGTERM, SIG_IGN);
    } else if (cmd == "hang") {
      for (;;) pause();
    } else if (cmd == "signal") {
      raise(std::atoi(arg.c_str()));
    } else if (cmd == "exit") {
      return std::atoi(arg.c_str());
    }
  }
  return 0;
}
