// The media probe: reading ffmpeg's "-i" output into Tffinfo. Real output of
// the installed ffmpeg for clips made here, hand-made outputs for what ffmpeg
// will not print, a slow word-for-word reading of the rules as an oracle for
// generated texts, and ProbeMedia through the runner with the scripted and the
// real client.

#include <QtTest>

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <string>

#include "client/ProbeMedia.h"
#include "client/Tffinfo.h"
#include "support/ClientFixture.h"
#include "support/MediaClips.h"
#include "support/ProbeReference.h"

using namespace velmora;
using velmora::test::ClientFixture;

namespace {

QByteArray Q(const std::string& s) {
  return QByteArray::fromStdString(s);
}

// All of a reading's outcome in one text, so that a mismatch shows every field.
QByteArray Describe(const Tffinfo& info, bool ok, const std::string& code) {
  return "FileName=[" + Q(info.FileName) + "] Duration=[" + Q(info.Duration) + "] Bitrate=[" +
         Q(info.Bitrate) + "] VideoBitrate=[" + Q(info.VideoBitrate) + "] Width=[" + Q(info.Width) +
         "] Height=[" + Q(info.Height) + "] ok=" + (ok ? "1" : "0") + " code=[" + Q(code) + "]";
}

QByteArray Visible(const std::string& text) {
  QByteArray out;
  for (const char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

// What ffmpeg printed, read with patterns of its own line layout.
struct Printed {
  QByteArray duration;
  QByteArray bitrate;
  QByteArray videoBitrate;
  QByteArray width;
  QByteArray height;
};

Printed ReadPrinted(const QByteArray& text) {
  const QString s = QString::fromUtf8(text);
  Printed p;
  const auto d = QRegularExpression(QStringLiteral("Duration: ([^,\\n]*),")).match(s);
  if (d.hasMatch()) p.duration = d.captured(1).trimmed().toUtf8();
  const auto b = QRegularExpression(QStringLiteral("bitrate: (\\d+) kb/s")).match(s);
  if (b.hasMatch()) p.bitrate = b.captured(1).toUtf8();
  int w = 0;
  int h = 0;
  const QRegularExpression videoLine(QStringLiteral("^ *Stream #0:\\d+\\S*: Video: .*$"),
                                     QRegularExpression::MultilineOption);
  for (const QRegularExpressionMatch& line : videoLine.globalMatch(s)) {
    const QString l = line.captured(0);
    const auto size = QRegularExpression(QStringLiteral(", (\\d+)x(\\d+)[ ,]")).match(l);
    if (size.hasMatch()) {
      w = std::max(w, size.captured(1).toInt());
      h = std::max(h, size.captured(2).toInt());
    }
    const auto rate = QRegularExpression(QStringLiteral(", (\\d+) kb/s")).match(l);
    if (rate.hasMatch()) p.videoBitrate = rate.captured(1).toUtf8();
  }
  if (w > 0) p.width = QByteArray::number(w);
  if (h > 0) p.height = QByteArray::number(h);
  return p;
}

QStringList Lavfi(const QString& source) {
  return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source};
}

}  // namespace

class tst_Probe : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();

  void realFfmpegOutput_data();
  void realFfmpegOutput();
  void edgeCases_data();
  void edgeCases();
  void fieldsNotFoundAreNotWritten();
  void matchesTheRulesOnGeneratedTexts();
  void hostileOutputIsReadInLinearTime();

  void probeThroughRunnerKeepsOutputVerbatim();
  void missingClientGives012AndTouchesNothing();
  void outputIsEmptiedWhenTheClientStarts();
  void bigOutputThroughRunner();
  void realClientEndToEnd();

 private:
  QTemporaryDir m_clips;
  QString clip(const QString& name) const { return m_clips.filePath(name); }
};

