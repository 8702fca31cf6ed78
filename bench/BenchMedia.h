#pragma once
// Source videos for the benchmarks: larger and at a fuller frame rate than the
// tests' media, so that probing and encoding cost what a real file costs.

#include "tasks/TaskTable.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <vector>

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

// `count` sources of `seconds` in `folder`, "source <i>.mp4" (AAC) and
// "source <i>.avi" (MP3) by turns, as the conversion benchmark makes them;
// empty when one could not be made.
inline QStringList MakeBenchSources(const QString& folder, int count, double seconds) {
    const QString kinds[] = {folder + "/source.mp4", folder + "/source.avi"};
    for (const QString& kind : kinds)
        if (!MakeBenchVideo(kind, seconds))
            return {};
    QStringList sources;
    for (int i = 0; i < count; ++i) {
        const QString& kind = kinds[i % 2];
        sources << folder + QString("/source %1.%2").arg(i).arg(kind.right(3));
        if (!QFile::copy(kind, sources.last()))
            return {};
    }
    return sources;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The common arguments of the benchmarks over made sources: [sources, default
// 10, at most a task list] [seconds per source, default 60] [rounds].
struct SourceBenchArguments {
    int count, seconds, rounds;
};
inline SourceBenchArguments ReadSourceBenchArguments(int argc, char** argv, int defaultRounds) {
    return {std::clamp(argc > 1 ? std::atoi(argv[1]) : 10, 1, TASK_TABLE_SIZE),
            std::max(argc > 2 ? std::atoi(argv[2]) : 60, 1),
            std::max(argc > 3 ? std::atoi(argv[3]) : defaultRounds, 1)};
}
