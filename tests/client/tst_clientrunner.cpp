// The client runner against the scripted fake client (real processes and
// pipes) and against a process layer with no process (exact step order).

#include <QtTest>

#include <csignal>
#include <numeric>
#include <stdexcept>

#include "app/CheckClient.h"
#include "client/ClientRunner.h"
#include "client/ProbeMedia.h"
#include "support/ClientFixture.h"
#include "support/FaultyProcessApi.h"

using namespace velmora;
using velmora::test::ClientFixture;
using velmora::test::FaultyProcessApi;
using velmora::test::ScriptedProcessApi;

namespace {

struct Collected {
  std::vector<std::string> chunks;
  std::vector<std::string> windows;
};

// A run that collects every chunk and window and succeeds at the end.
ClientRun CollectingRun(Collected& c) {
  ClientRun run;
  run.prefix = "09";
  run.onChunk = [&c](const std::string& chunk, const std::string& window) {
    c.chunks.push_back(chunk);
    c.windows.push_back(window);
    return ChunkVerdict::GoOn;
  };
  run.onEnd = [](const ClientExit&) { return true; };
  return run;
}

std::string Joined(const std::vector<std::string>& parts) {
  return std::accumulate(parts.begin(), parts.end(), std::string());
}

}  // namespace

class tst_ClientRunner : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void outputArrivesInChunksOfAtMost512();
  void nothingIsLostWhenTheClientEndsRightAfterWriting();
  void zeroByteCutsTheChunk();
  void windowIsTrimmedJoinOfPreviousAndThisChunk_data();
  void windowIsTrimmedJoinOfPreviousAndThisChunk();
  void markerAcrossReads_data();
  void markerAcrossReads();
  void stoppingHandlerTerminatesAStillPrintingClient();
  void clientIgnoringTerminateIsKilled();
  void cancelIsSeenAtTheNextCycleAndKeepsTheCode();
  void throwingHandlerStillCleansUp();
  void stuckClientIsEndedAtTheTimeLimit();
  void failedStepsGiveTheirDigit_data();
  void failedStepsGiveTheirDigit();
  void clientThatCannotStartGivesDigit2_data();
  void clientThatCannotStartGivesDigit2();
  void successLeavesTheFailureCodeAsPassed();
  void exitStatusReachesTheEndHandler_data();
  void exitStatusReachesTheEndHandler();
  void fileNamesReachTheClientAsOneWord();
  void idleCyclesWaitInsteadOfSpinning();
  void manyRunsLeaveNoDescriptorOrChild();
  void pumpPointsPerUse_data();
  void pumpPointsPerUse();
  void traceRecordsWordsAndEnding();

 private:
  ClientFixture* m_client = nullptr;
  int m_fdsBefore = 0;
};

void tst_ClientRunner::init() {
  m_client = new ClientFixture;
  m_fdsBefore = velmora::test::OpenDescriptorCount();
}

void tst_ClientRunner::cleanup() {
  delete m_client;
  m_client = nullptr;
  // Every test leaves no child and no descriptor behind.
  QVERIFY(velmora::test::ChildProcesses().empty());
  QCOMPARE(velmora::test::OpenDescriptorCount(), m_fdsBefore);
}

void tst_ClientRunner::outputArrivesInChunksOfAtMost512() {
  m_client->setScript("burst 5000 a\n");
  Collected c;
  std::string code;
  QVERIFY(ClientRunner(CollectingRun(c), code));
  QVERIFY(c.chunks.size() >= 10);
  for (const std::string& chunk : c.chunks) QVERIFY(chunk.size() <= 512 && !chunk.empty());
  QCOMPARE(Joined(c.chunks), std::string(5000, 'a'));
}

void tst_ClientRunner::nothingIsLostWhenTheClientEndsRightAfterWriting() {
  // 60 KB fits the pipe: the client writes it all and ends before the runner
  // has read much of it; the rest must still be read before the end.
  m_client->setScript("burst 60000 b\nprint END\nexit 0\n");
  for (int round = 0; round < 5; ++round) {
    Collected c;
    std::string code;
    QVERIFY(ClientRunner(CollectingRun(c), code));
    QCOMPARE(Joined(c.chunks), std::string(60000, 'b') + "END");
  }
}