void tst_Probe::initTestCase() {
  QVERIFY(m_clips.isValid());
  const QStringList x264 = {QStringLiteral("-c:v"),     QStringLiteral("libx264"),
                            QStringLiteral("-preset"),  QStringLiteral("ultrafast"),
                            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};
  QVERIFY(velmora::test::MakeStandardClip(clip(QStringLiteral("standard.mp4")), 2.0));
  QVERIFY(velmora::test::MakeClip(
      clip(QStringLiteral("silent.mp4")),
      Lavfi(QStringLiteral("testsrc=size=176x144:rate=10:duration=1")) + x264));
  QVERIFY(velmora::test::MakeClip(
      clip(QStringLiteral("portrait.mkv")),
      Lavfi(QStringLiteral("testsrc=size=480x640:rate=10:duration=1")) + x264));
  // Crossed sizes: the largest width and the largest height come from
  // different streams.
  QVERIFY(velmora::test::MakeClip(
      clip(QStringLiteral("two-video.mp4")),
      Lavfi(QStringLiteral("testsrc=size=320x100:rate=10:duration=1")) +
          Lavfi(QStringLiteral("testsrc2=size=160x240:rate=10:duration=1")) +
          QStringList{QStringLiteral("-map"), QStringLiteral("0"), QStringLiteral("-map"),
                      QStringLiteral("1")} +
          x264));
  QVERIFY(velmora::test::MakeClip(
      clip(QStringLiteral("sound.m4a")),
      Lavfi(QStringLiteral("sine=frequency=440:sample_rate=44100:duration=1"))));
  QFile text(clip(QStringLiteral("notes.txt")));
  QVERIFY(text.open(QIODevice::WriteOnly));
  text.write("Shopping list, 2x3 eggs, 4x milk\nnot a video at all\n");
}

void tst_Probe::realFfmpegOutput_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QByteArray>("duration");
  QTest::addColumn<QByteArray>("width");
  QTest::addColumn<QByteArray>("height");
  QTest::addColumn<bool>("ok");

  QTest::newRow("H.264 and AAC in MP4: video figure, not the audio one")
      << "standard.mp4" << QByteArray("00:00:02.00") << QByteArray("160") << QByteArray("120")
      << true;
  QTest::newRow("video without audio") << "silent.mp4" << QByteArray("00:00:01.00")
                                       << QByteArray("176") << QByteArray("144") << true;
  QTest::newRow("portrait MKV: no per-stream kb/s")
      << "portrait.mkv" << QByteArray("00:00:01.00") << QByteArray("480") << QByteArray("640")
      << true;
  QTest::newRow("two video streams: sizes maximised apart, later kb/s wins")
      << "two-video.mp4" << QByteArray("00:00:01.00") << QByteArray("320") << QByteArray("240")
      << true;
  QTest::newRow("audio only: no frame size, still a success")
      << "sound.m4a" << QByteArray("00:00:01.00") << QByteArray() << QByteArray() << true;
  QTest::newRow("text file: no duration")
      << "notes.txt" << QByteArray() << QByteArray() << QByteArray() << false;
}

void tst_Probe::realFfmpegOutput() {
  QFETCH(QString, file);
  QFETCH(QByteArray, duration);
  QFETCH(QByteArray, width);
  QFETCH(QByteArray, height);
  QFETCH(bool, ok);

  const QByteArray output = velmora::test::RunFfmpeg({QStringLiteral("-i"), clip(file)});
  QVERIFY2(output.contains("ffmpeg version"), output.constData());
  const Printed printed = ReadPrinted(output);
  // The patterns must see what the clip was made with, or they prove nothing.
  QCOMPARE(printed.duration, duration);
  QCOMPARE(printed.width, width);
  QCOMPARE(printed.height, height);

  Tffinfo info;
  std::string code = "in";
  QCOMPARE(ReadProbeOutput(output.toStdString(), info, code), ok);
  QCOMPARE(Q(code), ok ? QByteArray("in") : QByteArray("No duration!"));
  QCOMPARE(Q(info.Duration), printed.duration);
  QCOMPARE(Q(info.Bitrate), printed.bitrate);
  QCOMPARE(Q(info.VideoBitrate), printed.videoBitrate);
  QCOMPARE(Q(info.Width), printed.width);
  QCOMPARE(Q(info.Height), printed.height);
  QVERIFY(info.FileName.empty());
}

