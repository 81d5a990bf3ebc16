// Velmora's own figures, each next to an anchor measured in the same run:
//
//   velmora_bench startup ROUNDS           the program from its start to its main window
//                                          shown vs the client alone (`ffmpeg`, no words)
//   velmora_bench idle-cpu ROUNDS          start-up check against a client that stays
//                                          quiet for 3 s: Velmora's processor time
//   velmora_bench probe CLIP ROUNDS        a load's probe vs `ffmpeg -i CLIP` directly
//   velmora_bench preview CLIP ROUNDS      a preview render vs the same ffmpeg words
//   velmora_bench convert CLIP ROUNDS      a conversion through the progress dialog vs
//                                          the same ffmpeg words; wall ratio and
//                                          Velmora's processor time during it
//   velmora_bench memory CLIP...           growth of Velmora's peak memory during a
//                                          conversion of each clip
//
// Each prints one line per figure: name, median, anchor median, ratio. Rounds
// alternate the two sides so that drift on a shared machine hits both.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/CheckClient.h"
#include "client/ClientRunner.h"
#include "client/ProbeMedia.h"
#include "support/ClientFixture.h"
#include "support/MainFixture.h"
#include "ui/p_main.h"
#include "ui/p_progress.h"

extern char** environ;

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

struct Sample {
  double wall = 0;  // seconds
  double cpu = 0;   // seconds of this process (user + system), children excluded
};

double OwnCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

template <class F>
Sample Measure(F&& body) {
  const double cpu0 = OwnCpuSeconds();
  const auto t0 = Clock::now();
  body();
  Sample s;
  s.wall = std::chrono::duration<double>(Clock::now() - t0).count();
  s.cpu = OwnCpuSeconds() - cpu0;
  return s;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// Runs a program directly with these words, output discarded, and waits.
double RunDirect(const std::string& program, const std::vector<std::string>& words) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  const auto t0 = Clock::now();
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&fa);
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

void Report(const char* name, const std::vector<double>& ours, const std::vector<double>& anchor,
            const char* unit) {
  const double a = Median(ours);
  const double b = Median(anchor);
  std::printf("%-28s velmora %10.4f %s   anchor %10.4f %s   ratio %.3f   (%zu rounds)\n", name, a,
              unit, b, unit, b > 0 ? a / b : 0.0, ours.size());
}

void ReportShare(const char* name, const std::vector<double>& cpu,
                 const std::vector<double>& wall) {
  std::vector<double> share;
  for (size_t i = 0; i < cpu.size(); ++i) share.push_back(100.0 * cpu[i] / wall[i]);
  std::printf("%-28s velmora cpu %8.4f s over %8.3f s wall = %.2f %% of one core (median)\n", name,
              Median(cpu), Median(wall), Median(share));
}

std::vector<std::string> LastWords;

void CaptureWords() {
  SetClientTraceHook([](const ClientTrace& t) { LastWords = t.words; });
}

// Starts the built program headless and waits for its "main window shown" line.
double StartToMainWindow(const std::string& program) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.emplace_back("QT_QPA_PLATFORM=offscreen");
  env.emplace_back("QT_LOGGING_RULES=velmora.startup.debug=true");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  const auto t0 = Clock::now();
  pid_t pid = -1;
  const bool started = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv, envp.data()) == 0;
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  double seconds = -1;
  std::string seen;
  char buf[512];
  while (started) {
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<size_t>(n));
    if (seen.find("main window shown") != std::string::npos) {
      seconds = std::chrono::duration<double>(Clock::now() - t0).count();
      break;
    }
  }
  close(fds[0]);
  if (started) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  return seconds;
}

