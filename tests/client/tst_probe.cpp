#include <QtTest>

class tst_Probe : public QObject {
  Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_Probe)
#include "tst_probe.moc"
