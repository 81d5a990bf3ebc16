#pragma once

#include <QMainWindow>
#include <QPointer>
#include <string>

#include "clearness/FilterChain.h"
#include "clearness/PreviewFile.h"
#include "client/Tffinfo.h"
#include "ui/Dialogs.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace velmora {

class ImageView;
class TrackSlider;
class Tprogress;
class Tabout;

// The program's one working window: load a video, preview a frame with the
// clearness options, start the conversion.
class Tmain : public QMainWindow {
  Q_OBJECT

 public:
  explicit Tmain(QWidget* parent = nullptr);
  ~Tmain() override;

  // Start-up hands over the dialogs it creates after this window.
  void attachForms(Tprogress* progress, Tabout* about);

  // Handlers, named after their controls and events.
  void FormCreate();
  void btn_loadClick();
  void loadvideofile(const QString& path);
  void dragAppMessage(const QStringList& paths);
  void FormMouseDown();
  void ImageEnView1MouseDown();
  void HelpContents1Click();
  void About1Click();
  void Exit1Click();
  void sliderChanged(QObject* sender);
  bool RenderPreview(std::string& failureCode, const std::string& fileName,
                     const std::string& positionText);
  void Button2Click();
  void btn_clearClick();
  void timer_endmsgTimer();

  // The options as the controls hold them.
  ClearnessOptions options() const;
  // The help page shipped with the program.
  static QString HelpPagePath();

  Tffinfo ffinfo;
  bool CancelRequested = false;
  std::string probeOutput;  // the last probe's output, as the client printed it
  PreviewFile previewFile;
  Tprogress* progress = nullptr;
  Tabout* about = nullptr;

  QWidget* surface;
  QPushButton* btn_load;
  QLabel* label_loadedfile;
  QLineEdit* edit1;
  QFrame* Panel1;
  ImageView* ImageEnView1;
  TrackSlider* slider;
  QGroupBox* GroupBox1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label8;
  TrackSlider* ch_contrast;
  TrackSlider* ch_brightness;
  TrackSlider* ch_saturation;
  TrackSlider* ch_gamma;
  TrackSlider* ch_red;
  TrackSlider* ch_green;
  TrackSlider* ch_blue;
  QCheckBox* ck_sharpen;
  QPushButton* Button2;
  QPushButton* btn_clear;
  FileDialogState OpenDialog1;
  FileDialogState SaveDialog1;
  QTimer* timer_endmsg;
  QMenuBar* MainMenu1;
  QMenu* File1;
  QAction* Open1;
  QAction* LoadAudioFile1;
  QAction* N1;
  QAction* Exit1;
  QMenu* Help1;
  QAction* HelpContents1;
  QAction* N2;
  QAction* N3;
  QAction* About1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void buildClearnessGroup();
  void buildMenu();
  void connectHandlers();
  TrackSlider* addOptionSlider(QLabel*& label, const char* name, const QString& caption, int top,
                               int min, int max, int start);
  void startMove();
  void showLoadedFile(const QString& path);

  int m_busy = 0;  // loads and renders under way; the window cannot be closed meanwhile
  friend class BusyScope;
};

// Makes the window busy (cursor first, then disabled) for a scope and idle
// again (cursor restored, then enabled) on every way out.
class BusyScope {
 public:
  BusyScope(Tmain& window, Qt::CursorShape cursor);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  Tmain& m_window;
};

}  // namespace velmora
