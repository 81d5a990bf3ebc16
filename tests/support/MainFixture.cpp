#include "MainFixture.h"

#include <QFile>
#include <QImage>
#include <QtTest>

namespace velmora::test {

MainFixture::MainFixture() {
  m_main = std::make_unique<Tmain>();
  m_progress = new Tprogress(*m_main);
  m_about = new Tabout(m_main.get());
  m_main->attachForms(m_progress, m_about);
}

MainFixture::~MainFixture() {
  m_main.reset();
}

QString MainFixture::makeFile(const QString& name, const QByteArray& bytes) {
  const QString path = files.path() + QLatin1Char('/') + name;
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
  return path;
}

QString MainFixture::frameBitmap(int width, int height, QColor color) {
  const QString path =
      frames.path() +
      QStringLiteral("/frame-%1x%2-%3.bmp").arg(width).arg(height).arg(color.name().mid(1));
  if (!QFile::exists(path)) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    image.save(path, "BMP");
  }
  return path;
}

QByteArray PrintCommand(const QByteArray& text) {
  QByteArray escaped = text;
  escaped.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
  return "print " + escaped + "\n";
}

QByteArray ProbeOutput(const QString& path, const QString& duration, int width, int height,
                       const QString& bitrate, const QString& videoBitrate) {
  return QStringLiteral(
             "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n"
             "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '%1':\n"
             "  Metadata:\n"
             "    major_brand     : isom\n"
             "  Duration: %2, start: 0.000000, bitrate: %3 kb/s\n"
             "  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), "
             "yuv420p(progressive), "
             "%4x%5 [SAR 1:1 DAR 16:9], %6 kb/s, 25 fps, 25 tbr, 12800 tbn (default)\n"
             "  Stream #0:1[0x2](und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, mono, fltp, "
             "69 kb/s (default)\n"
             "At least one output file must be specified\n")
      .arg(path, duration, bitrate)
      .arg(width)
      .arg(height)
      .arg(videoBitrate)
      .toUtf8();
}

void MainFixture::loadWithFake(const QString& path, const QString& duration, int width,
                               int height) {
  client.clearRuns();
  client.setScript("--- run 1\n" + PrintCommand(ProbeOutput(path, duration, width, height)) +
                   "exit 1\n--- run 2\ncopy " + frameBitmap().toUtf8() + "\n");
  main().loadvideofile(path);
}

QByteArray MainFixture::wordAfter(const QByteArray& option) const {
  const QList<QByteArray> words = lastWords();
  const qsizetype at = words.indexOf(option);
  return at >= 0 && at + 1 < words.size() ? words.at(at + 1) : QByteArray();
}

}  // namespace velmora::test
