#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

namespace velmora {

// Shows one picture scaled to fit, keeping its aspect ratio, centred. Files
// dropped on it (once its owner accepts drops on it) and mouse presses on it
// are passed on as signals.
class ImageView : public QWidget {
  Q_OBJECT

 public:
  explicit ImageView(QWidget* parent = nullptr);

  // Loads a picture, the reader chosen by the file's extension. Throws
  // std::runtime_error when the file cannot be read; the view then keeps
  // what it showed.
  void loadFromFile(const QString& path);
  const QImage& image() const { return m_image; }
  // The rectangle the picture occupies inside the view.
  QRect pictureRect() const;

 signals:
  void filesDropped(const QStringList& paths);
  void pressed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage m_image;
};

}  // namespace velmora
