// Hostile file names and troublesome files, end to end with the real ffmpeg:
// every name reaches the client as the very bytes of the file, output lands
// exactly at the chosen path and nowhere else, and files that are not (whole)
// videos are reported while the window stays usable.

#include <QtTest>

#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "client/ClientRunner.h"
#include "support/MainFixture.h"
#include "support/MediaClips.h"
#include "support/WidgetChecks.h"
#include "ui/ImageView.h"
#include "ui/TrackSlider.h"

using namespace velmora;
using namespace velmora::test;
using velmora::test::ChildProcesses;
using velmora::test::MainFixture;

namespace {

std::vector<ClientTrace> g_runs;  // every client run since the last clear

QByteArray Bytes(const QString& path) {
  return QFile::encodeName(path);
}

QByteArray Word(const std::string& w) {
  return QByteArray::fromStdString(w);
}

// The word after `option` in a run's words.
QByteArray WordAfter(const ClientTrace& run, const char* option) {
  for (std::size_t i = 0; i + 1 < run.words.size(); ++i)
    if (run.words[i] == option) return Word(run.words[i + 1]);
  return {};
}

// Every file below `dir` (folders themselves not listed), as raw paths
// relative to it; hidden ones included.
void CollectFiles(const QByteArray& dir, const QByteArray& prefix, QList<QByteArray>& out) {
  DIR* d = opendir(dir.constData());
  if (d == nullptr) return;
  while (const dirent* e = readdir(d)) {
    const QByteArray name(e->d_name);
    if (name == "." || name == "..") continue;
    const QByteArray path = dir + '/' + name;
    struct stat st {};
    if (lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
      CollectFiles(path, prefix + name + '/', out);
    else
      out << prefix + name;
  }
  closedir(d);
}

QList<QByteArray> FilesBelow(const QByteArray& dir) {
  QList<QByteArray> files;
  CollectFiles(dir, {}, files);
  std::sort(files.begin(), files.end());
  return files;
}

bool WriteRaw(const QByteArray& path, const QByteArray& bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
  out.write(bytes.constData(), bytes.size());
  return static_cast<bool>(out);
}

QString FirstMessage(const MainFixture& f) {
  return f.dialogs.messages.isEmpty() ? QString() : f.dialogs.messages.first().text;
}

// Runs the client with the working folder set to an empty one of its own,
// so that anything written relative to it shows.
class WorkingFolder {
 public:
  WorkingFolder() : m_old(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
  ~WorkingFolder() { QDir::setCurrent(m_old); }
  QList<QByteArray> files() const { return FilesBelow(Bytes(m_dir.path())); }

 private:
  QTemporaryDir m_dir;
  QString m_old;
};

const QString kSuccess = QStringLiteral("The process completed successfully!");

}  // namespace

class tst_HostileNames : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanupTestCase();
  void hostileNamesGoThroughWhole_data();
  void hostileNamesGoThroughWhole();
  void namesThatAreNotUtf8AreRefused_data();
  void namesThatAreNotUtf8AreRefused();
  void markersInEchoedNamesAreNoErrors_data();
  void markersInEchoedNamesAreNoErrors();
  void troublesomeFilesAreReported_data();
  void troublesomeFilesAreReported();
  void sourceGoneBeforeClear();
  void outputFolderTakesNoFiles();
  void outputOnAFullDevice();

 private:
  // Checks that `f` has `source` loaded, previewed by the real client.
  void verifyLoaded(MainFixture& f, const QString& source);
  // Converts the loaded file to `target` and checks where the output went.
  void convertTo(MainFixture& f, const QString& source, const QString& target);
  // After a failure: the window takes input and a good file still loads.
  void verifyUsable(MainFixture& f);

  QTemporaryDir m_clips;
  QString m_clip;           // 1 s, 160x120, H.264 and AAC, index at the end
  QString m_clipFastStart;  // the same with its index at the front
  Tffinfo m_plain;          // what the probe learns of the clip under a plain name
  int m_plainRange = 0;     // and the position slider's range then
};

void tst_HostileNames::initTestCase() {
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  m_clip = m_clips.path() + QStringLiteral("/clip.mp4");
  QVERIFY(test::MakeStandardClip(m_clip, 1.0));
  m_clipFastStart = m_clips.path() + QStringLiteral("/faststart.mp4");
  int code = -1;
  test::RunFfmpeg({QStringLiteral("-hide_banner"), QStringLiteral("-y"), QStringLiteral("-i"),
                   m_clip, QStringLiteral("-c"), QStringLiteral("copy"),
                   QStringLiteral("-movflags"), QStringLiteral("+faststart"), m_clipFastStart},
                  &code);
  QCOMPARE(code, 0);
  SetClientTraceHook([](const ClientTrace& t) { g_runs.push_back(t); });

  MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(m_clip);
  QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(FirstMessage(f)));
  m_plain = f.main().ffinfo;
  m_plainRange = f.main().slider->maximum();
  QCOMPARE(m_plain.Width, std::string("160"));
}

