#include "FakeDialogs.h"

namespace velmora::test {

FakeDialogs::FakeDialogs() {
  SetDialogs(this);
}

FakeDialogs::~FakeDialogs() {
  SetDialogs(nullptr);
}

void FakeDialogs::message(QWidget* owner, const QString& text, const QString& caption,
                          MessageIcon icon) {
  Message m{owner, owner != nullptr, text, caption, icon};
  messages << m;
  if (onMessage) onMessage(m);
}

bool FakeDialogs::confirm(QWidget* owner, const QString& text) {
  questions << Question{owner, text};
  return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
}

bool FakeDialogs::openFile(QWidget*, FileDialogState& state) {
  openDialogs << state;
  const QString answer = openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
  if (answer.isEmpty()) return false;
  state.fileName = answer;
  return true;
}

bool FakeDialogs::saveFile(QWidget*, FileDialogState& state) {
  saveDialogs << state;
  const QString answer = saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
  if (answer.isEmpty()) return false;
  state.fileName = answer;
  return true;
}

void FakeDialogs::openUrl(const QUrl& url) {
  openedUrls << url;
}

}  // namespace velmora::test
