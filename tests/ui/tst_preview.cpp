// The preview: what sliderChanged asks of the client, the busy state, the
// failures, and real frames rendered by ffmpeg.

#include <QtTest>

#include <QCheckBox>
#include <QPushButton>

#include "app/Application.h"
#include "support/MainFixture.h"
#include "support/MediaClips.h"
#include "support/WidgetChecks.h"
#include "ui/ImageView.h"
#include "ui/TrackSlider.h"

using namespace velmora;
using namespace velmora::test;
using velmora::test::MainFixture;
using velmora::test::PrintCommand;
using velmora::test::ProbeOutput;

namespace {

const QByteArray kStartFilter =
    "eq=contrast=1:brightness=0:saturation=1:gamma=1:gamma_r=1:gamma_g=1:gamma_b=1";

// The user finishes a change of `slider` with a key.
void FinishWithKey(TrackSlider* slider, Qt::Key key) {
  QTest::keyClick(slider, key);
}

double MeanOf(const QImage& image) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  double sum = 0;
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) sum += grey.constScanLine(y)[x];
  return sum / (static_cast<double>(grey.width()) * grey.height());
}

}  // namespace

class tst_Preview : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void loadRendersAtTheMiddleAndTheSliderMovesIt();
  void argumentsFollowTheOptionsInOrder();
  void sharpenRendersAgainWithUnsharp();
  void frameSizeFollowsTheVideo_data();
  void frameSizeFollowsTheVideo();
  void portraitFrameIsShownWhole();
  void busyWhileRenderingIdleAfter();
  void windowStaysOpenWhileTheClientRuns();
  void missingClientReportsPreviewError();
  void noNewFrameFailsAndKeepsThePicture();
  void noFrameSizeReachesTheDefaultReport();
  void nothingHappensWithoutAFile();
  void defaultOptionRendersOnceOrTwice();
  void sliderSignalsOnlyWhenTheUserFinishes();
  void twoRunningCopiesUseTwoPreviewFiles();
  void realClientRendersAFrame();

 private:
  QTemporaryDir m_clips;
  QString m_clip;
};

void tst_Preview::initTestCase() {
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  m_clip = m_clips.path() + QStringLiteral("/clip.mp4");
  QVERIFY(test::MakeStandardClip(m_clip, 2.0));
}

void tst_Preview::loadRendersAtTheMiddleAndTheSliderMovesIt() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"), "00:01:23.45");
  QCOMPARE(f.main().slider->value(), 4172);
  QCOMPARE(f.wordAfter("-ss"), QByteArray("00:00:41.72"));

  FinishWithKey(f.main().slider, Qt::Key_Home);
  QCOMPARE(f.main().slider->value(), 0);
  QCOMPARE(f.wordAfter("-ss"), QByteArray("00:00:00.00"));
  FinishWithKey(f.main().slider, Qt::Key_Right);
  QCOMPARE(f.wordAfter("-ss"), QByteArray("00:00:00.01"));
  FinishWithKey(f.main().slider, Qt::Key_End);
  QCOMPARE(f.wordAfter("-ss"), QByteArray("00:01:23.45"));
  QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_Preview::argumentsFollowTheOptionsInOrder() {
  MainFixture f;
  const QString clip = f.makeFile("my \"clip\".mp4");
  f.loadWithFake(clip, "00:01:23.45");
  const QList<QByteArray> words = f.lastWords();
  const QString preview = QString::fromStdString(f.main().previewFile.path());
  QCOMPARE(words, (QList<QByteArray>{"-ss", "00:00:41.72", "-i", clip.toUtf8(), "-y", "-vframes",
                                     "1", "-s", "644x362", "-vf", kStartFilter, preview.toUtf8()}));
  QVERIFY(preview.endsWith(QStringLiteral(".bmp")));

  // Brightness raised by the user: the new value sits in the same place.
  f.main().ch_brightness->setFocus();
  FinishWithKey(f.main().ch_brightness, Qt::Key_End);
  QCOMPARE(
      f.wordAfter("-vf"),
      QByteArray("eq=contrast=1:brightness=1:saturation=1:gamma=1:gamma_r=1:gamma_g=1:gamma_b=1"));
  FinishWithKey(f.main().ch_gamma, Qt::Key_Home);
  QVERIFY(f.wordAfter("-vf").contains(":gamma=0.1:"));
}

