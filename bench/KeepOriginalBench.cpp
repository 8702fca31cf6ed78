// Keep Original against MP3 at 128k on the conversion benchmark's sources, in
// the same run: each source's task command line (as the program builds it)
// run by the real encoder, the two formats alternating over several rounds.
// Reports the median wall times, their ratio and the output sizes, and the
// time of the encoder's bare starts, on which a copy of a short track
// mostly waits. Target: Keep Original at least 20 times faster.
//
// Usage: KeepOriginalBench [sources, default 10] [seconds per source, default 60] [rounds, default
// 3]

#include "bench/BenchMedia.h"
#include "convert/JobBuilder.h"
#include "platform/CommandLine.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Source {
    TaskRecord task{};
    TaskTracks tracks;
};

// Runs every task's command in turn; the wall time in ms and the bytes written.
std::pair<double, qint64> ConvertAll(const std::vector<Source>& sources, int format,
                                     const QString& folder) {
    QDir().mkpath(folder);
    const OutputSettings settings{folder, format, 128, 44100, 2};
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    for (const Source& s : sources) {
        QStringList args = CommandLineToArgv(
            BuildJob({s.task, s.tracks}, settings, QStringLiteral(OSTRELA_BIN_DIR "/vexa.exe"))
                .commandLine);
        const QString program = args.takeFirst();
        QProcess p;
        p.start(program, args);
        p.waitForFinished(-1);
        bytes += QFileInfo(BuildOutputPath(folder, FixedText(s.task.title),
                                           TaskOutputExtension(format, s.tracks)))
                     .size();
    }
    return {clock.nsecsElapsed() / 1e6, bytes};
}

// The encoder started and ended once per source doing nothing: the floor of
// any per-task run, which a copy of a short track comes close to.
double StartsOnly(int count) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        QProcess p;
        p.start(QStringLiteral(OSTRELA_BIN_DIR "/vexa.exe"), {"-v", "error", "-version"});
        p.waitForFinished(-1);
    }
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto [count, seconds, rounds] = ReadSourceBenchArguments(argc, argv, 3);

    QTemporaryDir media, output;
    if (!media.isValid() || !output.isValid())
        return 1;
    std::fprintf(stderr, "making %d sources of %d s...\n", count, seconds);
    const QStringList files = MakeBenchSources(media.path(), count, seconds);
    if (files.isEmpty())
        return 1;
    std::vector<Source> sources(count);
    for (int i = 0; i < count; ++i) {
        const QString& file = files[i];
        Source& s = sources[i];
        s.task.duration = s.task.clipLength = seconds;
        SetFixedText(s.task.sourcePath, file);
        SetFixedText(s.task.title, GetTitle(file));
        CMediaInfoProbe probe;
        s.tracks.tracks = probe.Probe(file).tracks;
    }

    std::vector<double> mp3Times, keptTimes, startTimes;
    qint64 mp3Bytes = 0, keptBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto [mp3Ms, mp3Size] =
            ConvertAll(sources, FormatMP3, output.filePath(QString("mp3 %1").arg(round)));
        const auto [keptMs, keptSize] =
            ConvertAll(sources, FormatKeepOriginal, output.filePath(QString("kept %1").arg(round)));
        startTimes.push_back(StartsOnly(count));
        mp3Times.push_back(mp3Ms);
        keptTimes.push_back(keptMs);
        mp3Bytes = mp3Size;
        keptBytes = keptSize;
    }
    const double mp3Ms = Median(mp3Times);
    const double keptMs = Median(keptTimes);
    const double ratio = keptMs > 0 ? mp3Ms / keptMs : 0;
    const double startMs = Median(startTimes);
    const double workRatio = keptMs > startMs ? (mp3Ms - startMs) / (keptMs - startMs) : 0;

    std::printf("sources:              %d x %d s (MP4/AAC and AVI/MP3), %d rounds\n", count,
                seconds, rounds);
    std::printf("MP3 128k wall time:   %.0f ms (median)\n", mp3Ms);
    std::printf("Keep Original time:   %.0f ms (median)\n", keptMs);
    std::printf("ratio MP3/Keep:       %.1f x (target >= 20)\n", ratio);
    std::printf("encoder starts alone: %.0f ms (median)\n", startMs);
    std::printf("ratio without starts: %.1f x\n", workRatio);
    std::printf("output sizes:         MP3 %lld bytes, Keep Original %lld bytes\n",
                static_cast<long long>(mp3Bytes), static_cast<long long>(keptBytes));
    return ratio >= 20 ? 0 : 2;
}
