#include "MediaClips.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace velmora::test {

QByteArray RunFfmpeg(const QStringList& args, int* exitCode) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral(VELMORA_FFMPEG), args);
  p.waitForFinished(120000);
  if (exitCode != nullptr) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return p.readAll();
}

bool MakeClip(const QString& path, const QStringList& inputs) {
  int code = 0;
  const QByteArray out =
      RunFfmpeg(QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-y")} + inputs +
                    QStringList{path},
                &code);
  if (code != 0 || !QFileInfo::exists(path)) {
    qWarning("ffmpeg could not make %s:\n%s", qPrintable(path), out.constData());
    return false;
  }
  return true;
}

bool MakeStandardClip(const QString& path, double seconds) {
  const QString d = QString::number(seconds);
  return MakeClip(
      path, {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("testsrc=size=160x120:rate=25:duration=") + d, QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("sine=frequency=440:sample_rate=44100:duration=") + d,
             QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-shortest")});
}

double MeanLuminance(const QString& imagePath) {
  QImage image(imagePath);
  if (image.isNull()) return -1;
  image = image.convertToFormat(QImage::Format_Grayscale8);
  double sum = 0;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* line = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) sum += line[x];
  }
  return sum / (static_cast<double>(image.width()) * image.height());
}

double MeanLuminanceOfFrame(const QString& videoPath, double seconds) {
  QTemporaryDir dir;
  const QString frame = dir.path() + QStringLiteral("/frame.png");
  int code = 0;
  RunFfmpeg({QStringLiteral("-hide_banner"), QStringLiteral("-y"), QStringLiteral("-ss"),
             QString::number(seconds), QStringLiteral("-i"), videoPath, QStringLiteral("-frames:v"),
             QStringLiteral("1"), frame},
            &code);
  return code == 0 ? MeanLuminance(frame) : -1;
}

}  // namespace velmora::test
