// Clear and the conversion dialog: the checks before it, the words, the
// progress, the outcome messages, cancel, and real conversions by ffmpeg.

#include <QtTest>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/Application.h"
#include "support/MainFixture.h"
#include "support/MediaClips.h"
#include "support/WidgetChecks.h"
#include "ui/TrackSlider.h"

using namespace velmora;
using namespace velmora::test;
using velmora::test::MainFixture;
using velmora::test::PrintCommand;
using velmora::test::ProbeOutput;

namespace {

QByteArray ProgressLine(const QByteArray& time) {
  return "frame=   50 fps=0.0 q=-0.0 size=     256kB time=" + time +
         " bitrate=1048.6kbits/s speed=4.2x    \r";
}

// Files in a folder other than the ones named.
QStringList Others(const QString& dir, const QStringList& known) {
  QStringList rest;
  for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
    if (!known.contains(name)) rest << name;
  return rest;
}

}  // namespace

class tst_Conversion : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void progressDialogLayout();
  void clearNeedsALoadedFile();
  void clearNeedsTheSourceStillThere();
  void saveDialogIsSetUpFromTheSource();
  void cancelledSaveDialogDoesNothing();
  void targetThatIsTheSourceIsRefused_data();
  void targetThatIsTheSourceIsRefused();
  void existingTargetIsReplacedOnlyWhenConfirmed();
  void wordsKeepOrChangeTheType_data();
  void wordsKeepOrChangeTheType();
  void progressMovesGaugeAndLabel_data();
  void progressMovesGaugeAndLabel();
  void successMessageComesAfterTheDialogCloses();
  void failuresShowTheErrorBox_data();
  void failuresShowTheErrorBox();
  void cancelStopsTheClientAndKeepsTheReplacedFile_data();
  void cancelStopsTheClientAndKeepsTheReplacedFile();
  void failedNewTargetKeepsThePartialOutput();
  void leftOverIsRemovedOnlyWhenItAppearedDuringTheRun();
  void errorInTheRunStillEndsItThenReachesTheReport();
  void realConversions_data();
  void realConversions();
  void realConversionToAFullDevice();

 private:
  // Loads a fake source and converts it to `target` with `script` as the
  // conversion's client. Returns once the dialog has closed.
  void convert(MainFixture& f, const QString& source, const QString& target,
               const QByteArray& script, const QString& duration = "00:03:00.00");

  QTemporaryDir m_clips;
  QString m_clip;
};

void tst_Conversion::initTestCase() {
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  m_clip = m_clips.path() + QStringLiteral("/source clip.mp4");
  QVERIFY(test::MakeStandardClip(m_clip, 2.0));
}

void tst_Conversion::convert(MainFixture& f, const QString& source, const QString& target,
                             const QByteArray& script, const QString& duration) {
  f.loadWithFake(source, duration);
  QVERIFY(f.dialogs.messages.isEmpty());
  f.client.clearRuns();
  f.client.setScript(script);
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QVERIFY(!f.progress().isVisible());
}

void tst_Conversion::progressDialogLayout() {
  MainFixture f;
  Tprogress& p = f.progress();
  QCOMPARE(p.size(), QSize(343, 88));
  QCOMPARE(p.minimumSize(), p.maximumSize());
  QVERIFY(p.windowTitle().isEmpty());
  QVERIFY(!(p.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint)));
  QCOMPARE(p.Label1->pos(), QPoint(11, 5));
  QCOMPARE(p.Gauge1->geometry(), QRect(10, 25, 325, 19));
  QCOMPARE(p.Gauge1->minimum(), 0);
  QCOMPARE(p.Gauge1->maximum(), 100);
  QVERIFY(p.Gauge1->isTextVisible());
  p.Gauge1->setValue(42);
  QCOMPARE(p.Gauge1->text(), QStringLiteral("42%"));
  QVERIFY(p.Gauge1->styleSheet().contains(QStringLiteral("chunk")));
  QCOMPARE(p.Button1->geometry(), QRect(135, 55, 77, 26));
  QCOMPARE(p.Button1->text(), QStringLiteral("Cancel"));
  QCOMPARE(p.timer_do->interval(), 2);
  QCOMPARE(p.timer_deletetrf->interval(), 1);
  QVERIFY(!p.timer_do->isActive());
  QCOMPARE(f.main().timer_endmsg->interval(), 2);
}