void tst_HostileNames::init() {
  g_runs.clear();
}

void tst_HostileNames::cleanupTestCase() {
  SetClientTraceHook({});
}

void tst_HostileNames::verifyLoaded(MainFixture& f, const QString& source) {
  QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(FirstMessage(f)));
  QCOMPARE(Word(f.main().ffinfo.FileName), Bytes(source));
  QCOMPARE(f.main().label_loadedfile->text(), source);
  // The name changes nothing of what is learnt about the file.
  const Tffinfo& info = f.main().ffinfo;
  QCOMPARE(info.Duration, m_plain.Duration);
  QCOMPARE(info.Bitrate, m_plain.Bitrate);
  QCOMPARE(info.VideoBitrate, m_plain.VideoBitrate);
  QCOMPARE(info.Width, m_plain.Width);
  QCOMPARE(info.Height, m_plain.Height);
  QCOMPARE(f.main().slider->maximum(), m_plainRange);
  const QImage frame = f.main().ImageEnView1->image();
  QCOMPARE(frame.size(), QSize(644, 483));  // 160x120 at the view's width
  QVERIFY(PictureVariance(frame) > 100);    // the test pattern, not a blank
  // One probe and one render, each given the file's own bytes as one word.
  QCOMPARE(g_runs.size(), std::size_t(2));
  QCOMPARE(g_runs[0].prefix, std::string("01"));
  QCOMPARE(g_runs[0].words, (std::vector<std::string>{"-i", Bytes(source).toStdString()}));
  QCOMPARE(g_runs[1].prefix, std::string("02"));
  QCOMPARE(WordAfter(g_runs[1], "-i"), Bytes(source));
  QVERIFY(g_runs[0].success && g_runs[1].success);
  QVERIFY(f.main().isEnabled());
}

void tst_HostileNames::convertTo(MainFixture& f, const QString& source, const QString& target) {
  g_runs.clear();
  const int told = f.dialogs.messages.size();
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QTRY_COMPARE(f.dialogs.messages.size(), told + 1);
  QCOMPARE(f.dialogs.messages.last().text, kSuccess);

  QCOMPARE(g_runs.size(), std::size_t(1));
  const std::vector<std::string>& words = g_runs[0].words;
  QCOMPARE(Word(words.at(0)), QByteArray("-i"));
  QCOMPARE(Word(words.at(1)), Bytes(source));
  // The client writes beside the target, in a file of the same type, which
  // then takes the target's name.
  const QByteArray written = Word(words.back());
  const QByteArray wanted = Bytes(target);
  QCOMPARE(written.left(written.lastIndexOf('/')), wanted.left(wanted.lastIndexOf('/')));
  QCOMPARE(written.mid(written.lastIndexOf('.')), wanted.mid(wanted.lastIndexOf('.')));
  QVERIFY(!QFile::exists(QFile::decodeName(written)));

  int code = -1;
  const QByteArray probe =
      test::RunFfmpeg({QStringLiteral("-hide_banner"), QStringLiteral("-i"), target}, &code);
  QVERIFY2(probe.contains("Duration: 00:00:01") && probe.contains("Video: h264"),
           probe.constData());
}