void tst_ClientRunner::zeroByteCutsTheChunk() {
  m_client->setScript("print abc\\0def\ndrain\nprint ghi\n");
  Collected c;
  std::string code;
  QVERIFY(ClientRunner(CollectingRun(c), code));
  QCOMPARE(c.chunks, (std::vector<std::string>{"abc", "ghi"}));
  QCOMPARE(c.windows.back(), std::string("abcghi"));
  QCOMPARE(ChunkOf("x\0y", 3), std::string("x"));
}

void tst_ClientRunner::windowIsTrimmedJoinOfPreviousAndThisChunk_data() {
  QTest::addColumn<QByteArray>("previous");
  QTest::addColumn<QByteArray>("chunk");
  QTest::addColumn<QByteArray>("window");
  QTest::newRow("first read has no previous")
      << QByteArray() << QByteArray(" a ") << QByteArray("a");
  QTest::newRow("inner blanks stay")
      << QByteArray("\t x y\n") << QByteArray("z \r\n") << QByteArray("x y\nz");
  QTest::newRow("control characters count as blanks")
      << QByteArray("\x01\x1f") << QByteArray("q\x7f\x20") << QByteArray("q\x7f");
  QTest::newRow("all blank") << QByteArray(" \n") << QByteArray("\t\r") << QByteArray();
}

void tst_ClientRunner::windowIsTrimmedJoinOfPreviousAndThisChunk() {
  QFETCH(QByteArray, previous);
  QFETCH(QByteArray, chunk);
  QFETCH(QByteArray, window);
  QCOMPARE(QByteArray::fromStdString(WindowOf(previous.toStdString(), chunk.toStdString())),
           window);
}

void tst_ClientRunner::markerAcrossReads_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<bool>("found");
  QTest::newRow("in one read") << QByteArray("print ffmpeg version 5.1\n") << true;
  QTest::newRow("split over two reads")
      << QByteArray("print junk ffmpeg ver\ndrain\nprint sion 5.1\n") << true;
  QTest::newRow("split after a blank edge")
      << QByteArray("print \\nffmpeg \ndrain\nprint version\\n\n") << true;
  QTest::newRow("over three reads, middle shorter")
      << QByteArray("print ffmpeg v\ndrain\nprint ers\ndrain\nprint ion 5.1\n") << false;
  QTest::newRow("other letter case") << QByteArray("print FFmpeg Version 5.1\n") << false;
  QTest::newRow("nothing at all") << QByteArray("exit 0\n") << false;
}

void tst_ClientRunner::markerAcrossReads() {
  QFETCH(QByteArray, script);
  QFETCH(bool, found);
  m_client->setScript(script);
  std::string code;
  QCOMPARE(CheckClient(code), found);
  QCOMPARE(code, std::string());  // a failed check by output leaves the code empty
}

void tst_ClientRunner::stoppingHandlerTerminatesAStillPrintingClient() {
  m_client->setScript("print ffmpeg version 5.1\ndrain\nburst 400 z\nhang\n");
  std::string code;
  QElapsedTimer clock;
  clock.start();
  QVERIFY(CheckClient(code));
  QVERIFY(clock.elapsed() < 5000);  // it did not wait for the hanging client
  QVERIFY(velmora::test::ChildProcesses().empty());

  // Exactly: the stopping read is followed by no pump turn, one termination
  // and the clean-up.
  ScriptedProcessApi api({"idle", "data:ffmpeg version 5", "data:more"});
  int pumps = 0;
  QVERIFY(CheckClient(
      code,
      [&] {
        api.log.push_back("PUMP");
        ++pumps;
      },
      &api));
  QCOMPARE(pumps, 1);  // the idle cycle's
  QCOMPARE(api.log.back(), std::string("close"));
  QCOMPARE(api.terminations, 1);
  const auto read = std::find(api.log.begin(), api.log.end(), "read");
  QCOMPARE(std::count(read, api.log.end(), std::string("PUMP")), 0);
}

