#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "clearness/FilterChain.h"
#include "client/ArgumentList.h"
#include "client/LastLine.h"
#include "client/TextUtil.h"
#include "client/Tffinfo.h"
#include "client/VideoTypes.h"
#include "conversion/ConversionTarget.h"
#include "conversion/ConvertArguments.h"
#include "conversion/FileIdentity.h"
#include "conversion/ProgressChunk.h"
#include "conversion/SaveFilter.h"

using namespace velmora;

namespace {

QByteArray B(const std::string& s) {
  return QByteArray::fromStdString(s);
}
std::string S(const QByteArray& b) {
  return b.toStdString();
}

// How a run ends for its ConversionTarget: the dialog commits on success and
// abandons on failure or cancel; an object that just goes out of scope must
// behave as abandoned.
enum Outcome { Commit, Abandon, Destroy };

// The fourteen types of the save dialog, in the order the user sees them.
const QByteArrayList kListedTypes = {"AVI", "MPG",  "MPEG", "WMV", "MP4", "M4V", "FLV",
                                     "MKV", "WEBM", "MOV",  "VOB", "ASF", "TS",  "MTS"};

void WriteBytes(const std::string& path, const QByteArray& bytes) {
  // Truncates in place, as the client does: the file keeps its inode and mode.
  QFile f(QFile::decodeName(B(path)));
  QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(f.errorString()));
  QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray ReadBytes(const std::string& path) {
  QFile f(QFile::decodeName(B(path)));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList Entries(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::Name);
}

int ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

class UmaskScope {
 public:
  explicit UmaskScope(mode_t mask) : m_old(umask(mask)) {}
  ~UmaskScope() { umask(m_old); }

 private:
  mode_t m_old;
};

void Finish(ConversionTarget& target, int outcome) {
  if (outcome == Commit) {
    std::string error;
    QVERIFY2(target.commit(error), error.c_str());
  } else if (outcome == Abandon) {
    target.abandon();
  }
}

// The pipe-separated filter text as description/pattern pairs.
void SplitFilter(const std::string& filter, QByteArrayList& descriptions,
                 QByteArrayList& patterns) {
  QByteArrayList parts = B(filter).split('|');
  QVERIFY2(!parts.isEmpty() && parts.takeLast().isEmpty(), "the text must end with a bar");
  QVERIFY2(parts.size() % 2 == 0, filter.c_str());
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    descriptions << parts[i];
    patterns << parts[i + 1];
  }
}

}  // namespace

class tst_ConversionLogic : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();

  void saveFilter_data();
  void saveFilter();
  void saveFilterExactText();

  void convertArguments_data();
  void convertArguments();
  void fileNamesStayOneWord_data();
  void fileNamesStayOneWord();
  void chooseBitrate_data();
  void chooseBitrate();

  void parseProgressChunk_data();
  void parseProgressChunk();
  void readProgress_data();
  void readProgress();

  void newTarget_data();
  void newTarget();
  void replacingTarget_data();
  void replacingTarget();
  void commitThatCannotMoveLeavesTarget();
  void partialOutputNeverOverwritesAFileThatAppeared();
  void writtenDirectly_data();
  void writtenDirectly();
  void permissions_data();
  void permissions();

  void isExistingFile_data();
  void isExistingFile();
  void sameFile_data();
  void sameFile();

  void typeTest_data();
  void typeTest();
  void pathParts_data();
  void pathParts();
  void caseChange_data();
  void caseChange();
  void trimControl_data();
  void trimControl();

  void lastLine_data();
  void lastLine();
  void lastLineOfEndlessOutputStaysSmall();

 private:
  QTemporaryDir m_files;  // fixture for the identity tests
  std::string at(const QByteArray& name) const {
    return S(QFile::encodeName(m_files.path())) + "/" + S(name);
  }
};

void tst_ConversionLogic::initTestCase() {
  QVERIFY(m_files.isValid());
  WriteBytes(at("clip.mp4"), "video");
  WriteBytes(at("copy.mp4"), "video");
  QVERIFY(QDir(m_files.path()).mkdir("folder"));
  QCOMPARE(symlink("clip.mp4", at("link-to-clip").c_str()), 0);
  QCOMPARE(symlink("folder", at("link-to-folder").c_str()), 0);
  QCOMPARE(symlink("missing.mp4", at("dangling").c_str()), 0);
  QCOMPARE(link(at("clip.mp4").c_str(), at("hard.mp4").c_str()), 0);
}

// --- Save dialog filter ------------------------------------------------------