void tst_HostileNames::verifyUsable(MainFixture& f) {
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(!f.progress().isVisible());
  QVERIFY(ChildProcesses().empty());
  const int told = f.dialogs.messages.size();
  g_runs.clear();
  f.dialogs.openAnswers.enqueue(m_clip);
  f.main().btn_load->click();
  QCOMPARE(f.dialogs.messages.size(), told);
  QCOMPARE(Word(f.main().ffinfo.FileName), Bytes(m_clip));
  QCOMPARE(f.main().ImageEnView1->image().size(), QSize(644, 483));
}

void tst_HostileNames::hostileNamesGoThroughWhole_data() {
  QTest::addColumn<QString>("folder");      // below the test's own folder; may be nested
  QTest::addColumn<QString>("name");        // the video's
  QTest::addColumn<QString>("targetBase");  // the outputs', without their extensions

  QTest::newRow("spaces, leading, doubled and trailing") << " my  videos "
                                                         << " at the  sea .mp4"
                                                         << " adjusted  copy ";
  QTest::newRow("double quotes that would end a quoted word") << "say \"cheese\""
                                                              << "\" -y \"x.mp4"
                                                              << "out \" -f null \"";
  QTest::newRow("single quotes") << "it's"
                                 << "don't 'stop'.mp4"
                                 << "won't";
  QTest::newRow("leading dashes that read as options") << "-i"
                                                       << "-y.mp4"
                                                       << "-vf null";
  QTest::newRow("shell and URL characters") << "$HOME `id`"
                                            << "a;b|c&d $(touch pwned) `ls` #x ?y=1.mp4"
                                            << "$1;|&`>o<";
  QTest::newRow("letters beyond ASCII") << "vidéos 日本"
                                        << "été 日本語.mp4"
                                        << "résultat 日本";
  QTest::newRow("a name of 200 characters")
      << "" << QString(196, QLatin1Char('n')) + QStringLiteral(".mp4")
      << QString(196, QLatin1Char('t'));
  QTest::newRow("nested folders of 255-character names")
      << QStringList{QString(255, QLatin1Char('a')), QString(255, QLatin1Char('b')),
                     QString(255, QLatin1Char('c')), QString(255, QLatin1Char('d'))}
             .join(QLatin1Char('/'))
      << "clip.mp4"
      << "out";
  QTest::newRow("marks ffmpeg reads as protocols and patterns") << "file:"
                                                                << "pipe:1 %03d.mp4"
                                                                << "concat:%d";
  QTest::newRow("a line break and a tab") << "two\nlines"
                                          << "a\tb\nc.mp4"
                                          << "d\ne";
  // ffmpeg prints the path in its report of the file ("from '...'"), ahead
  // of the figures the probe reads; the folder's slash completes "kb/s".
  QTest::newRow("a path that reads like the probe's figures")
      << "  Duration: 12:00:00.00, start: 0, bitrate: 7 kb"
      << "s, Video: 9999x9999, 3 kb.mp4"
      << "Duration: 01:00:00.00, ";
  QTest::newRow("a path with lines that read like the probe's figures")
      << "x\n  Duration: 12:00:00.00, start: 0.000000, bitrate: 7 kb"
      << "s\n  Stream #0:0: Video: h264, 9999x9999, 5 kb.mp4"
      << "out";
  // ffmpeg prints the names in the conversion's report too ("from '...'",
  // "to '...'"), where the program looks for its error markers.
  QTest::newRow("names holding the conversion's error markers")
      << "No such file"
      << "Assertion failed! No such file.mp4"
      << "No such file";
}