void tst_Preview::sharpenRendersAgainWithUnsharp() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  const int before = f.client.runs().size();
  QTest::mouseClick(f.main().ck_sharpen, Qt::LeftButton, {}, QPoint(4, 6));
  QVERIFY(f.main().ck_sharpen->isChecked());
  QCOMPARE(f.client.runs().size(), before + 1);
  QCOMPARE(f.wordAfter("-vf"), kStartFilter + ",unsharp=5:5:1:5:5:0");
}

void tst_Preview::frameSizeFollowsTheVideo_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<QByteArray>("size");
  QTest::newRow("full HD") << 1920 << 1080 << QByteArray("644x362");
  QTest::newRow("HD") << 1280 << 720 << QByteArray("644x362");
  QTest::newRow("VGA") << 640 << 480 << QByteArray("644x483");
  QTest::newRow("PAL, 515.2 rounded") << 720 << 576 << QByteArray("644x515");
  QTest::newRow("portrait") << 480 << 640 << QByteArray("644x859");
}

void tst_Preview::frameSizeFollowsTheVideo() {
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(QByteArray, size);
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"), "00:00:10.00", width, height);
  QCOMPARE(f.wordAfter("-s"), size);
}

void tst_Preview::portraitFrameIsShownWhole() {
  MainFixture f;
  const QString clip = f.makeFile("portrait.mkv");
  f.client.setScript("--- run 1\n" + PrintCommand(ProbeOutput(clip, "00:00:10.00", 480, 640)) +
                     "--- run 2\ncopy " + f.frameBitmap(644, 859).toUtf8() + "\n");
  f.main().loadvideofile(clip);
  ImageView* view = f.main().ImageEnView1;
  QCOMPARE(view->image().size(), QSize(644, 859));
  const QRect shown = view->pictureRect();
  QVERIFY(view->rect().contains(shown));
  QCOMPARE(shown.height(), 418);
  QCOMPARE(shown.width(), qRound(644.0 * 418 / 859));
}

void tst_Preview::busyWhileRenderingIdleAfter() {
  MainFixture f;
  const QString clip = f.makeFile("clip.mp4");
  f.loadWithFake(clip);
  f.client.setScript("sleep 100\ncopy " + f.frameBitmap().toUtf8() + "\n");
  bool sawBusy = false;
  QTimer probe;
  connect(&probe, &QTimer::timeout, [&] {
    if (!f.main().isEnabled() && f.main().cursor().shape() == Qt::WaitCursor) sawBusy = true;
  });
  probe.start(5);
  f.main().sliderChanged(nullptr);
  QVERIFY(sawBusy);
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
}

void tst_Preview::windowStaysOpenWhileTheClientRuns() {
  MainFixture f;
  f.main().show();
  QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
  f.loadWithFake(f.makeFile("clip.mp4"));
  f.client.setScript("sleep 200\ncopy " + f.frameBitmap().toUtf8() + "\n");
  // A close request that arrives through the pump while the render runs.
  QTimer::singleShot(20, &f.main(), [&] { f.main().close(); });
  f.main().sliderChanged(nullptr);
  QVERIFY(f.main().isVisible());
  QVERIFY(f.dialogs.messages.isEmpty());
  f.main().close();  // idle again: it closes
  QVERIFY(!f.main().isVisible());
}

void tst_Preview::missingClientReportsPreviewError() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  const QImage before = f.main().ImageEnView1->image();
  f.client.removeClient();
  bool busyDuringMessage = false;
  f.dialogs.onMessage = [&](const test::FakeDialogs::Message&) {
    busyDuringMessage = !f.main().isEnabled() && f.main().cursor().shape() == Qt::WaitCursor;
  };
  FinishWithKey(f.main().slider, Qt::Key_Left);
  QCOMPARE(f.dialogs.messages.size(), 1);
  const test::FakeDialogs::Message& m = f.dialogs.messages.first();
  QCOMPARE(m.text, QStringLiteral("Preview error! 022"));
  QCOMPARE(m.caption, QString());
  QCOMPARE(m.icon, MessageIcon::Error);
  QCOMPARE(m.owner.data(), &f.main());
  QVERIFY(busyDuringMessage);
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
  QCOMPARE(f.main().ImageEnView1->image(), before);
}

