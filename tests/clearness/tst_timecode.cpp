// Time codes: reading the client's hh:mm:ss texts and writing slider
// positions back as HH:MM:SS.ss, in any locale.

#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

#include "clearness/TimeCode.h"
#include "client/ConversionError.h"
#include "support/CommaLocale.h"

using namespace velmora;
using velmora::test::CommaLocale;

namespace {

// h:mm:ss.cc of n hundredths, by whole-number arithmetic only.
std::string ExpectedTimeCode(long long n) {
  char text[64];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", n / 360000, n / 6000 % 60,
                n / 100 % 60, n % 100);
  return text;
}

// Empty when n hundredths format as expected, else what went wrong.
QString FormatMismatch(long long n) {
  const std::string actual = FormatTimeCode(static_cast<double>(n) / 100.0);
  if (actual == ExpectedTimeCode(n)) return {};
  return QString("n = %1: got %2, expected %3")
      .arg(n)
      .arg(QString::fromStdString(actual))
      .arg(QString::fromStdString(ExpectedTimeCode(n)));
}

QByteArray Exact(double v) {
  return QByteArray::number(v, 'g', 17);
}

}  // namespace

class tst_TimeCode : public QObject {
  Q_OBJECT

 private slots:
  void parseReads_data();
  void parseReads();
  void parseFailsNamingTheField_data();
  void parseFailsNamingTheField();
  void formatWorkedValues_data();
  void formatWorkedValues();
  void formatEveryHundredthUpToTenHours();
  void formatLargePositions();
  void formatAbsurdSecondsStaysDefined();
  void commaLocaleChangesNothing();
};

void tst_TimeCode::parseReads_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<double>("expected");

  // The sum is hours term, then minutes term, then seconds: the expected
  // values are built in that same order so they compare exactly.
  QTest::newRow("duration line") << QByteArray("00:01:23.45") << 0.0 * 60 * 60 + 1.0 * 60 + 23.45;
  QTest::newRow("whole seconds") << QByteArray("01:02:03") << 3723.0;
  QTest::newRow("single digit fields") << QByteArray("1:2:3.5") << 3723.5;
  QTest::newRow("minutes over 59 are counted") << QByteArray("00:90:00") << 5400.0;
  QTest::newRow("seconds over 59 are counted") << QByteArray("0:0:4000.25") << 4000.25;
  QTest::newRow("hours without a limit") << QByteArray("1000000:00:00") << 3.6e9;
  QTest::newRow("leading zeros") << QByteArray("0001:002:0003") << 3723.0;
  QTest::newRow("fractions in every field") << QByteArray("0.5:0.5:0.5") << 1800.0 + 30.0 + 0.5;
  QTest::newRow("signs on fields") << QByteArray("-1:+2:-3") << -3600.0 + 120.0 - 3.0;
  QTest::newRow("point without digits before") << QByteArray("0:0:.5") << 0.5;
  QTest::newRow("point without digits after") << QByteArray("0:0:5.") << 5.0;
  QTest::newRow("lone point is a number") << QByteArray("0:0:.") << 0.0;
  QTest::newRow("exponent") << QByteArray("1e0:1E1:2.5e-1") << 3600.0 + 600.0 + 0.25;
  QTest::newRow("exponent with plus") << QByteArray("0:0:1e+2") << 100.0;
  QTest::newRow("exponent after bare point") << QByteArray("0:0:5.e1") << 50.0;
  // Added the other way round, the seconds would vanish in the huge terms.
  QTest::newRow("hours term, then minutes, then seconds") << QByteArray("1e17:-6e18:1") << 1.0;
  QTest::newRow("more digits than a double holds")
      << QByteArray("0:0:1.000000000000000000000000001") << 1.0;
  QTest::newRow("spaces around fields") << QByteArray("  1 :  2: 3.5  ") << 3723.5;
}

void tst_TimeCode::parseReads() {
  QFETCH(QByteArray, text);
  QFETCH(double, expected);
  const double actual = ParseTimeCode(text.toStdString());
  QVERIFY2(actual == expected, Exact(actual) + " != " + Exact(expected));
}

