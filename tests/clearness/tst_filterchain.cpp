// The filter text built from the clearness sliders, the preview's frame size
// and the preview's client words.

#include <QtTest>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdio>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "clearness/FilterChain.h"
#include "clearness/PreviewArguments.h"
#include "client/ArgumentList.h"
#include "client/ConversionError.h"
#include "client/TextUtil.h"
#include "support/CommaLocale.h"

using namespace velmora;
using velmora::test::CommaLocale;

namespace {

// One slider of the group: where its value goes in the text and how its
// position becomes hundredths.
struct Slider {
  const char* name;
  int ClearnessOptions::*position;
  int minimum;
  int maximum;
  int offset;
};

const Slider kSliders[] = {
    {"contrast", &ClearnessOptions::contrast, 0, 400, 200},
    {"brightness", &ClearnessOptions::brightness, 0, 200, 100},
    {"saturation", &ClearnessOptions::saturation, 0, 300, 0},
    {"gamma", &ClearnessOptions::gamma, 10, 1000, 0},
    {"gamma_r", &ClearnessOptions::red, 10, 1000, 0},
    {"gamma_g", &ClearnessOptions::green, 10, 1000, 0},
    {"gamma_b", &ClearnessOptions::blue, 10, 1000, 0},
};

// n hundredths written the client's way, from "d.dd" with the zeros dropped.
std::string ExpectedValue(int n) {
  const int magnitude = n < 0 ? -n : n;
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%02d", n < 0 ? "-" : "", magnitude / 100, magnitude % 100);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// The whole text with each slider's value placed by hand.
std::string ExpectedChain(const ClearnessOptions& o) {
  std::string text = " -vf eq=";
  const char* separator = "";
  for (const Slider& s : kSliders) {
    text += separator;
    text += s.name;
    text += '=';
    text += ExpectedValue(o.*s.position - s.offset);
    separator = ":";
  }
  if (o.sharpen) text += ",unsharp=5:5:1:5:5:0";
  return text;
}

const std::string kStartChain =
    " -vf eq=contrast=1:brightness=0:saturation=1:gamma=1:gamma_r=1:gamma_g=1:gamma_b=1";

QByteArray Bytes(const std::string& s) {
  return QByteArray::fromStdString(s);
}

}  // namespace

class tst_FilterChain : public QObject {
  Q_OBJECT

 private slots:
  void startValues();
  void sliderExamples_data();
  void sliderExamples();
  void everyPositionOfEverySlider();
  void commaLocaleStillWritesPoint();
  void hundredthsOfExtremeNumbers_data();
  void hundredthsOfExtremeNumbers();

