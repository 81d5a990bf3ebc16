#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QString>
#include <string>

// What the forms share: the message pump of their client runs, the passage
// between the core's 8-bit texts and Qt's, and the program's typeface.
namespace velmora {

// Handles what is pending, then returns: the pump of a client run.
inline void PumpMessages() {
  QCoreApplication::processEvents();
}

// File names and client output are bytes; Qt shows them decoded as the
// system decodes file names.
inline QString FromBytes(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

inline std::string ToBytes(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

inline QFont Verdana(int points) {
  return QFont(QStringLiteral("Verdana"), points);
}

inline QFont VerdanaPixels(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Verdana"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace velmora
