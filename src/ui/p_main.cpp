#include "p_main.h"

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/Application.h"
#include "clearness/PreviewArguments.h"
#include "clearness/TimeCode.h"
#include "client/ClientPath.h"
#include "client/ClientRunner.h"
#include "client/LastLine.h"
#include "client/ProbeMedia.h"
#include "client/Rounding.h"
#include "client/VideoTypes.h"
#include "conversion/FileIdentity.h"
#include "conversion/SaveFilter.h"
#include "ui/FormSupport.h"
#include "ui/ImageView.h"
#include "ui/TrackSlider.h"
#include "ui/p_about.h"
#include "ui/p_progress.h"

namespace velmora {

namespace {

// Names whose bytes are not UTF-8 reach us with those bytes replaced: the
// path then names another file or none, and must not be used.
bool LostInDecoding(const QString& path) {
  return path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path);
}

}  // namespace

BusyScope::BusyScope(Tmain& window, Qt::CursorShape cursor) : m_window(window) {
  ++m_window.m_busy;
  m_window.setCursor(cursor);
  m_window.setEnabled(false);
}

BusyScope::~BusyScope() {
  m_window.unsetCursor();
  m_window.setEnabled(true);
  --m_window.m_busy;
}

Tmain::Tmain(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
  LoadResources();
  setObjectName(QStringLiteral("main"));
  setWindowTitle(QStringLiteral("Velmora 0.6.6"));
  setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.png")));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  buildControls();
  buildClearnessGroup();
  buildMenu();
  connectHandlers();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormCreate();
}

Tmain::~Tmain() = default;

void Tmain::attachForms(Tprogress* progressForm, Tabout* aboutForm) {
  progress = progressForm;
  about = aboutForm;
}

void Tmain::buildControls() {
  surface = new QWidget(this);
  surface->setObjectName(QStringLiteral("surface"));
  surface->setFixedSize(1016, 524);
  surface->setAutoFillBackground(true);
  surface->setBackgroundRole(QPalette::Button);
  setCentralWidget(surface);

  btn_load = new QPushButton(QStringLiteral("Load Video File..."), surface);
  btn_load->setObjectName(QStringLiteral("btn_load"));
  btn_load->setGeometry(10, 7, 159, 35);
  btn_load->setFont(Verdana(8));
  btn_load->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));

  label_loadedfile = new QLabel(surface);
  label_loadedfile->setObjectName(QStringLiteral("label_loadedfile"));
  label_loadedfile->setFont(Verdana(8));
  label_loadedfile->setWordWrap(true);
  label_loadedfile->setTextFormat(Qt::PlainText);
  label_loadedfile->setStyleSheet(QStringLiteral("color: grey"));
  label_loadedfile->setGeometry(177, 9, 830, 0);

  edit1 = new QLineEdit(surface);
  edit1->setObjectName(QStringLiteral("edit1"));
  edit1->setGeometry(415, 2, 1, 21);
  edit1->setFocusPolicy(Qt::NoFocus);
  // It only holds text; one pixel of frame would cut through the path shown.
  edit1->setFrame(false);
  edit1->setStyleSheet(QStringLiteral("background: transparent; color: transparent"));

  Panel1 = new QFrame(surface);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(6, 52, 657, 463);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);

  ImageEnView1 = new ImageView(Panel1);
  ImageEnView1->setObjectName(QStringLiteral("ImageEnView1"));
  ImageEnView1->setGeometry(2, 3, 644, 418);

  slider = new TrackSlider(Panel1);
  slider->setObjectName(QStringLiteral("slider"));
  slider->setGeometry(3, 424, 643, 30);

  btn_clear = new QPushButton(QStringLiteral("Clear"), surface);
  btn_clear->setObjectName(QStringLiteral("btn_clear"));
  btn_clear->setGeometry(782, 435, 122, 42);
  btn_clear->setFont(Verdana(8));
  btn_clear->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));

  timer_endmsg = new QTimer(this);
  timer_endmsg->setObjectName(QStringLiteral("timer_endmsg"));
  timer_endmsg->setInterval(2);
}

TrackSlider* Tmain::addOptionSlider(QLabel*& label, const char* name, const QString& caption,
                                    int top, int min, int max, int start) {
  label = new QLabel(caption, GroupBox1);
  label->setFont(VerdanaPixels(11));
  label->setGeometry(8, top, 64, 26);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  auto* s = new TrackSlider(GroupBox1);
  s->setObjectName(QString::fromLatin1(name));
  s->setGeometry(73, top, 262, 26);
  s->setBounds(min, max);
  s->setPosition(start);
  label->setBuddy(s);
  return s;
}

