#pragma once

#include <QSlider>

namespace velmora {

// A horizontal whole-number slider whose `changed` signal fires only when the
// user finishes a change: on mouse release (also after a plain click) and
// after the keys Left, Right, Home and End. Values set by the program are
// held within the range and raise nothing; a maximum not above the minimum is
// refused.
class TrackSlider : public QSlider {
  Q_OBJECT

 public:
  explicit TrackSlider(QWidget* parent = nullptr);

  // Sets the range unless max <= min; the value is held within it.
  bool setBounds(int min, int max);
  bool setMax(int max);
  void setPosition(int value);
  int position() const { return value(); }

 signals:
  void changed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  bool m_pressed = false;
};

}  // namespace velmora
