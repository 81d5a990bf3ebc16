#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velmora {

class Tmain;

// The conversion dialog: runs the client on the whole video, follows its
// progress lines, lets the user cancel, reports the outcome.
class Tprogress : public QDialog {
  Q_OBJECT

 public:
  explicit Tprogress(Tmain& main);

  void FormShow();
  void timer_doTimer();
  void Button1Click();
  void timer_deletetrfTimer();

  QLabel* Label1;
  QProgressBar* Gauge1;
  QPushButton* Button1;
  QTimer* timer_do;
  QTimer* timer_deletetrf;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The run itself; returns whether it succeeded, with `failure` set when not.
  bool convert(std::string& failure);

  Tmain& m_main;
  bool m_running = false;
  std::string m_leftoverPath;  // "qtrn.trf" beside the output
  bool m_leftoverToRemove = false;
};

}  // namespace velmora