void tst_HostileNames::hostileNamesGoThroughWhole() {
  QFETCH(QString, folder);
  QFETCH(QString, name);
  QFETCH(QString, targetBase);
  QTemporaryDir root;
  const QString dir = folder.isEmpty() ? root.path() : root.path() + QLatin1Char('/') + folder;
  QVERIFY(QDir().mkpath(dir));
  const QString source = dir + QLatin1Char('/') + name;
  QVERIFY(QFile::copy(m_clip, source));
  const QString sameType = dir + QLatin1Char('/') + targetBase + QStringLiteral(".mp4");
  const QString otherType = dir + QLatin1Char('/') + targetBase + QStringLiteral(".mkv");
  WorkingFolder cwd;

  {
    MainFixture f;
    f.client.useRealClient();
    f.dialogs.openAnswers.enqueue(source);
    f.main().btn_load->click();
    verifyLoaded(f, source);
    if (QTest::currentTestFailed()) return;
  }
  g_runs.clear();
  MainFixture f;
  f.client.useRealClient();
  Drop(f.main().ImageEnView1, {QUrl::fromLocalFile(source)});
  verifyLoaded(f, source);
  if (QTest::currentTestFailed()) return;

  convertTo(f, source, sameType);
  if (QTest::currentTestFailed()) return;
  convertTo(f, source, otherType);
  if (QTest::currentTestFailed()) return;
  QTest::qWait(20);  // the left-over removal runs after the dialog

  // The video and the two outputs, and nothing else anywhere.
  const QByteArray prefix = folder.isEmpty() ? QByteArray() : Bytes(folder) + '/';
  QList<QByteArray> expected{prefix + Bytes(name), prefix + Bytes(targetBase) + ".mp4",
                             prefix + Bytes(targetBase) + ".mkv"};
  std::sort(expected.begin(), expected.end());
  QCOMPARE(FilesBelow(Bytes(root.path())), expected);
  QCOMPARE(cwd.files(), QList<QByteArray>());
  QCOMPARE(ReadAll(source), ReadAll(m_clip));
  QVERIFY(ChildProcesses().empty());
}

void tst_HostileNames::namesThatAreNotUtf8AreRefused_data() {
  QTest::addColumn<QByteArray>("relative");
  QTest::newRow("bytes in the file name") << QByteArray(
      "\xff\xfe"
      "clip.mp4");
  QTest::newRow("a Latin-1 folder name") << QByteArray("\xe9t\xe9/clip.mp4");
}

void tst_HostileNames::namesThatAreNotUtf8AreRefused() {
  QFETCH(QByteArray, relative);
  QTemporaryDir root;
  const QByteArray rootBytes = Bytes(root.path());
  const QByteArray raw = rootBytes + '/' + relative;
  const QByteArray rawFolder =
      relative.contains('/') ? raw.left(raw.lastIndexOf('/')) : QByteArray();
  // QTemporaryDir cannot remove what it cannot name.
  struct RemoveRaw {
    QByteArray file, folder;
    ~RemoveRaw() {
      unlink(file.constData());
      if (!folder.isEmpty()) rmdir(folder.constData());
    }
  } removeRaw{raw, rawFolder};
  if (!rawFolder.isEmpty()) QCOMPARE(mkdir(rawFolder.constData(), 0700), 0);
  QVERIFY(WriteRaw(raw, ReadAll(m_clip)));
  const QString decoded = QFile::decodeName(raw);
  QVERIFY(decoded.contains(QChar::ReplacementCharacter));
  const QList<QByteArray> before = FilesBelow(rootBytes);

  MainFixture f;
  f.client.useRealClient();
  const QString told = QStringLiteral(
                           "File load error! The file's name is not valid UTF-8 text, so it "
                           "cannot be opened: ") +
                       decoded;

  // A drop from the desktop: the address holds the name's own bytes.
  const QUrl url = QUrl::fromEncoded("file://" + raw.toPercentEncoding("/"));
  QVERIFY(url.isLocalFile());
  Drop(f.main().ImageEnView1, {url});
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text, told);
  QCOMPARE(f.dialogs.messages.first().icon, MessageIcon::Error);
  QCOMPARE(f.dialogs.messages.first().owner.data(), &f.main());

  // The open dialog hands over the name as decoded text.
  f.dialogs.openAnswers.enqueue(decoded);
  f.main().btn_load->click();
  QCOMPARE(f.dialogs.messages.size(), 2);
  QCOMPARE(f.dialogs.messages.last().text, told);
  QVERIFY(g_runs.empty());  // no client was asked about some other file
  QVERIFY(f.main().ffinfo.FileName.empty());
  QVERIFY(f.main().label_loadedfile->text().isEmpty());

  // A target of such a name is refused before anything is written.
  const QString good = root.path() + QStringLiteral("/good.mp4");
  QVERIFY(QFile::copy(m_clip, good));
  f.main().loadvideofile(good);
  QCOMPARE(f.dialogs.messages.size(), 2);
  g_runs.clear();
  const QString target = QFile::decodeName(rootBytes +
                                           "/\xff"
                                           "out.mp4");
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 3);
  QCOMPARE(f.dialogs.messages.last().text,
           QStringLiteral("The target file name is not valid UTF-8 text: ") + target);
  QCOMPARE(f.dialogs.messages.last().caption, QStringLiteral("Error"));
  QVERIFY(g_runs.empty());
  QList<QByteArray> expected = before;
  expected << "good.mp4";
  std::sort(expected.begin(), expected.end());
  QCOMPARE(FilesBelow(rootBytes), expected);
  verifyUsable(f);
}