void tst_ClientRunner::clientIgnoringTerminateIsKilled() {
  m_client->setScript("ignoreterm\nprint ffmpeg version 5.1\nhang\n");
  std::string code;
  QVERIFY(CheckClient(code));
  QVERIFY(velmora::test::ChildProcesses().empty());
}

void tst_ClientRunner::cancelIsSeenAtTheNextCycleAndKeepsTheCode() {
  m_client->setScript("print first\ndrain\nprint second\nhang\n");
  Collected c;
  ClientRun run = CollectingRun(c);
  bool cancel = false;
  int checks = 0;
  run.cancelCheck = [&] {
    ++checks;
    return cancel;
  };
  run.onChunk = [&](const std::string& chunk, const std::string&) {
    c.chunks.push_back(chunk);
    cancel = true;  // as if the Cancel button was pressed during this read's pump
    return ChunkVerdict::MarkSuccess;
  };
  std::string code = "kept";
  QVERIFY(ClientRunner(run, code));  // the success flag as it stood
  QCOMPARE(code, std::string("kept"));
  QCOMPARE(c.chunks.size(), size_t(1));  // the very next cycle stopped it
  QVERIFY(velmora::test::ChildProcesses().empty());

  // With the process-less layer: one termination, before the next peek.
  ScriptedProcessApi api({"data:x", "data:y", "end"});
  run.api = &api;
  cancel = false;
  c.chunks.clear();
  QVERIFY(ClientRunner(run, code));
  QCOMPARE(api.terminations, 1);
  const auto read = std::find(api.log.begin(), api.log.end(), "read");
  QCOMPARE(std::count(read, api.log.end(), std::string("peek")), 0);
}

void tst_ClientRunner::throwingHandlerStillCleansUp() {
  m_client->setScript("print boom\nhang\n");
  ClientRun run;
  run.prefix = "09";
  run.onChunk = [](const std::string&, const std::string&) -> ChunkVerdict {
    throw std::runtime_error("handler failed");
  };
  std::string code = "as passed";
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, ClientRunner(run, code));
  QCOMPARE(code, std::string("as passed"));
  QVERIFY(velmora::test::ChildProcesses().empty());

  // The same from the end handler, on the exact layer: every descriptor closed.
  ScriptedProcessApi api({"end"});
  run.api = &api;
  run.onChunk = nullptr;
  run.onEnd = [](const ClientExit&) -> bool { throw std::runtime_error("end failed"); };
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, ClientRunner(run, code));
  QCOMPARE(api.closes, 2);
}

void tst_ClientRunner::stuckClientIsEndedAtTheTimeLimit() {
  m_client->setScript("print waiting for input\nhang\n");
  Collected c;
  ClientRun run = CollectingRun(c);
  run.timeLimitMs = 300;
  std::string code;
  QElapsedTimer clock;
  clock.start();
  QVERIFY(!ClientRunner(run, code));
  QVERIFY(clock.elapsed() < 10000);
  QCOMPARE(code, std::string(kNoAnswer));
  QCOMPARE(Joined(c.chunks), std::string("waiting for input"));
  QVERIFY(velmora::test::ChildProcesses().empty());
}

void tst_ClientRunner::failedStepsGiveTheirDigit_data() {
  QTest::addColumn<int>("step");
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<QString>("code");
  using S = FaultyProcessApi::Step;
  const QStringList prefixes{"00", "01", "02", "03"};
  for (const QString& prefix : prefixes) {
    QTest::addRow("pipe %s", qPrintable(prefix)) << int(S::Pipe) << prefix << prefix + "1";
    QTest::addRow("start %s", qPrintable(prefix)) << int(S::Start) << prefix << prefix + "2";
    QTest::addRow("peek %s", qPrintable(prefix)) << int(S::Peek) << prefix << prefix + "3";
    QTest::addRow("read %s", qPrintable(prefix)) << int(S::Read) << prefix << prefix + "4";
  }
}