void tst_Probe::edgeCases_data() {
  QTest::addColumn<QByteArray>("output");
  QTest::addColumn<QByteArray>("duration");
  QTest::addColumn<QByteArray>("bitrate");
  QTest::addColumn<QByteArray>("videoBitrate");
  QTest::addColumn<QByteArray>("width");
  QTest::addColumn<QByteArray>("height");
  QTest::addColumn<bool>("ok");

  const QByteArray none;
  QTest::newRow("duration N/A fails")
      << QByteArray(
             "  Duration: N/A, start: 0.000000, bitrate: N/A\n"
             "  Stream #0:0: Video: h264, yuv420p, 720x576, 25 fps\n")
      << QByteArray("N/A") << none << none << QByteArray("720") << QByteArray("576") << false;
  QTest::newRow("no Duration at all fails, size still read")
      << QByteArray(
             "Input #0, mpeg, from 'a.mpg':\n"
             "  Stream #0:0[0x1e0]: Video: mpeg2video, yuv420p, 720x576, 25 fps\n")
      << none << none << none << QByteArray("720") << QByteArray("576") << false;
  QTest::newRow("no comma after the duration anywhere gives an empty one")
      << QByteArray("  Duration: 00:01:00.00 start: 0.0 bitrate: 900 kb/s\n") << none
      << QByteArray("900") << none << none << none << false;
  QTest::newRow("duration is trimmed")
      << QByteArray("Duration: \t 00:00:03.00 \n, bitrate: 5 kb/s") << QByteArray("00:00:03.00")
      << QByteArray("5") << none << none << none << true;
  QTest::newRow("duration 0 fails")
      << QByteArray("  Duration: 0, start: 0, bitrate: 0 kb/s\n") << QByteArray("0")
      << QByteArray("0") << none << none << none << false;
  QTest::newRow("width and height maximised apart")
      << QByteArray(
             "  Duration: 00:00:05.00, start: 0.0, bitrate: 1 kb/s\n"
             "  Stream #0:0: Video: h264, yuv420p, 720x576, 25 fps\n"
             "  Stream #0:1: Video: h264, yuv420p, 640x600, 25 fps\n")
      << QByteArray("00:00:05.00") << QByteArray("1") << none << QByteArray("720")
      << QByteArray("600") << true;
  QTest::newRow("0x codec tag is passed over")
      << QByteArray("Duration: 00:00:01.00, codec tag 0x31637661, 160x120, 25 fps\n")
      << QByteArray("00:00:01.00") << none << none << QByteArray("160") << QByteArray("120")
      << true;
  QTest::newRow("x in words of the file name is passed over")
      << QByteArray(
             "Input #0, mov, from '/v/max x fox 2x.mp4':\n"
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 10 kb/s\n"
             "  Stream #0:0: Video: h264, 320x240, 25 fps\n")
      << QByteArray("00:00:01.00") << QByteArray("10") << none << QByteArray("320")
      << QByteArray("240") << true;
  QTest::newRow("x between non-zero numbers in the file name counts")
      << QByteArray(
             "Input #0, mov, from '/v/take 1920x1080,b.mp4':\n"
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 10 kb/s\n"
             "  Stream #0:0: Video: h264, 320x240, 25 fps\n")
      << QByteArray("00:00:01.00") << QByteArray("10") << none << QByteArray("1920")
      << QByteArray("1080") << true;
  QTest::newRow("size pair with no comma after it anywhere is passed over")
      << QByteArray(
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 10 kb/s\n"
             "  Stream #0:0: Video: h264, 320x240, 25 fps\n"
             "  Stream #0:1: Video: png 1280x720 (attached pic)\n")
      << QByteArray("00:00:01.00") << QByteArray("10") << none << QByteArray("320")
      << QByteArray("240") << true;
  QTest::newRow("no size pair: empty size, still a success")
      << QByteArray(
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 64 kb/s\n"
             "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 64 kb/s\n")
      << QByteArray("00:00:01.00") << QByteArray("64") << none << none << none << true;
  QTest::newRow("N/A bit rate spans lines to the next kb/s")
      << QByteArray(
             "  Duration: 00:00:01.00, start: 0.0, bitrate: N/A\n"
             "  Stream #0:0: Audio: aac, 44100 Hz, 128 kb/s\n")
      << QByteArray("00:00:01.00") << QByteArray("N/A\n  Stream #0:0: Audio: aac, 44100 Hz, 128")
      << none << none << none << true;
  QTest::newRow("N/A bit rate with no kb/s after it is empty")
      << QByteArray("  Duration: 00:00:01.00, start: 0.0, bitrate: N/A\n")
      << QByteArray("00:00:01.00") << none << none << none << none << true;
  QTest::newRow("video line without kb/s then audio line with it: no video figure")
      << QByteArray(
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 300 kb/s\n"
             "  Stream #0:0: Video: h264, yuv420p, 320x240, 25 fps\n"
             "  Stream #0:1: Audio: aac, 44100 Hz, 128 kb/s\n")
      << QByteArray("00:00:01.00") << QByteArray("300") << none << QByteArray("320")
      << QByteArray("240") << true;
  QTest::newRow("audio line without kb/s then video line with it: video figure")
      << QByteArray(
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 300 kb/s\n"
             "  Stream #0:0: Audio: aac, 44100 Hz\n"
             "  Stream #0:1: Video: h264, yuv420p, 320x240, 170 kb/s, 25 fps\n")
      << QByteArray("00:00:01.00") << QByteArray("300") << QByteArray("170") << QByteArray("320")
      << QByteArray("240") << true;
  QTest::newRow("two video lines with kb/s: the later wins")
      << QByteArray(
             "  Duration: 00:00:01.00, start: 0.0, bitrate: 1200 kb/s\n"
             "  Stream #0:0: Video: h264, 320x240, 900 kb/s, 25 fps\n"
             "  Stream #0:1: Video: h264, 160x120, 250 kb/s, 25 fps\n")
      << QByteArray("00:00:01.00") << QByteArray("1200") << QByteArray("250") << QByteArray("320")
      << QByteArray("240") << true;
  QTest::newRow("video line of another input than #0 sets no figure")
      << QByteArray("Duration: 00:00:01.00, Stream #1:0: Video: h264, 900 kb/s\n")
      << QByteArray("00:00:01.00") << none << none << none << none << true;
  QTest::newRow("digits kept as printed; a larger value is needed to replace")
      << QByteArray("Duration: 1, +0720x0576, 720x576, 700x+600, 9x600, ") << QByteArray("1")
      << none << none << QByteArray("+0720") << QByteArray("+600") << true;
  QTest::newRow("negative width forms a pair but never beats 0")
      << QByteArray("Duration: 1, -5x7, ") << QByteArray("1") << none << none << none
      << QByteArray("7") << true;
  QTest::newRow("32-bit limits: 2147483647 counts, 2147483648 does not")
      << QByteArray("Duration: 1, 2147483648x9999, 2147483647x5, 4x-2147483648, 3x2147483648, ")
      << QByteArray("1") << none << none << QByteArray("2147483647") << QByteArray("5") << true;
  QTest::newRow("size after a line break is not cut off from the word before")
      << QByteArray("Duration: 1, Video:\n720x576, ") << QByteArray("1") << none << none << none
      << none << true;
}

