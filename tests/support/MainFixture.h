#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "support/ClientFixture.h"
#include "support/FakeDialogs.h"
#include "ui/p_about.h"
#include "ui/p_main.h"
#include "ui/p_progress.h"

namespace velmora::test {

// The program's windows as start-up makes them, with the fake dialog seam and
// a client base folder of the test's own.
class MainFixture {
 public:
  MainFixture();
  ~MainFixture();

  Tmain& main() { return *m_main; }
  Tprogress& progress() { return *m_progress; }
  Tabout& about() { return *m_about; }
  ClientFixture client;
  FakeDialogs dialogs;
  QTemporaryDir files;   // a folder for the test's videos and outputs
  QTemporaryDir frames;  // rendered-frame stand-ins, kept apart from `files`

  // A file in `files` with the given bytes; returns its path.
  QString makeFile(const QString& name, const QByteArray& bytes = "not really a video");
  // A bitmap the fake client can copy as a rendered frame.
  QString frameBitmap(int width = 644, int height = 362, QColor color = Qt::darkCyan);

  // Loads `path` with a fake client whose probe prints a header with this
  // duration and frame size and whose later runs render `frameBitmap()`.
  void loadWithFake(const QString& path, const QString& duration = "00:01:23.45", int width = 1280,
                    int height = 720);

  // The words of the client's last run, and the value after `option` there.
  QList<QByteArray> lastWords() const { return client.lastRun(); }
  QByteArray wordAfter(const QByteArray& option) const;

 private:
  std::unique_ptr<Tmain> m_main;
  Tprogress* m_progress = nullptr;
  Tabout* m_about = nullptr;
};

// What ffmpeg prints for `-i` on a typical H.264/AAC file, with these values.
QByteArray ProbeOutput(const QString& path, const QString& duration, int width, int height,
                       const QString& bitrate = "1205", const QString& videoBitrate = "1000");
// A fake-client script section that prints `text` in one go.
QByteArray PrintCommand(const QByteArray& text);

}  // namespace velmora::test