void tst_TimeCode::parseFailsNamingTheField_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QByteArray>("field");

  QTest::newRow("no colon: hours field empty") << QByteArray("83.45") << QByteArray("");
  QTest::newRow("one colon: minutes field empty") << QByteArray("12:34") << QByteArray("");
  QTest::newRow("third colon stays in seconds") << QByteArray("1:2:3:4") << QByteArray("3:4");
  QTest::newRow("N/A has no colon") << QByteArray("N/A") << QByteArray("");
  QTest::newRow("empty text") << QByteArray("") << QByteArray("");
  QTest::newRow("empty seconds") << QByteArray("1:2:") << QByteArray("");
  QTest::newRow("blank field keeps its spaces") << QByteArray("1:  :3") << QByteArray("  ");
  QTest::newRow("hours read first") << QByteArray("x:y:z") << QByteArray("x");
  QTest::newRow("minutes before seconds") << QByteArray("1:y:z") << QByteArray("y");
  QTest::newRow("comma is no decimal point") << QByteArray("00:01:23,45") << QByteArray("23,45");
  QTest::newRow("two points") << QByteArray("0:0:1.2.3") << QByteArray("1.2.3");
  QTest::newRow("sign alone") << QByteArray("0:+:0") << QByteArray("+");
  QTest::newRow("two signs") << QByteArray("0:0:--1") << QByteArray("--1");
  QTest::newRow("space after sign") << QByteArray("0:- 5:0") << QByteArray("- 5");
  QTest::newRow("space inside digits") << QByteArray("0:1 2:0") << QByteArray("1 2");
  QTest::newRow("exponent without digits") << QByteArray("0:0:1e") << QByteArray("1e");
  QTest::newRow("exponent sign without digits") << QByteArray("0:0:1e+") << QByteArray("1e+");
  QTest::newRow("exponent with fraction") << QByteArray("0:0:1e2.5") << QByteArray("1e2.5");
  QTest::newRow("exponent without mantissa") << QByteArray("0:0:e5") << QByteArray("e5");
  QTest::newRow("unit after number") << QByteArray("0:0:5s") << QByteArray("5s");
  QTest::newRow("hex is not decimal") << QByteArray("0:0:0x10") << QByteArray("0x10");
  QTest::newRow("inf is not a number here") << QByteArray("0:0:inf") << QByteArray("inf");
  QTest::newRow("nan is not a number here") << QByteArray("0:nan:0") << QByteArray("nan");
  QTest::newRow("N/A inside three fields") << QByteArray("N/A:00:00") << QByteArray("N/A");
}

void tst_TimeCode::parseFailsNamingTheField() {
  QFETCH(QByteArray, text);
  QFETCH(QByteArray, field);
  try {
    const double value = ParseTimeCode(text.toStdString());
    QFAIL("read as " + Exact(value));
  } catch (const ConversionError& e) {
    QCOMPARE(QByteArray::fromStdString(e.text()), field);
    QVERIFY2(std::string(e.what()).find("'" + field.toStdString() + "'") != std::string::npos,
             e.what());
  }
}

void tst_TimeCode::formatWorkedValues_data() {
  QTest::addColumn<double>("seconds");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("zero") << 0.0 << QByteArray("00:00:00.00");
  QTest::newRow("below a tenth") << 0.05 << QByteArray("00:00:00.05");
  QTest::newRow("one fraction digit padded") << 5.5 << QByteArray("00:00:05.50");
  QTest::newRow("middle of 83.45 s") << 41.72 << QByteArray("00:00:41.72");
  QTest::newRow("minutes carried") << 83.45 << QByteArray("00:01:23.45");
  QTest::newRow("whole minutes") << 600.0 << QByteArray("00:10:00.00");
  QTest::newRow("hundredth before an hour") << 3599.99 << QByteArray("00:59:59.99");
  QTest::newRow("hour, minutes, half second") << 3725.5 << QByteArray("01:02:05.50");
  QTest::newRow("ten hours") << 36000.0 << QByteArray("10:00:00.00");
  QTest::newRow("hundred hours, three digits") << 360000.0 << QByteArray("100:00:00.00");
  QTest::newRow("34 h 17 min 36.78 s") << 123456.78 << QByteArray("34:17:36.78");
}