void tst_ConversionLogic::saveFilter_data() {
  QTest::addColumn<QByteArray>("source");
  QTest::addColumn<QByteArray>("firstDescription");
  QTest::addColumn<QByteArray>("firstPattern");
  QTest::addColumn<QByteArray>("defaultExt");
  QTest::addColumn<QByteArray>("skipped");  // the listed type the first entry stands for

  QTest::newRow("own type first and not listed twice")
      << QByteArray("/v/clip.mp4") << QByteArray("*.MP4") << QByteArray("*.mp4")
      << QByteArray("mp4") << QByteArray("MP4");
  QTest::newRow("upper-case source keeps its default as typed")
      << QByteArray("/v/clip.AVI") << QByteArray("*.AVI") << QByteArray("*.avi")
      << QByteArray("AVI") << QByteArray("AVI");
  QTest::newRow("mixed case") << QByteArray("/v/clip.Avi") << QByteArray("*.AVI")
                              << QByteArray("*.avi") << QByteArray("Avi") << QByteArray("AVI");
  QTest::newRow("unlisted type gives fifteen entries")
      << QByteArray("/v/clip.3gp") << QByteArray("*.3GP") << QByteArray("*.3gp")
      << QByteArray("3gp") << QByteArray();
  QTest::newRow("no extension") << QByteArray("/v/clip") << QByteArray("*") << QByteArray("*")
                                << QByteArray() << QByteArray();
  QTest::newRow("dot only in a folder name") << QByteArray("/v/season.2/clip") << QByteArray("*")
                                             << QByteArray("*") << QByteArray() << QByteArray();
  QTest::newRow(".ts skips TS but keeps MTS")
      << QByteArray("/v/clip.ts") << QByteArray("*.TS") << QByteArray("*.ts") << QByteArray("ts")
      << QByteArray("TS");
  QTest::newRow("prefix of a listed type is another type")
      << QByteArray("/v/clip.mpe") << QByteArray("*.MPE") << QByteArray("*.mpe")
      << QByteArray("mpe") << QByteArray();
}

void tst_ConversionLogic::saveFilter() {
  QFETCH(QByteArray, source);
  QFETCH(QByteArray, firstDescription);
  QFETCH(QByteArray, firstPattern);
  QFETCH(QByteArray, defaultExt);
  QFETCH(QByteArray, skipped);

  const SaveFilter result = BuildSaveFilter(S(source));
  QCOMPARE(B(result.defaultExt), defaultExt);

  QByteArrayList descriptions;
  QByteArrayList patterns;
  SplitFilter(result.filter, descriptions, patterns);
  if (QTest::currentTestFailed()) return;

  QByteArrayList expectedDescriptions{firstDescription};
  QByteArrayList expectedPatterns{firstPattern};
  for (const QByteArray& type : kListedTypes) {
    if (type == skipped) continue;
    expectedDescriptions << "*." + type;
    expectedPatterns << "*." + type.toLower();
  }
  QCOMPARE(descriptions, expectedDescriptions);
  QCOMPARE(patterns, expectedPatterns);
}

void tst_ConversionLogic::saveFilterExactText() {
  QCOMPARE(B(BuildSaveFilter("/v/clip.mp4").filter),
           QByteArray("*.MP4|*.mp4|*.AVI|*.avi|*.MPG|*.mpg|*.MPEG|*.mpeg|*.WMV|*.wmv|"
                      "*.M4V|*.m4v|*.FLV|*.flv|*.MKV|*.mkv|*.WEBM|*.webm|*.MOV|*.mov|"
                      "*.VOB|*.vob|*.ASF|*.asf|*.TS|*.ts|*.MTS|*.mts|"));
}

// --- Conversion command --------------------------------------------------------

void tst_ConversionLogic::convertArguments_data() {
  QTest::addColumn<QByteArray>("source");
  QTest::addColumn<QByteArray>("output");
  QTest::addColumn<QByteArray>("bitrate");
  QTest::addColumn<QByteArray>("filter");
  QTest::addColumn<QByteArray>("expected");

  const QByteArray eq = "eq=contrast=1:brightness=0";
  QTest::newRow("same type copies audio and keeps the bit rate")
      << QByteArray("/v/clip.mp4") << QByteArray("/v/out.mp4") << QByteArray("1500") << eq
      << QByteArray(
             R"( -i "/v/clip.mp4" -y -c:a copy -b:v 1500k -q:v 0 -vf eq=contrast=1:brightness=0 "/v/out.mp4")");
  QTest::newRow("type compared upper-cased")
      << QByteArray("/v/clip.avi") << QByteArray("/v/clip.AVI") << QByteArray("812.5") << eq
      << QByteArray(
             R"( -i "/v/clip.avi" -y -c:a copy -b:v 812.5k -q:v 0 -vf eq=contrast=1:brightness=0 "/v/clip.AVI")");
  QTest::newRow("no bit rate known: copy runs straight into -q:v")
      << QByteArray("/v/clip.mp4") << QByteArray("/v/out.mp4") << QByteArray() << eq
      << QByteArray(
             R"( -i "/v/clip.mp4" -y -c:a copy -q:v 0 -vf eq=contrast=1:brightness=0 "/v/out.mp4")");
  QTest::newRow("other type re-encodes audio and drops the bit rate")
      << QByteArray("/v/clip.avi") << QByteArray("/v/clip.mkv") << QByteArray("1500") << eq
      << QByteArray(
             R"( -i "/v/clip.avi" -y -q:a 0 -q:v 0 -vf eq=contrast=1:brightness=0 "/v/clip.mkv")");
  QTest::newRow("dot in the source's folder is no extension")
      << QByteArray("/v/a.mp4/clip") << QByteArray("/v/out.mp4") << QByteArray("1500") << eq
      << QByteArray(
             R"( -i "/v/a.mp4/clip" -y -q:a 0 -q:v 0 -vf eq=contrast=1:brightness=0 "/v/out.mp4")");
  ClearnessOptions sharp;
  sharp.sharpen = true;
  QTest::newRow("whole default filter with sharpening")
      << QByteArray("/v/clip.mp4") << QByteArray("/v/out.mp4") << QByteArray("96")
      << B(FilterValue(sharp))
      << QByteArray(
             R"( -i "/v/clip.mp4" -y -c:a copy -b:v 96k -q:v 0 -vf eq=contrast=1:brightness=0:saturation=1:gamma=1:gamma_r=1:gamma_g=1:gamma_b=1,unsharp=5:5:1:5:5:0 "/v/out.mp4")");
}