int StartUp(int rounds) {
  const std::string program =
      (QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/velmora")).toStdString();
  std::vector<double> ours, anchor;
  for (int r = 0; r < rounds; ++r) {
    ours.push_back(StartToMainWindow(program));
    anchor.push_back(RunDirect(VELMORA_FFMPEG, {}));
  }
  Report("start-up to main window", ours, anchor, "s");
  return 0;
}

int IdleCpu(int rounds) {
  test::ClientFixture client;
  client.setScript("sleep 3000\nprint ffmpeg version bench\n");
  std::vector<double> cpu, wall;
  for (int r = 0; r < rounds; ++r) {
    std::string code;
    const Sample s = Measure([&] { CheckClient(code, [] { QCoreApplication::processEvents(); }); });
    cpu.push_back(s.cpu);
    wall.push_back(s.wall);
  }
  ReportShare("check, quiet client 3 s", cpu, wall);
  return 0;
}

int Probe(const QString& clip, int rounds) {
  test::ClientFixture client;
  client.useRealClient();
  CaptureWords();
  std::vector<double> ours, anchor;
  for (int r = 0; r < rounds; ++r) {
    Tffinfo info;
    std::string code, output;
    ours.push_back(Measure([&] {
                     ProbeMedia(QFile::encodeName(clip).toStdString(), code, info, output,
                                [] { QCoreApplication::processEvents(); });
                   }).wall);
    anchor.push_back(RunDirect(VELMORA_FFMPEG, LastWords));
  }
  Report("probe (ffmpeg -i)", ours, anchor, "s");
  return 0;
}

int Preview(const QString& clip, int rounds) {
  test::MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(clip);
  CaptureWords();
  std::vector<double> ours, anchor;
  QTemporaryDir dir;
  for (int r = 0; r < rounds; ++r) {
    ours.push_back(Measure([&] { f.main().sliderChanged(nullptr); }).wall);
    std::vector<std::string> words = LastWords;
    words.back() = (dir.path() + QStringLiteral("/direct.bmp")).toStdString();
    anchor.push_back(RunDirect(VELMORA_FFMPEG, words));
  }
  if (!f.dialogs.messages.isEmpty())
    std::printf("message: %s\n", qPrintable(f.dialogs.messages.last().text));
  Report("preview render", ours, anchor, "s");
  return 0;
}

// One conversion through Clear and the progress dialog.
Sample ConvertOnce(test::MainFixture& f, const QString& target) {
  QFile::remove(target);
  f.dialogs.saveAnswers.enqueue(target);
  return Measure([&] { f.main().btn_clear->click(); });
}

int Convert(const QString& clip, int rounds) {
  test::MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(clip);
  CaptureWords();
  QTemporaryDir dir;
  const QString target = dir.path() + QStringLiteral("/out.mkv");
  std::vector<double> ours, anchor, cpu;
  for (int r = 0; r < rounds; ++r) {
    const bool directFirst = r % 2 == 1;
    auto direct = [&] {
      std::vector<std::string> words = LastWords;
      words.back() = (dir.path() + QStringLiteral("/direct.mkv")).toStdString();
      anchor.push_back(RunDirect(VELMORA_FFMPEG, words));
    };
    if (directFirst && !LastWords.empty()) direct();
    const Sample s = ConvertOnce(f, target);
    ours.push_back(s.wall);
    cpu.push_back(s.cpu);
    if (!directFirst) direct();
  }
  QCoreApplication::processEvents();
  Report("conversion", ours, anchor, "s");
  ReportShare("conversion, own cpu", cpu, ours);
  return 0;
}

// A "VmHWM:"-style line of /proc/self/status, in KiB.
long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
  return -1;
}

int Memory(const QStringList& clips) {
  for (const QString& clip : clips) {
    test::MainFixture f;
    f.client.useRealClient();
    f.main().loadvideofile(clip);
    QTemporaryDir dir;
    // Reset the peak to the present, so the figure is this conversion's.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKiB("VmRSS:");
    const Sample s = ConvertOnce(f, dir.path() + QStringLiteral("/out.mkv"));
    const long peak = StatusKiB("VmHWM:");
    std::printf(
        "%-28s %s: conversion %.1f s, rss before %ld KiB, peak during %ld KiB, growth %ld KiB\n",
        "memory", qPrintable(QFileInfo(clip).fileName()), s.wall, before, peak, peak - before);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: velmora_bench idle-cpu|probe|preview|convert|memory ...\n");
    return 2;
  }
  const QString mode = args.at(1);
  const int rounds = args.size() > 3 ? args.at(3).toInt() : 5;
  if (mode == QLatin1String("startup")) return StartUp(args.size() > 2 ? args.at(2).toInt() : 5);
  if (mode == QLatin1String("idle-cpu")) return IdleCpu(args.size() > 2 ? args.at(2).toInt() : 3);
  if (mode == QLatin1String("probe")) return Probe(args.at(2), rounds);
  if (mode == QLatin1String("preview")) return Preview(args.at(2), rounds);
  if (mode == QLatin1String("convert")) return Convert(args.at(2), rounds);
  if (mode == QLatin1String("memory")) return Memory(args.mid(2));
  std::fprintf(stderr, "unknown mode %s\n", qPrintable(mode));
  return 2;
}
