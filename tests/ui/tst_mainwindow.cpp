// The main window: its layout, the load by dialog and by drop, the busy
// state, the menu, F1 and the about box.

#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>

#include "app/Application.h"
#include "support/MainFixture.h"
#include "support/WidgetChecks.h"
#include "ui/ImageView.h"
#include "ui/TrackSlider.h"

using namespace velmora;
using namespace velmora::test;
using velmora::test::MainFixture;
using velmora::test::PrintCommand;
using velmora::test::ProbeOutput;

namespace {

QByteArray FailingProbe() {
  return PrintCommand("/x/clip.mp4: Invalid data found when processing input\n") + "exit 1\n";
}

}  // namespace

class tst_MainWindow : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void controlsStandWhereTheyBelong_data();
  void controlsStandWhereTheyBelong();
  void windowFrameAndFonts();
  void menuCaptionsAndHiddenHelpItem();
  void optionsTabInTheirOrder();
  void positionSliderStartsAtItsDefaults();
  void openDialogOffersTheVideoTypes();
  void cancelledOpenDialogChangesNothing();
  void loadSizesTheSliderAndRendersOnce();
  void probeRetriedOnceWithoutAMessage();
  void probeFailingTwiceReportsTheSecondCode();
  void tinyDurationIsRefusedBySlider();
  void typeTest_data();
  void typeTest();
  void failedLoadAfterGoodOneForgetsTheFile();
  void unreadableDurationReachesTheDefaultReport();
  void longDurationIsHeldAtTheSliderEnd();
  void dropsLoadEachAcceptedFileInOrder();
  void dropOfOtherTypesIsSkippedSilently();
  void dropErrorEndsThatDrop();
  void dropsElsewhereAreNotAccepted();
  void f1OpensTheShippedHelpPage();
  void aboutBoxShowsNameYearAndCloses();
  void exitClosesTheWindow();
  void screenshot();
};

void tst_MainWindow::initTestCase() {
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
}

void tst_MainWindow::controlsStandWhereTheyBelong_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::newRow("load button") << "btn_load" << QRect(10, 7, 159, 35);
  QTest::newRow("probe output box, one pixel wide") << "edit1" << QRect(415, 2, 1, 21);
  QTest::newRow("panel") << "Panel1" << QRect(6, 52, 657, 463);
  QTest::newRow("preview inside the panel") << "ImageEnView1" << QRect(2, 3, 644, 418);
  QTest::newRow("position slider inside the panel") << "slider" << QRect(3, 424, 643, 30);
  QTest::newRow("options group") << "GroupBox1" << QRect(667, 50, 345, 346);
  QTest::newRow("clear button") << "btn_clear" << QRect(782, 435, 122, 42);
  QTest::newRow("contrast") << "ch_contrast" << QRect(73, 27, 262, 26);
  QTest::newRow("brightness") << "ch_brightness" << QRect(73, 65, 262, 26);
  QTest::newRow("saturation") << "ch_saturation" << QRect(73, 97, 262, 26);
  QTest::newRow("gamma") << "ch_gamma" << QRect(73, 133, 262, 26);
  QTest::newRow("red") << "ch_red" << QRect(73, 168, 262, 26);
  QTest::newRow("green") << "ch_green" << QRect(73, 204, 262, 26);
  QTest::newRow("blue") << "ch_blue" << QRect(73, 237, 262, 26);
  QTest::newRow("sharpen box") << "ck_sharpen" << QRect(124, 273, 107, 12);
  QTest::newRow("default button") << "Button2" << QRect(129, 303, 95, 31);
}

void tst_MainWindow::controlsStandWhereTheyBelong() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  MainFixture f;
  auto* w = f.main().findChild<QWidget*>(name);
  QVERIFY2(w != nullptr, qPrintable(name));
  QCOMPARE(w->geometry(), geometry);
}