  void frameHeight_data();
  void frameHeight();
  void frameHeightUnreadable_data();
  void frameHeightUnreadable();
  void frameHeightAbsurdSizes_data();
  void frameHeightAbsurdSizes();
  void previewWordsAndText_data();
  void previewWordsAndText();
};

void tst_FilterChain::startValues() {
  ClearnessOptions options;
  QCOMPARE(Bytes(BuildFilterChain(options)), Bytes(kStartChain));
  QCOMPARE(Bytes(" -vf " + FilterValue(options)), Bytes(kStartChain));

  // The suffix follows the last value directly, with no space.
  options.sharpen = true;
  QCOMPARE(Bytes(BuildFilterChain(options)), Bytes(kStartChain + ",unsharp=5:5:1:5:5:0"));
  QCOMPARE(Bytes(" -vf " + FilterValue(options)), Bytes(BuildFilterChain(options)));
}

void tst_FilterChain::sliderExamples_data() {
  QTest::addColumn<int>("slider");
  QTest::addColumn<int>("position");
  QTest::addColumn<QByteArray>("written");

  QTest::newRow("contrast lowest") << 0 << 0 << QByteArray("contrast=-2");
  QTest::newRow("contrast highest") << 0 << 400 << QByteArray("contrast=2");
  QTest::newRow("contrast five hundredths") << 0 << 205 << QByteArray("contrast=0.05");
  QTest::newRow("contrast just below zero") << 0 << 199 << QByteArray("contrast=-0.01");
  QTest::newRow("brightness lowest") << 1 << 0 << QByteArray("brightness=-1");
  QTest::newRow("brightness highest") << 1 << 200 << QByteArray("brightness=1");
  QTest::newRow("saturation lowest") << 2 << 0 << QByteArray("saturation=0");
  QTest::newRow("saturation highest") << 2 << 300 << QByteArray("saturation=3");
  QTest::newRow("gamma lowest") << 3 << 10 << QByteArray("gamma=0.1");
  QTest::newRow("red highest") << 4 << 1000 << QByteArray("gamma_r=10");
  QTest::newRow("green two decimals") << 5 << 155 << QByteArray("gamma_g=1.55");
  QTest::newRow("blue trailing zero dropped") << 6 << 110 << QByteArray("gamma_b=1.1");
}

void tst_FilterChain::sliderExamples() {
  QFETCH(int, slider);
  QFETCH(int, position);
  QFETCH(QByteArray, written);

  ClearnessOptions options;
  const Slider& s = kSliders[slider];
  options.*s.position = position;

  // Only this slider's value differs from the start text.
  // ("gamma=" is found before "gamma_r=" and its kin, which differ after "gamma".)
  std::string expected = kStartChain;
  const size_t from = expected.find(std::string(s.name) + "=");
  const size_t to = std::min(expected.find(':', from), expected.size());
  expected.replace(from, to - from, written.toStdString());
  QCOMPARE(Bytes(BuildFilterChain(options)), Bytes(expected));
}

void tst_FilterChain::everyPositionOfEverySlider() {
  // One slider moves through its range while the others rest at their start
  // values, with and without sharpening: a value in the wrong place, a wrong
  // offset or a badly written fraction all show.
  for (const bool sharpen : {false, true}) {
    for (const Slider& s : kSliders) {
      for (int position = s.minimum; position <= s.maximum; ++position) {
        ClearnessOptions options;
        options.sharpen = sharpen;
        options.*s.position = position;
        const std::string actual = BuildFilterChain(options);
        const std::string expected = ExpectedChain(options);
        if (actual != expected) {
          QFAIL(qPrintable(QString("%1 at %2: got '%3', expected '%4'")
                               .arg(s.name)
                               .arg(position)
                               .arg(QString::fromStdString(actual))
                               .arg(QString::fromStdString(expected))));
        }
      }
    }
  }

  // All seven away from their start values at once.
  ClearnessOptions all{7, 193, 299, 1000, 10, 505, 999, true};
  QCOMPARE(Bytes(BuildFilterChain(all)),
           Bytes(" -vf eq=contrast=-1.93:brightness=0.93:saturation=2.99:gamma=10:gamma_r=0.1:"
                 "gamma_g=5.05:gamma_b=9.99,unsharp=5:5:1:5:5:0"));
}

void tst_FilterChain::commaLocaleStillWritesPoint() {
  CommaLocale comma;
  QVERIFY2(comma.cSwitched(), "no de_DE.UTF-8 locale: scripts/setup-deps.sh generates it");
  QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
  QCOMPARE(QLocale().decimalPoint(), QString(","));
  std::ostringstream cpp;
  cpp << 0.05;
  QCOMPARE(cpp.str(), std::string("0,05"));

  ClearnessOptions options;
  options.contrast = 205;
  options.gamma = 155;
  const std::string text = BuildFilterChain(options);
  QVERIFY2(text.find("contrast=0.05:") != std::string::npos, text.c_str());
  QVERIFY2(text.find("gamma=1.55:") != std::string::npos, text.c_str());
  QVERIFY2(text.find(',') == std::string::npos, text.c_str());
}

void tst_FilterChain::hundredthsOfExtremeNumbers_data() {
  QTest::addColumn<qlonglong>("n");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("negative below one") << -5LL << QByteArray("-0.05");
  QTest::newRow("negative whole") << -100LL << QByteArray("-1");
  QTest::newRow("negative with both digits") << -101LL << QByteArray("-1.01");
  QTest::newRow("largest") << LLONG_MAX << QByteArray("92233720368547758.07");
  QTest::newRow("smallest has no positive twin")
      << LLONG_MIN << QByteArray("-92233720368547758.08");
}

void tst_FilterChain::hundredthsOfExtremeNumbers() {
  QFETCH(qlonglong, n);
  QFETCH(QByteArray, expected);
  QCOMPARE(Bytes(HundredthsText(n)), expected);
}

void tst_FilterChain::frameHeight_data() {
  QTest::addColumn<QByteArray>("width");
  QTest::addColumn<QByteArray>("height");
  QTest::addColumn<int>("viewWidth");
  QTest::addColumn<int>("expected");

  QTest::newRow("1920x1080: 362.25") << QByteArray("1920") << QByteArray("1080") << 644 << 362;
  QTest::newRow("1280x720: 362.25") << QByteArray("1280") << QByteArray("720") << 644 << 362;
  QTest::newRow("640x480 exact") << QByteArray("640") << QByteArray("480") << 644 << 483;
  QTest::newRow("720x576: 515.2") << QByteArray("720") << QByteArray("576") << 644 << 515;
  QTest::newRow("portrait 480x640: 858.67") << QByteArray("480") << QByteArray("640") << 644 << 859;
  QTest::newRow("half goes down to even") << QByteArray("8") << QByteArray("1") << 644 << 80;
  QTest::newRow("half goes up to even") << QByteArray("8") << QByteArray("3") << 644 << 242;
  QTest::newRow("half of an odd view width") << QByteArray("2") << QByteArray("1") << 5 << 2;
  QTest::newRow("texts with fraction and exponent")
      << QByteArray("1.92e3") << QByteArray("1080.0") << 644 << 362;
  QTest::newRow("spaces around texts") << QByteArray(" 1920 ") << QByteArray(" 1080") << 644 << 362;
  QTest::newRow("zero height") << QByteArray("1920") << QByteArray("0") << 644 << 0;
  QTest::newRow("largest that fits") << QByteArray("1") << QByteArray("2147483647") << 1 << INT_MAX;
}

void tst_FilterChain::frameHeight() {
  QFETCH(QByteArray, width);
  QFETCH(QByteArray, height);
  QFETCH(int, viewWidth);
  QFETCH(int, expected);
  QCOMPARE(PreviewFrameHeight(width.toStdString(), height.toStdString(), viewWidth), expected);
}

void tst_FilterChain::frameHeightUnreadable_data() {
  QTest::addColumn<QByteArray>("width");
  QTest::addColumn<QByteArray>("height");
  QTest::addColumn<QByteArray>("named");

  QTest::newRow("unreadable height")
      << QByteArray("1920") << QByteArray("1080p") << QByteArray("1080p");
  QTest::newRow("unreadable width")
      << QByteArray("1920px") << QByteArray("1080") << QByteArray("1920px");
  QTest::newRow("both unreadable: height is read first")
      << QByteArray("wide") << QByteArray("tall") << QByteArray("tall");
  QTest::newRow("no frame size: both empty") << QByteArray("") << QByteArray("") << QByteArray("");
  QTest::newRow("empty width") << QByteArray("") << QByteArray("1080") << QByteArray("");
  QTest::newRow("empty height") << QByteArray("1920") << QByteArray("") << QByteArray("");
  QTest::newRow("width zero") << QByteArray("0") << QByteArray("1080") << QByteArray("0");
  QTest::newRow("width zero with fraction")
      << QByteArray("0.0") << QByteArray("1080") << QByteArray("0.0");
  QTest::newRow("width negative zero")
      << QByteArray("-0") << QByteArray("1080") << QByteArray("-0");
  QTest::newRow("comma is no decimal point")
      << QByteArray("1920") << QByteArray("1080,5") << QByteArray("1080,5");
}

void tst_FilterChain::frameHeightUnreadable() {
  QFETCH(QByteArray, width);
  QFETCH(QByteArray, height);
  QFETCH(QByteArray, named);
  try {
    const int h = PreviewFrameHeight(width.toStdString(), height.toStdString(), 644);
    QFAIL(qPrintable(QString("gave %1").arg(h)));
  } catch (const ConversionError& e) {
    QCOMPARE(Bytes(e.text()), named);
  }
}

void tst_FilterChain::frameHeightAbsurdSizes_data() {
  QTest::addColumn<QByteArray>("width");
  QTest::addColumn<QByteArray>("height");

  QTest::newRow("just past the largest int") << QByteArray("1") << QByteArray("3335000");
  QTest::newRow("huge height") << QByteArray("1") << QByteArray("1e300");
  QTest::newRow("quotient overflows to infinity") << QByteArray("1e-300") << QByteArray("1e300");
  QTest::newRow("height too large to read") << QByteArray("1920") << QByteArray("1e400");
  QTest::newRow("negative width") << QByteArray("-1920") << QByteArray("1080");
  QTest::newRow("negative height") << QByteArray("1920") << QByteArray("-1080");
}

void tst_FilterChain::frameHeightAbsurdSizes() {
  // No size the probe could report may overflow the conversion to int;
  // what does not fit is an error like a text that does not read.
  QFETCH(QByteArray, width);
  QFETCH(QByteArray, height);
  QVERIFY_THROWS_EXCEPTION(ConversionError,
                           PreviewFrameHeight(width.toStdString(), height.toStdString(), 644));
}

void tst_FilterChain::previewWordsAndText_data() {
  QTest::addColumn<QByteArray>("position");
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<bool>("sharpen");

  QTest::newRow("start options") << QByteArray("00:00:41.72") << QByteArray("/videos/clip.mp4")
                                 << false;
  QTest::newRow("sharpening and a file name with spaces")
      << QByteArray("00:00:00.00") << QByteArray("/videos/my holiday.mkv") << true;
  QTest::newRow("file name that looks like an option and holds a quote")
      << QByteArray("100:00:00.00") << QByteArray("-y \"x.mp4") << false;
}

void tst_FilterChain::previewWordsAndText() {
  QFETCH(QByteArray, position);
  QFETCH(QByteArray, file);
  QFETCH(bool, sharpen);

  ClearnessOptions options;
  options.sharpen = sharpen;
  options.contrast = 205;
  const std::string preview = "/home/u/.cache/velmora/preview.bmp";
  const ArgumentList args =
      BuildPreviewArguments(position.toStdString(), file.toStdString(), 644, 362, options, preview);

  // Each file name is one word, byte for byte.
  const std::vector<std::string> expectedWords = {"-ss",
                                                  position.toStdString(),
                                                  "-i",
                                                  file.toStdString(),
                                                  "-y",
                                                  "-vframes",
                                                  "1",
                                                  "-s",
                                                  "644x362",
                                                  "-vf",
                                                  FilterValue(options),
                                                  preview};
  QCOMPARE(Words(args), expectedWords);

  // The one-line form, piece by piece: position before the input, the size,
  // the filter text right after it, the quoted preview path last.
  const std::string expectedText = " -ss " + position.toStdString() + " -i \"" +
                                   file.toStdString() + "\" -y -vframes 1 -s 644x362" +
                                   BuildFilterChain(options) + " \"" + preview + "\"";
  QCOMPARE(Bytes(ArgumentText(args)), Bytes(expectedText));
}

QTEST_GUILESS_MAIN(tst_FilterChain)
#include "tst_filterchain.moc"
