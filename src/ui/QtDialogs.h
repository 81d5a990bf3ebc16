#pragma once

#include <QStringList>

#include "Dialogs.h"

namespace velmora {

class QtDialogs : public Dialogs {
 public:
  void message(QWidget* owner, const QString& text, const QString& caption,
               MessageIcon icon) override;
  bool confirm(QWidget* owner, const QString& text) override;
  bool openFile(QWidget* owner, FileDialogState& state) override;
  bool saveFile(QWidget* owner, FileDialogState& state) override;
  void openUrl(const QUrl& url) override;
};

// "Video Files|*.AVI;*.MP4;|" -> {"Video Files (*.AVI *.avi *.MP4 *.mp4)"}.
// Lower-case twins are added because file dialogs match patterns by case here.
QStringList QtNameFilters(const QString& filter);

}  // namespace velmora
