#pragma once

#include <QString>
#include <QStringList>

namespace velmora::test {

// Makes a tiny clip with the real ffmpeg from its lavfi sources. `inputs`
// are ffmpeg words before the output (e.g. {"-f","lavfi","-i","testsrc=..."}).
// Returns false (and says why) when ffmpeg fails.
bool MakeClip(const QString& path, const QStringList& inputs);

// A 2 s 160x120 H.264 video with AAC audio at 25 fps, as `path`'s extension picks.
bool MakeStandardClip(const QString& path, double seconds = 2.0);

// Runs the real ffmpeg with `args`; returns its combined output.
QByteArray RunFfmpeg(const QStringList& args, int* exitCode = nullptr);

// The mean luminance (0..255) of a picture file.
double MeanLuminance(const QString& imagePath);
// The mean luminance of the frame at `seconds` of a video, by the real ffmpeg.
double MeanLuminanceOfFrame(const QString& videoPath, double seconds);

}  // namespace velmora::test