void tst_HostileNames::markersInEchoedNamesAreNoErrors_data() {
  // With the fake client, so that the reads fall where each row wants them:
  // the client echoes the source's path, split into two reads at `split`
  // (a position in the path; -1: no split), then prints `after`.
  QTest::addColumn<QString>("folder");
  QTest::addColumn<int>("split");
  QTest::addColumn<QByteArray>("after");
  QTest::addColumn<QString>("failure");  // empty: success
  const QString marked = QStringLiteral("No such file - Assertion failed!");
  const QString a = QString(250, QLatin1Char('a'));
  const QString b = QString(250, QLatin1Char('b'));
  const QString longer = QStringList{a, a, a, marked, b, b}.join(QLatin1Char('/'));
  const QByteArray progress =
      "frame=   25 fps=0.0 q=-0.0 size=     256kB time=00:00:01.00 bitrate=1048.6kbits/s "
      "speed=4.2x    \r";
  QTest::newRow("in one read") << marked << -1 << progress << QString();
  QTest::newRow("the read ends inside a marker") << marked << 5 << progress << QString();
  QTest::newRow("the read ends right before a marker") << marked << 0 << progress << QString();
  QTest::newRow("the read ends right after a marker") << marked << 12 << progress << QString();
  // 512-byte reads: the marker's window starts and ends in the middle of it.
  QTest::newRow("a path longer than two reads") << longer << -1 << progress << QString();
  // A marker of the client's own after the name still stops the run.
  QTest::newRow("a real error after the name")
      << marked << 5 << QByteArray("/x/other.mp4: No such file or directory\n") << "No such file";
  QTest::newRow("a real assertion after a long name")
      << longer << -1 << QByteArray("Assertion failed!\n") << "Assertion failed!";
}

