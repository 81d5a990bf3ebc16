#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

// Small checks the window tests share.
namespace velmora::test {

inline bool HasDefaultCursor(QWidget& w) {
  return w.cursor().shape() == Qt::ArrowCursor;
}

template <class T>
int CountTopLevel() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<T*>(w) != nullptr) ++n;
  return n;
}

// Drops `urls` on `target` as the desktop would.
inline void Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

inline void DropFiles(QWidget* target, const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  Drop(target, urls);
}

// The spread of a picture's grey levels: a blank picture has none.
inline double PictureVariance(const QImage& image) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  double sum = 0;
  double squares = 0;
  const double n = static_cast<double>(grey.width()) * grey.height();
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) {
      const double v = grey.constScanLine(y)[x];
      sum += v;
      squares += v * v;
    }
  return squares / n - (sum / n) * (sum / n);
}

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace velmora::test