void tst_Conversion::clearNeedsALoadedFile() {
  MainFixture f;
  f.main().LoadAudioFile1->trigger();  // the menu item is the same command
  QCOMPARE(f.dialogs.messages.size(), 1);
  const test::FakeDialogs::Message& m = f.dialogs.messages.first();
  QCOMPARE(m.text, QStringLiteral("Please load file at first!"));
  QCOMPARE(m.caption, QStringLiteral("Error"));
  QCOMPARE(m.icon, MessageIcon::Error);
  QCOMPARE(m.owner.data(), &f.main());
  QVERIFY(f.dialogs.saveDialogs.isEmpty());
}

void tst_Conversion::clearNeedsTheSourceStillThere() {
  MainFixture f;
  const QString source = f.makeFile("gone.mp4");
  f.loadWithFake(source);
  QFile::remove(source);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("Can not locate the source file: ") + source);
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error"));
  QVERIFY(f.dialogs.saveDialogs.isEmpty());

  // A folder of that name does not count as the file.
  QVERIFY(QDir().mkpath(source));
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 2);
}

void tst_Conversion::saveDialogIsSetUpFromTheSource() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.Mkv"));
  f.main().SaveDialog1.fileName = QStringLiteral("/old/choice.mkv");
  f.main().SaveDialog1.filterIndex = 4;
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.saveDialogs.size(), 1);
  const FileDialogState& shown = f.dialogs.saveDialogs.first();
  QVERIFY(shown.filter.startsWith(QStringLiteral("*.MKV|*.mkv|*.AVI|*.avi|")));
  QCOMPARE(shown.filter.count(QLatin1String("MKV")), 1);
  QCOMPARE(shown.defaultExt, QStringLiteral("Mkv"));
  QCOMPARE(shown.filterIndex, 0);
  QVERIFY(shown.fileName.isEmpty());
}

void tst_Conversion::cancelledSaveDialogDoesNothing() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  f.client.clearRuns();
  f.main().btn_clear->click();
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.saveDialogs.size(), 2);
  QVERIFY(f.dialogs.saveDialogs.last().fileName.isEmpty());
  QVERIFY(f.client.runs().isEmpty());
  QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_Conversion::targetThatIsTheSourceIsRefused_data() {
  QTest::addColumn<QString>("spelling");
  QTest::newRow("the same text") << "%1/clip.mp4";
  QTest::newRow("through the parent folder") << "%1/sub/../clip.mp4";
  QTest::newRow("a link to it") << "%1/link.mp4";
  QTest::newRow("doubled slashes") << "%1//clip.mp4";
}

void tst_Conversion::targetThatIsTheSourceIsRefused() {
  QFETCH(QString, spelling);
  MainFixture f;
  const QString source = f.makeFile("clip.mp4", "original");
  QVERIFY(QDir(f.files.path()).mkdir(QStringLiteral("sub")));
  QVERIFY(QFile::link(source, f.files.path() + QStringLiteral("/link.mp4")));
  f.loadWithFake(source);
  f.client.clearRuns();
  f.dialogs.saveAnswers.enqueue(spelling.arg(f.files.path()));
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("The target file name is as same as source file"));
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error"));
  QVERIFY(f.dialogs.questions.isEmpty());
  QVERIFY(f.client.runs().isEmpty());
  QCOMPARE(ReadAll(source), QByteArray("original"));
}