void tst_Probe::edgeCases() {
  QFETCH(QByteArray, output);
  QFETCH(QByteArray, duration);
  QFETCH(QByteArray, bitrate);
  QFETCH(QByteArray, videoBitrate);
  QFETCH(QByteArray, width);
  QFETCH(QByteArray, height);
  QFETCH(bool, ok);

  Tffinfo info;
  std::string code = "in";
  const bool result = ReadProbeOutput(output.toStdString(), info, code);
  QCOMPARE(Q(info.Duration), duration);
  QCOMPARE(Q(info.Bitrate), bitrate);
  QCOMPARE(Q(info.VideoBitrate), videoBitrate);
  QCOMPARE(Q(info.Width), width);
  QCOMPARE(Q(info.Height), height);
  QCOMPARE(result, ok);
  QCOMPARE(Q(code), ok ? QByteArray("in") : QByteArray("No duration!"));

  // The hand-written expectations and the oracle must agree, or the oracle
  // used on generated texts below is not the rules.
  Tffinfo slowInfo;
  std::string slowCode = "in";
  const bool slowResult = velmora::test::reference::Read(output.toStdString(), slowInfo, slowCode);
  QCOMPARE(Describe(slowInfo, slowResult, slowCode), Describe(info, result, code));
}

void tst_Probe::fieldsNotFoundAreNotWritten() {
  Tffinfo filled;
  filled.FileName = "/v/loaded.mp4";
  filled.Duration = "00:00:09.00";
  filled.Bitrate = "77";
  filled.VideoBitrate = "55";
  filled.Width = "640";
  filled.Height = "480";

  // Nothing to find: Duration, Bitrate and VideoBitrate keep what they held
  // (so the old duration even makes this a success); the size is always
  // written.
  Tffinfo info = filled;
  std::string code = "in";
  QVERIFY(ReadProbeOutput("Input #0, tty, from 'x':\n  Stream #0:0: Video: ansi\n", info, code));
  QCOMPARE(Q(code), QByteArray("in"));
  QCOMPARE(Q(info.FileName), QByteArray("/v/loaded.mp4"));
  QCOMPARE(Q(info.Duration), QByteArray("00:00:09.00"));
  QCOMPARE(Q(info.Bitrate), QByteArray("77"));
  QCOMPARE(Q(info.VideoBitrate), QByteArray("55"));
  QCOMPARE(Q(info.Width), QByteArray());
  QCOMPARE(Q(info.Height), QByteArray());

  // Found but unreadable: written empty, and the run fails; FileName stays.
  info = filled;
  QVERIFY(!ReadProbeOutput("Duration: 00:00:01.00 bitrate: N/A", info, code));
  QCOMPARE(Q(code), QByteArray("No duration!"));
  QCOMPARE(Q(info.FileName), QByteArray("/v/loaded.mp4"));
  QCOMPARE(Q(info.Duration), QByteArray());
  QCOMPARE(Q(info.Bitrate), QByteArray());
  QCOMPARE(Q(info.VideoBitrate), QByteArray("55"));
}

