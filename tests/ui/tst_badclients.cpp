// Clients that misbehave: crash, flood the pipe, print garbage, say nothing
// and hang, end at once, or cannot be started at all. For each use of the
// client (start-up check, probe, preview, conversion) the program must end
// with its message, leave the window usable, reap the client and close every
// descriptor it opened.

#include <QtTest>

#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>

#include <sys/resource.h>

#include <optional>

#include "app/Application.h"
#include "app/CheckClient.h"
#include "app/StartUp.h"
#include "app/p_flash.h"
#include "client/ClientRunner.h"
#include "support/ClientFixture.h"
#include "support/FakeDialogs.h"
#include "support/MainFixture.h"
#include "support/WidgetChecks.h"
#include "ui/ImageView.h"
#include "ui/TrackSlider.h"

using namespace velmora;
using namespace velmora::test;
using velmora::test::ChildProcesses;
using velmora::test::ClientFixture;
using velmora::test::FakeDialogs;
using velmora::test::MainFixture;
using velmora::test::OpenDescriptorCount;
using velmora::test::PrintCommand;

namespace {

// The limit every probe, preview and check is held to in this program (the
// real ones are tens of seconds): long enough to read a 10 MB flood even
// under the sanitizers, short enough to wait out a few silent clients. Set
// before the first run reads it.
constexpr int kTimeLimitMs = 3000;

enum class Use { Check, StartUp, Probe, Preview, Conversion };
enum class Setup { Script, NotExecutable, Directory, NoProgram };

// What the user is told after the use's fixed words ("Client program error! ",
// "File load error! ", "Preview error! ", "### SRC ### \r"), as a pattern the
// rest must match whole; nullopt: no message at all.
using Told = std::optional<QString>;

struct Misbehaviour {
  const char* name;
  Setup setup;
  QByteArray script;
  Told check, probe, preview, conversion;
};

QByteArray RandomBytesScript() {
  // Deterministic, so a failure can be repeated; zero bytes and line ends
  // included, as a broken client would print them.
  QRandomGenerator random(20261211);
  QByteArray line = "print ";
  for (int i = 0; i < 6000; ++i)
    line += "\\x" + QByteArray::number(random.bounded(256), 16).rightJustified(2, '0');
  return line + "\nexit 0\n";
}

const QString kEmpty = QStringLiteral("");
const QString kBySignal11 = QStringLiteral("The client was ended by signal 11 \\(.+\\)");
const QString kBySignal9 = QStringLiteral("The client was ended by signal 9 \\(.+\\)");
const QString kStatus1 = QStringLiteral("The client ended with status 1");
const QString kNoAnswerText = QRegularExpression::escape(QString::fromLatin1(kNoAnswer));

QList<Misbehaviour> Misbehaviours() {
  return {
      // A crash prints nothing: the check and the probe fail as for any
      // silent client; preview and conversion say how the client ended.
      {"crashes by SIGSEGV", Setup::Script, "signal 11\n", kEmpty, "No duration!", kBySignal11,
       kBySignal11},
      {"is killed (SIGKILL)", Setup::Script, "signal 9\n", kEmpty, "No duration!", kBySignal9,
       kBySignal9},
      // 10 MB of one letter and no line end: the preview shows the tail of
      // that "line", never more than the last few kilobytes of it; a
      // conversion that ends with status 0 but no progress adds nothing.
      {"prints 10 MB at once", Setup::Script, "burst 10485760\n", kEmpty, "No duration!",
       "x{1,4096}", kEmpty},
      // A read is cut at its first zero byte, so nothing of it is seen.
      {"prints zero bytes first", Setup::Script,
       "print \\x00\\xff\\xfe\\x00binary\\x01\\x00\nexit 0\n", kEmpty, "No duration!", kEmpty,
       kEmpty},
      // Whatever of the garbage survives shows after the preview's words; it
      // is not checked further. The conversion ends with status 0.
      {"prints random bytes", Setup::Script, RandomBytesScript(), kEmpty, "No duration!", "(?s).*",
       kEmpty},
      // The check, probe and preview give up after their time limit; the
      // conversion waits for the user's Cancel and then says nothing.
      {"prints nothing and hangs", Setup::Script, "hang\n", kNoAnswerText, kNoAnswerText,
       kNoAnswerText, std::nullopt},
      // Nothing to show: the bare words of each use.
      {"ends at once", Setup::Script, "exit 0\n", kEmpty, "No duration!", kEmpty, kEmpty},
      {"ends at once with status 1", Setup::Script, "exit 1\n", kEmpty, "No duration!", kStatus1,
       kStatus1},
      // The start itself fails: digit 2 after the use's prefix.
      {"is not executable", Setup::NotExecutable, {}, "002", "012", "022", "032"},
      {"is a directory", Setup::Directory, {}, "002", "012", "022", "032"},
      {"is marked executable but is no program", Setup::NoProgram, {}, "002", "012", "022", "032"},
  };
}

void Arrange(ClientFixture& client, const Misbehaviour& m) {
  switch (m.setup) {
    case Setup::Script:
      client.setScript(m.script);
      break;
    case Setup::NotExecutable:
      client.useClientPath(QStringLiteral(VELMORA_FAKE_CLIENT), false);
      QVERIFY(QFile::setPermissions(client.clientPath(),
                                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
      break;
    case Setup::Directory:
      client.removeClient();
      QVERIFY(QDir().mkpath(client.clientPath()));
      break;
    case Setup::NoProgram: {
      // Text without "#!": the system does not know how to run it.
      client.removeClient();
      QFile file(client.clientPath());
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("echo ffmpeg version 5.1\n");
      file.close();
      QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser));
      break;
    }
  }
}

// The fake client again, with a script that behaves.
void Heal(ClientFixture& client, const QByteArray& script) {
  client.useClientPath(QStringLiteral(VELMORA_FAKE_CLIENT));
  client.clearRuns();
  client.setScript(script);
}

QByteArray ProgressLine() {
  return "frame=   50 fps=0.0 q=-0.0 size=     256kB time=00:03:00.00 bitrate=1048.6kbits/s "
         "speed=4.2x    \r";
}

// Whether `text` is `words` followed by something that matches `pattern`.
bool Says(const QString& text, const QString& words, const QString& pattern) {
  return text.startsWith(words) && QRegularExpression(QRegularExpression::anchoredPattern(pattern))
                                       .match(text.mid(words.size()))
                                       .hasMatch();
}

QByteArray Shown(const QString& text) {
  return text.left(300).toUtf8();
}

}  // namespace