void tst_Conversion::existingTargetIsReplacedOnlyWhenConfirmed() {
  MainFixture f;
  const QString source = f.makeFile("clip.mp4");
  const QString target = f.makeFile("out.mp4", "keep me");
  f.loadWithFake(source);
  f.client.clearRuns();
  f.dialogs.saveAnswers.enqueue(target);
  f.dialogs.confirmAnswers.enqueue(false);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.questions.size(), 1);
  QCOMPARE(f.dialogs.questions.first().text,
           target + QStringLiteral(" already exists.\rDo you want to replace it?"));
  QVERIFY(f.client.runs().isEmpty());
  QCOMPARE(ReadAll(target), QByteArray("keep me"));

  f.client.setScript(PrintCommand(ProgressLine("00:03:00.00")) + "write converted\n");
  f.dialogs.saveAnswers.enqueue(target);
  f.dialogs.confirmAnswers.enqueue(true);
  f.main().btn_clear->click();
  QCOMPARE(f.client.runs().size(), 1);
  QCOMPARE(ReadAll(target), QByteArray("converted"));
  QCOMPARE(Others(f.files.path(), {"clip.mp4", "out.mp4"}), QStringList());
}

void tst_Conversion::wordsKeepOrChangeTheType_data() {
  QTest::addColumn<QString>("targetName");
  QTest::addColumn<bool>("sameType");
  QTest::newRow("same extension") << "out.mp4" << true;
  QTest::newRow("same type in other letters") << "OUT.MP4" << true;
  QTest::newRow("another type") << "out.mkv" << false;
}

void tst_Conversion::wordsKeepOrChangeTheType() {
  QFETCH(QString, targetName);
  QFETCH(bool, sameType);
  MainFixture f;
  const QString source = f.makeFile("clip.mp4");
  const QString target = f.files.path() + QLatin1Char('/') + targetName;
  convert(f, source, target, PrintCommand(ProgressLine("00:00:01.00")) + "write x\n");
  const QList<QByteArray> words = f.client.lastRun();
  QVERIFY(!words.isEmpty());
  const QByteArray written = words.last();
  const QList<QByteArray> head = words.mid(0, words.size() - 1);
  const QByteArray filter =
      "eq=contrast=1:brightness=0:saturation=1:gamma=1:gamma_r=1:gamma_g=1:gamma_b=1";
  if (sameType)
    QCOMPARE(head, (QList<QByteArray>{"-i", source.toUtf8(), "-y", "-c:a", "copy", "-b:v", "1000k",
                                      "-q:v", "0", "-vf", filter}));
  else
    QCOMPARE(head, (QList<QByteArray>{"-i", source.toUtf8(), "-y", "-q:a", "0", "-q:v", "0", "-vf",
                                      filter}));
  // The client writes beside the target, in a file of the same type.
  QCOMPARE(QFileInfo(QString::fromUtf8(written)).absolutePath(), f.files.path());
  QVERIFY(written.endsWith(QFileInfo(target).suffix().prepend('.').toUtf8()));
  QVERIFY(written != target.toUtf8());
  QCOMPARE(ReadAll(target), QByteArray("x"));
}

void tst_Conversion::progressMovesGaugeAndLabel_data() {
  QTest::addColumn<QString>("total");
  QTest::addColumn<QByteArray>("time");
  QTest::addColumn<int>("gauge");
  QTest::newRow("half of three minutes") << "00:03:00.00" << QByteArray("00:01:30.50") << 50;
  QTest::newRow("12.5 goes to the even 12") << "00:00:08.00" << QByteArray("00:00:01.00") << 12;
  QTest::newRow("37.5 goes to the even 38") << "00:00:08.00" << QByteArray("00:00:03.00") << 38;
  QTest::newRow("beyond the total holds at 100")
      << "00:00:08.00" << QByteArray("00:00:09.00") << 100;
}

