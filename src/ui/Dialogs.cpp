#include "Dialogs.h"

#include "QtDialogs.h"

namespace velmora {

namespace {
Dialogs*& Installed() {
  static Dialogs* installed = nullptr;
  return installed;
}
}  // namespace

Dialogs& dialogs() {
  static QtDialogs qt;
  Dialogs* d = Installed();
  return d != nullptr ? *d : qt;
}

void SetDialogs(Dialogs* replacement) {
  Installed() = replacement;
}

}  // namespace velmora
