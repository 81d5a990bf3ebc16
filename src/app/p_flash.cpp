#include "p_flash.h"

#include <QGuiApplication>
#include <QLabel>

#include <QScreen>
#include "app/Application.h"

namespace velmora {

Tflash::Tflash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  LoadResources();
  setObjectName(QStringLiteral("flash"));
  setFixedSize(349, 180);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(rect());
  // Shown at its own size from the top-left corner, neither stretched nor centred.
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setPixmap(QPixmap(QStringLiteral(":/velmora/splash.jpg")));

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

}  // namespace velmora