void tst_ClientRunner::failedStepsGiveTheirDigit() {
  QFETCH(int, step);
  QFETCH(QString, prefix);
  QFETCH(QString, code);
  m_client->setScript("print something\nsleep 50\n");
  FaultyProcessApi api(static_cast<FaultyProcessApi::Step>(step));
  Collected c;
  ClientRun run = CollectingRun(c);
  run.prefix = prefix.toStdString();
  run.api = &api;
  std::string failure;
  QVERIFY(!ClientRunner(run, failure));
  QCOMPARE(QString::fromStdString(failure), code);
}

void tst_ClientRunner::clientThatCannotStartGivesDigit2_data() {
  QTest::addColumn<QString>("what");
  QTest::newRow("missing") << "missing";
  QTest::newRow("a folder") << "folder";
  QTest::newRow("not executable") << "plain file";
}

void tst_ClientRunner::clientThatCannotStartGivesDigit2() {
  QFETCH(QString, what);
  m_client->removeClient();
  if (what == "folder") QVERIFY(QDir().mkpath(m_client->clientPath()));
  if (what == "plain file") {
    QFile f(m_client->clientPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho ffmpeg version\n");
  }
  for (const char* prefix : {"00", "01", "02", "03"}) {
    Collected c;
    ClientRun run = CollectingRun(c);
    run.prefix = prefix;
    std::string code;
    QVERIFY(!ClientRunner(run, code));
    QCOMPARE(code, std::string(prefix) + "2");
  }
}

void tst_ClientRunner::successLeavesTheFailureCodeAsPassed() {
  m_client->setScript("print ffmpeg version 5.1\n");
  std::string code = "012";
  QVERIFY(CheckClient(code));
  QCOMPARE(code, std::string("012"));
}

void tst_ClientRunner::exitStatusReachesTheEndHandler_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<bool>("exited");
  QTest::addColumn<int>("status");
  QTest::addColumn<int>("signal");
  QTest::newRow("status 0") << QByteArray("print x\nexit 0\n") << true << 0 << 0;
  QTest::newRow("status 1") << QByteArray("print x\nexit 1\n") << true << 1 << 0;
  QTest::newRow("killed by a signal") << QByteArray("print x\nsignal 9\n") << false << 0 << 9;
  QTest::newRow("crashed") << QByteArray("signal 11\n") << false << 0 << 11;
}

void tst_ClientRunner::exitStatusReachesTheEndHandler() {
  QFETCH(QByteArray, script);
  QFETCH(bool, exited);
  QFETCH(int, status);
  QFETCH(int, signal);
  m_client->setScript(script);
  ClientExit seen;
  ClientRun run;
  run.prefix = "09";
  run.onEnd = [&](const ClientExit& e) {
    seen = e;
    return e.normalZero();
  };
  std::string code;
  QCOMPARE(ClientRunner(run, code), exited && status == 0);
  QVERIFY(seen.known);
  QCOMPARE(seen.exited, exited);
  QCOMPARE(seen.status, status);
  QCOMPARE(seen.signal, signal);
}

void tst_ClientRunner::fileNamesReachTheClientAsOneWord() {
  const std::vector<std::string> names = {
      "/tmp/with space.mp4",        "/tmp/quote\"inside.mp4",
      "/tmp/-leading dash.mp4",     "/tmp/\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac.mp4",
      "/tmp/$(touch x);`id`|&.mp4", "/tmp/\"\" -y -f null \"/tmp/evil\".mp4"};
  for (const std::string& name : names) {
    m_client->clearRuns();
    std::string code;
    Tffinfo info;
    std::string output;
    ProbeMedia(name, code, info, output);
    const QList<QByteArray> words = m_client->lastRun();
    QCOMPARE(words.size(), 2);
    QCOMPARE(words.at(0), QByteArray("-i"));
    QCOMPARE(words.at(1), QByteArray::fromStdString(name));
  }
  // The one-line rendering still shows the classic quoted form.
  QCOMPARE(ArgumentText(ProbeArguments("/v/a b.mp4")), std::string(" -i \"/v/a b.mp4\""));
}