void tst_Preview::noNewFrameFailsAndKeepsThePicture() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  const QImage before = f.main().ImageEnView1->image();
  QVERIFY(!before.isNull());
  // A client that writes nothing: the old picture must not come back as new.
  f.client.setScript(
      "print frame=    0 fps=0.0 q=0.0 Lsize=N/A time=00:00:00.00 bitrate=N/A speed=   0x    \\r\n"
      "print Output file is empty, nothing was encoded\\n\\n\nexit 0\n");
  FinishWithKey(f.main().slider, Qt::Key_Right);
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().text,
           QStringLiteral("Preview error! Output file is empty, nothing was encoded"));
  QCOMPARE(f.main().ImageEnView1->image(), before);
  QVERIFY(f.main().isEnabled());
}

void tst_Preview::noFrameSizeReachesTheDefaultReport() {
  MainFixture f;
  const QString clip = f.makeFile("music.mp4");
  // An audio-only file: a duration but no frame size.
  f.client.setScript(PrintCommand(
      "Input #0, mov,mp4, from 'music.mp4':\n  Duration: 00:00:05.00, start: 0.000000, bitrate: 70 "
      "kb/s\n  Stream #0:0[0x1](und): Audio: aac (LC), 44100 Hz, mono, fltp, 69 kb/s\n"));
  f.dialogs.openAnswers.enqueue(clip);
  f.main().btn_load->click();
  QCOMPARE(f.client.runs().size(), 1);  // no render was started
  QCOMPARE(f.dialogs.messages.size(), 1);
  QCOMPARE(f.dialogs.messages.first().caption, QStringLiteral("Velmora"));
  QVERIFY(!f.dialogs.messages.first().text.startsWith(QStringLiteral("Preview error!")));
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));

  // A later slider change does the same, still without a client run.
  FinishWithKey(f.main().slider, Qt::Key_Right);
  QCOMPARE(f.client.runs().size(), 1);
  QCOMPARE(f.dialogs.messages.size(), 2);
  QVERIFY(f.main().isEnabled());
}

void tst_Preview::nothingHappensWithoutAFile() {
  MainFixture f;
  FinishWithKey(f.main().slider, Qt::Key_End);
  for (TrackSlider* s : {f.main().ch_contrast, f.main().ch_brightness, f.main().ch_saturation,
                         f.main().ch_gamma, f.main().ch_red, f.main().ch_green, f.main().ch_blue})
    FinishWithKey(s, Qt::Key_Left);
  f.main().ck_sharpen->click();
  f.main().Button2->click();
  QVERIFY(f.client.runs().isEmpty());
  QVERIFY(f.dialogs.messages.isEmpty());
  QVERIFY(f.main().isEnabled());
  QVERIFY(HasDefaultCursor(f.main()));
}

void tst_Preview::defaultOptionRendersOnceOrTwice() {
  MainFixture f;
  f.loadWithFake(f.makeFile("clip.mp4"));
  FinishWithKey(f.main().ch_contrast, Qt::Key_Home);
  FinishWithKey(f.main().ch_blue, Qt::Key_End);
  f.client.clearRuns();
  f.main().Button2->click();
  QCOMPARE(f.client.runs().size(), 1);
  QCOMPARE(f.wordAfter("-vf"), kStartFilter);
  QCOMPARE(f.main().ch_contrast->value(), 300);
  QCOMPARE(f.main().ch_blue->value(), 100);

  f.main().ck_sharpen->click();
  f.client.clearRuns();
  f.main().Button2->click();
  const QList<QList<QByteArray>> runs = f.client.runs();
  QCOMPARE(runs.size(), 2);
  for (const QList<QByteArray>& words : runs)
    QCOMPARE(words.at(words.indexOf("-vf") + 1), kStartFilter);
  QVERIFY(!f.main().ck_sharpen->isChecked());
}