void tst_Conversion::progressMovesGaugeAndLabel() {
  QFETCH(QString, total);
  QFETCH(QByteArray, time);
  QFETCH(int, gauge);
  MainFixture f;
  // An unreadable progress line first: skipped, the run goes on.
  convert(f, f.makeFile("clip.mp4"), f.files.path() + QStringLiteral("/out.mp4"),
          PrintCommand(ProgressLine("N/A")) + "drain\n" + PrintCommand(ProgressLine(time)) +
              "write x\n",
          total);
  QCOMPARE(f.progress().Gauge1->value(), gauge);
  QCOMPARE(f.progress().Label1->text(),
           QStringLiteral("Process ") + time + QStringLiteral(" ......"));
  QTRY_COMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text, QStringLiteral("The process completed successfully!"));
}

void tst_Conversion::successMessageComesAfterTheDialogCloses() {
  MainFixture f;
  bool dialogShownDuringMessage = true;
  f.dialogs.onMessage = [&](const test::FakeDialogs::Message&) {
    dialogShownDuringMessage = f.progress().isVisible();
  };
  const QString target = f.files.path() + QStringLiteral("/new.mp4");
  convert(f, f.makeFile("clip.mp4"), target,
          PrintCommand(ProgressLine("00:01:00.00")) + "write video\nexit 0\n");
  QTRY_COMPARE(f.dialogs.messages.size(), 1);
  const test::FakeDialogs::Message& m = f.dialogs.messages.first();
  QCOMPARE(m.text, QStringLiteral("The process completed successfully!"));
  QCOMPARE(m.caption, QString());
  QCOMPARE(m.icon, MessageIcon::Warning);
  QCOMPARE(m.owner.data(), &f.main());
  QVERIFY(!dialogShownDuringMessage);
  QCOMPARE(ReadAll(target), QByteArray("video"));
  QCOMPARE(Others(f.files.path(), {"clip.mp4", "new.mp4"}).filter(QStringLiteral(".velmora")),
           QStringList());
}

void tst_Conversion::failuresShowTheErrorBox_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<QString>("failure");
  QTest::newRow("no progress line, status 0")
      << QByteArray("print Stream mapping:\\n\nexit 0\n") << QString();
  QTest::newRow("marker split over two reads")
      << QByteArray("print clip.mp4: No su\ndrain\nprint ch file or directory\\n\nhang\n")
      << "No such file";
  QTest::newRow("both markers: the assertion wins")
      << QByteArray("print Assertion failed! No such file\\n\nhang\n") << "Assertion failed!";
  QTest::newRow("progress, then status 1")
      << PrintCommand(ProgressLine("00:01:00.00")) + "drain\n" +
             PrintCommand("Error writing trailer: No space left on device\nConversion failed!\n") +
             "exit 1\n"
      << "Conversion failed!";
  QTest::newRow("progress, then killed by a signal")
      << PrintCommand(ProgressLine("00:01:00.00")) + "drain\nsignal 9\n"
      << "frame=   50 fps=0.0 q=-0.0 size=     256kB time=00:01:00.00 bitrate=1048.6kbits/s "
         "speed=4.2x";
  QTest::newRow("marker after progress")
      << PrintCommand(ProgressLine("00:01:00.00")) + "drain\nprint Assertion failed!\nexit 0\n"
      << "Assertion failed!";
}

void tst_Conversion::failuresShowTheErrorBox() {
  QFETCH(QByteArray, script);
  QFETCH(QString, failure);
  MainFixture f;
  const QString source = f.makeFile("clip.mp4");
  bool dialogShownDuringMessage = false;
  f.dialogs.onMessage = [&](const test::FakeDialogs::Message&) {
    dialogShownDuringMessage = f.progress().isVisible();
  };
  convert(f, source, f.files.path() + QStringLiteral("/out.mkv"), script);
  QCOMPARE(f.dialogs.messages.size(), 1);
  const test::FakeDialogs::Message& m = f.dialogs.messages.first();
  QCOMPARE(m.text, QStringLiteral("### ") + source + QStringLiteral(" ### \r") + failure);
  QCOMPARE(m.caption, QStringLiteral("Error!"));
  QCOMPARE(m.icon, MessageIcon::Error);
  QCOMPARE(m.owner.data(), &f.progress());
  QVERIFY(dialogShownDuringMessage);
  QTest::qWait(20);  // no completion message follows
  QCOMPARE(f.dialogs.messages.size(), 1);
  QVERIFY(velmora::test::ChildProcesses().empty());
}