void tst_HostileNames::markersInEchoedNamesAreNoErrors() {
  QFETCH(QString, folder);
  QFETCH(int, split);
  QFETCH(QByteArray, after);
  QFETCH(QString, failure);
  MainFixture f;
  const QString dir = f.files.path() + QLatin1Char('/') + folder;
  QVERIFY(QDir().mkpath(dir));
  const QString source = dir + QStringLiteral("/clip.mp4");
  QVERIFY(QFile::copy(m_clip, source));
  f.loadWithFake(source, QStringLiteral("00:00:01.00"));
  QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(FirstMessage(f)));

  const QByteArray line = "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '" + Bytes(source) + "':\n";
  const int cut = split < 0 ? -1 : static_cast<int>(line.indexOf("No such file")) + split;
  QByteArray script;
  if (cut < 0)
    script += test::PrintCommand(line);
  else
    script += test::PrintCommand(line.left(cut)) + "drain\n" + test::PrintCommand(line.mid(cut));
  script += "drain\n" + test::PrintCommand(after) + "drain\nwrite converted\nexit 0\n";
  f.client.clearRuns();
  f.client.setScript(script);
  const QString target = f.files.path() + QStringLiteral("/out.mp4");
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QTRY_COMPARE(f.dialogs.messages.size(), 1);
  if (failure.isEmpty()) {
    QCOMPARE(f.dialogs.messages.first().text, kSuccess);
    QCOMPARE(ReadAll(target), QByteArray("converted"));
  } else {
    QCOMPARE(f.dialogs.messages.first().text,
             QStringLiteral("### ") + source + QStringLiteral(" ### \r") + failure);
  }
}

void tst_HostileNames::troublesomeFilesAreReported_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("told");  // the load's message; empty: whatever ffmpeg decides
  QTest::newRow("text, not media") << "text"
                                   << "File load error! No duration!";
  QTest::newRow("zero bytes") << "empty"
                              << "File load error! No duration!";
  // The index is lost with the second half: ffmpeg cannot open it at all.
  QTest::newRow("MP4 cut in half, index at the end") << "cut" << QString();
  // The index survives and promises a second the file no longer holds.
  QTest::newRow("MP4 cut in half, index at the front") << "cut-faststart" << QString();
}

void tst_HostileNames::troublesomeFilesAreReported() {
  QFETCH(QString, kind);
  QFETCH(QString, told);
  QTemporaryDir root;
  const QString source = root.path() + QStringLiteral("/trouble 日本.mp4");
  QByteArray bytes;
  if (kind == QLatin1String("text"))
    bytes = "These are my notes, not a video.\n";
  else if (kind == QLatin1String("cut"))
    bytes = ReadAll(m_clip).left(ReadAll(m_clip).size() / 2);
  else if (kind == QLatin1String("cut-faststart"))
    bytes = ReadAll(m_clipFastStart).left(ReadAll(m_clipFastStart).size() / 2);
  QVERIFY(WriteRaw(Bytes(source), bytes));

  MainFixture f;
  f.client.useRealClient();
  f.dialogs.openAnswers.enqueue(source);
  f.main().btn_load->click();
  if (!told.isEmpty()) {
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(f.dialogs.messages.first().text, told);
    QVERIFY(f.main().ffinfo.FileName.empty());
  } else if (f.main().ffinfo.FileName.empty()) {
    // Refused: with a reason after the words.
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY2(f.dialogs.messages.first().text.startsWith(QStringLiteral("File load error! ")),
             qPrintable(FirstMessage(f)));
    QVERIFY(f.dialogs.messages.first().text.size() > QStringLiteral("File load error! ").size());
  } else {
    // Loaded: a preview frame or a preview error with ffmpeg's reason, then a
    // conversion that succeeds or says why not.
    QVERIFY(f.dialogs.messages.size() <= 1);
    if (f.dialogs.messages.size() == 1) {
      QVERIFY2(FirstMessage(f).startsWith(QStringLiteral("Preview error! ")),
               qPrintable(FirstMessage(f)));
      QVERIFY(FirstMessage(f).size() > QStringLiteral("Preview error! ").size());
    } else {
      QVERIFY(!f.main().ImageEnView1->image().isNull());
    }
    const int before = f.dialogs.messages.size();
    const QString target = root.path() + QStringLiteral("/out 日本.mkv");
    f.dialogs.saveAnswers.enqueue(target);
    f.main().btn_clear->click();
    QTRY_COMPARE(f.dialogs.messages.size(), before + 1);
    const QString report = f.dialogs.messages.last().text;
    const QString failed = QStringLiteral("### ") + source + QStringLiteral(" ### \r");
    QVERIFY2(report == kSuccess || (report.startsWith(failed) && report.size() > failed.size()),
             qPrintable(report));
    QTest::qWait(20);
    // Whatever was written stands at the target; nothing else is left.
    for (const QByteArray& name : FilesBelow(Bytes(root.path())))
      QVERIFY2(name == "trouble 日本.mp4" || name == "out 日本.mkv", name.constData());
  }
  QCOMPARE(ReadAll(source), bytes);
  verifyUsable(f);
}

