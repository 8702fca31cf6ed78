#pragma once
// Source videos for the benchmarks: larger and at a fuller frame rate than the
// tests' media, so that probing and encoding cost what a real file costs.

#include <QProcess>
#include <QString>

// A 320x240, 25 fps video with a 44.1 kHz sine sound track; AVI carries MP3
// sound, the other containers AAC.
inline bool MakeBenchVideo(const QString& path, double seconds) {
    const QString d = QString::number(seconds, 'f', 2);
    QProcess p;
    p.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=320x240:rate=25:duration=" + d, "-f", "lavfi", "-i",
                       "sine=frequency=440:sample_rate=44100:duration=" + d, "-shortest", "-c:v",
                       "mpeg4", "-c:a", path.endsWith(".avi") ? "mp3" : "aac", path});
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