void tst_MainWindow::windowFrameAndFonts() {
  MainFixture f;
  Tmain& m = f.main();
  QCOMPARE(m.windowTitle(), QStringLiteral("Velmora 0.6.6"));
  QCOMPARE(m.centralWidget()->size(), QSize(1016, 524));
  QVERIFY(!(m.windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(m.windowFlags() & Qt::WindowMinimizeButtonHint);
  QCOMPARE(m.minimumSize(), m.maximumSize());  // the user cannot resize it
  QCOMPARE(m.label_loadedfile->pos(), QPoint(177, 9));
  QVERIFY(m.label_loadedfile->wordWrap());
  QCOMPARE(m.btn_load->text(), QStringLiteral("Load Video File..."));
  QCOMPARE(m.btn_clear->text(), QStringLiteral("Clear"));
  QCOMPARE(m.btn_load->font().family(), QStringLiteral("Verdana"));
  QCOMPARE(m.btn_load->font().pointSize(), 8);
  QCOMPARE(m.GroupBox1->title(), QStringLiteral("Clearness Options"));
  QVERIFY(m.GroupBox1->font().bold());
  QCOMPARE(m.ck_sharpen->text(), QStringLiteral("Sharpen video"));
  QCOMPARE(m.ck_sharpen->font().pixelSize(), 11);
  QVERIFY(!m.ck_sharpen->font().bold());
  QCOMPARE(m.Button2->text(), QStringLiteral("Default Option"));
  const QStringList labels{"Contrast", "Brightness", "Saturation", "Gamma", "Red", "Green", "Blue"};
  for (QLabel* l : {m.Label2, m.Label3, m.Label4, m.Label5, m.Label6, m.Label7, m.Label8}) {
    QCOMPARE(l->x(), 8);
    QVERIFY(labels.contains(l->text()));
  }
  QVERIFY(m.label_loadedfile->text().isEmpty());
}

void tst_MainWindow::menuCaptionsAndHiddenHelpItem() {
  MainFixture f;
  Tmain& m = f.main();
  QCOMPARE(m.File1->title(), QStringLiteral(" File "));
  QCOMPARE(m.Help1->title(), QStringLiteral(" Help "));
  QStringList file;
  for (QAction* a : m.File1->actions()) file << (a->isSeparator() ? "-" : a->text());
  QCOMPARE(file, (QStringList{"Load Video File", "Clear Video", "-", "Exit"}));
  QStringList help;
  for (QAction* a : m.Help1->actions()) help << (a->isSeparator() ? "-" : a->text());
  QCOMPARE(help, (QStringList{"-", "-", "About"}));  // "Help Contents " is not listed
  QCOMPARE(m.HelpContents1->text(), QStringLiteral("Help Contents "));
  QCOMPARE(m.HelpContents1->shortcut(), QKeySequence(Qt::Key_F1));
}

void tst_MainWindow::optionsTabInTheirOrder() {
  MainFixture f;
  Tmain& m = f.main();
  f.main().show();
  QApplication::setActiveWindow(&m);
  QVERIFY(QTest::qWaitForWindowActive(&m));
  const QList<QWidget*> expected{m.ck_sharpen,    m.Button2,       m.ch_contrast,
                                 m.ch_brightness, m.ch_saturation, m.ch_gamma,
                                 m.ch_red,        m.ch_green,      m.ch_blue};
  m.ck_sharpen->setFocus();
  QList<QWidget*> seen{QApplication::focusWidget()};
  for (int i = 1; i < expected.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen << QApplication::focusWidget();
  }
  QCOMPARE(seen, expected);
}

void tst_MainWindow::positionSliderStartsAtItsDefaults() {
  MainFixture f;
  QCOMPARE(f.main().slider->minimum(), 0);
  QCOMPARE(f.main().slider->maximum(), 100);
  QCOMPARE(f.main().slider->value(), 0);
  QCOMPARE(f.main().ch_contrast->value(), 300);
  QCOMPARE(f.main().ch_gamma->minimum(), 10);
}

void tst_MainWindow::openDialogOffersTheVideoTypes() {
  MainFixture f;
  f.main().OpenDialog1.fileName = QStringLiteral("/old/choice.mp4");
  f.main().btn_load->click();
  QCOMPARE(f.dialogs.openDialogs.size(), 1);
  const FileDialogState& shown = f.dialogs.openDialogs.first();
  QCOMPARE(
      shown.filter,
      QStringLiteral("Video Files|*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;"
                     "*.VOB;*.ASF;*.TS;*.MTS;|"));
  QVERIFY(shown.fileName.isEmpty());
  // The menu item is the same command.
  f.main().Open1->trigger();
  QCOMPARE(f.dialogs.openDialogs.size(), 2);
}

void tst_MainWindow::cancelledOpenDialogChangesNothing() {
  MainFixture f;
  f.main().btn_load->click();  // the fake answers Cancel
  QVERIFY(f.client.runs().isEmpty());
  QVERIFY(f.dialogs.messages.isEmpty());
  QVERIFY(f.main().ffinfo.FileName.empty());
}

void tst_MainWindow::loadSizesTheSliderAndRendersOnce() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  f.client.setScript("--- run 1\n" + PrintCommand(ProbeOutput(clip, "00:01:02.03", 1280, 720)) +
                     "--- run 2\ncopy " + f.frameBitmap().toUtf8() + "\n");
  f.dialogs.openAnswers.enqueue(clip);
  f.main().btn_load->click();

  QVERIFY(f.dialogs.messages.isEmpty());
  QCOMPARE(QString::fromStdString(f.main().ffinfo.FileName), clip);
  QCOMPARE(f.main().label_loadedfile->text(), clip);
  QCOMPARE(f.main().slider->maximum(), 6203);
  QCOMPARE(f.main().slider->value(), 3101);
  const QList<QList<QByteArray>> runs = f.client.runs();
  QCOMPARE(runs.size(), 2);  // one probe, one render
  QCOMPARE(runs.at(0), (QList<QByteArray>{"-i", clip.toUtf8()}));
  QCOMPARE(f.wordAfter("-ss"), QByteArray("00:00:31.01"));
  QVERIFY(f.main().edit1->text().contains(QStringLiteral("Duration: 00:01:02.03")));
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
}

void tst_MainWindow::probeRetriedOnceWithoutAMessage() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  f.client.setScript("--- run 1\n" + FailingProbe() + "--- run 2\n" +
                     PrintCommand(ProbeOutput(clip, "00:00:10.00", 640, 480)) + "--- run 3\ncopy " +
                     f.frameBitmap().toUtf8() + "\n");
  f.main().loadvideofile(clip);
  QVERIFY(f.dialogs.messages.isEmpty());
  QCOMPARE(QString::fromStdString(f.main().ffinfo.FileName), clip);
  QCOMPARE(f.client.runs().size(), 3);
}

