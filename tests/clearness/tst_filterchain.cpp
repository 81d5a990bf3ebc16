#include <QtTest>

class tst_FilterChain : public QObject {
  Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_FilterChain)
#include "tst_filterchain.moc"