void tst_TimeCode::formatWorkedValues() {
  QFETCH(double, seconds);
  QFETCH(QByteArray, expected);
  QCOMPARE(QByteArray::fromStdString(FormatTimeCode(seconds)), expected);
}

void tst_TimeCode::formatEveryHundredthUpToTenHours() {
  // The slider counts hundredths and the program divides by 100.0; every one
  // of them must come out exact, with no rounding artefact anywhere.
  constexpr long long kLast = 10LL * 60 * 60 * 100;
  for (long long n = 0; n <= kLast; ++n) {
    if (const QString wrong = FormatMismatch(n); !wrong.isEmpty()) QFAIL(qPrintable(wrong));
  }
}

void tst_TimeCode::formatLargePositions() {
  constexpr long long kSliderMax = std::numeric_limits<int>::max();
  QCOMPARE(FormatTimeCode(360000.0), std::string("100:00:00.00"));
  QCOMPARE(FormatTimeCode(359999999 / 100.0), std::string("999:59:59.99"));
  QCOMPARE(FormatTimeCode(kSliderMax / 100.0), std::string("5965:13:56.47"));
  QCOMPARE(FormatTimeCode(1e10), std::string("2777777:46:40.00"));

  // Around the hour counts where the hours text grows a digit, and a spread of
  // positions up to the largest the slider can hold.
  std::vector<long long> positions;
  for (long long hours : {99LL, 100LL, 999LL, 1000LL, 5965LL}) {
    for (long long d = -6001; d <= 6001; ++d) positions.push_back(hours * 360000 + d);
  }
  for (long long n = 3600000; n <= kSliderMax; n += 4099) positions.push_back(n);
  for (long long n = kSliderMax - 20000; n <= kSliderMax; ++n) positions.push_back(n);

  for (long long n : positions) {
    if (n > kSliderMax) continue;
    if (const QString wrong = FormatMismatch(n); !wrong.isEmpty()) QFAIL(qPrintable(wrong));
  }
}

void tst_TimeCode::formatAbsurdSecondsStaysDefined() {
  // Far beyond any slider: the text is of no use, but no conversion to a whole
  // number may overflow (the sanitizer build turns that into a failure).
  for (double seconds :
       {1e12, 1e19, 1e300, std::numeric_limits<double>::max(),
        std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    const std::string text = FormatTimeCode(seconds);
    QVERIFY2(text.find(':') != std::string::npos, text.c_str());
  }
}

void tst_TimeCode::commaLocaleChangesNothing() {
  CommaLocale comma;
  QVERIFY2(comma.cSwitched(), "no de_DE.UTF-8 locale: scripts/setup-deps.sh generates it");
  QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
  QCOMPARE(QLocale().decimalPoint(), QString(","));
  std::ostringstream cpp;
  cpp << 1.5;
  QCOMPARE(cpp.str(), std::string("1,5"));

  const double read = ParseTimeCode("00:01:23.45");
  QVERIFY2(read == 60.0 + 23.45, Exact(read));
  // Long mantissas take the C library's slower path.
  QCOMPARE(ParseTimeCode("0:0:2.500000000000000000000000001"), 2.5);
  QCOMPARE(QByteArray::fromStdString(FormatTimeCode(5.5)), QByteArray("00:00:05.50"));
  QCOMPARE(QByteArray::fromStdString(FormatTimeCode(83.45)), QByteArray("00:01:23.45"));
  QVERIFY_THROWS_EXCEPTION(ConversionError, ParseTimeCode("00:01:23,45"));
}

QTEST_GUILESS_MAIN(tst_TimeCode)
#include "tst_timecode.moc"