void tst_MainWindow::probeFailingTwiceReportsTheSecondCode() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  // The first run fails on its output, the second cannot even start.
  f.client.setScript("--- run 1\n" + FailingProbe());
  bool busyDuringMessage = false;
  f.dialogs.onMessage = [&](const test::FakeDialogs::Message&) {
    busyDuringMessage = !f.main().isEnabled() && f.main().cursor().shape() == Qt::BusyCursor;
  };
  // Remove the client once the first probe has run: from the pump inside it.
  QTimer::singleShot(0, [&] { f.client.removeClient(); });
  f.main().loadvideofile(clip);

  QCOMPARE(f.dialogs.messages.size(), 1);
  const test::FakeDialogs::Message& m = f.dialogs.messages.first();
  QCOMPARE(m.text, QStringLiteral("File load error! 012"));
  QCOMPARE(m.caption, QString());
  QCOMPARE(m.icon, MessageIcon::Error);
  QCOMPARE(m.owner.data(), &f.main());
  QVERIFY(busyDuringMessage);
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QVERIFY(f.main().ffinfo.FileName.empty());
  QVERIFY(f.main().label_loadedfile->text().isEmpty());
}

void tst_MainWindow::tinyDurationIsRefusedBySlider() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  f.loadWithFake(clip, "00:00:00.004");
  QCOMPARE(f.main().slider->minimum(), 0);
  QCOMPARE(f.main().slider->maximum(), 100);  // a maximum of 0 is refused
  QCOMPARE(f.main().slider->value(), 50);
  QCOMPARE(f.wordAfter("-ss"), QByteArray("00:00:00.50"));
}

