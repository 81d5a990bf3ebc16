#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <vector>

#include <sys/types.h>

namespace velmora::test {

// A client base folder for one test: VELMORA_BASE_DIR points at it while the
// fixture lives, and vlmr/client.exe is the scripted fake client (or the real
// ffmpeg, or nothing). Every start of the fake is recorded.
class ClientFixture {
 public:
  ClientFixture();
  ~ClientFixture();
  ClientFixture(const ClientFixture&) = delete;
  ClientFixture& operator=(const ClientFixture&) = delete;

  // The fake's script (see tests/fake_client/fake_client.cpp).
  void setScript(const QByteArray& script);
  void useRealClient();
  void removeClient();
  // Puts `target` (a file or folder) at the client's path.
  void useClientPath(const QString& target, bool link = true);

  QString dir() const { return m_dir.path(); }
  QString clientPath() const;
  // The words of every start so far, in order.
  QList<QList<QByteArray>> runs() const;
  QList<QByteArray> lastRun() const;
  void clearRuns();

 private:
  QTemporaryDir m_dir;
  QByteArray m_oldBase;
  bool m_hadBase = false;
};

// Descriptors this process has open.
int OpenDescriptorCount();
// Processes whose parent is this process (zombies included).
std::vector<pid_t> ChildProcesses();

// A folder under the build tree where tests leave pictures to look at.
QString TestOutputDir();

}  // namespace velmora::test
