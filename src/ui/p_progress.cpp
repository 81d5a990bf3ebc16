#include "p_progress.h"

#include <unistd.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/Application.h"
#include "clearness/TimeCode.h"
#include "client/ClientRunner.h"
#include "client/LastLine.h"
#include "client/TextUtil.h"
#include "conversion/ConversionTarget.h"
#include "conversion/ConvertArguments.h"
#include "conversion/FileIdentity.h"
#include "conversion/ProgressChunk.h"
#include "ui/Dialogs.h"
#include "ui/FormSupport.h"
#include "ui/p_main.h"

namespace velmora {

Tprogress::Tprogress(Tmain& main)
    : QDialog(&main, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_main(main) {
  setObjectName(QStringLiteral("progress"));
  setWindowTitle(QString());
  setModal(true);
  setFixedSize(343, 88);
  setFont(VerdanaPixels(11));

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(11, 5, 320, 16);

  Gauge1 = new QProgressBar(this);
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  Gauge1->setGeometry(10, 25, 325, 19);
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  Gauge1->setTextVisible(true);
  Gauge1->setFormat(QStringLiteral("%p%"));
  Gauge1->setAlignment(Qt::AlignCenter);
  Gauge1->setStyleSheet(
      QStringLiteral("QProgressBar { border: 1px solid #808080; background: white; color: black; }"
                     "QProgressBar::chunk { background-color: #00b000; }"));

  Button1 = new QPushButton(QStringLiteral("Cancel"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(135, 55, 77, 26);
  Button1->setAutoDefault(false);

  timer_do = new QTimer(this);
  timer_do->setObjectName(QStringLiteral("timer_do"));
  timer_do->setInterval(2);
  timer_deletetrf = new QTimer(this);
  timer_deletetrf->setObjectName(QStringLiteral("timer_deletetrf"));
  timer_deletetrf->setInterval(1);

  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([&] { Button1Click(); }); });
  connect(timer_do, &QTimer::timeout, this, [this] { Guarded([&] { timer_doTimer(); }); });
  connect(timer_deletetrf, &QTimer::timeout, this,
          [this] { Guarded([&] { timer_deletetrfTimer(); }); });
}

void Tprogress::showEvent(QShowEvent* event) {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  QDialog::showEvent(event);
  FormShow();
}

void Tprogress::FormShow() {
  timer_do->start();
}

void Tprogress::keyPressEvent(QKeyEvent* event) {
  // Esc presses Cancel.
  if (event->key() == Qt::Key_Escape) {
    Button1->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void Tprogress::closeEvent(QCloseEvent* event) {
  // Closing the dialog while the client works is a cancel.
  if (m_running) m_main.CancelRequested = true;
  QDialog::closeEvent(event);
}

void Tprogress::Button1Click() {
  m_main.CancelRequested = true;
  close();
}

void Tprogress::timer_doTimer() {
  timer_do->stop();
  std::string failure;
  bool succeeded = false;
  std::exception_ptr error;
  try {
    succeeded = convert(failure);
  } catch (...) {
    error = std::current_exception();
  }
  m_running = false;

  // The end of every run, also when an error passes through.
  if (!m_main.CancelRequested) {
    if (succeeded) {
      m_main.timer_endmsg->start();
    } else {
      dialogs().message(this,
                        QStringLiteral("### ") + FromBytes(m_main.ffinfo.FileName) +
                            QStringLiteral(" ### \r") + FromBytes(failure),
                        QStringLiteral("Error!"), MessageIcon::Error);
    }
  }
  close();
  timer_deletetrf->start();
  if (error) std::rethrow_exception(error);
}

bool Tprogress::convert(std::string& failure) {
  const Tffinfo& info = m_main.ffinfo;
  const std::string output = ToBytes(m_main.SaveDialog1.fileName);
  m_leftoverPath = PathFolder(output) + "qtrn.trf";
  // Only a left-over that appears during this run is ours to remove.
  m_leftoverToRemove = !IsExistingFile(m_leftoverPath);

  const double total = ParseTimeCode(info.Duration);
  ConversionTarget target(output);

  ClientRun run;
  run.args = BuildConvertArguments(info.FileName, target.writePath(), ChooseBitrate(info),
                                   FilterValue(m_main.options()));
  run.prefix = "03";
  run.pumpAt = pump::E;
  run.pump = PumpMessages;
  run.cancelCheck = [this] { return m_main.CancelRequested; };

  bool progressSeen = false;
  LastLine lastLine;
  // A marker inside a file name the client echoes is no error.
  const std::vector<std::string> names{info.FileName, target.writePath()};
  run.onChunk = [&](const std::string& chunk, const std::string& window) {
    lastLine.feed(chunk);
    const bool noFile = ContainsOutsideNames(window, "No such file", names);
    const bool assertion = ContainsOutsideNames(window, "Assertion failed!", names);
    if (noFile || assertion) {
      if (noFile) failure = "No such file";
      if (assertion) failure = "Assertion failed!";
      progressSeen = false;
      return ChunkVerdict::StopFailure;
    }
    const ProgressReading reading = ReadProgress(chunk, total);
    if (reading.kind != ProgressKind::Progress) return ChunkVerdict::GoOn;
    if (reading.gauge) Gauge1->setValue(*reading.gauge);
    Label1->setText(FromBytes(reading.label));
    progressSeen = true;
    return ChunkVerdict::MarkSuccess;
  };
  // Progress alone is not success: the client must also end normally with
  // status 0, or the output may be broken.
  run.onEnd = [&](const ClientExit& exit) {
    if (!exit.normalZero()) {
      failure = lastLine.text();
      if (failure.empty()) failure = ClientExitText(exit);
      return false;
    }
    return progressSeen;
  };

  m_running = true;
  const bool converted = ClientRunner(run, failure);
  m_running = false;
  if (!converted || m_main.CancelRequested) {
    target.abandon();
    return false;
  }
  return target.commit(failure);
}

void Tprogress::timer_deletetrfTimer() {
  timer_deletetrf->stop();
  if (m_leftoverToRemove && IsExistingFile(m_leftoverPath)) unlink(m_leftoverPath.c_str());
}

}  // namespace velmora