void tst_MainWindow::typeTest_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("rendered");
  QTest::newRow("listed type") << "clip.mkv" << true;
  QTest::newRow("upper case") << "CLIP.MOV" << true;
  QTest::newRow("prefix of a listed type") << "clip.mp" << true;
  QTest::newRow("another prefix") << "clip.we" << true;
  QTest::newRow("not listed") << "song.mp3" << false;
  QTest::newRow("no extension") << "clip" << false;
}

void tst_MainWindow::typeTest() {
  QFETCH(QString, name);
  QFETCH(bool, rendered);
  MainFixture f;
  const QString clip = f.makeFile(name);
  f.loadWithFake(clip);
  // Loaded either way: the label shows it.
  QCOMPARE(f.main().label_loadedfile->text(), clip);
  QCOMPARE(f.client.runs().size(), rendered ? 2 : 1);
  QCOMPARE(f.main().slider->maximum(), rendered ? 8345 : 100);
}

void tst_MainWindow::failedLoadAfterGoodOneForgetsTheFile() {
  MainFixture f;
  const QString good = f.makeFile("good.mp4");
  f.loadWithFake(good);
  const QImage frame = f.main().ImageEnView1->image();
  QVERIFY(!frame.isNull());

  f.client.clearRuns();
  f.client.setScript(FailingProbe());
  f.main().loadvideofile(f.makeFile("bad.mp4"));
  QCOMPARE(f.dialogs.messages.last().text, QStringLiteral("File load error! No duration!"));
  QVERIFY(f.main().ffinfo.FileName.empty());
  QCOMPARE(f.main().label_loadedfile->text(), good);
  QCOMPARE(f.main().slider->maximum(), 8345);
  QCOMPARE(f.main().ImageEnView1->image(), frame);

  f.main().btn_clear->click();
  QCOMPARE(f.dialogs.messages.last().text, QStringLiteral("Please load file at first!"));
}

void tst_MainWindow::unreadableDurationReachesTheDefaultReport() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  bool enabledDuringReport = false;
  f.dialogs.onMessage = [&](const test::FakeDialogs::Message&) {
    enabledDuringReport = f.main().isEnabled();
  };
  f.client.setScript(PrintCommand(ProbeOutput(clip, "00:about:00", 1280, 720)));
  f.dialogs.openAnswers.enqueue(clip);
  f.main().btn_load->click();
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("'about' is not a valid floating point value"));
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Velmora"));
  QCOMPARE(f.dialogs.messages.first().icon, MessageIcon::Error);
  QVERIFY(enabledDuringReport);
  QCOMPARE(QString::fromStdString(f.main().ffinfo.FileName), clip);
  QCOMPARE(f.main().label_loadedfile->text(), clip);
  QCOMPARE(f.main().slider->maximum(), 100);
  QCOMPARE(f.client.runs().size(), 1);
}

void tst_MainWindow::longDurationIsHeldAtTheSliderEnd() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  f.loadWithFake(clip, "9999999:00:00.00");
  QCOMPARE(f.main().slider->maximum(), std::numeric_limits<int>::max());
  QCOMPARE(f.main().slider->value(), std::numeric_limits<int>::max() / 2);
}