class tst_BadClients : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanup();
  void misbehavingClient_data();
  void misbehavingClient();

 private:
  void checkUse(const Misbehaviour& m, bool throughStartUp);
  void probeUse(const Misbehaviour& m);
  void previewUse(const Misbehaviour& m);
  void conversionUse(const Misbehaviour& m);
};

void tst_BadClients::initTestCase() {
  QCoreApplication::setApplicationName(QStringLiteral("velmora-tests"));
  // Warm up what the toolkit opens once and keeps (fonts, picture readers),
  // so that the descriptor counts below compare like with like.
  ClientFixture client;
  FakeDialogs dialogs;
  std::unique_ptr<Forms> forms = StartUp();
  QVERIFY(forms != nullptr);
  forms.reset();
  QCoreApplication::setApplicationName(QStringLiteral("velmora-tests"));
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  QVERIFY(!f.main().ImageEnView1->image().isNull());
}

void tst_BadClients::cleanup() {
  QCOMPARE(CountTopLevel<Tflash>(), 0);
  QCOMPARE(CountTopLevel<Tmain>(), 0);
  QVERIFY(ChildProcesses().empty());
}

void tst_BadClients::misbehavingClient_data() {
  QTest::addColumn<int>("use");
  QTest::addColumn<int>("index");
  const QList<Misbehaviour> all = Misbehaviours();
  const std::pair<Use, const char*> uses[] = {{Use::Check, "check"},
                                              {Use::StartUp, "start-up"},
                                              {Use::Probe, "probe"},
                                              {Use::Preview, "preview"},
                                              {Use::Conversion, "conversion"}};
  for (const auto& [use, useName] : uses)
    for (int i = 0; i < all.size(); ++i)
      QTest::addRow("%s: client %s", useName, all.at(i).name) << static_cast<int>(use) << i;
}

void tst_BadClients::misbehavingClient() {
  QFETCH(int, use);
  QFETCH(int, index);
  const Misbehaviour m = Misbehaviours().at(index);
  switch (static_cast<Use>(use)) {
    case Use::Check:
      checkUse(m, false);
      break;
    case Use::StartUp:
      checkUse(m, true);
      break;
    case Use::Probe:
      probeUse(m);
      break;
    case Use::Preview:
      previewUse(m);
      break;
    case Use::Conversion:
      conversionUse(m);
      break;
  }
}

void tst_BadClients::checkUse(const Misbehaviour& m, bool throughStartUp) {
  const QString title = QStringLiteral("velmora-tests");
  QCoreApplication::setApplicationName(title);
  ClientFixture client;
  FakeDialogs dialogs;
  const int descriptors = OpenDescriptorCount();
  Arrange(client, m);
  if (QTest::currentTestFailed()) return;

  if (throughStartUp) {
    QVERIFY(StartUp() == nullptr);
    QCOMPARE(dialogs.messages.size(), 1);
    const QString text = dialogs.messages.first().text;
    QVERIFY2(Says(text, QStringLiteral("Client program error! "), *m.check), Shown(text));
    QCOMPARE(dialogs.messages.first().caption, title);
  } else {
    std::string code;
    QVERIFY(!CheckClient(code));
    QVERIFY2(Says(QString::fromStdString(code), QString(), *m.check), code.c_str());
  }
  QCOMPARE(CountTopLevel<Tflash>(), 0);
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);

  // A good client passes afterwards.
  Heal(client, "eprint ffmpeg version 5.1.9\n");
  if (throughStartUp) {
    std::unique_ptr<Forms> forms = StartUp();
    QVERIFY(forms != nullptr);
  } else {
    std::string code;
    QVERIFY(CheckClient(code));
  }
  QCOMPARE(dialogs.messages.size(), throughStartUp ? 1 : 0);
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);
}

