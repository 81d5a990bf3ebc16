#include "Application.h"

#include <QLoggingCategory>
#include <new>

#include "ui/Dialogs.h"

// Resource registration has to be named outside any namespace.
static void LoadVelmoraResources() {
  Q_INIT_RESOURCE(velmora);
}

namespace velmora {

void LoadResources() {
  LoadVelmoraResources();
}

void ReportError(const QString& text) {
  dialogs().message(QApplication::activeWindow(), text, QCoreApplication::applicationName(),
                    MessageIcon::Error);
}

void ReportException(std::exception_ptr error) noexcept {
  try {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      ReportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
      ReportError(QStringLiteral("Unknown error"));
    }
  } catch (...) {
    // The report itself failed (no memory, say); there is nothing left to tell.
  }
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportException(std::current_exception());
    return false;
  }
}

}  // namespace velmora