void tst_Probe::matchesTheRulesOnGeneratedTexts() {
  // Pieces of probe output, whole and broken, with the separators, signs,
  // limits and bytes (control, non-ASCII) that the rules treat specially;
  // "|" parts them.
  static const QList<QByteArray> pieces =
      QByteArray(
          "720x576|640x600|0x31637661|160x120|x|x|X|,|,|, | | |\n|\t|\r\n|\x01|\xc3\xa9|"
          "-5|+3|0|00|7|12|2147483647|2147483648|-2147483648|"
          "kb/s| kb/s|kb/|/s|: Video:|: Audio:|#0:|#1:|"
          "Duration: |Duration:|bitrate: |N/A|00:00:02.00|(|)|a|"
          "  Stream #0:0: Video: h264, yuv420p, ")
          .split('|');
  QRandomGenerator random(20240611);
  for (int round = 0; round < 30000; ++round) {
    std::string text;
    const int count = random.bounded(40);
    for (int i = 0; i < count; ++i) {
      if (random.bounded(6) == 0) {
        const int digits = 1 + random.bounded(11);
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random.bounded(10));
      } else {
        text += pieces[random.bounded(static_cast<int>(pieces.size()))].toStdString();
      }
    }
    // Half the texts meet a record that holds values already.
    Tffinfo start;
    if (random.bounded(2) == 0) {
      start = {"/v/f.mp4", random.bounded(2) ? "00:00:01.00" : "0", "1", "2", "3", "4"};
    }
    Tffinfo fast = start;
    Tffinfo expected = start;
    std::string fastCode = "in";
    std::string expectedCode = "in";
    const bool fastOk = ReadProbeOutput(text, fast, fastCode);
    const bool expectedOk = velmora::test::reference::Read(text, expected, expectedCode);
    const QByteArray got = Describe(fast, fastOk, fastCode);
    const QByteArray want = Describe(expected, expectedOk, expectedCode);
    QVERIFY2(got == want, "text [" + Visible(text) + "]\n   got " + got + "\n  want " + want);
  }
}