void tst_HostileNames::sourceGoneBeforeClear() {
  QTemporaryDir root;
  const QString source = root.path() + QStringLiteral("/\"gone\" $x 日本.mp4");
  QVERIFY(QFile::copy(m_clip, source));
  MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(source);
  QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(FirstMessage(f)));
  QVERIFY(QFile::remove(source));
  g_runs.clear();
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("Can not locate the source file: ") + source);
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error"));
  QVERIFY(f.dialogs.saveDialogs.isEmpty());
  QVERIFY(g_runs.empty());
  QCOMPARE(FilesBelow(Bytes(root.path())), QList<QByteArray>());
  verifyUsable(f);
}

void tst_HostileNames::outputFolderTakesNoFiles() {
  // A folder this process cannot create files in. Permissions do not stop
  // root, so then a folder of the kernel's is used.
  QTemporaryDir root;
  QString folder = root.path() + QStringLiteral("/read only");
  QVERIFY(QDir().mkpath(folder));
  QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
  auto takesFiles = [](const QString& dir) {
    QFile probe(dir + QStringLiteral("/.velmora-probe"));
    if (!probe.open(QIODevice::WriteOnly)) return false;
    probe.remove();
    return true;
  };
  if (takesFiles(folder)) folder = QStringLiteral("/proc");
  if (takesFiles(folder)) QSKIP("no folder here refuses new files to this user");

  const QString source = root.path() + QStringLiteral("/clip 日本.mp4");
  QVERIFY(QFile::copy(m_clip, source));
  MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(source);
  QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(FirstMessage(f)));
  const QString target = folder + QStringLiteral("/velmora out.mkv");
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  const QString failed = QStringLiteral("### ") + source + QStringLiteral(" ### \r");
  const QString report = f.dialogs.messages.first().text;
  QVERIFY2(report.startsWith(failed) && report.size() > failed.size(), qPrintable(report));
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error!"));
  QVERIFY(!QFileInfo::exists(target));
  QTest::qWait(20);
  QCOMPARE(QDir(folder).entryList(QStringList{QStringLiteral("*velmora*")},
                                  QDir::AllEntries | QDir::Hidden | QDir::System),
           QStringList());
  QVERIFY(QFile::setPermissions(root.path() + QStringLiteral("/read only"),
                                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  verifyUsable(f);
}

void tst_HostileNames::outputOnAFullDevice() {
  QTemporaryDir root;
  const QString dir = root.path() + QStringLiteral("/vidéos \"pleines\"");
  QVERIFY(QDir().mkpath(dir));
  const QString source = dir + QStringLiteral("/-clip $x.mp4");
  QVERIFY(QFile::copy(m_clip, source));
  const QString target = dir + QStringLiteral("/out.mp4");
  QVERIFY(QFile::link(QStringLiteral("/dev/full"), target));
  MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(source);
  QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(FirstMessage(f)));
  f.dialogs.saveAnswers.enqueue(target);
  f.dialogs.confirmAnswers.enqueue(true);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("### ") + source + QStringLiteral(" ### \rConversion failed!"));
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error!"));
  QTest::qWait(20);
  QVERIFY(QFileInfo(target).isSymLink());  // written through, never replaced
  QCOMPARE(QFileInfo(target).symLinkTarget(), QStringLiteral("/dev/full"));
  QCOMPARE(FilesBelow(Bytes(dir)), (QList<QByteArray>{Bytes("-clip $x.mp4"), "out.mp4"}));
  verifyUsable(f);
}

int main(int argc, char** argv) {
  velmora::Application app(argc, argv);
  tst_HostileNames test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_hostilenames.moc"