void tst_ConversionLogic::convertArguments() {
  QFETCH(QByteArray, source);
  QFETCH(QByteArray, output);
  QFETCH(QByteArray, bitrate);
  QFETCH(QByteArray, filter);
  QFETCH(QByteArray, expected);
  QCOMPARE(B(ArgumentText(BuildConvertArguments(S(source), S(output), S(bitrate), S(filter)))),
           expected);
}

void tst_ConversionLogic::fileNamesStayOneWord_data() {
  QTest::addColumn<QByteArray>("source");
  QTest::addColumn<QByteArray>("output");

  QTest::newRow("spaces") << QByteArray("/v/my clip.mp4") << QByteArray("/v/my out.mp4");
  QTest::newRow("quotes that would end the quoted name")
      << QByteArray(R"(/v/a" -map 0 "b.mp4)") << QByteArray(R"(/v/x" -f null "y.mp4)");
  QTest::newRow("leading dash") << QByteArray("-clip.mp4") << QByteArray("-y.mp4");
  QTest::newRow("UTF-8 and Latin-1 bytes")
      << QByteArray("/v/caf\xc3\xa9.mp4") << QByteArray("/v/\xe9t\xe9.mp4");
}

void tst_ConversionLogic::fileNamesStayOneWord() {
  QFETCH(QByteArray, source);
  QFETCH(QByteArray, output);
  const std::vector<std::string> words =
      Words(BuildConvertArguments(S(source), S(output), "", "eq=contrast=1"));
  const std::vector<std::string> expected{"-i",   S(source), "-y",  "-c:a",          "copy",
                                          "-q:v", "0",       "-vf", "eq=contrast=1", S(output)};
  QCOMPARE(words.size(), expected.size());
  for (std::size_t i = 0; i < words.size(); ++i) QCOMPARE(B(words[i]), B(expected[i]));
}

void tst_ConversionLogic::chooseBitrate_data() {
  QTest::addColumn<QByteArray>("video");
  QTest::addColumn<QByteArray>("overall");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("video bit rate wins")
      << QByteArray("1500") << QByteArray("1630") << QByteArray("1500");
  QTest::newRow("overall when no video bit rate")
      << QByteArray() << QByteArray("1630") << QByteArray("1630");
  QTest::newRow("neither known") << QByteArray() << QByteArray() << QByteArray();
  QTest::newRow("decimal figure") << QByteArray("812.5") << QByteArray() << QByteArray("812.5");
  QTest::newRow("probe left N/A and more lines in the overall rate")
      << QByteArray() << QByteArray("N/A\n  Stream #0:0: Video: h264") << QByteArray();
  QTest::newRow("unusable video rate does not fall back")
      << QByteArray("N/A") << QByteArray("1630") << QByteArray();
  QTest::newRow("two points") << QByteArray("1.2.3") << QByteArray() << QByteArray();
  QTest::newRow("a point alone") << QByteArray(".") << QByteArray() << QByteArray();
  QTest::newRow("sign or space is not plain")
      << QByteArray() << QByteArray(" -150") << QByteArray();
}

void tst_ConversionLogic::chooseBitrate() {
  QFETCH(QByteArray, video);
  QFETCH(QByteArray, overall);
  QFETCH(QByteArray, expected);
  Tffinfo info;
  info.VideoBitrate = S(video);
  info.Bitrate = S(overall);
  QCOMPARE(B(ChooseBitrate(info)), expected);
}

// --- Progress lines ----------------------------------------------------------

