#include <QLoggingCategory>

#include "app/Application.h"
#include "app/StartUp.h"
#include "client/ClientRunner.h"

Q_LOGGING_CATEGORY(lcClient, "velmora.client", QtWarningMsg)

int main(int argc, char** argv) {
  velmora::Application app(argc, argv);
  // Each client run, when asked for with QT_LOGGING_RULES="velmora.client.debug=true".
  if (lcClient().isDebugEnabled()) {
    velmora::SetClientTraceHook([](const velmora::ClientTrace& t) {
      qCDebug(lcClient).noquote() << t.program.c_str() << t.argumentText.c_str() << "|"
                                  << QString::number(t.seconds, 'f', 3) << "s |" << t.ending.c_str()
                                  << "|" << (t.success ? "success" : "failure")
                                  << t.failureCode.c_str();
    });
  }
  return velmora::RunVelmora();
}
