#include "StartUp.h"

#include <exception>

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>

#include "app/CheckClient.h"
#include "app/p_flash.h"
#include "ui/Dialogs.h"
#include "ui/p_about.h"
#include "ui/p_main.h"
#include "ui/p_progress.h"

Q_LOGGING_CATEGORY(lcStartUp, "velmora.startup", QtWarningMsg)

namespace velmora {

std::unique_ptr<Forms> StartUp() {
  auto flash = std::make_unique<Tflash>();
  flash->show();
  flash->repaint();

  std::string failureCode;
  const bool passed = CheckClient(failureCode, [] { QCoreApplication::processEvents(); });
  if (!passed) {
    qCDebug(lcStartUp) << "client check failed:" << failureCode.c_str();
    // The title is not set yet: the caption is the program's file name. The
    // splash stays on screen until the box is closed.
    dialogs().message(nullptr,
                      QStringLiteral("Client program error! ") +
                          QFile::decodeName(QByteArray::fromStdString(failureCode)),
                      QCoreApplication::applicationName(), MessageIcon::None);
    return nullptr;
  }

  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  auto forms = std::make_unique<Forms>();
  forms->main = std::make_unique<Tmain>();
  forms->progress = new Tprogress(*forms->main);
  forms->about = new Tabout(forms->main.get());
  forms->main->attachForms(forms->progress, forms->about);
  flash->close();
  flash.reset();
  return forms;
}

int RunVelmora() {
  std::unique_ptr<Forms> forms = StartUp();
  if (!forms) return 0;
  forms->main->show();
  // Where the preview picture will live: the program's folder is not always writable.
  if (lcStartUp().isDebugEnabled()) {
    try {
      qCDebug(lcStartUp).noquote()
          << "preview picture:"
          << QFile::decodeName(QByteArray::fromStdString(forms->main->previewFile.path()));
    } catch (const std::exception& e) {
      qCDebug(lcStartUp).noquote() << "preview picture: none:" << e.what();
    }
  }
  qCDebug(lcStartUp) << "main window shown";
  QCoreApplication::exec();
  return 0;
}

}  // namespace velmora