void tst_ConversionLogic::parseProgressChunk_data() {
  QTest::addColumn<QByteArray>("chunk");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("between time= and the space before bitrate=")
      << QByteArray("size=     256kB time=00:01:30.50 bitrate=1048.6kbits/s")
      << QByteArray("00:01:30.50");
  QTest::newRow("two lines: the first one's time")
      << QByteArray(
             "size=0kB time=00:00:00.09 bitrate=4.1kbits/s\rsize=256kB time=00:00:02.00 "
             "bitrate=1048.6kbits/s")
      << QByteArray("00:00:00.09");
  QTest::newRow("no bitrate=") << QByteArray("size=256kB time=00:00:02.00 bitr") << QByteArray();
  QTest::newRow("bitrate= before time=")
      << QByteArray("bitrate=1.0kbits/s\rsize=256kB time=00:00:02.00") << QByteArray();
  QTest::newRow("bitrate= right after time=") << QByteArray("time=bitrate=") << QByteArray();
}

void tst_ConversionLogic::parseProgressChunk() {
  QFETCH(QByteArray, chunk);
  QFETCH(QByteArray, expected);
  QCOMPARE(B(ParseProgressChunk(S(chunk))), expected);
}

void tst_ConversionLogic::readProgress_data() {
  QTest::addColumn<QByteArray>("chunk");
  QTest::addColumn<double>("total");
  QTest::addColumn<int>("kind");
  QTest::addColumn<int>("gauge");  // -1: no gauge value
  QTest::addColumn<QByteArray>("label");

  const int progress = int(ProgressKind::Progress);
  const int none = int(ProgressKind::None);
  const int unreadable = int(ProgressKind::Unreadable);
  // Lines as ffmpeg 5.1 prints them, with the given time.
  const auto line = [](const char* time) {
    return "frame=   50 fps=0.0 q=-0.0 size=     256kB time=" + QByteArray(time) +
           " bitrate=1048.6kbits/s speed=4.2x    \r";
  };
  const double inf = std::numeric_limits<double>::infinity();

  QTest::newRow("half of three minutes")
      << line("00:01:30.50") << 180.0 << progress << 50 << QByteArray("Process 00:01:30.50 ......");
  QTest::newRow("ffmpeg 5.1 line as printed")
      << QByteArray(
             "frame=   50 fps=0.0 q=-0.0 size=     256kB time=00:00:02.00 bitrate=1048.6kbits/s "
             "speed=4.2x")
      << 4.0 << progress << 50 << QByteArray("Process 00:00:02.00 ......");
  QTest::newRow("12.5 rounds to the even 12")
      << line("00:00:01.00") << 8.0 << progress << 12 << QByteArray("Process 00:00:01.00 ......");
  QTest::newRow("37.5 rounds to the even 38")
      << line("00:00:03.00") << 8.0 << progress << 38 << QByteArray("Process 00:00:03.00 ......");
  QTest::newRow("final Lsize= line counts as progress")
      << QByteArray(
             "frame=   75 fps=0.0 q=-1.0 Lsize=      41kB time=00:00:03.01 bitrate= 112.1kbits/s "
             "speed=43.7x    \n")
      << 3.01 << progress << 100 << QByteArray("Process 00:00:03.01 ......");
  QTest::newRow("beyond the total holds at 100")
      << line("00:00:09.00") << 8.0 << progress << 100 << QByteArray("Process 00:00:09.00 ......");
  QTest::newRow("hours beyond any int hold at 100")
      << line("99999999999999999999:00:00.00") << 1.0 << progress << 100
      << QByteArray("Process 99999999999999999999:00:00.00 ......");
  QTest::newRow("zero elapsed") << line("00:00:00.00") << 8.0 << progress << 0
                                << QByteArray("Process 00:00:00.00 ......");
  QTest::newRow("negative start time holds at 0")
      << QByteArray(
             "frame=    0 fps=0.0 q=0.0 size=       0kB time=-577014:32:22.77 bitrate=  "
             "-0.0kbits/s "
             "speed=N/A    \r")
      << 8.0 << progress << 0 << QByteArray("Process -577014:32:22.77 ......");
  QTest::newRow("fields shown as printed")
      << line("0:1:2.5") << 124.0 << progress << 50 << QByteArray("Process 0:1:2.5 ......");
  QTest::newRow("other text before the progress line")
      << "[aac @ 0x55d1] Qavg: 609.788\n" + line("00:00:02.00") << 4.0 << progress << 50
      << QByteArray("Process 00:00:02.00 ......");
  QTest::newRow("zero total: label but no gauge")
      << line("00:00:02.00") << 0.0 << progress << -1 << QByteArray("Process 00:00:02.00 ......");
  QTest::newRow("negative total") << line("00:00:02.00") << -4.0 << progress << -1
                                  << QByteArray("Process 00:00:02.00 ......");
  QTest::newRow("infinite total") << line("00:00:02.00") << inf << progress << -1
                                  << QByteArray("Process 00:00:02.00 ......");
  QTest::newRow("NaN total") << line("00:00:02.00") << std::nan("") << progress << -1
                             << QByteArray("Process 00:00:02.00 ......");

  QTest::newRow("stream mapping is not progress")
      << QByteArray(
             "Stream mapping:\n  Stream #0:0 -> #0:0 (h264 (native) -> h264 (libx264))\n"
             "Press [q] to stop, [?] for help\n")
      << 8.0 << none << -1 << QByteArray();
  QTest::newRow("line cut before time=")
      << QByteArray("frame=   50 fps=0.0 q=-0.0 size=     256kB ti") << 8.0 << none << -1
      << QByteArray();
  QTest::newRow("rest of a line cut inside size=")
      << QByteArray("e=     256kB time=00:00:02.00 bitrate=1048.6kbits/s speed=4.2x    \r") << 8.0
      << none << -1 << QByteArray();

  QTest::newRow("time=N/A")
      << QByteArray(
             "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A    \r")
      << 8.0 << unreadable << -1 << QByteArray();
  QTest::newRow("line cut before bitrate=")
      << QByteArray("frame=   50 fps=0.0 q=-0.0 size=     256kB time=00:00:02.00 bitr") << 8.0
      << unreadable << -1 << QByteArray();
  QTest::newRow("previous line's bitrate= before time=")
      << QByteArray(
             "bitrate=1048.6kbits/s speed=4.2x    \rframe=   51 fps=0.0 q=-0.0 size=     260kB "
             "time=00:00:02.04 bi")
      << 8.0 << unreadable << -1 << QByteArray();
  QTest::newRow("time without hours and minutes")
      << line("2.00") << 8.0 << unreadable << -1 << QByteArray();
}

