#include <QtTest>

class tst_ConversionLogic : public QObject {
  Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_ConversionLogic)
#include "tst_conversionlogic.moc"