void tst_BadClients::probeUse(const Misbehaviour& m) {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  f.main().previewFile.path();  // held open from the first render on
  const int descriptors = OpenDescriptorCount();
  Arrange(f.client, m);
  if (QTest::currentTestFailed()) return;
  f.dialogs.openAnswers.enqueue(clip);
  f.main().btn_load->click();

  QCOMPARE(f.dialogs.messages.size(), 1);
  const QString text = f.dialogs.messages.first().text;
  QVERIFY2(Says(text, QStringLiteral("File load error! "), *m.probe), Shown(text));
  QVERIFY(f.main().ffinfo.FileName.empty());
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);

  // The same file loads once the client behaves.
  Heal(f.client, {});
  f.loadWithFake(clip);
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(QString::fromStdString(f.main().ffinfo.FileName), clip);
  QVERIFY(!f.main().ImageEnView1->image().isNull());
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);
}

void tst_BadClients::previewUse(const Misbehaviour& m) {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  const QImage before = f.main().ImageEnView1->image();
  QVERIFY(!before.isNull());
  const int descriptors = OpenDescriptorCount();
  f.client.clearRuns();
  Arrange(f.client, m);
  if (QTest::currentTestFailed()) return;
  QTest::keyClick(f.main().slider, Qt::Key_Right);

  QCOMPARE(f.dialogs.messages.size(), 1);
  const QString text = f.dialogs.messages.first().text;
  QVERIFY2(Says(text, QStringLiteral("Preview error! "), *m.preview), Shown(text));
  QCOMPARE(f.main().ImageEnView1->image(), before);  // no stale or broken frame
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);

  // The next change renders again.
  Heal(f.client, "copy " + f.frameBitmap(644, 362, Qt::darkRed).toUtf8() + "\n");
  QTest::keyClick(f.main().slider, Qt::Key_Left);
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.main().ImageEnView1->image().pixelColor(10, 10), QColor(Qt::darkRed));
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);
}

void tst_BadClients::conversionUse(const Misbehaviour& m) {
  MainFixture f;
  const QString source = f.makeFile("clip.mp4");
  f.loadWithFake(source, "00:03:00.00");
  QVERIFY(f.dialogs.messages.isEmpty());
  const int descriptors = OpenDescriptorCount();
  f.client.clearRuns();
  Arrange(f.client, m);
  if (QTest::currentTestFailed()) return;
  const QString target = f.files.path() + QStringLiteral("/out.mkv");
  f.dialogs.saveAnswers.enqueue(target);
  const bool waitsForCancel = !m.conversion.has_value();
  if (waitsForCancel)
    QTimer::singleShot(300, &f.progress(), [&f] { f.progress().Button1->click(); });
  QElapsedTimer clock;
  clock.start();
  f.main().btn_clear->click();
  QVERIFY(clock.elapsed() < 20000);
  QVERIFY(!f.progress().isVisible());

  if (waitsForCancel) {
    QVERIFY(f.main().CancelRequested);
    QTest::qWait(20);  // nothing follows a cancel
    QVERIFY(f.dialogs.messages.isEmpty());
  } else {
    QCOMPARE(f.dialogs.messages.size(), 1);
    const QString text = f.dialogs.messages.first().text;
    QVERIFY2(Says(text, QStringLiteral("### ") + source + QStringLiteral(" ### \r"), *m.conversion),
             Shown(text));
    QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error!"));
  }
  // The client wrote nothing, so nothing is left at the target or beside it.
  QTest::qWait(10);
  QCOMPARE(QDir(f.files.path()).entryList(QDir::Files | QDir::Hidden),
           QStringList{QStringLiteral("clip.mp4")});
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);

  // A good conversion goes through afterwards.
  const int told = f.dialogs.messages.size();
  Heal(f.client, PrintCommand(ProgressLine()) + "write converted\n");
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QTRY_COMPARE(f.dialogs.messages.size(), told + 1);
  QCOMPARE(f.dialogs.messages.last().text, QStringLiteral("The process completed successfully!"));
  QCOMPARE(f.progress().Gauge1->value(), 100);
  QVERIFY(QFile::exists(target));
  QVERIFY(ChildProcesses().empty());
  QCOMPARE(OpenDescriptorCount(), descriptors);
}

int main(int argc, char** argv) {
  qputenv("VELMORA_CLIENT_TIME_LIMIT_MS", QByteArray::number(kTimeLimitMs));
  // Crashing clients leave no core files behind.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  velmora::Application app(argc, argv);
  tst_BadClients test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_badclients.moc"
