// Start-up: the splash, the client check and what is created after it.

#include <QtTest>

#include <stdexcept>

#include "app/Application.h"
#include "app/StartUp.h"
#include "app/p_flash.h"
#include "support/ClientFixture.h"
#include "support/FakeDialogs.h"
#include "support/WidgetChecks.h"
#include "ui/p_about.h"
#include "ui/p_main.h"
#include "ui/p_progress.h"

using namespace velmora;
using namespace velmora::test;
using velmora::test::ClientFixture;
using velmora::test::FakeDialogs;

namespace {

bool SplashVisible() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<Tflash*>(w) != nullptr && w->isVisible()) return true;
  return false;
}

class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User)
      throw std::runtime_error("'N/A' is not a valid floating point value");
    return QObject::event(e);
  }
};

}  // namespace

class tst_StartUp : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void failedCheckShowsTheCodeAndCreatesNoWindow_data();
  void failedCheckShowsTheCodeAndCreatesNoWindow();
  void passedCheckCreatesTheWindowsAndClosesTheSplash_data();
  void passedCheckCreatesTheWindowsAndClosesTheSplash();
  void mainWindowIsCreatedWhileTheSplashShows();
  void runEndsWithStatusZeroAfterAFailedCheck();
  void errorsEscapingAHandlerReachTheDefaultReport();

 private:
  QString m_defaultTitle;
};

void tst_StartUp::init() {
  if (m_defaultTitle.isEmpty()) m_defaultTitle = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName(m_defaultTitle);
}

void tst_StartUp::cleanup() {
  QCOMPARE(CountTopLevel<Tflash>(), 0);
  QCOMPARE(CountTopLevel<Tmain>(), 0);
}

void tst_StartUp::failedCheckShowsTheCodeAndCreatesNoWindow_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<bool>("removeClient");
  QTest::addColumn<QString>("text");
  QTest::newRow("no client") << QByteArray() << true << "Client program error! 002";
  QTest::newRow("other letter case")
      << QByteArray("print FFMPEG VERSION 5\n") << false << "Client program error! ";
  QTest::newRow("prints something else and ends")
      << QByteArray("print usage: client [options]\nexit 1\n") << false << "Client program error! ";
}

void tst_StartUp::failedCheckShowsTheCodeAndCreatesNoWindow() {
  QFETCH(QByteArray, script);
  QFETCH(bool, removeClient);
  QFETCH(QString, text);
  ClientFixture client;
  if (removeClient)
    client.removeClient();
  else
    client.setScript(script);
  FakeDialogs dialogs;
  bool splashDuringMessage = false;
  dialogs.onMessage = [&](const FakeDialogs::Message&) { splashDuringMessage = SplashVisible(); };

  QVERIFY(StartUp() == nullptr);

  QCOMPARE(dialogs.messages.size(), 1);
  const FakeDialogs::Message& m = dialogs.messages.first();
  QCOMPARE(m.text, text);
  QCOMPARE(m.caption, m_defaultTitle);  // the executable's name, not "Velmora"
  QVERIFY(m.caption != QStringLiteral("Velmora"));
  QCOMPARE(m.icon, MessageIcon::None);
  QVERIFY(!m.hadOwner);
  QVERIFY(splashDuringMessage);
  QCOMPARE(CountTopLevel<Tmain>(), 0);
  QCOMPARE(CountTopLevel<Tprogress>(), 0);
  QCOMPARE(CountTopLevel<Tabout>(), 0);
}

void tst_StartUp::passedCheckCreatesTheWindowsAndClosesTheSplash_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::newRow("banner in the first read") << QByteArray("eprint ffmpeg version 5.1.9\nhang\n");
  QTest::newRow("banner split over two reads")
      << QByteArray("print ffmpeg vers\ndrain\nprint ion 5.1\nexit 1\n");
}

void tst_StartUp::passedCheckCreatesTheWindowsAndClosesTheSplash() {
  QFETCH(QByteArray, script);
  ClientFixture client;
  client.setScript(script);
  FakeDialogs dialogs;

  std::unique_ptr<Forms> forms = StartUp();
  QVERIFY(forms != nullptr);
  QVERIFY(dialogs.messages.isEmpty());
  QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Velmora"));
  QCOMPARE(forms->main->windowTitle(), QStringLiteral("Velmora 0.6.6"));
  QCOMPARE(forms->main->centralWidget()->size(), QSize(1016, 524));
  QVERIFY(!forms->main->isVisible());
  QVERIFY(forms->progress != nullptr && !forms->progress->isVisible());
  QVERIFY(forms->about != nullptr && !forms->about->isVisible());
  QCOMPARE(CountTopLevel<Tflash>(), 0);
  QVERIFY(velmora::test::ChildProcesses().empty());  // the banner's client was ended
}

void tst_StartUp::mainWindowIsCreatedWhileTheSplashShows() {
  ClientFixture client;
  FakeDialogs dialogs;
  // The main window's creation handler runs inside the constructor; the
  // splash is closed only after the windows exist.
  bool splashWhenMainAppeared = false;
  QObject watcher;
  struct Filter : QObject {
    bool* seen;
    explicit Filter(bool* s) : seen(s) {}
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::ChildAdded || e->type() == QEvent::Polish) return false;
      if (qobject_cast<Tmain*>(o) != nullptr && !*seen) *seen = SplashVisible();
      return false;
    }
  } filter(&splashWhenMainAppeared);
  qApp->installEventFilter(&filter);
  std::unique_ptr<Forms> forms = StartUp();
  qApp->removeEventFilter(&filter);
  QVERIFY(forms != nullptr);
  QVERIFY(splashWhenMainAppeared);
}

void tst_StartUp::runEndsWithStatusZeroAfterAFailedCheck() {
  ClientFixture client;
  client.removeClient();
  FakeDialogs dialogs;
  QCOMPARE(RunVelmora(), 0);
  QCOMPARE(dialogs.messages.size(), 1);
}

void tst_StartUp::errorsEscapingAHandlerReachTheDefaultReport() {
  FakeDialogs dialogs;
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  Thrower thrower;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&thrower, &event);  // does not escape
  QCOMPARE(dialogs.messages.size(), 1);
  QCOMPARE(dialogs.messages.first().text,
           QStringLiteral("'N/A' is not a valid floating point value"));
  QCOMPARE(dialogs.messages.first().caption, QStringLiteral("Velmora"));
  QCOMPARE(dialogs.messages.first().icon, MessageIcon::Error);

  Guarded([] { throw std::runtime_error("from a slot"); });
  QCOMPARE(dialogs.messages.size(), 2);
  QCOMPARE(dialogs.messages.last().text, QStringLiteral("from a slot"));
}

int main(int argc, char** argv) {
  velmora::Application app(argc, argv);
  tst_StartUp test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
