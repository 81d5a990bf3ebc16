#pragma once

#include <QWidget>

class QLabel;

namespace velmora {

// The splash window shown while the client is checked.
class Tflash : public QWidget {
  Q_OBJECT

 public:
  explicit Tflash(QWidget* parent = nullptr);

  QLabel* Image1;
};

}  // namespace velmora
