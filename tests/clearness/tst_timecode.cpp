#include <QtTest>

class tst_TimeCode : public QObject {
  Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_TimeCode)
#include "tst_timecode.moc"