void tst_ConversionLogic::readProgress() {
  QFETCH(QByteArray, chunk);
  QFETCH(double, total);
  QFETCH(int, kind);
  QFETCH(int, gauge);
  QFETCH(QByteArray, label);

  const ProgressReading reading = ReadProgress(S(chunk), total);
  QCOMPARE(int(reading.kind), kind);
  QCOMPARE(reading.gauge.value_or(-1), gauge);
  QCOMPARE(B(reading.label), label);
}

// --- Where the output goes -----------------------------------------------------

void tst_ConversionLogic::newTarget_data() {
  QTest::addColumn<int>("outcome");
  QTest::addColumn<QByteArray>("written");
  QTest::addColumn<bool>("targetExists");

  QTest::newRow("success puts the output at the target")
      << int(Commit) << QByteArray("NEW") << true;
  QTest::newRow("failure leaves the partial output at the target")
      << int(Abandon) << QByteArray("PART") << true;
  QTest::newRow("going out of scope counts as a failure")
      << int(Destroy) << QByteArray("PART") << true;
  QTest::newRow("cancel before anything was written leaves no file")
      << int(Abandon) << QByteArray() << false;
}

void tst_ConversionLogic::newTarget() {
  QFETCH(int, outcome);
  QFETCH(QByteArray, written);
  QFETCH(bool, targetExists);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string target = S(QFile::encodeName(dir.path())) + "/out.mp4";
  {
    ConversionTarget t(target);
    QVERIFY(!t.replacing());
    const QFileInfo temp(QFile::decodeName(B(t.writePath())));
    QVERIFY(t.writePath() != target);
    QVERIFY(temp.isFile());
    QCOMPARE(temp.absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    QCOMPARE(temp.suffix(), QStringLiteral("mp4"));  // the client picks the format by it
    QVERIFY(!QFileInfo::exists(QFile::decodeName(B(target))));

    WriteBytes(t.writePath(), written);
    Finish(t, outcome);
  }
  if (targetExists) {
    QCOMPARE(Entries(dir.path()), QStringList{"out.mp4"});
    QCOMPARE(ReadBytes(target), written);
  } else {
    QCOMPARE(Entries(dir.path()), QStringList());
  }
}

void tst_ConversionLogic::replacingTarget_data() {
  QTest::addColumn<int>("outcome");
  QTest::addColumn<QByteArray>("written");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("success replaces the old file")
      << int(Commit) << QByteArray("NEW") << QByteArray("NEW");
  QTest::newRow("failure keeps the old file intact")
      << int(Abandon) << QByteArray("PART") << QByteArray("OLD");
  QTest::newRow("going out of scope keeps the old file")
      << int(Destroy) << QByteArray("PART") << QByteArray("OLD");
  QTest::newRow("cancel before anything was written")
      << int(Abandon) << QByteArray() << QByteArray("OLD");
}

void tst_ConversionLogic::replacingTarget() {
  QFETCH(int, outcome);
  QFETCH(QByteArray, written);
  QFETCH(QByteArray, expected);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string target = S(QFile::encodeName(dir.path())) + "/out.mkv";
  WriteBytes(target, "OLD");
  {
    ConversionTarget t(target);
    QVERIFY(t.replacing());
    QVERIFY(t.writePath() != target);
    QCOMPARE(QFileInfo(QFile::decodeName(B(t.writePath()))).suffix(), QStringLiteral("mkv"));
    QCOMPARE(ReadBytes(target), QByteArray("OLD"));  // untouched while the client runs

    WriteBytes(t.writePath(), written);
    Finish(t, outcome);
  }
  QCOMPARE(Entries(dir.path()), QStringList{"out.mkv"});
  QCOMPARE(ReadBytes(target), expected);
}

void tst_ConversionLogic::commitThatCannotMoveLeavesTarget() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string target = S(QFile::encodeName(dir.path())) + "/out.mp4";
  ConversionTarget t(target);
  WriteBytes(t.writePath(), "NEW");
  // A non-empty folder appeared at the target: nothing can be renamed onto it.
  QVERIFY(QDir(dir.path()).mkdir("out.mp4"));
  WriteBytes(target + "/keep", "theirs");

  std::string error;
  QVERIFY(!t.commit(error));
  QVERIFY(!error.empty());
  QCOMPARE(Entries(dir.path()), QStringList{"out.mp4"});
  QCOMPARE(ReadBytes(target + "/keep"), QByteArray("theirs"));
}

