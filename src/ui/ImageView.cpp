#include "ImageView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <stdexcept>

namespace velmora {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::ArrowCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageView::loadFromFile(const QString& path) {
  QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
  reader.setDecideFormatFromContent(false);
  QImage image = reader.read();
  if (image.isNull())
    throw std::runtime_error(QStringLiteral("Cannot read the picture %1: %2")
                                 .arg(path, reader.errorString())
                                 .toStdString());
  m_image = std::move(image);
  update();
}

QRect ImageView::pictureRect() const {
  if (m_image.isNull()) return {};
  QSize size = m_image.size();
  size.scale(this->size(), Qt::KeepAspectRatio);
  const QPoint topLeft((width() - size.width()) / 2, (height() - size.height()) / 2);
  return QRect(topLeft, size);
}

void ImageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Dark));
  if (m_image.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(pictureRect(), m_image);
}

void ImageView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ImageView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ImageView::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  if (!paths.isEmpty()) emit filesDropped(paths);
}

void ImageView::mousePressEvent(QMouseEvent*) {
  emit pressed();
}

}  // namespace velmora
