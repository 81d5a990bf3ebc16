#include "ClientFixture.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace velmora::test {

ClientFixture::ClientFixture() {
  m_hadBase = qEnvironmentVariableIsSet("VELMORA_BASE_DIR");
  m_oldBase = qgetenv("VELMORA_BASE_DIR");
  QDir(m_dir.path()).mkpath(QStringLiteral("base/vlmr"));
  QDir(m_dir.path()).mkpath(QStringLiteral("records"));
  qputenv("VELMORA_BASE_DIR", QFile::encodeName(m_dir.path() + QStringLiteral("/base")));
  qputenv("VELMORA_FAKE_RECORD", QFile::encodeName(m_dir.path() + QStringLiteral("/records")));
  qunsetenv("VELMORA_FAKE_SCRIPT");
  useClientPath(QStringLiteral(VELMORA_FAKE_CLIENT));
}

ClientFixture::~ClientFixture() {
  if (m_hadBase)
    qputenv("VELMORA_BASE_DIR", m_oldBase);
  else
    qunsetenv("VELMORA_BASE_DIR");
  qunsetenv("VELMORA_FAKE_RECORD");
  qunsetenv("VELMORA_FAKE_SCRIPT");
}

QString ClientFixture::clientPath() const {
  return m_dir.path() + QStringLiteral("/base/vlmr/client.exe");
}

void ClientFixture::setScript(const QByteArray& script) {
  const QString path = m_dir.path() + QStringLiteral("/script.txt");
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(script);
  file.close();
  qputenv("VELMORA_FAKE_SCRIPT", QFile::encodeName(path));
}

void ClientFixture::useRealClient() {
  useClientPath(QStringLiteral(VELMORA_FFMPEG));
}

void ClientFixture::removeClient() {
  const QString path = clientPath();
  QFile::remove(path);
  QDir(path).removeRecursively();
}

void ClientFixture::useClientPath(const QString& target, bool link) {
  removeClient();
  if (link) {
    QVERIFY(QFile::link(target, clientPath()));
  } else {
    QVERIFY(QFile::copy(target, clientPath()));
  }
}

QList<QList<QByteArray>> ClientFixture::runs() const {
  QList<QList<QByteArray>> all;
  for (int k = 1;; ++k) {
    QFile file(m_dir.path() + QStringLiteral("/records/run-%1.args").arg(k));
    if (!file.open(QIODevice::ReadOnly)) break;
    const QByteArray data = file.readAll();
    QList<QByteArray> words;
    qsizetype from = 0;
    while (from < data.size()) {
      const qsizetype zero = data.indexOf('\0', from);
      if (zero < 0) break;
      words << data.mid(from, zero - from);
      from = zero + 1;
    }
    all << words;
  }
  return all;
}

QList<QByteArray> ClientFixture::lastRun() const {
  const QList<QList<QByteArray>> all = runs();
  return all.isEmpty() ? QList<QByteArray>() : all.last();
}

void ClientFixture::clearRuns() {
  QDir records(m_dir.path() + QStringLiteral("/records"));
  for (const QString& name : records.entryList(QDir::Files)) records.remove(name);
}

int OpenDescriptorCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (const dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  closedir(dir);
  return count - 1;  // the descriptor of the listing itself
}

std::vector<pid_t> ChildProcesses() {
  std::vector<pid_t> children;
  const pid_t self = getpid();
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return children;
  while (const dirent* entry = readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(atoi(entry->d_name));
    if (pid <= 0) continue;
    std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...; comm may hold spaces and parentheses.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    std::string state;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == self) children.push_back(pid);
  }
  closedir(proc);
  return children;
}

QString TestOutputDir() {
  return QStringLiteral(VELMORA_TEST_OUTPUT_DIR);
}

}  // namespace velmora::test
