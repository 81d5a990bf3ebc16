#include "QtDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace velmora {

namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

bool RunFileDialog(QWidget* owner, FileDialogState& state, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  // The program asks about replacing a file itself.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = QtNameFilters(state.filter);
  dialog.setNameFilters(filters);
  if (state.filterIndex > 0 && state.filterIndex <= filters.size())
    dialog.selectNameFilter(filters.at(state.filterIndex - 1));
  dialog.setDefaultSuffix(state.defaultExt);
  if (!state.fileName.isEmpty()) dialog.selectFile(state.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  state.fileName = dialog.selectedFiles().constFirst();
  state.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return true;
}

}  // namespace

QStringList QtNameFilters(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      patterns << p;
      if (p.toLower() != p) patterns << p.toLower();
    }
    result << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                  QLatin1Char(')');
  }
  return result;
}

void QtDialogs::message(QWidget* owner, const QString& text, const QString& caption,
                        MessageIcon icon) {
  // A lone carriage return separates lines in the program's messages.
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(ToQt(icon), caption, shown, QMessageBox::Ok, owner);
  box.exec();
}

bool QtDialogs::confirm(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool QtDialogs::openFile(QWidget* owner, FileDialogState& state) {
  return RunFileDialog(owner, state, QFileDialog::AcceptOpen);
}

bool QtDialogs::saveFile(QWidget* owner, FileDialogState& state) {
  return RunFileDialog(owner, state, QFileDialog::AcceptSave);
}

void QtDialogs::openUrl(const QUrl& url) {
  QDesktopServices::openUrl(url);
}

}  // namespace velmora
