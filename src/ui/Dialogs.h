#pragma once

#include <QString>

class QUrl;
class QWidget;

namespace velmora {

enum class MessageIcon { None, Error, Warning, Information, Question };

// A file dialog's settings and result, kept by the form that owns the dialog.
// `filter` uses entries written as "description|patterns|".
struct FileDialogState {
  QString filter;
  QString defaultExt;
  int filterIndex = 0;
  QString fileName;
};

// Every modal question and message the program shows, and every address it
// opens, goes through here, so that tests can answer them and see owner,
// text, caption and icon.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box with one OK button.
  virtual void message(QWidget* owner, const QString& text, const QString& caption,
                       MessageIcon icon) = 0;
  // "Confirm", question icon, Yes (default) and No; Esc answers No.
  virtual bool confirm(QWidget* owner, const QString& text) = 0;
  // Both set state.fileName to the chosen full path and return true, or
  // return false when the user cancels.
  virtual bool openFile(QWidget* owner, FileDialogState& state) = 0;
  virtual bool saveFile(QWidget* owner, FileDialogState& state) = 0;
  // Hands an address to the desktop's default handler.
  virtual void openUrl(const QUrl& url) = 0;
};

// The seam in use; the Qt implementation unless a test installed another.
Dialogs& dialogs();
void SetDialogs(Dialogs* replacement);  // nullptr restores the Qt one

}  // namespace velmora