void tst_ConversionLogic::partialOutputNeverOverwritesAFileThatAppeared() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string target = S(QFile::encodeName(dir.path())) + "/out.mp4";
  ConversionTarget t(target);
  QVERIFY(!t.replacing());
  WriteBytes(t.writePath(), "PART");
  WriteBytes(target, "THEIRS");  // another program made the file during the run

  t.abandon();
  QCOMPARE(ReadBytes(target), QByteArray("THEIRS"));
  QCOMPARE(Entries(dir.path()), QStringList{"out.mp4"});
}

void tst_ConversionLogic::writtenDirectly_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("device /dev/null") << "device";
  QTest::newRow("symlink to a file") << "symlink";
  QTest::newRow("symlink to nothing") << "dangling";
  QTest::newRow("fifo") << "fifo";
  QTest::newRow("folder that takes no file (/proc)") << "proc";
  QTest::newRow("read-only folder") << "read-only";
}

void tst_ConversionLogic::writtenDirectly() {
  QFETCH(QString, kind);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string base = S(QFile::encodeName(dir.path()));
  std::string target;
  struct stat before {};

  if (kind == "device") {
    target = "/dev/null";
  } else if (kind == "symlink") {
    WriteBytes(base + "/real.mp4", "OLD");
    target = base + "/out.mp4";
    QCOMPARE(symlink("real.mp4", target.c_str()), 0);
  } else if (kind == "dangling") {
    target = base + "/out.mp4";
    QCOMPARE(symlink("nowhere.mp4", target.c_str()), 0);
  } else if (kind == "fifo") {
    target = base + "/out.mp4";
    QCOMPARE(mkfifo(target.c_str(), 0600), 0);
  } else if (kind == "proc") {
    if (!QFileInfo(QStringLiteral("/proc/self")).exists()) QSKIP("no /proc here");
    target = "/proc/velmora-conversion-test.mp4";
  } else {
    if (geteuid() == 0) QSKIP("root writes into a read-only folder; the /proc row covers it");
    QVERIFY(QDir(dir.path()).mkdir("ro"));
    QCOMPARE(chmod((base + "/ro").c_str(), 0555), 0);
    target = base + "/ro/out.mp4";
  }
  const bool existed = lstat(target.c_str(), &before) == 0;

  {
    ConversionTarget t(target);
    QCOMPARE(B(t.writePath()), B(target));
    std::string error;
    QVERIFY2(t.commit(error), error.c_str());
  }
  {
    ConversionTarget t(target);
    QCOMPARE(B(t.writePath()), B(target));
    t.abandon();
  }
  // Neither way out may remove or replace what stood there.
  struct stat after {};
  QCOMPARE(lstat(target.c_str(), &after) == 0, existed);
  if (existed) {
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
  }
  if (kind == "symlink") QCOMPARE(ReadBytes(base + "/real.mp4"), QByteArray("OLD"));
  if (kind != "device" && kind != "proc") {
    // Only what the test made stands in the folder: no temporary file was left.
    const QStringList entries = Entries(dir.path());
    for (const QString& e : entries) QVERIFY2(!e.startsWith('.'), qPrintable(e));
  }
  if (kind == "read-only") chmod((base + "/ro").c_str(), 0755);
}

void tst_ConversionLogic::permissions_data() {
  QTest::addColumn<int>("mask");
  QTest::addColumn<int>("existingMode");  // -1: a new target
  QTest::addColumn<int>("outcome");
  QTest::addColumn<int>("expected");

  QTest::newRow("new file follows umask 022") << 022 << -1 << int(Commit) << 0644;
  QTest::newRow("new file follows umask 077") << 077 << -1 << int(Commit) << 0600;
  QTest::newRow("partial output follows the umask") << 027 << -1 << int(Abandon) << 0640;
  QTest::newRow("replaced file's mode, not the umask") << 077 << 0664 << int(Commit) << 0664;
  QTest::newRow("replaced read-only file stays read-only") << 022 << 0444 << int(Commit) << 0444;
}