void Tmain::buildClearnessGroup() {
  GroupBox1 = new QGroupBox(QStringLiteral("Clearness Options"), surface);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(667, 50, 345, 346);
  GroupBox1->setFont(VerdanaPixels(11, true));

  ch_contrast = addOptionSlider(Label2, "ch_contrast", QStringLiteral("Contrast"), 27, 0, 400, 300);
  ch_brightness =
      addOptionSlider(Label3, "ch_brightness", QStringLiteral("Brightness"), 65, 0, 200, 100);
  ch_saturation =
      addOptionSlider(Label4, "ch_saturation", QStringLiteral("Saturation"), 97, 0, 300, 100);
  ch_gamma = addOptionSlider(Label5, "ch_gamma", QStringLiteral("Gamma"), 133, 10, 1000, 100);
  ch_red = addOptionSlider(Label6, "ch_red", QStringLiteral("Red"), 168, 10, 1000, 100);
  ch_green = addOptionSlider(Label7, "ch_green", QStringLiteral("Green"), 204, 10, 1000, 100);
  ch_blue = addOptionSlider(Label8, "ch_blue", QStringLiteral("Blue"), 237, 10, 1000, 100);

  ck_sharpen = new QCheckBox(QStringLiteral("Sharpen video"), GroupBox1);
  ck_sharpen->setObjectName(QStringLiteral("ck_sharpen"));
  ck_sharpen->setFont(VerdanaPixels(11));
  ck_sharpen->setGeometry(124, 273, 107, 12);

  Button2 = new QPushButton(QStringLiteral("Default Option"), GroupBox1);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setFont(VerdanaPixels(11));
  Button2->setGeometry(129, 303, 95, 31);

  QWidget::setTabOrder(ck_sharpen, Button2);
  QWidget::setTabOrder(Button2, ch_contrast);
  QWidget::setTabOrder(ch_contrast, ch_brightness);
  QWidget::setTabOrder(ch_brightness, ch_saturation);
  QWidget::setTabOrder(ch_saturation, ch_gamma);
  QWidget::setTabOrder(ch_gamma, ch_red);
  QWidget::setTabOrder(ch_red, ch_green);
  QWidget::setTabOrder(ch_green, ch_blue);
}

void Tmain::buildMenu() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  File1 = MainMenu1->addMenu(QStringLiteral(" File "));
  File1->setObjectName(QStringLiteral("File1"));
  Open1 = File1->addAction(QStringLiteral("Load Video File"));
  Open1->setObjectName(QStringLiteral("Open1"));
  LoadAudioFile1 = File1->addAction(QStringLiteral("Clear Video"));
  LoadAudioFile1->setObjectName(QStringLiteral("LoadAudioFile1"));
  N1 = File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("Exit"));
  Exit1->setObjectName(QStringLiteral("Exit1"));

  Help1 = MainMenu1->addMenu(QStringLiteral(" Help "));
  Help1->setObjectName(QStringLiteral("Help1"));
  // Not listed in the menu, but F1 reaches it: the action lives on the window.
  HelpContents1 = new QAction(QStringLiteral("Help Contents "), this);
  HelpContents1->setObjectName(QStringLiteral("HelpContents1"));
  HelpContents1->setShortcut(QKeySequence(Qt::Key_F1));
  HelpContents1->setShortcutContext(Qt::WindowShortcut);
  addAction(HelpContents1);
  N2 = Help1->addSeparator();
  N3 = Help1->addSeparator();
  About1 = Help1->addAction(QStringLiteral("About"));
  About1->setObjectName(QStringLiteral("About1"));
}

void Tmain::connectHandlers() {
  auto guarded = [this](void (Tmain::*handler)()) {
    return [this, handler] { Guarded([&] { (this->*handler)(); }); };
  };
  connect(btn_load, &QPushButton::clicked, this, guarded(&Tmain::btn_loadClick));
  connect(Open1, &QAction::triggered, this, guarded(&Tmain::btn_loadClick));
  connect(btn_clear, &QPushButton::clicked, this, guarded(&Tmain::btn_clearClick));
  connect(LoadAudioFile1, &QAction::triggered, this, guarded(&Tmain::btn_clearClick));
  connect(Exit1, &QAction::triggered, this, guarded(&Tmain::Exit1Click));
  connect(HelpContents1, &QAction::triggered, this, guarded(&Tmain::HelpContents1Click));
  connect(About1, &QAction::triggered, this, guarded(&Tmain::About1Click));
  connect(Button2, &QPushButton::clicked, this, guarded(&Tmain::Button2Click));
  connect(timer_endmsg, &QTimer::timeout, this, guarded(&Tmain::timer_endmsgTimer));
  connect(ImageEnView1, &ImageView::pressed, this, guarded(&Tmain::ImageEnView1MouseDown));
  for (TrackSlider* s :
       {slider, ch_contrast, ch_brightness, ch_saturation, ch_gamma, ch_red, ch_green, ch_blue}) {
    connect(s, &TrackSlider::changed, this, [this, s] { Guarded([&] { sliderChanged(s); }); });
  }
  // toggled fires for a click and for a change made by the program, never
  // when the state stays as it was.
  connect(ck_sharpen, &QCheckBox::toggled, this,
          [this] { Guarded([&] { sliderChanged(ck_sharpen); }); });
  surface->installEventFilter(this);
}