void tst_Probe::hostileOutputIsReadInLinearTime() {
  // About 10 MB where every "x" and every "kb/s" starts a new search: a
  // reading that rescans the rest of the text at each of them never ends.
  std::string text = "  Duration: 00:00:01.00, start: 0.0, bitrate: 8 kb/s\n";
  for (int i = 0; i < 800000; ++i) text += "1x2 x";
  for (int i = 0; i < 200000; ++i) text += " #0: Video: 9 kb/s";
  text += std::string(3000000, 'x') + "2x3 ";
  text += ",";
  QVERIFY(text.size() > 10000000);

  QElapsedTimer timer;
  timer.start();
  Tffinfo info;
  std::string code;
  QVERIFY(ReadProbeOutput(text, info, code));
  QVERIFY2(timer.elapsed() < 3000, QByteArray::number(timer.elapsed()) + " ms");
  QCOMPARE(Q(info.Duration), QByteArray("00:00:01.00"));
  QCOMPARE(Q(info.VideoBitrate), QByteArray("#0: Video: 9"));
  // "1x2" and "2x3" are cut at the space before the final comma.
  QCOMPARE(Q(info.Width), QByteArray("2"));
  QCOMPARE(Q(info.Height), QByteArray("3"));
}

void tst_Probe::probeThroughRunnerKeepsOutputVerbatim() {
  ClientFixture c;
  // A read boundary between "Duration:" and its space, and a line printed
  // twice in reads of its own: the text must reach the reading as printed.
  c.setScript(
      "print   Duration:\n"
      "drain\n"
      "print  00:00:02.00, start: 0.000000, bitrate: 90 kb/s\\n\n"
      "drain\n"
      "print   Stream #0:0: Video: h264, yuv420p, 160x120, 50 kb/s, 25 fps\\n\n"
      "drain\n"
      "print   Stream #0:0: Video: h264, yuv420p, 160x120, 50 kb/s, 25 fps\\n\n"
      "drain\n"
      "print \\n\n"
      "exit 1\n");
  const std::string path = "/v/a \"b\" x.mp4";
  Tffinfo info;
  std::string code = "in";
  std::string output;
  QVERIFY(ProbeMedia(path, code, info, output));
  QCOMPARE(c.lastRun(), (QList<QByteArray>{"-i", Q(path)}));
  QCOMPARE(Q(output), QByteArray("  Duration: 00:00:02.00, start: 0.000000, bitrate: 90 kb/s\n"
                                 "  Stream #0:0: Video: h264, yuv420p, 160x120, 50 kb/s, 25 fps\n"
                                 "  Stream #0:0: Video: h264, yuv420p, 160x120, 50 kb/s, 25 fps\n"
                                 "\n"));
  QCOMPARE(Q(code), QByteArray("in"));  // the exit status is not looked at
  QCOMPARE(Q(info.Duration), QByteArray("00:00:02.00"));
  QCOMPARE(Q(info.Bitrate), QByteArray("90"));
  QCOMPARE(Q(info.VideoBitrate), QByteArray("50"));
  QCOMPARE(Q(info.Width), QByteArray("160"));
  QCOMPARE(Q(info.Height), QByteArray("120"));
  QVERIFY(info.FileName.empty());
}

void tst_Probe::missingClientGives012AndTouchesNothing() {
  ClientFixture c;
  c.removeClient();
  Tffinfo info;
  info.Duration = "00:00:09.00";
  info.Width = "640";
  std::string code;
  std::string output = "earlier output";
  QVERIFY(!ProbeMedia("/v/a.mp4", code, info, output));
  QCOMPARE(Q(code), QByteArray("012"));
  QCOMPARE(Q(info.Duration), QByteArray("00:00:09.00"));
  QCOMPARE(Q(info.Width), QByteArray("640"));
  QCOMPARE(Q(output), QByteArray("earlier output"));  // no client started, nothing emptied
}