void tst_ConversionLogic::permissions() {
  QFETCH(int, mask);
  QFETCH(int, existingMode);
  QFETCH(int, outcome);
  QFETCH(int, expected);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string target = S(QFile::encodeName(dir.path())) + "/out.mp4";
  if (existingMode >= 0) {
    WriteBytes(target, "OLD");
    QCOMPARE(chmod(target.c_str(), mode_t(existingMode)), 0);
  }
  const UmaskScope umaskScope{static_cast<mode_t>(mask)};
  ConversionTarget t(target);
  // The client opens the file for writing; root would not notice if it could not.
  QVERIFY2(ModeOf(t.writePath()) & S_IWUSR, qPrintable(QString::number(ModeOf(t.writePath()), 8)));
  WriteBytes(t.writePath(), "NEW");
  Finish(t, outcome);
  QCOMPARE(QString::number(ModeOf(target), 8), QString::number(expected, 8));
}

// --- File identity -------------------------------------------------------------

void tst_ConversionLogic::isExistingFile_data() {
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<bool>("expected");

  QTest::newRow("file") << QByteArray("clip.mp4") << true;
  QTest::newRow("folder does not count") << QByteArray("folder") << false;
  QTest::newRow("missing") << QByteArray("missing.mp4") << false;
  QTest::newRow("symlink to a file") << QByteArray("link-to-clip") << true;
  QTest::newRow("symlink to a folder") << QByteArray("link-to-folder") << false;
  QTest::newRow("symlink to nothing") << QByteArray("dangling") << false;
}

void tst_ConversionLogic::isExistingFile() {
  QFETCH(QByteArray, name);
  QFETCH(bool, expected);
  QCOMPARE(IsExistingFile(at(name)), expected);
}

void tst_ConversionLogic::sameFile_data() {
  QTest::addColumn<QByteArray>("other");
  QTest::addColumn<bool>("expected");

  QTest::newRow("same text") << QByteArray("clip.mp4") << true;
  QTest::newRow("through a folder and back") << QByteArray("folder/../clip.mp4") << true;
  QTest::newRow("doubled slash and dot") << QByteArray("./folder//..//clip.mp4") << true;
  QTest::newRow("symlink to the source") << QByteArray("link-to-clip") << true;
  QTest::newRow("hard link") << QByteArray("hard.mp4") << true;
  QTest::newRow("copy with the same bytes") << QByteArray("copy.mp4") << false;
  QTest::newRow("missing file") << QByteArray("missing.mp4") << false;
  QTest::newRow("folder") << QByteArray("folder") << false;
}

void tst_ConversionLogic::sameFile() {
  QFETCH(QByteArray, other);
  QFETCH(bool, expected);
  QCOMPARE(SameFile(at(other), at("clip.mp4")), expected);
  QCOMPARE(SameFile(at("clip.mp4"), at(other)), expected);
}

// --- Text helpers ---------------------------------------------------------------

void tst_ConversionLogic::typeTest_data() {
  QTest::addColumn<QByteArray>("path");
  QTest::addColumn<bool>("passes");

  QTest::newRow("listed type") << QByteArray("/v/clip.mp4") << true;
  QTest::newRow("upper case") << QByteArray("/v/CLIP.MKV") << true;
  QTest::newRow("mixed case") << QByteArray("/v/clip.WebM") << true;
  QTest::newRow(".mts") << QByteArray("/v/clip.mts") << true;
  QTest::newRow("prefix .mp of a listed type") << QByteArray("/v/clip.mp") << true;
  QTest::newRow("prefix .we of a listed type") << QByteArray("/v/clip.we") << true;
  QTest::newRow(".mp3 is not a piece of the list") << QByteArray("/v/clip.mp3") << false;
  QTest::newRow("unlisted type") << QByteArray("/v/clip.3gp") << false;
  QTest::newRow("no extension") << QByteArray("/v/clip") << false;
  QTest::newRow("dot only in a folder name") << QByteArray("/v/clips.avi/clip") << false;
  QTest::newRow("non-ASCII extension") << QByteArray("/v/clip.\xc3\xa9") << false;
}

void tst_ConversionLogic::typeTest() {
  QFETCH(QByteArray, path);
  QFETCH(bool, passes);
  QCOMPARE(PassesTypeTest(S(path)), passes);
}

void tst_ConversionLogic::pathParts_data() {
  QTest::addColumn<QByteArray>("path");
  QTest::addColumn<QByteArray>("extension");
  QTest::addColumn<QByteArray>("folder");

  QTest::newRow("plain") << QByteArray("/v/clip.mp4") << QByteArray(".mp4") << QByteArray("/v/");
  QTest::newRow("last dot counts")
      << QByteArray("/v/clip.tar.mkv") << QByteArray(".mkv") << QByteArray("/v/");
  QTest::newRow("dot in a folder name only")
      << QByteArray("/v/season.2/clip") << QByteArray() << QByteArray("/v/season.2/");
  QTest::newRow("dot in folder and in name")
      << QByteArray("/v/season.2/clip.ts") << QByteArray(".ts") << QByteArray("/v/season.2/");
  QTest::newRow("trailing dot") << QByteArray("/v/clip.") << QByteArray(".") << QByteArray("/v/");
  QTest::newRow("no folder") << QByteArray("clip.MP4") << QByteArray(".MP4") << QByteArray();
  QTest::newRow("file at the root") << QByteArray("/clip") << QByteArray() << QByteArray("/");
  QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
}