void tst_Preview::sliderSignalsOnlyWhenTheUserFinishes() {
  TrackSlider s;
  s.resize(200, 30);
  QVERIFY(s.setBounds(10, 1000));
  QVERIFY(!s.setBounds(5, 5));  // refused: the range stays
  QVERIFY(!s.setMax(10));
  QCOMPARE(s.maximum(), 1000);
  QSignalSpy changed(&s, &TrackSlider::changed);
  s.setPosition(5000);
  QCOMPARE(s.value(), 1000);  // held within the range
  s.setPosition(-3);
  QCOMPARE(s.value(), 10);
  QCOMPARE(changed.count(), 0);

  QTest::keyClick(&s, Qt::Key_Right);
  QCOMPARE(s.value(), 11);
  QTest::keyClick(&s, Qt::Key_Up);  // moves nothing, finishes nothing
  QTest::keyClick(&s, Qt::Key_PageUp);
  QCOMPARE(s.value(), 11);
  QTest::keyClick(&s, Qt::Key_End);
  QCOMPARE(changed.count(), 2);

  // A plain click on the thumb, and a drag, each finish once on release.
  s.show();
  QVERIFY(QTest::qWaitForWindowExposed(&s));
  QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(100, 15));
  QCOMPARE(changed.count(), 3);
  QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(100, 15));
  QTest::mouseMove(&s, QPoint(120, 15));
  QTest::mouseMove(&s, QPoint(150, 15));
  QCOMPARE(changed.count(), 3);
  QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(150, 15));
  QCOMPARE(changed.count(), 4);
}

void tst_Preview::twoRunningCopiesUseTwoPreviewFiles() {
  QTemporaryDir dir;
  PreviewFile first(dir.path().toStdString());
  PreviewFile second(dir.path().toStdString());
  QCOMPARE(QString::fromStdString(first.path()), dir.path() + QStringLiteral("/preview.bmp"));
  QCOMPARE(QString::fromStdString(second.path()), dir.path() + QStringLiteral("/preview-2.bmp"));

  // A folder that takes no files sends the picture to the cache folder.
  QTemporaryDir cache;
  PreviewFile fallback("/proc/no-such-folder",
                       (cache.path() + QStringLiteral("/velmora")).toStdString());
  QCOMPARE(QString::fromStdString(fallback.path()),
           cache.path() + QStringLiteral("/velmora/preview.bmp"));

  // Emptied before a render, so an unchanged file is not mistaken for a frame.
  QFile f(QString::fromStdString(first.path()));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("BM....");
  f.close();
  QVERIFY(first.hasNewFrame());
  first.prepare();
  QVERIFY(!first.hasNewFrame());
}

void tst_Preview::realClientRendersAFrame() {
  MainFixture f;
  f.client.useRealClient();
  f.main().show();
  QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
  f.main().loadvideofile(m_clip);
  QVERIFY2(f.dialogs.messages.isEmpty(),
           qPrintable(f.dialogs.messages.isEmpty() ? QString() : f.dialogs.messages.first().text));
  const QImage frame = f.main().ImageEnView1->image();
  QCOMPARE(frame.size(), QSize(644, 483));  // 160x120 at the view's width
  QVERIFY(PictureVariance(frame) > 100);    // a test pattern, not a blank
  const double plainMean = MeanOf(frame);
  QVERIFY(
      f.main().grab().save(test::TestOutputDir() + QStringLiteral("/main-window-real-frame.png")));

  f.main().ch_brightness->setFocus();
  FinishWithKey(f.main().ch_brightness, Qt::Key_End);
  QVERIFY(f.dialogs.messages.isEmpty());
  QVERIFY(MeanOf(f.main().ImageEnView1->image()) > plainMean + 20);

  // At the very end there is no frame to take: an error, not the old frame.
  const QImage bright = f.main().ImageEnView1->image();
  FinishWithKey(f.main().slider, Qt::Key_End);
  QCOMPARE(f.dialogs.messages.size(), 1);
  QVERIFY(f.dialogs.messages.first().text.startsWith(QStringLiteral("Preview error! ")));
  QVERIFY(f.dialogs.messages.first().text.size() > QStringLiteral("Preview error! ").size());
  QCOMPARE(f.main().ImageEnView1->image(), bright);
  QVERIFY(f.main().isEnabled());
}

int main(int argc, char** argv) {
  velmora::Application app(argc, argv);
  tst_Preview test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_preview.moc"
