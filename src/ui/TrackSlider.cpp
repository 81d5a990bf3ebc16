#include "TrackSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>

namespace velmora {

TrackSlider::TrackSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(0, 100);
  setSingleStep(1);
  setPageStep(1);
  setTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

bool TrackSlider::setBounds(int min, int max) {
  if (max <= min) return false;
  const QSignalBlocker quiet(this);
  setRange(min, max);
  return true;
}

bool TrackSlider::setMax(int max) {
  return setBounds(minimum(), max);
}

void TrackSlider::setPosition(int value) {
  const QSignalBlocker quiet(this);
  setValue(value);  // QAbstractSlider holds it within the range
}

void TrackSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  m_pressed = true;
  // A press on the track moves the thumb there, and the press then drags it.
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  if (!handle.contains(event->position().toPoint())) {
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const int span = groove.width() - handle.width();
    const int x = event->position().toPoint().x() - groove.x() - handle.width() / 2;
    setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x, span, option.upsideDown));
  }
  QSlider::mousePressEvent(event);
}

void TrackSlider::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !m_pressed) return;
  m_pressed = false;
  emit changed();
}

void TrackSlider::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
      QSlider::keyPressEvent(event);
      emit changed();
      return;
    default:
      // Other keys would move the thumb without a finished change.
      event->ignore();
  }
}

void TrackSlider::wheelEvent(QWheelEvent* event) {
  // Scrolling would move the thumb without a finished change.
  event->ignore();
}

}  // namespace velmora