void tst_MainWindow::dropsLoadEachAcceptedFileInOrder() {
  MainFixture f;
  const QString first = f.makeFile("first.mp4");
  const QString skipped = f.makeFile("notes.txt");
  const QString second = f.makeFile(QString(190, QLatin1Char('l')) + QStringLiteral(".mkv"));
  f.client.setScript("--- run 1\n" + PrintCommand(ProbeOutput(first, "00:00:10.00", 640, 480)) +
                     "--- run 2\ncopy " + f.frameBitmap().toUtf8() + "\n--- run 3\n" +
                     PrintCommand(ProbeOutput(second, "00:00:20.00", 640, 480)) +
                     "--- run 4\ncopy " + f.frameBitmap().toUtf8() + "\n");
  DropFiles(f.main().ImageEnView1, {first, skipped, second});

  const QList<QList<QByteArray>> runs = f.client.runs();
  QCOMPARE(runs.size(), 4);
  QCOMPARE(runs.at(0).last(), first.toUtf8());
  QCOMPARE(runs.at(2).last(), second.toUtf8());  // the full long path
  QCOMPARE(QString::fromStdString(f.main().ffinfo.FileName), second);
  QCOMPARE(f.main().slider->maximum(), 2000);
  QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_MainWindow::dropOfOtherTypesIsSkippedSilently() {
  MainFixture f;
  DropFiles(f.main().ImageEnView1, {f.makeFile("song.mp3"), f.makeFile("README")});
  QVERIFY(f.client.runs().isEmpty());
  QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_MainWindow::dropErrorEndsThatDrop() {
  MainFixture f;
  const QString first = f.makeFile("first.mp4");
  const QString second = f.makeFile("second.mp4");
  // The first file loads but its duration does not read: the drop ends there,
  // and the error is reported rather than swallowed.
  f.client.setScript(PrintCommand(ProbeOutput(first, "N/A:x", 640, 480)));
  DropFiles(f.main().ImageEnView1, {first, second});
  QCOMPARE(f.client.runs().size(), 1);
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Velmora"));
  QVERIFY(f.main().isEnabled());
}

void tst_MainWindow::dropsElsewhereAreNotAccepted() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  for (QWidget* w :
       {static_cast<QWidget*>(&f.main()), f.main().surface, static_cast<QWidget*>(f.main().Panel1),
        static_cast<QWidget*>(f.main().slider)})
    QVERIFY(!w->acceptDrops());
  QVERIFY(f.main().ImageEnView1->acceptDrops());
  DropFiles(f.main().GroupBox1, {clip});
  QVERIFY(f.client.runs().isEmpty());
}

void tst_MainWindow::f1OpensTheShippedHelpPage() {
  MainFixture f;
  f.main().show();
  QApplication::setActiveWindow(&f.main());
  QVERIFY(QTest::qWaitForWindowActive(&f.main()));
  QTest::keyClick(&f.main(), Qt::Key_F1);
  QCOMPARE(f.dialogs.openedUrls.size(), 1);
  const QUrl url = f.dialogs.openedUrls.first();
  QVERIFY(url.isLocalFile());
  QVERIFY2(QFile::exists(url.toLocalFile()), qPrintable(url.toString()));
  QFile page(url.toLocalFile());
  QVERIFY(page.open(QIODevice::ReadOnly));
  QVERIFY(page.readAll().contains("Velmora"));
}

void tst_MainWindow::aboutBoxShowsNameYearAndCloses() {
  MainFixture f;
  Tabout& about = f.about();
  QVERIFY(!about.isVisible());
  bool seen = false;
  QTimer::singleShot(0, [&] {
    seen = about.isVisible() && about.isModal();
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.ProductName->text(), QStringLiteral("Velmora"));
    QVERIFY(about.Copyright->text().contains(QString::number(QDate::currentDate().year())));
    QVERIFY(about.WebLink->text().contains(QStringLiteral("https://")));
    QVERIFY(about.SupportLink->text().contains(QStringLiteral("mailto:")));
    about.OKButton->click();
  });
  f.main().About1->trigger();
  QVERIFY(seen);
  QVERIFY(!about.isVisible());
  QCOMPARE(about.minimumSize(), about.maximumSize());
}

void tst_MainWindow::exitClosesTheWindow() {
  MainFixture f;
  f.main().show();
  QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
  f.main().Exit1->trigger();
  QVERIFY(!f.main().isVisible());
}

void tst_MainWindow::screenshot() {
  MainFixture f;
  const QString clip = f.makeFile("holiday at the sea.mp4");
  f.client.setScript("--- run 1\n" + PrintCommand(ProbeOutput(clip, "00:01:23.45", 1280, 720)) +
                     "--- run 2\ncopy " + f.frameBitmap(644, 362, QColor(70, 130, 180)).toUtf8() +
                     "\n");
  f.main().show();
  QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
  f.main().loadvideofile(clip);
  const QString path = test::TestOutputDir() + QStringLiteral("/main-window-loaded.png");
  QVERIFY(f.main().grab().save(path));
  qInfo("screenshot: %s", qPrintable(path));
}

int main(int argc, char** argv) {
  velmora::Application app(argc, argv);
  tst_MainWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