void Tmain::FormCreate() {
  // The preview is the one target for dropped files; each drop reaches
  // dragAppMessage. An error there ends that drop and is reported.
  ImageEnView1->setAcceptDrops(true);
  connect(ImageEnView1, &ImageView::filesDropped, this,
          [this](const QStringList& paths) { Guarded([&] { dragAppMessage(paths); }); });
  ffinfo = Tffinfo{};
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == surface && event->type() == QEvent::MouseButtonPress) {
    Guarded([&] { FormMouseDown(); });
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void Tmain::closeEvent(QCloseEvent* event) {
  // A client run is under way inside this window's handlers; it ends first.
  if (m_busy > 0) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void Tmain::showLoadedFile(const QString& path) {
  // Sized to its text, wrapping only where the window ends.
  constexpr int kRoom = 1016 - 177 - 8;
  label_loadedfile->setText(path);
  const int width = std::min(kRoom, label_loadedfile->fontMetrics().horizontalAdvance(path) + 4);
  label_loadedfile->resize(width, label_loadedfile->heightForWidth(width));
}

void Tmain::startMove() {
  if (QWindow* handle = windowHandle()) handle->startSystemMove();
}

void Tmain::FormMouseDown() {
  startMove();
}

void Tmain::ImageEnView1MouseDown() {
  startMove();
}

QString Tmain::HelpPagePath() {
  return FromBytes(ProgramDir()) + QStringLiteral("/../share/velmora/help/index.html");
}

void Tmain::HelpContents1Click() {
  dialogs().openUrl(QUrl::fromLocalFile(QFileInfo(HelpPagePath()).absoluteFilePath()));
}

void Tmain::About1Click() {
  if (about != nullptr) about->exec();
}

void Tmain::Exit1Click() {
  close();
}

void Tmain::btn_loadClick() {
  OpenDialog1.fileName.clear();
  OpenDialog1.filter = QStringLiteral("Video Files|") +
                       QString::fromLatin1(VideoTypeList.data(), VideoTypeList.size()) +
                       QStringLiteral("|");
  if (!dialogs().openFile(this, OpenDialog1)) return;
  loadvideofile(OpenDialog1.fileName);
}

void Tmain::loadvideofile(const QString& path) {
  if (LostInDecoding(path)) {
    ffinfo = Tffinfo{};
    dialogs().message(this,
                      QStringLiteral("File load error! The file's name is not valid UTF-8 text, so "
                                     "it cannot be opened: ") +
                          path,
                      QString(), MessageIcon::Error);
    return;
  }
  const std::string file = ToBytes(path);
  {
    BusyScope busy(*this, Qt::BusyCursor);
    ffinfo = Tffinfo{};
    std::string failureCode;
    bool loaded = ProbeMedia(file, failureCode, ffinfo, probeOutput, PumpMessages);
    if (!loaded) loaded = ProbeMedia(file, failureCode, ffinfo, probeOutput, PumpMessages);
    // A copy for show only: the one-pixel box need not lay out megabytes.
    edit1->setText(FromBytes(probeOutput.substr(0, 65536)));
    if (!loaded) {
      dialogs().message(this, QStringLiteral("File load error! ") + FromBytes(failureCode),
                        QString(), MessageIcon::Error);
      return;
    }
    ffinfo.FileName = file;
    showLoadedFile(path);
  }
  if (!PassesTypeTest(file)) return;
  const double seconds = ParseTimeCode(ffinfo.Duration);
  // A slider counts 32-bit hundredths; longer durations are held at its end.
  slider->setMax(ClampToInt(RoundHalfEven(seconds * 100)));
  slider->setPosition(slider->maximum() / 2);
  sliderChanged(this);
}

void Tmain::dragAppMessage(const QStringList& paths) {
  for (const QString& path : paths) {
    if (!PassesTypeTest(ToBytes(path))) continue;
    // An error ends this drop's handling; the caller reports it.
    loadvideofile(path);
  }
}

ClearnessOptions Tmain::options() const {
  ClearnessOptions o;
  o.contrast = ch_contrast->position();
  o.brightness = ch_brightness->position();
  o.saturation = ch_saturation->position();
  o.gamma = ch_gamma->position();
  o.red = ch_red->position();
  o.green = ch_green->position();
  o.blue = ch_blue->position();
  o.sharpen = ck_sharpen->isChecked();
  return o;
}

void Tmain::sliderChanged(QObject*) {
  if (ffinfo.FileName.empty()) return;
  BusyScope busy(*this, Qt::WaitCursor);
  const std::string position = FormatTimeCode(slider->position() / 100.0);
  std::string failureCode;
  if (!RenderPreview(failureCode, ffinfo.FileName, position))
    dialogs().message(this, QStringLiteral("Preview error! ") + FromBytes(failureCode), QString(),
                      MessageIcon::Error);
}

bool Tmain::RenderPreview(std::string& failureCode, const std::string& fileName,
                          const std::string& positionText) {
  const int width = ImageEnView1->width();
  const int height = PreviewFrameHeight(ffinfo.Width, ffinfo.Height, width);
  const std::string& target = previewFile.path();

  ClientRun run;
  run.args = BuildPreviewArguments(positionText, fileName, width, height, options(), target);
  run.prefix = "02";
  run.pumpAt = pump::A | pump::B | pump::C | pump::D | pump::E;
  run.pump = PumpMessages;
  run.timeLimitMs = 60000;  // the window is disabled meanwhile; a stuck client must not keep it so
  // Only the last line is kept: it says why when no frame was written.
  LastLine lastLine;
  run.onChunk = [&lastLine](const std::string& chunk, const std::string&) {
    lastLine.feed(chunk);
    return ChunkVerdict::GoOn;
  };
  run.onEnd = [&](const ClientExit& exit) {
    // An old picture is never shown as the new one.
    if (!previewFile.hasNewFrame()) {
      failureCode = lastLine.text();
      if (failureCode.empty() && !exit.normalZero()) failureCode = ClientExitText(exit);
      return false;
    }
    ImageEnView1->loadFromFile(FromBytes(target));
    return true;
  };
  previewFile.prepare();
  return ClientRunner(run, failureCode);
}

void Tmain::Button2Click() {
  ch_contrast->setPosition(300);
  for (TrackSlider* s : {ch_brightness, ch_saturation, ch_gamma, ch_red, ch_green, ch_blue})
    s->setPosition(100);
  ck_sharpen->setChecked(false);  // renders once more when it was checked
  sliderChanged(Button2);
}

void Tmain::btn_clearClick() {
  const std::string& source = ffinfo.FileName;
  if (source.empty()) {
    dialogs().message(this, QStringLiteral("Please load file at first!"), QStringLiteral("Error"),
                      MessageIcon::Error);
    return;
  }
  if (!IsExistingFile(source)) {
    dialogs().message(this, QStringLiteral("Can not locate the source file: ") + FromBytes(source),
                      QStringLiteral("Error"), MessageIcon::Error);
    return;
  }
  SaveDialog1.filter.clear();
  SaveDialog1.fileName.clear();
  const SaveFilter filter = BuildSaveFilter(source);
  SaveDialog1.filter = FromBytes(filter.filter);
  SaveDialog1.defaultExt = FromBytes(filter.defaultExt);
  SaveDialog1.filterIndex = 0;
  if (!dialogs().saveFile(this, SaveDialog1)) return;

  if (LostInDecoding(SaveDialog1.fileName)) {
    dialogs().message(
        this,
        QStringLiteral("The target file name is not valid UTF-8 text: ") + SaveDialog1.fileName,
        QStringLiteral("Error"), MessageIcon::Error);
    return;
  }
  const std::string chosen = ToBytes(SaveDialog1.fileName);
  // The same file under another spelling is refused too.
  if (SameFile(chosen, source)) {
    dialogs().message(this, QStringLiteral("The target file name is as same as source file"),
                      QStringLiteral("Error"), MessageIcon::Error);
    return;
  }
  if (IsExistingFile(chosen) &&
      !dialogs().confirm(this, SaveDialog1.fileName +
                                   QStringLiteral(" already exists.\rDo you want to replace it?")))
    return;

  progress->Label1->setText(QString());
  progress->Gauge1->setValue(0);
  CancelRequested = false;
  progress->exec();
}

void Tmain::timer_endmsgTimer() {
  timer_endmsg->stop();
  dialogs().message(this, QStringLiteral("The process completed successfully!"), QString(),
                    MessageIcon::Warning);
}

}  // namespace velmora
