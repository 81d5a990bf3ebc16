#pragma once

#include <QApplication>
#include <exception>
#include <utility>

namespace velmora {

// The default error report: an error box with the error's text, captioned
// with the application's title, owned by the active window.
void ReportError(const QString& text);
void ReportException(std::exception_ptr error) noexcept;

// Runs an event handler's body so that an error ends the handler and reaches
// the default error report, and never unwinds through the toolkit's frames.
template <class F>
void Guarded(F&& body) noexcept {
  try {
    std::forward<F>(body)();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

// The application object: an error that escapes an event handler is shown by
// the default error report and the program goes on.
class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace velmora

namespace velmora {
// Registers the program's pictures (the library that holds them is static).
void LoadResources();
}  // namespace velmora