void tst_ConversionLogic::pathParts() {
  QFETCH(QByteArray, path);
  QFETCH(QByteArray, extension);
  QFETCH(QByteArray, folder);
  QCOMPARE(B(PathExtension(S(path))), extension);
  QCOMPARE(B(PathFolder(S(path))), folder);
}

void tst_ConversionLogic::caseChange_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QByteArray>("upper");
  QTest::addColumn<QByteArray>("lower");

  QTest::newRow("ASCII letters") << QByteArray("Clip.Mp4") << QByteArray("CLIP.MP4")
                                 << QByteArray("clip.mp4");
  QTest::newRow("neighbours of the letter ranges")
      << QByteArray("@[`{09_;*") << QByteArray("@[`{09_;*") << QByteArray("@[`{09_;*");
  QTest::newRow("UTF-8 bytes untouched")
      << QByteArray("caf\xc3\xa9 \xc3\x89") << QByteArray("CAF\xc3\xa9 \xc3\x89")
      << QByteArray("caf\xc3\xa9 \xc3\x89");
  QTest::newRow("Latin-1 bytes untouched")
      << QByteArray("\xe9t\xc9") << QByteArray("\xe9T\xc9") << QByteArray("\xe9t\xc9");
}

void tst_ConversionLogic::caseChange() {
  QFETCH(QByteArray, text);
  QFETCH(QByteArray, upper);
  QFETCH(QByteArray, lower);
  QCOMPARE(B(UpperAscii(S(text))), upper);
  QCOMPARE(B(LowerAscii(S(text))), lower);
}

void tst_ConversionLogic::trimControl_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("spaces, tabs, line ends") << QByteArray(" \t clip \r\n") << QByteArray("clip");
  QTest::newRow("NUL and other control bytes")
      << QByteArray("\0\x01 clip\x1f ", 9) << QByteArray("clip");
  QTest::newRow("inner spaces stay") << QByteArray("  my clip  ") << QByteArray("my clip");
  QTest::newRow("DEL and bytes above 127 stay")
      << QByteArray("\x7f clip \xa0") << QByteArray("\x7f clip \xa0");
  QTest::newRow("nothing but control") << QByteArray("\x01\x02 ") << QByteArray();
}

void tst_ConversionLogic::trimControl() {
  QFETCH(QByteArray, text);
  QFETCH(QByteArray, expected);
  QCOMPARE(B(TrimControl(std::string_view(text.constData(), std::size_t(text.size())))), expected);
}

// --- Last line of the client's output -------------------------------------------

void tst_ConversionLogic::lastLine_data() {
  QTest::addColumn<QByteArrayList>("chunks");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("nothing printed") << QByteArrayList() << QByteArray();
  QTest::newRow("ffmpeg's failure tail")
      << QByteArrayList{"Could not write header for output file #0 (incorrect codec parameters "
                        "?): Invalid argument\nError initializing output stream 0:0 -- \n",
                        "Conversion failed!\n"}
      << QByteArray("Conversion failed!");
  QTest::newRow("unfinished last line counts")
      << QByteArrayList{"first\n", "second"} << QByteArray("second");
  QTest::newRow("blank lines after the message")
      << QByteArrayList{"Error opening output\n\n  \n\r"} << QByteArray("Error opening output");
  QTest::newRow("progress lines end at CR")
      << QByteArrayList{"frame=  1 time=00:00:00.04\r", "frame=  2 time=00:00:00.08\r"}
      << QByteArray("frame=  2 time=00:00:00.08");
  QTest::newRow("line split across chunks")
      << QByteArrayList{"Invalid argu", "ment\n"} << QByteArray("Invalid argument");
  QTest::newRow("CR LF split between chunks")
      << QByteArrayList{"first\r", "\nsecond\r", "\n"} << QByteArray("second");
  QTest::newRow("blank unfinished line falls back")
      << QByteArrayList{"message\n", "   \t"} << QByteArray("message");
  QTest::newRow("trimmed") << QByteArrayList{"  \tmessage  \r\n"} << QByteArray("message");
}

void tst_ConversionLogic::lastLine() {
  QFETCH(QByteArrayList, chunks);
  QFETCH(QByteArray, expected);
  LastLine last;
  for (const QByteArray& chunk : chunks) last.feed(S(chunk));
  QCOMPARE(B(last.text()), expected);
}

void tst_ConversionLogic::lastLineOfEndlessOutputStaysSmall() {
  LastLine last;
  const std::string chunk(512, 'x');
  for (int i = 0; i < 4096; ++i) last.feed(chunk);  // 2 MiB without a line end
  QVERIFY2(last.text().size() <= 64 * 1024, qPrintable(QString::number(last.text().size())));
  last.feed("\nConversion failed!\n");
  QCOMPARE(B(last.text()), QByteArray("Conversion failed!"));
}

QTEST_GUILESS_MAIN(tst_ConversionLogic)
#include "tst_conversionlogic.moc"