void tst_Conversion::cancelStopsTheClientAndKeepsTheReplacedFile_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("Cancel button") << false;
  QTest::newRow("Esc key") << true;
}

void tst_Conversion::cancelStopsTheClientAndKeepsTheReplacedFile() {
  QFETCH(bool, byEscape);
  MainFixture f;
  const QString source = f.makeFile("clip.mp4");
  const QString target = f.makeFile("out.mp4", "the user's old file");
  f.loadWithFake(source);
  f.client.setScript(PrintCommand(ProgressLine("00:00:30.00")) + "write partial\nhang\n");
  f.dialogs.saveAnswers.enqueue(target);
  f.dialogs.confirmAnswers.enqueue(true);
  QTimer press;
  connect(&press, &QTimer::timeout, [&] {
    if (!f.progress().Label1->text().startsWith(QStringLiteral("Process"))) return;
    press.stop();
    if (byEscape)
      QTest::keyClick(&f.progress(), Qt::Key_Escape);
    else
      f.progress().Button1->click();
  });
  press.start(10);
  QElapsedTimer clock;
  clock.start();
  f.main().btn_clear->click();
  QVERIFY(clock.elapsed() < 20000);
  QVERIFY(f.main().CancelRequested);
  QVERIFY(!f.progress().isVisible());
  QTest::qWait(20);
  QVERIFY(f.dialogs.messages.isEmpty());
  QVERIFY(velmora::test::ChildProcesses().empty());
  QCOMPARE(ReadAll(target), QByteArray("the user's old file"));
  QCOMPARE(Others(f.files.path(), {"clip.mp4", "out.mp4"}), QStringList());
}

void tst_Conversion::failedNewTargetKeepsThePartialOutput() {
  MainFixture f;
  const QString target = f.files.path() + QStringLiteral("/new.mkv");
  convert(f, f.makeFile("clip.mp4"), target,
          PrintCommand(ProgressLine("00:00:30.00")) + "write partial\nexit 1\n");
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(ReadAll(target), QByteArray("partial"));
  QCOMPARE(Others(f.files.path(), {"clip.mp4", "new.mkv"}), QStringList());

  // A client that wrote nothing leaves no empty file behind.
  MainFixture g;
  const QString none = g.files.path() + QStringLiteral("/none.mkv");
  convert(g, g.makeFile("clip.mp4"), none, "print Unknown encoder\\n\nexit 1\n");
  QVERIFY(!QFile::exists(none));
  QCOMPARE(Others(g.files.path(), {"clip.mp4"}), QStringList());
}

void tst_Conversion::leftOverIsRemovedOnlyWhenItAppearedDuringTheRun() {
  MainFixture f;
  const QString leftover = f.files.path() + QStringLiteral("/qtrn.trf");
  const QString target = f.files.path() + QStringLiteral("/out.mp4");
  convert(f, f.makeFile("clip.mp4"), target,
          "create " + leftover.toUtf8() + "\n" + PrintCommand(ProgressLine("00:00:01.00")) +
              "write x\n");
  QTRY_VERIFY(!QFile::exists(leftover));

  // One that stood there before the run is not ours.
  f.makeFile("qtrn.trf", "someone else's");
  f.client.setScript(PrintCommand(ProgressLine("00:00:01.00")) + "write x\n");
  f.dialogs.saveAnswers.enqueue(f.files.path() + QStringLiteral("/out2.mp4"));
  f.main().btn_clear->click();
  QTRY_COMPARE(f.dialogs.messages.size(), 2);
  QTest::qWait(20);
  QCOMPARE(ReadAll(leftover), QByteArray("someone else's"));
}