void tst_ClientRunner::idleCyclesWaitInsteadOfSpinning() {
  // A client that stays quiet for 400 ms: a spinning loop would turn the pump
  // hundreds of thousands of times; a waiting one about once per 10 ms.
  m_client->setScript("sleep 400\nprint ffmpeg version 5.1\n");
  std::string code;
  int pumps = 0;
  QVERIFY(CheckClient(code, [&] { ++pumps; }));
  QVERIFY2(pumps < 200, qPrintable(QString::number(pumps)));
  QVERIFY(pumps >= 1);  // but the user interface did get its turns
}

void tst_ClientRunner::manyRunsLeaveNoDescriptorOrChild() {
  const int before = velmora::test::OpenDescriptorCount();
  const QList<QByteArray> scripts = {"print ffmpeg version 5.1\nhang\n", "exit 3\n", "burst 3000\n",
                                     "print x\nsignal 15\n"};
  for (int i = 0; i < 200; ++i) {
    m_client->setScript(scripts.at(i % scripts.size()));
    std::string code;
    CheckClient(code);
  }
  QCOMPARE(velmora::test::OpenDescriptorCount(), before);
  QVERIFY(velmora::test::ChildProcesses().empty());
}

void tst_ClientRunner::pumpPointsPerUse_data() {
  QTest::addColumn<unsigned>("points");
  QTest::addColumn<QString>("expected");
  // Script: a read, an idle poll, a read, then the end.
  QTest::newRow("check and conversion: E")
      << unsigned(pump::E)
      << "pipe start peek read chunk PUMP peek ended? wait PUMP peek read chunk PUMP "
         "peek ended? peek end";
  QTest::newRow("probe: D, E without a read")
      << unsigned(pump::D | pump::EWithoutRead)
      << "pipe start peek read PUMP chunk peek ended? wait PUMP peek read PUMP chunk "
         "peek ended? peek end";
  QTest::newRow("preview: all five")
      << unsigned(pump::A | pump::B | pump::C | pump::D | pump::E)
      << "pipe PUMP start PUMP peek PUMP read PUMP chunk PUMP peek PUMP ended? wait PUMP "
         "peek PUMP read PUMP chunk PUMP peek PUMP ended? peek end";
}

void tst_ClientRunner::pumpPointsPerUse() {
  QFETCH(unsigned, points);
  QFETCH(QString, expected);
  ScriptedProcessApi api({"data:one", "idle", "data:two", "end"});
  ClientRun run;
  run.prefix = "09";
  run.api = &api;
  run.pumpAt = points;
  run.pump = [&] { api.log.push_back("PUMP"); };
  run.onChunk = [&](const std::string&, const std::string&) {
    api.log.push_back("chunk");
    return ChunkVerdict::GoOn;
  };
  run.onEnd = [&](const ClientExit&) {
    api.log.push_back("end");
    return true;
  };
  std::string code;
  QVERIFY(ClientRunner(run, code));
  std::string seen;
  for (const std::string& entry : api.log) {
    if (entry == "close") break;
    seen += (seen.empty() ? "" : " ") + entry;
  }
  QCOMPARE(QString::fromStdString(seen), expected);
}

void tst_ClientRunner::traceRecordsWordsAndEnding() {
  std::vector<ClientTrace> traces;
  SetClientTraceHook([&](const ClientTrace& t) { traces.push_back(t); });
  m_client->setScript("print hello\nexit 4\n");
  ClientRun run;
  run.prefix = "01";
  run.args = ProbeArguments("/v/a b.mp4");
  std::string code;
  ClientRunner(run, code);
  m_client->removeClient();
  ClientRunner(run, code);
  SetClientTraceHook(nullptr);

  QCOMPARE(traces.size(), size_t(2));
  QCOMPARE(traces[0].words, (std::vector<std::string>{"-i", "/v/a b.mp4"}));
  QCOMPARE(traces[0].argumentText, std::string(" -i \"/v/a b.mp4\""));
  QCOMPARE(traces[0].ending, std::string("exit 4"));
  QVERIFY(traces[0].seconds >= 0);
  QCOMPARE(traces[1].ending, std::string("failed at step 2"));
  QCOMPARE(traces[1].failureCode, std::string("012"));
}

QTEST_GUILESS_MAIN(tst_ClientRunner)
#include "tst_clientrunner.moc"
