#pragma once

#include <QList>
#include <QPointer>
#include <QQueue>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "ui/Dialogs.h"

namespace velmora::test {

// Installs itself as the dialog seam while it lives: records every message
// and answers the dialogs from queues (an empty queue answers Cancel / No).
class FakeDialogs : public Dialogs {
 public:
  struct Message {
    QPointer<QWidget> owner;
    bool hadOwner = false;
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
  };
  struct Question {
    QPointer<QWidget> owner;
    QString text;
  };

  FakeDialogs();
  ~FakeDialogs() override;

  void message(QWidget* owner, const QString& text, const QString& caption,
               MessageIcon icon) override;
  bool confirm(QWidget* owner, const QString& text) override;
  bool openFile(QWidget* owner, FileDialogState& state) override;
  bool saveFile(QWidget* owner, FileDialogState& state) override;
  void openUrl(const QUrl& url) override;

  QList<Message> messages;
  QList<Question> questions;
  QList<FileDialogState> openDialogs;  // the settings each open dialog was shown with
  QList<FileDialogState> saveDialogs;
  QList<QUrl> openedUrls;

  QQueue<QString> openAnswers;  // a path, or empty for Cancel
  QQueue<QString> saveAnswers;
  QQueue<bool> confirmAnswers;
  // Runs while a message box is "open", e.g. to look at the window then.
  std::function<void(const Message&)> onMessage;
};

}  // namespace velmora::test