void tst_Conversion::errorInTheRunStillEndsItThenReachesTheReport() {
  MainFixture f;
  // Not a listed type, so the load does not read the duration; the run does.
  const QString source = f.makeFile("clip.3gp");
  f.client.setScript(PrintCommand(ProbeOutput(source, "00:x:00", 320, 240)));
  f.main().loadvideofile(source);
  QVERIFY(f.dialogs.messages.isEmpty());
  f.client.clearRuns();
  f.dialogs.saveAnswers.enqueue(f.files.path() + QStringLiteral("/out.mp4"));
  f.main().btn_clear->click();
  QVERIFY(f.client.runs().isEmpty());  // it failed before the client started
  QVERIFY(!f.progress().isVisible());
  QCOMPARE(f.dialogs.messages.size(), 2);
  QCOMPARE(f.dialogs.messages.at(0).text,
           QStringLiteral("### ") + source + QStringLiteral(" ### \r"));
  QCOMPARE(f.dialogs.messages.at(1).text,
           QStringLiteral("'x' is not a valid floating point value"));
  QCOMPARE(f.dialogs.messages.at(1).caption, QStringLiteral("Velmora"));
  QVERIFY(f.main().isEnabled());
}

void tst_Conversion::realConversions_data() {
  QTest::addColumn<QString>("targetName");
  QTest::newRow("same type") << "out put.mp4";
  QTest::newRow("other type") << "out put.mkv";
}

void tst_Conversion::realConversions() {
  QFETCH(QString, targetName);
  MainFixture f;
  f.client.useRealClient();
  f.main().loadvideofile(m_clip);
  QVERIFY(f.dialogs.messages.isEmpty());
  QTest::keyClick(f.main().ch_brightness, Qt::Key_End);  // brightness at its highest
  const QString target = f.files.path() + QLatin1Char('/') + targetName;
  f.dialogs.saveAnswers.enqueue(target);
  f.main().btn_clear->click();
  QTRY_COMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text, QStringLiteral("The process completed successfully!"));
  QCOMPARE(f.progress().Gauge1->value(), 100);

  int code = -1;
  const QByteArray probe = test::RunFfmpeg({QStringLiteral("-i"), target}, &code);
  QVERIFY2(probe.contains("Duration: 00:00:0"), probe.constData());
  QVERIFY(probe.contains("Video:"));
  const double before = test::MeanLuminanceOfFrame(m_clip, 1.0);
  const double after = test::MeanLuminanceOfFrame(target, 1.0);
  QVERIFY2(after > before + 20, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
  QCOMPARE(Others(f.files.path(), {targetName}), QStringList());
}

void tst_Conversion::realConversionToAFullDevice() {
  // An .mp4 name that leads to a device on which every write fails.
  MainFixture f;
  const QString target = f.files.path() + QStringLiteral("/full.mp4");
  QVERIFY(QFile::link(QStringLiteral("/dev/full"), target));
  f.client.useRealClient();
  f.main().loadvideofile(m_clip);
  f.dialogs.saveAnswers.enqueue(target);
  f.dialogs.confirmAnswers.enqueue(true);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  // ffmpeg's own last line says why.
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("### ") + m_clip + QStringLiteral(" ### \rConversion failed!"));
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Error!"));
  QVERIFY(QFileInfo(target).isSymLink());  // the link was written through, not replaced
  QCOMPARE(QFileInfo(target).symLinkTarget(), QStringLiteral("/dev/full"));

  // The device itself, named directly: still the device afterwards.
  f.dialogs.saveAnswers.enqueue(QStringLiteral("/dev/full"));
  f.dialogs.confirmAnswers.enqueue(true);
  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.size(), 2);
  QCOMPARE(f.dialogs.messages.last().text,
           QStringLiteral("### ") + m_clip + QStringLiteral(" ### \r/dev/full: Invalid argument"));
  QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile());
}

int main(int argc, char** argv) {
  velmora::Application app(argc, argv);
  tst_Conversion test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_conversion.moc"