void tst_Probe::outputIsEmptiedWhenTheClientStarts() {
  ClientFixture c;
  c.setScript(
      "--- run 1\n"
      "print   Duration: 00:00:04.00, start: 0.0, bitrate: 10 kb/s\\n\n"
      "--- run 2\n"
      "print no such file\\n\n");
  Tffinfo info;
  std::string code = "in";
  std::string output = "left over";
  QVERIFY(ProbeMedia("/v/a.mp4", code, info, output));
  QCOMPARE(Q(output), QByteArray("  Duration: 00:00:04.00, start: 0.0, bitrate: 10 kb/s\n"));
  // The second run finds no duration; had the first run's text been kept,
  // it would pass.
  info = Tffinfo();
  QVERIFY(!ProbeMedia("/v/a.mp4", code, info, output));
  QCOMPARE(Q(output), QByteArray("no such file\n"));
  QCOMPARE(Q(code), QByteArray("No duration!"));
  QVERIFY(info.Duration.empty());
}

void tst_Probe::bigOutputThroughRunner() {
  ClientFixture c;
  QByteArray script = "print   Duration: 00:10:00.00, start: 0.0, bitrate: 4000 kb/s\\n\n";
  QByteArray expected = "  Duration: 00:10:00.00, start: 0.0, bitrate: 4000 kb/s\n";
  // 4 MB: filler in 64 KB writes, stream lines with sizes and figures between.
  for (int k = 0; k < 64; ++k) {
    const char filler = k % 2 ? 'x' : '.';
    script += "burst 65536 " + QByteArray(1, filler) + "\n";
    expected += QByteArray(65536, filler);
    const QByteArray line = "\\n  Stream #0:" + QByteArray::number(k) + ": Video: h264, " +
                            QByteArray::number(100 + (k * 37) % 900) + "x" +
                            QByteArray::number(100 + (k * 53) % 700) + " [SAR 1:1], " +
                            QByteArray::number(k + 1) + " kb/s, 25 fps\\n";
    script += "print " + line + "\n";
    expected += QByteArray(line).replace("\\n", "\n");
  }
  c.setScript(script);

  QElapsedTimer timer;
  timer.start();
  Tffinfo info;
  std::string code = "in";
  std::string output;
  QVERIFY(ProbeMedia("/v/big.mp4", code, info, output));
  QVERIFY2(timer.elapsed() < 5000, QByteArray::number(timer.elapsed()) + " ms");
  QCOMPARE(output.size(), static_cast<std::size_t>(expected.size()));
  QVERIFY(Q(output) == expected);
  QCOMPARE(Q(info.Duration), QByteArray("00:10:00.00"));
  QCOMPARE(Q(info.Bitrate), QByteArray("4000"));
  QCOMPARE(Q(info.VideoBitrate), QByteArray("64"));
  int w = 0;
  int h = 0;
  for (int k = 0; k < 64; ++k) {
    w = std::max(w, 100 + (k * 37) % 900);
    h = std::max(h, 100 + (k * 53) % 700);
  }
  QCOMPARE(Q(info.Width), QByteArray::number(w));
  QCOMPARE(Q(info.Height), QByteArray::number(h));
}

void tst_Probe::realClientEndToEnd() {
  ClientFixture c;
  c.useRealClient();
  Tffinfo info;
  std::string code = "in";
  std::string output;
  QVERIFY(ProbeMedia(clip(QStringLiteral("standard.mp4")).toStdString(), code, info, output));
  QCOMPARE(Q(code), QByteArray("in"));
  QVERIFY(Q(output).contains("ffmpeg version"));
  const Printed printed = ReadPrinted(Q(output));
  QCOMPARE(Q(info.Duration), QByteArray("00:00:02.00"));
  QCOMPARE(Q(info.Width), QByteArray("160"));
  QCOMPARE(Q(info.Height), QByteArray("120"));
  QVERIFY(!printed.bitrate.isEmpty() && !printed.videoBitrate.isEmpty());
  QCOMPARE(Q(info.Bitrate), printed.bitrate);
  QCOMPARE(Q(info.VideoBitrate), printed.videoBitrate);
  QVERIFY(info.FileName.empty());
}

QTEST_GUILESS_MAIN(tst_Probe)
#include "tst_probe.moc"
